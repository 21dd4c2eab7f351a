#include "script/runtime/script_engine.h"

#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/input_devices.h"
#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/compiler/keywords.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

ScriptEngine::ScriptEngine(GraphicsDevice& device, int screenWidth, int screenHeight, InputDevices& input,
                           const MouseState& mouse, std::string fontFace)
    : device_(device),
      scene_(std::make_unique<Scene>(device, screenWidth, screenHeight, mouse, random_)),
      input_(input),
      mouse_(mouse) {
  addVariable(kw::kChoiceResult);
  setFontFace(fontFace);
}

ScriptEngine::~ScriptEngine() {
  // Layers and channels refer to the actions, which refer to the fonts: they go first.
  scene_.reset();
  channels_ = ChannelList();
}

std::optional<ScriptError> ScriptEngine::compile(const std::string& scriptPath) {
  programCounter_ = 0;
  ScriptCompiler compiler(*this);
  return compiler.compileMain(scriptPath);
}

void ScriptEngine::update() {
  input_.poll();
  const std::int64_t budget = static_cast<std::int64_t>(commands_.size()) + kExtraCommandsPerFrame;
  for (std::int64_t executed = 0; executed < budget; ++executed) {
    if (programCounter_ < 0 || static_cast<std::size_t>(programCounter_) >= commands_.size()) break;
    if (!commands_[static_cast<std::size_t>(programCounter_)]->execute()) break;
    ++programCounter_;
  }
  scene_->update();
  channels_.update();
  if (loadedThisFrame_) {
    // Decoding pictures and sounds (a MIDI file is rendered whole by the synthesiser, on the sound
    // output's thread for a window) leaves megabytes of freed scratch memory that the allocator would
    // otherwise keep for the rest of the game.
    releaseFreedMemory();
    loadedThisFrame_ = false;
  }
}

bool ScriptEngine::isFinished() const {
  return programCounter_ >= 0 && static_cast<std::size_t>(programCounter_) >= commands_.size();
}

bool ScriptEngine::draw(bool force) {
  if (!force && !scene_->changedSinceDraw()) return false;
  device_.beginScene();
  scene_->draw();
  device_.endScene();
  device_.present();
  return true;
}

void ScriptEngine::setFontFace(const std::string& face) {
  if (face == fontFace_) return;
  fontFace_ = face;
  FontLibrary* library = fontLibrary();
  for (FontEntry& entry : fonts_) entry.font = library ? library->openFont(fontFace_, entry.height) : nullptr;
  for (ActionDeclaration& declaration : actions_) {
    if (declaration.kind == ActionKind::Text && declaration.fontIndex >= 0 &&
        static_cast<std::size_t>(declaration.fontIndex) < fonts_.size())
      declaration.action->font = fonts_[static_cast<std::size_t>(declaration.fontIndex)].font.get();
  }
  // Characters keep their actions, steps and attributes: only the atlas and the cells change.
  for (const auto& layer : scene_->layers()) {
    if (layer->kind() == LayerKind::Text) static_cast<TextLayer&>(*layer).renderGlyphs();
  }
}

FontLibrary* ScriptEngine::fontLibrary() {
  if (sharedFontLibrary_) return sharedFontLibrary_;
  if (!ownFontLibrary_) ownFontLibrary_ = FontLibrary::create();
  return ownFontLibrary_.get();
}

Action& ScriptEngine::declareAction(std::string_view name, ActionKind kind, int fontIndex) {
  ActionDeclaration declaration;
  declaration.name = std::string(name);
  declaration.kind = kind;
  declaration.fontIndex = fontIndex;
  declaration.action = std::make_unique<Action>();
  if (kind == ActionKind::Text && fontIndex >= 0 && static_cast<std::size_t>(fontIndex) < fonts_.size())
    declaration.action->font = fonts_[static_cast<std::size_t>(fontIndex)].font.get();
  actions_.push_back(std::move(declaration));
  actionIndex_.emplace(std::string(name), actions_.size() - 1);
  if (kind == ActionKind::Text) textActionIndex_.emplace(std::string(name), actions_.size() - 1);
  return *actions_.back().action;
}

int ScriptEngine::fontIndexForHeight(int height) {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i].height == height) return static_cast<int>(i);
  }
  FontEntry entry;
  entry.height = height;
  if (FontLibrary* library = fontLibrary()) entry.font = library->openFont(fontFace_, height);
  fonts_.push_back(std::move(entry));
  return static_cast<int>(fonts_.size()) - 1;
}

Variable* ScriptEngine::findVariable(std::string_view name) {
  const auto it = variableIndex_.find(name);
  return it == variableIndex_.end() ? nullptr : &variables_[it->second];
}

Variable& ScriptEngine::addVariable(std::string_view name) {
  variables_.push_back(Variable{std::string(name), 0.0f});
  variableIndex_.emplace(std::string(name), variables_.size() - 1);
  return variables_.back();
}

void ScriptEngine::addLayerDeclaration(std::string_view name, LayerKind kind, SimpleLayer& layer) {
  layers_.push_back(LayerDeclaration{std::string(name), kind, &layer});
  layerIndex_.emplace(std::string(name), layers_.size() - 1);
}

const LayerDeclaration* ScriptEngine::findLayer(std::string_view name) const {
  const auto it = layerIndex_.find(name);
  return it == layerIndex_.end() ? nullptr : &layers_[it->second];
}

MacroDeclaration* ScriptEngine::findMacro(std::string_view name) {
  const auto it = macroIndex_.find(name);
  return it == macroIndex_.end() ? nullptr : &macros_[it->second];
}

MacroDeclaration& ScriptEngine::addMacro(std::string_view name) {
  macros_.push_back(MacroDeclaration{std::string(name), {}});
  macroIndex_.emplace(std::string(name), macros_.size() - 1);
  return macros_.back();
}

const ActionDeclaration* ScriptEngine::findAction(std::string_view name) const {
  const auto it = actionIndex_.find(name);
  return it == actionIndex_.end() ? nullptr : &actions_[it->second];
}

const ActionDeclaration* ScriptEngine::findTextAction(std::string_view name) const {
  const auto it = textActionIndex_.find(name);
  return it == textActionIndex_.end() ? nullptr : &actions_[it->second];
}

Channel& ScriptEngine::addChannel(std::string_view name, bool positional, int performanceChannels) {
  std::unique_ptr<AudioChannelPlayer> player =
      playerFactory_ ? playerFactory_(positional, performanceChannels) : nullptr;
  return channels_.add(std::make_unique<Channel>(random_, std::string(name), positional, std::move(player)));
}

bool ScriptEngine::allActionsFinished() const {
  return scene_->allLayersFinished() && channels_.allFinished();
}

}  // namespace tavrik
