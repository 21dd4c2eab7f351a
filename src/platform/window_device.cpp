#include "platform/window_device.h"

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

bool WindowDevice::saveLastFrame(const std::filesystem::path& png) const {
  return impl_->lastFrame && IMG_SavePNG(impl_->lastFrame.get(), png.c_str()) == 0;
}

std::uint32_t WindowDevice::pixelAt(int x, int y) const {
  const SDL_Surface* frame = impl_->lastFrame.get();
  if (!frame || x < 0 || y < 0 || x >= frame->w || y >= frame->h) return 0;
  const auto* row =
      static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
  return 0xFF000000u | (reinterpret_cast<const std::uint32_t*>(row)[x] & 0x00FFFFFFu);
}

}  // namespace tavrik
