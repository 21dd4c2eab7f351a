#include "scene/text_layer.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/glyph_font.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"
#include "support/scene_support.h"

namespace tavrik {
namespace {

using test::sjis;

constexpr std::int32_t at(ActionAttribute a) {
  return static_cast<std::int32_t>(a);
}

// A text action with the fixture's font.
Action textAction(std::int32_t charDelay, std::vector<ActionEntry> entries) {
  Action action;
  action.charDelay = charDelay;
  action.fontIndex = 0;
  action.entries = std::move(entries);
  return action;
}

class TextLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library = FontLibrary::create();
    ASSERT_TRUE(library);
    font = library->openFont("IPAGothic", 24);
    ASSERT_EQ(font->family(), "IPAGothic");
    rig.scene->setFonts({font.get()});
    typingAction = textAction(3, {{0, at(ActionAttribute::A), 1}, {0, at(ActionAttribute::END), 0}});
    typing = &typingAction;
  }
  TextLayer& textLayer(int originX = 0, int originY = 0) {
    TextLayer& layer = rig.scene->addLayer<TextLayer>(originX, originY, 0, 0);
    layer.a = 1;
    return layer;
  }
  void show(TextLayer& layer, std::string_view text, const Action* action) {
    layer.setText(text);
    layer.startAll(action);
    layer.renderGlyphs();
  }
  std::uint32_t pixel(int x, int y) { return rig.pixel(x, y); }
  // The brightest pixel of a rectangle: whether a glyph was drawn there.
  int brightest(int x0, int y0, int x1, int y1) {
    int best = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) best = std::max(best, static_cast<int>(pixel(x, y) & 0xFF));
    return best;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) rig.frame();
  }
  test::SceneRig rig;
  std::unique_ptr<FontLibrary> library;
  std::unique_ptr<GlyphFont> font;
  Action typingAction;
  const Action* typing = nullptr;
};

TEST_F(TextLayerTest, CharactersLayOutAlongLinesBrokenOnlyByLineFeeds) {
  TextLayer& layer = textLayer();
  show(layer, "AB\nC", typing);
  const auto& c = layer.characters();
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].cellX, 0);
  EXPECT_EQ(c[0].cellY, 0);
  EXPECT_EQ(c[0].cellW, 12);
  EXPECT_EQ(c[0].cellH, 24);
  EXPECT_EQ(c[1].cellX, 12);
  EXPECT_EQ(c[2].cellX, 24) << "the line feed takes a cell right of B";
  EXPECT_EQ(c[2].cellY, 0);
  EXPECT_EQ(c[3].cellX, 0);
  EXPECT_EQ(c[3].cellY, c[2].cellH);
}

TEST_F(TextLayerTest, TwoByteCharactersAndALoneLeadByte) {
  TextLayer& layer = textLayer();
  layer.setText(sjis("あa") + "\x82");
  ASSERT_EQ(layer.characters().size(), 3u);
  EXPECT_EQ(layer.characters()[0].code, 0x82A0);
  EXPECT_EQ(layer.characters()[1].code, 'a');
  EXPECT_EQ(layer.characters()[2].code, 0x82);
  EXPECT_TRUE(layer.isFinished()) << "set but not started: reset characters are finished";
  layer.setText("");
  EXPECT_TRUE(layer.characters().empty());
  EXPECT_TRUE(layer.isFinished());
}

TEST_F(TextLayerTest, GlyphsAreDrawnWhiteAndLineFeedsNever) {
  TextLayer& layer = textLayer(100, 50);
  show(layer, sjis("漢\n") + "|", typing);
  frames(10);
  EXPECT_GT(brightest(100, 50, 124, 74), 200) << "the kanji";
  EXPECT_EQ(brightest(124, 50, 148, 74), 0) << "the line feed's cell stays empty";
  EXPECT_GT(brightest(100, 74, 112, 98), 150) << "the bar on the second line";
  EXPECT_EQ(brightest(0, 0, 100, 50), 0);
  const std::uint32_t p = pixel(105, 62);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF) << "white glyphs: grey levels only";
}

TEST_F(TextLayerTest, CharacterColourAndAlphaApplyWhenDrawn) {
  const Action red = textAction(
      0, {{0, at(ActionAttribute::A), 0.5f}, {0, at(ActionAttribute::G), 0}, {0, at(ActionAttribute::B), 0}});
  TextLayer& layer = textLayer();
  show(layer, sjis("■"), &red);
  frames(2);
  const std::uint32_t p = pixel(12, 12);
  EXPECT_TRUE(test::nearColour(p, 0xFF7F0000u, 4)) << std::hex << p;
}

