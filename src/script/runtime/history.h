// What the text frames showed in this play, for the player to look back at: one entry per text shown,
// the last 200, each character with the colour its text action gives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrik {

struct Action;

struct HistoryCharacter {
  std::uint16_t code = 0;        // the byte, or lead * 256 + trail for a two-byte character
  std::uint32_t rgb = 0xFFFFFF;  // the colour its action settles on (white when it sets none)

  bool operator==(const HistoryCharacter&) const = default;
};

struct HistoryEntry {
  std::vector<HistoryCharacter> characters;

  // The entry's text in Shift-JIS, line feeds kept.
  std::string text() const;
  bool operator==(const HistoryEntry&) const = default;
};

// The colour a text action leaves its character in: the last values its entries give R, G and B.
std::uint32_t settledColour(const Action* action);

class History {
 public:
  static constexpr std::size_t kMaxEntries = 200;

  // The oldest entry goes when a 201st comes.
  void add(HistoryEntry entry);
  const std::deque<HistoryEntry>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }

  std::vector<std::uint8_t> encode() const;
  // Nothing for bytes encode did not write (cut, damaged, too many entries).
  static std::optional<History> decode(std::span<const std::uint8_t> bytes);

  bool operator==(const History&) const = default;

 private:
  std::deque<HistoryEntry> entries_;
};

}  // namespace tavrik
