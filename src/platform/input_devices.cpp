#include "platform/input_devices.h"

#include <SDL.h>

#include <algorithm>

namespace tavrik {

float stickContribution(int v) {
  if (v <= -800) return -1.0f;
  if (v >= 800) return 1.0f;
  // The ramps multiply by the single-precision 1/600.
  constexpr float kStep = 1.0f / 600.0f;
  if (v < -200) return static_cast<float>(v + 200) * kStep;
  if (v > 200) return static_cast<float>(v - 200) * kStep;
  return 0.0f;
}

void addController(PadState& pad, const ControllerReading& reading) {
  pad.up |= reading.y < -200;
  pad.down |= reading.y > 200;
  pad.left |= reading.x < -200;
  pad.right |= reading.x > 200;
  for (std::size_t k = 0; k < reading.buttons.size(); ++k)
    pad.buttons[k] = pad.buttons[k] || reading.buttons[k];
  pad.y += stickContribution(reading.y);
  pad.x += stickContribution(reading.x);
}

InputDevices::~InputDevices() {
  for (void* c : controllers_) SDL_GameControllerClose(static_cast<SDL_GameController*>(c));
}

void InputDevices::openControllers() {
  for (void* c : controllers_) SDL_GameControllerClose(static_cast<SDL_GameController*>(c));
  controllers_.clear();
  // Controllers are a bonus: without them (or without their subsystem) the keyboard and mouse still
  // play. The subsystem leaves a message in SDL_GetError even when it works, so its result alone counts.
  if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER) && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
  // Presses also arrive as events, for the player's own use of the buttons (the pads go on reading the
  // state at each poll); SDL sends them only for the controllers opened here.
  SDL_GameControllerEventState(SDL_ENABLE);
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (!SDL_IsGameController(i)) continue;
    if (SDL_GameController* c = SDL_GameControllerOpen(i)) controllers_.push_back(c);
  }
}

void InputDevices::setPadButton(PadButton button, bool held) {
  const auto index = static_cast<std::size_t>(button);
  if (index < played_.buttons.size()) played_.buttons[index] = held;
}

void InputDevices::setStick(int x, int y) {
  played_.x = std::clamp(x, -1000, 1000);
  played_.y = std::clamp(y, -1000, 1000);
}

void InputDevices::holdBack(PadButton button) {
  const auto index = static_cast<std::size_t>(button);
  if (index < heldBack_.size()) heldBack_[index] = true;
}

void InputDevices::setKeyHeld(PadKey key, bool held) {
  if (key == PadKey::Count) return;
  const auto k = static_cast<std::size_t>(key);
  if (held && focused_) {
    keys_[k] = true;
    unseen_[k] = true;
    releasePending_[k] = false;
  } else if (unseen_[k] && focused_) {
    // A tap shorter than a frame would be gone before any poll saw it: the key stays down for the next
    // poll and goes up after it.
    releasePending_[k] = true;
  } else {
    keys_[k] = false;
  }
}

void InputDevices::setHeldKeys(const HeldKeys& keys) {
  for (std::size_t k = 0; k < keys.size(); ++k) keys_[k] = keys[k] && focused_;
}

void InputDevices::setFocused(bool focused) {
  focused_ = focused;
  if (!focused) {
    keys_.fill(false);
    unseen_.fill(false);
    releasePending_.fill(false);
  }
}

void InputDevices::poll() {
  pads_.fill(PadState{});
  if (!focused_) return;
  // The keys read now; taps held back for this poll go up after it.
  const HeldKeys now = keys_;
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    if (releasePending_[k]) keys_[k] = false;
    unseen_[k] = releasePending_[k] = false;
  }
  auto held = [&now](PadKey k) { return now[static_cast<std::size_t>(k)]; };
  PadState& pad = pads_[0];
  pad.up = held(PadKey::Up);
  pad.down = held(PadKey::Down);
  pad.left = held(PadKey::Left);
  pad.right = held(PadKey::Right);
  pad.buttons[0] = held(PadKey::Return) || held(PadKey::Space) || held(PadKey::Z);
  pad.buttons[1] = held(PadKey::X);
  pad.buttons[2] = held(PadKey::C);
  pad.buttons[3] = held(PadKey::V);
  pad.up2 = held(PadKey::E);
  pad.down2 = held(PadKey::D);
  pad.left2 = held(PadKey::S);
  pad.right2 = held(PadKey::F);
  // Up wins over down and left over right.
  pad.y += pad.up ? -1.0f : (pad.down ? 1.0f : 0.0f);
  pad.x += pad.left ? -1.0f : (pad.right ? 1.0f : 0.0f);
  pad.y2 += pad.up2 ? -1.0f : (pad.down2 ? 1.0f : 0.0f);
  pad.x2 += pad.left2 ? -1.0f : (pad.right2 ? 1.0f : 0.0f);

  addController(pad, played_);
  std::array<bool, 4> stillHeld{};
  for (void* handle : controllers_) {
    auto* c = static_cast<SDL_GameController*>(handle);
    if (!SDL_GameControllerGetAttached(c)) continue;
    auto scaled = [&](SDL_GameControllerAxis axis) {
      const int raw = SDL_GameControllerGetAxis(c, axis);
      return std::clamp(raw * 1000 / 32767, -1000, 1000);
    };
    ControllerReading reading;
    reading.x = scaled(SDL_CONTROLLER_AXIS_LEFTX);
    reading.y = scaled(SDL_CONTROLLER_AXIS_LEFTY);
    const SDL_GameControllerButton buttons[4] = {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B,
                                                 SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y};
    for (std::size_t k = 0; k < 4; ++k) {
      reading.buttons[k] = SDL_GameControllerGetButton(c, buttons[k]) != 0;
      stillHeld[k] = stillHeld[k] || reading.buttons[k];
      if (heldBack_[k]) reading.buttons[k] = false;
    }
    addController(pad, reading);
  }
  for (std::size_t k = 0; k < 4; ++k) heldBack_[k] = heldBack_[k] && stillHeld[k];
}

}  // namespace tavrik
