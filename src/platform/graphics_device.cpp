#include "platform/graphics_device.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/text_encoding.h"

namespace tavrik {

namespace {

bool hasGpuRenderNode() {
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/dev/dri", ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().rfind("renderD", 0) == 0) return true;
  }
  return false;
}

}  // namespace

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

struct GraphicsDevice::Impl {
  bool headless = false;
  int width = 800;
  int height = 600;
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  // Headless target; also the copy of the last frame when one is kept.
  SurfacePtr target;
  SurfacePtr lastFrame;
  bool keepLastFrame = false;
  bool vsync = false;
  bool software = false;  // SDL's software renderer: its textures are plain memory and never lost
  bool fullscreen = false;
  // Windowed: the game's own 800 x 600 picture, shown by present.
  SDL_Texture* gameTarget = nullptr;
  int topMargin = 0;
  std::function<void()> overlay;
  std::uint64_t generation = 0;
  std::string title;

  bool makeGameTarget() {
    if (gameTarget) SDL_DestroyTexture(gameTarget);
    gameTarget =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
    if (!gameTarget) return false;
    SDL_SetRenderTarget(renderer, gameTarget);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_SetRenderTarget(renderer, nullptr);
    return true;
  }

  // Where the game picture goes in the window.
  SDL_Rect gameRect() const {
    int w = width, h = height + topMargin;
    if (window) SDL_GetWindowSize(window, &w, &h);
    if (!fullscreen) return SDL_Rect{0, topMargin, width, height};
    const double scale = std::min(static_cast<double>(w) / width, static_cast<double>(h) / height);
    const int sw = static_cast<int>(width * scale), sh = static_cast<int>(height * scale);
    return SDL_Rect{(w - sw) / 2, (h - sh) / 2, sw, sh};
  }

  ~Impl() {
    if (gameTarget) SDL_DestroyTexture(gameTarget);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }
};

GraphicsDevice::GraphicsDevice(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
GraphicsDevice::~GraphicsDevice() = default;

std::unique_ptr<GraphicsDevice> GraphicsDevice::create(const DeviceOptions& options, std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->headless = options.headless;
  impl->width = options.width;
  impl->height = options.height;
  impl->fullscreen = options.fullscreen;
  impl->topMargin = options.topMargin;
  if (options.headless) {
    // An XRGB target: an ARGB one loses its alpha under blending in the software renderer.
    impl->target.reset(
        SDL_CreateRGBSurfaceWithFormat(0, options.width, options.height, 32, SDL_PIXELFORMAT_RGB888));
    if (impl->target) impl->renderer = SDL_CreateSoftwareRenderer(impl->target.get());
    if (!impl->renderer) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
  } else {
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    impl->window = SDL_CreateWindow(options.titleUtf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    options.width, options.height + options.topMargin, flags);
    if (!impl->window) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
    // Without a GPU (no DRM render node) the accelerated renderer is a software rasteriser behind
    // OpenGL: it takes about 0.2 s to start and draws the same scene three times slower than SDL's own
    // software renderer on the window's plain framebuffer. SDL_RENDER_DRIVER still decides when set.
    const char* asked = SDL_getenv("SDL_RENDER_DRIVER");
    if ((!asked || !*asked) && !hasGpuRenderNode()) {
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      impl->renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!impl->renderer)
      impl->renderer =
          SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!impl->renderer) impl->renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
    if (!impl->renderer) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
    // The game keeps its 800 x 600 picture whatever the window or screen size: it draws into a picture
    // of its own, which present places below the menu strip or scales and letterboxes.
    if (!impl->makeGameTarget()) {
      if (error) *error = SDL_GetError();
      return nullptr;
    }
  }
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(impl->renderer, &info) == 0) {
    impl->vsync = (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    impl->software = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  }
  return std::unique_ptr<GraphicsDevice>(new GraphicsDevice(std::move(impl)));
}

bool GraphicsDevice::headless() const {
  return impl_->headless;
}
int GraphicsDevice::width() const {
  return impl_->width;
}
int GraphicsDevice::height() const {
  return impl_->height;
}

int GraphicsDevice::refreshRate() const {
  if (!impl_->window) return 0;
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(impl_->window);
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate;
}

bool GraphicsDevice::hasVsync() const {
  return impl_->vsync;
}

void GraphicsDevice::beginScene() {
  if (impl_->window && !impl_->gameTarget) impl_->makeGameTarget();
  if (impl_->gameTarget) SDL_SetRenderTarget(impl_->renderer, impl_->gameTarget);
}

