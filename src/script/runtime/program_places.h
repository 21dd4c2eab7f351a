// Where a program position is, in words that outlive an edit of the script: the file and line, a
// fingerprint of the commands there, and the last text shown before it. A saved game names its
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
  std::uint64_t fingerprint = 0;  // the command, its neighbours and the last text shown
  std::uint64_t shape = 0;        // the command and its neighbours without the texts and titles
  std::string text;               // the last text shown (Shift-JIS, after its layer's name)

  bool operator==(const ProgramPlace&) const = default;
};

class ProgramPlaces {
 public:
  // Works through the whole program once; a slot screen and the read-wait record ask many times.
  explicit ProgramPlaces(const Program& program);

  ProgramPlace placeOf(std::int32_t position) const;
  // The fingerprint of a position for the record of waits read (0 outside the program): the commands
  // around it and the texts shown since the wait before. A wait passed before keeps it across an edit
  // that leaves its scene alone.
  std::uint64_t fingerprint(std::int32_t position) const;
  // Where a place of this or an earlier version of the program stands now: the same fingerprint in the
  // same file nearest the old line; else a wait for the player after the same last text; else the same
  // commands (texts aside) in the same file, nearest the old line, after a text that differs only a
  // little (a fixed typo). Nothing when none of these holds: the wait is gone.
  std::optional<std::int32_t> find(const ProgramPlace& place) const;

 private:
  std::string lastText(std::int32_t position) const;
  std::int32_t fileOf(const std::string& relative) const;

  const Program& program_;
  std::vector<std::string> files_;  // relative to the program's folder, by file index
  std::vector<std::uint64_t> fingerprints_, placeKeys_, shapes_;
};

}  // namespace tavrik
