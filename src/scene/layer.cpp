#include "scene/layer.h"

#include "base/input_state.h"
#include "base/keywords.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"

namespace tavrik {

namespace {

std::uint32_t toByte(float v) {
  return static_cast<std::uint32_t>(truncateToInt(v * 255.0f)) & 0xFF;
}

}  // namespace

std::uint32_t packColour(const AnimationState& o) {
  return (toByte(o.a) << 24) | (toByte(o.r) << 16) | (toByte(o.g) << 8) | toByte(o.b);
}

SimpleLayer::SimpleLayer(Scene& scene, int width, int height)
    : AnimatedObject(scene.random()), scene_(scene) {
  if (width <= 0 || height <= 0) {
    width = scene.width();
    height = scene.height();
  }
  image_ = &scene.images().createImage(width, height);
}

void SimpleLayer::makeClickable(std::int32_t value, float zoomMax, float zoomStep) {
  clickable_ = true;
  zoom_ = 1.0f;
  prevDown_ = true;
  clicked_ = false;
  value_ = value;
  zoomMax_ = zoomMax;
  zoomStep_ = zoomStep;
}

void SimpleLayer::update() {
  updateLayer();
}

void SimpleLayer::updateLayer() {
  const HitRect before = hitRect();
  stepAction();
  if (!scene_.chosen && clickable_) hoverAndClick(before);
  const float w0 = static_cast<float>(image_->imageWidth());
  const float h0 = static_cast<float>(image_->imageHeight());
  // The rotation centre is the centre of the unaligned picture, whatever the alignment.
  const float cx = x + w0 * 0.5f;
  const float cy = y + h0 * 0.5f;
  matrix_ = Matrix4::aboutPoint(cx, cy, w * zoom_, h * zoom_, t);
}

SimpleLayer::HitRect SimpleLayer::hitRect() const {
  // The rectangle is the aligned picture, unscaled and unturned.
  const int iw = image_->imageWidth(), ih = image_->imageHeight();
  float left = x, top = y;
  if (alignX == 1) left -= static_cast<float>(iw / 2);
  if (alignX == 2) left -= static_cast<float>(iw);
  if (alignY == 1) top -= static_cast<float>(ih / 2);
  if (alignY == 2) top -= static_cast<float>(ih);
  return {left, top, left + static_cast<float>(iw), top + static_cast<float>(ih)};
}

void SimpleLayer::hoverAndClick(const HitRect& before) {
  clicked_ = false;
  const HitRect now = hitRect();
  const MouseState& mouse = scene_.mouse();
  const bool inside = now.contains(mouse.x, mouse.y);
  // A press made inside is a click even when this frame is the first to see the pointer there (a tap),
  // as long as the button stood there when the frame began: a button that comes this frame under a
  // press made for something else (the click that ended the wait before the choice) is not clicked.
  const bool pressedInside = mouse.leftPressed && now.contains(mouse.pressX, mouse.pressY) &&
                             before.contains(mouse.pressX, mouse.pressY);
  // The button the keyboard or a controller is on grows as under the pointer, and its press is a click
  // inside it; the mouse clicks only where it is.
  const bool focused = scene_.focused() == this;
  if (inside || focused) {
    if (zoom_ < zoomMax_) zoom_ += zoomStep_;
  } else if (zoom_ > 1.0f) {
    zoom_ -= zoomStep_;
  }
  if (inside) {
    if ((!prevDown_ || pressedInside) && mouse.left) clicked_ = true;
    prevDown_ = mouse.left;
  } else {
    // A press that began outside never becomes a click when the pointer moves in.
    prevDown_ = true;
  }
  if (focused && scene_.focusPressed()) clicked_ = true;
}

void SimpleLayer::loadImage(std::string_view name) {
  scene_.images().load(*image_, name);
}

PictureDraw SimpleLayer::placed(TiledImage& image) const {
  PictureDraw d;
  d.image = &image;
  d.version = image.version();
  d.x = x;
  d.y = y;
  d.srcW = image.imageWidth();
  d.srcH = image.imageHeight();
  d.alignX = alignX;
  d.alignY = alignY;
  d.colour = colour();
  d.matrix = matrix_;
  return d;
}

void SimpleLayer::appendDraws(DrawList& out) {
  // Nothing of an invisible picture, or of none, reaches the screen.
  if ((colour() >> 24) == 0 || image_->imageWidth() <= 0 || image_->imageHeight() <= 0) return;
  out.push_back(placed(*image_));
}

LayerState SimpleLayer::state() const {
  LayerState s;
  s.object = objectState();
  s.picture = image_->source();
  s.zoom = zoom_;
  s.pressHeld = prevDown_;
  s.clicked = clicked_;
  return s;
}

void SimpleLayer::restorePicture(TiledImage& image, const std::string& name,
                                 std::vector<ImageStore::Request>& pictures) {
  if (image.source() != name) pictures.push_back({&image, name});
}

void SimpleLayer::restore(const LayerState& state, std::vector<ImageStore::Request>& pictures) {
  restoreObject(state.object);
  restorePicture(*image_, state.picture, pictures);
  zoom_ = state.zoom;
  prevDown_ = state.pressHeld;
  clicked_ = state.clicked;
}

PersonLayer::PersonLayer(Scene& scene, int width, int height)
    : SimpleLayer(scene, width, height), eyeState_(scene.random()), mouthState_(scene.random()) {}

void PersonLayer::update() {
  updateLayer();
  eyeState_.update();
  mouthState_.update();
}

void PersonLayer::loadImage(std::string_view name) {
  SimpleLayer::loadImage(name);
  loadNumbered(name, kw::kEyePart, eyeImages_);
  loadNumbered(name, kw::kMouthPart, mouthImages_);
}

void PersonLayer::loadNumbered(std::string_view name, std::string_view part,
                               std::vector<TiledImage*>& images) {
  // Numbers are contiguous from 0; pictures left from an earlier, longer series are kept.
  for (std::size_t i = 0; i < kMaxSeries; ++i) {
    std::string numbered(name);
    numbered.append(part).append(std::to_string(i));
    const std::string path = scene_.images().find(numbered);
    if (path.empty()) return;
    if (i == images.size())
      images.push_back(&scene_.images().createImage(image().allocWidth(), image().allocHeight()));
    scene_.images().loadFile(*images[i], numbered, path);
  }
}

void PersonLayer::appendOverlay(DrawList& out, const AnimatedObject& state,
                                const std::vector<TiledImage*>& images) {
  if (state.index < 0 || state.index >= static_cast<std::int32_t>(images.size())) return;
  TiledImage& overlay = *images[static_cast<std::size_t>(state.index)];
  if ((colour() >> 24) == 0 || overlay.imageWidth() <= 0 || overlay.imageHeight() <= 0) return;
  out.push_back(placed(overlay));
}

void PersonLayer::appendDraws(DrawList& out) {
  SimpleLayer::appendDraws(out);
  appendOverlay(out, eyeState_, eyeImages_);
  appendOverlay(out, mouthState_, mouthImages_);
}

LayerState PersonLayer::state() const {
  LayerState s = SimpleLayer::state();
  s.eyes = eyeState_.objectState();
  s.mouth = mouthState_.objectState();
  for (const TiledImage* image : eyeImages_) s.eyePictures.push_back(image->source());
  for (const TiledImage* image : mouthImages_) s.mouthPictures.push_back(image->source());
  return s;
}

void PersonLayer::restoreNumbered(const std::vector<std::string>& names, std::vector<TiledImage*>& images,
                                  std::vector<ImageStore::Request>& pictures) {
  // A series longer than the stored one ends where the stored one did.
  for (std::size_t i = names.size(); i < images.size(); ++i) images[i]->unload();
  if (images.size() > names.size()) images.resize(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i == images.size())
      images.push_back(&scene_.images().createImage(image().allocWidth(), image().allocHeight()));
    restorePicture(*images[i], names[i], pictures);
  }
}

void PersonLayer::restore(const LayerState& state, std::vector<ImageStore::Request>& pictures) {
  SimpleLayer::restore(state, pictures);
  eyeState_.restoreObject(state.eyes);
  mouthState_.restoreObject(state.mouth);
  restoreNumbered(state.eyePictures, eyeImages_, pictures);
  restoreNumbered(state.mouthPictures, mouthImages_, pictures);
}

}  // namespace tavrik
