// Declarations: layers, channels, variables, actions with their keyframe lines, and choice buttons.
// They take effect while the script compiles and emit no command.
#include "scene/channel.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/compiler/keywords.h"
#include "script/compiler/script_compiler.h"
#include "script/compiler/sjis_text.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

std::string quoted(std::string_view open, std::string_view name, std::string_view close) {
  std::string message(open);
  message.append(name).append(close);
  return message;
}

}  // namespace

void ScriptCompiler::declareSimpleLayer(const DirectiveFields& f) {
  declarePictureLayer(f, false);
}
void ScriptCompiler::declarePersonLayer(const DirectiveFields& f) {
  declarePictureLayer(f, true);
}

void ScriptCompiler::declarePictureLayer(const DirectiveFields& f, bool person) {
  declarationChecks();
  if (f.firstArg.empty()) fail(std::string(kw::kMsgNoLayerName));
  const int width = sjis::parseInt(sjis::field(f.firstArg, ",", 1));
  const int height = sjis::parseInt(sjis::field(f.firstArg, ",", 2));
  Scene& scene = engine_.scene();
  SimpleLayer& layer = person ? static_cast<SimpleLayer&>(scene.addLayer<PersonLayer>(width, height))
                              : scene.addLayer<SimpleLayer>(width, height);
  engine_.addLayerDeclaration(sjis::field(f.firstArg, ",", 0), layer.kind(), layer);
}

void ScriptCompiler::declareTextLayer(const DirectiveFields& f) {
  declarationChecks();
  if (f.firstArg.empty()) fail(std::string(kw::kMsgNoLayerName));
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  auto number = [&](int k) { return sjis::parseInt(sjis::field(f.firstArg, ",", k)); };
  TextLayer& layer = engine_.scene().addLayer<TextLayer>(number(1), number(2), number(3), number(4));
  engine_.addLayerDeclaration(name, LayerKind::Text, layer);
}

void ScriptCompiler::declareMusicChannel(const DirectiveFields& f) {
  declareChannel(f, false);
}
void ScriptCompiler::declareSoundChannel(const DirectiveFields& f) {
  declareChannel(f, true);
}

void ScriptCompiler::declareChannel(const DirectiveFields& f, bool positional) {
  declarationChecks();
  if (f.firstArg.empty()) fail(std::string(kw::kMsgNoChannelName));
  int count = sjis::parseInt(sjis::field(f.firstArg, ",", 1));
  if (count <= 0) count = positional ? 1 : 64;
  engine_.addChannel(sjis::field(f.firstArg, ",", 0), positional, count);
}

void ScriptCompiler::declareVariables(const DirectiveFields& f) {
  declarationChecks();
  if (f.firstArg.empty()) {
    fail(std::string(kw::kFullWidthHash) + std::string(kw::kVariableDecl) +
         std::string(kw::kUsageNameSuffix));
  }
  const int n = sjis::fieldCount(f.firstArg, ",");
  for (int k = 0; k < n; ++k) {
    const std::string_view name = sjis::field(f.firstArg, ",", k);
    if (name.empty()) fail(std::string(kw::kMsgEmptyVariableName));
    if (engine_.findVariable(name)) fail(quoted(kw::kMsgVariableOpen, name, kw::kMsgAlreadyDeclared));
    engine_.addVariable(name);
  }
}

void ScriptCompiler::declareAction(const DirectiveFields& f) {
  declarationChecks();
  ActionKind kind = ActionKind::Plain;
  if (f.head == kw::kTextActionDecl) kind = ActionKind::Text;
  if (f.head == kw::kEyeActionDecl) kind = ActionKind::Eye;
  if (f.head == kw::kMouthActionDecl) kind = ActionKind::Mouth;
  if (f.firstArg.empty())
    fail(std::string(kw::kFullWidthHash) + std::string(f.head) + std::string(kw::kUsageNameSuffix));

  // A plain action's name is the whole argument, commas and all; the others take parameters after it.
  const std::string_view name = kind == ActionKind::Plain ? f.firstArg : sjis::field(f.firstArg, ",", 0);
  int fontIndex = -1;
  int charDelay = 0;
  if (kind == ActionKind::Text) {
    charDelay = sjis::parseInt(sjis::field(f.firstArg, ",", 1));
    int height = sjis::parseInt(sjis::field(f.firstArg, ",", 2));
    if (height < 1) height = 36;
    fontIndex = engine_.fontIndexForHeight(height);
  }
  Action& action = engine_.declareAction(name, kind, fontIndex);
  action.charDelay = charDelay;

  // Each base goes in front of what is there, so the last-listed base comes first.
  if (!f.secondArg.empty()) {
    const int n = sjis::fieldCount(f.secondArg, ",");
    for (int k = 0; k < n; ++k) {
      const std::string_view baseName = sjis::field(f.secondArg, ",", k);
      const ActionDeclaration* base = engine_.findAction(baseName);
      if (!base) fail(quoted(kw::kQuoteOpen, baseName, kw::kMsgUnknownAction));
      action.include(*base->action);
    }
  }
  readKeyframes(action);
}

// Keyframe lines follow an action declaration up to the next directive or comment line ("##" starts
// with "#" as well) or the end of the file: step, attribute name, value.
void ScriptCompiler::readKeyframes(Action& action) {
  Context& c = *context_;
  while (c.index + 1 < c.lines.size()) {
    const std::string line = normalizeLine(c.lines[c.index + 1]);
    if (!line.empty() && line[0] == '#') return;
    ++c.index;
    if (line.empty()) continue;
    const std::string_view attributeName = sjis::field(line, ",", 1);
    const int attribute = actionAttributeIndex(attributeName);
    if (attribute < 0) fail(quoted(kw::kQuoteOpen, attributeName, kw::kMsgUnknownAttribute));
    action.append(
        {sjis::parseInt(sjis::field(line, ",", 0)), attribute, sjis::parseFloat(sjis::field(line, ",", 2))});
  }
}

void ScriptCompiler::declareChoice(SimpleLayer& layer, const DirectiveFields& f) {
  declarationChecks();
  layer.makeClickable(sjis::parseInt(sjis::field(f.firstArg, ",", 0)),
                      sjis::parseFloat(sjis::field(f.firstArg, ",", 1)),
                      sjis::parseFloat(sjis::field(f.firstArg, ",", 2)));
}

}  // namespace tavrik
