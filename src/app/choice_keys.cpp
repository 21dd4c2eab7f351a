#include "app/choice_keys.h"

#include "script/runtime/script_engine.h"

namespace tavrik {

void steerChoice(const WindowEvent& event, ScriptEngine& engine) {
  using T = WindowEvent::Type;
  Scene& scene = engine.scene();
  if (event.type == T::MouseMove || engine.waiting() != ScriptEngine::Waiting::Choice) {
    if (scene.focused()) scene.clearFocus();
    return;
  }
  int step = 0;
  bool choose = false;
  if (event.type == T::KeyDown) {
    if (event.key == Key::Tab) step = event.shift ? -1 : 1;
    if (event.key == Key::Down || event.key == Key::Right) step = 1;
    if (event.key == Key::Up || event.key == Key::Left) step = -1;
    choose = event.key == Key::Return || event.key == Key::Space || event.key == Key::Z;
  } else if (event.type == T::PadButtonDown) {
    const PadButton b = event.padButton;
    if (b == PadButton::Down || b == PadButton::Right) step = 1;
    if (b == PadButton::Up || b == PadButton::Left) step = -1;
    choose = b == PadButton::A;
  }
  if (step != 0) scene.moveFocus(step);
  if (choose) scene.pressFocused();
}

}  // namespace tavrik
