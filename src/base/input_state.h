// The mouse and the keys as plain values. The platform fills them from the window's events, the scene
// and the engine read them, and a stored game keeps them: they live below all three so that the
// engine's state needs nothing of the devices behind them.
#pragma once

#include <array>
#include <cstddef>
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

// The keys the pad reads. Return, Space and Z are all the decide button.
enum class PadKey { Return, Space, Z, X, C, V, Up, Down, Left, Right, E, D, S, F, Count };

// The keys held, as the key events left them (stored with a game and restored).
using HeldKeys = std::array<bool, static_cast<std::size_t>(PadKey::Count)>;

}  // namespace tavrik
