// Games that are broken or hostile end in bounded time and memory, with a message or the documented
// silent fallback. Huge files are declared in small headers, never written out.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/image_decoder.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using test::PlayerCopy;
using test::ProcessResult;
using test::sjisScript;

constexpr long kMemoryBoundMb = 600;
// A bound that catches a hang, not a measure of speed: a sanitized build runs several times slower
// and shares the machine with the other tests.
#if defined(__SANITIZE_ADDRESS__)
constexpr auto kTimeBound = std::chrono::seconds(30);
#else
constexpr auto kTimeBound = std::chrono::seconds(10);
#endif

// Plays a script for some frames; it must end by itself, in time and memory.
ProcessResult playBounded(const PlayerCopy& player, const std::filesystem::path& script, int frames = 20,
                          const std::vector<std::string>& extraEnv = {}) {
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r = player.run({script.string(), "--headless", "--frames", std::to_string(frames)}, extraEnv);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeBound) << script;
  EXPECT_LT(r.peakResidentMb, kMemoryBoundMb) << script;
  return r;
}

std::string le16(int v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

TEST(HostileInput, PicturesOfOtherFormatsOrDeclaringHugeSizesAreNotDecoded) {
  PlayerCopy player;
  test::TempDir dir;
  // Formats the decoding library knows but pictures may not be, named as if they were PNGs.
  dir.write("pnm.png", "P6\n60000 60000\n255\n" + std::string(64, '\x7F'));
  dir.write("svg.png",
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"60000\" height=\"60000\">"
            "<rect width=\"60000\" height=\"60000\" fill=\"red\"/></svg>");
  dir.write("tiff.png", std::string("II*\0\x08\0\0\0", 8) + std::string(64, '\0'));
  dir.write("xpm.png", "/* XPM */\nstatic char *x[] = {\"20000 20000 1 1\", \"a c #FF0000\"};\n");
  dir.write("pcx.png", std::string("\x0A\x05\x01\x08\0\0\0\0\x3F\x9C\x3F\x9C", 12) + std::string(116, '\0'));
  // A GIF whose screen is 1 x 1 and whose only frame is 30000 x 30000.
  dir.write("gif.gif", "GIF89a" + le16(1) + le16(1) + std::string("\0\0\0", 3) + "," + le16(0) + le16(0) +
                           le16(30000) + le16(30000) + std::string("\0\x02\x02\x44\x01\0;", 7));
  // A BMP with the old core header declaring 65535 x 65535.
  dir.write("core.bmp", std::string("BM") + std::string(12, '\0') + std::string("\x0C\0\0\0", 4) +
                            le16(65535) + le16(65535) + le16(1) + le16(24) + std::string(64, '\0'));
  // A file that cannot be read although it says it is a plain file.
  const std::string procMem = "..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\proc\\self\\mem";
  std::string source = "＃単純レイヤー宣言：a\n";
  for (const char* name : {"pnm.png", "svg.png", "tiff.png", "xpm.png", "pcx.png", "gif.gif", "core.bmp"})
    source += std::string("＃a画像：") + name + "\n";
  source += "＃a画像：" + procMem + "\n＃タイトル：done\n＃入力待機\n";
  const auto script = dir.write("pictures.tvk", sjisScript(source));
  const ProcessResult r = playBounded(player, script);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "") << "a picture that cannot be had is silently not shown";

  for (const char* name : {"pnm.png", "svg.png", "tiff.png", "xpm.png", "pcx.png", "gif.gif", "core.bmp"}) {
    ImageRefusal why = ImageRefusal::None;
    EXPECT_FALSE(decodeImageFile(dir.path() / name, kMaxImagePixels, &why)) << name;
    EXPECT_NE(why, ImageRefusal::None) << name;
  }
  ImageRefusal why = ImageRefusal::None;
  EXPECT_FALSE(decodeImageFile("/proc/self/mem", kMaxImagePixels, &why));
  EXPECT_EQ(why, ImageRefusal::Unreadable);
}

