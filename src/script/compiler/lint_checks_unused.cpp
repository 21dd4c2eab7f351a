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
    if (const auto* jumpCommand = std::get_if<JumpCommand>(&command)) {
      mark(variables, jumpCommand->left);
      mark(variables, jumpCommand->right);
      mark(read, jumpCommand->left);
      mark(read, jumpCommand->right);
    } else if (const auto* assign = std::get_if<AssignCommand>(&command)) {
      mark(variables, assign->target);
      mark(variables, assign->source);
      mark(set, assign->target);
      mark(read, assign->source);
    } else if (const auto* waitAction = std::get_if<WaitActionCommand>(&command)) {
      markTarget(waitAction->target);
    } else if (const auto* loadImage = std::get_if<LoadImageCommand>(&command)) {
      mark(layers, loadImage->layer);
    } else if (const auto* loadSound = std::get_if<LoadSoundCommand>(&command)) {
      mark(channels, loadSound->channel);
    } else if (const auto* startAction = std::get_if<StartActionCommand>(&command)) {
      markTarget(startAction->target);
      mark(actions, startAction->action);
    } else if (const auto* setEyeAction = std::get_if<SetEyeActionCommand>(&command)) {
      mark(layers, setEyeAction->layer);
      mark(actions, setEyeAction->action);
    } else if (const auto* setMouthAction = std::get_if<SetMouthActionCommand>(&command)) {
      mark(layers, setMouthAction->layer);
      mark(actions, setMouthAction->action);
    } else if (const auto* showText = std::get_if<ShowTextCommand>(&command)) {
      mark(layers, showText->layer);
      for (const std::int32_t a : program.characterActions[static_cast<std::size_t>(showText->actions)])
        mark(actions, a);
    } else if (const auto* restartText = std::get_if<RestartTextCommand>(&command)) {
      mark(layers, restartText->layer);
      mark(actions, restartText->action);
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
