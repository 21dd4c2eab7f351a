// Going back to an earlier wait for the player, and choosing again: Backspace, the mouse's back button,
// the controller's left shoulder, the history's "return here" and the events file's lines all come here.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/window_events.h"

namespace tavrik {

class ScriptEngine;

class PlayerRollback {
 public:
  struct Hooks {
    std::function<ScriptEngine&()> engine;
    std::function<void()> returned;                   // the game stands at an earlier wait now
    std::function<void(const std::string&)> refused;  // the word to say when it cannot go back
  };
  explicit PlayerRollback(Hooks hooks) : hooks_(std::move(hooks)) {}

  bool stepBack(std::size_t waits);
  bool returnTo(std::size_t historyEntry);
  // The mouse's back button steps back one wait (the controller's left shoulder does so through the
  // command table): whether the event was it.
  bool handle(const WindowEvent& event);

 private:
  bool done(bool returned);

  Hooks hooks_;
};

}  // namespace tavrik
