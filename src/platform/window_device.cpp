#include "platform/window_device.h"

#include <SDL.h>

#include <algorithm>

#include "platform/display_window.h"
#include "platform/image_library.h"

namespace tavrik {

namespace {

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

// A texture of an SDL_Renderer, valid while the generation it was made in is the renderer's.
class RendererTexture : public DeviceTexture {
 public:
  // generation: the owner's count of resets; the texture is valid while it equals the one it was made in.
  static std::unique_ptr<RendererTexture> create(SDL_Renderer* renderer, int width, int height,
                                                 const std::uint64_t& generation);
  ~RendererTexture() override;

  bool valid() const override { return made_ == generation_; }
  void upload(const std::uint32_t* argb, int pitch) override;
  SDL_Texture* texture() const { return texture_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  RendererTexture(SDL_Texture* texture, int width, int height, const std::uint64_t& generation)
      : texture_(texture), width_(width), height_(height), generation_(generation), made_(generation) {}
  SDL_Texture* texture_;
  int width_, height_;
  const std::uint64_t& generation_;
  std::uint64_t made_;
};

std::unique_ptr<RendererTexture> RendererTexture::create(SDL_Renderer* renderer, int width, int height,
                                                         const std::uint64_t& generation) {
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
  if (!texture) return nullptr;
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  return std::unique_ptr<RendererTexture>(new RendererTexture(texture, width, height, generation));
}

RendererTexture::~RendererTexture() {
  // After a reset the handle is still the owner's to destroy.
  if (texture_) SDL_DestroyTexture(texture_);
}

void RendererTexture::upload(const std::uint32_t* argb, int pitch) {
  if (valid()) SDL_UpdateTexture(texture_, nullptr, argb, pitch * 4);
}

void clearRenderer(SDL_Renderer* renderer, std::uint32_t argb) {
  SDL_SetRenderDrawColor(renderer, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
  SDL_RenderClear(renderer);
}

void drawRendererQuad(SDL_Renderer* renderer, RendererTexture& texture, const QuadCorner (&corners)[4],
                      std::uint32_t colour, bool blend) {
  if (!texture.valid()) return;
  SDL_Texture* tex = texture.texture();
  SDL_SetTextureBlendMode(tex, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  const SDL_Color c{static_cast<Uint8>(colour >> 16), static_cast<Uint8>(colour >> 8),
                    static_cast<Uint8>(colour), static_cast<Uint8>(colour >> 24)};
  // The player's pixel (i, j) samples the point (i, j); a GPU samples pixel (i, j) at its centre,
  // (i + 0.5, j + 0.5). Half a pixel moves the one onto the other.
  //
  // A picture at a whole position and scale samples its texels exactly on their edges, where a GPU's
  // nearest sampling may round either way from one row to the next. The texture coordinates move by a
  // sixty-fourth of a texel towards the texel the drawing rule gives such a point: the one after the
  // edge where the coordinate grows to the screen's right (or down), the one before it otherwise.
  const QuadCorner &tl = corners[0], &tr = corners[1], &bl = corners[2];
  const float ex = tr.x - tl.x, ey = tr.y - tl.y, fx = bl.x - tl.x, fy = bl.y - tl.y;
  const float det = ex * fy - fx * ey;
  if (det == 0) return;
  const float dudx = fy / det, dudy = -fx / det, dvdx = -ey / det, dvdy = ex / det;
  const bool uGrows = dudx > 0 || (dudx == 0 && dudy > 0);
  const bool vGrows = dvdx > 0 || (dvdx == 0 && dvdy > 0);
  constexpr float kNudge = 1.0f / 64;
  const float nudgeU = (uGrows ? kNudge : -kNudge) / static_cast<float>(texture.width());
  const float nudgeV = (vGrows ? kNudge : -kNudge) / static_cast<float>(texture.height());
  SDL_Vertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i].position = {corners[i].x + 0.5f, corners[i].y + 0.5f};
    v[i].color = c;
    // SDL refuses coordinates outside [0, 1]; at the texture's own edges the nudge changes nothing.
    v[i].tex_coord = {std::clamp(corners[i].u + nudgeU, 0.0f, 1.0f),
                      std::clamp(corners[i].v + nudgeV, 0.0f, 1.0f)};
  }
  static const int kIndices[6] = {0, 1, 2, 2, 1, 3};
  SDL_RenderGeometry(renderer, tex, v, 4, kIndices, 6);
}

}  // namespace

struct WindowDevice::Impl {
  SDL_Renderer* renderer = nullptr;                        // the window's
  SDL_Texture* gameTarget = nullptr;                       // the game's own 800 x 600 picture
  std::unique_ptr<SDL_Surface, SurfaceDeleter> lastFrame;  // a copy of it, when kept
  std::uint64_t generation = 0;
};

WindowDevice::WindowDevice(std::unique_ptr<DisplayWindow> window)
    : GraphicsDevice(std::move(window)), impl_(std::make_unique<Impl>()) {
  impl_->renderer = window_->renderer();
}

WindowDevice::~WindowDevice() {
  if (impl_->gameTarget) SDL_DestroyTexture(impl_->gameTarget);
}

std::unique_ptr<GraphicsDevice> WindowDevice::create(std::unique_ptr<DisplayWindow> window,
                                                     std::string* error) {
  std::unique_ptr<WindowDevice> device(new WindowDevice(std::move(window)));
  // The game keeps its 800 x 600 picture whatever the window or screen size.
  if (!device->makeGameTarget()) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  return device;
}

bool WindowDevice::makeGameTarget() {
  if (impl_->gameTarget) SDL_DestroyTexture(impl_->gameTarget);
  impl_->gameTarget =
      SDL_CreateTexture(impl_->renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, kWidth, kHeight);
  if (!impl_->gameTarget) return false;
  SDL_SetRenderTarget(impl_->renderer, impl_->gameTarget);
  SDL_SetRenderDrawColor(impl_->renderer, 0, 0, 0, 255);
  SDL_RenderClear(impl_->renderer);
  SDL_SetRenderTarget(impl_->renderer, nullptr);
  return true;
}

void WindowDevice::beginScene() {
  if (!impl_->gameTarget) makeGameTarget();
  if (impl_->gameTarget) SDL_SetRenderTarget(impl_->renderer, impl_->gameTarget);
}

void WindowDevice::clear(std::uint32_t argb) {
  clearRenderer(impl_->renderer, argb);
}

void WindowDevice::drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                            bool blend) {
  drawRendererQuad(impl_->renderer, static_cast<RendererTexture&>(texture), corners, colour, blend);
}

void WindowDevice::endScene() {
  if (!impl_->gameTarget || SDL_GetRenderTarget(impl_->renderer) != impl_->gameTarget) return;
  if (keepLastFrame_) {
    if (!impl_->lastFrame) {
      impl_->lastFrame.reset(SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888));
    }
    if (impl_->lastFrame) {
      SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_RGB888, impl_->lastFrame->pixels,
                           impl_->lastFrame->pitch);
    }
  }
  SDL_SetRenderTarget(impl_->renderer, nullptr);
}

