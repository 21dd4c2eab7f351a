// Where on its line a finding stands: the column, in characters, of what it is about.
#include "base/sjis_text.h"
#include "script/compiler/lexer.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

int characterCount(std::string_view s) {
  int count = 0;
  for (std::size_t i = 0; i < s.size(); i += sjis::charLength(s, i)) ++count;
  return count;
}

}  // namespace

std::optional<std::string_view> Linter::lineAt(const NoteSite& at) const {
  if (at.file < 0 || static_cast<std::size_t>(at.file) >= notes_.lines.size()) return std::nullopt;
  const LineFile& lines = notes_.lines[static_cast<std::size_t>(at.file)];
  if (at.line < 0 || static_cast<std::size_t>(at.line) >= lines.size()) return std::nullopt;
  return lines[static_cast<std::size_t>(at.line)];
}

Linter::LineColumns& Linter::columnsOf(const NoteSite& at, std::string_view raw, bool hashesRemoved) {
  LineColumns& c = lineColumns_;
  if (c.file != at.file || c.line != at.line || c.hashesRemoved != hashesRemoved) {
    c = LineColumns{at.file, at.line, hashesRemoved, NormalizedColumns(raw, hashesRemoved), std::nullopt};
  }
  return c;
}

// The column of what a finding is about: where the compile saw it, else the first place the
// subject stands on the line (after the head's "：" when afterHead), else the line's first character.
int Linter::columnOf(const NoteSite& at, std::string_view subject, bool afterHead) {
  const std::optional<std::string_view> raw = lineAt(at);
  if (!raw) return 1;
  if (at.offset >= 0)
    return columnsOf(at, *raw, at.hashesRemoved).columns->columnAt(static_cast<std::size_t>(at.offset));
  if (!subject.empty()) {
    LineColumns& line = columnsOf(at, *raw, true);
    if (!line.normalized) line.normalized = sjis::replaceAll(normalizeLine(*raw), "#", "");
    const std::string& normalized = *line.normalized;
    std::size_t from = 0;
    if (afterHead) {
      const long colon = sjis::findText(normalized, ":");
      if (colon >= 0) from = static_cast<std::size_t>(colon) + 1;
    }
    const long found = sjis::findText(std::string_view(normalized).substr(from), subject);
    if (found >= 0) return line.columns->columnAt(from + static_cast<std::size_t>(found));
    // Text lines are not normalised.
    const long written = sjis::findText(*raw, subject);
    if (written >= 0) return characterCount(raw->substr(0, static_cast<std::size_t>(written))) + 1;
  }
  return firstColumn(*raw);
}

}  // namespace tavrik::lint_detail
