#include "platform/software_device.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/blend_rows.h"
#include "platform/display_window.h"
#include "platform/image_library.h"
#include "platform/worker_pool.h"

namespace tavrik {

namespace {

// A texture in memory: its texels premultiplied by their alpha, as the compositor blends them; then
// blending over the frame is the straight-alpha blend of the original texels. A frame's drawings are
// done at its end: a texture they use has them done before it changes or goes.
class MemoryTexture : public DeviceTexture {
 public:
  MemoryTexture(int width, int height, std::weak_ptr<SoftwareDevice::Impl> owner)
      : width_(width),
        height_(height),
        pitch_(width),
        texels_(std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(width) *
                                                  static_cast<std::size_t>(height))),
        owner_(std::move(owner)) {}
  // The texels (straight alpha, rows pitch apart) become this texture's, premultiplied where they are.
  MemoryTexture(int width, int height, std::unique_ptr<std::uint32_t[]> texels, int pitch,
                std::weak_ptr<SoftwareDevice::Impl> owner)
      : width_(width), height_(height), pitch_(pitch), texels_(std::move(texels)), owner_(std::move(owner)) {
    premultiply(texels_.get(), pitch_);
  }
  ~MemoryTexture() override { settle(); }

  bool valid() const override { return true; }
  void upload(const std::uint32_t* argb, int pitch) override {
    settle();
    premultiply(argb, pitch);
  }

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t texel(int x, int y) const {
    return texels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch_) +
                   static_cast<std::size_t>(x)];
  }
  const std::uint32_t* row(int y) const { return texels_.get() + static_cast<std::ptrdiff_t>(y) * pitch_; }
  // The device and the batch of drawings that last used it (a picture may outlive the device that made
  // its textures, and be drawn by the next).
  void usedIn(const std::shared_ptr<SoftwareDevice::Impl>& owner, std::uint64_t batch) const {
    if (std::shared_ptr<SoftwareDevice::Impl> previous = owner_.lock(); previous != owner) {
      // Drawings of another device are done first: a texture is pending in one device at most.
      settle();
      owner_ = owner;
    }
    usedIn_ = batch;
  }

 private:
  // Has the drawings that use it done.
  void settle() const;
  // The texels from argb (straight alpha, rows pitch apart; this texture's own texels too), premultiplied.
  void premultiply(const std::uint32_t* argb, int pitch) {
    for (int y = 0; y < height_; ++y) {
      const std::uint32_t* src = argb + static_cast<std::ptrdiff_t>(y) * pitch;
      std::uint32_t* dst = texels_.get() + static_cast<std::ptrdiff_t>(y) * pitch_;
      for (int x = 0; x < width_; ++x) dst[x] = blend::premultiplied(src[x]);
    }
  }

  int width_;
  int height_;
  int pitch_;
  std::unique_ptr<std::uint32_t[]> texels_;
  mutable std::weak_ptr<SoftwareDevice::Impl> owner_;
  mutable std::uint64_t usedIn_ = ~std::uint64_t{0};
};

// A texel, premultiplied, multiplied by a colour's red, green and blue (its alpha is the quad's fade).
std::uint32_t tinted(std::uint32_t texel, std::uint32_t colour) {
  return blend::multiplied(texel, colour | 0xFF000000u);
}

// A quad as the frame's rows meet it: the affine map from the screen back to its texels, and the rows
// and columns it may cover.
struct QuadMap {
  int u0, u1, v0, v1;
  double left, top;           // the top left corner on the screen
  double isx, isy, itx, ity;  // (s, t) = (u0, v0) + inverse * (p - top left)
  bool sLowIn, tLowIn;        // which edge of each belongs to the quad
  int iFirst, iLast, jFirst, jLast;
};

// One drawing of a frame, done when the frame ends.
struct Draw {
  enum Kind { Fill, Copy, Map };
  Kind kind = Fill;
  const MemoryTexture* texture = nullptr;
  std::uint32_t colour = 0;  // Fill: the colour; Map: the tint
  std::uint32_t alpha = 0xFF;
  bool blend = false;
  int sourceX = 0, sourceY = 0, x = 0, y = 0, width = 0, height = 0;  // Copy
  QuadMap map{};                                                      // Map
};

}  // namespace

