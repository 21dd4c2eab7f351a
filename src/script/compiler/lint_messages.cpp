// What the findings say, in Japanese and English, from the message table: names quoted, where a
// declaration stands, the closest names, and the English of a compile error.
#include <cstdio>

#include "base/messages.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

std::string numberText(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  return buffer;
}

}  // namespace

Said say(MessageId id, std::initializer_list<std::string_view> args) {
  return {ja(id, args), en(id, args)};
}

std::string utf8(std::string_view sjis) {
  return sjisToUtf8(sjis);
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

// A name that names nothing, said with the names closest to it.
Said withClosest(MessageId id, std::string_view name, const std::vector<std::string>& near) {
  const std::string shown = utf8(name);
  const Said closestNames = closestSaid(near);
  return {ja(id, {shown, closestNames.ja}), en(id, {shown, closestNames.en})};
}

Said unusedSaid(MessageId kind, std::string_view name) {
  const std::string shown = utf8(name);
  return {ja(MessageId::LintUnusedDeclaration, {ja(kind), shown}),
          en(MessageId::LintUnusedDeclaration, {en(kind), shown})};
}

// Full-width points and commas that authors write in numbers: "．", "。", "、".
bool hasFullWidthPoint(std::string_view text) {
  for (const std::string_view point : {"\x81\x44", "\x81\x42", "\x81\x41"}) {
    if (sjis::findText(text, point) >= 0) return true;
  }
  return false;
}

Said misreadNumber(std::string_view text, bool integer) {
  const std::string read =
      integer ? std::to_string(sjis::parseInt(text)) : numberText(sjis::parseFloat(text));
  const std::string shown = utf8(text);
  if (hasFullWidthPoint(text)) return say(MessageId::LintFullWidthPoint, {shown, read});
  if (integer && readsAsNumber(text, false)) return say(MessageId::LintNotWholeNumber, {shown, read});
  return say(MessageId::LintNotANumber, {shown, read});
}

// A compile error's own message, and its English: the compile makes its messages from the table's
// rows, so a row's Shift-JIS text, split at its one placeholder, tells the message and its name.
Said compileMessage(const std::string& message) {
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

// Where a declaration stands, for "declare it before its use".
Said declaredAt(const Linter& l, const NoteSite& at, const NoteSite& use) {
  const std::string line = std::to_string(at.line + 1);
  if (at.file == use.file) return say(MessageId::LintLineHere, {line});
  return say(MessageId::LintLineThere, {l.fileName(at.file), line});
}

Said declaredLater(const Linter& l, MessageId kind, std::string_view name, const NoteSite& at,
                   const NoteSite& use) {
  const Said where = declaredAt(l, at, use);
  const std::string shown = utf8(name);
  return {ja(MessageId::LintDeclaredLater, {ja(kind), shown, where.ja}),
          en(MessageId::LintDeclaredLater, {en(kind), shown, where.en})};
}

}  // namespace tavrik::lint_detail
