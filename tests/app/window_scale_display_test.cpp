// The window's size under a window manager: at twice the game's size the window is twice as large below
// the menu strip and a click still finds the game pixel under it, the size is kept for the next start,
// and fitting the screen leaves room for the window's frame.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include "app/window_display_fixture.h"
#include "platform/image_decoder.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using namespace window_test;

TEST_F(WindowManaged, TwiceTheSizeIsKeptAClickFindsTheGamesPixelAndFitStaysOnTheScreen) {
  int screenWidth = 0, screenHeight = 0;
  std::sscanf(tool("xdotool", {"getdisplaygeometry"}).out.c_str(), "%d %d", &screenWidth, &screenHeight);
  if (screenWidth < 1700 || screenHeight < 1300) GTEST_SKIP() << "the display cannot hold twice the game";
  auto size = [this](const std::string& id) {
    std::pair<int, int> wh;
    std::sscanf(geometry(id).c_str(), "Window %*s Position: %*d,%*d (screen: %*d) Geometry: %dx%d", &wh.first,
                &wh.second);
    return wh;
  };
  auto waitForSize = [&](const std::string& id, std::pair<int, int> wanted) {
    for (int attempt = 0; attempt < 30 && size(id) != wanted; ++attempt)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return size(id);
  };
  const std::pair<int, int> twice{1600, 1200 + 24};
  const std::filesystem::path game = writeButtonGame(dir_);
  const std::filesystem::path events =
      dir_.write("twice.events", "10 command window-2x\n10 command smooth-scaling\n");
  const std::string saves = (dir_.path() / "saves").string();
  startWith(
      {game.string(), "-nce", "--new", "--saves", saves, "--dump-variables", "--events", events.string()});
  std::string id = window();
  EXPECT_EQ(waitForSize(id, twice), twice) << "the game at twice its size below the menu strip";
  // The button's pixel (190, 140) is twice as far in, below the strip, which keeps its height: the game
  // at its own size, or the strip scaled too, would put the button elsewhere.
  tool("xdotool", {"mousemove", "--window", id, std::to_string(190 * 2 + 1), std::to_string(24 + 140 * 2 + 1),
                   "click", "1"});
  for (int attempt = 0; attempt < 30 && geometry(id) != ""; ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (geometry(id) != "") tool("wmctrl", {"-i", "-c", id});
  ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "選択結果=2\n") << "the click missed the button";
  const std::string kept = test::readBytes(copy_.configHome() / "tavrik" / "player.ini");
  EXPECT_NE(kept.find("WindowScale=2\r\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("Scaling=smooth\r\n"), std::string::npos) << kept;

  // The next start opens at that size. Fitting the screen then takes the largest 4:3 size that leaves
  // room for the title bar (where the window manager puts the window itself, xdotool does not tell).
  const std::filesystem::path fit = dir_.write("fit.events", "120 command window-fit\n");
  startWith({dir_.write("wait.tvk", test::sjisScript(kGame)).string(), "-nce", "--saves", saves, "--events",
             fit.string()});
  id = window();
  EXPECT_EQ(size(id), twice) << "not at the size kept";
  std::pair<int, int> fitted = twice;
  for (int attempt = 0; attempt < 40 && fitted == twice; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    fitted = size(id);
  }
  EXPECT_GT(fitted.first, twice.first);
  EXPECT_EQ(fitted.first * 3, (fitted.second - 24) * 4) << "not 4:3 below the strip";
  EXPECT_LE(fitted.first, screenWidth);
  EXPECT_LE(fitted.second, screenHeight - 10) << "no room for the title bar";
  tool("wmctrl", {"-i", "-c", id});
  r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

}  // namespace
}  // namespace tavrik
