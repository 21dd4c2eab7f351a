#pragma once

#include <cstdint>

namespace tavrik {

// The cursor in game pixels and the three buttons, as the window's events last left them. The mouse
// is not captured: a button released outside the window stays down until the next release inside.
struct MouseState {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool left = false;
  bool middle = false;
  bool right = false;
  // The left button went down since the last frame, and where it was then: a pointer that arrives and
  // presses within one frame (a tap) pressed there, wherever it is by the time the frame looks. Not
  // part of a stored game: it lasts one frame.
  bool leftPressed = false;
  std::int32_t pressX = 0;
  std::int32_t pressY = 0;
};

}  // namespace tavrik
