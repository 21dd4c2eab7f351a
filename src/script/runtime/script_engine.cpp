#include "script/runtime/script_engine.h"

#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "scene/scene.h"
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
  // Channels and layers refer to the actions and the random generator: they go first.
  scene_.reset();
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
  if (fontFaceSet_ && face == fontFace_) return;
  fontFace_ = face;
  fontFaceSet_ = true;
}

Variable* ScriptEngine::findVariable(std::string_view name) {
  for (Variable& v : variables_) {
    if (v.name == name) return &v;
  }
  return nullptr;
}

Variable& ScriptEngine::addVariable(std::string_view name) {
  variables_.push_back(Variable{std::string(name), 0.0f});
  return variables_.back();
}

bool ScriptEngine::allActionsFinished() const {
  return scene_->allLayersFinished() && channels_.allFinished();
}

}  // namespace tavrik
