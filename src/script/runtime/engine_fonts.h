// The fonts an engine's text is drawn in: one per height of the program's font table, all of one face.
// The scene finds them by a text action's font index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrik {

class FontLibrary;
class GlyphFont;
class Scene;
class TextLayers;

class EngineFonts {
 public:
  // Opens the fonts of every height in the face and hands them to the scene. Without a shared library
  // one is opened with the first font; without FreeType the fonts are missing and text has no glyphs.
  EngineFonts(const std::vector<std::int32_t>& heights, FontLibrary* sharedLibrary, std::string face,
              Scene& scene, TextLayers& text);
  ~EngineFonts();

  const std::string& face() const { return face_; }
  // Opens the fonts again in another face and lays out every text layer anew, without touching the
  // characters' actions.
  void setFace(const std::string& face);

  // The fonts in the order of the program's heights; nullptr where none could be opened.
  std::size_t size() const { return fonts_.size(); }
  const GlyphFont* operator[](std::size_t index) const { return fonts_[index].get(); }

 private:
  FontLibrary* library();
  void open();

  const std::vector<std::int32_t>& heights_;
  FontLibrary* sharedLibrary_;
  std::unique_ptr<FontLibrary> ownLibrary_;  // opened with the first font when none is shared
  std::string face_;
  Scene& scene_;
  TextLayers& text_;
  std::vector<std::unique_ptr<GlyphFont>> fonts_;
};

}  // namespace tavrik
