// The names closest to one that names nothing: edit distance in Shift-JIS characters.
#include <algorithm>

#include "base/sjis_text.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

std::vector<unsigned> charactersOf(std::string_view s) {
  std::vector<unsigned> out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sjis::charLength(s, i);
    unsigned c = static_cast<unsigned char>(s[i]);
    if (n == 2) c = c * 256u + static_cast<unsigned char>(s[i + 1]);
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    out.push_back(c);
    i += n;
  }
  return out;
}

// Edit distance in characters; letters that differ only in case count as equal, so that "x" finds "X".
std::size_t distance(const std::vector<unsigned>& a, const std::vector<unsigned>& b) {
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

}  // namespace

std::vector<std::string> closest(std::string_view name, const std::vector<std::string_view>& candidates) {
  const std::vector<unsigned> written = charactersOf(name);
  const std::size_t limit = std::max<std::size_t>(1, written.size() / 2);
  std::size_t best = limit + 1;
  std::vector<std::string> out;
  for (const std::string_view candidate : candidates) {
    if (candidate.empty() || candidate == name) continue;
    const std::size_t d = distance(written, charactersOf(candidate));
    if (d > best) continue;
    if (d < best) {
      best = d;
      out.clear();
    }
    if (out.size() < 3 && std::find(out.begin(), out.end(), candidate) == out.end())
      out.emplace_back(candidate);
  }
  return out;
}

}  // namespace tavrik::lint_detail
