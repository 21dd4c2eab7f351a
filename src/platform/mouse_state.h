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
};

}  // namespace tavrik
