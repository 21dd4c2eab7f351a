#include "platform/software_device.h"

#include <SDL.h>
#include <SDL_image.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/messages.h"
#include "platform/display_window.h"

namespace tavrik {

namespace {

struct PixmanImageDeleter {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, PixmanImageDeleter>;

// x * y / 255, rounded, for bytes.
std::uint32_t mulDiv255(std::uint32_t x, std::uint32_t y) {
  const std::uint32_t t = x * y + 128;
  return (t + (t >> 8)) >> 8;
}

// A texture in memory: its texels premultiplied by their alpha, as the compositor blends them; then
// blending over the frame is the straight-alpha blend of the original texels.
class MemoryTexture : public DeviceTexture {
 public:
  MemoryTexture(int width, int height)
      : width_(width),
        height_(height),
        texels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
        image_(pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, texels_.data(), width * 4)) {}

  bool valid() const override { return true; }
  void upload(const std::uint32_t* argb, int pitch) override {
    for (int y = 0; y < height_; ++y) {
      const std::uint32_t* src = argb + static_cast<std::ptrdiff_t>(y) * pitch;
      std::uint32_t* dst = texels_.data() + static_cast<std::ptrdiff_t>(y) * width_;
      for (int x = 0; x < width_; ++x) {
        const std::uint32_t p = src[x], a = p >> 24;
        dst[x] = a == 0xFF ? p
                           : (a << 24) | (mulDiv255((p >> 16) & 0xFF, a) << 16) |
                                 (mulDiv255((p >> 8) & 0xFF, a) << 8) | mulDiv255(p & 0xFF, a);
      }
    }
  }

  int width() const { return width_; }
  int height() const { return height_; }
  std::uint32_t texel(int x, int y) const {
    return texels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
  }
  pixman_image_t* image() const { return image_.get(); }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> texels_;
  PixmanImage image_;
};

// A texel, premultiplied, multiplied by a colour's red, green and blue.
std::uint32_t tinted(std::uint32_t texel, std::uint32_t colour) {
  return (texel & 0xFF000000u) | (mulDiv255((texel >> 16) & 0xFF, (colour >> 16) & 0xFF) << 16) |
         (mulDiv255((texel >> 8) & 0xFF, (colour >> 8) & 0xFF) << 8) | mulDiv255(texel & 0xFF, colour & 0xFF);
}

}  // namespace

struct SoftwareDevice::Impl {
  // The frame, XRGB.
  std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth) * kHeight);
  PixmanImage target{pixman_image_create_bits(PIXMAN_x8r8g8b8, kWidth, kHeight, frame.data(), kWidth * 4)};
  // What a quad's texels are gathered into, a row at a time, before they are blended.
  std::vector<std::uint32_t> span;
  SDL_Texture* shown = nullptr;  // the frame as a texture of the window's renderer
  // Headless, the overlay draws into the frame itself, with SDL's software renderer.
  SDL_Surface* frameSurface = nullptr;
  SDL_Renderer* frameRenderer = nullptr;
  std::function<void()> overlay;

  // Blends count texels of a row of an image onto the frame at (x, y): over it, or replacing it.
  void compose(pixman_image_t* source, int sourceX, int sourceY, int x, int y, int width, int height,
               std::uint32_t alpha, bool blend) {
    PixmanImage mask;
    if (alpha != 0xFF) {
      const pixman_color_t c{0, 0, 0, static_cast<std::uint16_t>(alpha * 0x101)};
      mask.reset(pixman_image_create_solid_fill(&c));
    }
    pixman_image_composite32(blend ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, source, mask.get(), target.get(),
                             sourceX, sourceY, 0, 0, x, y, width, height);
  }
};

SoftwareDevice::SoftwareDevice(std::unique_ptr<DisplayWindow> window)
    : GraphicsDevice(std::move(window)), impl_(std::make_unique<Impl>()) {}

