#include "platform/glyph_font.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

class GlyphFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library = FontLibrary::create();
    ASSERT_TRUE(library);
  }
  std::unique_ptr<FontLibrary> library;
};

TEST_F(GlyphFontTest, CellsAreTheAskedHeightAndTheAdvanceWide) {
  std::unique_ptr<GlyphFont> font = library->openFont("IPAGothic", 24);
  EXPECT_EQ(font->family(), "IPAGothic");
  const GlyphCell& a = font->glyph('A');
  EXPECT_EQ(a.height, 24);
  EXPECT_EQ(a.width, 12) << "IPAGothic is a fixed-pitch face: half-width Latin";
  const GlyphCell& kanji = font->glyph(0x8ABF);  // 漢
  EXPECT_EQ(kanji.width, 24);
  EXPECT_EQ(kanji.height, 24);
  const int inked = static_cast<int>(
      std::count_if(kanji.coverage.begin(), kanji.coverage.end(), [](auto v) { return v > 0; }));
  EXPECT_GT(inked, 60);
  EXPECT_TRUE(std::any_of(kanji.coverage.begin(), kanji.coverage.end(), [](auto v) {
    return v > 0 && v < 255;
  })) << "anti-aliased coverage";
  EXPECT_EQ(&font->glyph('A'), &a) << "cells are cached";
}

TEST_F(GlyphFontTest, ControlCharactersAreMeasuredButNotInked) {
  std::unique_ptr<GlyphFont> font = library->openFont("IPAGothic", 20);
  const GlyphCell& lf = font->glyph('\n');
  EXPECT_EQ(lf.height, 20);
  EXPECT_TRUE(std::all_of(lf.coverage.begin(), lf.coverage.end(), [](auto v) { return v == 0; }));
}

TEST_F(GlyphFontTest, MissingFacesAndCharactersFallBack) {
  std::unique_ptr<GlyphFont> missing = library->openFont(sjis("存在しない書体"), 16);
  EXPECT_FALSE(missing->family().empty());
  EXPECT_EQ(missing->glyph(0x82A0).height, 16);  // あ from the default Japanese face
  EXPECT_GT(missing->glyph(0x82A0).width, 0);
  // Bytes with no character in code page 932 are measured from the face's missing-glyph box.
  std::unique_ptr<GlyphFont> font = library->openFont("", 16);
  EXPECT_EQ(font->glyph(0x80).height, 16);
  EXPECT_EQ(font->glyph(0xFCFC).height, 16);
  // A proportional face of the same family set is a different face.
  std::unique_ptr<GlyphFont> proportional = library->openFont("IPAPGothic", 24);
  EXPECT_EQ(proportional->family(), "IPAPGothic");
  EXPECT_NE(proportional->glyph('i').width, library->openFont("IPAGothic", 24)->glyph('i').width);
}

TEST_F(GlyphFontTest, JapaneseFacesAreListedOnceEachInShiftJis) {
  const std::vector<std::string> faces = library->japaneseFaces();
  EXPECT_NE(std::find(faces.begin(), faces.end(), sjis("IPAゴシック")), faces.end());
  EXPECT_TRUE(std::is_sorted(faces.begin(), faces.end()));
  EXPECT_EQ(std::adjacent_find(faces.begin(), faces.end()), faces.end());
  for (const std::string& face : faces) EXPECT_NE(face[0], '@');
  // The listed name opens that face.
  EXPECT_EQ(library->openFont(sjis("IPAゴシック"), 12)->family(), "IPAGothic");
}

TEST(SjisCharacters, ConvertThroughCodePage932) {
  EXPECT_EQ(sjisCharToUnicode('A'), U'A');
  EXPECT_EQ(sjisCharToUnicode(0x5C), U'\\');
  EXPECT_EQ(sjisCharToUnicode(0xB1), U'ｱ');
  EXPECT_EQ(sjisCharToUnicode(0x82A0), U'あ');
  EXPECT_EQ(sjisCharToUnicode(0x8740), U'①');
  EXPECT_EQ(sjisCharToUnicode(0x80), 0u);
  EXPECT_EQ(sjisCharToUnicode(0x81FF), 0u);
}

}  // namespace
}  // namespace tavrik
