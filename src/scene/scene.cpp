#include "scene/scene.h"

#include "platform/graphics_device.h"
#include "platform/mouse_state.h"

namespace tavrik {

Scene::Scene(GraphicsDevice& device, int width, int height, const MouseState& mouse)
    : device_(device), width_(width), height_(height), mouse_(mouse) {}

void Scene::update() {}

void Scene::draw() {
  device_.clear(0xFF000000u);
}

bool Scene::isFinished() const {
  return true;
}

}  // namespace tavrik
