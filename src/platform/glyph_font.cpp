#include "platform/glyph_font.h"

#if !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "base/script_path.h"
#include "base/text_encoding.h"

namespace tavrik {

namespace {

struct FaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

struct FontFile {
  std::string path;
  int index = 0;
  std::string family;  // the family name the match reports first
  bool isAskedFamily = false;
};

#if defined(__EMSCRIPTEN__)
// In a browser there is no font configuration: the faces are the font files packed in the player's
// fonts folder, each known by its family names (the English one and any Japanese one of its name table).
struct FaceSet {
  struct Face {
    std::string path;
    int index = 0;
    std::vector<std::string> families;  // UTF-8, the first as the face reports it
    std::string japaneseFamily;         // its Japanese name, when it has one
    bool japanese = false;              // it has kana
  };
  std::vector<Face> faces;  // Japanese faces first, then by file name
};

// The family name of a name-table entry in Japanese (UTF-16BE), in UTF-8.
std::string utf8OfUtf16(const FT_Byte* bytes, FT_UInt length) {
  std::string out;
  for (FT_UInt i = 0; i + 1 < length; i += 2) {
    char32_t c = static_cast<char32_t>(bytes[i] << 8 | bytes[i + 1]);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < length) {
      const char32_t low = static_cast<char32_t>(bytes[i + 2] << 8 | bytes[i + 3]);
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(out, c);
  }
  return out;
}

FaceSet* readFaceSet(FT_Library ft) {
  auto set = std::make_unique<FaceSet>();
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(paths::moduleDirectoryNative() / "fonts", ec)) {
    std::string extension = entry.path().extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".ttf" || extension == ".otf" || extension == ".ttc") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& file : files) {
    for (int index = 0, count = 1; index < count; ++index) {
      FT_Face face = nullptr;
      if (FT_New_Face(ft, file.c_str(), index, &face) != 0) break;
      FacePtr owned(face);
      count = static_cast<int>(face->num_faces);
      FaceSet::Face known;
      known.path = file.string();
      known.index = index;
      if (face->family_name) known.families.emplace_back(face->family_name);
      for (FT_UInt n = 0, names = FT_Get_Sfnt_Name_Count(face); n < names; ++n) {
        FT_SfntName name{};
        if (FT_Get_Sfnt_Name(face, n, &name) != 0 || name.name_id != TT_NAME_ID_FONT_FAMILY ||
            name.platform_id != TT_PLATFORM_MICROSOFT || name.language_id != TT_MS_LANGID_JAPANESE_JAPAN)
          continue;
        known.japaneseFamily = utf8OfUtf16(name.string, name.string_len);
        if (!known.japaneseFamily.empty()) known.families.push_back(known.japaneseFamily);
      }
      known.japanese = FT_Get_Char_Index(face, 0x3042) != 0;
      if (!known.families.empty()) set->faces.push_back(std::move(known));
    }
  }
  std::stable_partition(set->faces.begin(), set->faces.end(),
                        [](const FaceSet::Face& f) { return f.japanese; });
  return set.release();
}

bool sameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// The face of a family (empty: the first Japanese face), or else that default, as fontconfig matches.
std::optional<FontFile> matchFamily(const FaceSet* set, const std::string& familyUtf8) {
  if (set->faces.empty()) return std::nullopt;
  const FaceSet::Face* chosen = &set->faces.front();
  bool asked = false;
  if (!familyUtf8.empty())
    for (const FaceSet::Face& face : set->faces)
      for (const std::string& name : face.families)
        if (!asked && sameName(name, familyUtf8)) {
          chosen = &face;
          asked = true;
        }
  return FontFile{chosen->path, chosen->index, chosen->families.front(), asked};
}
#else
struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// The file fontconfig picks for a family (empty: the default Japanese face). FcFontMatch always finds
// something, so whether the asked family exists is told by the match's own family names.
std::optional<FontFile> matchFamily(FcConfig* config, const std::string& familyUtf8) {
  PatternPtr pattern(FcPatternCreate());
  if (!familyUtf8.empty())
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(familyUtf8.c_str()));
  FcPatternAddString(pattern.get(), FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(config, pattern.get(), &result));
  if (!match) return std::nullopt;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  FontFile out;
  out.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &out.index);
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match.get(), FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (i == 0) out.family = reinterpret_cast<const char*>(name);
    if (!familyUtf8.empty() &&
        FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(familyUtf8.c_str())) == 0)
      out.isAskedFamily = true;
  }
  return out;
}

#endif

}  // namespace