struct SoftwareDevice::Impl : std::enable_shared_from_this<SoftwareDevice::Impl> {
  explicit Impl(int threads) : threadsAsked(threads) {}

  // The frame, XRGB.
  std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth) * kHeight);
  SDL_Texture* shown = nullptr;  // the frame as a texture of the window's renderer
  // Headless, the overlay paints into the frame itself.
  std::function<void()> overlay;

  // What the frame draws, not done yet, and the number of the batch it is; the pixels it covers.
  std::vector<Draw> draws;
  std::uint64_t batch = 0;
  std::size_t work = 0;
  int threadsAsked;
  std::unique_ptr<WorkerPool> pool;  // started by the first busy frame

  void add(const Draw& draw, std::size_t pixels) {
    if (draw.texture) draw.texture->usedIn(shared_from_this(), batch);
    draws.push_back(draw);
    work += pixels;
  }

  // Does what was drawn. A busy frame is shared out in bands of rows, two for each thread, each band
  // drawn with every drawing in turn; each pixel comes out as if the frame were drawn whole on one
  // thread, which is how a frame with little to draw is done.
  void flush() {
    if (draws.empty()) return;
    if (work < kBusyFrame || threadsAsked == 1) {
      drawBand(0, kHeight);
    } else {
      if (!pool) pool = std::make_unique<WorkerPool>(threadsAsked);
      const int bands = 2 * pool->threads();
      pool->run(bands, [this, bands](int b) { drawBand(kHeight * b / bands, kHeight * (b + 1) / bands); });
    }
    draws.clear();
    work = 0;
    ++batch;
  }

  void drawBand(int top, int bottom) {
    for (const Draw& d : draws) {
      switch (d.kind) {
        case Draw::Fill:
          std::fill(frame.begin() + static_cast<std::ptrdiff_t>(top) * kWidth,
                    frame.begin() + static_cast<std::ptrdiff_t>(bottom) * kWidth, d.colour);
          break;
        case Draw::Copy: {
          const int left = std::max(0, d.x), right = std::min(kWidth, d.x + d.width);
          const int last = std::min(bottom, d.y + d.height);
          for (int y = std::max(top, d.y); y < last; ++y)
            compose(row(y) + left, d.texture->row(d.sourceY + y - d.y) + d.sourceX + left - d.x, right - left,
                    d.alpha, d.blend);
          break;
        }
        case Draw::Map:
          drawRows(d, std::max(top, d.map.jFirst), std::min(bottom - 1, d.map.jLast));
          break;
      }
    }
  }

  std::uint32_t* row(int y) { return frame.data() + static_cast<std::ptrdiff_t>(y) * kWidth; }

  // Rows from to last of a turned or scaled quad.
  void drawRows(const Draw& d, int from, int last) {
    if (from > last) return;
    const QuadMap& m = d.map;
    const MemoryTexture& texture = *d.texture;
    const bool white = (d.colour & 0xFFFFFFu) == 0xFFFFFFu;
    // A value that the noise of the arithmetic alone keeps off a whole number is that number, so that an
    // edge through pixel centres falls the same way for every quad that has it.
    auto settle = [](double x) {
      const double whole = std::nearbyint(x);
      return std::abs(x - whole) < 1e-7 ? whole : x;
    };
    auto inside = [](double x, int low, int high, bool lowIn) {
      return lowIn ? (x >= low && x < high) : (x > low && x <= high);
    };
    auto texelOf = [](double x, int low, int high, bool lowIn) {
      return std::clamp(static_cast<int>(lowIn ? std::floor(x) : std::ceil(x) - 1.0), low, high - 1);
    };
    // Narrows [from, to) to about the pixels of a row whose value a + b * i lies in [low, high); the
    // exact ends are found by testing the pixels themselves.
    auto narrow = [](double a, double b, double low, double high, double& begin, double& end) {
      if (b != 0) {
        const double p = (low - a) / b, q = (high - a) / b;
        begin = std::max(begin, std::min(p, q));
        end = std::min(end, std::max(p, q));
      } else if (a < low - 1e-6 || a > high + 1e-6) {
        end = begin - 1;
      }
    };
    thread_local std::vector<std::uint32_t> span;
    span.resize(static_cast<std::size_t>(m.iLast - m.iFirst + 1));
    for (int j = from; j <= last; ++j) {
      const double dx = -m.left, dy = j - m.top;
      const double s0 = m.u0 + m.isx * dx + m.isy * dy, t0 = m.v0 + m.itx * dx + m.ity * dy;
      double begin = m.iFirst, end = m.iLast + 1.0;
      narrow(s0, m.isx, m.u0, m.u1, begin, end);
      narrow(t0, m.itx, m.v0, m.v1, begin, end);
      if (end < begin) continue;
      auto covered = [&](int i) {
        return inside(settle(s0 + m.isx * i), m.u0, m.u1, m.sLowIn) &&
               inside(settle(t0 + m.itx * i), m.v0, m.v1, m.tLowIn);
      };
      // The covered pixels of a row are one run: a quad is convex.
      int first = std::max(m.iFirst, static_cast<int>(std::floor(begin)) - 1);
      int lastCovered = std::min(m.iLast, static_cast<int>(std::ceil(end)) + 1);
      while (first <= lastCovered && !covered(first)) ++first;
      while (lastCovered >= first && !covered(lastCovered)) --lastCovered;
      if (first > lastCovered) continue;
      for (int i = first; i <= lastCovered; ++i) {
        const int s = texelOf(settle(s0 + m.isx * i), m.u0, m.u1, m.sLowIn);
        const int t = texelOf(settle(t0 + m.itx * i), m.v0, m.v1, m.tLowIn);
        const std::uint32_t texel = texture.texel(s, t);
        span[static_cast<std::size_t>(i - first)] = white ? texel : tinted(texel, d.colour);
      }
      compose(row(j) + first, span.data(), lastCovered - first + 1, d.alpha, d.blend);
    }
  }

  // Puts count texels on the frame at dst: over it, or replacing it; faded by alpha.
  static void compose(std::uint32_t* dst, const std::uint32_t* src, int count, std::uint32_t alpha,
                      bool blend) {
    if (count <= 0) return;
    if (blend)
      alpha == 0xFF ? blend::over(dst, src, count) : blend::overFaded(dst, src, count, alpha);
    else if (alpha == 0xFF)
      std::copy_n(src, count, dst);
    else
      blend::fade(dst, src, count, alpha);
  }

  // Below about two screens' worth of pixels a frame is drawn on one thread: waking the others would
  // cost more than it saves.
  static constexpr std::size_t kBusyFrame = std::size_t{2} * kWidth * kHeight;
};

