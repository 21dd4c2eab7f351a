// Declarations: layers, channels, variables, actions with their keyframe lines, and choice buttons.
// They take effect while the script compiles and emit no command.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

void ScriptCompiler::declareSimpleLayer(const DirectiveFields& f) {
  declarePictureLayer(f, false);
}
void ScriptCompiler::declarePersonLayer(const DirectiveFields& f) {
  declarePictureLayer(f, true);
}

void ScriptCompiler::addLayer(LayerDeclaration layer) {
  Program& p = *program_;
  p.layerIndex.emplace(layer.name, static_cast<std::int32_t>(p.layers.size()));
  p.layers.push_back(std::move(layer));
}

void ScriptCompiler::declarePictureLayer(const DirectiveFields& f, bool person) {
  declarationChecks();
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileNoLayerName));
  checkFieldCount(f.firstArg, 3);
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  LayerDeclaration layer;
  layer.name = std::string(name);
  layer.kind = person ? LayerKind::Person : LayerKind::Simple;
  layer.width = intField(f.firstArg, 1);
  layer.height = intField(f.firstArg, 2);
  addLayer(std::move(layer));
  if (notes_) notes_->layers.push_back(site(name));
}

void ScriptCompiler::declareTextLayer(const DirectiveFields& f) {
  declarationChecks();
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileNoLayerName));
  checkFieldCount(f.firstArg, 5);
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  LayerDeclaration layer;
  layer.name = std::string(name);
  layer.kind = LayerKind::Text;
  layer.originX = intField(f.firstArg, 1);
  layer.originY = intField(f.firstArg, 2);
  layer.width = intField(f.firstArg, 3);
  layer.height = intField(f.firstArg, 4);
  addLayer(std::move(layer));
  if (notes_) notes_->layers.push_back(site(name));
}

void ScriptCompiler::declareMusicChannel(const DirectiveFields& f) {
  declareChannel(f, false);
}
void ScriptCompiler::declareSoundChannel(const DirectiveFields& f) {
  declareChannel(f, true);
}

void ScriptCompiler::declareChannel(const DirectiveFields& f, bool positional) {
  declarationChecks();
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileNoChannelName));
  checkFieldCount(f.firstArg, 2);
  std::int32_t count = intField(f.firstArg, 1);
  if (count <= 0) count = positional ? 1 : 64;
  Program& p = *program_;
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  ChannelDeclaration channel{std::string(name), positional, count};
  p.channelIndex.emplace(channel.name, static_cast<std::int32_t>(p.channels.size()));
  p.channels.push_back(std::move(channel));
  if (notes_) notes_->channels.push_back(site(name));
}

void ScriptCompiler::addVariable(std::string_view name) {
  Program& p = *program_;
  p.variableIndex.emplace(std::string(name), static_cast<std::int32_t>(p.variables.size()));
  p.variables.emplace_back(name);
  // The choice result is there before any file.
  if (notes_) notes_->variables.push_back(context_ ? site(name) : NoteSite{});
}

void ScriptCompiler::declareVariables(const DirectiveFields& f) {
  declarationChecks();
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileUsageWithName, {kw::kVariableDecl}));
  for (const std::string_view name : sjis::fields(f.firstArg, ",")) {
    if (name.empty()) fail(jaSjis(MessageId::CompileEmptyVariableName));
    if (program_->findVariable(name) >= 0) fail(jaSjis(MessageId::CompileVariableDeclared, {name}));
    addVariable(name);
  }
}

std::int32_t ScriptCompiler::fontIndexForHeight(std::int32_t height) {
  std::vector<std::int32_t>& heights = program_->fontHeights;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    if (heights[i] == height) return static_cast<std::int32_t>(i);
  }
  heights.push_back(height);
  return static_cast<std::int32_t>(heights.size()) - 1;
}

