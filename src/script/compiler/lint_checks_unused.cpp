// The checks only the whole program answers: names declared and never used, variables read and
// never set, choice layers that never get a picture.
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

void checkUnused(Linter& l) {
  const Program& program = l.program();
  const CompileNotes& notes = l.notes();
  std::vector<bool> layers(program.layers.size()), channels(program.channels.size()),
      actions(program.actions.size()), variables(program.variables.size()), read(program.variables.size()),
      set(program.variables.size());
  auto mark = [](std::vector<bool>& used, std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < used.size())
      used[static_cast<std::size_t>(index)] = true;
  };
  auto markTarget = [&](const Target& target) {
    if (target.kind == Target::Kind::Layer) mark(layers, target.index);
    if (target.kind == Target::Kind::Channel) mark(channels, target.index);
  };
  for (const Command& command : program.commands) {
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
      for (const std::int32_t a : program.characterActions[static_cast<std::size_t>(c->actions)])
        mark(actions, a);
    } else if (const auto* c = std::get_if<RestartTextCommand>(&command)) {
      mark(layers, c->layer);
      mark(actions, c->action);
    }
  }
  // An action named as another's base is used by it. A choice layer without a picture is told as such.
  for (const std::int32_t base : notes.baseActions) mark(actions, base);
  for (const auto& choice : notes.choices) mark(layers, choice.first);
  // A tag that names an action of another kind meant to use it, and so does a head that names what is
  // declared after it, or misspells one part: that is told where they stand.
  for (const CompileNotes::Note& note : notes.notes) {
    if (note.problem == Problem::UnknownTag) mark(actions, program.findAction(note.subject));
    if (note.problem != Problem::UndeclaredHead) continue;
    for (std::size_t i = 0; i < program.layers.size(); ++i) {
      if (sjis::startsWith(note.subject, program.layers[i].name)) layers[i] = true;
    }
    for (std::size_t i = 0; i < program.channels.size(); ++i) {
      if (sjis::startsWith(note.subject, program.channels[i].name)) channels[i] = true;
    }
    for (std::size_t i = 0; i < program.actions.size(); ++i) {
      if (sjis::endsWith(note.subject, program.actions[i].name)) actions[i] = true;
    }
  }
  // The choice result is every program's, declared by none.
  if (!variables.empty()) variables[0] = true;

  auto report = [&](const std::vector<bool>& used, const std::vector<NoteSite>& sites,
                    const std::vector<std::string_view>& names, MessageId kind) {
    for (std::size_t i = 0; i < used.size() && i < sites.size(); ++i) {
      if (used[i] || sites[i].line < 0) continue;
      l.add(Severity::Warning, sites[i], names[i], true, "unused-declaration", unusedSaid(kind, names[i]));
    }
  };
  report(layers, notes.layers, namesOf(program.layers), MessageId::LintKindLayer);
  report(channels, notes.channels, namesOf(program.channels), MessageId::LintKindChannel);
  report(actions, notes.actions, namesOf(program.actions), MessageId::LintKindAction);
  report(variables, notes.variables, variableNames(program), MessageId::LintKindVariable);
  // A variable read and never set is always 0: its assignment was forgotten, or made to another name.
  // The choice result is set by every choice wait.
  const std::vector<std::string_view> names = variableNames(program);
  for (std::size_t i = 1; i < read.size() && i < notes.variables.size(); ++i) {
    if (!read[i] || set[i] || notes.variables[i].line < 0) continue;
    l.add(Severity::Warning, notes.variables[i], names[i], true, "never-set",
          say(MessageId::LintNeverSet, {utf8(names[i])}));
  }
  for (const CompileNotes::Macro& macro : notes.macros) {
    if (macro.used) continue;
    l.add(Severity::Warning, macro.site, macro.name, true, "unused-declaration",
          unusedSaid(MessageId::LintKindMacro, macro.name));
  }
}

// A choice button without a picture has nothing to click.
void checkChoices(Linter& l) {
  const Program& program = l.program();
  const CompileNotes& notes = l.notes();
  std::vector<bool> pictured(program.layers.size());
  for (const Command& command : program.commands) {
    if (const auto* load = std::get_if<LoadImageCommand>(&command))
      pictured[static_cast<std::size_t>(load->layer)] = true;
  }
  for (const auto& [layer, at] : notes.choices) {
    if (pictured[static_cast<std::size_t>(layer)]) continue;
    const std::string& name = program.layers[static_cast<std::size_t>(layer)].name;
    l.add(Severity::Warning, at, name, false, "choice-without-picture",
          say(MessageId::LintChoiceWithoutPicture, {utf8(name)}));
  }
}

}  // namespace tavrik::lint_detail
