// The player as users and script authors run it: a separate process, a copy of the executable with
// its own files beside it, no display needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "platform/image_decoder.h"
#include "platform/sound_files.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using test::PlayerCopy;
using test::ProcessResult;
using test::sjisScript;

TEST(Player, PlaysAScriptHeadlessForAGivenNumberOfFrames) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("story.tvk", sjisScript("＃タイトル：Story\n＃入力待機\n"));
  const ProcessResult r = player.run({script.string(), "--headless", "--frames", "30", "--dump-variables"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "選択結果=0\n");
  EXPECT_EQ(r.err, "");
}

TEST(Player, WithoutAnArgumentPlaysTheDefaultScriptBesideTheExecutable) {
  PlayerCopy player;
  const ProcessResult r = player.run({"--headless", "--frames", "30"});
  EXPECT_EQ(r.exitCode, 0) << r.err;

  std::filesystem::remove_all(player.binDir() / "credit");
  const ProcessResult missing = player.run({"--headless"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "起動エラー\nスクリプトファイルを指定してください。\n");
}

TEST(Player, TheDefaultGameShowsItsSceneAndEndsOnTheQuitButton) {
  PlayerCopy player;
  test::TempDir dir;
  const auto shot = dir.path() / "credit.png";
  const ProcessResult r = player.run({"--headless", "--frames", "200", "--screenshot", shot.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::optional<DecodedImage> picture = decodeImageFile(shot);
  ASSERT_TRUE(picture.has_value());
  const auto lit = std::count_if(picture->pixels.begin(), picture->pixels.end(),
                                 [](std::uint32_t p) { return (p & 0xFFFFFF) > 0x101010; });
  EXPECT_GT(lit, static_cast<long>(picture->pixels.size() * 9 / 10)) << "the scene, not a black screen";
  // After the text the player picks "終わる", and the game fades out and ends by itself.
  const auto events = dir.write("quit.txt", "420 click 500 320\n");
  const ProcessResult quit =
      player.run({"--headless", "--events", events.string(), "--frames", "2000", "--dump-variables"});
  EXPECT_EQ(quit.exitCode, 0) << quit.err;
  EXPECT_EQ(quit.out, "選択結果=2\n");
}

TEST(Player, ScriptPathIsArgumentOneThenRelativeToTheExecutable) {
  PlayerCopy player;
  player.binDir();
  std::filesystem::create_directories(player.binDir() / "games");
  std::ofstream(player.binDir() / "games" / "Start.tvk", std::ios::binary) << sjisScript("＃時間待機：１\n");

  // Found beside the executable although the current directory is elsewhere, in any letter case.
  EXPECT_EQ(player.run({"games/start.TVK", "--headless"}).exitCode, 0);
  EXPECT_EQ(player.run({"games\\Start.tvk", "--headless"}).exitCode, 0);
  // A wildcard that matches passes the existence test, but names no file the compile can read; a
  // directory is found but is no script.
  EXPECT_EQ(player.run({"bin/games", "--headless"}).exitCode, 1);
  const ProcessResult wildcard = player.run({"bin/games/S*.tvk", "--headless"});
  EXPECT_EQ(wildcard.exitCode, 1);
  EXPECT_NE(wildcard.err.find("S*.tvk」を読めません。"), std::string::npos) << wildcard.err;

  const ProcessResult missing = player.run({"nothere.tvk", "--headless"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "起動エラー\n" + (player.binDir() / "nothere.tvk").string() +
                             "というスクリプトファイルは見つかりません。\n");

  // The script must come first: "-f" in its place is taken as the script path.
  const ProcessResult flagFirst = player.run({"-f", "games/Start.tvk", "--headless"});
  EXPECT_EQ(flagFirst.exitCode, 1);
  EXPECT_NE(flagFirst.err.find("/bin/-fというスクリプトファイルは見つかりません。"), std::string::npos)
      << flagFirst.err;
}

TEST(Player, AScriptErrorIsReportedWithFileLineAndMessageAndExitsOne) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("bad.tvk", sjisScript("＃＃ comment\n＃タイトル：ok\nこんにちは\n"));
  const ProcessResult r = player.run({script.string(), "--headless", "--frames", "5"});
  EXPECT_EQ(r.exitCode, 1);
  // The file as the compile was handed it, with this system's separators.
  EXPECT_EQ(r.err, "スクリプトエラー\n" + script.string() + "の2行目：\nこんにちは\n行頭に＃が必要です。\n");
}

TEST(Player, AUtf8ScriptReportsTheLineAsItsAuthorWroteIt) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("utf8.tvk", "\xEF\xBB\xBF＃タイトル：題\n  本文です\n");
  const ProcessResult r = player.run({script.string(), "--check"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "スクリプトエラー\n" + script.string() + "の1行目：\n  本文です\n行頭に＃が必要です。\n");
}

// Games in folders named with a character code page 932 cannot hold (é), ones it holds only one way
// (〜 and − come back as ～ and －) and one whose Shift-JIS has the trail byte 0x5C (表): each starts,
// shows the picture beside its script, inserts a script from a subfolder, and a script error shows the
// folder's name as it is. The subfolder with 〜 is written in the script as Shift-JIS, which reads back
// as ～; the one with − as an escape, since a line's "－" is read as "-".
TEST(Player, GamesPlayFromFoldersNamedWithAnyCharacter) {
  PlayerCopy player;
  test::TempDir dir;
  struct Game {
    std::string folder;
    std::string subfolder;
    std::string writtenSubfolder;
  };
  for (const Game& game : {Game{"josé", "sub", "sub"}, Game{"a\u301Cb", "c\u301Cd", "c\uFF5Ed"},
                           Game{"a\u2212b", "c\u2212d", "c〓{2212}d"}, Game{"表", "表", "表"}}) {
    SCOPED_TRACE(game.folder);
    const std::filesystem::path folder = dir.path() / game.folder;
    dir.write(game.folder + "/" + game.subfolder + "/part.tvk", sjisScript("＃式：挿入済み=1\n"));
    ASSERT_TRUE(savePng(test::solidPicture(800, 600, 0xFF3060C0u), folder / "back.png"));
    const auto script =
        dir.write(game.folder + "/main.tvk",
                  sjisScript("＃変数宣言：挿入済み\n＃単純レイヤー宣言：背景\n＃動作宣言：表示\n０，Ａ，１\n"
                             "＃背景画像：back\n＃背景表示\n＃ファイル挿入：" +
                             game.writtenSubfolder + "\\part\n＃入力待機\n"));
    const auto shot = dir.path() / "shot.png";
    const ProcessResult r = player.run(
        {script.string(), "--headless", "--frames", "3", "--dump-variables", "--screenshot", shot.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "選択結果=0\n挿入済み=1\n");
    EXPECT_EQ(r.err, "");
    const std::optional<DecodedImage> picture = decodeImageFile(shot);
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(test::nearColour(picture->pixels[300 * 800 + 400], 0xFF3060C0u));

    // The report writes both paths as they are on this system, the folder's name as it is.
    const auto missing = dir.write(game.folder + "/missing.tvk", sjisScript("＃ファイル挿入：none\n"));
    const ProcessResult failed = player.run({missing.string(), "--headless", "--frames", "3"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, "スクリプトエラー\n" + folder.string() +
                              "/missing.tvkの0行目：\n＃ファイル挿入：none\n"
                              "スクリプト「" +
                              folder.string() + "/none.tvk」が見つかりません。\n");
  }
}

TEST(Player, CheckCompilesWithoutAnyDisplay) {
  PlayerCopy player;
  test::TempDir dir;
  const auto good = dir.write("good.tvk", sjisScript("＃入力待機\n"));
  const auto bad = dir.write("bad.tvk", sjisScript("＃動作待機：誰\n"));
  // No display, and a video driver that does not exist: checking starts nothing of SDL.
  const std::vector<std::string> noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=nosuchdriver",
                                              "SDL_AUDIODRIVER=nosuchdriver"};
  const ProcessResult ok = player.run({good.string(), "--check"}, noDisplay);
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.out + ok.err, "");
  const ProcessResult failed = player.run({"--check", bad.string()}, noDisplay);
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("の0行目：\n＃動作待機：誰\nレイヤーまたはチャネル「誰」は未宣言です。"),
            std::string::npos)
      << failed.err;
}

TEST(Player, ScreenshotIsAnEightHundredBySixHundredPng) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  const auto png = dir.path() / "shot.png";
  const ProcessResult r =
      player.run({script.string(), "--headless", "--frames", "3", "--screenshot", png.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::ifstream in(png, std::ios::binary);
  std::string header(24, '\0');
  in.read(header.data(), 24);
  ASSERT_EQ(header.substr(0, 8), "\x89PNG\r\n\x1A\n");
  auto be32 = [&](int at) {
    return (static_cast<unsigned char>(header[at]) << 24) |
           (static_cast<unsigned char>(header[at + 1]) << 16) |
           (static_cast<unsigned char>(header[at + 2]) << 8) | static_cast<unsigned char>(header[at + 3]);
  };
  EXPECT_EQ(be32(16), 800);
  EXPECT_EQ(be32(20), 600);
}

TEST(Player, AKeyTapShorterThanAFrameAnswersAnInputWait) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script =
      dir.write("s.tvk", sjisScript("＃変数宣言：x\n＃入力待機\n＃式：x=1\n＃時間待機：１００\n"));
  const auto events = dir.write("tap.txt", "5 keydown Return\n5 keyup Return\n");
  const ProcessResult r = player.run(
      {script.string(), "--headless", "--events", events.string(), "--frames", "20", "--dump-variables"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "選択結果=0\nx=1\n");
}

TEST(Player, ClosingAsksFirstUnlessToldNotTo) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  const auto events = dir.write("close.txt", "2 close\n");
  const ProcessResult asked = player.run({script.string(), "--headless", "--events", events.string()});
  EXPECT_EQ(asked.exitCode, 0);
  EXPECT_EQ(asked.err, "終了確認\n終了してもよろしいですか？\n");

  const auto escape = dir.write("esc.txt", "2 key Escape\n");
  const ProcessResult silent =
      player.run({script.string(), "-nce", "--new", "--headless", "--events", escape.string()});
  EXPECT_EQ(silent.exitCode, 0);
  EXPECT_EQ(silent.err, "");

  const auto broken = dir.write("broken.txt", "2 explode\n");
  const ProcessResult bad = player.run({script.string(), "--new", "--headless", "--events", broken.string()});
  EXPECT_NE(bad.exitCode, 0);
  EXPECT_NE(bad.err.find("line 1"), std::string::npos);
}

TEST(Player, MusicAndSoundEffectsPlayOnWithoutAnAudioDevice) {
  PlayerCopy player;
  test::TempDir dir;
  // A short WAV: 16-bit stereo silence is enough for the mixer to load and play.
  std::string wav = "RIFF";
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const std::string data(4000, '\x01');
  wav += le32(36 + 4000) + "WAVEfmt " + le32(16) + std::string("\x01\x00\x02\x00", 4) + le32(44100) +
         le32(176400) + std::string("\x04\x00\x10\x00", 4) + "data" + le32(4000) + data;
  dir.write("bgm.wav", wav);
  dir.write("se.wav", wav);
  // The sound effect's action ends in its step 10: the wait for it ends in frame 12 and the script
  // sets its variable then, whether or not there is a device to hear it.
  const auto script = dir.write(
      "sound.tvk", sjisScript("＃音楽チャネル宣言：bgm\n＃効果音チャネル宣言：se\n＃変数宣言：済み\n"
                              "＃動作宣言：loop\n０，PLAY，－１\n＃動作宣言：move\n"
                              "０，PLAY，０\n０，X，－５\n０，VX，１\n１０，END，０\n"
                              "＃bgmロード：bgm.wav\n＃seロード：se.wav\n＃seロード：missing.ogg\n"
                              "＃seロード：se\n＃bgmloop\n＃semove\n＃動作待機：se\n＃式：済み=1\n"
                              "＃入力待機\n"));
  for (const char* driver : {"", "nosuchdriver"}) {
    const ProcessResult r = player.run({script.string(), "--headless", "--frames", "12", "--dump-variables"},
                                       {std::string("SDL_AUDIODRIVER=") + driver});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "選択結果=0\n済み=1\n") << driver;
    EXPECT_EQ(r.err, "") << driver;
  }
  const ProcessResult early =
      player.run({script.string(), "--headless", "--frames", "11", "--dump-variables"});
  EXPECT_EQ(early.out, "選択結果=0\n済み=0\n") << "not before the effect's action ended";
}

TEST(Player, AudioOutRecordsTheMixFrameByFrameAndTheSameEveryRun) {
  PlayerCopy player;
  test::TempDir dir;
  // Two seconds of a square wave at half of full scale: every sample is +16384 or -16384, so a
  // sample's size is the gain it was mixed with.
  std::string data;
  for (int i = 0; i < 88200; ++i)
    data += test::constantSamples(1, 2, static_cast<std::int16_t>((i / 50) % 2 ? -16384 : 16384));
  dir.write("tone.wav", test::wavHeader(2, 44100, static_cast<std::uint32_t>(data.size())) + data);
  // Music at half volume, stopped at frame 30; an effect far to the left fading out over 100 frames.
  const auto script =
      dir.write("sound.tvk",
                sjisScript("＃音楽チャネル宣言：bgm\n＃効果音チャネル宣言：se\n"
                           "＃動作宣言：half\n0,VOL,0.5\n0,PLAY,-1\n30,STOP,0\n"
                           "＃動作宣言：fade\n0,X,-1\n0,PLAY,-1\n0,VVOL,-0.01\n"
                           "＃bgmロード：tone.wav\n＃seロード：tone.wav\n＃bgmhalf\n＃sefade\n＃入力待機\n"));
  const int frames = 130;
  std::string recorded[2];
  for (int run = 0; run < 2; ++run) {
    const auto wav = dir.path() / ("mix" + std::to_string(run) + ".wav");
    const ProcessResult r = player.run(
        {script.string(), "--headless", "--frames", std::to_string(frames), "--audio-out", wav.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    recorded[run] = test::readBytes(wav);
  }
  EXPECT_TRUE(recorded[0] == recorded[1]) << "two runs, the same bytes";
  // The frames a box is open for are recorded too, as the music goes on under it in a window.
  const auto boxEvents = dir.write("box.events", "10 close\n40 key Escape\n");
  const auto boxWav = dir.path() / "box.wav";
  ASSERT_EQ(player
                .run({script.string(), "--headless", "--frames", "100", "--events", boxEvents.string(),
                      "--audio-out", boxWav.string()})
                .exitCode,
            0);
  EXPECT_EQ(std::filesystem::file_size(boxWav), 44u + 100u * 735u * 4u);
  // A run that does not start leaves a file of that name as it was.
  const auto broken = dir.write("broken.tvk", sjisScript("＃未知の命令\n"));
  EXPECT_EQ(player.run({broken.string(), "--headless", "--audio-out", boxWav.string()}).exitCode, 1);
  EXPECT_EQ(std::filesystem::file_size(boxWav), 44u + 100u * 735u * 4u);
  const std::string& wav = recorded[0];
  ASSERT_EQ(wav.size(), 44u + frames * 735u * 4u) << "735 sample frames a frame";
  EXPECT_EQ(wav.substr(0, 44), test::wavHeader(2, 44100, frames * 735 * 4));
  auto sample = [&wav](std::size_t frame, int channel) {
    const std::size_t at = 44 + frame * 4 + static_cast<std::size_t>(channel) * 2;
    return std::abs(static_cast<int>(static_cast<std::int16_t>(
        static_cast<unsigned char>(wav[at]) | (static_cast<unsigned char>(wav[at + 1]) << 8))));
  };
  // The gain of a volume as a channel sets it: a level in hundredths of a decibel, cut to a whole number.
  auto gain = [](float volume) {
    const auto level = static_cast<float>(2000.0 * std::log10(static_cast<double>(volume)));
    return level >= -9600.0f ? std::pow(10.0, std::trunc(level) / 2000.0) : 0.0;
  };
  float fading = 1.0f;
  for (int k = 0; k < frames; ++k) {
    fading = std::max(0.0f, fading - 0.01f);
    const double music = k < 30 ? 0.5 * gain(0.5f) : 0.0, effect = 0.5 * gain(fading);
    // Each frame's 735 samples are mixed at the frame's own levels, which change at its boundaries.
    for (std::size_t i = static_cast<std::size_t>(k) * 735; i < static_cast<std::size_t>(k + 1) * 735; ++i) {
      ASSERT_NEAR(sample(i, 1), std::lround(music * 32768), 1) << "right, frame " << k << ", sample " << i;
      ASSERT_NEAR(sample(i, 0), std::lround((music + effect) * 32768), 1)
          << "left, frame " << k << ", sample " << i;
      ASSERT_EQ(sample(i, 0), sample(static_cast<std::size_t>(k) * 735, 0)) << "frame " << k;
    }
  }
}

TEST(Player, TheChosenFontIsSavedAsOneLineAtANormalExit) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", sjisScript("＃入力待機\n"));
  const auto ini = player.binDir() / "tavrik.ini";
  const std::string ipaGothic = test::sjis("IPAゴシック");
  std::ofstream(ini, std::ios::binary) << "Other=1\r\nFont=" << ipaGothic << "\r\nFont=x\r\n";
  // The face picked from the menu is saved: its command is the menu's base id plus its place in the list.
  const std::vector<std::string> faces = FontLibrary::create()->japaneseFaces();
  const auto proportional = std::find(faces.begin(), faces.end(), test::sjis("IPA Pゴシック"));
  ASSERT_NE(proportional, faces.end()) << "the test fonts are installed";
  const auto events =
      dir.write("e.txt", "1 command " + std::to_string(1000 + (proportional - faces.begin())) + "\n");
  ASSERT_EQ(player.run({script.string(), "--headless", "--frames", "3"}).exitCode, 0);
  EXPECT_EQ(test::readBytes(ini), "Font=" + ipaGothic + "\r\n");
  ASSERT_EQ(
      player.run({script.string(), "--headless", "--frames", "3", "--events", events.string()}).exitCode, 0);
  const std::string saved = test::readBytes(ini);
  EXPECT_EQ(saved, "Font=" + test::sjis("IPA Pゴシック") + "\r\n");

  // A start-up error leaves the file as it is.
  std::ofstream(ini, std::ios::binary) << "Font=kept\r\nOther=2\r\n";
  EXPECT_EQ(player.run({"missing.tvk", "--headless"}).exitCode, 1);
  EXPECT_EQ(test::readBytes(ini), "Font=kept\r\nOther=2\r\n");
}

TEST(Player, EveryStartRegistersTheScriptTypeWithTheDesktopAndWritesNothingElse) {
  PlayerCopy player;
  ASSERT_EQ(player.run({"--headless", "--frames", "1"}).exitCode, 0);
  const auto home = player.root() / "home";
  const auto data = home / ".local" / "share";
  const std::string text = test::readBytes(data / "applications" / "tavrik.desktop");
  EXPECT_NE(text.find("Exec=\"" + (player.binDir() / "tavrik").string() + "\" %f"), std::string::npos)
      << text;
  EXPECT_TRUE(std::filesystem::exists(data / "mime" / "packages" / "tavrik.xml"));
  // Nothing else under the home folder: the settings go beside the executable (its folder is
  // writable), and the desktop's own tools may add their caches only inside the two folders.
  for (const auto& e : std::filesystem::recursive_directory_iterator(home)) {
    if (!e.is_regular_file()) continue;
    const std::string relative = std::filesystem::relative(e.path(), data).string();
    EXPECT_TRUE(relative.rfind("applications/", 0) == 0 || relative.rfind("mime/", 0) == 0)
        << "written: " << e.path();
  }
}

TEST(Player, TheScreenshotKeyKeepsTheScreenInThePicturesFolder) {
  PlayerCopy player;
  namespace fs = std::filesystem;
  const fs::path home = player.root() / "home";
  auto shots = [](const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) out.push_back(e.path());
    return out;
  };
  std::ofstream(player.root() / "shot.events") << "2 key P\n3 command screenshot\n";
  ASSERT_EQ(player.run({"--headless", "--frames", "5", "--events", (player.root() / "shot.events").string()})
                .exitCode,
            0);
  const std::vector<fs::path> kept = shots(home / "Pictures" / "tavrik");
  ASSERT_EQ(kept.size(), 2u) << "two in the same second get their own names";
  const std::optional<DecodedImage> picture = decodeImageFile(kept.front());
  ASSERT_TRUE(picture.has_value());
  EXPECT_EQ(picture->width, 800);
  // The desktop's own pictures folder, where the user moved it.
  fs::create_directories(home / ".config");
  std::ofstream(home / ".config" / "user-dirs.dirs") << "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  ASSERT_EQ(player.run({"--headless", "--frames", "5", "--events", (player.root() / "shot.events").string()})
                .exitCode,
            0);
  EXPECT_EQ(shots(home / "Bilder" / "tavrik").size(), 2u);
}

