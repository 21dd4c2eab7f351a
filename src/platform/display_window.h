// The player's window: the SDL window and the renderer that presents to it, the menu strip above the
// game, the game's size in the window, fullscreen on the desktop's mode with the game scaled and
// letterboxed, and the mapping of window pixels back to game pixels. The drivers draw the game; the
// window shows it.
#pragma once

#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;

namespace tavrik {

struct DeviceOptions;
struct OverlayCanvas;

class DisplayWindow {
 public:
  enum class Renderer { Accelerated, Software };

  // A shown window of the game at the options' scale plus the top margin (or fullscreen), with a
  // renderer of the kind asked for; an accelerated renderer that cannot be had falls back to SDL's
  // software renderer.
  static std::unique_ptr<DisplayWindow> create(const DeviceOptions& options, Renderer renderer,
                                               std::string* error);
  ~DisplayWindow();
  DisplayWindow(const DisplayWindow&) = delete;
  DisplayWindow& operator=(const DisplayWindow&) = delete;

  SDL_Window* sdlWindow() const { return window_; }
  SDL_Renderer* renderer() const { return renderer_; }
  // The renderer is SDL's software renderer: its textures are plain memory and never lost.
  bool softwareRenderer() const { return software_; }
  // The software renderer draws into the window's framebuffer in memory, in a format the overlay can
  // paint into too.
  bool canvasInMemory() const { return canvasInMemory_; }
  // That framebuffer with what the renderer was given drawn, at present; false where there is none.
  bool canvas(OverlayCanvas& canvas);
  bool hasVsync() const { return vsync_; }
  // The display's refresh rate in Hz, 0 when unknown.
  int refreshRate() const;

  // Clears the window, copies the game's picture (a texture of this window's renderer) into its place,
  // draws the overlay and presents.
  void present(SDL_Texture* game);

  // The desktop-sized fullscreen with the 800 x 600 picture scaled and letterboxed, or the window at
  // its scale again.
  void setFullscreen(bool fullscreen);
  bool fullscreen() const { return fullscreen_; }
  // The game's size in the window: this many window pixels a game pixel, below the menu strip (which
  // keeps its own height). kFitScale is the largest 4:3 size the display's work area holds, less the
  // window's frame where the window system tells it; a scale above 1 that does not fit gives that size
  // too (never less than 1), so that the window does not reach past the screen. A window takes its new
  // size at once, keeping its centre where it can; fullscreen keeps it for when it is left.
  static constexpr double kFitScale = 0;
  void setScale(double scale);
  // The game picture scaled smoothly (linear filtering) rather than sharply (nearest pixel), in the
  // window and in fullscreen.
  void setSmooth(bool smooth) { smooth_ = smooth; }
  // Undoes a maximisation (the player switches to fullscreen instead).
  void restore();
  // A strip of this many pixels above the game area in the window (the menu bar); 0 at first.
  void setTopMargin(int pixels);
  int topMargin() const { return topMargin_; }
  // Drawn over the game picture at every present, in window pixels (the menu bar).
  void setOverlay(std::function<void()> overlay) { overlay_ = std::move(overlay); }
  // A window position in game pixels: false when it lies outside the game picture (over the menu
  // strip or the letterbox bars); the game position is then clamped to the picture.
  bool windowToGame(int windowX, int windowY, int& gameX, int& gameY) const;
  void setTitle(const std::string& utf8);

  struct Rect {
    int x, y, w, h;
  };
  // Where the game picture goes in the window, in window pixels: the area below the strip (the whole
  // screen in fullscreen), letterboxed where that is not 4:3.
  Rect gameRect() const;

 private:
  DisplayWindow() = default;
  struct Size {
    int w, h;
  };
  // The window's size outside fullscreen for its scale and top margin.
  Size windowedSize() const;
  // The window's framebuffer, where the software renderer draws, when the overlay can paint into it too.
  SDL_Surface* framebuffer() const;
  // Gives the window that size, centred in the work area or about its own centre, kept within the
  // work area where it fits.
  void sizeWindow(bool centred);

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  bool software_ = false;
  bool canvasInMemory_ = false;
  bool vsync_ = false;
  bool showPending_ = false;  // hidden until the first present
  bool presented_ = false;    // a frame has been presented
  bool fullscreen_ = false;
  int topMargin_ = 0;
  double scale_ = 1;
  bool smooth_ = false;
  std::function<void()> overlay_;
};

}  // namespace tavrik
