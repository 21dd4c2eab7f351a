#include "base/line_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/files.h"
#include "base/sjis_text.h"

namespace tavrik {

static_assert(LineFile::kMaxFileSize < 0xFFFFFFFFu, "line offsets are 32-bit");

bool LineFile::load(const std::filesystem::path& path, std::uintmax_t maxSize) {
  text_.reset();
  std::optional<std::string> data = readFile(path, std::min(maxSize, kMaxFileSize));
  if (!data) return false;
  assign(std::move(*data));
  return true;
}

void LineFile::assign(std::string data) {
  if (data.size() > kMaxFileSize) data.resize(kMaxFileSize);
  auto text = std::make_shared<Text>();
  text->bytes = std::move(data);
  std::string_view content = text->bytes;
  // Old Windows editors end a file with a Ctrl-Z, where text-mode reading stops; kept, it would read as
  // a line of its own.
  if (!content.empty() && content.back() == kEndOfFileMark) content.remove_suffix(1);
  // Counted first, so that the offsets are allocated once and never more than needed; plain loops over
  // the bytes, as a line may be a single byte.
  const char* bytes = content.data();
  const std::size_t size = content.size();
  std::size_t breaks = 0;
  for (std::size_t i = 0; i < size; ++i) breaks += bytes[i] == '\n';
  const bool lastWithoutBreak = size > 0 && bytes[size - 1] != '\n';
  std::vector<std::uint32_t>& starts = text->starts;
  starts.resize(breaks + 1 + (lastWithoutBreak ? 1 : 0));
  std::uint32_t* next = starts.data();
  *next++ = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] == '\n') *next++ = static_cast<std::uint32_t>(i + 1);
  }
  if (lastWithoutBreak) *next = static_cast<std::uint32_t>(size + 1);
  text_ = std::move(text);
}

std::string_view LineFile::operator[](std::size_t index) const {
  // Plain pointers: a compile asks for every line, and a build without optimisation pays for each call.
  const Text& text = *text_;
  const char* bytes = text.bytes.data();
  const std::uint32_t* starts = text.starts.data();
  const std::size_t begin = starts[index];
  std::size_t end = starts[index + 1] - 1;
  // Text mode turns CR LF into a line break; a CR elsewhere is an ordinary byte. The byte at end is the
  // string's terminating NUL at worst.
  if (bytes[end] == '\n' && end > begin && bytes[end - 1] == '\r') --end;
  return std::string_view(bytes + begin, end - begin);
}

std::size_t LineFile::skipEmpty(std::size_t index) const {
  if (!text_) return 0;
  const Text& text = *text_;
  const std::size_t lines = text.starts.size() - 1;
  const std::uint32_t* starts = text.starts.data();
  const char* bytes = text.bytes.data();
  // An empty line is a lone LF or CR LF (a last line without a break is never empty). The byte after a
  // CR is within the string, its terminating NUL at worst.
  while (index < lines) {
    const std::uint32_t length = starts[index + 1] - starts[index];
    const char* at = bytes + starts[index];
    if (length != 1 && !(length == 2 && at[0] == '\r' && at[1] == '\n')) break;
    ++index;
  }
  return index < lines ? index : lines;
}

std::string_view LineFile::lineOf(std::string_view data, std::size_t index) {
  if (!data.empty() && data.back() == kEndOfFileMark) data.remove_suffix(1);
  std::size_t begin = 0;
  for (; index > 0; --index) {
    if (begin >= data.size()) return {};
    const void* found = std::memchr(data.data() + begin, '\n', data.size() - begin);
    if (!found) return {};
    begin = static_cast<std::size_t>(static_cast<const char*>(found) - data.data()) + 1;
  }
  if (begin >= data.size()) return {};
  std::size_t end = data.find('\n', begin);
  if (end == std::string_view::npos) return data.substr(begin);
  if (end > begin && data[end - 1] == '\r') --end;
  return data.substr(begin, end - begin);
}

bool LineFile::saveAtomically(const std::filesystem::path& path) const {
  std::string bytes;
  for (std::size_t i = 0; i < size(); ++i) bytes.append((*this)[i]).append("\r\n");
  return writeFileAtomically(path, bytes);
}

long LineFile::separatorOf(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= size()) return -1;
  return sjis::findText((*this)[static_cast<std::size_t>(index)], "=");
}

std::string LineFile::valueOf(int index) const {
  const long pos = separatorOf(index);
  if (pos < 0) return {};
  return std::string((*this)[static_cast<std::size_t>(index)].substr(static_cast<std::size_t>(pos) + 1));
}

int LineFile::find(std::string_view key) const {
  for (int i = 0; static_cast<std::size_t>(i) < size(); ++i) {
    const long pos = separatorOf(i);
    if (pos >= 0 && (*this)[static_cast<std::size_t>(i)].substr(0, static_cast<std::size_t>(pos)) == key)
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
  // The lines are written anew, each ended by CR LF, which reads back as every line was (a CR at the end
  // of a line keeps the one of its own before the line break).
  std::string bytes;
  for (std::size_t i = 0; i < size(); ++i) {
    bytes.append(static_cast<int>(i) == index ? std::string_view(line) : (*this)[i]).append("\r\n");
  }
  if (index < 0) bytes.append(line).append("\r\n");
  assign(std::move(bytes));
}

}  // namespace tavrik
