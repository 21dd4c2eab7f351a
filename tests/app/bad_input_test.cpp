// The player run with what it must not trust: files that are not files, events past any frame, names
// holding terminal control sequences, a missing display, outputs that cannot be written, signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "base/text_encoding.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using test::PlayerCopy;
using test::ProcessResult;
using test::sjisScript;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(BadInput, AScriptOrEventsFileThatIsNoRegularFileIsAStartUpError) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  const auto fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();

  for (const std::string& events : {dir.path().string(), fifo.string(), std::string("/dev/zero")}) {
    const ProcessResult r = player.run({script.string(), "--headless", "--events", events});
    EXPECT_EQ(r.exitCode, 1) << events << ": " << r.err;
    EXPECT_EQ(r.err, "起動エラー\nイベントファイル" + events + "は通常のファイルではありません。\n");
  }
  const ProcessResult missing = player.run({script.string(), "--headless", "--events", "none.txt"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_TRUE(contains(missing.err, "イベントファイルnone.txtが見つかりません。")) << missing.err;

  // Larger than the bound: declared by its size, never written.
  const auto huge = dir.path() / "huge.txt";
  std::ofstream(huge) << "0 close\n";
  std::filesystem::resize_file(huge, 16u * 1024 * 1024 + 1);
  const ProcessResult tooLarge = player.run({script.string(), "--headless", "--events", huge.string()});
  EXPECT_EQ(tooLarge.exitCode, 1);
  EXPECT_TRUE(contains(tooLarge.err, "は大きすぎます（16 MBまで）。")) << tooLarge.err;

  for (const std::string& argument : {dir.path().string(), fifo.string(), std::string("/dev/zero")}) {
    for (const char* mode : {"--headless", "--check"}) {
      const ProcessResult r = player.run({argument, mode, "--frames", "5"});
      EXPECT_EQ(r.exitCode, 1) << argument << " " << mode;
      EXPECT_EQ(r.err, "起動エラー\n" + argument + "はスクリプトとして読めるファイルではありません。\n");
    }
  }
  // Nothing above waited on the pipe.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(BadInput, EventFramesPastTheCounterAreRefusedAndUnplayedOrUnknownEventsAreWarnedOf) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  for (const char* line : {"9223372036854775807 click 1 2\n", "9223372036854775807 key Return\n",
                           "1000000000001 close\n", "99999999999999999999 close\n"}) {
    const auto events = dir.write("far.txt", line);
    const ProcessResult r = player.run({script.string(), "--headless", "--events", events.string()});
    EXPECT_EQ(r.exitCode, 1) << line;
    EXPECT_TRUE(contains(r.err, "line 1:")) << r.err;
  }
  const auto last = dir.write("last.txt", "1000000000000 key Return\n");
  const ProcessResult farButValid =
      player.run({script.string(), "--headless", "--events", last.string(), "--frames", "3"});
  EXPECT_EQ(farButValid.exitCode, 0) << farButValid.err;
  EXPECT_TRUE(contains(farButValid.err, "goes on to frame 1000000000000, but the run ended at frame 2"))
      << farButValid.err;

  const auto unknown = dir.write("unknown.txt", "1 command 77\n1 command 1\n");
  const ProcessResult r =
      player.run({script.string(), "--headless", "--events", unknown.string(), "--frames", "3"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "tavrik: warning: frame 1: no menu command has the id 77; it does nothing\n");
}

TEST(BadInput, ControlCharactersReachTheTerminalEscapedAndANulDoesNotCutALine) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("bad.tvk", std::string("\x1b]0;owned\x07text\x1b[2J") + '\0' + "after\r\n");
  const ProcessResult r = player.run({script.string(), "--check"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.err, "\\x1b]0;owned\\x07text\\x1b[2J\\x00after\n")) << r.err;
  EXPECT_FALSE(contains(r.err, "\x1b"));

  const auto names = dir.write("names.tvk", sjisScript("＃変数宣言：a\x1b[31mb，c\x7f\n"));
  const ProcessResult dump = player.run({names.string(), "--headless", "--frames", "1", "--dump-variables"});
  EXPECT_EQ(dump.exitCode, 0) << dump.err;
  EXPECT_EQ(dump.out, "選択結果=0\na\\x1b[31mb=0\nc\\x7f=0\n");
}

TEST(BadInput, AutomationOutputsThatCannotBeWrittenEndWithStatusOne) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃時間待機：１\n"));
  const std::string nowhere = (dir.path() / "no" / "such" / "folder").string();

  const ProcessResult shot =
      player.run({script.string(), "--headless", "--frames", "2", "--screenshot", nowhere + "/a.png"});
  EXPECT_EQ(shot.exitCode, 1);
  EXPECT_TRUE(contains(shot.err, "cannot write the screenshot")) << shot.err;

  const auto events = dir.write("save.txt", "1 save-state " + nowhere + "/s.dat\n");
  const ProcessResult state =
      player.run({script.string(), "--headless", "--frames", "3", "--events", events.string()});
  EXPECT_EQ(state.exitCode, 1);
  EXPECT_TRUE(contains(state.err, "cannot write the state file")) << state.err;

  for (const char* name : {"a.jpg", "a", "a.png.txt"}) {
    const ProcessResult r = player.run({script.string(), "--headless", "--screenshot", name});
    EXPECT_EQ(r.exitCode, 2) << name;
    EXPECT_TRUE(contains(r.err, "--screenshot needs a file name ending in .png")) << r.err;
  }
  const ProcessResult none = player.run({script.string(), "--headless", "--frames", "0"});
  EXPECT_EQ(none.exitCode, 2);
}

TEST(BadInput, AWindowWithoutADisplayIsAStartUpError) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  const ProcessResult r =
      player.run({script.string(), "--frames", "5"}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(contains(r.err, "起動エラー\nディスプレイがありません")) << r.err;
}

TEST(BadInput, ATerminationSignalEndsTheRunCleanly) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  // Endless without the signal: no frame limit, and the script waits for input that never comes. The
  // desktop entry appears after the first frame, once the handlers are in place.
  const auto entry = player.dataHome() / "applications" / "tavrik.desktop";
  for (int signal : {SIGTERM, SIGINT}) {
    std::filesystem::remove(player.binDir() / "tavrik.ini");
    std::filesystem::remove(entry);
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult r = player.run({script.string(), "--headless"}, {}, {entry, signal});
    EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(std::filesystem::exists(player.binDir() / "tavrik.ini")) << "settings saved as at any end";
  }
}

}  // namespace
}  // namespace tavrik
