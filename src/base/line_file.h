// An ordered list of byte lines read from or written to a file: script source and the settings file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

class LineFile {
 public:
  // Larger files are not read: no script or settings file comes near this.
  static constexpr std::uintmax_t kMaxFileSize = 256u * 1024 * 1024;

  // The Ctrl-Z that, as the last byte of a file, ends it before itself.
  static constexpr char kEndOfFileMark = '\x1A';

  // Empties the list, then reads every line of the file. CR LF and LF end a line; a last line without
  // a line break is still a line, a line break at the very end adds none, and a last byte that is the
  // end-of-file mark is not read. Lines of any length are kept whole. False (and an empty list) when the
  // file cannot be opened.
  bool load(const std::filesystem::path& path);
  // Empties the list and splits data into lines as load does.
  void assign(std::string_view data);
  // Writes every line followed by CR LF, the form the files have always had, into a temporary file beside
  // the target that is flushed to disk and then renamed over it: a crash or a full disk leaves the old
  // file or the new one, never a truncated one. False when it cannot be written.
  bool saveAtomically(const std::filesystem::path& path) const;

  // The bytes after the first "=" (found double-byte aware); empty without one or out of range.
  std::string valueOf(int index) const;
  // Index of the first line whose key equals key, or -1.
  int find(std::string_view key) const;
  std::string get(std::string_view key) const;
  // Replaces the first line with that key, or appends key=value.
  void set(std::string_view key, std::string_view value);

  const std::vector<std::string>& lines() const { return lines_; }
  std::vector<std::string>& lines() { return lines_; }
  int size() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_[static_cast<std::size_t>(index)]; }

 private:
  long separatorOf(int index) const;

  std::vector<std::string> lines_;
};

}  // namespace tavrik