TEST_F(TextLayerTest, TheFrameAlignsButTheTextHangsFromTheLayerPosition) {
  test::TempDir dir;
  ASSERT_TRUE(savePng(test::solidPicture(200, 100, 0xFF0000FFu), dir.path() / "frame.png"));
  TextLayer& layer = textLayer(10, 10);
  layer.loadImage(test::scriptPath(dir.path() / "frame"));
  layer.x = 400.7f;
  layer.y = 300;
  layer.alignX = 1;
  layer.alignY = 1;
  show(layer, sjis("■"), typing);
  frames(2);
  EXPECT_EQ(pixel(301, 251), 0xFF0000FFu) << "the frame picture is centred on the position";
  EXPECT_EQ(pixel(299, 251), 0xFF000000u);
  // The glyph at truncated 400 + 10, 300 + 10: white over the blue frame.
  EXPECT_GT(brightest(410, 310, 434, 334) >> 0, 200);
  EXPECT_GT((pixel(422, 322) >> 16) & 0xFF, 200);
}

TEST_F(TextLayerTest, LayerScaleAndTurnActOnTheCharactersAboutTheFrameCentre) {
  test::TempDir dir;
  ASSERT_TRUE(savePng(test::solidPicture(200, 200, 0x01000000u), dir.path() / "clear.png"));
  TextLayer& layer = textLayer();
  layer.loadImage(test::scriptPath(dir.path() / "clear"));
  layer.x = 300;
  layer.y = 200;
  show(layer, sjis("■"), typing);  // the square sits at 300..324, 200..224
  layer.w = 2;
  layer.h = 2;
  frames(2);
  // Scaled by 2 about the frame centre (400, 300): the square covers 200..248, 100..148.
  EXPECT_GT(brightest(210, 110, 240, 140), 200);
  EXPECT_EQ(brightest(300, 200, 324, 224), 0);
  layer.w = 1;
  layer.h = 1;
  layer.t = 0.5f;
  frames(2);
  // Half a turn about (400, 300): the square moves to 476..500, 376..400.
  EXPECT_GT(brightest(480, 380, 496, 396), 200);
  EXPECT_EQ(brightest(300, 200, 324, 224), 0);
}

TEST_F(TextLayerTest, TextPastTheAtlasIsCutAndAnActionWithoutAFontMeasuresNothing) {
  TextLayer& small = rig.scene->addLayer<TextLayer>(0, 0, 100, 30);
  ASSERT_EQ(small.atlas().cols(), 1);
  show(small, std::string(40, 'W'), typing);  // 480 pixels of text in a 256-pixel atlas
  EXPECT_EQ(small.characters()[39].cellX, 39 * 12);
  EXPECT_EQ(small.atlas().allocatedTiles(), 1);
  Action fontless;
  show(small, "AB", &fontless);
  EXPECT_EQ(small.characters()[1].cellX, 0);
  EXPECT_EQ(small.characters()[1].cellW, 0);
}

TEST_F(TextLayerTest, OriginAndPositionAtTheEndsOfTheIntRangeDrawNothingAndDoNotOverflow) {
  TextLayer& far = textLayer(std::numeric_limits<int>::max(), std::numeric_limits<int>::min());
  far.x = 2.1e9f;
  far.y = -2.1e9f;
  show(far, "AB", typing);
  frames(8);
  EXPECT_EQ(brightest(0, 0, 800, 600), 0);
}

TEST_F(TextLayerTest, AStoredLayerComesBackWithItsCharactersStepsAndCells) {
  TextLayer& layer = textLayer(10, 20);
  show(layer, sjis("あいう"), typing);
  frames(4);
  const LayerState stored = layer.state();
  ASSERT_EQ(stored.characters.size(), 3u);
  EXPECT_EQ(stored.characters[0].code, 0x82A0);
  EXPECT_EQ(stored.characters[1].object.action, typing);

  TextLayer& copy = textLayer(10, 20);
  std::vector<ImageStore::Request> pictures;
  copy.restore(stored, pictures);
  EXPECT_TRUE(pictures.empty()) << "neither has a frame picture";
  ASSERT_EQ(copy.characters().size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(copy.characters()[i].step, layer.characters()[i].step) << i;
    EXPECT_EQ(copy.characters()[i].a, layer.characters()[i].a) << i;
    EXPECT_EQ(copy.characters()[i].cellX, layer.characters()[i].cellX) << "laid out again";
  }
  // Both go on alike.
  frames(10);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(copy.characters()[i].a, layer.characters()[i].a) << i;
}

}  // namespace
}  // namespace tavrik