SoftwareDevice::~SoftwareDevice() {
  if (impl_->shown) SDL_DestroyTexture(impl_->shown);
  if (impl_->frameRenderer) SDL_DestroyRenderer(impl_->frameRenderer);
  if (impl_->frameSurface) SDL_FreeSurface(impl_->frameSurface);
}

void SoftwareDevice::setOverlay(std::function<void()> overlay) {
  if (window_)
    GraphicsDevice::setOverlay(std::move(overlay));
  else
    impl_->overlay = std::move(overlay);
}

SDL_Renderer* SoftwareDevice::overlayRenderer() {
  if (window_) return window_->renderer();
  if (!impl_->frameRenderer) {
    impl_->frameSurface = SDL_CreateRGBSurfaceWithFormatFrom(impl_->frame.data(), kWidth, kHeight, 32,
                                                             kWidth * 4, SDL_PIXELFORMAT_RGB888);
    if (impl_->frameSurface) impl_->frameRenderer = SDL_CreateSoftwareRenderer(impl_->frameSurface);
  }
  return impl_->frameRenderer;
}

std::unique_ptr<GraphicsDevice> SoftwareDevice::create(std::unique_ptr<DisplayWindow> window,
                                                       std::string* error) {
  std::unique_ptr<SoftwareDevice> device(new SoftwareDevice(std::move(window)));
  Impl& impl = *device->impl_;
  if (!impl.target) {
    if (error) *error = en(MessageId::DeviceNoFrameMemory);
    return nullptr;
  }
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
  std::fill(impl_->frame.begin(), impl_->frame.end(), argb | 0xFF000000u);
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
  const std::uint32_t alpha = colour >> 24;
  const bool white = (colour & 0xFFFFFFu) == 0xFFFFFFu;

  // Only moved: the map is a whole-pixel shift, and the compositor copies the texels as they are.
  if (white && tl.y == tr.y && tl.x == bl.x && tr.x - tl.x == static_cast<float>(u1 - u0) &&
      bl.y - tl.y == static_cast<float>(v1 - v0)) {
    impl_->compose(texture.image(), u0, v0, static_cast<int>(std::ceil(tl.x)),
                   static_cast<int>(std::ceil(tl.y)), u1 - u0, v1 - v0, alpha, blend);
    return;
  }

  // The affine map from texels to the screen, and back.
  const double ex = (static_cast<double>(tr.x) - tl.x) / (u1 - u0),
               ey = (static_cast<double>(tr.y) - tl.y) / (u1 - u0);
  const double fx = (static_cast<double>(bl.x) - tl.x) / (v1 - v0),
               fy = (static_cast<double>(bl.y) - tl.y) / (v1 - v0);
  const double det = ex * fy - fx * ey;
  if (!(std::abs(det) > 1e-12)) return;
  // (s, t) = (u0, v0) + inverse * (p - tl): s along the texture's rows, t down its columns.
  const double isx = fy / det, isy = -fx / det, itx = -ey / det, ity = ex / det;
  // Where s grows to the right (or, its edges lying along the rows, downwards), its low edge is a left
  // (top) edge and belongs to the quad; otherwise its high edge does. The same for t.
  const bool sLowIn = isx > 0 || (isx == 0 && isy > 0);
  const bool tLowIn = itx > 0 || (itx == 0 && ity > 0);
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

  double minX = tl.x, maxX = tl.x, minY = tl.y, maxY = tl.y;
  for (const QuadCorner& c : corners) {
    minX = std::min<double>(minX, c.x);
    maxX = std::max<double>(maxX, c.x);
    minY = std::min<double>(minY, c.y);
    maxY = std::max<double>(maxY, c.y);
  }
  const int jFirst = static_cast<int>(std::max(0.0, std::ceil(minY)));
  const int jLast = static_cast<int>(std::min<double>(kHeight - 1, std::floor(maxY)));
  const int iFirst = static_cast<int>(std::max(0.0, std::ceil(minX)));
  const int iLast = static_cast<int>(std::min<double>(kWidth - 1, std::floor(maxX)));
  if (jFirst > jLast || iFirst > iLast) return;

  // Narrows [from, to) to about the pixels of a row whose value a + b * i lies in [low, high); the
  // exact ends are found by testing the pixels themselves.
  auto narrow = [](double a, double b, double low, double high, double& from, double& to) {
    if (b != 0) {
      const double p = (low - a) / b, q = (high - a) / b;
      from = std::max(from, std::min(p, q));
      to = std::min(to, std::max(p, q));
    } else if (a < low - 1e-6 || a > high + 1e-6) {
      to = from - 1;
    }
  };
  std::vector<std::uint32_t>& span = impl_->span;
  span.resize(static_cast<std::size_t>(iLast - iFirst + 1));
  PixmanImage row(pixman_image_create_bits(PIXMAN_a8r8g8b8, static_cast<int>(span.size()), 1, span.data(),
                                           static_cast<int>(span.size()) * 4));
  for (int j = jFirst; j <= jLast; ++j) {
    const double dx = -static_cast<double>(tl.x), dy = j - static_cast<double>(tl.y);
    const double s0 = u0 + isx * dx + isy * dy, t0 = v0 + itx * dx + ity * dy;
    double from = iFirst, to = iLast + 1.0;
    narrow(s0, isx, u0, u1, from, to);
    narrow(t0, itx, v0, v1, from, to);
    if (to < from) continue;
    auto covered = [&](int i) {
      return inside(settle(s0 + isx * i), u0, u1, sLowIn) && inside(settle(t0 + itx * i), v0, v1, tLowIn);
    };
    // The covered pixels of a row are one run: a quad is convex.
    int first = std::max(iFirst, static_cast<int>(std::floor(from)) - 1);
    int last = std::min(iLast, static_cast<int>(std::ceil(to)) + 1);
    while (first <= last && !covered(first)) ++first;
    while (last >= first && !covered(last)) --last;
    if (first > last) continue;
    for (int i = first; i <= last; ++i) {
      const int s = texelOf(settle(s0 + isx * i), u0, u1, sLowIn);
      const int t = texelOf(settle(t0 + itx * i), v0, v1, tLowIn);
      const std::uint32_t texel = texture.texel(s, t);
      span[static_cast<std::size_t>(i - first)] = white ? texel : tinted(texel, colour);
    }
    impl_->compose(row.get(), 0, 0, first, j, last - first + 1, 1, alpha, blend);
  }
}

