// What the scene puts on screen, checked pixel by pixel in the headless software renderer.
#include "scene/scene.h"

#include <gtest/gtest.h>

#include "base/input_state.h"
#include "platform/image_decoder.h"
#include "scene/layer.h"
#include "scene/tiled_image.h"
#include "support/scene_support.h"

namespace tavrik {
namespace {

class SceneTest : public ::testing::Test {
 protected:
  Scene& scene() { return *rig.scene; }
  std::uint32_t pixel(int x, int y) { return rig.pixel(x, y); }
  void frame() { rig.frame(); }
  // Draws when the frame changed, as the engine does; whether it drew.
  bool draw(bool force = false) {
    const bool changed = scene().prepareFrame();
    if (!force && !changed) return false;
    scene().drawFrame();
    rig.device->endScene();
    return true;
  }
  SimpleLayer& layerWith(const DecodedImage& picture, float x, float y) {
    SimpleLayer& layer = scene().addLayer<SimpleLayer>(0, 0);
    layer.image().load(picture);
    layer.x = x;
    layer.y = y;
    layer.a = 1;
    return layer;
  }
  // A picture whose texels tell where they come from: red = x, green = y, opaque.
  static DecodedImage coded(int w, int h) {
    return test::picture(w, h, [](int x, int y) {
      return 0xFF000000u | (static_cast<std::uint32_t>(x & 0xFF) << 16) |
             (static_cast<std::uint32_t>(y & 0xFF) << 8) |
             static_cast<std::uint32_t>((x >> 8) * 16 + (y >> 8));
    });
  }
  static std::uint32_t codeOf(int x, int y) {
    return 0xFF000000u | (static_cast<std::uint32_t>(x & 0xFF) << 16) |
           (static_cast<std::uint32_t>(y & 0xFF) << 8) | static_cast<std::uint32_t>((x >> 8) * 16 + (y >> 8));
  }
  test::SceneRig rig;
};

TEST_F(SceneTest, AnUnscaledPictureLandsTexelExactAcrossTiles) {
  layerWith(coded(300, 200), 40, 30);
  frame();
  for (const auto& [x, y] : {std::pair{0, 0}, {255, 0}, {256, 0}, {299, 199}, {123, 77}, {256, 199}}) {
    EXPECT_EQ(pixel(40 + x, 30 + y), codeOf(x, y)) << x << "," << y;
  }
  EXPECT_EQ(pixel(39, 30), 0xFF000000u);
  EXPECT_EQ(pixel(340, 30), 0xFF000000u);
  EXPECT_EQ(pixel(40, 230), 0xFF000000u);
}

TEST_F(SceneTest, ANewLayerIsInvisibleUntilItsAlphaIsSet) {
  SimpleLayer& layer = layerWith(test::solidPicture(10, 10, 0xFFFFFFFFu), 0, 0);
  layer.a = 0;
  frame();
  EXPECT_EQ(pixel(5, 5), 0xFF000000u);
  const SimpleLayer& fresh = scene().addLayer<SimpleLayer>(0, 0);
  EXPECT_EQ(fresh.a, 0.0f);
  EXPECT_EQ(fresh.r, 1.0f);
  EXPECT_EQ(fresh.w, 1.0f);
  EXPECT_EQ(fresh.image().allocWidth(), 800) << "sizes of 0 become the screen";
}

TEST_F(SceneTest, TurningIsAboutTheCentreOfTheUnalignedPicture) {
  // Half a turn about (X + w/2, Y + h/2) = (110, 110): the picture placed left of that by ALIGNX 1
  // lands on the right of it, upside down.
  SimpleLayer& layer = layerWith(coded(20, 20), 100, 100);
  layer.alignX = 1;
  layer.t = 0.5f;
  frame();
  // Unturned the picture covers x 90..109; turned about x 110 it covers 111..130 mirrored.
  // Screen (px, py) shows texel (129.5 - px, 119.5 - py), within a pixel of rasteriser rounding.
  for (const auto& [px, py] : {std::pair{112, 104}, {127, 117}, {120, 110}}) {
    const std::uint32_t p = pixel(px, py);
    ASSERT_NE(p, 0xFF000000u) << px << "," << py;
    const int texelX = static_cast<int>((p >> 16) & 0xFF), texelY = static_cast<int>((p >> 8) & 0xFF);
    EXPECT_NEAR(texelX, 129 - px, 1) << px << "," << py;
    EXPECT_NEAR(texelY, 119 - py, 1) << px << "," << py;
  }
  EXPECT_EQ(pixel(95, 105), 0xFF000000u);
}

TEST_F(SceneTest, ScaleIsAboutTheCentreToo) {
  SimpleLayer& layer = layerWith(test::solidPicture(100, 100, 0xFFFFFFFFu), 100, 100);
  layer.w = 2;
  layer.h = 0.5f;
  frame();
  EXPECT_EQ(pixel(51, 150), 0xFFFFFFFFu);
  EXPECT_EQ(pixel(248, 126), 0xFFFFFFFFu);
  EXPECT_EQ(pixel(150, 110), 0xFF000000u);
  EXPECT_EQ(pixel(45, 150), 0xFF000000u);
}

TEST_F(SceneTest, AZeroWidthSourceDrawsNothing) {
  SimpleLayer& layer = layerWith(test::solidPicture(10, 10, 0xFFFFFFFFu), 0, 0);
  draw(true);
  PictureDraw placed;
  placed.image = &layer.image();
  placed.x = placed.y = 50;
  placed.srcH = 10;
  placed.colour = 0xFFFFFFFFu;
  layer.image().draw(*rig.device, placed);
  rig.device->endScene();
  EXPECT_EQ(pixel(50, 55), 0xFF000000u);
}

TEST_F(SceneTest, ButtonsGrowUnderTheCursorAndTheLastClickedInListOrderWins) {
  MouseState& mouse = rig.mouse;
  SimpleLayer& first = layerWith(test::solidPicture(100, 100, 0xFFFFFFFFu), 0, 0);
  SimpleLayer& second = layerWith(test::solidPicture(100, 100, 0xFFFFFFFFu), 50, 0);
  first.makeClickable(1, 1.2f, 0.1f);
  second.makeClickable(2, 1.2f, 0.1f);
  mouse.x = 75;
  mouse.y = 50;
  mouse.left = true;  // held while entering: no click
  frame();
  EXPECT_FALSE(scene().chosen);
  EXPECT_FLOAT_EQ(first.zoom(), 1.1f);
  mouse.left = false;
  frame();
  frame();
  EXPECT_GE(first.zoom(), 1.2f);
  EXPECT_LT(first.zoom(), 1.3f) << "growth stops within one step of the maximum";
  mouse.left = true;
  frame();
  EXPECT_TRUE(scene().chosen);
  EXPECT_EQ(scene().chosenValue, 2);
  // Once chosen, nothing hovers or clicks until the choice is taken.
  mouse.x = 500;
  frame();
  EXPECT_GE(first.zoom(), 1.2f);
  scene().chosen = false;
  frame();
  EXPECT_LT(first.zoom(), 1.2f);
}

TEST_F(SceneTest, AButtonWithoutAPictureCannotBeClicked) {
  SimpleLayer& empty = scene().addLayer<SimpleLayer>(0, 0);
  empty.makeClickable(5, 1.0f, 0.0f);
  rig.mouse.left = false;
  frame();
  rig.mouse.left = true;
  frame();
  EXPECT_FALSE(scene().chosen);
}

TEST_F(SceneTest, OnlyAFrameThatChangedIsDrawn) {
  SimpleLayer& layer = layerWith(test::solidPicture(10, 10, 0xFFFFFFFFu), 0, 0);
  scene().update();
  EXPECT_TRUE(draw());
  scene().update();
  EXPECT_FALSE(draw());
  layer.x = 1;
  scene().update();
  EXPECT_TRUE(draw());
  scene().update();
  EXPECT_FALSE(draw());
  layer.image().load(test::solidPicture(10, 10, 0xFF00FF00u));
  EXPECT_TRUE(draw());
  EXPECT_EQ(pixel(5, 5), 0xFF00FF00u);
  layer.a = 0;  // a fully transparent layer draws nothing, whatever else changes
  EXPECT_TRUE(draw());
  layer.x = 50;
  EXPECT_FALSE(draw());
  EXPECT_TRUE(draw(true)) << "an expose forces a frame";
  EXPECT_TRUE(scene().frame().empty());
}

TEST_F(SceneTest, TexturesComeBackAfterADeviceReset) {
  layerWith(coded(300, 200), 0, 0);
  frame();
  rig.device->clear(0xFFFFFFFFu);
  rig.device->notifyDeviceReset();
  frame();
  EXPECT_EQ(pixel(299, 199), codeOf(299, 199));
}

TEST_F(SceneTest, FinishedWhenEveryLayerIsFinished) {
  EXPECT_TRUE(scene().allLayersFinished());
  SimpleLayer& layer = scene().addLayer<SimpleLayer>(0, 0);
  EXPECT_TRUE(scene().allLayersFinished()) << "a layer that never ran an action is finished";
  Action endless;
  layer.start(&endless);
  EXPECT_FALSE(scene().allLayersFinished());
}

}  // namespace
}  // namespace tavrik
