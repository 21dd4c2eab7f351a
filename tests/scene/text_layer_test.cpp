#include "scene/text_layer.h"

#include <gtest/gtest.h>

#include "platform/glyph_font.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

constexpr std::int32_t at(ActionAttribute a) {
  return static_cast<std::int32_t>(a);
}

class TextLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.engine->setFontFace("IPAGothic");
    const int font = rig.engine->fontIndexForHeight(24);
    typing = &rig.engine->declareAction("typing", ActionKind::Text, font);
    typing->charDelay = 3;
    typing->append({0, at(ActionAttribute::A), 1});
    typing->append({0, at(ActionAttribute::END), 0});
  }
  TextLayer& textLayer(int originX = 0, int originY = 0) {
    TextLayer& layer = rig.engine->scene().addLayer<TextLayer>(originX, originY, 0, 0);
    layer.a = 1;
    return layer;
  }
  void show(TextLayer& layer, std::string_view text, const Action* action) {
    layer.setText(text);
    layer.startAll(action);
    layer.renderGlyphs();
  }
  std::uint32_t pixel(int x, int y) { return rig.device->pixelAt(x, y); }
  // The brightest pixel of a rectangle: whether a glyph was drawn there.
  int brightest(int x0, int y0, int x1, int y1) {
    int best = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) best = std::max(best, static_cast<int>(pixel(x, y) & 0xFF));
    return best;
  }
  void frames(int n) {
    for (int i = 0; i < n; ++i) {
      rig.engine->update();
      rig.engine->draw(true);
    }
  }
  test::EngineRig rig;
  Action* typing = nullptr;
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

TEST_F(TextLayerTest, TypingDelaysAddUp) {
  TextLayer& layer = textLayer();
  show(layer, "ABCDE", typing);
  int firstVisible = -1, fifthVisible = -1;
  for (int frame = 0; frame < 30; ++frame) {
    rig.engine->update();
    if (firstVisible < 0 && layer.characters()[0].a > 0) firstVisible = frame;
    if (fifthVisible < 0 && layer.characters()[4].a > 0) fifthVisible = frame;
  }
  EXPECT_EQ(fifthVisible - firstVisible, 12);
  EXPECT_TRUE(layer.isFinished());

  // One action per character: a character with delay 0 appears with the one before it.
  Action& instant =
      rig.engine->declareAction("instant", ActionKind::Text, rig.engine->fontIndexForHeight(24));
  instant.append({0, at(ActionAttribute::A), 1});
  layer.setText("ABCD");
  layer.startEach({typing, &instant, typing, typing});
  EXPECT_EQ(layer.characters()[0].step, 0);
  EXPECT_EQ(layer.characters()[1].step, -3);
  EXPECT_EQ(layer.characters()[2].step, -3);
  EXPECT_EQ(layer.characters()[3].step, -6);
  EXPECT_FALSE(layer.isFinished());
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
  Action& red = rig.engine->declareAction("red", ActionKind::Text, rig.engine->fontIndexForHeight(24));
  red.append({0, at(ActionAttribute::A), 0.5f});
  red.append({0, at(ActionAttribute::G), 0});
  red.append({0, at(ActionAttribute::B), 0});
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

TEST_F(TextLayerTest, ChangingTheFaceWhileTypingKeepsTheActionsGoing) {
  TextLayer& layer = textLayer();
  show(layer, "iiii", typing);
  rig.engine->update();
  rig.engine->update();
  const std::int32_t stepBefore = layer.characters()[3].step;
  const std::int32_t widthBefore = layer.characters()[1].cellX;
  rig.engine->setFontFace("IPAPGothic");
  EXPECT_NE(layer.characters()[1].cellX, widthBefore) << "a proportional i is narrower";
  EXPECT_EQ(layer.characters()[3].step, stepBefore);
  EXPECT_EQ(typing->font, rig.engine->fonts()[0].font.get());
  EXPECT_EQ(typing->font->family(), "IPAPGothic");
  const int fonts = static_cast<int>(rig.engine->fonts().size());
  rig.engine->setFontFace("IPAPGothic");
  EXPECT_EQ(static_cast<int>(rig.engine->fonts().size()), fonts);
}

TEST_F(TextLayerTest, TextPastTheAtlasIsCutAndAnActionWithoutAFontMeasuresNothing) {
  TextLayer& small = rig.engine->scene().addLayer<TextLayer>(0, 0, 100, 30);
  ASSERT_EQ(small.atlas().cols(), 1);
  show(small, std::string(40, 'W'), typing);  // 480 pixels of text in a 256-pixel atlas
  EXPECT_EQ(small.characters()[39].cellX, 39 * 12);
  EXPECT_EQ(small.atlas().allocatedTiles(), 1);
  Action fontless;
  show(small, "AB", &fontless);
  EXPECT_EQ(small.characters()[1].cellX, 0);
  EXPECT_EQ(small.characters()[1].cellW, 0);
}

TEST_F(TextLayerTest, TheTextCommandShowsTextOrRestartsTheCharacters) {
  TextLayer& layer = textLayer();
  Action& fadeOut = rig.engine->declareAction("out", ActionKind::Text, rig.engine->fontIndexForHeight(24));
  fadeOut.append({0, at(ActionAttribute::VA), -0.5f});
  fadeOut.append({2, at(ActionAttribute::END), 0});
  ShowTextCommand& text = rig.engine->makeCommand<ShowTextCommand>(
      layer, sjis("はい"), std::vector<const Action*>{typing, typing});
  ShowTextCommand& out = rig.engine->makeCommand<ShowTextCommand>(layer, fadeOut);
  EXPECT_TRUE(text.execute());
  ASSERT_EQ(layer.characters().size(), 2u);
  frames(5);
  EXPECT_EQ(layer.characters()[1].a, 1.0f);
  EXPECT_TRUE(out.execute());
  EXPECT_EQ(layer.characters().size(), 2u) << "the action form keeps the text";
  frames(10);
  EXPECT_EQ(layer.characters()[0].a, 0.0f);
  EXPECT_TRUE(layer.isFinished());
}

}  // namespace
}  // namespace tavrik
