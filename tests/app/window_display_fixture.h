// The fixtures of the tests that run the player in a window on a virtual display, driven by real key
// presses and clicks (xdotool) and watched by screenshots of the whole display (xwd): without a window
// manager, and under one (openbox).
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/image_decoder.h"
#include "support/app_support.h"
#include "support/platform_support.h"

namespace tavrik::window_test {

using test::PlayerCopy;
using test::ProcessResult;

struct Screen {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A dump of the X window format, as xwd writes it of a true-colour screen.
inline std::optional<Screen> readXwd(const std::string& bytes) {
  auto field = [&](int index) -> std::uint32_t {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + index * 4;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
  };
  if (bytes.size() < 100) return std::nullopt;
  const std::uint32_t headerSize = field(0), format = field(2), width = field(4), height = field(5);
  const std::uint32_t byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
  const std::uint32_t masks[3] = {field(14), field(15), field(16)};
  const std::uint32_t colours = field(19);
  if (format != 2 || (bitsPerPixel != 24 && bitsPerPixel != 32) || width == 0 || width > 8192 ||
      height > 8192 || bytesPerLine < width * (bitsPerPixel / 8))
    return std::nullopt;
  const std::uint32_t step = bitsPerPixel / 8;
  const std::size_t start = headerSize + std::size_t{colours} * 12;
  if (bytes.size() < start + std::size_t{bytesPerLine} * height) return std::nullopt;
  Screen screen{static_cast<int>(width), static_cast<int>(height), {}};
  screen.pixels.resize(std::size_t{width} * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const auto* p =
          reinterpret_cast<const unsigned char*>(bytes.data()) + start + y * bytesPerLine + x * step;
      std::uint32_t value = 0;
      for (std::uint32_t b = 0; b < step; ++b)
        value |= std::uint32_t{p[b]} << (8 * (byteOrder == 0 ? b : step - 1 - b));
      std::uint32_t argb = 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const std::uint32_t mask = masks[c];
        if (mask == 0) continue;
        const int shift = __builtin_ctz(mask);
        const std::uint32_t level = ((value & mask) >> shift) * 255 / (mask >> shift);
        argb |= level << (16 - 8 * c);
      }
      screen.pixels[std::size_t{y} * width + x] = argb;
    }
  }
  return screen;
}

inline bool near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

class WindowKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    for (const char* tool : {"/usr/bin/xdotool", "/usr/bin/xwd"})
      if (!std::filesystem::exists(tool)) GTEST_SKIP() << tool << " is not installed";
  }

  // Starts the player on the script in the background.
  void start(const std::string& script) {
    const auto path = dir_.write("game.tvk", test::sjisScript(script));
    startWith({path.string()});
  }
  void startWith(const std::vector<std::string>& arguments) {
    player_ = std::thread([this, arguments] { result_ = copy_.run(arguments, env_); });
  }
  ProcessResult finish() {
    if (player_.joinable()) player_.join();
    return result_;
  }
  void TearDown() override {
    if (player_.joinable()) {
      // A player left running by a failed test is closed as the desktop would.
      tool("xdotool", {"search", "--class", "tavrik", "windowclose"});
      player_.join();
    }
  }

  static ProcessResult tool(const std::string& name, const std::vector<std::string>& arguments) {
    return test::runProcess("/usr/bin/" + name, arguments, std::filesystem::temp_directory_path(), {}, 20);
  }
  // The player's window, found by its title, with the keyboard given to it (no window manager does).
  std::string window(const std::string& title = "KeyboardGame", const char* by = "--name") {
    const ProcessResult found = tool("xdotool", {"search", "--sync", by, title});
    const std::string id = found.out.substr(0, found.out.find('\n'));
    tool("xdotool", {"windowfocus", "--sync", id});
    return id;
  }
  void keys(const std::vector<std::string>& names) {
    for (const std::string& key : names) {
      tool("xdotool", {"key", "--delay", "0", key});
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  }
  std::optional<Screen> screenshot() {
    const auto file = dir_.path() / "screen.xwd";
    tool("xwd", {"-root", "-silent", "-out", file.string()});
    return readXwd(test::readBytes(file));
  }
  std::string geometry(const std::string& id) { return tool("xdotool", {"getwindowgeometry", id}).out; }

  PlayerCopy copy_;
  std::vector<std::string> env_;  // more of the player's environment
  test::TempDir dir_;
  std::thread player_;
  ProcessResult result_;
};

// A choice of one white button at (100, 100), 100 x 50, worth 2; its picture is written beside the
// script in folder.
inline std::filesystem::path writeButtonGame(test::TempDir& folder) {
  EXPECT_TRUE(savePng(test::solidPicture(100, 50, 0xFFFFFFFFu), folder.path() / "button.png"));
  return folder.write(
      "tap.tvk",
      test::sjisScript("＃タイトル：KeyboardGame\n＃単純レイヤー宣言：ボタン\n"
                       "＃ボタン選択宣言：2，1.2，0.05\n＃動作宣言：表示\n０，X，１００\n"
                       "０，Y，１００\n０，A，１\n＃ボタン画像：button\n＃ボタン表示\n＃選択待機\n"));
}

// Waits for ten minutes, whatever is pressed: keys that reach the game do not end it.
inline constexpr const char* kGame = "＃タイトル：KeyboardGame\n＃時間待機：３６０００\n";

// The player under a window manager (openbox), as a desktop meets it: the manager reparents the window
// into a frame with a title bar and sends its close requests as the desktop's protocol has them.
class WindowManaged : public WindowKeyboard {
 protected:
  void SetUp() override {
    WindowKeyboard::SetUp();
    if (IsSkipped()) return;
    for (const char* tool : {"/usr/bin/openbox", "/usr/bin/wmctrl"})
      if (!std::filesystem::exists(tool)) GTEST_SKIP() << tool << " is not installed";
    const std::string home = (managerHome_.path()).string();
    // On a busy machine (the tests run side by side) the manager can take seconds to answer for itself,
    // and now and then ends at once without a word, the one before it just gone: it is started again.
    for (int start = 0; start < 3; ++start) {
      managerEnded_ = false;
      manager_ = std::thread([this, home] {
        managerResult_ = test::runProcess(
            "/usr/bin/openbox", {"--sm-disable"}, home,
            {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "XDG_CACHE_HOME=" + home + "/.cache",
             "XDG_DATA_HOME=" + home + "/.local/share"},
            300);
        managerEnded_ = true;
      });
      for (int attempt = 0; attempt < 300 && !managerEnded_; ++attempt) {
        if (tool("wmctrl", {"-m"}).exitCode == 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (!managerEnded_) FAIL() << "openbox did not start within 30 s";
      manager_.join();
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    FAIL() << "openbox ended at once three times (" << managerResult_.exitCode << "): " << managerResult_.err;
  }
  void TearDown() override {
    WindowKeyboard::TearDown();
    if (manager_.joinable()) {
      tool("openbox", {"--exit"});
      manager_.join();
    }
  }

  test::TempDir managerHome_;
  std::thread manager_;
  test::ProcessResult managerResult_;
  std::atomic<bool> managerEnded_{false};
};

}  // namespace tavrik::window_test
