#include "script/runtime/engine_fonts.h"

#include "platform/glyph_font.h"
#include "scene/scene.h"
#include "script/runtime/text_layers.h"

namespace tavrik {

EngineFonts::EngineFonts(const std::vector<std::int32_t>& heights, FontLibrary* sharedLibrary,
                         std::string face, Scene& scene, TextLayers& text)
    : heights_(heights),
      sharedLibrary_(sharedLibrary),
      face_(std::move(face)),
      scene_(scene),
      text_(text),
      fonts_(heights.size()) {
  open();
}

EngineFonts::~EngineFonts() = default;

FontLibrary* EngineFonts::library() {
  if (sharedLibrary_) return sharedLibrary_;
  if (!ownLibrary_) ownLibrary_ = FontLibrary::create();
  return ownLibrary_.get();
}

void EngineFonts::open() {
  // A program without font heights never starts a library of its own.
  FontLibrary* opener = fonts_.empty() ? nullptr : library();
  std::vector<const GlyphFont*> fonts;
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    fonts_[i] = opener ? opener->openFont(face_, heights_[i]) : nullptr;
    fonts.push_back(fonts_[i].get());
  }
  scene_.setFonts(std::move(fonts));
}

void EngineFonts::setFace(const std::string& face) {
  if (face == face_) return;
  face_ = face;
  if (fonts_.empty()) return;
  open();
  text_.renderGlyphs();
}

}  // namespace tavrik
