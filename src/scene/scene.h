// The stack of layers drawn back to front over an opaque black screen, and the choice click result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/draw_list.h"
#include "scene/image_store.h"
#include "scene/layer.h"

namespace tavrik {

class GlyphFont;
class GraphicsDevice;
struct MouseState;

class Scene {
 public:
  // The scene borrows the device it draws on, the mouse its buttons read, and the generator of every
  // WAIT; moduleDirectory is the executable's folder in script form, where pictures are looked for last.
  Scene(GraphicsDevice& device, const MouseState& mouse, ScriptRandom& random, std::string moduleDirectory,
        int width = 800, int height = 600);
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
  // Describes the frame as it is now; whether that differs from the last frame drawn.
  bool prepareFrame();
  // Clears to opaque black and draws the frame prepareFrame described.
  void drawFrame();
  const DrawList& frame() const { return frame_; }
  bool allLayersFinished() const;

  // How fast text characters run their actions, in half steps a frame: 2 is the script's own pace, 1
  // half of it, 8 four times it; 0 shows every text whole at once.
  void setTextPace(int halfSteps) { textPace_ = halfSteps; }
  int textPace() const { return textPace_; }
  // The steps text characters take this frame (set by update); -1 for text shown whole.
  int textSteps() const { return textSteps_; }

  // The player looks at the picture behind the text: text layers (their own pictures too) are not drawn.
  void setTextHidden(bool hidden) { textHidden_ = hidden; }
  bool textHidden() const { return textHidden_; }

  // The choice button the keyboard or a controller is on: it grows as under the pointer, and a press of
  // it is a click inside it at the next update. moveFocus goes to the next visible button in reading
  // order (top to bottom, left to right), or with a negative step the one before; from none, to the
  // first or the last.
  void moveFocus(int step);
  // The visible choice buttons in that reading order.
  std::vector<const SimpleLayer*> buttonsInReadingOrder() const;
  void clearFocus() {
    focus_ = nullptr;
    focusPressed_ = false;
  }
  void pressFocused() { focusPressed_ = focus_ != nullptr; }
  const SimpleLayer* focused() const { return focus_; }
  bool focusPressed() const { return focusPressed_; }

  // Set when a choice button was clicked; the choice wait clears it when it starts waiting.
  bool chosen = false;
  std::int32_t chosenValue = 0;

  // The fonts of text actions, by the index of the program's font table.
  void setFonts(std::vector<const GlyphFont*> fonts) { fonts_ = std::move(fonts); }
  const GlyphFont* font(std::int32_t index) const {
    return index >= 0 && static_cast<std::size_t>(index) < fonts_.size()
               ? fonts_[static_cast<std::size_t>(index)]
               : nullptr;
  }

  int width() const { return width_; }
  int height() const { return height_; }
  ImageStore& images() { return images_; }
  const MouseState& mouse() const { return mouse_; }
  ScriptRandom& random() { return random_; }

 private:
  GraphicsDevice& device_;
  const MouseState& mouse_;
  ScriptRandom& random_;
  int width_;
  int height_;
  ImageStore images_;
  std::vector<std::unique_ptr<SimpleLayer>> layers_;
  std::vector<const GlyphFont*> fonts_;
  DrawList frame_;
  DrawList drawn_;
  bool textHidden_ = false;
  const SimpleLayer* focus_ = nullptr;
  bool focusPressed_ = false;
  int textPace_ = 2;
  int textCredit_ = 0;
  int textSteps_ = 1;
  bool drawnOnce_ = false;
};

}  // namespace tavrik
