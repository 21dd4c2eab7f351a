#include "base/files.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace tavrik {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::optional<std::string> readFile(const std::filesystem::path& path, std::uintmax_t maxSize) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > maxSize) return std::nullopt;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::string data;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    data.append(buffer, n);
    // A file that grew while it was read is not read on without end.
    if (data.size() > maxSize) return std::nullopt;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return data;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(::getpid());
  FilePtr file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  ok = ok && std::fflush(file.get()) == 0 && ::fsync(::fileno(file.get())) == 0;
  ok = std::fclose(file.release()) == 0 && ok;
  std::error_code ec;
  if (ok) std::filesystem::rename(temporary, path, ec);
  if (!ok || ec) {
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace tavrik
