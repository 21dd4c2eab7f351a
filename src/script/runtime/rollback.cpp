#include "script/runtime/rollback.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/byte_io.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

constexpr std::uint32_t kRollbackMagic = 0x4B424C52;  // "RLBK"

}  // namespace

void Rollback::keep(const ScriptEngine& engine) {
  const std::uint64_t history = engine.history().added();
  const std::int32_t position = engine.programCounter();
  // A state returned to begins its wait again: it is kept already.
  if (std::exchange(returned_, false) && !kept_.empty() && kept_.back().position == position) return;
  const std::uint64_t since = kept_.empty() ? reachable_ : kept_.back().history;
  kept_.push_back({engine.states().save(), history, since, position});
  while (kept_.size() > kMostKept) kept_.pop_front();
}

bool Rollback::stepBack(ScriptEngine& engine, std::size_t count) {
  if (count == 0 || kept_.empty()) return false;
  // Standing at the newest kept wait, a step goes to the one before it; gone on from it, to it.
  const Kept& newest = kept_.back();
  const bool atNewest =
      engine.programCounter() == newest.position && engine.history().added() == newest.history &&
      (engine.waiting() == ScriptEngine::Waiting::Input || engine.waiting() == ScriptEngine::Waiting::Choice);
  const std::size_t back = atNewest ? count + 1 : count;
  if (back > kept_.size()) return false;
  return returnToKept(engine, kept_.size() - back);
}

bool Rollback::returnTo(ScriptEngine& engine, std::size_t entry) {
  const History& history = engine.history();
  if (entry >= history.entries().size()) return false;
  // The entry was the added()-size()+entry'th added; the first wait kept after it was shown is its.
  const std::uint64_t shown = history.added() - history.entries().size() + entry;
  for (std::size_t i = 0; i < kept_.size(); ++i)
    if (kept_[i].since <= shown && shown < kept_[i].history) return returnToKept(engine, i);
  return false;
}

std::vector<bool> Rollback::returnable(const History& history) const {
  const std::deque<HistoryEntry>& entries = history.entries();
  std::vector<bool> out(entries.size(), false);
  const std::uint64_t oldest = history.added() - entries.size();
  auto at = [&](std::uint64_t shown) -> const HistoryEntry& {
    return entries[static_cast<std::size_t>(shown - 1 - oldest)];
  };
  for (const Kept& kept : kept_) {
    const std::uint64_t last = std::min(kept.history, history.added()), first = std::max(kept.since, oldest);
    // What was said there is on the layer the player reads at input waits (the text frame, not a name
    // plate or a choice's caption); before any was read, any text but a caption.
    std::int32_t layer = -2;
    for (std::uint64_t shown = last; shown > oldest && layer == -2; --shown)
      if (at(shown).read) layer = at(shown).layer;
    std::uint64_t said = 0;
    for (std::uint64_t shown = last; shown > first && said == 0; --shown) {
      const HistoryEntry& entry = at(shown);
      if (!entry.button && !entry.characters.empty() && (layer == -2 || entry.layer == layer)) said = shown;
    }
    for (std::uint64_t shown = last; shown > first && said == 0; --shown)
      if (!at(shown).button && !at(shown).characters.empty()) said = shown;
    if (said != 0) out[static_cast<std::size_t>(said - 1 - oldest)] = true;
  }
  return out;
}

std::size_t Rollback::bytes() const {
  std::size_t total = 0;
  for (const Kept& kept : kept_) total += kept.state.size() + sizeof(Kept);
  return total;
}

bool Rollback::returnToKept(ScriptEngine& engine, std::size_t index) {
  const Kept kept = kept_[index];
  if (engine.states().restore(kept.state)) return false;
  History history = engine.history();
  history.dropNewest(history.added() - kept.history);
  engine.setHistory(std::move(history));
  kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(index) + 1, kept_.end());
  returned_ = true;
  return true;
}

std::vector<std::uint8_t> Rollback::encode(const History& history) const {
  ByteWriter w;
  w.u32(kRollbackMagic);
  w.u32(static_cast<std::uint32_t>(kept_.size()));
  for (const Kept& kept : kept_) {
    // How many entries the history gained after the state was kept: the same whatever it dropped.
    w.u64(history.added() - kept.history);
    w.u64(history.added() - kept.since);
    w.u32(static_cast<std::uint32_t>(kept.state.size()));
    w.out().insert(w.out().end(), kept.state.begin(), kept.state.end());
  }
  return w.out();
}

void Rollback::decode(std::span<const std::uint8_t> bytes, const StateReader& reader,
                      const History& history) {
  clear();
  // The play before the loaded moment is not kept: its entries lead nowhere.
  reachable_ = history.added();
  ByteReader r(bytes);
  if (r.u32() != kRollbackMagic) return;
  const std::size_t count = r.count(20);
  std::deque<Kept> kept;
  for (std::size_t i = 0; i < count && !r.failed(); ++i) {
    const std::uint64_t after = r.u64();
    const std::uint64_t sinceAfter = r.u64();
    const std::string state = r.string();
    if (r.failed()) break;
    const DecodedState decoded =
        reader.decode({reinterpret_cast<const std::uint8_t*>(state.data()), state.size()});
    if (!decoded.state || after > sinceAfter) {
      // A wait that is gone: the older ones cannot be stepped back to past it.
      kept.clear();
      continue;
    }
    // Entries the history no longer holds count from its oldest.
    const std::uint64_t added = history.added();
    kept.push_back({reader.encode(*decoded.state), after > added ? 0 : added - after,
                    sinceAfter > added ? 0 : added - sinceAfter, decoded.state->programCounter});
    if (kept.size() > kMostKept) kept.pop_front();
  }
  if (!r.failed()) kept_ = std::move(kept);
}

}  // namespace tavrik