void GraphicsDevice::clear(std::uint32_t argb) {
  SDL_SetRenderDrawColor(impl_->renderer, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF,
                         (argb >> 24) & 0xFF);
  SDL_RenderClear(impl_->renderer);
}

void GraphicsDevice::endScene() {
  if (!impl_->gameTarget || SDL_GetRenderTarget(impl_->renderer) != impl_->gameTarget) return;
  if (impl_->keepLastFrame) {
    if (!impl_->lastFrame) {
      impl_->lastFrame.reset(
          SDL_CreateRGBSurfaceWithFormat(0, impl_->width, impl_->height, 32, SDL_PIXELFORMAT_RGB888));
    }
    if (impl_->lastFrame) {
      SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB888, impl_->lastFrame->pixels,
                           impl_->lastFrame->pitch);
    }
  }
  SDL_SetRenderTarget(impl_->renderer, nullptr);
}

void GraphicsDevice::present() {
  if (impl_->window) {
    SDL_SetRenderTarget(impl_->renderer, nullptr);
    SDL_SetRenderDrawColor(impl_->renderer, 0, 0, 0, 255);
    SDL_RenderClear(impl_->renderer);
    if (impl_->gameTarget) {
      const SDL_Rect dst = impl_->gameRect();
      SDL_RenderCopy(impl_->renderer, impl_->gameTarget, nullptr, &dst);
    }
    if (impl_->overlay) impl_->overlay();
  }
  SDL_RenderPresent(impl_->renderer);
}

void GraphicsDevice::setTopMargin(int pixels) {
  if (pixels == impl_->topMargin) return;
  impl_->topMargin = pixels;
  if (impl_->window && !impl_->fullscreen)
    SDL_SetWindowSize(impl_->window, impl_->width, impl_->height + pixels);
}

void GraphicsDevice::restoreWindow() {
  if (impl_->window) SDL_RestoreWindow(impl_->window);
}

int GraphicsDevice::topMargin() const {
  return impl_->topMargin;
}

void GraphicsDevice::setOverlay(std::function<void()> overlay) {
  impl_->overlay = std::move(overlay);
}

bool GraphicsDevice::windowToGame(int windowX, int windowY, int& gameX, int& gameY) const {
  if (!impl_->window) {
    gameX = windowX;
    gameY = windowY;
    return true;
  }
  const SDL_Rect r = impl_->gameRect();
  const bool inside = windowX >= r.x && windowY >= r.y && windowX < r.x + r.w && windowY < r.y + r.h;
  const double sx = static_cast<double>(impl_->width) / r.w, sy = static_cast<double>(impl_->height) / r.h;
  gameX = std::clamp(static_cast<int>((windowX - r.x) * sx), 0, impl_->width - 1);
  gameY = std::clamp(static_cast<int>((windowY - r.y) * sy), 0, impl_->height - 1);
  return inside;
}

void GraphicsDevice::setTitle(std::string_view sjisTitle) {
  impl_->title.assign(sjisTitle);
  if (impl_->window) SDL_SetWindowTitle(impl_->window, sjisToUtf8(sjisTitle).c_str());
}

const std::string& GraphicsDevice::title() const {
  return impl_->title;
}

void GraphicsDevice::setKeepLastFrame(bool keep) {
  impl_->keepLastFrame = keep;
}

bool GraphicsDevice::saveLastFrame(const std::filesystem::path& png) const {
  SDL_Surface* frame = impl_->headless ? impl_->target.get() : impl_->lastFrame.get();
  if (!frame) return false;
  return IMG_SavePNG(frame, png.c_str()) == 0;
}

std::uint32_t GraphicsDevice::pixelAt(int x, int y) const {
  SDL_Surface* frame = impl_->headless ? impl_->target.get() : impl_->lastFrame.get();
  if (!frame || x < 0 || y < 0 || x >= frame->w || y >= frame->h) return 0;
  const auto* row =
      static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
  return 0xFF000000u | (reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFFu);
}

DeviceTexture::~DeviceTexture() {
  // A reset leaves the handle to be destroyed by its owner.
  if (texture_) SDL_DestroyTexture(texture_);
}

bool DeviceTexture::valid() const {
  return generation_ == device_.resetGeneration();
}

void DeviceTexture::upload(const std::uint32_t* argb, int pitch) {
  if (valid()) SDL_UpdateTexture(texture_, nullptr, argb, pitch * 4);
}

