// An ordered list of byte lines read from or written to a file: script source and the settings file.
//
// The bytes are kept as one buffer with the offset of each line's start beside it, shared between
// copies: a line costs four bytes besides what it holds, a file of nothing but line breaks included,
// and a copy (a file inserted many times, an error report) costs nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

class LineFile {
 public:
  // Larger files are not read: no script or settings file comes near this. The offsets need it below
  // 4 GiB.
  static constexpr std::uintmax_t kMaxFileSize = 256u * 1024 * 1024;

  // The Ctrl-Z that, as the last byte of a file, ends it before itself.
  static constexpr char kEndOfFileMark = '\x1A';

  // Empties the list, then reads every line of the file. CR LF and LF end a line; a last line without
  // a line break is still a line, a line break at the very end adds none, and a last byte that is the
  // end-of-file mark is not read. Lines of any length are kept whole. False (and an empty list) when the
  // file cannot be opened, is no plain file or is larger than maxSize.
  bool load(const std::filesystem::path& path, std::uintmax_t maxSize = kMaxFileSize);
  // Splits data into lines as load does; past kMaxFileSize it is not read.
  void assign(std::string data);
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

  std::size_t size() const { return text_ ? text_->starts.size() - 1 : 0; }
  bool empty() const { return size() == 0; }
  // Line index without its line break; valid while this list (or a copy of it) lives.
  std::string_view operator[](std::size_t index) const;
  // The first line from index on that is not empty, or size(): a run of empty lines is passed in one
  // step, as a file of nothing but line breaks needs even where every call is dear.
  std::size_t skipEmpty(std::size_t index) const;
  // Line index of data split as assign splits it, found without keeping the lines; empty past the last.
  static std::string_view lineOf(std::string_view data, std::size_t index);
  // Every byte as read or assigned, line breaks and a final end-of-file mark included.
  std::string_view bytes() const { return text_ ? std::string_view(text_->bytes) : std::string_view(); }

 private:
  struct Text {
    std::string bytes;
    // Where each line starts, and one more entry one past the end of the last line's line break (or
    // one past its end when it has none), so that line i ends before starts[i + 1] - 1.
    std::vector<std::uint32_t> starts;
  };

  long separatorOf(int index) const;

  std::shared_ptr<const Text> text_;
};

}  // namespace tavrik