void MemoryTexture::settle() const {
  if (std::shared_ptr<SoftwareDevice::Impl> owner = owner_.lock(); owner && usedIn_ == owner->batch)
    owner->flush();
}

SoftwareDevice::SoftwareDevice(std::unique_ptr<DisplayWindow> window, int threads)
    : GraphicsDevice(std::move(window)), impl_(std::make_shared<Impl>(threads)) {}

SoftwareDevice::~SoftwareDevice() {
  if (impl_->shown) SDL_DestroyTexture(impl_->shown);
}

void SoftwareDevice::setOverlay(std::function<void()> overlay) {
  if (window_)
    GraphicsDevice::setOverlay(std::move(overlay));
  else
    impl_->overlay = std::move(overlay);
}

SDL_Renderer* SoftwareDevice::overlayRenderer() {
  return window_ ? window_->renderer() : nullptr;
}

bool SoftwareDevice::overlayInMemory() const {
  return !window_ || GraphicsDevice::overlayInMemory();
}

bool SoftwareDevice::overlayCanvas(OverlayCanvas& canvas) {
  if (window_) {
    if (!GraphicsDevice::overlayCanvas(canvas)) return false;
  } else {
    impl_->flush();
    canvas.pixels = impl_->frame.data();
    canvas.width = kWidth;
    canvas.height = kHeight;
    canvas.pitch = kWidth;
  }
  // The interface is painted on the threads that draw a busy frame.
  if (impl_->threadsAsked != 1) {
    canvas.threads = [impl = impl_.get()] {
      if (!impl->pool) impl->pool = std::make_unique<WorkerPool>(impl->threadsAsked);
      return impl->pool.get();
    };
  }
  return true;
}

