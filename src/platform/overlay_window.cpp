#include "platform/overlay_window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/display_window.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"

namespace tavrik {

std::unique_ptr<OverlayWindow> OverlayWindow::open(const std::string& titleUtf8, const std::string& fontFile,
                                                   int fontIndex) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  std::unique_ptr<OverlayWindow> window(new OverlayWindow);
  DeviceOptions options;
  options.titleUtf8 = titleUtf8;
  options.drawInMemory = true;
  options.hidden = true;
  window->device_ = GraphicsDevice::create(options, nullptr);
  if (window->device_) window->overlay_ = Overlay::create(*window->device_, fontFile, fontIndex);
  if (!window->overlay_) return nullptr;  // the destructor gives the video subsystem back
  return window;
}

OverlayWindow::~OverlayWindow() {
  overlay_.reset();
  device_.reset();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void OverlayWindow::frame() {
  device_->beginScene();
  device_->clear(0xFF000000u);
  device_->endScene();
  device_->present();
}

void OverlayWindow::show(int width, int height) {
  SDL_Window* window = device_->window()->sdlWindow();
  SDL_SetWindowSize(window, std::max(width, 1), std::max(height, 1));
  SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  SDL_ShowWindow(window);
}

std::optional<WindowEvent> OverlayWindow::waitEvent(int timeoutMs, bool* closed) {
  SDL_Event e;
  if (!SDL_WaitEventTimeout(&e, timeoutMs)) return std::nullopt;
  overlay_->processEvent(&e);
  if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) {
    *closed = true;
    return std::nullopt;
  }
  return translateEvent(&e);
}

}  // namespace tavrik