void SoftwareDevice::endScene() {}

void SoftwareDevice::present() {
  if (!window_) {
    if (impl_->overlay && impl_->frameRenderer) {
      impl_->overlay();
      SDL_RenderFlush(impl_->frameRenderer);
    }
    return;
  }
  SDL_UpdateTexture(impl_->shown, nullptr, impl_->frame.data(), kWidth * 4);
  window_->present(impl_->shown);
}

std::unique_ptr<DeviceTexture> SoftwareDevice::createTexture(int width, int height) {
  return std::make_unique<MemoryTexture>(width, height);
}

bool SoftwareDevice::saveLastFrame(const std::filesystem::path& png) const {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(impl_->frame.data(), kWidth, kHeight, 32,
                                                            kWidth * 4, SDL_PIXELFORMAT_RGB888);
  if (!surface) return false;
  const bool saved = IMG_SavePNG(surface, png.c_str()) == 0;
  SDL_FreeSurface(surface);
  return saved;
}

std::uint32_t SoftwareDevice::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return 0;
  return 0xFF000000u |
         (impl_->frame[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] & 0xFFFFFFu);
}

bool SoftwareDevice::readFrame(std::vector<std::uint32_t>& pixels) {
  pixels.resize(impl_->frame.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | (impl_->frame[i] & 0xFFFFFFu);
  return true;
}

}  // namespace tavrik
