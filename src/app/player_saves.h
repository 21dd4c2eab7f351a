// The player's saves of the game it plays: writing and reading slots (with the boxes that say why one
// could not be), the record of the input waits passed, continuing an interrupted play, and what the
// slot screens list.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/save_store.h"
#include "ui/slot_screen.h"

namespace tavrik {

class AppFrame;
class ScriptEngine;
class StateReader;

// "クイックセーブ", "前回の続き", "スロット3".
std::string slotName(int slot);

class PlayerSaves {
 public:
  // The saves in folder, the record of waits passed for the engine's program.
  PlayerSaves(const std::filesystem::path& folder, const ScriptEngine& engine);

  const SaveStore& store() const { return store_; }
  SeenWaits& seen() { return seen_; }
  // The record for the engine's program (after a reload, which writes it first).
  void readSeen(const ScriptEngine& engine);
  void writeSeen();

  // Writes a slot; a save that cannot be written is told in a box, and the slot keeps what it held.
  bool save(int slot, ScriptEngine& engine, AppFrame& frame);
  // Restores a slot into the engine; a missing, damaged or refused save is told in a box, and the game
  // goes on untouched.
  bool load(int slot, ScriptEngine& engine, AppFrame& frame);
  void remove(int slot) { store_.remove(slot); }
  // Whether a play closed midway is there and loads, and the player wants to go on with it (the box
  // shows where it would go on).
  bool wantsToContinue(AppFrame& frame, const StateReader& reader);

  // The game as it stands under the save screen: the thumbnail of a save made from it.
  void keepScreenThumbnail(AppFrame& frame);
  void dropScreenThumbnail() { screenThumbnail_.clear(); }
  // The slots a slot screen lists: the ten slots, and for loading the quick and automatic saves.
  std::vector<SlotView> slotViews(SlotScreen::Mode mode, const StateReader& reader) const;

 private:
  SaveStore store_;
  SeenWaits seen_;
  std::vector<std::uint32_t> screenThumbnail_;  // the game as it was when the save screen opened
};

}  // namespace tavrik
