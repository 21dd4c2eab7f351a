#include "script/compiler/line_file.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "script/compiler/sjis_text.h"

namespace tavrik {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool LineFile::load(const std::filesystem::path& path) {
  lines_.clear();
  // Only plain files: a script that names a device or a pipe must not read forever or block.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxFileSize) return false;
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  std::string data;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) data.append(buffer, n);
  if (std::ferror(file.get())) {
    lines_.clear();
    return false;
  }
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start);
    const bool lastWithoutBreak = end == std::string::npos;
    if (lastWithoutBreak) end = data.size();
    std::size_t stop = end;
    // Text mode turns CR LF into a line break; a CR elsewhere is an ordinary byte.
    if (!lastWithoutBreak && stop > start && data[stop - 1] == '\r') --stop;
    lines_.emplace_back(data, start, stop - start);
    start = end + 1;
  }
  return true;
}

bool LineFile::save(const std::filesystem::path& path) const {
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  for (const std::string& line : lines_) {
    if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) return false;
    if (std::fwrite("\r\n", 1, 2, file.get()) != 2) return false;
  }
  std::FILE* raw = file.release();
  return std::fclose(raw) == 0;
}

bool LineFile::saveAtomically(const std::filesystem::path& path) const {
  std::filesystem::path temporary = path;
  temporary += ".tmp" + std::to_string(::getpid());
  FilePtr file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return false;
  bool ok = true;
  for (const std::string& line : lines_) {
    ok = ok && std::fwrite(line.data(), 1, line.size(), file.get()) == line.size();
    ok = ok && std::fwrite("\r\n", 1, 2, file.get()) == 2;
  }
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

long LineFile::separatorOf(int index) const {
  if (index < 0 || index >= size()) return -1;
  return sjis::findText(lines_[static_cast<std::size_t>(index)], "=");
}

std::string LineFile::keyOf(int index) const {
  const long pos = separatorOf(index);
  if (pos < 0) return {};
  return lines_[static_cast<std::size_t>(index)].substr(0, static_cast<std::size_t>(pos));
}

std::string LineFile::valueOf(int index) const {
  const long pos = separatorOf(index);
  if (pos < 0) return {};
  return lines_[static_cast<std::size_t>(index)].substr(static_cast<std::size_t>(pos) + 1);
}

int LineFile::find(std::string_view key) const {
  for (int i = 0; i < size(); ++i) {
    const long pos = separatorOf(i);
    if (pos >= 0 &&
        std::string_view(lines_[static_cast<std::size_t>(i)]).substr(0, static_cast<std::size_t>(pos)) == key)
      return i;
  }
  return -1;
}

std::string LineFile::get(std::string_view key) const {
  const int index = find(key);
  return index < 0 ? std::string{} : valueOf(index);
}

void LineFile::set(std::string_view key, std::string_view value) {
  std::string line;
  line.reserve(key.size() + 1 + value.size());
  line.append(key).append("=").append(value);
  const int index = find(key);
  if (index < 0)
    lines_.push_back(std::move(line));
  else
    lines_[static_cast<std::size_t>(index)] = std::move(line);
}

}  // namespace tavrik
