// The drawing surface of the player. One interface, one driver per backend: the window driver draws
// with the accelerated SDL_Renderer of a window; the software driver draws into an 800 x 600 picture in
// memory, which a window without a GPU shows and a headless run keeps for screenshots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct SDL_Renderer;

namespace tavrik {

class DisplayWindow;

// A texture of a device. Its owner keeps the pixels: after the device is reset the texture is no longer
// valid and is made and uploaded again from them.
class DeviceTexture {
 public:
  virtual ~DeviceTexture() = default;
  virtual bool valid() const = 0;
  // Replaces every texel with width x height ARGB values (straight alpha), rows pitch pixels apart.
  virtual void upload(const std::uint32_t* argb, int pitch) = 0;
};

// A corner of a textured quad: screen position and texture coordinates in [0, 1].
struct QuadCorner {
  float x, y, u, v;
};

class WorkerPool;

// Pixels in memory the player's interface is painted into: XRGB, rows pitch pixels apart; the threads
// that may share the painting, started when first asked for, where the device has them.
struct OverlayCanvas {
  std::uint32_t* pixels = nullptr;
  int width = 0, height = 0, pitch = 0;
  std::function<WorkerPool*()> threads;
};

struct DeviceOptions {
  bool headless = false;
  bool fullscreen = false;
  int topMargin = 0;  // a strip above the game in the window (the menu bar)
  // The game's size in the window (DisplayWindow::setScale) and whether it is scaled smoothly.
  double scale = 1;
  bool smooth = false;
  std::string titleUtf8;
  bool hidden = false;  // the window shows when it is told to
  // The window is mapped with its first frame rather than before it (a window at another scale shows
  // at once: its size waits for the window manager's frame).
  bool showWithFirstFrame = false;
  bool drawInMemory = false;  // the software driver in a window, whatever SDL_RENDER_DRIVER names
  // The threads the software driver draws a busy frame on: 0 is one per core.
  int drawThreads = 0;
};

class GraphicsDevice {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  // The software driver for a headless run; for a window, the window driver, or the software driver
  // where there is no GPU (SDL_RENDER_DRIVER, when set, chooses the window driver's renderer). Nothing,
  // with a reason in error, when neither a window nor a renderer can be had.
  static std::unique_ptr<GraphicsDevice> create(const DeviceOptions& options, std::string* error);
  virtual ~GraphicsDevice();
  GraphicsDevice(const GraphicsDevice&) = delete;
  GraphicsDevice& operator=(const GraphicsDevice&) = delete;

  // The game's frame is drawn between beginScene and endScene into an 800 x 600 picture of its own;
  // present shows that picture (in the window, below the menu strip or scaled in fullscreen, with the
  // overlay on top). Presenting without drawing shows the last frame again.
  virtual void beginScene() = 0;
  virtual void clear(std::uint32_t argb) = 0;
  // Draws a quad (corners: top left, top right, bottom left, bottom right) with its texels multiplied by
  // an ARGB colour and point sampling. Without blend the result replaces the target; that gives the
  // same pixels as blending for opaque texels at full alpha, for less work.
  virtual void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                        bool blend) = 0;
  virtual void endScene() = 0;
  virtual void present() = 0;

  // Textures for the scene's tiles; nothing when the device cannot make one.
  virtual std::unique_ptr<DeviceTexture> createTexture(int width, int height) = 0;
  // A texture that takes texels (straight alpha, rows pitch apart) as its own storage instead of
  // copying them, where the device keeps its textures in memory; texels is then empty. Nothing, with
  // texels as they were, where it cannot.
  virtual std::unique_ptr<DeviceTexture> adoptTexture(int /*width*/, int /*height*/,
                                                      std::unique_ptr<std::uint32_t[]>& /*texels*/,
                                                      int /*pitch*/) {
    return nullptr;
  }
  // Textures keep their contents for good: their owners need no copy.
  virtual bool texturesPersist() const = 0;
  // The renderer lost its textures (a render-device reset); every texture made before is invalid.
  virtual void notifyDeviceReset() {}
  // How many threads draw a busy frame.
  virtual int drawThreads() const { return 1; }

  // Keeps a copy of each frame as it is drawn, so that the last one can be saved (the software driver
  // always has it).
  void setKeepLastFrame(bool keep) { keepLastFrame_ = keep; }
  virtual bool saveLastFrame(const std::filesystem::path& png) const = 0;
  // ARGB of one pixel of the last drawn frame; 0 outside it or when none is kept.
  virtual std::uint32_t pixelAt(int x, int y) const = 0;
  // The game's last drawn frame, without the player's interface over it: kWidth x kHeight pixels,
  // 0xFFRRGGBB, row by row. False when there is none.
  virtual bool readFrame(std::vector<std::uint32_t>& pixels);

  // Drawn over the game at every present: in the window, or into the frame of a headless run (the
  // player's menus and boxes). The renderer it draws with.
  virtual void setOverlay(std::function<void()> overlay);
  // The interface is painted into pixels in memory (overlayCanvas) rather than drawn with a renderer
  // (overlayRenderer): headless, and in a window without a GPU.
  virtual bool overlayInMemory() const;
  // Those pixels, for the overlay to paint into as it is drawn; false where there are none.
  virtual bool overlayCanvas(OverlayCanvas& canvas);
  // The renderer the overlay draws with otherwise; null where it has none.
  virtual SDL_Renderer* overlayRenderer() = 0;

  // The window the frames are shown in; null for a headless run.
  DisplayWindow* window() const { return window_.get(); }
  bool headless() const { return window_ == nullptr; }

  // The window caption, given in Shift-JIS; kept (and readable) in headless mode too.
  void setTitle(std::string_view sjisTitle);
  const std::string& title() const { return title_; }

 protected:
  explicit GraphicsDevice(std::unique_ptr<DisplayWindow> window);

  std::unique_ptr<DisplayWindow> window_;
  bool keepLastFrame_ = false;

 private:
  std::string title_;
};

}  // namespace tavrik
