// The names closest to one that names nothing: edit distance in Shift-JIS characters.
#include <algorithm>

#include "base/sjis_text.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

// The characters of a name, letters that differ only in case as equal, so that "x" finds "X".
std::vector<std::uint16_t> charactersOf(std::string_view s) {
  std::vector<std::uint16_t> out = sjis::characterCodes(s);
  for (std::uint16_t& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<std::uint16_t>(c + ('a' - 'A'));
  return out;
}

}  // namespace

std::vector<std::string> closest(std::string_view name, const std::vector<std::string_view>& candidates) {
  const std::vector<std::uint16_t> written = charactersOf(name);
  const std::size_t limit = std::max<std::size_t>(1, written.size() / 2);
  std::size_t best = limit + 1;
  std::vector<std::string> out;
  for (const std::string_view candidate : candidates) {
    if (candidate.empty() || candidate == name) continue;
    const std::size_t d = sjis::editDistance(written, charactersOf(candidate));
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
