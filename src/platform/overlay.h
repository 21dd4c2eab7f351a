// The player's own interface drawn over the game with Dear ImGui: the menu bar and the boxes, in the
// player's Japanese font, at every present. Headless it is painted into the software frame, so that a
// screenshot shows it as a window would; in a window without a GPU, into the window's framebuffer; in
// one with a GPU it is drawn on the window's renderer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct ImFont;

namespace tavrik {

class GraphicsDevice;

// A picture the interface shows: Dear ImGui's texture id of it.
using OverlayImage = void*;

// A window-system event as the interface drawn over the game tells it apart: its kind, where the pointer
// was, and the keys the menus treat apart from the others.
struct OverlayEvent {
  enum class Kind { Other, Motion, ButtonDown, ButtonUp, Wheel, KeyDown, KeyUp, Text };
  enum class Key { Other, Escape, Down, Return, Alt };  // Return: either Enter key
  Kind kind = Kind::Other;
  Key key = Key::Other;
  int scancode = 0;  // the physical key, to tell a key's release from another's
  int x = 0, y = 0;  // the pointer, for motion, buttons and the wheel, in window pixels
};
OverlayEvent describeOverlayEvent(const void* sdlEvent);

class Overlay {
 public:
  // Nothing when the font file cannot be read. The atlas holds only the characters it was asked for.
  static std::unique_ptr<Overlay> create(GraphicsDevice& device, const std::string& fontFile, int fontIndex);
  ~Overlay();
  Overlay(const Overlay&) = delete;
  Overlay& operator=(const Overlay&) = delete;

  // Makes sure the atlas has every character of the UTF-8 text: it is built again when one is missing.
  void addCharacters(std::string_view utf8);
  // The game's text face, as a second font of the atlas (the history shows text in it).
  void setTextFace(const std::string& fontFile, int fontIndex);
  // That font, or nothing when none is set or it could not be read.
  ImFont* textFont() const;
  // A picture for the interface to show (ARGB pixels, width x height); nothing when it cannot be made. Given
  // back with destroyImage (which takes nothing too).
  OverlayImage createImage(const std::uint32_t* argb, int width, int height);
  void destroyImage(OverlayImage image);
  // What each frame of the interface holds, called between the frame's start and its drawing.
  void setContent(std::function<void()> content) { content_ = std::move(content); }
  // Feeds a window-system event (an SDL_Event) to Dear ImGui; only a window has them.
  void processEvent(const void* sdlEvent);
  // A key (an SDL scancode) down or up, as Dear ImGui's navigation reads it. A key pressed and let go
  // between two frames is held until a frame has seen it, as a quick tap would otherwise be missed.
  void setKey(int scancode, bool down);
  // Space, the key that picks in Dear ImGui's navigation, down or up.
  void setSpace(bool down);
  // Whether a window of the interface stood at (x, y), in the overlay's pixels, in the last frame built.
  bool windowAt(int x, int y) const;
  // Builds and draws one frame of the interface onto what the device last presented or drew.
  void draw();

  static constexpr float kFontSize = 16.0f;
  static constexpr float kTextFontSize = 22.0f;

 private:
  struct Impl;
  explicit Overlay(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  std::function<void()> content_;
};

}  // namespace tavrik
