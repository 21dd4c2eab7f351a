// The lint's parts, shared by its files and by nothing else: the Linter, which gathers the findings of
// every check, sorts them and keeps the first kMaxFindings, the checks, and what they say with.
//
// lint.cpp runs the checks and keeps the findings; lint_checks_*.cpp hold the checks, a family each;
// lint_messages.cpp builds what they say, lint_names.cpp finds the names closest to a misspelt one, and
// lint_columns.cpp tells where on its line a finding stands. lint_report.cpp writes the findings out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "script/compiler/lexer.h"
#include "script/compiler/lint.h"
#include "script/compiler/script_compiler.h"

namespace tavrik::lint_detail {

using Problem = CompileNotes::Problem;
using Severity = LintFinding::Severity;

// A message in both languages.
struct Said {
  std::string ja;
  std::string en;
};

// lint_messages.cpp

// A message whose arguments are the same in both languages.
Said say(MessageId id, std::initializer_list<std::string_view> args = {});
// Shift-JIS from a script, for a message.
std::string utf8(std::string_view sjis);
// "（近い名前：「A」「B」）" and " (closest: A, B)", or nothing.
Said closestSaid(const std::vector<std::string>& names);
// A name that names nothing (the row's {1}), said with the names closest to it (its {2}).
Said withClosest(MessageId id, std::string_view name, const std::vector<std::string>& near);
// A name of the kind (a row such as LintKindLayer) declared and never used.
Said unusedSaid(MessageId kind, std::string_view name);
// Whether a number holds a full-width point or comma, which authors write for a decimal point.
bool hasFullWidthPoint(std::string_view text);
// What a number that reads as something else than written says.
Said misreadNumber(std::string_view text, bool integer);
// A compile error's own message, and its English.
Said compileMessage(const std::string& message);

// lint_names.cpp

// The candidates closest to name: those at the smallest distance, when that is at most half the name's
// length (and at least 1), three at most, in the order given.
std::vector<std::string> closest(std::string_view name, const std::vector<std::string_view>& candidates);

template <class Table>
std::vector<std::string_view> namesOf(const Table& table) {
  std::vector<std::string_view> names;
  names.reserve(table.size());
  for (const auto& entry : table) names.push_back(entry.name);
  return names;
}

// The findings of one lint: what every check reads, and where its findings go. The checks are free
// functions over it, a family a file, so that a family reads without the others.
class Linter {
 public:
  Linter(const Program& program, const CompileNotes& notes, const LintOptions& options)
      : program_(program), notes_(notes), options_(options) {}

  // Every check, then the findings sorted, repeats dropped, the first kMaxFindings.
  std::vector<LintFinding> run();

  const Program& program() const { return program_; }
  const CompileNotes& notes() const { return notes_; }
  const LintOptions& options() const { return options_; }

  // A finding about subject, at the column where it stands on the site's line (after the head's "："
  // when afterHead); check is its stable short name.
  void add(Severity severity, const NoteSite& at, std::string_view subject, bool afterHead, const char* check,
           const Said& said);
  // A file of the program for display.
  std::string fileName(std::int32_t file) const;
  // The line of a site as the compile read it, when the site has one.
  std::optional<std::string_view> lineAt(const NoteSite& at) const;
  NoteSite commandSite(std::size_t command) const {
    const SourceLine& source = program_.sources[command];
    return NoteSite{source.file, source.line, -1, true};
  }

 private:
  struct Located {
    LintFinding finding;
    std::int32_t file;
    std::uint64_t order;  // the findings' own order, among those at one place
  };

  // The line whose columns were asked last, walked along once however many names on it are told (a
  // line may declare a hundred thousand).
  struct LineColumns {
    std::int32_t file = -1;
    std::int32_t line = -1;
    bool hashesRemoved = true;
    std::optional<NormalizedColumns> columns;
    std::optional<std::string> normalized;  // every "#" removed, made when a subject is looked for
  };

  // lint.cpp: the findings kept.
  static bool before(const Located& a, const Located& b);
  static std::uint64_t identity(const Located& located);
  void keepFirst();
  std::vector<LintFinding> sorted();
  LintFinding tooMany(std::size_t leftOut);

  // lint_columns.cpp
  LineColumns& columnsOf(const NoteSite& at, std::string_view raw, bool hashesRemoved);
  int columnOf(const NoteSite& at, std::string_view subject, bool afterHead);

  const Program& program_;
  const CompileNotes& notes_;
  const LintOptions& options_;
  std::vector<Located> found_;
  std::uint64_t order_ = 0;
  std::vector<std::uint64_t> leftOut_;  // the identities of what was left out
  std::optional<Located> firstLeftOut_;
  bool leftOutError_ = false;
  LineColumns lineColumns_;
};

// The checks, in the order Linter::run runs them.
// lint_checks_notes.cpp: what the compile noted, each in the order noted.
void checkNotes(Linter& l);
// lint_checks_files.cpp: pictures and sounds that are not there, names found only by ignoring case.
void checkFiles(Linter& l);
// lint_checks_unused.cpp: what only the whole program answers.
void checkUnused(Linter& l);
void checkChoices(Linter& l);
// lint_checks_flow.cpp: waits and loops that never end.
void checkWaits(Linter& l);
void checkEndlessLoops(Linter& l);

// lint_messages.cpp: where a declaration stands, for "declare it before its use".
Said declaredAt(const Linter& l, const NoteSite& at, const NoteSite& use);
Said declaredLater(const Linter& l, MessageId kind, std::string_view name, const NoteSite& at,
                   const NoteSite& use);

// Where entry index of a table was declared; nothing for what no line declared.
inline std::optional<NoteSite> siteOf(const std::vector<NoteSite>& sites, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= sites.size()) return std::nullopt;
  return sites[static_cast<std::size_t>(index)];
}

inline std::vector<std::string_view> variableNames(const Program& program) {
  return std::vector<std::string_view>(program.variables.begin(), program.variables.end());
}

}  // namespace tavrik::lint_detail