TEST(HostileInput, PicturesPastTheMemoryBudgetAreRefusedByNameAndWhatIsShownStays) {
  PlayerCopy player;
  test::TempDir dir;
  // 4096 x 4096 pictures hold 64 MB each decoded; the budget here takes two.
  ASSERT_TRUE(savePng(test::solidPicture(4096, 4096, 0xFF204060u), dir.path() / "p1.png"));
  for (const char* name : {"p2.png", "p3.png", "p4.png"})
    std::filesystem::copy_file(dir.path() / "p1.png", dir.path() / name);
  const auto script =
      dir.write("budget.tvk", sjisScript("＃単純レイヤー宣言：a\n＃単純レイヤー宣言：b\n"
                                         "＃単純レイヤー宣言：c\n＃単純レイヤー宣言：d\n"
                                         "＃a画像：p1\n＃b画像：p2\n＃c画像：p3\n＃d画像：p4\n"
                                         "＃入力待機\n"));
  const ProcessResult r = playBounded(player, script, 5, {"TAVRIK_PICTURE_MEMORY_MB=130"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("p3」を読み込めません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("p4」を読み込めません"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("p2」"), std::string::npos) << r.err;
}

TEST(HostileInput, ManyHugeTextLayersCostNothingUntilTheyHoldText) {
  PlayerCopy player;
  test::TempDir dir;
  std::string source;
  for (int i = 0; i < 100000; ++i)
    source += "＃文字レイヤー宣言：t" + std::to_string(i) + ",0,0,16384,16384\n";
  source += "＃入力待機\n";
  const ProcessResult r = playBounded(player, dir.write("text.tvk", sjisScript(source)), 3);
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(HostileInput, ScriptsThatMultiplyStopWithAMessage) {
  PlayerCopy player;
  test::TempDir dir;
  std::string doubling = "＃マクロ宣言：m\n＃入力待機\n";
  for (int i = 0; i < 40; ++i) doubling += "＃m\n";
  doubling += "＃マクロ宣言終了\n＃m\n";
  ProcessResult r = playBounded(player, dir.write("macro.tvk", sjisScript(doubling)));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("命令が多すぎます"), std::string::npos) << r.err;

  for (int k = 1; k < 31; ++k) {
    const std::string next = "＃ファイル挿入：f" + std::to_string(k + 1) + "\n";
    dir.write("f" + std::to_string(k) + ".tvk", sjisScript(next + next));
  }
  dir.write("f31.tvk", sjisScript("＃入力待機\n"));
  r = playBounded(player, dir.write("insert.tvk", sjisScript("＃ファイル挿入：f1\n")));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("ファイル挿入が多すぎます"), std::string::npos) << r.err;

  std::string names = "＃変数宣言：v0";
  for (int i = 1; i < 100000; ++i) names += ",v" + std::to_string(i);
  r = playBounded(player, dir.write("names.tvk", sjisScript(names + "\n＃入力待機\n")));
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(HostileInput, ALoopThatLoadsPicturesAndSoundsWithoutWaitingKeepsItsFrames) {
  PlayerCopy player;
  test::TempDir dir;
  ASSERT_TRUE(savePng(test::solidPicture(64, 64, 0xFF808080u), dir.path() / "pic.png"));
  std::filesystem::copy_file(std::filesystem::path(TAVRIK_SOURCE_DIR) / "examples/demo/sounds/tune.mid",
                             dir.path() / "tune.mid");
  const auto script =
      dir.write("loop.tvk", sjisScript("＃単純レイヤー宣言：a\n＃音楽チャネル宣言：m\n＃ループ\n"
                                       "＃a画像：pic\n＃a画像：missing\n＃mロード：tune.mid\n"
                                       "＃mロード：missing.mid\n＃ループ終了：選択結果＝＝０\n"));
  const ProcessResult r = playBounded(player, script, 10);
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

// Runs the player to its end, which must come in time and memory.
ProcessResult runBounded(const PlayerCopy& player, const std::vector<std::string>& arguments) {
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r = player.run(arguments);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeBound) << arguments.front();
  EXPECT_LT(r.peakResidentMb, kMemoryBoundMb) << arguments.front();
  return r;
}

// A line costs a few bytes beside what it holds, however many there are: 60 MB of line breaks once took
// 3.8 GB to check, lint or play. A script too large to read is an error, not a game of nothing.
TEST(HostileInput, ScriptsOfLineBreaksCostWhatTheyHoldAndHugeOnesAreRefused) {
  PlayerCopy player;
  test::TempDir dir;
  const std::string breaks = dir.write("breaks.tvk", std::string(60'000'000, '\n')).string();
  ProcessResult r = runBounded(player, {"--check", breaks});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = runBounded(player, {"--lint", breaks});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  r = playBounded(player, breaks, 3);
  EXPECT_EQ(r.exitCode, 0) << r.err;

  // Declared by its size, never written.
  const auto huge = dir.write("huge.tvk", "");
  std::filesystem::resize_file(huge, 1024u * 1024 * 1024);
  r = runBounded(player, {"--check", huge.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("」は大きすぎて読めません（64MBまで）。"), std::string::npos) << r.err;
  r = runBounded(player, {"--lint", huge.string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("huge.tvk:1:1: error: スクリプト「"), std::string::npos) << r.out;
}

// The player's own settings files are a few lines: of a huge one (100 MB once took 3.4 GB and 15 s at
// start) only the start is read, and standard error says so.
TEST(HostileInput, HugeSettingsFilesAreReadOnlyAsFarAsSettingsGo) {
  PlayerCopy player;
  test::TempDir dir;
  std::filesystem::create_directories(player.configHome() / "tavrik");
  std::string ini = "MasterVolume=37\n";
  ini.resize(100'000'000, '\n');
  std::ofstream(player.configHome() / "tavrik/player.ini", std::ios::binary) << ini;
  std::ofstream(player.binDir() / "tavrik.ini", std::ios::binary) << ini;
  const ProcessResult r = playBounded(player, dir.write("game.tvk", sjisScript("＃タイトル：t\n")), 3);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("player.ini」は64KBを超えているので、初めの64KBだけを読みます。"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("tavrik.ini」は64KBを超えているので"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tavrik
