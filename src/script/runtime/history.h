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
  std::int32_t layer = -1;  // the text layer it was shown on, in the program's table; -1 unknown
  bool button = false;      // shown on a choice button: a caption, not what was said
  bool read = false;        // the latest text when the player went on from an input wait

  // The entry's text in Shift-JIS, line feeds kept.
  std::string text() const;
  bool operator==(const HistoryEntry&) const = default;
};

// The colour a text action leaves its character in: the last values its entries give R, G and B.
std::uint32_t settledColour(const Action* action);

class History {
 public:
  static constexpr std::size_t kMaxEntries = 200;
  // Far more than a text frame shows at once; an entry keeps at most this many characters, so that
  // the history stays something to read back through, whatever a script shows.
  static constexpr std::size_t kMaxCharacters = 4096;

  // The oldest entry goes when a 201st comes; characters past kMaxCharacters are not kept.
  void add(HistoryEntry entry);
  // The player went on from an input wait: the latest entry not on a choice button was what they read.
  void markRead();
  // What was said last: the latest entry of the layer the player last read at an input wait (the text
  // frame, not a name plate nor a choice's caption shown after it); before any wait, the latest entry
  // not on a choice button. Nothing when there is none.
  const HistoryEntry* lastSaid() const;
  const std::deque<HistoryEntry>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  void clear() {
    entries_.clear();
    added_ = 0;
  }
  // How many entries were ever added (those dropped off the front too): a moment of the play is
  // known by this count, whatever has gone since.
  std::uint64_t added() const { return added_; }
  // Takes back the newest count entries, as if they had never been added (a return to an earlier wait).
  void dropNewest(std::uint64_t count);

  std::vector<std::uint8_t> encode() const;
  // Nothing for bytes encode did not write (cut, damaged, too many entries); an entry longer than
  // kMaxCharacters is cut.
  static std::optional<History> decode(std::span<const std::uint8_t> bytes);

  bool operator==(const History& other) const { return entries_ == other.entries_; }

 private:
  std::deque<HistoryEntry> entries_;
  std::uint64_t added_ = 0;
};

}  // namespace tavrik
