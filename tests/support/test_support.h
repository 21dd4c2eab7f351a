// Helpers every test may use, whatever its layer: temporary folders, Shift-JIS text from UTF-8 literals,
// whole files and script paths. They link the base layer alone; the helpers of the layers above are in
// support/<layer>_support.h, each in a library that links only its layer and those below it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavrik::test {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes bytes to a file below the directory (creating folders) and returns its path.
  std::filesystem::path write(const std::filesystem::path& relative, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// The Shift-JIS bytes of UTF-8 text; the test fails when the text has no Shift-JIS form.
std::string sjis(std::string_view utf8);
// A file's bytes, exactly as stored; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& file);
// Script source from UTF-8 lines, in Shift-JIS with CR LF line ends as Windows editors write it.
std::string sjisScript(std::string_view utf8);
// A native path in script form.
std::string scriptPath(const std::filesystem::path& native);

}  // namespace tavrik::test
