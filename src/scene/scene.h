// The stack of layers drawn back to front over an opaque black screen, and the choice click result.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/image_renderer.h"
#include "scene/layer.h"

namespace tavrik {

class GraphicsDevice;
struct MouseState;
class ScriptRandom;

class Scene {
 public:
  Scene(GraphicsDevice& device, int width, int height, const MouseState& mouse, ScriptRandom& random);
  ~Scene();

  // Layers are drawn in the order they were added.
  template <class L, class... Args>
  L& addLayer(Args&&... args) {
    auto layer = std::make_unique<L>(*this, std::forward<Args>(args)...);
    L& ref = *layer;
    layers_.push_back(std::move(layer));
    return ref;
  }
  const std::vector<std::unique_ptr<SimpleLayer>>& layers() const { return layers_; }

  // One frame of every layer, then the choice detection: the last clicked button in list order wins.
  void update();
  // Whether anything that reaches a pixel changed since the last drawn frame.
  bool changedSinceDraw();
  // Clears to opaque black and draws every layer in order.
  void draw();
  bool allLayersFinished() const;

  // Set when a choice button was clicked; the choice wait clears it when it starts waiting.
  bool chosen = false;
  std::int32_t chosenValue = 0;

  int width() const { return width_; }
  int height() const { return height_; }
  ImageRenderer& renderer() { return renderer_; }
  const MouseState& mouse() const { return mouse_; }
  ScriptRandom& random() { return random_; }

 private:
  // What every layer would put on the screen, into drawState_.
  void gatherDrawState();
  GraphicsDevice& device_;
  int width_;
  int height_;
  const MouseState& mouse_;
  ScriptRandom& random_;
  ImageRenderer renderer_;
  std::vector<std::unique_ptr<SimpleLayer>> layers_;
  std::vector<std::uint32_t> drawState_;
  std::vector<std::uint32_t> drawnState_;
  bool drawnOnce_ = false;
  bool drawStateFresh_ = false;  // drawState_ describes the scene as it is now
};

}  // namespace tavrik
