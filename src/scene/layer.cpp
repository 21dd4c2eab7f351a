#include "scene/layer.h"

#include <string>

#include "platform/mouse_state.h"
#include "platform/script_path.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"
#include "script/compiler/keywords.h"

namespace tavrik {

namespace {

std::uint32_t toByte(float v) {
  return static_cast<std::uint32_t>(truncateToInt(v * 255.0f)) & 0xFF;
}

}  // namespace

SimpleLayer::SimpleLayer(Scene& scene, int width, int height)
    : AnimatedObject(scene.random()), scene_(scene) {
  if (width <= 0 || height <= 0) {
    width = scene.width();
    height = scene.height();
  }
  image_ = &scene.renderer().createImage(width, height);
}

std::uint32_t SimpleLayer::colour() const {
  return (toByte(a) << 24) | (toByte(r) << 16) | (toByte(g) << 8) | toByte(b);
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
  stepAction();
  if (!scene_.chosen && clickable_) hoverAndClick();
  const float w0 = static_cast<float>(image_->imageWidth());
  const float h0 = static_cast<float>(image_->imageHeight());
  // The rotation centre is the centre of the unaligned picture, whatever the alignment.
  const float cx = x + w0 * 0.5f;
  const float cy = y + h0 * 0.5f;
  matrix_ = Matrix4::aboutPoint(cx, cy, w * zoom_, h * zoom_, t);
}

void SimpleLayer::hoverAndClick() {
  clicked_ = false;
  const int iw = image_->imageWidth(), ih = image_->imageHeight();
  // The rectangle is the aligned picture, unscaled and unturned.
  float left = x, top = y;
  if (alignX == 1) left -= static_cast<float>(iw / 2);
  if (alignX == 2) left -= static_cast<float>(iw);
  if (alignY == 1) top -= static_cast<float>(ih / 2);
  if (alignY == 2) top -= static_cast<float>(ih);
  const MouseState& mouse = scene_.mouse();
  const float mx = static_cast<float>(mouse.x), my = static_cast<float>(mouse.y);
  const bool inside =
      left <= mx && mx < left + static_cast<float>(iw) && top <= my && my < top + static_cast<float>(ih);
  if (inside) {
    if (zoom_ < zoomMax_) zoom_ += zoomStep_;
    if (!prevDown_ && mouse.left) clicked_ = true;
    prevDown_ = mouse.left;
  } else {
    if (zoom_ > 1.0f) zoom_ -= zoomStep_;
    // A press that began outside never becomes a click when the pointer moves in.
    prevDown_ = true;
  }
}

void SimpleLayer::loadImage(std::string_view name) {
  const std::string path = findImageFile(name, scene_.renderer().moduleDirectory());
  if (path.empty()) return;
  if (const std::optional<std::filesystem::path> native = paths::resolve(path)) image_->load(*native);
}

void SimpleLayer::drawImage(TiledImage& image) {
  image.draw(scene_.renderer().device(), x, y, 0, 0, image.imageWidth(), image.imageHeight(), colour(),
             matrix_, alignX, alignY);
}

void SimpleLayer::draw() {
  drawImage(*image_);
}

void SimpleLayer::appendDrawState(std::vector<std::uint32_t>& out) const {
  out.push_back(colour());
  if ((colour() >> 24) == 0) return;  // nothing of an invisible layer reaches the screen
  out.push_back(bits(x));
  out.push_back(bits(y));
  out.push_back(static_cast<std::uint32_t>(alignX));
  out.push_back(static_cast<std::uint32_t>(alignY));
  for (float v : matrix_.m) out.push_back(bits(v));
  out.push_back(static_cast<std::uint32_t>(image_->version()));
  out.push_back(static_cast<std::uint32_t>(image_->version() >> 32));
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
  for (std::size_t i = 0;; ++i) {
    std::string numbered(name);
    numbered.append(part).append(std::to_string(i));
    const std::string path = findImageFile(numbered, scene_.renderer().moduleDirectory());
    if (path.empty()) return;
    if (i == images.size())
      images.push_back(&scene_.renderer().createImage(image().allocWidth(), image().allocHeight()));
    if (const std::optional<std::filesystem::path> native = paths::resolve(path)) images[i]->load(*native);
  }
}

void PersonLayer::draw() {
  SimpleLayer::draw();
  if (eyeState_.index >= 0 && eyeState_.index < eyeImageCount())
    drawImage(*eyeImages_[static_cast<std::size_t>(eyeState_.index)]);
  if (mouthState_.index >= 0 && mouthState_.index < mouthImageCount())
    drawImage(*mouthImages_[static_cast<std::size_t>(mouthState_.index)]);
}

void PersonLayer::appendDrawState(std::vector<std::uint32_t>& out) const {
  SimpleLayer::appendDrawState(out);
  for (const auto& [state, images] :
       {std::pair{&eyeState_, &eyeImages_}, std::pair{&mouthState_, &mouthImages_}}) {
    const bool shown = state->index >= 0 && state->index < static_cast<std::int32_t>(images->size());
    out.push_back(shown ? static_cast<std::uint32_t>(state->index) : 0xFFFFFFFFu);
    if (shown)
      out.push_back(static_cast<std::uint32_t>((*images)[static_cast<std::size_t>(state->index)]->version()));
  }
}

}  // namespace tavrik
