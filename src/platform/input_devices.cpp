#include "platform/input_devices.h"

namespace tavrik {

void InputDevices::setKeyHeld(PadKey key, bool held) {
  if (key == PadKey::Count) return;
  keys_[static_cast<std::size_t>(key)] = held && focused_;
}

void InputDevices::setFocused(bool focused) {
  focused_ = focused;
  if (!focused) keys_.fill(false);
}

void InputDevices::poll() {
  pads_.fill(PadState{});
  if (!focused_) return;
  auto held = [this](PadKey k) { return keys_[static_cast<std::size_t>(k)]; };
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
}

}  // namespace tavrik
