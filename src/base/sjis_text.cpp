#include "base/sjis_text.h"

#include <algorithm>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tavrik::sjis {

long findText(std::string_view s, std::string_view sub) {
  for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) {
    if (s.compare(i, sub.size(), sub) == 0) return static_cast<long>(i);
  }
  // An empty needle also matches at the very end.
  return sub.empty() ? static_cast<long>(s.size()) : -1;
}

long findLastText(std::string_view s, std::string_view sub) {
  long last = -1;
  std::size_t i = 0;
  for (; i < s.size(); i += charLength(s, i)) {
    if (s.compare(i, sub.size(), sub) == 0) last = static_cast<long>(i);
  }
  if (sub.empty()) last = static_cast<long>(s.size());
  return last;
}

bool endsWith(std::string_view s, std::string_view p) {
  if (p.size() > s.size()) return false;
  const std::size_t start = s.size() - p.size();
  if (s.substr(start) != p) return false;
  std::size_t i = 0;
  while (i < start) i += charLength(s, i);
  return i == start;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  const ReplacePair pair[] = {{from, to}};
  return replacePairs(s, pair, 1);
}

std::string replacePairs(std::string_view s, const ReplacePair* table, std::size_t count) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    bool replaced = false;
    for (std::size_t k = 0; k < count; ++k) {
      const ReplacePair& pair = table[k];
      if (!pair.from.empty() && s.compare(i, pair.from.size(), pair.from) == 0) {
        out += pair.to;
        i += pair.from.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      const std::size_t n = charLength(s, i);
      out.append(s, i, n);
      i += n;
    }
  }
  return out;
}

std::string_view field(std::string_view s, std::string_view sep, int k) {
  if (sep.empty()) return k == 0 ? s : std::string_view{};
  for (int skipped = 0; skipped < k; ++skipped) {
    const long pos = findText(s, sep);
    if (pos < 0) return {};
    s.remove_prefix(static_cast<std::size_t>(pos) + sep.size());
  }
  const long end = findText(s, sep);
  return end < 0 ? s : s.substr(0, static_cast<std::size_t>(end));
}

std::vector<std::string_view> fields(std::string_view s, std::string_view sep) {
  if (sep.empty()) return {s};
  std::vector<std::string_view> out;
  for (;;) {
    const long pos = findText(s, sep);
    if (pos < 0) break;
    out.push_back(s.substr(0, static_cast<std::size_t>(pos)));
    s.remove_prefix(static_cast<std::size_t>(pos) + sep.size());
  }
  out.push_back(s);
  return out;
}

std::string_view directoryOf(std::string_view path) {
  const long pos = findLastText(path, "\\");
  return pos < 0 ? std::string_view{} : path.substr(0, static_cast<std::size_t>(pos) + 1);
}

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view skipBlanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  return s.substr(i);
}

}  // namespace

std::int32_t parseInt(std::string_view s) {
  s = skipBlanks(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !isDigit(s[0])) return 0;
  std::int64_t value = 0;
  bool overflow = false;
  for (char c : s) {
    if (!isDigit(c)) break;
    if (!overflow) {
      value = value * 10 + (c - '0');
      if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) overflow = true;
    }
  }
  if (negative) value = -value;
  if (overflow || value > std::numeric_limits<std::int32_t>::max()) {
    return negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

float parseFloat(std::string_view s) {
  s = skipBlanks(s);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  // Only decimal forms: no "inf", "nan" or hexadecimal, which stream extraction does not read either.
  if (s.empty() || !(isDigit(s[0]) || (s[0] == '.' && s.size() > 1 && isDigit(s[1])))) return 0.0f;
  float value = 0.0f;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Saturate like the classic stream does: too large gives the largest float, too small gives 0.
    const double wide = std::strtod(std::string(s.data(), end).c_str(), nullptr);
    value = std::fabs(wide) >= 1.0 ? std::numeric_limits<float>::max() : 0.0f;
  } else if (ec != std::errc{}) {
    return 0.0f;
  }
  return negative ? -value : value;
}

std::vector<std::uint16_t> characterCodes(std::string_view s, std::size_t most) {
  std::vector<std::uint16_t> codes;
  for (std::size_t i = 0; i < s.size() && codes.size() < most;) {
    const std::size_t n = charLength(s, i);
    std::uint16_t code = static_cast<unsigned char>(s[i]);
    if (n == 2) code = static_cast<std::uint16_t>(code << 8 | static_cast<unsigned char>(s[i + 1]));
    codes.push_back(code);
    i += n;
  }
  return codes;
}

std::size_t editDistance(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace tavrik::sjis
