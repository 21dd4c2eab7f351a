#include "platform/software_device.h"

#include <SDL.h>
#include <SDL_image.h>

#include "platform/display_window.h"
#include "platform/renderer_quads.h"

namespace tavrik {

namespace {

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

}  // namespace

struct SoftwareDevice::Impl {
  // The frame: XRGB, because an ARGB target loses its alpha under blending in SDL's software renderer.
  std::unique_ptr<SDL_Surface, SurfaceDeleter> frame;
  SDL_Renderer* renderer = nullptr;  // SDL's software renderer on the frame
  SDL_Texture* shown = nullptr;      // the frame as a texture of the window's renderer
  std::uint64_t generation = 0;      // textures in memory are never lost
};

SoftwareDevice::SoftwareDevice(std::unique_ptr<DisplayWindow> window)
    : GraphicsDevice(std::move(window)), impl_(std::make_unique<Impl>()) {}

SoftwareDevice::~SoftwareDevice() {
  if (impl_->shown) SDL_DestroyTexture(impl_->shown);
  if (impl_->renderer) SDL_DestroyRenderer(impl_->renderer);
}

std::unique_ptr<GraphicsDevice> SoftwareDevice::create(std::unique_ptr<DisplayWindow> window,
                                                       std::string* error) {
  std::unique_ptr<SoftwareDevice> device(new SoftwareDevice(std::move(window)));
  Impl& impl = *device->impl_;
  impl.frame.reset(SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888));
  if (impl.frame) impl.renderer = SDL_CreateSoftwareRenderer(impl.frame.get());
  if (impl.renderer && device->window_) {
    impl.shown = SDL_CreateTexture(device->window_->renderer(), SDL_PIXELFORMAT_RGB888,
                                   SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
  }
  if (!impl.renderer || (device->window_ && !impl.shown)) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_SetRenderDrawColor(impl.renderer, 0, 0, 0, 255);
  SDL_RenderClear(impl.renderer);
  return device;
}

void SoftwareDevice::beginScene() {}

void SoftwareDevice::clear(std::uint32_t argb) {
  clearRenderer(impl_->renderer, argb);
}

void SoftwareDevice::drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                              bool blend) {
  drawRendererQuad(impl_->renderer, static_cast<RendererTexture&>(texture), corners, colour, blend);
}

void SoftwareDevice::endScene() {
  // Whatever the renderer still holds reaches the frame now.
  SDL_RenderFlush(impl_->renderer);
}

void SoftwareDevice::present() {
  if (!window_) return;
  SDL_UpdateTexture(impl_->shown, nullptr, impl_->frame->pixels, impl_->frame->pitch);
  window_->present(impl_->shown);
}

std::unique_ptr<DeviceTexture> SoftwareDevice::createTexture(int width, int height) {
  return RendererTexture::create(impl_->renderer, width, height, impl_->generation);
}

bool SoftwareDevice::saveLastFrame(const std::filesystem::path& png) const {
  return IMG_SavePNG(impl_->frame.get(), png.c_str()) == 0;
}

std::uint32_t SoftwareDevice::pixelAt(int x, int y) const {
  const SDL_Surface* frame = impl_->frame.get();
  if (x < 0 || y < 0 || x >= frame->w || y >= frame->h) return 0;
  const auto* row =
      static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
  return 0xFF000000u | (reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFFu);
}

}  // namespace tavrik
