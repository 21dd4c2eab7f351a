// The drawing surface of the player: an accelerated renderer on the window, or a software renderer on
// an 800 x 600 buffer of real pixels when the player runs headless.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace tavrik {

class GraphicsDevice;

// A texture on the device. Its owner keeps the pixels: after the device is reset the texture is no
// longer valid and is made and uploaded again from them.
class DeviceTexture {
 public:
  ~DeviceTexture();
  DeviceTexture(const DeviceTexture&) = delete;
  DeviceTexture& operator=(const DeviceTexture&) = delete;

  bool valid() const;
  // Replaces every texel with width x height ARGB values (straight alpha), rows pitch pixels apart.
  void upload(const std::uint32_t* argb, int pitch);

 private:
  friend class GraphicsDevice;
  DeviceTexture(GraphicsDevice& device, SDL_Texture* texture, std::uint64_t generation)
      : device_(device), texture_(texture), generation_(generation) {}

  GraphicsDevice& device_;
  SDL_Texture* texture_;
  std::uint64_t generation_;
};

// A corner of a textured quad: screen position and texture coordinates in [0, 1].
struct QuadCorner {
  float x, y, u, v;
};

struct DeviceOptions {
  bool headless = false;
  bool fullscreen = false;
  int width = 800;
  int height = 600;
  int topMargin = 0;  // a strip above the game in the window (the menu bar)
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

  // The game's frame is drawn between beginScene and endScene into an 800 x 600 picture of its own;
  // present shows that picture in the window (below the menu strip, or scaled in fullscreen) with the
  // overlay on top. Presenting without drawing shows the last frame again.
  void beginScene();
  void clear(std::uint32_t argb);
  void endScene();
  void present();

  // Textures for the scene's tiles; nothing when the device cannot make one.
  std::unique_ptr<DeviceTexture> createTexture(int width, int height);
  // Draws a quad (corners: top left, top right, bottom left, bottom right) with its texels multiplied by
  // an ARGB colour and point sampling. Without blend the result replaces the target; that gives the
  // same pixels as blending for opaque texels at full alpha, for less work.
  void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour, bool blend);

  // The desktop-sized fullscreen with the 800 x 600 picture scaled and letterboxed, or the window.
  void setFullscreen(bool fullscreen);
  bool fullscreen() const;

  // Undoes a maximisation of the window (the player switches to fullscreen instead).
  void restoreWindow();

  // A strip of this many pixels above the game area in the window (the menu bar); 0 at first.
  void setTopMargin(int pixels);
  int topMargin() const;
  // Drawn over the game picture at every present, in window pixels (the menu bar).
  void setOverlay(std::function<void()> overlay);
  // A window position in game pixels: false when it lies outside the game picture (over the menu
  // strip or the black bars of fullscreen), with the position clamped into the picture.
  bool windowToGame(int windowX, int windowY, int& gameX, int& gameY) const;
  // Size of the window's drawing area in window-system pixels (the game size in headless mode).
  void outputSize(int& width, int& height) const;

  // Textures keep their contents for good (the software renderer): their owners need no copy.
  bool texturesPersist() const;

  // The renderer lost its textures (a render-device reset); every texture made before is invalid.
  void notifyDeviceReset();
  std::uint64_t resetGeneration() const;

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
