#include "script/compiler/lint.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>

#include "base/action.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"
#include "script/compiler/lexer.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

namespace {

using Problem = CompileNotes::Problem;
using Severity = LintFinding::Severity;

// A message in both languages.
struct Said {
  std::string ja;
  std::string en;
};

// A message whose arguments are the same in both languages.
Said say(MessageId id, std::initializer_list<std::string_view> args = {}) {
  return {ja(id, args), en(id, args)};
}

std::string utf8(std::string_view sjis) {
  return sjisToUtf8(sjis);
}

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

// The candidates closest to name: those at the smallest distance, when that is at most half the name's
// length (and at least 1), three at most, in the order given.
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

// "（近い名前：「A」「B」）" and " (closest: A, B)", or nothing. English lists the names with commas,
// Japanese puts each in its own brackets.
Said closestSaid(const std::vector<std::string>& names) {
  if (names.empty()) return {};
  Said list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string name = utf8(names[i]);
    list.ja += ja(MessageId::LintClosestName, {name});
    list.en += (i ? ", " : "") + en(MessageId::LintClosestName, {name});
  }
  return {ja(MessageId::LintClosest, {list.ja}), en(MessageId::LintClosest, {list.en})};
}

std::string numberText(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  return buffer;
}

// Full-width points and commas that authors write in numbers: "．", "。", "、".
bool hasFullWidthPoint(std::string_view text) {
  for (const std::string_view point : {"\x81\x44", "\x81\x42", "\x81\x41"}) {
    if (sjis::findText(text, point) >= 0) return true;
  }
  return false;
}

int characterCount(std::string_view s) {
  int count = 0;
  for (std::size_t i = 0; i < s.size(); i += sjis::charLength(s, i)) ++count;
  return count;
}

template <class Table>
std::vector<std::string_view> namesOf(const Table& table) {
  std::vector<std::string_view> names;
  names.reserve(table.size());
  for (const auto& entry : table) names.push_back(entry.name);
  return names;
}

class Linter {
 public:
  Linter(const Program& program, const CompileNotes& notes, const LintOptions& options)
      : program_(program), notes_(notes), options_(options) {}

  std::vector<LintFinding> run() {
    for (const CompileNotes::Note& note : notes_.notes) fromNote(note);
    checkFiles();
    // What only the whole program tells (a name never used, a choice never given a picture) is not
    // known of a program the compile stopped short of.
    if (!notes_.stoppedShort) {
      checkUnused();
      checkChoices();
    }
    checkWaits();
    checkEndlessLoops();
    return sorted();
  }

 private:
  struct Located {
    LintFinding finding;
    std::int32_t file;
    std::uint64_t order;  // the findings' own order, among those at one place
  };
  static bool before(const Located& a, const Located& b) {
    return std::tie(a.file, a.finding.line, a.finding.column, a.order) <
           std::tie(b.file, b.finding.line, b.finding.column, b.order);
  }
  // What tells a finding from another: the same at the same place is the same finding.
  static std::uint64_t identity(const Located& located) {
    const LintFinding& f = located.finding;
    std::uint64_t h = std::hash<std::string>{}(f.check + '\0' + f.message);
    for (const std::int64_t n : {std::int64_t{located.file}, std::int64_t{f.line}, std::int64_t{f.column}})
      h = (h ^ static_cast<std::uint64_t>(n)) * 0x100000001B3u;
    return h;
  }

  std::optional<std::string_view> lineAt(const NoteSite& at) const {
    if (at.file < 0 || static_cast<std::size_t>(at.file) >= notes_.lines.size()) return std::nullopt;
    const LineFile& lines = notes_.lines[static_cast<std::size_t>(at.file)];
    if (at.line < 0 || static_cast<std::size_t>(at.line) >= lines.size()) return std::nullopt;
    return lines[static_cast<std::size_t>(at.line)];
  }

  // The line whose columns were asked last, walked along once however many names on it are told (a
  // line may declare a hundred thousand).
  struct LineColumns {
    std::int32_t file = -1;
    std::int32_t line = -1;
    bool hashesRemoved = true;
    std::optional<NormalizedColumns> columns;
    std::optional<std::string> normalized;  // every "#" removed, made when a subject is looked for
  };
  LineColumns& columnsOf(const NoteSite& at, std::string_view raw, bool hashesRemoved) {
    LineColumns& c = lineColumns_;
    if (c.file != at.file || c.line != at.line || c.hashesRemoved != hashesRemoved) {
      c = LineColumns{at.file, at.line, hashesRemoved, NormalizedColumns(raw, hashesRemoved), std::nullopt};
    }
    return c;
  }

