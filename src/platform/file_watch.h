// Tells when files change on disk: the script files of a game being written, watched with inotify
// through their folders (an editor that saves by writing a new file and renaming it over the old one
// is seen as well as one that writes in place).
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tavrik {

class FileWatch {
 public:
  // Watches the files (native paths); files whose folder cannot be watched are left out.
  explicit FileWatch(const std::vector<std::filesystem::path>& files);
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Whether any watched file was written, replaced, made or removed since the last call. Never waits.
  bool changed();
  bool watching() const { return fd_ >= 0 && !folders_.empty(); }

 private:
  int fd_ = -1;
  std::vector<std::pair<int, std::filesystem::path>> folders_;  // watch descriptor, folder
  std::set<std::filesystem::path> files_;
};

}  // namespace tavrik
