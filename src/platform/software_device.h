// The software driver: the game drawn into an 800 x 600 XRGB picture in memory. A headless run keeps
// it for screenshots and tests; a window without a GPU is shown it at every present.
#pragma once

#include "platform/graphics_device.h"

namespace tavrik {

class SoftwareDevice : public GraphicsDevice {
 public:
  // window may be null: a headless device.
  static std::unique_ptr<GraphicsDevice> create(std::unique_ptr<DisplayWindow> window, std::string* error);
  ~SoftwareDevice() override;

  void beginScene() override;
  void clear(std::uint32_t argb) override;
  void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                bool blend) override;
  void endScene() override;
  void present() override;
  std::unique_ptr<DeviceTexture> createTexture(int width, int height) override;
  bool texturesPersist() const override { return true; }
  void setOverlay(std::function<void()> overlay) override;
  SDL_Renderer* overlayRenderer() override;
  bool saveLastFrame(const std::filesystem::path& png) const override;
  std::uint32_t pixelAt(int x, int y) const override;
  bool readFrame(std::vector<std::uint32_t>& pixels) override;

 private:
  explicit SoftwareDevice(std::unique_ptr<DisplayWindow> window);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavrik
