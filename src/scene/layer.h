// The layers of the scene: a picture placed, scaled, turned and tinted by its action, drawn back to
// front in declaration order. A person layer adds eye and mouth overlays switched by their own actions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/animated_object.h"
#include "scene/draw_list.h"
#include "scene/image_store.h"
#include "scene/matrix.h"

namespace tavrik {

class Scene;
class TiledImage;

// An object's A, R, G, B packed into ARGB, each truncated after scaling to 255.
std::uint32_t packColour(const AnimationState& object);

// A character of a text layer as stored and restored.
struct CharacterState {
  std::uint16_t code = 0;
  ObjectState object;
};

// A layer as stored and restored: its object and picture, a choice button's hover state, a person's
// eyes and mouth, a text layer's characters. Pictures are kept by the names they were loaded by.
struct LayerState {
  ObjectState object;
  std::string picture;
  float zoom = 1.0f;
  bool pressHeld = true;
  bool clicked = false;
  ObjectState eyes;
  ObjectState mouth;
  std::vector<std::string> eyePictures;
  std::vector<std::string> mouthPictures;
  std::vector<CharacterState> characters;
};

class SimpleLayer : public AnimatedObject {
 public:
  // Sizes of 0 or less become the screen size. A new layer is invisible (A = 0) until an action sets A.
  SimpleLayer(Scene& scene, int width, int height);

  // One frame: the action step, the hover and click test of a choice button, the matrix.
  void update() override;
  // Loads the picture a script names (a script path, suffix optional); nothing changes when none is found.
  virtual void loadImage(std::string_view name);
  // What the layer puts on the screen this frame, after what is already in the list.
  virtual void appendDraws(DrawList& out);

  // Makes the layer a choice button that reports value when clicked and grows to zoomMax under the cursor.
  void makeClickable(std::int32_t value, float zoomMax, float zoomStep);

  std::uint32_t colour() const { return packColour(*this); }
  const Matrix4& matrix() const { return matrix_; }
  TiledImage& image() { return *image_; }
  const TiledImage& image() const { return *image_; }

  bool clickable() const { return clickable_; }
  // Whether a screen pixel is on the layer's picture as a click tests it (aligned, unscaled).
  bool covers(std::int32_t px, std::int32_t py) const { return hitRect().contains(px, py); }
  bool clicked() const { return clicked_; }
  std::int32_t value() const { return value_; }
  float zoom() const { return zoom_; }

  virtual LayerState state() const;
  // Takes a stored state. Pictures that differ from those held are left to load, by name, in pictures:
  // all of a scene's are decoded together afterwards (ImageStore::loadAll).
  virtual void restore(const LayerState& state, std::vector<ImageStore::Request>& pictures);

 protected:
  // The SimpleLayer frame step alone, for kinds that add to it.
  void updateLayer();
  // One of the layer's pictures where the layer is, in its colour.
  PictureDraw placed(TiledImage& image) const;
  // Asks for the picture of a name in image, unless it holds that one already.
  static void restorePicture(TiledImage& image, const std::string& name,
                             std::vector<ImageStore::Request>& pictures);

  Scene& scene_;

 private:
  // Where a click hits the layer, in screen pixels.
  struct HitRect {
    float left = 0, top = 0, right = 0, bottom = 0;
    bool contains(std::int32_t px, std::int32_t py) const {
      const float mx = static_cast<float>(px), my = static_cast<float>(py);
      return left <= mx && mx < right && top <= my && my < bottom;
    }
  };
  HitRect hitRect() const;
  // before: where the layer stood when the frame began.
  void hoverAndClick(const HitRect& before);

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
  // A series of eye or mouth pictures ends here at the latest: no face needs more, and a folder of
  // numbered files must not make a layer of thousands of pictures.
  static constexpr std::size_t kMaxSeries = 256;

  PersonLayer(Scene& scene, int width, int height);

  void update() override;
  // The body, then the eye pictures name目0, name目1, ... and the mouth pictures name口0, ... up to the
  // first number without a file.
  void loadImage(std::string_view name) override;
  void appendDraws(DrawList& out) override;

  void startEyeAction(const Action* action) { eyeState_.start(action); }
  void startMouthAction(const Action* action) { mouthState_.start(action); }

  LayerState state() const override;
  void restore(const LayerState& state, std::vector<ImageStore::Request>& pictures) override;

 private:
  void loadNumbered(std::string_view name, std::string_view part, std::vector<TiledImage*>& images);
  void restoreNumbered(const std::vector<std::string>& names, std::vector<TiledImage*>& images,
                       std::vector<ImageStore::Request>& pictures);
  void appendOverlay(DrawList& out, const AnimatedObject& state, const std::vector<TiledImage*>& images);

  std::vector<TiledImage*> eyeImages_;
  std::vector<TiledImage*> mouthImages_;
  AnimatedObject eyeState_;
  AnimatedObject mouthState_;
};

}  // namespace tavrik
