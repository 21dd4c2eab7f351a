// The running game at the last waits for the player (input waits and choices), kept so that the player
// can step back and choose again. Each is kept as the bytes of a stored state, a few kilobytes: names
// and values, the pictures loaded again by name when it is returned to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace tavrik {

class History;
class ScriptEngine;
class StateReader;

class Rollback {
 public:
  static constexpr std::size_t kMostKept = 100;

  // The engine is about to begin a wait for the player: its state is kept (the oldest goes past
  // kMostKept). Called by the engine at each such wait, skipped ones too.
  void keep(const ScriptEngine& engine);
  // Back count waits: to the wait the engine stands at when it has gone on from it, else to the ones
  // before. False, with nothing changed, when fewer are kept.
  bool stepBack(ScriptEngine& engine, std::size_t count);
  // Back to the wait that came next after a history entry was shown (0 the oldest entry); false when
  // that wait is not kept.
  bool returnTo(ScriptEngine& engine, std::size_t entry);
  // Which history entries (0 the oldest) a player is offered to return to: for each kept wait, the last
  // text said before it, on the layer the player reads (not a name plate, not a choice's caption). Any
  // entry before a kept wait and after the one before it returns there.
  std::vector<bool> returnable(const History& history) const;

  std::size_t size() const { return kept_.size(); }
  // The bytes the kept states take.
  std::size_t bytes() const;
  void clear() {
    kept_.clear();
    returned_ = false;
    reachable_ = 0;
  }

  // The kept states in a save, and back: states of an edited program are placed as a save's state is,
  // and one that cannot be placed goes with all older ones. history: the engine's, as saved or loaded.
  std::vector<std::uint8_t> encode(const History& history) const;
  void decode(std::span<const std::uint8_t> bytes, const StateReader& reader, const History& history);

 private:
  struct Kept {
    std::vector<std::uint8_t> state;
    std::uint64_t history = 0;  // History::added() when it was kept
    std::uint64_t since = 0;    // History::added() at the wait before: the entries it follows from here
    std::int32_t position = 0;
  };
  // Makes the kept state at index the engine's, and forgets the later ones.
  bool returnToKept(ScriptEngine& engine, std::size_t index);

  std::deque<Kept> kept_;
  bool returned_ = false;  // the engine was just put back at the newest kept wait
  // The entries before it lead nowhere kept: the next wait kept follows only from the later ones.
  std::uint64_t reachable_ = 0;
};

}  // namespace tavrik