// Shift-JIS to Unicode for single characters, from the code page 932 converter. Each code is converted
// when first met and remembered: converting all of them at once took longer than a game's first line.
char32_t sjisCharToUnicode(std::uint16_t code) {
  // The character plus one; 0 while not converted yet. Threads that meet a character at once convert
  // it alike.
  static std::atomic<char32_t> known[65536];
  if (const char32_t remembered = known[code].load(std::memory_order_relaxed)) return remembered - 1;
  const int lead = code >> 8, trail = code & 0xFF;
  std::string bytes;
  if (lead == 0)
    bytes.assign(1, static_cast<char>(trail));
  else if (((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && trail >= 0x40 &&
           trail <= 0xFC)
    bytes = {static_cast<char>(lead), static_cast<char>(trail)};
  char32_t unicode = 0;
  if (lead == 0 && trail < 0x80) {
    unicode = static_cast<char32_t>(trail);
  } else if (!bytes.empty()) {
    const std::optional<std::string> utf8 = sjisToUtf8Strict(bytes);
    const auto* u = utf8 ? reinterpret_cast<const unsigned char*>(utf8->data()) : nullptr;
    const std::size_t n = utf8 ? utf8->size() : 0;
    if (n == 0)
      unicode = 0;
    else if (u[0] < 0x80)
      unicode = u[0];
    else if ((u[0] & 0xE0) == 0xC0 && n >= 2)
      unicode = ((u[0] & 0x1Fu) << 6) | (u[1] & 0x3Fu);
    else if ((u[0] & 0xF0) == 0xE0 && n >= 3)
      unicode = ((u[0] & 0x0Fu) << 12) | ((u[1] & 0x3Fu) << 6) | (u[2] & 0x3Fu);
    else if ((u[0] & 0xF8) == 0xF0 && n >= 4)
      unicode = ((u[0] & 0x07u) << 18) | ((u[1] & 0x3Fu) << 12) | ((u[2] & 0x3Fu) << 6) | (u[3] & 0x3Fu);
  }
  known[code].store(unicode + 1, std::memory_order_relaxed);
  return unicode;
}

struct FontLibrary::Impl {
  FT_Library ft = nullptr;
#if defined(__EMSCRIPTEN__)
  FaceSet* config = nullptr;
#else
  FcConfig* config = nullptr;
#endif
  ~Impl() {
#if defined(__EMSCRIPTEN__)
    delete config;
#else
    if (config) FcConfigDestroy(config);
#endif
    if (ft) FT_Done_FreeType(ft);
  }
};

struct GlyphFont::Faces {
  FacePtr primary;
  FacePtr fallback;  // the default Japanese face, for characters the primary lacks
  int ascender = 0;  // baseline, in pixels from the top of the cell
};

FontLibrary::FontLibrary(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FontLibrary::~FontLibrary() = default;

std::unique_ptr<FontLibrary> FontLibrary::create() {
  auto impl = std::make_unique<Impl>();
  if (FT_Init_FreeType(&impl->ft) != 0) return nullptr;
#if defined(__EMSCRIPTEN__)
  impl->config = readFaceSet(impl->ft);
#else
  impl->config = FcInitLoadConfigAndFonts();
#endif
  return std::unique_ptr<FontLibrary>(new FontLibrary(std::move(impl)));
}

namespace {

FacePtr openFace(FT_Library ft, const FontFile& file, int cellHeight) {
  FT_Face face = nullptr;
  if (FT_New_Face(ft, file.path.c_str(), file.index, &face) != 0) return nullptr;
  FacePtr owned(face);
  // The asked height is the cell height (ascent plus descent), as the fonts of the original system
  // were sized.
  FT_Size_RequestRec request{};
  request.type = FT_SIZE_REQUEST_TYPE_CELL;
  request.height = static_cast<FT_Long>(cellHeight) * 64;
  if (FT_Request_Size(face, &request) != 0) return nullptr;
  return owned;
}

}  // namespace

std::unique_ptr<GlyphFont> FontLibrary::openFont(std::string_view sjisFace, int cellHeight) {
  cellHeight = std::clamp(cellHeight, 1, 1024);
  auto faces = std::make_unique<GlyphFont::Faces>();
  std::string family;
  if (impl_->config) {
    const std::string asked = sjisToUtf8Strict(sjisFace).value_or("");
    std::optional<FontFile> defaultFile = matchFamily(impl_->config, "");
    std::optional<FontFile> askedFile = asked.empty() ? defaultFile : matchFamily(impl_->config, asked);
    if (askedFile && (asked.empty() || askedFile->isAskedFamily)) {
      faces->primary = openFace(impl_->ft, *askedFile, cellHeight);
      if (faces->primary) family = askedFile->family;
    }
    if (defaultFile) {
      faces->fallback = openFace(impl_->ft, *defaultFile, cellHeight);
      if (!faces->primary && faces->fallback) family = defaultFile->family;
    }
  }
  const FT_Face metricsFace = faces->primary ? faces->primary.get() : faces->fallback.get();
  if (metricsFace) {
    const FT_Size_Metrics& m = metricsFace->size->metrics;
    const long ascent = (m.ascender + 32) >> 6;
    const long descent = (-m.descender + 32) >> 6;
    // Spread any rounding difference so the baseline sits where the cell height expects it.
    faces->ascender = static_cast<int>(ascent + (cellHeight - (ascent + descent)) / 2);
  }
  return std::unique_ptr<GlyphFont>(new GlyphFont(std::move(faces), cellHeight, std::move(family)));
}

std::vector<std::string> FontLibrary::japaneseFaces() {
  std::vector<std::string> out;
  if (!impl_->config) return out;
#if defined(__EMSCRIPTEN__)
  for (const FaceSet::Face& face : impl_->config->faces) {
    if (!face.japanese) continue;
    const std::string& utf8 = face.japaneseFamily.empty() ? face.families.front() : face.japaneseFamily;
    if (std::optional<std::string> sjis = utf8ToSjisStrict(utf8); sjis && !sjis->empty() && utf8[0] != '@')
      out.push_back(std::move(*sjis));
  }
#else
  PatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>(":lang=ja")));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr);
  FcFontSet* set = FcFontList(impl_->config, pattern.get(), objects);
  FcObjectSetDestroy(objects);
  if (!set) return out;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    // One name per family: the Japanese one where the font has it, else the first.
    FcChar8* chosen = nullptr;
    FcChar8* name = nullptr;
    for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &name) == FcResultMatch; ++k) {
      FcChar8* lang = nullptr;
      if (!chosen) chosen = name;
      if (FcPatternGetString(font, FC_FAMILYLANG, k, &lang) == FcResultMatch &&
          std::strcmp(reinterpret_cast<char*>(lang), "ja") == 0) {
        chosen = name;
        break;
      }
    }
    if (!chosen) continue;
    const std::string utf8 = reinterpret_cast<const char*>(chosen);
    if (utf8.empty() || utf8[0] == '@') continue;
    std::optional<std::string> sjis = utf8ToSjisStrict(utf8);
    if (!sjis || sjis->empty()) continue;
    out.push_back(std::move(*sjis));
  }
  FcFontSetDestroy(set);
