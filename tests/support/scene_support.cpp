#include "support/scene_support.h"

#include <string>

namespace tavrik::test {

SceneRig::SceneRig() : device(headlessDevice()) {
  scene = std::make_unique<Scene>(*device, mouse, random, std::string());
}

void SceneRig::frame() {
  scene->update();
  scene->prepareFrame();
  device->beginScene();
  scene->drawFrame();
  device->endScene();
  device->present();
}

}  // namespace tavrik::test
