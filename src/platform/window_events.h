// Window-system events translated into the player's own terms, so the application never sees SDL.
// Events read from an events file use the same type and go through the same handling.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tavrik {

enum class Key {
  Unknown,
  Return,
  Space,
  Z,
  X,
  C,
  V,
  Up,
  Down,
  Left,
  Right,
  E,
  D,
  S,
  F,
  Escape,
  Tab,
  F1,
  F10,
  LeftAlt,
  RightAlt,
  LeftShift,
  RightShift,
  // The player's own keys: skip, auto mode, the save, load and settings screens, the history.
  A,
  F2,
  F3,
  F4,
  F5,
  F9,
  F12,
  PageUp,
  PageDown,
  Home,
  End,
  LeftCtrl,
  RightCtrl,
  R,
  Delete,
  Backspace,
  H,
  P,
};

// Back: the first of a mouse's thumb buttons, the one desktops take for "go back".
enum class MouseButton { Left, Middle, Right, Back };

// A game controller's buttons, named by where they sit on a common controller; None for no button.
enum class PadButton {
  A,
  B,
  X,
  Y,
  Back,
  Guide,
  Start,
  LeftShoulder,
  RightShoulder,
  Up,
  Down,
  Left,
  Right,
  None
};

struct WindowEvent {
  enum class Type {
    Close,       // the window's close button
    MouseMove,   // x, y in game pixels
    ButtonDown,  // button
    ButtonUp,    // button
    KeyDown,     // key, alt, shift
    KeyUp,       // key
    FocusGained,
    FocusLost,
    Exposed,             // the window needs drawing
    MenuCommand,         // a menu command id
    DeviceReset,         // the renderer lost its textures
    ControllersChanged,  // a game controller was plugged in or out
    MaximizeRequest,     // the window was maximised (which switches fullscreen instead)
    Wheel,               // the mouse wheel turned: y notches, positive away from the user
    PadButtonDown,       // padButton, on any game controller
    PadButtonUp,         // padButton
    PadAxis,             // the left stick at x, y, in thousandths from -1000 to 1000
  };
  Type type = Type::Close;
  int x = 0;
  int y = 0;
  MouseButton button = MouseButton::Left;
  PadButton padButton = PadButton::A;
  Key key = Key::Unknown;
  bool alt = false;
  bool shift = false;
  bool repeat = false;
  int command = 0;
  // Mouse positions from the window system are in window pixels; the events file gives game pixels.
  bool windowPixels = false;
  // A controller's event from the window system: the pads read such a controller's state themselves.
  // The events file's controller is known only by its events.
  bool device = false;
};

// Sees every window-system event (an SDL_Event) first; true when it takes the event for itself.
using RawEventFilter = std::function<bool(const void* sdlEvent)>;

// The next window event, waiting at most timeoutMs (0: do not wait, negative: wait without limit).
// Events the player has no use for, and those the filter takes, are skipped.
std::optional<WindowEvent> nextWindowEvent(int timeoutMs, const RawEventFilter& filter = {});

// The player's own form of a window-system event (an SDL_Event); nothing for the events it ignores.
std::optional<WindowEvent> translateEvent(const void* sdlEvent);

// A key by its SDL name (Return, Space, Z, Escape, F1, Up ...); Unknown for keys the player ignores,
// nothing for a name SDL does not know. An underscore stands for a space ("Left_Ctrl").
std::optional<Key> keyFromName(std::string_view name);

}  // namespace tavrik
