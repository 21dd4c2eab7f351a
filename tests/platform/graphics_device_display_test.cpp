// The graphics device on a real display. CTest runs this program under a virtual X display.
#include "platform/graphics_device.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace tavrik {
namespace {

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no display: " << SDL_GetError();
  }
  void TearDown() override { SDL_Quit(); }

  static void settle() {
    for (int i = 0; i < 20; ++i) {
      SDL_PumpEvents();
      SDL_Delay(10);
    }
  }
};

TEST_F(DisplayTest, FullscreenCoversTheDisplayAndWindowedIsEightHundredBySixHundredAgain) {
  DeviceOptions options;
  options.titleUtf8 = "test";
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  ASSERT_TRUE(device) << error;
  int w = 0, h = 0;
  device->outputSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  device->setFullscreen(true);
  settle();
  EXPECT_TRUE(device->fullscreen());
  device->outputSize(w, h);
  EXPECT_EQ(w, desktop.w);
  EXPECT_EQ(h, desktop.h);
  // The game still draws in its own 800 x 600 pixels, letterboxed.
  int logicalW = 0, logicalH = 0;
  SDL_RenderGetLogicalSize(device->renderer(), &logicalW, &logicalH);
  EXPECT_EQ(logicalW, 800);
  EXPECT_EQ(logicalH, 600);

  device->setFullscreen(false);
  settle();
  EXPECT_FALSE(device->fullscreen());
  device->outputSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
}

TEST_F(DisplayTest, StartsInFullscreenWhenAsked) {
  DeviceOptions options;
  options.fullscreen = true;
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  ASSERT_TRUE(device) << error;
  settle();
  EXPECT_TRUE(device->fullscreen());
  EXPECT_TRUE(SDL_GetWindowFlags(device->window()) & SDL_WINDOW_FULLSCREEN_DESKTOP);
}

TEST(HeadlessDevice, TheFullscreenSwitchIsRememberedWithoutAWindow) {
  DeviceOptions options;
  options.headless = true;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  ASSERT_TRUE(device);
  device->setFullscreen(true);
  EXPECT_TRUE(device->fullscreen());
  int w = 0, h = 0;
  device->outputSize(w, h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
}

}  // namespace
}  // namespace tavrik