#endif
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

std::string FontLibrary::defaultFaceFile(int& index) {
  index = 0;
  if (!impl_->config) return {};
  std::optional<FontFile> file = matchFamily(impl_->config, "");
  if (!file) return {};
  index = file->index;
  return file->path;
}

std::string FontLibrary::faceFile(std::string_view sjisFace, int& index) {
  index = 0;
  if (!impl_->config) return {};
  const std::string asked = sjisToUtf8Strict(sjisFace).value_or("");
  if (!asked.empty()) {
    if (std::optional<FontFile> file = matchFamily(impl_->config, asked); file && file->isAskedFamily) {
      index = file->index;
      return file->path;
    }
  }
  return defaultFaceFile(index);
}

GlyphFont::GlyphFont(std::unique_ptr<Faces> faces, int cellHeight, std::string family)
    : faces_(std::move(faces)), cellHeight_(cellHeight), family_(std::move(family)) {}
GlyphFont::~GlyphFont() = default;

const GlyphCell& GlyphFont::glyph(std::uint16_t code) const {
  auto it = cache_.find(code);
  if (it == cache_.end()) it = cache_.emplace(code, render(code)).first;
  return it->second;
}

GlyphCell GlyphFont::render(std::uint16_t code) const {
  GlyphCell cell;
  FT_Face face = faces_->primary ? faces_->primary.get() : faces_->fallback.get();
  if (!face) return cell;  // no font at all: an empty cell, and the text goes on
  const char32_t unicode = sjisCharToUnicode(code);
  FT_UInt index = unicode ? FT_Get_Char_Index(face, unicode) : 0;
  if (index == 0 && unicode && faces_->fallback && face != faces_->fallback.get()) {
    const FT_UInt fallbackIndex = FT_Get_Char_Index(faces_->fallback.get(), unicode);
    if (fallbackIndex != 0) {
      face = faces_->fallback.get();
      index = fallbackIndex;
    }
  }
  const bool control = code < 0x20 || code == 0x7F;
  if (FT_Load_Glyph(face, index, control ? FT_LOAD_DEFAULT : FT_LOAD_RENDER) != 0) return cell;
  const FT_GlyphSlot slot = face->glyph;
  cell.width = static_cast<int>((slot->advance.x + 32) >> 6);
  cell.height = cellHeight_;
  if (cell.width <= 0) return cell;
  cell.coverage.assign(static_cast<std::size_t>(cell.width) * static_cast<std::size_t>(cell.height), 0);
  if (control || slot->format != FT_GLYPH_FORMAT_BITMAP) return cell;
  const FT_Bitmap& bitmap = slot->bitmap;
  const int left = slot->bitmap_left;
  const int top = faces_->ascender - slot->bitmap_top;
  // The cell clips the glyph, as painting a character into its own cell always did.
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const int y = top + static_cast<int>(row);
    if (y < 0 || y >= cell.height) continue;
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      const int x = left + static_cast<int>(col);
      if (x < 0 || x >= cell.width) continue;
      std::uint8_t value = 0;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
        value = src[col];
      } else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        value = (src[col / 8] & (0x80 >> (col % 8))) ? 255 : 0;
      }
      cell.coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(cell.width) +
                    static_cast<std::size_t>(x)] = value;
    }
  }
  return cell;
}

}  // namespace tavrik
