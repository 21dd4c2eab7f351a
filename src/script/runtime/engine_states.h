// Saving and restoring an engine's running game, as data and as bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "script/runtime/game_state.h"

namespace tavrik {

class ScriptEngine;

// A state reaches every part of the engine that changes while it plays, so this class is the engine's
// friend; it keeps nothing of the game itself, only the reader of stored states.
class EngineStates {
 public:
  explicit EngineStates(ScriptEngine& engine) : engine_(engine) {}

  // The running game as data, and back: restoring and running on gives the frames and variables of a
  // run that never stopped. A state must come from this program (decodeState checks that for bytes).
  GameState current() const;
  void restore(const GameState& state);
  std::vector<std::uint8_t> save() const;
  // Restores stored bytes; the reason when they are refused, and then nothing has changed.
  std::optional<StateError> restore(std::span<const std::uint8_t> bytes);
  // Reads stored states of this engine's program (made at the first use).
  const StateReader& reader() const;

 private:
  ScriptEngine& engine_;
  mutable std::unique_ptr<StateReader> reader_;
};

}  // namespace tavrik
