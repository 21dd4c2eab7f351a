#include "base/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <vector>

namespace tavrik {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

std::string temporaryPrefix(const std::filesystem::path& path) {
  return path.filename().string() + ".tmp-";
}

// The writer's process id from a temporary file's name: "NAME.tmp-PID-XXXXXX", or "NAME.tmpPID" as
// earlier versions of the player named theirs; nothing for any other name.
std::optional<pid_t> writerOf(std::string_view name, std::string_view prefix) {
  const std::string_view stem = prefix.substr(0, prefix.size() - 1);  // without the "-"
  if (name.substr(0, stem.size()) != stem) return std::nullopt;
  name.remove_prefix(stem.size());
  const bool earlier = name.empty() || name.front() != '-';
  if (!earlier) name.remove_prefix(1);
  long long pid = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
  if (ec != std::errc{} || pid <= 0 || name.front() == '+') return std::nullopt;
  const std::string_view rest(end, static_cast<std::size_t>(name.data() + name.size() - end));
  if (earlier ? !rest.empty() : (rest.size() != 7 || rest.front() != '-')) return std::nullopt;
  return static_cast<pid_t>(pid);
}

// The process's umask, read without changing it (umask() cannot, and other threads create files too);
// the strictest one where it cannot be read.
mode_t currentUmask() {
  const std::optional<std::string> status = readFile("/proc/self/status", 1 << 20);
  const std::size_t at = status ? status->find("\nUmask:") : std::string::npos;
  if (at == std::string::npos) return 0077;
  std::size_t pos = at + 7;
  while (pos < status->size() && ((*status)[pos] == ' ' || (*status)[pos] == '\t')) ++pos;
  unsigned mask = 0077;
  std::from_chars(status->data() + pos, status->data() + status->size(), mask, 8);
  return static_cast<mode_t>(mask & 0777);
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

namespace {

// Reads a regular file of at most maxSize bytes; with cut, a larger one is read up to maxSize and *cut
// says so.
std::optional<std::string> readRegular(const std::filesystem::path& path, std::uintmax_t maxSize,
                                       bool noFollow, ReadStatus* status, bool* cut) {
  auto fail = [&](ReadStatus why) -> std::optional<std::string> {
    if (status) *status = why;
    return std::nullopt;
  };
  if (cut) *cut = false;
  int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  if (noFollow) flags |= O_NOFOLLOW;
  Descriptor fd(::open(path.c_str(), flags));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return fail(ReadStatus::Missing);
    if (errno == ELOOP || errno == EISDIR || errno == ENXIO) return fail(ReadStatus::NotRegular);
    return fail(ReadStatus::Failed);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return fail(ReadStatus::Failed);
  if (!S_ISREG(info.st_mode)) return fail(ReadStatus::NotRegular);
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > maxSize && !cut) return fail(ReadStatus::TooLarge);
  std::string data;
  // Room for the byte that would tell a file that grew while it was read, so that it costs no copy.
  data.reserve(static_cast<std::size_t>(std::min(size, maxSize)) + 1);
  std::vector<char> buffer(65536);
  for (;;) {
    // One byte past the limit tells a file that is larger from one that is just as large.
    const std::uintmax_t left = maxSize - data.size();
    const auto room = static_cast<std::size_t>(std::min<std::uintmax_t>(buffer.size() - 1, left) + 1);
    const ssize_t n = ::read(fd.get(), buffer.data(), room);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ReadStatus::Failed);
    if (n == 0) break;
    data.append(buffer.data(), static_cast<std::size_t>(n));
    // A file that grew while it was read is not read on without end.
    if (data.size() > maxSize) {
      if (!cut) return fail(ReadStatus::TooLarge);
      data.resize(static_cast<std::size_t>(maxSize));
      *cut = true;
      break;
    }
  }
  if (status) *status = ReadStatus::Ok;
  return data;
}

}  // namespace

std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::uintmax_t maxSize,
                                           bool noFollow, ReadStatus* status) {
  return readRegular(path, maxSize, noFollow, status, nullptr);
}

std::optional<std::string> readFileStart(const std::filesystem::path& path, std::uintmax_t maxSize,
                                         bool* cut) {
  bool more = false;
  std::optional<std::string> data = readRegular(path, maxSize, false, nullptr, &more);
  if (cut) *cut = more;
  return data;
}

std::optional<std::string> readFile(const std::filesystem::path& path, std::uintmax_t maxSize) {
  return readRegularFile(path, maxSize, false, nullptr);
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string name = (folder / temporaryPrefix(path)).string() + std::to_string(::getpid()) + "-XXXXXX";
  // mkstemp creates the file itself (O_CREAT | O_EXCL): nothing that was there, a link included, is
  // opened.
  Descriptor fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.get() < 0) return false;
  bool ok = ::fchmod(fd.get(), 0666 & ~currentUmask()) == 0;
  ok = ok && writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  ok = ::close(fd.release()) == 0 && ok;
  ok = ok && ::rename(name.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(name.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

int removeStaleTemporaryFiles(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const std::string prefix = temporaryPrefix(path);
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const std::optional<pid_t> writer = writerOf(name, prefix);
    if (!writer) continue;
    // A writer that is still running (or runs as another user) is not disturbed.
    if (*writer == ::getpid() || ::kill(*writer, 0) == 0 || errno != ESRCH) continue;
    // unlink removes a link itself, never what it points to; a folder of that name is left alone.
    if (::unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace tavrik
