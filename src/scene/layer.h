// The layers of the scene: a picture placed, scaled, turned and tinted by its action, drawn back to
// front in declaration order. A person layer adds eye and mouth overlays switched by their own actions.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "scene/animated_object.h"
#include "scene/matrix.h"

namespace tavrik {

class Scene;
class TiledImage;

enum class LayerKind { Simple = 0, Person = 1, Text = 2 };

class SimpleLayer : public AnimatedObject {
 public:
  // Sizes of 0 or less become the screen size. A new layer is invisible (A = 0) until an action sets A.
  SimpleLayer(Scene& scene, int width, int height);

  virtual LayerKind kind() const { return LayerKind::Simple; }
  // One frame: the action step, the hover and click test of a choice button, the matrix.
  void update() override;
  // Loads the picture a script names (a script path, suffix optional); nothing changes when none is found.
  virtual void loadImage(std::string_view name);
  virtual void draw();
  // Everything that reaches a pixel, so that the scene can tell whether anything changed since the last
  // frame it drew.
  virtual void appendDrawState(std::vector<std::uint32_t>& out) const;
  // A float as it goes into the draw state: its bits, so that any change counts.
  static std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

  // Makes the layer a choice button that reports value when clicked and grows to zoomMax under the cursor.
  void makeClickable(std::int32_t value, float zoomMax, float zoomStep);

  // A, R, G, B packed into ARGB, each truncated after scaling to 255.
  std::uint32_t colour() const;
  const Matrix4& matrix() const { return matrix_; }
  TiledImage& image() { return *image_; }
  const TiledImage& image() const { return *image_; }

  bool clickable() const { return clickable_; }
  bool clicked() const { return clicked_; }
  std::int32_t value() const { return value_; }
  float zoom() const { return zoom_; }

 protected:
  // The SimpleLayer frame step alone, for kinds that add to it.
  void updateLayer();
  // Draws one of the layer's pictures where the layer is, in its colour.
  void drawImage(TiledImage& image);

  Scene& scene_;

 private:
  void hoverAndClick();

  TiledImage* image_;
  bool clickable_ = false;
  bool prevDown_ = false;
  bool clicked_ = false;
  std::int32_t value_ = 0;
  float zoom_ = 1.0f;
  float zoomMax_ = 1.0f;
  float zoomStep_ = 0.0f;
  Matrix4 matrix_;
};

class PersonLayer : public SimpleLayer {
 public:
  PersonLayer(Scene& scene, int width, int height);

  LayerKind kind() const override { return LayerKind::Person; }
  void update() override;
  // The body, then the eye pictures name目0, name目1, ... and the mouth pictures name口0, ... up to the
  // first number without a file.
  void loadImage(std::string_view name) override;
  void draw() override;
  void appendDrawState(std::vector<std::uint32_t>& out) const override;

  void startEyeAction(const Action* action) { eyeState_.start(action); }
  void startMouthAction(const Action* action) { mouthState_.start(action); }
  AnimatedObject& eyeState() { return eyeState_; }
  AnimatedObject& mouthState() { return mouthState_; }
  int eyeImageCount() const { return static_cast<int>(eyeImages_.size()); }
  int mouthImageCount() const { return static_cast<int>(mouthImages_.size()); }

 private:
  void loadNumbered(std::string_view name, std::string_view part, std::vector<TiledImage*>& images);

  std::vector<TiledImage*> eyeImages_;
  std::vector<TiledImage*> mouthImages_;
  AnimatedObject eyeState_;
  AnimatedObject mouthState_;
};

}  // namespace tavrik
