// The checks of what the compile noted: errors, names that name nothing, numbers that read as
// something else, blocks and macros left open.
#include "base/action.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/lexer.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

// The head of the directive at a site, as the compile matched it.
std::string directiveHead(const Linter& l, const NoteSite& at) {
  const std::optional<std::string_view> raw = l.lineAt(at);
  if (!raw) return {};
  const std::string line = sjis::replaceAll(normalizeLine(*raw), "#", "");
  return std::string(splitDirective(line).head);
}

// A head that matched nothing: which part of it names nothing, and what was meant.
Said explainHead(const Linter& l, std::string_view head, const NoteSite& use) {
  const Program& program = l.program();
  const CompileNotes& notes = l.notes();
  if (head.empty()) return say(MessageId::LintNoHead);
  // A declared layer or channel the head starts with: the rest names no action.
  std::string_view object;
  bool layer = false;
  for (const LayerDeclaration& declared : program.layers) {
    if (!declared.name.empty() && declared.name.size() > object.size() &&
        sjis::startsWith(head, declared.name)) {
      object = declared.name;
      layer = true;
    }
  }
  for (const ChannelDeclaration& c : program.channels) {
    if (!c.name.empty() && c.name.size() > object.size() && sjis::startsWith(head, c.name)) {
      object = c.name;
      layer = false;
    }
  }
  const MessageId kind = layer ? MessageId::LintKindLayer : MessageId::LintKindChannel;
  if (!object.empty()) {
    const std::int32_t index = layer ? program.findLayer(object) : program.findChannel(object);
    if (const std::optional<NoteSite> at = siteOf(layer ? notes.layers : notes.channels, index);
        at && at->file == use.file && at->line > use.line)
      return declaredLater(l, kind, object, *at, use);
    const std::string_view rest = head.substr(object.size());
    if (rest.empty())
      return say(layer ? MessageId::LintLayerWantsMore : MessageId::LintChannelWantsMore, {utf8(object)});
    const std::int32_t action = program.findAction(rest);
    if (const std::optional<NoteSite> at = siteOf(notes.actions, action))
      return declaredLater(l, MessageId::LintKindAction, rest, *at, use);
    std::vector<std::string_view> candidates = namesOf(program.actions);
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
  std::vector<std::string_view> suffixes = namesOf(program.actions);
  suffixes.insert(suffixes.end(), {kw::kImageSuffix, kw::kChoiceDeclSuffix, kw::kLoadSuffix});
  for (const std::string_view s : suffixes) {
    if (!s.empty() && s.size() < head.size() && s.size() > suffix.size() && sjis::endsWith(head, s))
      suffix = s;
  }
  if (!suffix.empty()) {
    const std::string_view name = head.substr(0, head.size() - suffix.size());
    if (const std::optional<NoteSite> at = siteOf(notes.layers, program.findLayer(name)))
      return declaredLater(l, MessageId::LintKindLayer, name, *at, use);
    if (const std::optional<NoteSite> at = siteOf(notes.channels, program.findChannel(name)))
      return declaredLater(l, MessageId::LintKindChannel, name, *at, use);
    std::vector<std::string_view> objects = namesOf(program.layers);
    const std::vector<std::string_view> channels = namesOf(program.channels);
    objects.insert(objects.end(), channels.begin(), channels.end());
    return withClosest(MessageId::LintNoLayerOrChannelNamed, name, closest(name, objects));
  }
  std::vector<std::string_view> words = keywordHeads();
  for (const CompileNotes::Macro& macro : notes.macros) {
    if (macro.name == head) return declaredLater(l, MessageId::LintKindMacro, head, macro.site, use);
    words.push_back(macro.name);
  }
  return withClosest(MessageId::LintNoHeadNamed, head, closest(head, words));
}

void unknownAttribute(Linter& l, const CompileNotes::Note& n) {
  // "Ａ，０": the step was left out, and the attribute stands where the step should.
  if (const std::optional<std::string_view> raw = l.lineAt(n.site)) {
    const std::string normalized = normalizeLine(*raw);
    if (actionAttributeIndex(sjis::field(normalized, ",", 0)) >= 0) {
      NoteSite line = n.site;
      line.offset = -1;
      return l.add(Severity::Error, line, {}, false, "keyframe-without-step",
                   say(MessageId::LintKeyframeWithoutStep));
    }
  }
  std::vector<std::string_view> names(std::begin(kActionAttributeNames), std::end(kActionAttributeNames));
  l.add(Severity::Error, n.site, n.subject, false, "unknown-attribute",
        withClosest(MessageId::LintUnknownAttribute, n.subject, closest(n.subject, names)));
}

void unknownTag(Linter& l, const CompileNotes::Note& n) {
  const Program& program = l.program();
  const std::string_view name = n.subject;
  if (const std::int32_t action = program.findAction(name); action >= 0) {
    return l.add(Severity::Error, n.site, name, false, "unknown-tag",
                 say(MessageId::LintTagNotTextAction, {utf8(name)}));
  }
  std::vector<std::string_view> texts;
  for (const ActionDeclaration& a : program.actions) {
    if (a.kind == ActionKind::Text) texts.push_back(a.name);
  }
  l.add(Severity::Error, n.site, name, false, "unknown-tag",
        withClosest(MessageId::LintTagUndeclared, name, closest(name, texts)));
}

void checkNote(Linter& l, const CompileNotes::Note& n) {
  const Program& program = l.program();
  const CompileNotes& notes = l.notes();
  const NoteSite& at = n.site;
  const std::string_view subject = n.subject;
  switch (n.problem) {
    case Problem::Error:
    case Problem::NeedHash:
      return l.add(Severity::Error, at, subject, false, "compile-error", compileMessage(n.message));
    case Problem::MissingTextColon:
      return l.add(Severity::Error, at, {}, false, "missing-text-colon",
                   say(MessageId::LintMissingTextColon));
    case Problem::UndeclaredHead:
      return l.add(Severity::Error, at, subject, false, "undeclared-name", explainHead(l, subject, at));
    case Problem::UndeclaredTarget: {
      if (const std::optional<NoteSite> where = siteOf(notes.layers, program.findLayer(subject)))
        return l.add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(l, MessageId::LintKindLayer, subject, *where, at));
      if (const std::optional<NoteSite> where = siteOf(notes.channels, program.findChannel(subject)))
        return l.add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(l, MessageId::LintKindChannel, subject, *where, at));
      std::vector<std::string_view> objects = namesOf(program.layers);
      const std::vector<std::string_view> channels = namesOf(program.channels);
      objects.insert(objects.end(), channels.begin(), channels.end());
      return l.add(Severity::Error, at, subject, true, "undeclared-name",
                   withClosest(MessageId::LintUndeclaredTarget, subject, closest(subject, objects)));
    }
    case Problem::UndefinedVariable: {
      if (const std::optional<NoteSite> where = siteOf(notes.variables, program.findVariable(subject)))
        return l.add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(l, MessageId::LintKindVariable, subject, *where, at));
      return l.add(
          Severity::Error, at, subject, true, "undeclared-name",
          withClosest(MessageId::LintUndefinedVariable, subject, closest(subject, variableNames(program))));
    }
    case Problem::UnknownBaseAction: {
      if (const std::optional<NoteSite> where = siteOf(notes.actions, program.findAction(subject)))
        return l.add(Severity::Error, at, subject, true, "undeclared-name",
                     declaredLater(l, MessageId::LintKindAction, subject, *where, at));
      return l.add(
          Severity::Error, at, subject, true, "undeclared-name",
          withClosest(MessageId::LintUnknownBaseAction, subject, closest(subject, namesOf(program.actions))));
    }
    case Problem::UnknownAttribute:
      return unknownAttribute(l, n);
    case Problem::UnknownTag:
      return unknownTag(l, n);
    case Problem::NotANumber:
      return l.add(Severity::Error, at, subject, false, "not-a-number", misreadNumber(subject, n.integer));
    case Problem::ExtraFields:
      return l.add(Severity::Error, at, subject, false, "extra-values",
                   say(MessageId::LintExtraValues, {utf8(subject)}));
    case Problem::NeitherVariableNorNumber: {
      if (hasFullWidthPoint(subject))
        return l.add(Severity::Error, at, subject, false, "not-a-number", misreadNumber(subject, false));
      return l.add(Severity::Error, at, subject, false, "not-a-number",
                   withClosest(MessageId::LintNeitherVariableNorNumber, subject,
                               closest(subject, variableNames(program))));
    }
    case Problem::OpenBlock:
      return l.add(Severity::Error, at, {}, false, "open-block",
                   say(subject == kw::kCondition ? MessageId::LintOpenCondition : MessageId::LintOpenLoop));
    case Problem::OpenBlockInside:
      return l.add(Severity::Error, at, {}, false, "open-block",
                   say(subject == kw::kCondition ? MessageId::LintConditionClosedByLoopEnd
                                                 : MessageId::LintLoopClosedByConditionEnd));
    case Problem::MissingKeyframeValue:
      return l.add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingKeyframeValue));
    case Problem::MissingWaitTime:
      return l.add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingWaitTime));
    case Problem::MissingChoiceValues:
      return l.add(Severity::Error, at, {}, false, "missing-value", say(MessageId::LintMissingChoiceValues));
    case Problem::UnusedArgument: {
      const std::string head = directiveHead(l, at);
      return l.add(Severity::Error, at, subject, false, "unused-argument",
                   say(MessageId::LintUnusedArgument, {utf8(head), utf8(subject)}));
    }
    case Problem::OpenMacro:
      return l.add(Severity::Error, at, {}, false, "open-macro",
                   say(MessageId::LintOpenMacro, {utf8(subject)}));
  }
}

}  // namespace

void checkNotes(Linter& l) {
  for (const CompileNotes::Note& note : l.notes().notes) checkNote(l, note);
}

}  // namespace tavrik::lint_detail
