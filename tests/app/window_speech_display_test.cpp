// Reading aloud and the clipboard in a window, as a player switches them with keys: V reads aloud,
// Shift+C puts each text shown on the desktop's clipboard (read back as a screen reader would), and
// both are kept in the player's settings.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/window_display_fixture.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using namespace window_test;

TEST_F(WindowKeyboard, VReadsAloudAndShiftCPutsEachTextOnTheClipboard) {
  if (!std::filesystem::exists("/usr/bin/xclip")) GTEST_SKIP() << "xclip is not installed";
  // No speech service answers here: the voice falls back to the one in the player's process, and
  // nothing the test runs depends on hearing it.
  env_ = {"SPEECHD_ADDRESS=unix_socket:" + (dir_.path() / "no-service").string()};
  start(
      "＃タイトル：KeyboardGame\n＃文字レイヤー宣言：枠\n＃文字動作宣言：地，０，２４\n０，A，１\n"
      "０，END，０\n＃入力待機\n＃枠地：\n丘へ行こう。\n＃時間待機：３６０００\n");
  const std::string id = window();
  keys({"v", "shift+c", "Return"});
  auto clipboard = [] { return tool("xclip", {"-o", "-selection", "clipboard"}).out; };
  std::string text;
  for (int attempt = 0; attempt < 30 && (text = clipboard()) != "丘へ行こう。"; ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(text, "丘へ行こう。") << "the text shown, on the clipboard while the player runs";
  keys({"Escape", "Return"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string kept = test::readBytes(copy_.configHome() / "tavrik" / "player.ini");
  EXPECT_NE(kept.find("Speech=1\r\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("ClipboardText=1\r\n"), std::string::npos) << kept;
}

}  // namespace
}  // namespace tavrik
