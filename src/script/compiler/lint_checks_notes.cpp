// The checks of what the compile noted: errors, names that name nothing, numbers that read as
// something else, blocks and macros left open.
#include "base/action.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/lexer.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

void Linter::fromNote(const CompileNotes::Note& n) {
  const NoteSite& at = n.site;
  const std::string_view subject = n.subject;
  switch (n.problem) {
    case Problem::Error:
    case Problem::NeedHash:
      return add(Severity::Error, at, subject, false, "compile-error", compileMessage(n.message));
    case Problem::MissingTextColon:
      return add(Severity::Error, at, {}, false, "missing-text-colon", say(MessageId::LintMissingTextColon));
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

// A head that matched nothing: which part of it names nothing, and what was meant.
Said Linter::explainHead(std::string_view head, const NoteSite& use) const {
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
  std::vector<std::string_view> words = keywordHeads();
  for (const CompileNotes::Macro& macro : notes_.macros) {
    if (macro.name == head) return declaredLater(MessageId::LintKindMacro, head, macro.site, use);
    words.push_back(macro.name);
  }
  return withClosest(MessageId::LintNoHeadNamed, head, closest(head, words));
}

void Linter::unknownAttribute(const CompileNotes::Note& n) {
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

void Linter::unknownTag(const CompileNotes::Note& n) {
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

}  // namespace tavrik::lint_detail
