// Statements: each appends one command to the current list. Text blocks gather the text lines under a
// text directive into one command.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/compiler_internal.h"

namespace tavrik::compile_detail {

void title(ScriptCompiler& c, const DirectiveFields& f) {
  c.appendNew(SetTitleCommand{c.addText(std::string(f.firstArg))});
}

void waitAction(ScriptCompiler& c, const DirectiveFields& f) {
  if (f.firstArg.empty()) {
    c.appendNew(WaitActionCommand{});
    return;
  }
  // A layer wins over a channel of the same name.
  if (const std::int32_t layer = c.program->findLayer(f.firstArg); layer >= 0) {
    c.appendNew(WaitActionCommand{Target{Target::Kind::Layer, layer}});
    return;
  }
  if (const std::int32_t channel = c.program->findChannel(f.firstArg); channel >= 0) {
    c.appendNew(WaitActionCommand{Target{Target::Kind::Channel, channel}});
    return;
  }
  c.fail(jaSjis(MessageId::CompileUndeclaredTarget, {f.firstArg}), Problem::UndeclaredTarget, f.firstArg);
}

void waitTime(ScriptCompiler& c, const DirectiveFields& f) {
  if (c.notes) {
    // Without its frames the wait reads 0 and waits for nothing.
    if (f.firstArg.empty())
      c.note(Problem::MissingWaitTime, c.lineEnd());
    else
      c.checkNumber(f.firstArg, true);
  }
  c.appendNew(WaitTimeCommand{sjis::parseInt(f.firstArg)});
}

void waitInput(ScriptCompiler& c, const DirectiveFields& f) {
  c.noteUnusedArgument(f);
  c.appendNew(WaitInputCommand{});
}

void waitChoice(ScriptCompiler& c, const DirectiveFields& f) {
  c.noteUnusedArgument(f);
  c.appendNew(WaitChoiceCommand{});
}

void expression(ScriptCompiler& c, const DirectiveFields& f) {
  c.append(compileAssignment(c, f.firstArg));
}

void layerAction(ScriptCompiler& c, std::int32_t layer, std::int32_t action) {
  const LayerKind kind = c.program->layers[static_cast<std::size_t>(layer)].kind;
  switch (c.program->actions[static_cast<std::size_t>(action)].kind) {
    case ActionKind::Plain:
      c.appendNew(StartActionCommand{Target{Target::Kind::Layer, layer}, action});
      return;
    case ActionKind::Eye:
      if (kind != LayerKind::Person) c.fail(jaSjis(MessageId::CompileEyeNotPerson));
      c.appendNew(SetEyeActionCommand{layer, action});
      return;
    case ActionKind::Mouth:
      if (kind != LayerKind::Person) c.fail(jaSjis(MessageId::CompileMouthNotPerson));
      c.appendNew(SetMouthActionCommand{layer, action});
      return;
    case ActionKind::Text:
      if (kind != LayerKind::Text) c.fail(jaSjis(MessageId::CompileTextNotFrame));
      // A line ending in ":" opens a block of text lines; without it the action restarts the characters.
      if (sjis::endsWith(c.line, ":")) {
        textBlock(c, layer, action);
      } else {
        c.appendNew(RestartTextCommand{layer, action});
        // Text lines after it would mean the "：" was forgotten.
        if (c.notes) c.restart = {c.context->index, layer, action, static_cast<std::int32_t>(c.line.size())};
      }
      return;
  }
}

// The lines after a text directive, up to the next line that starts with "#" or "＃" once its tabs are
// gone, joined by line feeds. "$name$" switches to the text action of that name; "$$$", "$$", "$##" and
// "$#" write "＄", "$", "＃" and "#". Every character remembers the text action it is shown with.
void textBlock(ScriptCompiler& c, std::int32_t layer, std::int32_t action) {
  Context& context = *c.context;
  std::string text;
  std::vector<std::int32_t> characterActions;
  std::int32_t current = action;
  for (int next = context.nextLine(context.index + 1); static_cast<std::size_t>(next) < context.lines.size();
       next = context.nextLine(context.index + 1)) {
    std::string line = sjis::replaceAll(context.lines[static_cast<std::size_t>(next)], "\t", "");
    if (!line.empty() && (line[0] == '#' || sjis::startsWith(line, kw::kFullWidthHash))) break;
    context.index = next;
    if (line.empty()) continue;
    line = sjis::replaceAll(line, kw::kFullWidthDollar, "$");
    if (!text.empty()) {
      text += '\n';
      characterActions.push_back(current);
    }
    std::string_view rest = line;
    auto plainCharacter = [&] {
      const std::size_t n = sjis::charLength(rest, 0);
      text.append(rest.substr(0, n));
      characterActions.push_back(current);
      rest.remove_prefix(n);
    };
    auto escape = [&](std::string_view written, std::string_view gives) {
      if (!sjis::startsWith(rest, written)) return false;
      text += gives;
      characterActions.push_back(current);
      rest.remove_prefix(written.size());
      return true;
    };
    while (!rest.empty()) {
      if (escape("$$$", kw::kFullWidthDollar) || escape("$$", "$") || escape("$##", kw::kFullWidthHash) ||
          escape("$#", "#"))
        continue;
      if (rest[0] == '$') {
        rest.remove_prefix(1);
        const long close = sjis::findText(rest, "$");
        if (close < 0) {
          c.problem(jaSjis(MessageId::CompileTagNotClosed), Problem::Error, {});
          break;
        }
        const std::string_view name = rest.substr(0, static_cast<std::size_t>(close));
        // A tag in error leaves the text action as it was.
        if (const std::int32_t tag = c.program->findTextAction(name); tag >= 0) {
          current = tag;
        } else {
          c.problem(jaSjis(MessageId::CompileTagUndeclared, {name}), Problem::UnknownTag, name);
        }
        rest.remove_prefix(static_cast<std::size_t>(close) + 1);
        // The character right after a tag is taken as it is, even a "$".
        if (!rest.empty()) plainCharacter();
        continue;
      }
      plainCharacter();
    }
  }
  c.program->characterActions.push_back(std::move(characterActions));
  c.appendNew(ShowTextCommand{layer, c.addText(std::move(text)),
                              static_cast<std::int32_t>(c.program->characterActions.size()) - 1});
}

}  // namespace tavrik::compile_detail
