// The window driver: the game drawn with the window's accelerated SDL_Renderer into an 800 x 600 target
// texture, which the window shows below the menu strip or scaled in fullscreen.
#pragma once

#include "platform/graphics_device.h"

namespace tavrik {

class WindowDevice : public GraphicsDevice {
 public:
  static std::unique_ptr<GraphicsDevice> create(std::unique_ptr<DisplayWindow> window, std::string* error);
  ~WindowDevice() override;

  void beginScene() override;
  void clear(std::uint32_t argb) override;
  void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                bool blend) override;
  void endScene() override;
  void present() override;
  std::unique_ptr<DeviceTexture> createTexture(int width, int height) override;
  bool texturesPersist() const override;
  void notifyDeviceReset() override;
  SDL_Renderer* overlayRenderer() override;
  bool saveLastFrame(const std::filesystem::path& png) const override;
  std::uint32_t pixelAt(int x, int y) const override;
  bool readFrame(std::vector<std::uint32_t>& pixels) override;

 private:
  explicit WindowDevice(std::unique_ptr<DisplayWindow> window);
  bool makeGameTarget();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavrik
