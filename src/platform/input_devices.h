// The keyboard (and, later, game controllers) merged once per frame into one pad record.
#pragma once

#include <array>

namespace tavrik {

struct PadState {
  bool up = false, down = false, left = false, right = false;
  std::array<bool, 128> buttons{};
  bool up2 = false, down2 = false, left2 = false, right2 = false;
  float x = 0, y = 0;
  float x2 = 0, y2 = 0;
};

// The keys the pad reads. Return, Space and Z are all the decide button.
enum class PadKey { Return, Space, Z, X, C, V, Up, Down, Left, Right, E, D, S, F, Count };

class InputDevices {
 public:
  static constexpr int kPadCount = 16;

  // Key state as the window's key events report it.
  void setKeyHeld(PadKey key, bool held);
  // While the window is not focused no key reaches the pads, and keys held when focus left are released.
  void setFocused(bool focused);

  // Clears every pad and fills pad 0 from the current key states.
  void poll();
  const PadState& pad(int index) const { return pads_[static_cast<std::size_t>(index)]; }

 private:
  std::array<PadState, kPadCount> pads_{};
  std::array<bool, static_cast<std::size_t>(PadKey::Count)> keys_{};
  bool focused_ = true;
};

}  // namespace tavrik
