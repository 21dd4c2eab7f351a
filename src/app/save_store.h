// Saved games: ten slots, a quick slot and the automatic save a player closed midway leaves, per game,
// and the record of the input waits this player has passed. Each save is one file, written whole into a
// temporary file and renamed over the old one, so a save that fails or is cut short leaves the old save.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

inline constexpr int kQuickSlot = 0;
inline constexpr int kAutoSlot = -1;
inline constexpr int kSlotCount = 10;

struct SaveData {
  std::int64_t time = 0;                 // seconds since the epoch
  std::string title;                     // the window title (Shift-JIS), at most kMaxSummaryBytes
  std::string text;                      // the text last said (Shift-JIS), at most kMaxSummaryBytes
  std::vector<std::uint32_t> thumbnail;  // kThumbnailWidth x kThumbnailHeight, 0xFFRRGGBB; may be empty
  std::vector<std::uint8_t> history;     // the history's bytes
  std::vector<std::uint8_t> state;       // the running game's bytes, which name their program
  std::vector<std::uint8_t> rollback;    // the game at the waits before, to step back to (may be empty)
};

// A save names its moment in a few words for the slot list: the title and the text are cut to 400
// characters (Shift-JIS, so at most 800 bytes) when saved, and when read.
inline constexpr std::size_t kSummaryCharacters = 400;
inline constexpr std::size_t kMaxSummaryBytes = 2 * kSummaryCharacters;
// The first characters of Shift-JIS text, whole characters only.
std::string summaryOf(std::string_view sjis);

inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;

// Why a save could not be had.
enum class SaveProblem { None, Missing, Unreadable, Damaged, NewerVersion };

std::vector<std::uint8_t> encodeSave(const SaveData& save);
// Nothing, with the reason, for bytes encodeSave did not write: cut, damaged, or of a later version.
std::optional<SaveData> decodeSave(std::span<const std::uint8_t> bytes, SaveProblem* problem);

// The thumbnail of a frame (kWidth x kHeight, 0xFFRRGGBB): each of its pixels the mean of a 5 x 5 block.
std::vector<std::uint32_t> makeThumbnail(const std::vector<std::uint32_t>& frame, int width, int height);

class SaveStore {
 public:
  // The saves of one game in folder (made when the first save is written).
  explicit SaveStore(std::filesystem::path folder);

  // $XDG_DATA_HOME/tavrik/saves (~/.local/share when it is unset).
  static std::filesystem::path defaultRoot();
  // The folder name of a game's saves: readable (the script's folder and file name) and unique (a
  // hash of the script's absolute path).
  static std::string gameFolderName(const std::filesystem::path& script);

  const std::filesystem::path& folder() const { return folder_; }
  // "quick.sav", "slot01.sav" to "slot10.sav", "auto.sav".
  std::filesystem::path slotFile(int slot) const;
  bool write(int slot, const SaveData& save) const;
  std::optional<SaveData> read(int slot, SaveProblem* problem) const;
  bool exists(int slot) const;
  void remove(int slot) const;
  std::filesystem::path seenFile() const { return folder_ / "seen.dat"; }

 private:
  std::filesystem::path folder_;
};

// The input waits this player has passed in a game, for skipping only what was read. A wait is known by
// its fingerprint (ProgramPlaces): an edit of the script leaves the waits it does not touch read.
class SeenWaits {
 public:
  // The fingerprint of each program position of the program played.
  using Fingerprints = std::function<std::uint64_t(std::int32_t position)>;

  // Starts an empty record for a program (its identity, and the fingerprints of its positions).
  void reset(std::uint64_t program, Fingerprints fingerprints) {
    program_ = program;
    fingerprints_ = std::move(fingerprints);
    seen_.clear();
    changed_ = false;
  }
  bool contains(std::int32_t position) const { return seen_.count(fingerprints_(position)) != 0; }
  void add(std::int32_t position) { changed_ |= seen_.insert(fingerprints_(position)).second; }
  std::size_t size() const { return seen_.size(); }
  bool changed() const { return changed_; }

  // Reads the record for the program; a missing or damaged record gives an empty one. A record of the
  // first format (positions of one program) is taken when it is of this very program.
  void load(const std::filesystem::path& file, std::uint64_t program, Fingerprints fingerprints);
  bool save(const std::filesystem::path& file);

 private:
  std::uint64_t program_ = 0;
  // Until a program's are given, a position is its own fingerprint.
  Fingerprints fingerprints_ = [](std::int32_t position) { return static_cast<std::uint64_t>(position); };
  std::set<std::uint64_t> seen_;
  bool changed_ = false;
};

}  // namespace tavrik
