// The player's window: the SDL window and the renderer that presents to it, the menu strip above the
// game, fullscreen on the desktop's mode with the game scaled and letterboxed, and the mapping of window
// pixels back to game pixels. The drivers draw the game; the window shows it.
#pragma once

#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace tavrik {

struct DeviceOptions;

class DisplayWindow {
 public:
  enum class Renderer { Accelerated, Software };

  // A shown window of 800 x 600 plus the top margin (or fullscreen), with a renderer of the kind asked
  // for; an accelerated renderer that cannot be had falls back to SDL's software renderer.
  static std::unique_ptr<DisplayWindow> create(const DeviceOptions& options, Renderer renderer,
                                               std::string* error);
  ~DisplayWindow();
  DisplayWindow(const DisplayWindow&) = delete;
  DisplayWindow& operator=(const DisplayWindow&) = delete;

  SDL_Window* sdlWindow() const { return window_; }
  SDL_Renderer* renderer() const { return renderer_; }
  // The renderer is SDL's software renderer: its textures are plain memory and never lost.
  bool softwareRenderer() const { return software_; }
  bool hasVsync() const { return vsync_; }
  // The display's refresh rate in Hz, 0 when unknown.
  int refreshRate() const;

  // Clears the window, copies the game's picture (a texture of this window's renderer) into its place,
  // draws the overlay and presents.
  void present(SDL_Texture* game);

  // The desktop-sized fullscreen with the 800 x 600 picture scaled and letterboxed, or the window.
  void setFullscreen(bool fullscreen);
  bool fullscreen() const { return fullscreen_; }
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

 private:
  DisplayWindow() = default;
  struct Rect {
    int x, y, w, h;
  };
  // Where the game picture goes in the window.
  Rect gameRect() const;

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  bool software_ = false;
  bool vsync_ = false;
  bool fullscreen_ = false;
  int topMargin_ = 0;
  std::function<void()> overlay_;
};

}  // namespace tavrik
