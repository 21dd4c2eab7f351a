// Where a program position is, in words that outlive an edit of the script: the file and line, a
// fingerprint of the commands there, and the text shown since the wait before it. A saved game names its
// position this way, so that a save made before a game's update finds the same wait in the new version.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

struct Program;

struct ProgramPlace {
  std::string file;               // the script path relative to the program's folder (Shift-JIS)
  std::int32_t line = 0;          // zero-based, where the author wrote the position
  std::uint64_t fingerprint = 0;  // the command, its neighbours and the texts shown since the wait before
  std::uint64_t shape = 0;        // the same without the texts shown and the titles set
  std::string text;               // the texts shown since the wait before (Shift-JIS, layer names too)

  bool operator==(const ProgramPlace&) const = default;
};

class ProgramPlaces {
 public:
  // Works through the whole program once; a slot screen and the read-wait record ask many times.
  explicit ProgramPlaces(const Program& program);

  ProgramPlace placeOf(std::int32_t position) const;
  // The fingerprint of a position (0 outside the program): a wait passed before keeps it across an edit
  // that leaves the commands around it alone.
  std::uint64_t fingerprint(std::int32_t position) const;
  // Where a place of this or an earlier version of the program stands now: the same fingerprint in the
  // same file nearest the old line; else a wait of the same kind that showed the same text; else the
  // same commands (texts aside) in the same file, nearest the old line, whose text differs only a little
  // (a fixed typo). Nothing when none of these holds: the wait is gone.
  std::optional<std::int32_t> find(const ProgramPlace& place) const;

 private:
  std::string textBefore(std::int32_t position) const;
  std::int32_t fileOf(const std::string& relative) const;

  const Program& program_;
  std::vector<std::string> files_;  // relative to the program's folder, by file index
  std::vector<std::uint64_t> fingerprints_, shapes_;
};

}  // namespace tavrik
