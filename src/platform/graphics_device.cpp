#include "platform/graphics_device.h"

#include <SDL.h>

#include <filesystem>
#include <string_view>

#include "base/text_encoding.h"
#include "platform/display_window.h"
#include "platform/software_device.h"
#include "platform/window_device.h"

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

GraphicsDevice::GraphicsDevice(std::unique_ptr<DisplayWindow> window) : window_(std::move(window)) {}
GraphicsDevice::~GraphicsDevice() = default;

std::unique_ptr<GraphicsDevice> GraphicsDevice::create(const DeviceOptions& options, std::string* error) {
  if (options.headless) return SoftwareDevice::create(nullptr, options.drawThreads, error);
  // Without a GPU (no DRM render node) the accelerated renderer is a software rasteriser behind OpenGL:
  // it takes about 0.2 s to start and draws the same scene three times slower than drawing in memory
  // and showing the result on the window's plain framebuffer. SDL_RENDER_DRIVER, when set, names the
  // window driver's renderer; "software" is the software driver.
  const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);  // the variable, or a hint set in the program
  const bool software = options.drawInMemory ||
                        ((!asked || !*asked) ? !hasGpuRenderNode() : std::string_view(asked) == "software");
  std::unique_ptr<DisplayWindow> window = DisplayWindow::create(
      options, software ? DisplayWindow::Renderer::Software : DisplayWindow::Renderer::Accelerated, error);
  if (!window) return nullptr;
  return software ? SoftwareDevice::create(std::move(window), options.drawThreads, error)
                  : WindowDevice::create(std::move(window), error);
}

void GraphicsDevice::setOverlay(std::function<void()> overlay) {
  if (window_) window_->setOverlay(std::move(overlay));
}

bool GraphicsDevice::overlayInMemory() const {
  return window_ && window_->canvasInMemory();
}

bool GraphicsDevice::overlayCanvas(OverlayCanvas& canvas) {
  return window_ && window_->canvas(canvas);
}

void GraphicsDevice::setTitle(std::string_view sjisTitle) {
  title_.assign(sjisTitle);
  if (window_) window_->setTitle(sjisToUtf8(sjisTitle));
}

bool GraphicsDevice::readFrame(std::vector<std::uint32_t>& pixels) {
  pixels.resize(static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) pixels[static_cast<std::size_t>(y) * kWidth + x] = pixelAt(x, y);
  return true;
}

}  // namespace tavrik
