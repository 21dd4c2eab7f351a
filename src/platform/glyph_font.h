// Fonts for text frames: faces found with fontconfig, rasterised anti-aliased with FreeType, one
// Shift-JIS character at a time into a cell as tall as the font's height and as wide as its advance.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavrik {

// One character's cell: width x height coverage values (0 to 255), row-major.
struct GlyphCell {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;
};

class GlyphFont;

// The FreeType library and the fontconfig set, opened once for the player.
class FontLibrary {
 public:
  // Nothing when FreeType cannot be started; text then has no glyphs and measures 0 x 0.
  static std::unique_ptr<FontLibrary> create();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // A font of the face (a Shift-JIS family name; empty for the system's default Japanese face) whose
  // cells are cellHeight pixels tall. A face that is not installed or cannot be loaded gives the
  // default Japanese face, and characters a face lacks come from that default too.
  std::unique_ptr<GlyphFont> openFont(std::string_view sjisFace, int cellHeight);

  // The families that can show Japanese, one entry each under its Japanese name where it has one,
  // names that Shift-JIS cannot hold left out, vertical-writing variants ("@") left out, sorted.
  std::vector<std::string> japaneseFaces();

  // The file (and face index within it) of the system's default Japanese face; empty when none.
  std::string defaultFaceFile(int& index);
  // The file of a face (Shift-JIS family name), or of the default Japanese face when it is not installed.
  std::string faceFile(std::string_view sjisFace, int& index);

 private:
  struct Impl;
  explicit FontLibrary(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  friend class GlyphFont;
};

class GlyphFont {
 public:
  ~GlyphFont();
  GlyphFont(const GlyphFont&) = delete;
  GlyphFont& operator=(const GlyphFont&) = delete;

  int cellHeight() const { return cellHeight_; }
  // The family the glyphs come from (UTF-8), for messages and tests.
  const std::string& family() const { return family_; }
  // The cell of a character: its byte for one-byte characters, lead * 256 + trail for two-byte ones.
  // Cached per character; control characters are measured but have no coverage.
  const GlyphCell& glyph(std::uint16_t code) const;

 private:
  friend class FontLibrary;
  struct Faces;
  GlyphFont(std::unique_ptr<Faces> faces, int cellHeight, std::string family);
  GlyphCell render(std::uint16_t code) const;

  std::unique_ptr<Faces> faces_;
  int cellHeight_;
  std::string family_;
  mutable std::unordered_map<std::uint16_t, GlyphCell> cache_;
};

// The Unicode code point of a Shift-JIS character code (as GlyphFont takes it), 0 when it has none.
char32_t sjisCharToUnicode(std::uint16_t code);

}  // namespace tavrik