TEST(Player, HelpAndVersion) {
  PlayerCopy player;
  const ProcessResult help = player.run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);
  const ProcessResult version = player.run({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  // The version is the one project() sets in CMakeLists.txt, not one the test would have to follow.
  EXPECT_EQ(version.out, "tavrik " TAVRIK_PROJECT_VERSION "\n");
  EXPECT_EQ(player.run({"--frames", "x"}).exitCode, 2);
}

// A real window on a virtual display, when the machine has one to offer. The pace is read from inside
// the run, from the times the states of frames 10 and 70 were written, so that the window's start-up
// does not count.
TEST(Player, PlaysInAWindowAtNoMoreThanSixtyFramesASecond) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("w.tvk", sjisScript("＃タイトル：窓\n＃時間待機：１０００\n"));
  const auto early = dir.path() / "early.state", late = dir.path() / "late.state";
  const auto events =
      dir.write("marks.txt", "10 save-state " + early.string() + "\n70 save-state " + late.string() + "\n");
  const ProcessResult r = test::runProcess(
      "/usr/bin/xvfb-run",
      {"-a", "-s", "-screen 0 1024x768x24", player.executable().string(), script.string(), "--frames", "71",
       "--events", events.string()},
      // The display's GL driver is loaded and unloaded by SDL; its allocations cannot be told apart
      // under the leak checker, so the windowed run is checked for memory errors only.
      player.root(),
      {"HOME=" + player.root().string(), "SDL_AUDIODRIVER=dummy", "ASAN_OPTIONS=detect_leaks=0"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  ASSERT_TRUE(std::filesystem::exists(early) && std::filesystem::exists(late));
  const double seconds = std::chrono::duration<double>(std::filesystem::last_write_time(late) -
                                                       std::filesystem::last_write_time(early))
                             .count();
  // Sixty frames at sixty a second take a second; a timer allowed to run early would be well below.
  EXPECT_GE(seconds, 0.95);
  EXPECT_LT(seconds, 3.0) << "and frames are not held back either";
}

}  // namespace
}  // namespace tavrik
