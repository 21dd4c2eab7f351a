#include "platform/window_events.h"

#include <SDL.h>

#include <algorithm>

#include <string>

namespace tavrik {

namespace {

Key translateKey(SDL_Keycode code) {
  switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return Key::Return;
    case SDLK_SPACE:
      return Key::Space;
    case SDLK_z:
      return Key::Z;
    case SDLK_x:
      return Key::X;
    case SDLK_c:
      return Key::C;
    case SDLK_v:
      return Key::V;
    case SDLK_UP:
      return Key::Up;
    case SDLK_DOWN:
      return Key::Down;
    case SDLK_LEFT:
      return Key::Left;
    case SDLK_RIGHT:
      return Key::Right;
    case SDLK_e:
      return Key::E;
    case SDLK_d:
      return Key::D;
    case SDLK_s:
      return Key::S;
    case SDLK_f:
      return Key::F;
    case SDLK_ESCAPE:
      return Key::Escape;
    case SDLK_TAB:
      return Key::Tab;
    case SDLK_F1:
      return Key::F1;
    case SDLK_F10:
      return Key::F10;
    case SDLK_LALT:
      return Key::LeftAlt;
    case SDLK_RALT:
      return Key::RightAlt;
    case SDLK_LSHIFT:
      return Key::LeftShift;
    case SDLK_RSHIFT:
      return Key::RightShift;
    case SDLK_a:
      return Key::A;
    case SDLK_F2:
      return Key::F2;
    case SDLK_F3:
      return Key::F3;
    case SDLK_F4:
      return Key::F4;
    case SDLK_F5:
      return Key::F5;
    case SDLK_F9:
      return Key::F9;
    case SDLK_F12:
      return Key::F12;
    case SDLK_PAGEUP:
      return Key::PageUp;
    case SDLK_PAGEDOWN:
      return Key::PageDown;
    case SDLK_HOME:
      return Key::Home;
    case SDLK_END:
      return Key::End;
    case SDLK_LCTRL:
      return Key::LeftCtrl;
    case SDLK_RCTRL:
      return Key::RightCtrl;
    case SDLK_r:
      return Key::R;
    case SDLK_DELETE:
      return Key::Delete;
    case SDLK_BACKSPACE:
      return Key::Backspace;
    case SDLK_h:
      return Key::H;
    case SDLK_p:
      return Key::P;
    default:
      return Key::Unknown;
  }
}

std::optional<MouseButton> translateButton(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MouseButton::Left;
    case SDL_BUTTON_MIDDLE:
      return MouseButton::Middle;
    case SDL_BUTTON_RIGHT:
      return MouseButton::Right;
    case SDL_BUTTON_X1:
      return MouseButton::Back;
    default:
      return std::nullopt;
  }
}

std::optional<PadButton> translatePadButton(Uint8 button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B:
      return PadButton::B;
    case SDL_CONTROLLER_BUTTON_X:
      return PadButton::X;
    case SDL_CONTROLLER_BUTTON_Y:
      return PadButton::Y;
    case SDL_CONTROLLER_BUTTON_BACK:
      return PadButton::Back;
    case SDL_CONTROLLER_BUTTON_GUIDE:
      return PadButton::Guide;
    case SDL_CONTROLLER_BUTTON_START:
      return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      return PadButton::LeftShoulder;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      return PadButton::RightShoulder;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return PadButton::Right;
    default:
      return std::nullopt;
  }
}