void WindowDevice::present() {
  window_->present(impl_->gameTarget);
}

std::unique_ptr<DeviceTexture> WindowDevice::createTexture(int width, int height) {
  return RendererTexture::create(impl_->renderer, width, height, impl_->generation);
}

bool WindowDevice::texturesPersist() const {
  return window_->softwareRenderer();
}

void WindowDevice::notifyDeviceReset() {
  // SDL's software renderer keeps its textures in memory through anything; others must be made again.
  if (texturesPersist()) return;
  ++impl_->generation;
}

SDL_Renderer* WindowDevice::overlayRenderer() {
  return window_->renderer();
}

bool WindowDevice::saveLastFrame(const std::filesystem::path& png) const {
  const ImageLibrary* codecs = imageLibrary();
  return codecs && impl_->lastFrame && codecs->savePng(impl_->lastFrame.get(), png.c_str()) == 0;
}

std::uint32_t WindowDevice::pixelAt(int x, int y) const {
  const SDL_Surface* frame = impl_->lastFrame.get();
  if (!frame || x < 0 || y < 0 || x >= frame->w || y >= frame->h) return 0;
  const auto* row =
      static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
  return 0xFF000000u | (reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFFu);
}

bool WindowDevice::readFrame(std::vector<std::uint32_t>& pixels) {
  if (!impl_->gameTarget) return false;
  pixels.resize(static_cast<std::size_t>(kWidth) * kHeight);
  SDL_Texture* previous = SDL_GetRenderTarget(impl_->renderer);
  SDL_SetRenderTarget(impl_->renderer, impl_->gameTarget);
  const bool read = SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                                         kWidth * 4) == 0;
  SDL_SetRenderTarget(impl_->renderer, previous);
  if (read)
    for (std::uint32_t& p : pixels) p |= 0xFF000000u;
  return read;
}

}  // namespace tavrik
