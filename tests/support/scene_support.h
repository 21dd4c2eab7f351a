// Helpers for the tests of the scene layer and those above it: a headless scene to draw and hit-test.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics_device.h"
#include "base/input_state.h"
#include "scene/scene.h"
#include "support/platform_support.h"

namespace tavrik::test {

// A headless scene with its device, mouse and generator, for drawing and hit tests.
struct SceneRig {
  SceneRig();
  // One frame: the layers' update, then drawn.
  void frame();
  std::uint32_t pixel(int x, int y) const { return device->pixelAt(x, y); }

  std::unique_ptr<GraphicsDevice> device;
  MouseState mouse;
  ScriptRandom random;
  std::unique_ptr<Scene> scene;
};

}  // namespace tavrik::test