std::unique_ptr<GraphicsDevice> SoftwareDevice::create(std::unique_ptr<DisplayWindow> window, int threads,
                                                       std::string* error) {
  std::unique_ptr<SoftwareDevice> device(new SoftwareDevice(std::move(window), threads));
  Impl& impl = *device->impl_;
  if (device->window_) {
    impl.shown = SDL_CreateTexture(device->window_->renderer(), SDL_PIXELFORMAT_RGB888,
                                   SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
    if (!impl.shown) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
  }
  device->clear(0xFF000000u);
  return device;
}

void SoftwareDevice::beginScene() {}

void SoftwareDevice::clear(std::uint32_t argb) {
  // What was drawn before is covered whole.
  impl_->draws.clear();
  impl_->work = 0;
  Draw fill;
  fill.colour = argb | 0xFF000000u;
  impl_->add(fill, static_cast<std::size_t>(kWidth) * kHeight / 4);
}

// Pixel (i, j) samples the screen point (i, j). It is covered when that point, mapped back through the
// quad's affine map, lies in the source rectangle. Of its edges, those on the quad's left and top on the
// screen belong to it and those on its right and bottom do not (a top-left rule, whichever way the quad
// is turned or mirrored): neighbouring quads share their edges with no gap and no double cover. Its texel
// is the one under the mapped point, and on a texel edge the one the edge rule gives the point to.
void SoftwareDevice::drawQuad(DeviceTexture& deviceTexture, const QuadCorner (&placed)[4],
                              std::uint32_t colour, bool blend) {
  auto& texture = static_cast<MemoryTexture&>(deviceTexture);
  // Corners snap to a 1/2048-pixel grid, as a GPU snaps vertices to its sub-pixel grid: the single-
  // precision noise of a turned corner (a few 1e-5 of a pixel) then cannot move an edge that lies on a
  // pixel centre, such as those of a quarter turn, across it.
  QuadCorner corners[4];
  for (int k = 0; k < 4; ++k) {
    corners[k] = placed[k];
    corners[k].x = std::round(placed[k].x * 2048.0f) / 2048.0f;
    corners[k].y = std::round(placed[k].y * 2048.0f) / 2048.0f;
  }
  const QuadCorner &tl = corners[0], &tr = corners[1], &bl = corners[2];
  const int u0 = static_cast<int>(std::lround(tl.u * static_cast<float>(texture.width())));
  const int u1 = static_cast<int>(std::lround(tr.u * static_cast<float>(texture.width())));
  const int v0 = static_cast<int>(std::lround(tl.v * static_cast<float>(texture.height())));
  const int v1 = static_cast<int>(std::lround(bl.v * static_cast<float>(texture.height())));
  if (u1 <= u0 || v1 <= v0) return;
  // What lies wholly off the screen is not drawn, and what reaches past it (a script can scale a picture
  // to any size) is bounded by it before anything is counted in whole pixels.
  double minX = tl.x, maxX = tl.x, minY = tl.y, maxY = tl.y;
  for (const QuadCorner& c : corners) {
    if (!std::isfinite(c.x) || !std::isfinite(c.y)) return;
    minX = std::min<double>(minX, c.x);
    maxX = std::max<double>(maxX, c.x);
    minY = std::min<double>(minY, c.y);
    maxY = std::max<double>(maxY, c.y);
  }
  if (maxX < 0 || maxY < 0 || minX > kWidth || minY > kHeight) return;
  Draw draw;
  draw.texture = &texture;
  draw.colour = colour;
  draw.alpha = colour >> 24;
  draw.blend = blend;

  // Only moved: the map is a whole-pixel shift, and the compositor copies the texels as they are.
  if ((colour & 0xFFFFFFu) == 0xFFFFFFu && tl.y == tr.y && tl.x == bl.x &&
      tr.x - tl.x == static_cast<float>(u1 - u0) && bl.y - tl.y == static_cast<float>(v1 - v0)) {
    draw.kind = Draw::Copy;
    draw.sourceX = u0;
    draw.sourceY = v0;
    draw.x = static_cast<int>(std::ceil(tl.x));
    draw.y = static_cast<int>(std::ceil(tl.y));
    draw.width = u1 - u0;
    draw.height = v1 - v0;
    const int w = std::min(kWidth, draw.x + draw.width) - std::max(0, draw.x);
    const int h = std::min(kHeight, draw.y + draw.height) - std::max(0, draw.y);
    if (w > 0 && h > 0) impl_->add(draw, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    return;
  }

  // The affine map from texels to the screen, and back.
  const double ex = (static_cast<double>(tr.x) - tl.x) / (u1 - u0),
               ey = (static_cast<double>(tr.y) - tl.y) / (u1 - u0);
  const double fx = (static_cast<double>(bl.x) - tl.x) / (v1 - v0),
               fy = (static_cast<double>(bl.y) - tl.y) / (v1 - v0);
  const double det = ex * fy - fx * ey;
  if (!(std::abs(det) > 1e-12)) return;
  QuadMap& m = draw.map;
  m.u0 = u0;
  m.u1 = u1;
  m.v0 = v0;
  m.v1 = v1;
  m.left = tl.x;
  m.top = tl.y;
  m.isx = fy / det;
  m.isy = -fx / det;
  m.itx = -ey / det;
  m.ity = ex / det;
  // Where s grows to the right (or, its edges lying along the rows, downwards), its low edge is a left
  // (top) edge and belongs to the quad; otherwise its high edge does. The same for t.
  m.sLowIn = m.isx > 0 || (m.isx == 0 && m.isy > 0);
  m.tLowIn = m.itx > 0 || (m.itx == 0 && m.ity > 0);

  m.jFirst = static_cast<int>(std::max(0.0, std::ceil(minY)));
  m.jLast = static_cast<int>(std::min<double>(kHeight - 1, std::floor(maxY)));
  m.iFirst = static_cast<int>(std::max(0.0, std::ceil(minX)));
  m.iLast = static_cast<int>(std::min<double>(kWidth - 1, std::floor(maxX)));
  if (m.jFirst > m.jLast || m.iFirst > m.iLast) return;
  draw.kind = Draw::Map;
  // Gathering texels one by one costs about three times blending them.
  impl_->add(draw, std::size_t{3} * static_cast<std::size_t>(m.jLast - m.jFirst + 1) *
                       static_cast<std::size_t>(m.iLast - m.iFirst + 1));
}

void SoftwareDevice::endScene() {
  impl_->flush();
}

void SoftwareDevice::present() {
  impl_->flush();
  if (!window_) {
    if (impl_->overlay) impl_->overlay();
    return;
  }
  SDL_UpdateTexture(impl_->shown, nullptr, impl_->frame.data(), kWidth * 4);
  window_->present(impl_->shown);
}

std::unique_ptr<DeviceTexture> SoftwareDevice::createTexture(int width, int height) {
  return std::make_unique<MemoryTexture>(width, height, impl_);
}

std::unique_ptr<DeviceTexture> SoftwareDevice::adoptTexture(int width, int height,
                                                            std::unique_ptr<std::uint32_t[]>& texels,
                                                            int pitch) {
  if (!texels || pitch < width) return nullptr;
  return std::make_unique<MemoryTexture>(width, height, std::move(texels), pitch, impl_);
}

bool SoftwareDevice::saveLastFrame(const std::filesystem::path& png) const {
  impl_->flush();
  const ImageLibrary* codecs = imageLibrary();
  if (!codecs) return false;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(impl_->frame.data(), kWidth, kHeight, 32,
                                                            kWidth * 4, SDL_PIXELFORMAT_RGB888);
  if (!surface) return false;
  const bool saved = codecs->savePng(surface, png.c_str()) == 0;
  SDL_FreeSurface(surface);
  return saved;
}

std::uint32_t SoftwareDevice::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return 0;
  impl_->flush();
  return 0xFF000000u |
         (impl_->frame[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] & 0xFFFFFFu);
}

bool SoftwareDevice::readFrame(std::vector<std::uint32_t>& pixels) {
  impl_->flush();
  pixels.resize(impl_->frame.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | (impl_->frame[i] & 0xFFFFFFu);
  return true;
}

int SoftwareDevice::drawThreads() const {
  return impl_->pool ? impl_->pool->threads() : 1;
}

}  // namespace tavrik