void ScriptCompiler::declareAction(const DirectiveFields& f) {
  declarationChecks();
  ActionKind kind = ActionKind::Plain;
  if (f.head == kw::kTextActionDecl) kind = ActionKind::Text;
  if (f.head == kw::kEyeActionDecl) kind = ActionKind::Eye;
  if (f.head == kw::kMouthActionDecl) kind = ActionKind::Mouth;
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileUsageWithName, {f.head}));

  // A plain action's name is the whole argument, commas and all; the others take parameters after it.
  ActionDeclaration declaration;
  const std::string_view name = kind == ActionKind::Plain ? f.firstArg : sjis::field(f.firstArg, ",", 0);
  const NoteSite declared = notes_ ? site(name) : NoteSite{};
  declaration.name = std::string(name);
  declaration.kind = kind;
  Action& action = declaration.action;
  if (kind == ActionKind::Eye) checkFieldCount(f.firstArg, 3);
  if (kind == ActionKind::Text) {
    checkFieldCount(f.firstArg, 3);
    action.charDelay = intField(f.firstArg, 1);
    std::int32_t height = intField(f.firstArg, 2);
    if (height < 1) height = 36;
    action.fontIndex = fontIndexForHeight(height);
  }

  // Each base goes in front of what is there, so the last-listed base comes first.
  if (!f.secondArg.empty()) {
    for (const std::string_view baseName : sjis::fields(f.secondArg, ",")) {
      const std::int32_t base = program_->findAction(baseName);
      if (base < 0) {
        problem(jaSjis(MessageId::CompileUnknownAction, {baseName}), Problem::UnknownBaseAction, baseName);
        continue;
      }
      if (notes_) notes_->baseActions.push_back(base);
      action.include(program_->actions[static_cast<std::size_t>(base)].action);
    }
  }
  readKeyframes(action);

  Program& p = *program_;
  const auto index = static_cast<std::int32_t>(p.actions.size());
  p.actionIndex.emplace(declaration.name, index);
  if (kind == ActionKind::Text) p.textActionIndex.emplace(declaration.name, index);
  p.actions.push_back(std::move(declaration));
  if (notes_) notes_->actions.push_back(declared);
}

// Keyframe lines follow an action declaration up to the next directive or comment line ("##" starts
// with "#" as well) or the end of the file: step, attribute name, value.
void ScriptCompiler::readKeyframes(Action& action) {
  Context& c = *context_;
  for (int next = nextLine(c, c.index + 1); static_cast<std::size_t>(next) < c.lines.size();
       next = nextLine(c, c.index + 1)) {
    const std::string line = normalizeLine(c.lines[static_cast<std::size_t>(next)]);
    if (!line.empty() && line[0] == '#') break;
    // Past the problems the lint keeps, the compile stops, here too: an action may have a million lines.
    if (notes_ && notes_->full()) break;
    c.index = next;
    if (line.empty()) continue;
    noteLine_ = line;
    noteLineHashesRemoved_ = false;
    const std::string_view attributeName = sjis::field(line, ",", 1);
    const int attribute = actionAttributeIndex(attributeName);
    if (attribute < 0) {
      // A line in error adds no entry; the lines after it are still keyframes.
      problem(jaSjis(MessageId::CompileUnknownAttribute, {attributeName}), Problem::UnknownAttribute,
              attributeName);
      continue;
    }
    checkFieldCount(line, 3);
    // "０，Ａ": the value reads as 0, and a layer so shown never appears. END and STOP read no value, and
    // PLAY and TIME without one mean what they say plainly: once, and back to the start.
    const auto kind = static_cast<ActionAttribute>(attribute);
    const bool valueMatters = kind != ActionAttribute::END && kind != ActionAttribute::STOP &&
                              kind != ActionAttribute::PLAY && kind != ActionAttribute::TIME;
    if (notes_ && valueMatters && sjis::field(line, ",", 2).empty())
      note(Problem::MissingKeyframeValue, lineEnd());
    action.entries.push_back({intField(line, 0), attribute, floatField(line, 2)});
  }
  noteLine_ = line_;
  noteLineHashesRemoved_ = true;
}

void ScriptCompiler::declareChoice(std::int32_t layer, const DirectiveFields& f) {
  declarationChecks();
  checkFieldCount(f.firstArg, 3);
  if (notes_) {
    for (int k = 0; k < 3; ++k) {
      if (sjis::field(f.firstArg, ",", k).empty()) {
        note(Problem::MissingChoiceValues, lineEnd());
        break;
      }
    }
  }
  program_->layers[static_cast<std::size_t>(layer)].choice =
      ChoiceDeclaration{intField(f.firstArg, 0), floatField(f.firstArg, 1), floatField(f.firstArg, 2)};
  if (notes_) notes_->choices.emplace_back(layer, site(f.head));
}

}  // namespace tavrik
