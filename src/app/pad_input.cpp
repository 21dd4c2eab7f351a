#include "app/pad_input.h"

namespace tavrik {

namespace {

constexpr int kPress = 500;
constexpr int kRelease = 333;

// One axis: the direction it now holds, given the one it held.
PadButton axisDirection(int value, PadButton held, PadButton negative, PadButton positive) {
  if (value <= -kPress) return negative;
  if (value >= kPress) return positive;
  if (held == negative && value <= -kRelease) return negative;
  if (held == positive && value >= kRelease) return positive;
  return PadButton::None;
}

}  // namespace

std::optional<Key> keyForPadButton(PadButton button) {
  switch (button) {
    case PadButton::Up:
      return Key::Up;
    case PadButton::Down:
      return Key::Down;
    case PadButton::Left:
      return Key::Left;
    case PadButton::Right:
      return Key::Right;
    case PadButton::A:
      return Key::Return;
    case PadButton::B:
    case PadButton::Start:
    case PadButton::Guide:
      return Key::Escape;
    case PadButton::X:
      return Key::Delete;
    case PadButton::Y:
      return Key::Tab;
    case PadButton::LeftShoulder:
      return Key::PageUp;
    case PadButton::RightShoulder:
      return Key::PageDown;
    default:
      return std::nullopt;
  }
}

std::vector<WindowEvent> StickDirections::move(int x, int y) {
  std::vector<WindowEvent> out;
  auto change = [&out](PadButton& held, PadButton now) {
    if (now == held) return;
    WindowEvent e;
    if (held != PadButton::None) {
      e.type = WindowEvent::Type::PadButtonUp;
      e.padButton = held;
      out.push_back(e);
    }
    if (now != PadButton::None) {
      e.type = WindowEvent::Type::PadButtonDown;
      e.padButton = now;
      out.push_back(e);
    }
    held = now;
  };
  change(horizontal_, axisDirection(x, horizontal_, PadButton::Left, PadButton::Right));
  change(vertical_, axisDirection(y, vertical_, PadButton::Up, PadButton::Down));
  return out;
}

}  // namespace tavrik