  // The column of what a finding is about: where the compile saw it, else the first place the
  // subject stands on the line (after the head's "：" when afterHead), else the line's first character.
  int columnOf(const NoteSite& at, std::string_view subject, bool afterHead) {
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

  std::string fileName(std::int32_t file) const {
    if (file < 0 || static_cast<std::size_t>(file) >= program_.files.size()) return {};
    return paths::toDisplay(program_.files[static_cast<std::size_t>(file)].path);
  }

  void add(Severity severity, const NoteSite& at, std::string_view subject, bool afterHead, const char* check,
           const Said& said) {
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
  void keepFirst() {
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

  // Where a declaration stands, for "declare it before its use".
  Said declaredAt(const NoteSite& at, const NoteSite& use) const {
    const std::string line = std::to_string(at.line + 1);
    if (at.file == use.file) return say(MessageId::LintLineHere, {line});
    return say(MessageId::LintLineThere, {fileName(at.file), line});
  }

  static std::optional<NoteSite> siteOf(const std::vector<NoteSite>& sites, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= sites.size()) return std::nullopt;
    return sites[static_cast<std::size_t>(index)];
  }

  Said declaredLater(MessageId kind, std::string_view name, const NoteSite& at, const NoteSite& use) const {
    const Said where = declaredAt(at, use);
    const std::string shown = utf8(name);
    return {ja(MessageId::LintDeclaredLater, {ja(kind), shown, where.ja}),
            en(MessageId::LintDeclaredLater, {en(kind), shown, where.en})};
  }

  static Said unusedSaid(MessageId kind, std::string_view name) {
    const std::string shown = utf8(name);
    return {ja(MessageId::LintUnusedDeclaration, {ja(kind), shown}),
            en(MessageId::LintUnusedDeclaration, {en(kind), shown})};
  }

  // A head that matched nothing: which part of it names nothing, and what was meant.
  Said explainHead(std::string_view head, const NoteSite& use) const {
    if (head.empty()) return say(MessageId::LintNoHead);
    // A declared layer or channel the head starts with: the rest names no action.
    std::string_view object;
    bool layer = false;
    for (const LayerDeclaration& l : program_.layers) {
      if (!l.name.empty() && l.name.size() > object.size() && sjis::startsWith(head, l.name)) {
        object = l.name;
        layer = true;
      }
    }
    for (const ChannelDeclaration& c : program_.channels) {
      if (!c.name.empty() && c.name.size() > object.size() && sjis::startsWith(head, c.name)) {
        object = c.name;
        layer = false;
      }
    }
    const MessageId kind = layer ? MessageId::LintKindLayer : MessageId::LintKindChannel;
    if (!object.empty()) {
      const std::int32_t index = layer ? program_.findLayer(object) : program_.findChannel(object);
      if (const std::optional<NoteSite> at = siteOf(layer ? notes_.layers : notes_.channels, index);
          at && at->file == use.file && at->line > use.line)
        return declaredLater(kind, object, *at, use);
      const std::string_view rest = head.substr(object.size());
      if (rest.empty())
        return say(layer ? MessageId::LintLayerWantsMore : MessageId::LintChannelWantsMore, {utf8(object)});
      const std::int32_t action = program_.findAction(rest);
      if (const std::optional<NoteSite> at = siteOf(notes_.actions, action))
        return declaredLater(MessageId::LintKindAction, rest, *at, use);
      std::vector<std::string_view> candidates = namesOf(program_.actions);
      if (layer) {
        candidates.push_back(kw::kImageSuffix);
        candidates.push_back(kw::kChoiceDeclSuffix);
      } else {
        candidates.push_back(kw::kLoadSuffix);
      }
      const Said near = closestSaid(closest(rest, candidates));
      const std::string objectShown = utf8(object), restShown = utf8(rest);
      return {ja(MessageId::LintNoActionAfter, {ja(kind), objectShown, restShown, near.ja}),
              en(MessageId::LintNoActionAfter, {en(kind), objectShown, restShown, near.en})};
    }
    // The head ends with an action's name or a suffix: what stands before it names no layer or channel.
    std::string_view suffix;
    std::vector<std::string_view> suffixes = namesOf(program_.actions);
    suffixes.insert(suffixes.end(), {kw::kImageSuffix, kw::kChoiceDeclSuffix, kw::kLoadSuffix});
    for (const std::string_view s : suffixes) {
      if (!s.empty() && s.size() < head.size() && s.size() > suffix.size() && sjis::endsWith(head, s))
        suffix = s;
    }
    if (!suffix.empty()) {
      const std::string_view name = head.substr(0, head.size() - suffix.size());
      if (const std::optional<NoteSite> at = siteOf(notes_.layers, program_.findLayer(name)))
        return declaredLater(MessageId::LintKindLayer, name, *at, use);
      if (const std::optional<NoteSite> at = siteOf(notes_.channels, program_.findChannel(name)))
        return declaredLater(MessageId::LintKindChannel, name, *at, use);
      std::vector<std::string_view> objects = namesOf(program_.layers);
      const std::vector<std::string_view> channels = namesOf(program_.channels);
      objects.insert(objects.end(), channels.begin(), channels.end());
      return withClosest(MessageId::LintNoLayerOrChannelNamed, name, closest(name, objects));
    }
    std::vector<std::string_view> words = ScriptCompiler::keywordHeads();
    for (const CompileNotes::Macro& macro : notes_.macros) {
      if (macro.name == head) return declaredLater(MessageId::LintKindMacro, head, macro.site, use);
      words.push_back(macro.name);
    }
    return withClosest(MessageId::LintNoHeadNamed, head, closest(head, words));
  }

  // What a number that reads as something else than written says.
  static Said misreadNumber(std::string_view text, bool integer) {
    const std::string read =
        integer ? std::to_string(sjis::parseInt(text)) : numberText(sjis::parseFloat(text));
    const std::string shown = utf8(text);
    if (hasFullWidthPoint(text)) return say(MessageId::LintFullWidthPoint, {shown, read});
    if (integer && readsAsNumber(text, false)) return say(MessageId::LintNotWholeNumber, {shown, read});
    return say(MessageId::LintNotANumber, {shown, read});
  }

  // A compile error's own message, and its English: the compile makes its messages from the table's
  // rows, so a row's Shift-JIS text, split at its one placeholder, tells the message and its name.
  static Said compileMessage(const std::string& message) {
    static constexpr MessageId kKnown[] = {
        MessageId::CompileNeedHash,
        MessageId::CompileDeclarationInMacro,
        MessageId::CompileDeclarationInBlock,
        MessageId::CompileNoLayerName,
        MessageId::CompileNoChannelName,
        MessageId::CompileEmptyVariableName,
        MessageId::CompileVariableDeclared,
        MessageId::CompileBadOperator,
        MessageId::CompileNeedCondition,
        MessageId::CompileUnmatchedConditionEnd,
        MessageId::CompileUnmatchedLoopEnd,
        MessageId::CompileConditionOnBothEnds,
        MessageId::CompileMacroExists,
        MessageId::CompileUnmatchedMacroEnd,
        MessageId::CompileBlockAcrossMacro,
        MessageId::CompileInsertInMacro,
        MessageId::CompileInsertInBlock,
        MessageId::CompileScriptNotFound,
        MessageId::CompileScriptInsertsItself,
        MessageId::CompileScriptUnreadable,
        MessageId::CompileScriptNotAFile,
        MessageId::CompileScriptTooLarge,
        MessageId::CompileInsertTooDeep,
        MessageId::CompileTooManyCommands,
        MessageId::CompileTooManyInserts,
        MessageId::CompileEyeNotPerson,
        MessageId::CompileMouthNotPerson,
        MessageId::CompileTextNotFrame,
        MessageId::CompileTagNotClosed,
        // The usage lines of declarations without a name: "＃変数宣言：[名前]".
        MessageId::CompileUsageWithName,
    };
    for (const MessageId id : kKnown) {
      const std::string_view text = jaSjisText(id);
      const long placeholder = sjis::findText(text, "{1}");
      if (placeholder < 0) {
        if (message == text) return {utf8(message), en(id)};
        continue;
      }
      const std::string_view open = text.substr(0, static_cast<std::size_t>(placeholder));
      const std::string_view close = text.substr(static_cast<std::size_t>(placeholder) + 3);
      if (sjis::startsWith(message, open) && sjis::endsWith(message, close) &&
          message.size() >= open.size() + close.size()) {
        const std::string_view name =
            std::string_view(message).substr(open.size(), message.size() - open.size() - close.size());
        return {utf8(message), en(id, {utf8(name)})};
      }
    }
    return {utf8(message), en(MessageId::LintCompileError)};
  }

  // A name that names nothing, said with the names closest to it.
  static Said withClosest(MessageId id, std::string_view name, const std::vector<std::string>& near) {
    const std::string shown = utf8(name);
    const Said closestNames = closestSaid(near);
    return {ja(id, {shown, closestNames.ja}), en(id, {shown, closestNames.en})};
  }

  void fromNote(const CompileNotes::Note& n) {
    const NoteSite& at = n.site;
    const std::string_view subject = n.subject;
    switch (n.problem) {
      case Problem::Error:
      case Problem::NeedHash:
        return add(Severity::Error, at, subject, false, "compile-error", compileMessage(n.message));
      case Problem::MissingTextColon:
        return add(Severity::Error, at, {}, false, "missing-text-colon",
                   say(MessageId::LintMissingTextColon));
      case Problem::UndeclaredHead:
        return add(Severity::Error, at, subject, false, "undeclared-name", explainHead(subject, at));
      case Problem::UndeclaredTarget: {
        if (const std::optional<NoteSite> where = siteOf(notes_.layers, program_.findLayer(subject)))
          return add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(MessageId::LintKindLayer, subject, *where, at));
        if (const std::optional<NoteSite> where = siteOf(notes_.channels, program_.findChannel(subject)))
          return add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(MessageId::LintKindChannel, subject, *where, at));
        std::vector<std::string_view> objects = namesOf(program_.layers);
        const std::vector<std::string_view> channels = namesOf(program_.channels);
        objects.insert(objects.end(), channels.begin(), channels.end());
        return add(Severity::Error, at, subject, true, "undeclared-name",
                   withClosest(MessageId::LintUndeclaredTarget, subject, closest(subject, objects)));
      }
      case Problem::UndefinedVariable: {
        if (const std::optional<NoteSite> where = siteOf(notes_.variables, program_.findVariable(subject)))
          return add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(MessageId::LintKindVariable, subject, *where, at));
        return add(Severity::Error, at, subject, true, "undeclared-name",
                   withClosest(MessageId::LintUndefinedVariable, subject, closest(subject, variableNames())));
      }
      case Problem::UnknownBaseAction: {
        if (const std::optional<NoteSite> where = siteOf(notes_.actions, program_.findAction(subject)))
          return add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(MessageId::LintKindAction, subject, *where, at));
        return add(Severity::Error, at, subject, true, "undeclared-name",
                   withClosest(MessageId::LintUnknownBaseAction, subject,
                               closest(subject, namesOf(program_.actions))));
      }
      case Problem::UnknownAttribute:
        return unknownAttribute(n);
      case Problem::UnknownTag:
        return unknownTag(n);
      case Problem::NotANumber:
        return add(Severity::Error, at, subject, false, "not-a-number", misreadNumber(subject, n.integer));
      case Problem::ExtraFields:
        return add(Severity::Error, at, subject, false, "extra-values",
                   say(MessageId::LintExtraValues, {utf8(subject)}));
      case Problem::NeitherVariableNorNumber: {
        if (hasFullWidthPoint(subject))
          return add(Severity::Error, at, subject, false, "not-a-number", misreadNumber(subject, false));
        return add(
            Severity::Error, at, subject, false, "not-a-number",
            withClosest(MessageId::LintNeitherVariableNorNumber, subject, closest(subject, variableNames())));
      }
      case Problem::OpenBlock:
        return add(Severity::Error, at, {}, false, "open-block",
                   say(subject == kw::kCondition ? MessageId::LintOpenCondition : MessageId::LintOpenLoop));
      case Problem::OpenBlockInside:
        return add(Severity::Error, at, {}, false, "open-block",
                   say(subject == kw::kCondition ? MessageId::LintConditionClosedByLoopEnd
                                                 : MessageId::LintLoopClosedByConditionEnd));
      case Problem::MissingKeyframeValue:
        return add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingKeyframeValue));
      case Problem::MissingWaitTime:
        return add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingWaitTime));
      case Problem::MissingChoiceValues:
        return add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingChoiceValues));
      case Problem::UnusedArgument: {
        const std::string head = directiveHead(at);
        return add(Severity::Error, at, subject, false, "unused-argument",
                   say(MessageId::LintUnusedArgument, {utf8(head), utf8(subject)}));
      }
      case Problem::OpenMacro:
        return add(Severity::Error, at, {}, false, "open-macro",
                   say(MessageId::LintOpenMacro, {utf8(subject)}));
    }
  }

  // The head of the directive at a site, as the compile matched it.
  std::string directiveHead(const NoteSite& at) const {
    const std::optional<std::string_view> raw = lineAt(at);
    if (!raw) return {};
    const std::string line = sjis::replaceAll(normalizeLine(*raw), "#", "");
    return std::string(splitDirective(line).head);
  }

  void unknownAttribute(const CompileNotes::Note& n) {
    // "Ａ，０": the step was left out, and the attribute stands where the step should.
    if (const std::optional<std::string_view> raw = lineAt(n.site)) {
      const std::string normalized = normalizeLine(*raw);
      if (actionAttributeIndex(sjis::field(normalized, ",", 0)) >= 0) {
        NoteSite line = n.site;
        line.offset = -1;
        return add(Severity::Error, line, {}, false, "keyframe-without-step",
                   say(MessageId::LintKeyframeWithoutStep));
      }
    }
    std::vector<std::string_view> names(std::begin(kActionAttributeNames), std::end(kActionAttributeNames));
    add(Severity::Error, n.site, n.subject, false, "unknown-attribute",
        withClosest(MessageId::LintUnknownAttribute, n.subject, closest(n.subject, names)));
  }

  void unknownTag(const CompileNotes::Note& n) {
    const std::string_view name = n.subject;
    if (const std::int32_t action = program_.findAction(name); action >= 0) {
      return add(Severity::Error, n.site, name, false, "unknown-tag",
                 say(MessageId::LintTagNotTextAction, {utf8(name)}));
    }
    std::vector<std::string_view> texts;
    for (const ActionDeclaration& a : program_.actions) {
      if (a.kind == ActionKind::Text) texts.push_back(a.name);
    }
    add(Severity::Error, n.site, name, false, "unknown-tag",
        withClosest(MessageId::LintTagUndeclared, name, closest(name, texts)));
  }

  std::vector<std::string_view> variableNames() const {
    return std::vector<std::string_view>(program_.variables.begin(), program_.variables.end());
  }

  // The written name of a file a command names: its text without the folder of the file it is in.
  std::string_view writtenName(std::string_view path, std::int32_t file) const {
    if (file < 0 || static_cast<std::size_t>(file) >= program_.files.size()) return path;
    const std::string_view folder = sjis::directoryOf(program_.files[static_cast<std::size_t>(file)].path);
    return sjis::startsWith(path, folder) ? path.substr(folder.size()) : path;
  }

  // The on-disk spelling of the last components of a file found by ignoring case, as many as written.
  static std::string onDisk(const std::filesystem::path& found, std::string_view written) {
    std::size_t components = 1;
    for (std::size_t i = 0; i < written.size(); i += sjis::charLength(written, i)) {
      if (written[i] == '\\' || written[i] == '/') ++components;
    }
    std::vector<std::string> parts;
    for (const auto& part : found) parts.push_back(part.string());
    std::string out;
    for (std::size_t i = parts.size() > components ? parts.size() - components : 0; i < parts.size(); ++i)
      out += (out.empty() ? "" : "/") + parts[i];
    return out;
  }

  void caseDiffers(const NoteSite& at, const std::string& path, std::string_view written) {
    // A game loads the same few files again and again: each is looked for once.
    auto [known, added] = foundIgnoringCase_.try_emplace(path);
    if (added) known->second = paths::foundIgnoringCase(path);
    const std::optional<std::filesystem::path>& found = known->second;
    if (!found) return;
    const std::string disk = onDisk(*found, written);
    add(Severity::Warning, at, written, true, "letter-case",
        say(MessageId::LintLetterCase, {utf8(written), disk}));
  }

  NoteSite commandSite(std::size_t command) const {
    const SourceLine& source = program_.sources[command];
    return NoteSite{source.file, source.line, -1, true};
  }

  // Pictures and sounds the commands name, and inserted files, as the player looks for them.
  void checkFiles() {
    std::unordered_map<std::string, std::string> pictures;  // name: the file found, or empty
    std::unordered_map<std::string, bool> sounds;
    for (std::size_t i = 0; i < program_.commands.size(); ++i) {
      const Command& command = program_.commands[i];
      if (const auto* load = std::get_if<LoadImageCommand>(&command)) {
        const std::string& path = program_.text(load->path);
        const NoteSite at = commandSite(i);
        const std::string_view written = writtenName(path, at.file);
        if (written.empty()) continue;  // an empty name takes the picture away
        auto [it, added] = pictures.try_emplace(path);
        if (added) it->second = paths::findPicture(path, options_.moduleDirectory);
        if (it->second.empty()) {
          add(Severity::Error, at, written, true, "missing-picture",
              say(MessageId::LintMissingPicture, {utf8(written)}));
        } else {
          caseDiffers(at, it->second, written);
        }
      } else if (const auto* sound = std::get_if<LoadSoundCommand>(&command)) {
        const std::string& path = program_.text(sound->path);
        const NoteSite at = commandSite(i);
        const std::string_view written = writtenName(path, at.file);
        if (written.empty()) continue;
        auto [it, added] = sounds.try_emplace(path);
        if (added) it->second = paths::resolve(path).has_value();
        if (!it->second) {
          add(Severity::Error, at, written, true, "missing-sound",
              say(MessageId::LintMissingSound, {utf8(written)}));
        } else {
          caseDiffers(at, path, written);
        }
      }
    }
    for (const auto& [path, at] : notes_.inserts) caseDiffers(at, path, writtenName(path, at.file));
  }

  void checkUnused() {
    std::vector<bool> layers(program_.layers.size()), channels(program_.channels.size()),
        actions(program_.actions.size()), variables(program_.variables.size()),
        read(program_.variables.size()), set(program_.variables.size());
    auto mark = [](std::vector<bool>& used, std::int32_t index) {
      if (index >= 0 && static_cast<std::size_t>(index) < used.size())
        used[static_cast<std::size_t>(index)] = true;
    };
    auto markTarget = [&](const Target& target) {
      if (target.kind == Target::Kind::Layer) mark(layers, target.index);
      if (target.kind == Target::Kind::Channel) mark(channels, target.index);
    };
    for (const Command& command : program_.commands) {
      if (const auto* c = std::get_if<JumpCommand>(&command)) {
        mark(variables, c->left);
        mark(variables, c->right);
        mark(read, c->left);
        mark(read, c->right);
      } else if (const auto* c = std::get_if<AssignCommand>(&command)) {
        mark(variables, c->target);
        mark(variables, c->source);
        mark(set, c->target);
        mark(read, c->source);
      } else if (const auto* c = std::get_if<WaitActionCommand>(&command)) {
        markTarget(c->target);
      } else if (const auto* c = std::get_if<LoadImageCommand>(&command)) {
        mark(layers, c->layer);
      } else if (const auto* c = std::get_if<LoadSoundCommand>(&command)) {
        mark(channels, c->channel);
      } else if (const auto* c = std::get_if<StartActionCommand>(&command)) {
        markTarget(c->target);
        mark(actions, c->action);
      } else if (const auto* c = std::get_if<SetEyeActionCommand>(&command)) {
        mark(layers, c->layer);
        mark(actions, c->action);
      } else if (const auto* c = std::get_if<SetMouthActionCommand>(&command)) {
        mark(layers, c->layer);
        mark(actions, c->action);
      } else if (const auto* c = std::get_if<ShowTextCommand>(&command)) {
        mark(layers, c->layer);
        for (const std::int32_t a : program_.characterActions[static_cast<std::size_t>(c->actions)])
          mark(actions, a);
      } else if (const auto* c = std::get_if<RestartTextCommand>(&command)) {
        mark(layers, c->layer);
        mark(actions, c->action);
      }
    }
    // An action named as another's base is used by it. A choice layer without a picture is told as such.
    for (const std::int32_t base : notes_.baseActions) mark(actions, base);
    for (const auto& choice : notes_.choices) mark(layers, choice.first);
    // A tag that names an action of another kind meant to use it, and so does a head that names what is
    // declared after it, or misspells one part: that is told where they stand.
    for (const CompileNotes::Note& note : notes_.notes) {
      if (note.problem == Problem::UnknownTag) mark(actions, program_.findAction(note.subject));
      if (note.problem != Problem::UndeclaredHead) continue;
      for (std::size_t i = 0; i < program_.layers.size(); ++i) {
        if (sjis::startsWith(note.subject, program_.layers[i].name)) layers[i] = true;
      }
      for (std::size_t i = 0; i < program_.channels.size(); ++i) {
        if (sjis::startsWith(note.subject, program_.channels[i].name)) channels[i] = true;
      }
      for (std::size_t i = 0; i < program_.actions.size(); ++i) {
        if (sjis::endsWith(note.subject, program_.actions[i].name)) actions[i] = true;
      }
    }
    // The choice result is every program's, declared by none.
    if (!variables.empty()) variables[0] = true;

    auto report = [&](const std::vector<bool>& used, const std::vector<NoteSite>& sites,
                      const std::vector<std::string_view>& names, MessageId kind) {
      for (std::size_t i = 0; i < used.size() && i < sites.size(); ++i) {
        if (used[i] || sites[i].line < 0) continue;
        add(Severity::Warning, sites[i], names[i], true, "unused-declaration", unusedSaid(kind, names[i]));
      }
    };
    report(layers, notes_.layers, namesOf(program_.layers), MessageId::LintKindLayer);
    report(channels, notes_.channels, namesOf(program_.channels), MessageId::LintKindChannel);
    report(actions, notes_.actions, namesOf(program_.actions), MessageId::LintKindAction);
    report(variables, notes_.variables, variableNames(), MessageId::LintKindVariable);
    // A variable read and never set is always 0: its assignment was forgotten, or made to another name.
    // The choice result is set by every choice wait.
    const std::vector<std::string_view> names = variableNames();
    for (std::size_t i = 1; i < read.size() && i < notes_.variables.size(); ++i) {
      if (!read[i] || set[i] || notes_.variables[i].line < 0) continue;
      add(Severity::Warning, notes_.variables[i], names[i], true, "never-set",
          say(MessageId::LintNeverSet, {utf8(names[i])}));
    }
    for (const CompileNotes::Macro& macro : notes_.macros) {
      if (macro.used) continue;
      add(Severity::Warning, macro.site, macro.name, true, "unused-declaration",
          unusedSaid(MessageId::LintKindMacro, macro.name));
    }
  }

  // A choice button without a picture has nothing to click.
  void checkChoices() {
    std::vector<bool> pictured(program_.layers.size());
    for (const Command& command : program_.commands) {
      if (const auto* load = std::get_if<LoadImageCommand>(&command))
        pictured[static_cast<std::size_t>(load->layer)] = true;
    }
    for (const auto& [layer, at] : notes_.choices) {
      if (pictured[static_cast<std::size_t>(layer)]) continue;
      const std::string& name = program_.layers[static_cast<std::size_t>(layer)].name;
      add(Severity::Warning, at, name, false, "choice-without-picture",
          say(MessageId::LintChoiceWithoutPicture, {utf8(name)}));
    }
  }

  bool hasEnd(std::int32_t action) const {
    const std::vector<ActionEntry>& entries =
        program_.actions[static_cast<std::size_t>(action)].action.entries;
    return std::any_of(entries.begin(), entries.end(), [](const ActionEntry& e) {
      return e.attribute == static_cast<std::int32_t>(ActionAttribute::END);
    });
  }

  // A wait for actions ends when every action it waits for reaches END: each layer's and channel's last
  // action started before the wait, in the order the commands stand (a text layer's are its characters').
  void checkWaits() {
    std::vector<std::vector<std::int32_t>> layers(program_.layers.size()), channels(program_.channels.size());
    auto endless = [&](const std::vector<std::int32_t>& actions) -> std::int32_t {
      for (const std::int32_t a : actions) {
        if (!hasEnd(a)) return a;
      }
      return -1;
    };
    // A wait in a macro stands wherever the macro is used: what it says of one layer and action is said
    // once, however often it is used.
    std::set<std::tuple<std::int32_t, std::size_t, std::int32_t>> told;
    for (std::size_t position = 0; position < program_.code.size(); ++position) {
      const Command& command = program_.commandAt(position);
      if (const auto* c = std::get_if<StartActionCommand>(&command)) {
        if (c->target.kind == Target::Kind::Channel) {
          channels[static_cast<std::size_t>(c->target.index)] = {c->action};
        } else if (program_.layers[static_cast<std::size_t>(c->target.index)].kind != LayerKind::Text) {
          layers[static_cast<std::size_t>(c->target.index)] = {c->action};
        }
      } else if (const auto* c = std::get_if<ShowTextCommand>(&command)) {
        std::vector<std::int32_t> actions = program_.characterActions[static_cast<std::size_t>(c->actions)];
        std::sort(actions.begin(), actions.end());
        actions.erase(std::unique(actions.begin(), actions.end()), actions.end());
        layers[static_cast<std::size_t>(c->layer)] = std::move(actions);
      } else if (const auto* c = std::get_if<RestartTextCommand>(&command)) {
        if (!layers[static_cast<std::size_t>(c->layer)].empty())
          layers[static_cast<std::size_t>(c->layer)] = {c->action};
      } else if (const auto* c = std::get_if<WaitActionCommand>(&command)) {
        const Target& t = c->target;
        for (std::size_t i = 0; i < layers.size() + channels.size(); ++i) {
          const bool isLayer = i < layers.size();
          const std::size_t index = isLayer ? i : i - layers.size();
          if (t.kind != Target::Kind::Everything &&
              (t.kind != (isLayer ? Target::Kind::Layer : Target::Kind::Channel) ||
               t.index != static_cast<std::int32_t>(index)))
            continue;
          const std::int32_t action = endless(isLayer ? layers[index] : channels[index]);
          if (action < 0) continue;
          if (!told.emplace(program_.code[position], i, action).second) break;
          const std::string& name = isLayer ? program_.layers[index].name : program_.channels[index].name;
          const std::string& actionName = program_.actions[static_cast<std::size_t>(action)].name;
          add(Severity::Error, commandSite(static_cast<std::size_t>(program_.code[position])), name, true,
              "wait-never-ends", say(MessageId::LintWaitNeverEnds, {utf8(name), utf8(actionName)}));
          break;
        }
      }
    }
  }

  // A loop whose test reads only variables that nothing in its body changes never ends once it repeats:
  // the lines after it are never reached, unless a jump from before it lands there.
  void checkEndlessLoops() {
    const std::vector<std::int32_t>& code = program_.code;
    std::set<std::pair<std::size_t, std::size_t>> told;
    const auto size = static_cast<std::int64_t>(code.size());
    // The furthest any jump before each position lands.
    std::vector<std::int64_t> furthest(code.size() + 1, -1);
    for (std::int64_t p = 0; p < size; ++p) {
      furthest[static_cast<std::size_t>(p + 1)] = furthest[static_cast<std::size_t>(p)];
      if (const auto* jump = std::get_if<JumpCommand>(&program_.commandAt(static_cast<std::size_t>(p))))
        furthest[static_cast<std::size_t>(p + 1)] =
            std::max(furthest[static_cast<std::size_t>(p + 1)], p + jump->offset + 1);
    }
    for (std::int64_t test = 0; test < size; ++test) {
      const auto* jump = std::get_if<JumpCommand>(&program_.commandAt(static_cast<std::size_t>(test)));
      if (!jump || jump->offset >= 0 || jump->left < 0) continue;
      const std::int64_t body = test + jump->offset + 1;
      if (body < 0 || test + 1 >= size) continue;
      auto reads = [&](std::int32_t variable) { return variable == jump->left || variable == jump->right; };
      bool changes = false;
      for (std::int64_t p = body; p < test && !changes; ++p) {
        const Command& c = program_.commandAt(static_cast<std::size_t>(p));
        if (const auto* assign = std::get_if<AssignCommand>(&c)) changes = reads(assign->target);
        if (std::holds_alternative<WaitChoiceCommand>(c)) changes = reads(0);
      }
      if (changes) continue;
      // A jump from before the loop (a condition around it) may land after it. The jump into a loop tested
      // at the top stands just before its body and lands on its test.
      if (furthest[static_cast<std::size_t>(std::max<std::int64_t>(body - 1, 0))] > test) continue;
      if (body > 0) {
        const auto* before =
            std::get_if<JumpCommand>(&program_.commandAt(static_cast<std::size_t>(body - 1)));
        if (before && body + before->offset > test) continue;
      }
      const std::size_t testCommand = static_cast<std::size_t>(code[static_cast<std::size_t>(test)]);
      const std::size_t after = static_cast<std::size_t>(code[static_cast<std::size_t>(test + 1)]);
      // A loop in a macro is the same loop wherever the macro is used.
      if (!told.emplace(testCommand, after).second) continue;
      const NoteSite loop = commandSite(testCommand);
      const NoteSite at = commandSite(after);
      const std::string& variable = program_.variables[static_cast<std::size_t>(jump->left)];
      const Said where = declaredAt(loop, at);
      const std::string shown = utf8(variable);
      add(Severity::Warning, at, {}, false, "unreachable",
          {ja(MessageId::LintUnreachable, {where.ja, shown}),
           en(MessageId::LintUnreachable, {where.en, shown})});
    }
  }

  std::vector<LintFinding> sorted() {
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
      leftOut =
          static_cast<std::size_t>(std::count_if(leftOut_.begin(), leftOut_.end(), [&](std::uint64_t id) {
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
  LintFinding tooMany(std::size_t leftOut) {
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

  const Program& program_;
  const CompileNotes& notes_;
  const LintOptions& options_;
  std::vector<Located> found_;
  std::uint64_t order_ = 0;
  std::vector<std::uint64_t> leftOut_;  // the identities of what was left out
  std::optional<Located> firstLeftOut_;
  bool leftOutError_ = false;
  LineColumns lineColumns_;
  std::unordered_map<std::string, std::optional<std::filesystem::path>> foundIgnoringCase_;
};

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

const char* severityName(Severity severity) {
  return severity == Severity::Error ? "error" : "warning";
}

}  // namespace

std::vector<LintFinding> lintScript(const std::string& scriptPath, const LintOptions& options) {
  // The script itself: a folder or nothing at all is told as such, not linted as an empty script.
  auto alone = [&](const char* check, Said said) {
    LintFinding f;
    f.file = paths::toDisplay(scriptPath);
    f.check = check;
    f.message = said.ja + " — " + said.en;
    return std::vector<LintFinding>{std::move(f)};
  };
  const std::string shown = paths::toDisplay(scriptPath);
  if (!paths::exists(scriptPath))
    return alone("script-not-found", say(MessageId::LintScriptNotFound, {shown}));
  std::error_code ec;
  const std::optional<std::filesystem::path> native = paths::resolve(scriptPath);
  if (!native || std::filesystem::is_directory(*native, ec))
    return alone("script-is-folder", say(MessageId::LintScriptIsFolder, {shown}));
  if (!std::filesystem::is_regular_file(*native, ec))
    return alone("script-is-folder", say(MessageId::LintScriptNotRegular, {shown}));

  CompileNotes notes;
  const CompileResult compiled = compileScript(scriptPath, notes);
  return Linter(*compiled.program, notes, options).run();
}

bool hasErrors(const std::vector<LintFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const LintFinding& f) { return f.severity == Severity::Error; });
}

std::string lintText(const std::vector<LintFinding>& findings) {
  // terminalText leaves the line feed, which would start a line of its own.
  auto oneLine = [](std::string_view text) {
    std::string out;
    for (const char c : terminalText(text)) {
      if (c == '\n')
        out += "\\x0a";
      else
        out += c;
    }
    return out;
  };
  std::string out;
  for (const LintFinding& f : findings) {
    out += oneLine(f.file) + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) + ": " +
           severityName(f.severity) + ": " + oneLine(f.message) + "\n";
  }
  return out;
}

std::string lintJson(const std::vector<LintFinding>& findings) {
  if (findings.empty()) return "[]\n";
  // One finding a line, the brackets on the first and the last, as the text form has one a line.
  std::string out;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const LintFinding& f = findings[i];
    out += i == 0 ? "[" : " ";
    out += "{\"file\": " + jsonString(f.file) + ", \"line\": " + std::to_string(f.line) +
           ", \"column\": " + std::to_string(f.column) + ", \"severity\": \"" + severityName(f.severity) +
           "\", \"check\": " + jsonString(f.check) + ", \"message\": " + jsonString(f.message) + "}";
    out += i + 1 < findings.size() ? ",\n" : "]\n";
  }
  return out;
}

}  // namespace tavrik
