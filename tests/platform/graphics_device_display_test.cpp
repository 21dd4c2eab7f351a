// The graphics device on a real display. CTest runs this program under a virtual X display.
#include "platform/graphics_device.h"

#include "app/app_frame.h"
#include "platform/display_window.h"
#include "platform/image_decoder.h"
#include "platform/session.h"
#include "scene/tiled_image.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

// What the video system is started with stays with it: the browser the manual opens in, and every other
// program the player starts, gets the user's own compose table and session bus.
TEST(DisplaySession, LeavesTheEnvironmentAsItFoundIt) {
  ::unsetenv("XCOMPOSEFILE");
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const std::string busBefore = bus ? bus : "";
  std::string error;
  std::unique_ptr<PlatformSession> session = PlatformSession::start(false, &error);
  if (!session) GTEST_SKIP() << "no display: " << error;
  EXPECT_EQ(std::getenv("XCOMPOSEFILE"), nullptr);
  bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  EXPECT_EQ(bus != nullptr, !busBefore.empty());
  EXPECT_EQ(bus ? bus : "", busBefore);
}

TEST_F(DisplayTest, FullscreenCoversTheDisplayAndWindowedIsEightHundredBySixHundredAgain) {
  DeviceOptions options;
  options.titleUtf8 = "test";
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  ASSERT_TRUE(device) << error;
  ASSERT_NE(device->window(), nullptr);
  DisplayWindow& window = *device->window();
  int w = 0, h = 0;
  SDL_GetWindowSize(window.sdlWindow(), &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  window.setFullscreen(true);
  settle();
  EXPECT_TRUE(window.fullscreen());
  SDL_GetWindowSize(window.sdlWindow(), &w, &h);
  EXPECT_EQ(w, desktop.w);
  EXPECT_EQ(h, desktop.h);
  // The game still has its own 800 x 600 pixels, scaled to the screen: the centre is the centre.
  int gx = 0, gy = 0;
  EXPECT_TRUE(window.windowToGame(desktop.w / 2, desktop.h / 2, gx, gy));
  EXPECT_EQ(gx, 400);
  EXPECT_EQ(gy, 300);

  window.setFullscreen(false);
  settle();
  EXPECT_FALSE(window.fullscreen());
  SDL_GetWindowSize(window.sdlWindow(), &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
}

TEST_F(DisplayTest, TheMenuStripSitsAboveTheGame) {
  DeviceOptions options;
  options.topMargin = 24;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  ASSERT_TRUE(device && device->window());
  DisplayWindow& window = *device->window();
  int w = 0, h = 0;
  SDL_GetWindowSize(window.sdlWindow(), &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 624);
  int gx = 0, gy = 0;
  EXPECT_TRUE(window.windowToGame(10, 24, gx, gy));
  EXPECT_EQ(gy, 0);
  EXPECT_FALSE(window.windowToGame(10, 5, gx, gy)) << "over the menu strip";
  window.setFullscreen(true);
  settle();
  window.setFullscreen(false);
  settle();
  SDL_GetWindowSize(window.sdlWindow(), &w, &h);
  EXPECT_EQ(h, 624) << "back from fullscreen with the strip";
}

struct WindowedFrame : AppFrame {
  WindowedFrame(FrameSettings s, std::unique_ptr<GraphicsDevice> d) : AppFrame(std::move(s), std::move(d)) {}
};

TEST_F(DisplayTest, AButtonReleasedOverTheMenuStripStaysDown) {
  DeviceOptions options;
  options.topMargin = 24;
  FrameSettings settings;
  settings.frameLimit = 1;
  WindowedFrame frame(std::move(settings), GraphicsDevice::create(options, nullptr));
  auto mouse = [&](WindowEvent::Type type, int x, int y) {
    WindowEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.windowPixels = true;
    frame.handleEvent(e);
  };
  mouse(WindowEvent::Type::MouseMove, 100, 124);
  EXPECT_EQ(frame.mouse().y, 100);
  mouse(WindowEvent::Type::ButtonDown, 100, 124);
  EXPECT_TRUE(frame.mouse().left);
  frame.run();  // one frame sees the press (and the window's own pointer events)
  mouse(WindowEvent::Type::MouseMove, 100, 124);
  mouse(WindowEvent::Type::MouseMove, 100, 10);
  EXPECT_EQ(frame.mouse().y, 100) << "the game keeps the last position it saw";
  mouse(WindowEvent::Type::ButtonUp, 100, 10);
  EXPECT_TRUE(frame.mouse().left);
  mouse(WindowEvent::Type::ButtonUp, 100, 200);
  EXPECT_FALSE(frame.mouse().left);
}

TEST_F(DisplayTest, AnAcceleratedRendererGetsItsTexturesBackAfterAReset) {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  DeviceOptions options;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "");
  ASSERT_TRUE(device);
  if (device->texturesPersist()) GTEST_SKIP() << "no OpenGL renderer here";
  device->setKeepLastFrame(true);
  TiledImage image(300, 200);
  image.load(DecodedImage{300, 200, std::vector<std::uint32_t>(300 * 200, 0xFF336699u)});
  auto frame = [&] {
    device->beginScene();
    device->clear(0xFF000000u);
    PictureDraw placed;
    placed.image = &image;
    placed.x = placed.y = 10;
    placed.srcW = 300;
    placed.srcH = 200;
    placed.colour = 0xFFFFFFFFu;
    image.draw(*device, placed);
    device->endScene();
    device->present();
  };
  frame();
  EXPECT_EQ(device->pixelAt(280, 150), 0xFF336699u);
  device->notifyDeviceReset();
  frame();
  EXPECT_EQ(device->pixelAt(280, 150), 0xFF336699u) << "uploaded again from the kept pixels";
}

TEST_F(DisplayTest, StartsInFullscreenWhenAsked) {
  DeviceOptions options;
  options.fullscreen = true;
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  ASSERT_TRUE(device) << error;
  settle();
  ASSERT_TRUE(device->window());
  EXPECT_TRUE(device->window()->fullscreen());
  EXPECT_TRUE(SDL_GetWindowFlags(device->window()->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP);
}

TEST_F(DisplayTest, WithoutAGpuTheWindowShowsTheSoftwareDriversFrame) {
  // Asking for no renderer by name and finding no GPU picks the software driver; on a machine with a
  // GPU, naming SDL's software renderer gives the window driver on it instead.
  DeviceOptions options;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
  ASSERT_TRUE(device && device->window());
  device->setKeepLastFrame(true);
  TiledImage image(50, 50);
  image.load(DecodedImage{50, 50, std::vector<std::uint32_t>(50 * 50, 0xFF20C040u)});
  device->beginScene();
  device->clear(0xFF000000u);
  PictureDraw placed;
  placed.image = &image;
  placed.x = placed.y = 100;
  placed.srcW = placed.srcH = 50;
  placed.colour = 0xFFFFFFFFu;
  image.draw(*device, placed);
  device->endScene();
  device->present();
  EXPECT_EQ(device->pixelAt(120, 120), 0xFF20C040u);
  EXPECT_EQ(device->pixelAt(90, 90), 0xFF000000u);
}

TEST_F(DisplayTest, OnAnAcceleratedRendererTheSceneMatchesTheSoftwareDriver) {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  std::unique_ptr<GraphicsDevice> gpu = GraphicsDevice::create(DeviceOptions{}, nullptr);
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "");
  ASSERT_TRUE(gpu);
  if (gpu->texturesPersist()) GTEST_SKIP() << "no OpenGL renderer here";
  gpu->setKeepLastFrame(true);
  DeviceOptions headless;
  headless.headless = true;
  std::unique_ptr<GraphicsDevice> software = GraphicsDevice::create(headless, nullptr);
  ASSERT_TRUE(software);

  // A picture of gradients and translucency, placed five ways: as it is, at a fraction, scaled, turned
  // and mirrored, tinted and faded.
  const DecodedImage picture(300, 200, [] {
    std::vector<std::uint32_t> texels(300 * 200);
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x)
        texels[static_cast<std::size_t>(y) * 300 + x] =
            (static_cast<std::uint32_t>(y < 100 ? 0xFF : 0x80) << 24) |
            (static_cast<std::uint32_t>(x * 255 / 300) << 16) |
            (static_cast<std::uint32_t>(y * 255 / 200) << 8) | 0x40;
    return texels;
  }());
  TiledImage forGpu(300, 200), forSoftware(300, 200);
  forGpu.load(picture);
  forSoftware.load(picture);
  struct Placement {
    float x, y, sx, sy, turns;
    std::uint32_t colour;
  };
  const Placement placements[] = {{10, 10, 1, 1, 0, 0xFFFFFFFFu},
                                  {420.5f, 20.25f, 1, 1, 0, 0xFFFFFFFFu},
                                  {60, 300, 1.3f, 0.8f, 0, 0xFFFFFFFFu},
                                  {450, 330, 0.9f, -1.1f, 0.13f, 0xFFFFFFFFu},
                                  {250, 180, 1, 1, 0.5f, 0x80FF8040u}};
  for (GraphicsDevice* device : {gpu.get(), software.get()}) {
    TiledImage& image = device == gpu.get() ? forGpu : forSoftware;
    device->beginScene();
    device->clear(0xFF102030u);
    for (const Placement& p : placements) {
      PictureDraw placed;
      placed.image = &image;
      placed.x = p.x;
      placed.y = p.y;
      placed.srcW = 300;
      placed.srcH = 200;
      placed.colour = p.colour;
      placed.matrix = Matrix4::aboutPoint(p.x + 150, p.y + 100, p.sx, p.sy, p.turns);
      image.draw(*device, placed);
    }
    device->endScene();
    device->present();
  }
  // Within blending's rounding, or, on an edge, like a neighbour within a pixel.
  auto near = [](std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 3)
        return false;
    return true;
  };
  int faults = 0, edges = 0;
  std::string first;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const std::uint32_t g = gpu->pixelAt(x, y), s = software->pixelAt(x, y);
      if (near(g, s)) continue;
      // Rasterisers may put an edge pixel on either side: one of them shows, next to it, what the
      // other shows here.
      bool neighbour = false;
      for (int dy = -1; dy <= 1 && !neighbour; ++dy)
        for (int dx = -1; dx <= 1 && !neighbour; ++dx)
          neighbour = near(g, software->pixelAt(x + dx, y + dy)) || near(s, gpu->pixelAt(x + dx, y + dy));
      if (!neighbour && faults == 0) {
        char text[80];
        std::snprintf(text, sizeof text, "pixel %d,%d is %08X, the software driver's %08X", x, y, g,
                      software->pixelAt(x, y));
        first = text;
      }
      (neighbour ? edges : faults) += 1;
    }
  }
  EXPECT_EQ(faults, 0) << first;
  EXPECT_LT(edges, 2000) << "differences only along edges";
  // The picture as it is, at a whole position, is its texels one for one: no row or column sampled
  // twice or skipped, even with the edge allowance taken away.
  int resampled = 0;
  for (int y = 10; y < 210; ++y)
    for (int x = 10; x < 310; ++x) resampled += !near(gpu->pixelAt(x, y), software->pixelAt(x, y));
  EXPECT_EQ(resampled, 0);
}

TEST(HeadlessDevice, HasNoWindowAndTheFullscreenCommandLeavesItsFrameAsItIs) {
  struct Frame : AppFrame {
    Frame(FrameSettings s, std::unique_ptr<GraphicsDevice> d) : AppFrame(std::move(s), std::move(d)) {}
  };
  DeviceOptions options;
  options.headless = true;
  FrameSettings settings;
  settings.headless = true;
  Frame frame(std::move(settings), GraphicsDevice::create(options, nullptr));
  EXPECT_EQ(frame.graphics().window(), nullptr);
  frame.runCommand(kCommandToggleFullscreen);
  EXPECT_EQ(frame.graphics().pixelAt(799, 599), 0xFF000000u);
}

}  // namespace
}  // namespace tavrik
