// Statements: each appends one command to the current list. Text blocks gather the text lines under a
// text directive into one command.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

void ScriptCompiler::title(const DirectiveFields& f) {
  appendNew(SetTitleCommand{addText(std::string(f.firstArg))});
}

void ScriptCompiler::waitAction(const DirectiveFields& f) {
  if (f.firstArg.empty()) {
    appendNew(WaitActionCommand{});
    return;
  }
  // A layer wins over a channel of the same name.
  if (const std::int32_t layer = program_->findLayer(f.firstArg); layer >= 0) {
    appendNew(WaitActionCommand{Target{Target::Kind::Layer, layer}});
    return;
  }
  if (const std::int32_t channel = program_->findChannel(f.firstArg); channel >= 0) {
    appendNew(WaitActionCommand{Target{Target::Kind::Channel, channel}});
    return;
  }
  fail(jaSjis(MessageId::CompileUndeclaredTarget, {f.firstArg}), Problem::UndeclaredTarget, f.firstArg);
}

void ScriptCompiler::waitTime(const DirectiveFields& f) {
  if (notes_) {
    // Without its frames the wait reads 0 and waits for nothing.
    if (f.firstArg.empty())
      note(Problem::MissingWaitTime, lineEnd());
    else
      checkNumber(f.firstArg, true);
  }
  appendNew(WaitTimeCommand{sjis::parseInt(f.firstArg)});
}

void ScriptCompiler::waitInput(const DirectiveFields& f) {
  noteUnusedArgument(f);
  appendNew(WaitInputCommand{});
}

void ScriptCompiler::waitChoice(const DirectiveFields& f) {
  noteUnusedArgument(f);
  appendNew(WaitChoiceCommand{});
}

void ScriptCompiler::noteUnusedArgument(const DirectiveFields& f) {
  if (notes_ && !f.firstArg.empty()) note(Problem::UnusedArgument, f.firstArg);
}

void ScriptCompiler::expression(const DirectiveFields& f) {
  append(compileAssignment(f.firstArg));
}

void ScriptCompiler::layerAction(std::int32_t layer, std::int32_t action) {
  const LayerKind kind = program_->layers[static_cast<std::size_t>(layer)].kind;
  switch (program_->actions[static_cast<std::size_t>(action)].kind) {
    case ActionKind::Plain:
      appendNew(StartActionCommand{Target{Target::Kind::Layer, layer}, action});
      return;
    case ActionKind::Eye:
      if (kind != LayerKind::Person) fail(jaSjis(MessageId::CompileEyeNotPerson));
      appendNew(SetEyeActionCommand{layer, action});
      return;
    case ActionKind::Mouth:
      if (kind != LayerKind::Person) fail(jaSjis(MessageId::CompileMouthNotPerson));
      appendNew(SetMouthActionCommand{layer, action});
      return;
    case ActionKind::Text:
      if (kind != LayerKind::Text) fail(jaSjis(MessageId::CompileTextNotFrame));
      // A line ending in ":" opens a block of text lines; without it the action restarts the characters.
      if (sjis::endsWith(line_, ":")) {
        textBlock(layer, action);
      } else {
        appendNew(RestartTextCommand{layer, action});
        // Text lines after it would mean the "：" was forgotten.
        if (notes_) {
          restartLine_ = context_->index;
          restartLayer_ = layer;
          restartAction_ = action;
          restartOffset_ = static_cast<std::int32_t>(line_.size());
        }
      }
      return;
  }
}

// The lines after a text directive, up to the next line that starts with "#" or "＃" once its tabs are
// gone, joined by line feeds. "$name$" switches to the text action of that name; "$$$", "$$", "$##" and
// "$#" write "＄", "$", "＃" and "#". Every character remembers the text action it is shown with.
void ScriptCompiler::textBlock(std::int32_t layer, std::int32_t action) {
  Context& c = *context_;
  std::string text;
  std::vector<std::int32_t> characterActions;
  std::int32_t current = action;
  for (int next = nextLine(c, c.index + 1); static_cast<std::size_t>(next) < c.lines.size();
       next = nextLine(c, c.index + 1)) {
    std::string line = sjis::replaceAll(c.lines[static_cast<std::size_t>(next)], "\t", "");
    if (!line.empty() && (line[0] == '#' || sjis::startsWith(line, kw::kFullWidthHash))) break;
    c.index = next;
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
          problem(jaSjis(MessageId::CompileTagNotClosed), Problem::Error, {});
          break;
        }
        const std::string_view name = rest.substr(0, static_cast<std::size_t>(close));
        // A tag in error leaves the text action as it was.
        if (const std::int32_t tag = program_->findTextAction(name); tag >= 0) {
          current = tag;
        } else {
          problem(jaSjis(MessageId::CompileTagUndeclared, {name}), Problem::UnknownTag, name);
        }
        rest.remove_prefix(static_cast<std::size_t>(close) + 1);
        // The character right after a tag is taken as it is, even a "$".
        if (!rest.empty()) plainCharacter();
        continue;
      }
      plainCharacter();
    }
  }
  program_->characterActions.push_back(std::move(characterActions));
  appendNew(ShowTextCommand{layer, addText(std::move(text)),
                            static_cast<std::int32_t>(program_->characterActions.size()) - 1});
}

}  // namespace tavrik
