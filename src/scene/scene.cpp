#include "scene/scene.h"

#include "platform/graphics_device.h"
#include "platform/mouse_state.h"

namespace tavrik {

Scene::Scene(GraphicsDevice& device, int width, int height, const MouseState& mouse, ScriptRandom& random)
    : device_(device),
      width_(width),
      height_(height),
      mouse_(mouse),
      random_(random),
      renderer_(device, width, height) {}

Scene::~Scene() = default;

void Scene::update() {
  drawStateFresh_ = false;
  for (const auto& layer : layers_) layer->update();
  if (chosen) return;
  for (const auto& layer : layers_) {
    if (layer->clickable() && layer->clicked()) {
      chosen = true;
      chosenValue = layer->value();
    }
  }
}

void Scene::gatherDrawState() {
  drawState_.clear();
  for (const auto& layer : layers_) layer->appendDrawState(drawState_);
  drawStateFresh_ = true;
}

bool Scene::changedSinceDraw() {
  gatherDrawState();
  return !drawnOnce_ || drawState_ != drawnState_;
}

void Scene::draw() {
  device_.clear(0xFF000000u);
  for (const auto& layer : layers_) layer->draw();
  // The state just compared is the one drawn: it is kept rather than gathered a second time.
  if (!drawStateFresh_) gatherDrawState();
  drawnState_.swap(drawState_);
  drawStateFresh_ = false;
  drawnOnce_ = true;
}

bool Scene::allLayersFinished() const {
  for (const auto& layer : layers_) {
    if (!layer->isFinished()) return false;
  }
  return true;
}

}  // namespace tavrik
