#include "app/player_rollback.h"

#include "base/messages.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

bool PlayerRollback::stepBack(std::size_t waits) {
  ScriptEngine& engine = hooks_.engine();
  return done(engine.rollback().stepBack(engine, waits));
}

bool PlayerRollback::returnTo(std::size_t historyEntry) {
  ScriptEngine& engine = hooks_.engine();
  if (historyEntry >= engine.history().entries().size()) {
    hooks_.refused(ja(MessageId::RollbackNoEntry));
    return false;
  }
  return done(engine.rollback().returnTo(engine, historyEntry));
}

bool PlayerRollback::handle(const WindowEvent& event) {
  using T = WindowEvent::Type;
  // The controller's left shoulder steps back through the command table.
  const bool back = event.type == T::ButtonDown && event.button == MouseButton::Back;
  if (back) stepBack(1);
  return back;
}

bool PlayerRollback::done(bool returned) {
  if (returned)
    hooks_.returned();
  else
    hooks_.refused(ja(MessageId::RollbackRefused));
  return returned;
}

}  // namespace tavrik
