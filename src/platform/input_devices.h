// The keyboard (and, later, game controllers) merged once per frame into one pad record.
#pragma once

#include <array>
#include <vector>

#include "base/input_state.h"
#include "platform/window_events.h"

namespace tavrik {

struct PadState {
  bool up = false, down = false, left = false, right = false;
  std::array<bool, 128> buttons{};
  bool up2 = false, down2 = false, left2 = false, right2 = false;
  float x = 0, y = 0;
  float x2 = 0, y2 = 0;
};

// One game controller as read in a poll: the left stick scaled to -1000..1000 and its first four
// buttons.
struct ControllerReading {
  int x = 0;
  int y = 0;
  std::array<bool, 4> buttons{};
};

// What a stick axis adds to the pad's float: nothing in the dead zone up to 200, a ramp to 800, then 1.
float stickContribution(int value);
// Merges one controller into a pad: directions and buttons by OR, stick values added (not clamped).
void addController(PadState& pad, const ControllerReading& reading);

class InputDevices {
 public:
  static constexpr int kPadCount = 16;

  InputDevices() = default;
  ~InputDevices();
  InputDevices(const InputDevices&) = delete;
  InputDevices& operator=(const InputDevices&) = delete;

  // Key state as the window's key events report it. A key pressed and let go between two polls is seen
  // held by the next poll, as a quick tap would otherwise be lost.
  void setKeyHeld(PadKey key, bool held);
  // While the window is not focused no key reaches the pads, and keys held when focus left are released.
  void setFocused(bool focused);

  // The keys held, as the key events left them (stored with a game and restored).
  const HeldKeys& heldKeys() const { return keys_; }
  void setHeldKeys(const HeldKeys& keys);

  // The controller an events file plays: its buttons and its left stick (-1000 to 1000), read into pad
  // 0 as an attached controller's are. Only its first four buttons and the stick reach the pads.
  void setPadButton(PadButton button, bool held);
  void setStick(int x, int y);
  // The player's interface took a press of the button (a screen, a box, the hidden text): the attached
  // controllers' button is not read until it has been let go, so that the game does not see it too.
  void holdBack(PadButton button);

  // Opens every attached game controller (again, after one was plugged in or out), starting SDL's
  // controller subsystem the first time.
  void openControllers();

  // Clears every pad and fills pad 0 from the current key states and controllers.
  void poll();
  const PadState& pad(int index) const { return pads_[static_cast<std::size_t>(index)]; }

 private:
  std::array<PadState, kPadCount> pads_{};
  HeldKeys keys_{};
  HeldKeys unseen_{};          // went down since the last poll
  HeldKeys releasePending_{};  // and came up again before that poll saw it
  bool focused_ = true;
  ControllerReading played_;        // the events file's controller
  std::array<bool, 4> heldBack_{};  // the attached controllers' buttons the interface took
  std::vector<void*> controllers_;  // SDL_GameController handles
};

}  // namespace tavrik
