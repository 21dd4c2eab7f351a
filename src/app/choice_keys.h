// Choices without the mouse: the keyboard and a controller move over a choice's buttons and choose.
#pragma once

#include "platform/window_events.h"

namespace tavrik {

class ScriptEngine;

// At a choice wait, Tab, Shift+Tab, the arrows and the controller's pad move the focus over the buttons
// in reading order; Return, Space, Z and the controller's button 1 choose the one it is on, as a click
// inside it. Moving the mouse hands the choice back to the pointer. The event still goes on to the game:
// the keys and the pad the script reads stay as they are.
void steerChoice(const WindowEvent& event, ScriptEngine& engine);

}  // namespace tavrik
