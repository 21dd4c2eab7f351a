// The software driver: the game drawn into an 800 x 600 XRGB picture in memory. A headless run keeps
// it for screenshots and tests; a window without a GPU is shown it at every present. A frame's drawing
// is gathered and done at its end, in bands of rows: on several threads when there is much to draw.
#pragma once

#include "platform/graphics_device.h"

namespace tavrik {

class SoftwareDevice : public GraphicsDevice {
 public:
  // window may be null: a headless device. threads: those a busy frame is drawn on, 0 one per core.
  static std::unique_ptr<GraphicsDevice> create(std::unique_ptr<DisplayWindow> window, int threads,
                                                std::string* error);
  ~SoftwareDevice() override;

  void beginScene() override;
  void clear(std::uint32_t argb) override;
  void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                bool blend) override;
  void endScene() override;
  void present() override;
  std::unique_ptr<DeviceTexture> createTexture(int width, int height) override;
  std::unique_ptr<DeviceTexture> adoptTexture(int width, int height, std::unique_ptr<std::uint32_t[]>& texels,
                                              int pitch) override;
  bool texturesPersist() const override { return true; }
  void setOverlay(std::function<void()> overlay) override;
  SDL_Renderer* overlayRenderer() override;
  bool overlayInMemory() const override;
  bool overlayCanvas(OverlayCanvas& canvas) override;
  bool saveLastFrame(const std::filesystem::path& png) const override;
  std::uint32_t pixelAt(int x, int y) const override;
  bool readFrame(std::vector<std::uint32_t>& pixels) override;
  int drawThreads() const override;

  // The frame and what is to be drawn on it; its textures know it.
  struct Impl;

 private:
  SoftwareDevice(std::unique_ptr<DisplayWindow> window, int threads);

  // Shared with the textures, which have the frame drawn before they change or go.
  std::shared_ptr<Impl> impl_;
};

}  // namespace tavrik
