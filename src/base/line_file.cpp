#include "base/line_file.h"

#include <algorithm>

#include "base/files.h"
#include "base/sjis_text.h"

namespace tavrik {

bool LineFile::load(const std::filesystem::path& path) {
  lines_.clear();
  const std::optional<std::string> data = readFile(path, kMaxFileSize);
  if (!data) return false;
  assign(*data);
  return true;
}

void LineFile::assign(std::string_view data) {
  lines_.clear();
  // Old Windows editors end a file with a Ctrl-Z, where text-mode reading stops; kept, it would read as
  // a line of its own.
  if (!data.empty() && data.back() == kEndOfFileMark) data.remove_suffix(1);
  lines_.reserve(static_cast<std::size_t>(std::count(data.begin(), data.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < data.size()) {
    std::size_t end = data.find('\n', start);
    const bool lastWithoutBreak = end == std::string_view::npos;
    if (lastWithoutBreak) end = data.size();
    std::size_t stop = end;
    // Text mode turns CR LF into a line break; a CR elsewhere is an ordinary byte.
    if (!lastWithoutBreak && stop > start && data[stop - 1] == '\r') --stop;
    lines_.emplace_back(data.substr(start, stop - start));
    start = end + 1;
  }
}

bool LineFile::saveAtomically(const std::filesystem::path& path) const {
  std::string bytes;
  for (const std::string& line : lines_) bytes.append(line).append("\r\n");
  return writeFileAtomically(path, bytes);
}

long LineFile::separatorOf(int index) const {
  if (index < 0 || index >= size()) return -1;
  return sjis::findText(lines_[static_cast<std::size_t>(index)], "=");
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
