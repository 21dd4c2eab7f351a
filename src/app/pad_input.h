// A game controller as the player's own interface takes it: its buttons as the keys they stand for on
// the screens and in the boxes, and the left stick as the pad's four directions.
#pragma once

#include <optional>
#include <vector>

#include "platform/window_events.h"

namespace tavrik {

// The pad's directions are the arrow keys, button 1 (A) is Return, button 2 (B) and Start are Escape,
// button 3 (X) is Delete, button 4 (Y) is Tab (the history's next place to go back to), the shoulders
// are PageUp and PageDown. Nothing for the others.
std::optional<Key> keyForPadButton(PadButton button);

// The stick moves as the pad's directions do: a direction goes down when the stick leaves the centre
// past half way, and up when it comes back inside a third, so that a stick held still at the edge of
// the threshold does not flicker.
class StickDirections {
 public:
  // The directions let go and pressed by a move of the stick to x, y (-1000 to 1000, up negative).
  std::vector<WindowEvent> move(int x, int y);

 private:
  PadButton horizontal_ = PadButton::None;
  PadButton vertical_ = PadButton::None;
};

}  // namespace tavrik
