#include "script/compiler/lint.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>
#include <unordered_map>

#include "base/messages.h"
#include "base/script_path.h"
#include "base/theme_file.h"
#include "script/compiler/lint_internal.h"

namespace tavrik {

namespace lint_detail {

std::vector<LintFinding> Linter::run() {
  checkNotes(*this);
  checkFiles(*this);
  // What only the whole program tells (a name never used, a choice never given a picture) is not
  // known of a program the compile stopped short of.
  if (!notes_.stoppedShort) {
    checkUnused(*this);
    checkChoices(*this);
  }
  checkWaits(*this);
  checkEndlessLoops(*this);
  return sorted();
}

bool Linter::before(const Located& a, const Located& b) {
  return std::tie(a.file, a.finding.line, a.finding.column, a.order) <
         std::tie(b.file, b.finding.line, b.finding.column, b.order);
}

// What tells a finding from another: the same at the same place is the same finding.
std::uint64_t Linter::identity(const Located& located) {
  const LintFinding& f = located.finding;
  std::uint64_t h = std::hash<std::string>{}(f.check + '\0' + f.message);
  for (const std::int64_t n : {std::int64_t{located.file}, std::int64_t{f.line}, std::int64_t{f.column}})
    h = (h ^ static_cast<std::uint64_t>(n)) * 0x100000001B3u;
  return h;
}

std::string Linter::fileName(std::int32_t file) const {
  if (file < 0 || static_cast<std::size_t>(file) >= program_.files.size()) return {};
  return paths::toDisplay(program_.files[static_cast<std::size_t>(file)].path);
}

void Linter::add(Severity severity, const NoteSite& at, std::string_view subject, bool afterHead,
                 const char* check, const Said& said) {
  LintFinding f;
  f.file = fileName(at.file);
  f.line = at.line + 1;
  f.column = columnOf(at, subject, afterHead);
  f.severity = severity;
  f.check = check;
  f.message = said.ja + " — " + said.en;
  found_.push_back({std::move(f), at.file, order_++});
  // However many findings come, a bounded number is held: those that sort first.
  if (found_.size() >= 2 * kMaxFindings) keepFirst();
}

// Sorts the findings held, drops repeats and keeps the first kMaxFindings, counting what goes.
void Linter::keepFirst() {
  std::sort(found_.begin(), found_.end(), before);
  // A macro's commands stand wherever it is used, and say the same of the same line each time.
  std::vector<Located> out;
  out.reserve(found_.size());
  std::unordered_map<std::uint64_t, std::size_t> told;
  for (Located& located : found_) {
    const auto [first, added] = told.try_emplace(identity(located), out.size());
    if (!added) {
      const LintFinding& f = located.finding;
      const Located& o = out[first->second];
      if (o.file == located.file && o.finding.line == f.line && o.finding.column == f.column &&
          o.finding.check == f.check && o.finding.message == f.message)
        continue;
    }
    out.push_back(std::move(located));
  }
  if (out.size() > kMaxFindings) {
    if (!firstLeftOut_ || before(out[kMaxFindings], *firstLeftOut_)) firstLeftOut_ = out[kMaxFindings];
    for (std::size_t i = kMaxFindings; i < out.size(); ++i) {
      leftOut_.push_back(identity(out[i]));
      leftOutError_ = leftOutError_ || out[i].finding.severity == Severity::Error;
    }
    out.resize(kMaxFindings);
  }
  found_ = std::move(out);
}

std::vector<LintFinding> Linter::sorted() {
  keepFirst();
  // What was left out, each once: a repeat of one told, or of another left out, is no more.
  std::size_t leftOut = 0;
  if (!leftOut_.empty()) {
    std::vector<std::uint64_t> told;
    told.reserve(found_.size());
    for (const Located& located : found_) told.push_back(identity(located));
    std::sort(told.begin(), told.end());
    std::sort(leftOut_.begin(), leftOut_.end());
    leftOut_.erase(std::unique(leftOut_.begin(), leftOut_.end()), leftOut_.end());
    leftOut = static_cast<std::size_t>(std::count_if(leftOut_.begin(), leftOut_.end(), [&](std::uint64_t id) {
      return !std::binary_search(told.begin(), told.end(), id);
    }));
  }
  std::vector<LintFinding> out;
  out.reserve(found_.size() + 1);
  for (Located& located : found_) out.push_back(std::move(located.finding));
  leftOut += notes_.leftOut;
  if (leftOut > 0) out.push_back(tooMany(leftOut));
  return out;
}

// The last finding when not all could be told, at the first one left out: how many were.
LintFinding Linter::tooMany(std::size_t leftOut) {
  // The first of the compile's problems left out, or of the lint's own, whichever stands first.
  std::optional<Located> first = firstLeftOut_;
  if (notes_.firstLeftOut) {
    const NoteSite& at = *notes_.firstLeftOut;
    Located problem{LintFinding{}, at.file, 0};
    problem.finding.file = fileName(at.file);
    problem.finding.line = at.line + 1;
    problem.finding.column = columnOf(at, {}, false);
    if (!first || before(problem, *first)) first = std::move(problem);
  }
  LintFinding f = std::move(first->finding);
  const std::string count = std::to_string(leftOut);
  const std::string cap = std::to_string(kMaxFindings);
  const Said said = notes_.stoppedShort ? say(MessageId::LintTooManyFindingsStopped, {count})
                                        : say(MessageId::LintTooManyFindings, {count, cap});
  // The compile's problems are all errors.
  f.severity = leftOutError_ || notes_.leftOut > 0 ? Severity::Error : Severity::Warning;
  f.check = "too-many-findings";
  f.message = said.ja + " — " + said.en;
  return f;
}

}  // namespace lint_detail

namespace {

// The game's theme for the player's screens, beside the script: what the player would pass over, as
// warnings at their lines.
void lintTheme(const std::filesystem::path& folder, std::vector<LintFinding>& findings) {
  std::error_code ec;
  const std::filesystem::path file = folder / kThemeFileName;
  if (!std::filesystem::exists(file, ec)) return;
  const ThemeFile theme = readTheme(folder);
  const auto warn = [&](int line, const char* check, std::string message) {
    LintFinding f;
    f.file = file.string();
    f.line = std::max(line, 1);
    f.severity = LintFinding::Severity::Warning;
    f.check = check;
    f.message = std::move(message);
    findings.push_back(std::move(f));
  };
  for (const ThemeProblem& problem : theme.problems) warn(problem.line, "theme", problem.text);
  if (!theme.theme.backdrop.empty() &&
      !std::filesystem::is_regular_file(folder / std::filesystem::path(theme.theme.backdrop), ec)) {
    const lint_detail::Said said = lint_detail::say(MessageId::ThemeBackdropMissing, {theme.theme.backdrop});
    warn(theme.backdropLine, "theme-backdrop", said.ja + " — " + said.en);
  }
}

}  // namespace

std::vector<LintFinding> lintScript(const std::string& scriptPath, const LintOptions& options) {
  // The script itself: a folder or nothing at all is told as such, not linted as an empty script.
  auto alone = [&](const char* check, lint_detail::Said said) {
    LintFinding f;
    f.file = paths::toDisplay(scriptPath);
    f.check = check;
    f.message = said.ja + " — " + said.en;
    return std::vector<LintFinding>{std::move(f)};
  };
  const std::string shown = paths::toDisplay(scriptPath);
  if (!paths::exists(scriptPath))
    return alone("script-not-found", lint_detail::say(MessageId::LintScriptNotFound, {shown}));
  std::error_code ec;
  const std::optional<std::filesystem::path> native = paths::resolve(scriptPath);
  if (!native || std::filesystem::is_directory(*native, ec))
    return alone("script-is-folder", lint_detail::say(MessageId::LintScriptIsFolder, {shown}));
  if (!std::filesystem::is_regular_file(*native, ec))
    return alone("script-is-folder", lint_detail::say(MessageId::LintScriptNotRegular, {shown}));

  CompileNotes notes;
  const CompileResult compiled = compileScript(scriptPath, notes);
  std::vector<LintFinding> findings = lint_detail::Linter(*compiled.program, notes, options).run();
  lintTheme(native->parent_path(), findings);
  return findings;
}

bool hasErrors(const std::vector<LintFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const LintFinding& f) { return f.severity == LintFinding::Severity::Error; });
}

}  // namespace tavrik
