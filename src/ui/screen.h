// The player's own screens over the game, drawn by the overlay: the save and load slots, the volume and
// auto-mode settings, and the history of the text shown. Each is answered with the keyboard or the mouse
// as the boxes are: a click is tested against where the screen last drew its parts, in the overlay's
// pixels, so that an events file drives them as a hand does. The game stands still while one is open.
#pragma once

#include <string>

#include "platform/window_events.h"

namespace tavrik {

// What a screen asks of the player after an input.
struct ScreenAction {
  enum class Kind { None, Close, Pick, Changed, Remove, Return, Run };
  Kind kind = Kind::None;
  int slot = 0;     // Pick and Remove: the slot (1 to 10, 0 the quick save, -1 the automatic one)
  int entry = -1;   // Return: the history entry to go back to (0 the oldest)
  int command = 0;  // Run: the command to run

  static ScreenAction close() { return {Kind::Close, 0}; }
  static ScreenAction pick(int slot) { return {Kind::Pick, slot}; }
  static ScreenAction changed() { return {Kind::Changed, 0}; }
  static ScreenAction remove(int slot) { return {Kind::Remove, slot}; }
  static ScreenAction returnTo(int entry) { return {Kind::Return, 0, entry}; }
  static ScreenAction runCommand(int id) { return {Kind::Run, 0, -1, id}; }
};

// A rectangle where a screen drew a part, in the overlay's pixels.
struct ScreenRect {
  float left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class PlayerScreen {
 public:
  virtual ~PlayerScreen() = default;
  // Builds the screen in a frame of the overlay.
  virtual void build() = 0;
  virtual ScreenAction key(Key key) = 0;
  // A left click (button released) at x, y in the overlay's pixels; a right click closes every screen.
  virtual ScreenAction click(int x, int y) = 0;
  // The pointer moved to x, y: what it is over takes the keyboard's place, so that one highlight shows
  // what Return would take.
  virtual void pointer(int x, int y) {
    (void)x;
    (void)y;
  }
  virtual ScreenAction wheel(int notches) {
    (void)notches;
    return {};
  }
  // What a reader says of the item the highlight is on (UTF-8), for a player who cannot see it; empty
  // for nothing.
  virtual std::string focusWords() const { return {}; }
  // Every character the screen shows, for the overlay's atlas (UTF-8).
  virtual std::string characters() const = 0;
};

}  // namespace tavrik
