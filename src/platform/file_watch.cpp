#include "platform/file_watch.h"

#if !defined(__EMSCRIPTEN__)
#include <sys/inotify.h>
#endif
#include <unistd.h>

#include <cerrno>

namespace tavrik {

namespace fs = std::filesystem;

FileWatch::FileWatch(const std::vector<fs::path>& files) {
#if defined(__EMSCRIPTEN__)
  // A game packed for the browser does not change under it.
  (void)files;
#else
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  std::set<fs::path> folders;
  for (const fs::path& file : files) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec).lexically_normal();
    if (ec) continue;
    files_.insert(absolute);
    folders.insert(absolute.parent_path());
  }
  for (const fs::path& folder : folders) {
    const int wd = ::inotify_add_watch(fd_, folder.c_str(),
                                       IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MODIFY);
    if (wd >= 0) folders_.emplace_back(wd, folder);
  }
#endif
}

FileWatch::~FileWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileWatch::changed() {
  if (fd_ < 0) return false;
#if !defined(__EMSCRIPTEN__)
  bool any = false;
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->len == 0) continue;
      for (const auto& [wd, folder] : folders_) {
        if (wd == event->wd && files_.count(folder / event->name)) any = true;
      }
    }
  }
  return any;
#else
  return false;
#endif
}

}  // namespace tavrik