std::unique_ptr<DeviceTexture> GraphicsDevice::createTexture(int width, int height) {
  SDL_Texture* texture =
      SDL_CreateTexture(impl_->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
  if (!texture) return nullptr;
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  return std::unique_ptr<DeviceTexture>(new DeviceTexture(*this, texture, impl_->generation));
}

void GraphicsDevice::drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                              bool blend) {
  if (!texture.valid()) return;
  SDL_Texture* tex = texture.texture_;
  const Uint8 cr = static_cast<Uint8>(colour >> 16), cg = static_cast<Uint8>(colour >> 8),
              cb = static_cast<Uint8>(colour), ca = static_cast<Uint8>(colour >> 24);
  SDL_SetTextureBlendMode(tex, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  const QuadCorner &tl = corners[0], &tr = corners[1], &bl = corners[2], &br = corners[3];
  const bool axisAligned = tl.y == tr.y && bl.y == br.y && tl.x == bl.x && tr.x == br.x;
  if (axisAligned) {
    // A quad that is not turned is a rectangle copy: the software renderer blits it about eight times
    // faster than it rasterises two triangles, with the same point-sampled texels. The colour goes in
    // as the texture's modulation, set on every draw: the triangle path leaves its own behind.
    int tw = 0, th = 0;
    SDL_QueryTexture(tex, nullptr, nullptr, &tw, &th);
    const int u0 = static_cast<int>(std::lround(tl.u * static_cast<float>(tw)));
    const int v0 = static_cast<int>(std::lround(tl.v * static_cast<float>(th)));
    const int u1 = static_cast<int>(std::lround(br.u * static_cast<float>(tw)));
    const int v1 = static_cast<int>(std::lround(br.v * static_cast<float>(th)));
    const SDL_Rect src{u0, v0, u1 - u0, v1 - v0};
    float x0 = tl.x, x1 = br.x, y0 = tl.y, y1 = br.y;
    int flip = SDL_FLIP_NONE;
    if (x1 < x0) {
      std::swap(x0, x1);
      flip |= SDL_FLIP_HORIZONTAL;
    }
    if (y1 < y0) {
      std::swap(y0, y1);
      flip |= SDL_FLIP_VERTICAL;
    }
    if (src.w <= 0 || src.h <= 0 || x1 - x0 <= 0 || y1 - y0 <= 0) return;
    const SDL_FRect dst{x0, y0, x1 - x0, y1 - y0};
    SDL_SetTextureColorMod(tex, cr, cg, cb);
    SDL_SetTextureAlphaMod(tex, ca);
    SDL_RenderCopyExF(impl_->renderer, tex, &src, &dst, 0.0, nullptr, static_cast<SDL_RendererFlip>(flip));
    return;
  }
  const SDL_Color c{cr, cg, cb, ca};
  SDL_Vertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i].position = {corners[i].x, corners[i].y};
    v[i].color = c;
    v[i].tex_coord = {corners[i].u, corners[i].v};
  }
  static const int kIndices[6] = {0, 1, 2, 2, 1, 3};
  SDL_RenderGeometry(impl_->renderer, tex, v, 4, kIndices, 6);
}

void GraphicsDevice::setFullscreen(bool fullscreen) {
  if (fullscreen == impl_->fullscreen) return;
  impl_->fullscreen = fullscreen;
  if (!impl_->window) return;
  if (fullscreen) {
    SDL_SetWindowFullscreen(impl_->window, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(impl_->window, 0);
    SDL_SetWindowSize(impl_->window, impl_->width, impl_->height + impl_->topMargin);
    SDL_SetWindowPosition(impl_->window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

bool GraphicsDevice::fullscreen() const {
  return impl_->fullscreen;
}

void GraphicsDevice::outputSize(int& width, int& height) const {
  width = impl_->width;
  height = impl_->height;
  if (impl_->window) SDL_GetWindowSize(impl_->window, &width, &height);
}

bool GraphicsDevice::texturesPersist() const {
  return impl_->software;
}

void GraphicsDevice::notifyDeviceReset() {
  // The software renderer's textures live in memory and survive anything; others must be made again.
  if (!texturesPersist()) ++impl_->generation;
}
std::uint64_t GraphicsDevice::resetGeneration() const {
  return impl_->generation;
}

SDL_Window* GraphicsDevice::window() const {
  return impl_->window;
}
SDL_Renderer* GraphicsDevice::renderer() const {
  return impl_->renderer;
}

}  // namespace tavrik
