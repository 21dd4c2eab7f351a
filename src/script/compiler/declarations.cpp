// Declarations: layers, channels, variables, actions with their keyframe lines, and choice buttons.
// They take effect while the script compiles and emit no command.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/compiler_internal.h"

namespace tavrik::compile_detail {

namespace {

void addLayer(ScriptCompiler& c, LayerDeclaration layer) {
  Program& p = *c.program;
  p.layerIndex.emplace(layer.name, static_cast<std::int32_t>(p.layers.size()));
  p.layers.push_back(std::move(layer));
}

void declarePictureLayer(ScriptCompiler& c, const DirectiveFields& f, bool person) {
  c.declarationChecks();
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileNoLayerName));
  c.checkFieldCount(f.firstArg, 3);
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  LayerDeclaration layer;
  layer.name = std::string(name);
  layer.kind = person ? LayerKind::Person : LayerKind::Simple;
  layer.width = c.intField(f.firstArg, 1);
  layer.height = c.intField(f.firstArg, 2);
  addLayer(c, std::move(layer));
  if (c.notes) c.notes->layers.push_back(c.site(name));
}

void declareChannel(ScriptCompiler& c, const DirectiveFields& f, bool positional) {
  c.declarationChecks();
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileNoChannelName));
  c.checkFieldCount(f.firstArg, 2);
  std::int32_t count = c.intField(f.firstArg, 1);
  if (count <= 0) count = positional ? 1 : 64;
  Program& p = *c.program;
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  ChannelDeclaration channel{std::string(name), positional, count};
  p.channelIndex.emplace(channel.name, static_cast<std::int32_t>(p.channels.size()));
  p.channels.push_back(std::move(channel));
  if (c.notes) c.notes->channels.push_back(c.site(name));
}

std::int32_t fontIndexForHeight(ScriptCompiler& c, std::int32_t height) {
  std::vector<std::int32_t>& heights = c.program->fontHeights;
  for (std::size_t i = 0; i < heights.size(); ++i) {
    if (heights[i] == height) return static_cast<std::int32_t>(i);
  }
  heights.push_back(height);
  return static_cast<std::int32_t>(heights.size()) - 1;
}

// Keyframe lines follow an action declaration up to the next directive or comment line ("##" starts
// with "#" as well) or the end of the file: step, attribute name, value.
void readKeyframes(ScriptCompiler& c, Action& action) {
  Context& context = *c.context;
  for (int next = context.nextLine(context.index + 1); static_cast<std::size_t>(next) < context.lines.size();
       next = context.nextLine(context.index + 1)) {
    const std::string line = normalizeLine(context.lines[static_cast<std::size_t>(next)]);
    if (!line.empty() && line[0] == '#') break;
    // Past the problems the lint keeps, the compile stops, here too: an action may have a million lines.
    if (c.notes && c.notes->full()) break;
    context.index = next;
    if (line.empty()) continue;
    c.noteLine = line;
    c.noteLineHashesRemoved = false;
    const std::string_view attributeName = sjis::field(line, ",", 1);
    const int attribute = actionAttributeIndex(attributeName);
    if (attribute < 0) {
      // A line in error adds no entry; the lines after it are still keyframes.
      c.problem(jaSjis(MessageId::CompileUnknownAttribute, {attributeName}), Problem::UnknownAttribute,
                attributeName);
      continue;
    }
    c.checkFieldCount(line, 3);
    // "０，Ａ": the value reads as 0, and a layer so shown never appears. END and STOP read no value, and
    // PLAY and TIME without one mean what they say plainly: once, and back to the start.
    const auto kind = static_cast<ActionAttribute>(attribute);
    const bool valueMatters = kind != ActionAttribute::END && kind != ActionAttribute::STOP &&
                              kind != ActionAttribute::PLAY && kind != ActionAttribute::TIME;
    if (c.notes && valueMatters && sjis::field(line, ",", 2).empty())
      c.note(Problem::MissingKeyframeValue, c.lineEnd());
    action.entries.push_back({c.intField(line, 0), attribute, c.floatField(line, 2)});
  }
  c.noteLine = c.line;
  c.noteLineHashesRemoved = true;
}

}  // namespace

void declareSimpleLayer(ScriptCompiler& c, const DirectiveFields& f) {
  declarePictureLayer(c, f, false);
}
void declarePersonLayer(ScriptCompiler& c, const DirectiveFields& f) {
  declarePictureLayer(c, f, true);
}

