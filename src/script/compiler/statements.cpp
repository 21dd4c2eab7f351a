// Statements: each appends one command to the current list. Text blocks gather the text lines under a
// text directive into one command.
#include "scene/channel.h"
#include "scene/layer.h"
#include "scene/text_layer.h"
#include "script/compiler/keywords.h"
#include "script/compiler/script_compiler.h"
#include "script/compiler/sjis_text.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

void ScriptCompiler::title(const DirectiveFields& f) {
  append(engine_.makeCommand<SetTitleCommand>(std::string(f.firstArg)));
}

void ScriptCompiler::waitAction(const DirectiveFields& f) {
  if (f.firstArg.empty()) {
    append(engine_.makeCommand<WaitActionCommand>());
    return;
  }
  // A layer wins over a channel of the same name.
  if (const LayerDeclaration* layer = engine_.findLayer(f.firstArg)) {
    append(engine_.makeCommand<WaitActionCommand>(layer->layer));
    return;
  }
  if (const Channel* channel = engine_.channels().find(f.firstArg)) {
    append(engine_.makeCommand<WaitActionCommand>(channel));
    return;
  }
  std::string message(kw::kMsgUndeclaredTargetOpen);
  message.append(f.firstArg).append(kw::kMsgIsUndeclared);
  fail(std::move(message));
}

void ScriptCompiler::waitTime(const DirectiveFields& f) {
  append(engine_.makeCommand<WaitTimeCommand>(sjis::parseInt(f.firstArg)));
}

void ScriptCompiler::waitInput(const DirectiveFields&) {
  append(engine_.makeCommand<WaitInputCommand>());
}

void ScriptCompiler::waitChoice(const DirectiveFields&) {
  append(engine_.makeCommand<WaitChoiceCommand>());
}

void ScriptCompiler::expression(const DirectiveFields& f) {
  append(compileAssignment(f.firstArg));
}

void ScriptCompiler::layerAction(const LayerDeclaration& layer, const ActionDeclaration& action) {
  switch (action.kind) {
    case ActionKind::Plain:
      append(engine_.makeCommand<StartActionCommand>(*layer.layer, *action.action));
      return;
    case ActionKind::Eye:
      if (layer.kind != LayerKind::Person) fail(std::string(kw::kMsgNotPerson));
      append(
          engine_.makeCommand<SetEyeActionCommand>(static_cast<PersonLayer&>(*layer.layer), *action.action));
      return;
    case ActionKind::Mouth:
      if (layer.kind != LayerKind::Person) fail(std::string(kw::kMsgMouthNotPerson));
      append(engine_.makeCommand<SetMouthActionCommand>(static_cast<PersonLayer&>(*layer.layer),
                                                        *action.action));
      return;
    case ActionKind::Text:
      if (layer.kind != LayerKind::Text) fail(std::string(kw::kMsgTextNotFrame));
      // A line ending in ":" opens a block of text lines; without it the action restarts the characters.
      if (sjis::endsWith(line_, ":")) {
        textBlock(layer, action);
      } else {
        append(engine_.makeCommand<ShowTextCommand>(static_cast<TextLayer&>(*layer.layer), *action.action));
      }
      return;
  }
}

// The lines after a text directive, up to the next line that starts with "#" or "＃" once its tabs are
// gone, joined by line feeds. "$name$" switches to the text action of that name; "$$$", "$$", "$##" and
// "$#" write "＄", "$", "＃" and "#". Every character remembers the text action it is shown with.
void ScriptCompiler::textBlock(const LayerDeclaration& layer, const ActionDeclaration& action) {
  Context& c = *context_;
  std::string text;
  std::vector<const Action*> characterActions;
  const Action* current = action.action.get();
  while (c.index + 1 < c.lines.size()) {
    std::string line = sjis::replaceAll(c.lines[c.index + 1], "\t", "");
    if (!line.empty() && (line[0] == '#' || sjis::startsWith(line, kw::kFullWidthHash))) break;
    ++c.index;
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
        if (close < 0) fail(std::string(kw::kMsgTagNotClosed));
        const std::string_view name = rest.substr(0, static_cast<std::size_t>(close));
        const ActionDeclaration* tag = engine_.findTextAction(name);
        if (!tag) {
          std::string message(kw::kMsgTagOpen);
          message.append(name).append(kw::kMsgIsUndeclared);
          fail(std::move(message));
        }
        current = tag->action.get();
        rest.remove_prefix(static_cast<std::size_t>(close) + 1);
        // The character right after a tag is taken as it is, even a "$".
        if (!rest.empty()) plainCharacter();
        continue;
      }
      plainCharacter();
    }
  }
  append(engine_.makeCommand<ShowTextCommand>(static_cast<TextLayer&>(*layer.layer), std::move(text),
                                              std::move(characterActions)));
}

}  // namespace tavrik
