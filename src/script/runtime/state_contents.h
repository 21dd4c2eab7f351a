// What a program can leave in a state, for reading stored states: a state that holds anything else was
// not written by this player for this program, and a crafted one could otherwise ask for any file, or
// for millions of characters. A state saved before the script was edited is mended instead of refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tavrik {

struct GameState;
struct Program;

class StateContents {
 public:
  // The pictures the program's commands load on each layer, the texts they show on each text layer,
  // the sounds they load on each channel and the titles they set.
  explicit StateContents(const Program& program);

  // The most characters a text shown on the layer has: a stored count past it is refused before
  // anything is made of it.
  std::size_t maxCharacters(std::size_t layer) const { return layer < most_.size() ? most_[layer] : 0; }
  // Whether the state holds only what the program could have put there.
  bool holds(const GameState& s) const;
  // A state of an earlier version of the program, its counter already placed in this one: what this
  // version no longer has goes, and the texts and title are those this version shows at the counter
  // (the characters as their actions leave them), as a play of it that reached the same wait shows.
  void mend(GameState& s) const;

 private:
  using Names = std::unordered_set<std::string_view>;

  static void add(std::vector<Names>& table, std::int32_t index, std::string_view name);
  void addText(std::int32_t layer, std::string_view text);
  static bool known(const Names& names, const std::string& name) {
    return name.empty() || names.contains(name);
  }
  bool series(std::size_t layer, const std::vector<std::string>& names, std::string_view part) const;
  bool textKnown(std::size_t layer, const GameState& s) const;

  const Program& program_;
  std::vector<Names> pictures_, texts_, sounds_;
  Names titles_;
  std::vector<std::size_t> most_;  // per layer
};

}  // namespace tavrik