std::optional<WindowEvent> translate(const SDL_Event& e) {
  WindowEvent out;
  using T = WindowEvent::Type;
  switch (e.type) {
    case SDL_QUIT:
      out.type = T::Close;
      return out;
    case SDL_MOUSEMOTION:
      out.type = T::MouseMove;
      out.x = e.motion.x;
      out.y = e.motion.y;
      out.windowPixels = true;
      return out;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const std::optional<MouseButton> button = translateButton(e.button.button);
      if (!button) return std::nullopt;
      out.type = e.type == SDL_MOUSEBUTTONDOWN ? T::ButtonDown : T::ButtonUp;
      out.button = *button;
      out.x = e.button.x;
      out.y = e.button.y;
      out.windowPixels = true;
      return out;
    }
    case SDL_MOUSEWHEEL: {
      const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (notches == 0) return std::nullopt;
      out.type = T::Wheel;
      out.y = notches;
      return out;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.type = e.type == SDL_KEYDOWN ? T::KeyDown : T::KeyUp;
      out.key = translateKey(e.key.keysym.sym);
      out.alt = (e.key.keysym.mod & KMOD_ALT) != 0;
      out.shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
      out.repeat = e.key.repeat != 0;
      return out;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          out.type = T::FocusGained;
          return out;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          out.type = T::FocusLost;
          return out;
#if defined(__EMSCRIPTEN__)
        // A page behind another tab, or in a minimised window, is as a window without the focus.
        case SDL_WINDOWEVENT_HIDDEN:
          out.type = T::FocusLost;
          return out;
        case SDL_WINDOWEVENT_SHOWN:
          out.type = T::FocusGained;
          return out;
#endif
        case SDL_WINDOWEVENT_EXPOSED:
          out.type = T::Exposed;
          return out;
        case SDL_WINDOWEVENT_CLOSE:
          out.type = T::Close;
          return out;
        default:
          return std::nullopt;
      }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const std::optional<PadButton> button = translatePadButton(e.cbutton.button);
      if (!button) return std::nullopt;
      out.type = e.type == SDL_CONTROLLERBUTTONDOWN ? T::PadButtonDown : T::PadButtonUp;
      out.padButton = *button;
      out.device = true;
      return out;
    }
    case SDL_CONTROLLERAXISMOTION: {
      // The left stick as a whole, both its axes, for the player's interface to move by.
      if (e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX && e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)
        return std::nullopt;
      SDL_GameController* c = SDL_GameControllerFromInstanceID(e.caxis.which);
      if (!c) return std::nullopt;
      auto scaled = [c](SDL_GameControllerAxis axis) {
        return std::clamp(SDL_GameControllerGetAxis(c, axis) * 1000 / 32767, -1000, 1000);
      };
      out.type = T::PadAxis;
      out.x = scaled(SDL_CONTROLLER_AXIS_LEFTX);
      out.y = scaled(SDL_CONTROLLER_AXIS_LEFTY);
      out.device = true;
      return out;
    }
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
      out.type = T::ControllersChanged;
      return out;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      out.type = T::DeviceReset;
      return out;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<WindowEvent> translateEvent(const void* sdlEvent) {
  return translate(*static_cast<const SDL_Event*>(sdlEvent));
}

std::optional<WindowEvent> nextWindowEvent(int timeoutMs, const RawEventFilter& filter) {
  SDL_Event e;
  for (;;) {
    int got = 0;
    if (timeoutMs == 0)
      got = SDL_PollEvent(&e);
    else if (timeoutMs < 0)
      got = SDL_WaitEvent(&e);
    else
      got = SDL_WaitEventTimeout(&e, timeoutMs);
    if (!got) return std::nullopt;
    const bool taken = filter && filter(&e);
    if (!taken) {
      if (std::optional<WindowEvent> out = translate(e)) return out;
    }
    // Skipped events do not restart a wait: the caller's deadline still holds.
    timeoutMs = 0;
  }
}

std::optional<Key> keyFromName(std::string_view name) {
  // An events file separates words with spaces: "Left_Ctrl" names "Left Ctrl".
  std::string spaced(name);
  for (char& c : spaced)
    if (c == '_') c = ' ';
  const SDL_Keycode code = SDL_GetKeyFromName(spaced.c_str());
  if (code == SDLK_UNKNOWN) return std::nullopt;
  return translateKey(code);
}

}  // namespace tavrik
