// The drawing surface of the player: an accelerated renderer on the window, or a software renderer on
// an 800 x 600 buffer of real pixels when the player runs headless.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

struct SDL_Window;
struct SDL_Renderer;

namespace tavrik {

struct DeviceOptions {
  bool headless = false;
  bool fullscreen = false;
  int width = 800;
  int height = 600;
  std::string titleUtf8;
};

class GraphicsDevice {
 public:
  // Nothing, with a reason in error, when neither a window nor a renderer can be had.
  static std::unique_ptr<GraphicsDevice> create(const DeviceOptions& options, std::string* error);
  ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  bool headless() const;
  int width() const;
  int height() const;
  // The display's refresh rate in Hz, 0 when unknown; presentation waits for the retrace only when
  // the renderer has vertical sync.
  int refreshRate() const;
  bool hasVsync() const;

  void beginScene();
  void clear(std::uint32_t argb);
  void endScene();
  void present();

  // The window caption, given in Shift-JIS; kept (and readable) in headless mode too.
  void setTitle(std::string_view sjisTitle);
  const std::string& title() const;

  // Keeps a copy of each frame as it is presented, so that the last one can be saved.
  void setKeepLastFrame(bool keep);
  bool saveLastFrame(const std::filesystem::path& png) const;
  // ARGB of one pixel of the last presented frame (headless, or with keepLastFrame).
  std::uint32_t pixelAt(int x, int y) const;

  SDL_Window* window() const;
  SDL_Renderer* renderer() const;

 private:
  struct Impl;
  explicit GraphicsDevice(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tavrik