void declareTextLayer(ScriptCompiler& c, const DirectiveFields& f) {
  c.declarationChecks();
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileNoLayerName));
  c.checkFieldCount(f.firstArg, 5);
  const std::string_view name = sjis::field(f.firstArg, ",", 0);
  LayerDeclaration layer;
  layer.name = std::string(name);
  layer.kind = LayerKind::Text;
  layer.originX = c.intField(f.firstArg, 1);
  layer.originY = c.intField(f.firstArg, 2);
  layer.width = c.intField(f.firstArg, 3);
  layer.height = c.intField(f.firstArg, 4);
  addLayer(c, std::move(layer));
  if (c.notes) c.notes->layers.push_back(c.site(name));
}

void declareMusicChannel(ScriptCompiler& c, const DirectiveFields& f) {
  declareChannel(c, f, false);
}
void declareSoundChannel(ScriptCompiler& c, const DirectiveFields& f) {
  declareChannel(c, f, true);
}

void addVariable(ScriptCompiler& c, std::string_view name) {
  Program& p = *c.program;
  p.variableIndex.emplace(std::string(name), static_cast<std::int32_t>(p.variables.size()));
  p.variables.emplace_back(name);
  // The choice result is there before any file.
  if (c.notes) c.notes->variables.push_back(c.context ? c.site(name) : NoteSite{});
}

void declareVariables(ScriptCompiler& c, const DirectiveFields& f) {
  c.declarationChecks();
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileUsageWithName, {kw::kVariableDecl}));
  for (const std::string_view name : sjis::fields(f.firstArg, ",")) {
    if (name.empty()) c.fail(jaSjis(MessageId::CompileEmptyVariableName));
    if (c.program->findVariable(name) >= 0) c.fail(jaSjis(MessageId::CompileVariableDeclared, {name}));
    addVariable(c, name);
  }
}

void declareAction(ScriptCompiler& c, const DirectiveFields& f) {
  c.declarationChecks();
  ActionKind kind = ActionKind::Plain;
  if (f.head == kw::kTextActionDecl) kind = ActionKind::Text;
  if (f.head == kw::kEyeActionDecl) kind = ActionKind::Eye;
  if (f.head == kw::kMouthActionDecl) kind = ActionKind::Mouth;
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileUsageWithName, {f.head}));

  // A plain action's name is the whole argument, commas and all; the others take parameters after it.
  ActionDeclaration declaration;
  const std::string_view name = kind == ActionKind::Plain ? f.firstArg : sjis::field(f.firstArg, ",", 0);
  const NoteSite declared = c.notes ? c.site(name) : NoteSite{};
  declaration.name = std::string(name);
  declaration.kind = kind;
  Action& action = declaration.action;
  if (kind == ActionKind::Eye) c.checkFieldCount(f.firstArg, 3);
  if (kind == ActionKind::Text) {
    c.checkFieldCount(f.firstArg, 3);
    action.charDelay = c.intField(f.firstArg, 1);
    std::int32_t height = c.intField(f.firstArg, 2);
    if (height < 1) height = 36;
    action.fontIndex = fontIndexForHeight(c, height);
  }

  // Each base goes in front of what is there, so the last-listed base comes first.
  if (!f.secondArg.empty()) {
    for (const std::string_view baseName : sjis::fields(f.secondArg, ",")) {
      const std::int32_t base = c.program->findAction(baseName);
      if (base < 0) {
        c.problem(jaSjis(MessageId::CompileUnknownAction, {baseName}), Problem::UnknownBaseAction, baseName);
        continue;
      }
      if (c.notes) c.notes->baseActions.push_back(base);
      action.include(c.program->actions[static_cast<std::size_t>(base)].action);
    }
  }
  readKeyframes(c, action);

  Program& p = *c.program;
  const auto index = static_cast<std::int32_t>(p.actions.size());
  p.actionIndex.emplace(declaration.name, index);
  if (kind == ActionKind::Text) p.textActionIndex.emplace(declaration.name, index);
  p.actions.push_back(std::move(declaration));
  if (c.notes) c.notes->actions.push_back(declared);
}

void declareChoice(ScriptCompiler& c, std::int32_t layer, const DirectiveFields& f) {
  c.declarationChecks();
  c.checkFieldCount(f.firstArg, 3);
  if (c.notes) {
    for (int k = 0; k < 3; ++k) {
      if (sjis::field(f.firstArg, ",", k).empty()) {
        c.note(Problem::MissingChoiceValues, c.lineEnd());
        break;
      }
    }
  }
  c.program->layers[static_cast<std::size_t>(layer)].choice =
      ChoiceDeclaration{c.intField(f.firstArg, 0), c.floatField(f.firstArg, 1), c.floatField(f.firstArg, 2)};
  if (c.notes) c.notes->choices.emplace_back(layer, c.site(f.head));
}

}  // namespace tavrik::compile_detail
