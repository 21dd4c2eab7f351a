#include "scene/scene.h"

#include <algorithm>

#include "base/input_state.h"
#include "platform/graphics_device.h"
#include "scene/text_layer.h"
#include "scene/tiled_image.h"

namespace tavrik {

Scene::Scene(GraphicsDevice& device, const MouseState& mouse, ScriptRandom& random,
             std::string moduleDirectory, int width, int height)
    : device_(device),
      mouse_(mouse),
      random_(random),
      width_(width),
      height_(height),
      images_(std::move(moduleDirectory)) {}

Scene::~Scene() = default;

std::vector<const SimpleLayer*> Scene::buttonsInReadingOrder() const {
  std::vector<const SimpleLayer*> buttons;
  for (const auto& layer : layers_)
    if (layer->clickable() && layer->a > 0.0f) buttons.push_back(layer.get());
  std::stable_sort(buttons.begin(), buttons.end(), [](const SimpleLayer* p, const SimpleLayer* q) {
    return p->y != q->y ? p->y < q->y : p->x < q->x;
  });
  return buttons;
}

void Scene::moveFocus(int step) {
  const std::vector<const SimpleLayer*> buttons = buttonsInReadingOrder();
  if (buttons.empty()) {
    clearFocus();
    return;
  }
  const auto at = std::find(buttons.begin(), buttons.end(), focus_);
  const int count = static_cast<int>(buttons.size());
  int index = 0;
  if (at == buttons.end())
    index = step < 0 ? count - 1 : 0;
  else
    index = ((static_cast<int>(at - buttons.begin()) + step) % count + count) % count;
  focus_ = buttons[static_cast<std::size_t>(index)];
}

void Scene::update() {
  images_.newFrame();
  if (textPace_ <= 0) {
    textSteps_ = -1;
  } else {
    textCredit_ += textPace_;
    textSteps_ = textCredit_ / 2;
    textCredit_ %= 2;
  }
  for (const auto& layer : layers_) layer->update();
  focusPressed_ = false;
  if (chosen) return;
  for (const auto& layer : layers_) {
    if (layer->clickable() && layer->clicked()) {
      chosen = true;
      chosenValue = layer->value();
    }
  }
}

bool Scene::prepareFrame() {
  frame_.clear();
  for (const auto& layer : layers_)
    if (!textHidden_ || !dynamic_cast<const TextLayer*>(layer.get())) layer->appendDraws(frame_);
  return !drawnOnce_ || frame_ != drawn_;
}

void Scene::drawFrame() {
  device_.clear(0xFF000000u);
  for (const PictureDraw& placed : frame_) placed.image->draw(device_, placed);
  drawn_ = frame_;
  drawnOnce_ = true;
}

bool Scene::allLayersFinished() const {
  for (const auto& layer : layers_) {
    if (!layer->isFinished()) return false;
  }
  return true;
}

}  // namespace tavrik
