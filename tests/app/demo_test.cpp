// The demo game played through headless with its events file: it must reach its end, and the frames
// it shows on the way must match the reference pictures within a tolerance. Set
// TAVRIK_UPDATE_REFERENCES=1 to write the references again after an intended change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "app/game_app.h"
#include "platform/image_decoder.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";

// The same face on every machine, whatever else is installed: the references show IPA P Gothic.
void pinFont(const test::PlayerCopy& player) {
  std::ofstream(player.binDir() / "tavrik.ini", std::ios::binary)
      << "Font=" << test::sjis("IPA Pゴシック") << "\r\n";
}

TEST(Demo, PlaysToItsEndWithItsEvents) {
  test::PlayerCopy player;
  pinFont(player);
  const test::ProcessResult r =
      player.run({(kDemo / "start.tvk").string(), "--headless", "--events", (kDemo / "demo.events").string(),
                  "--frames", "3000", "--dump-variables"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // Both branches of the choice were taken, the top-tested loop ran three times, the bottom-tested twice.
  EXPECT_EQ(r.out, "選択結果=2\n選んだ=2\nきらめき=3\n周回=2\n");

  // In this process too, to see that the script ran out of commands rather than out of frames.
  CommandLine cl = test::headlessCommandLine(kDemo / "start.tvk", 3000);
  cl.automation.events = kDemo / "demo.events";
  std::unique_ptr<GameApp> app = test::startHeadless(cl);
  ASSERT_TRUE(app);
  app->frame().run();
  EXPECT_LT(app->frame().framesRun(), 1000);
  EXPECT_TRUE(app->engine().isFinished());
}

TEST(Demo, ItsChoicesMadeWithTheKeyboardAloneEndAsTheMouseRun) {
  // Each click of the demo's events becomes keys: Tab (the left button, the first in reading order) or
  // Tab and Right (the right one), then Return, which also goes on from the input waits.
  test::PlayerCopy player;
  pinFont(player);
  test::TempDir dir;
  std::ifstream clicks(kDemo / "demo.events");
  std::string keys, line;
  while (std::getline(clicks, line)) {
    int frame = 0, x = 0, y = 0;
    if (std::sscanf(line.c_str(), "%d click %d %d", &frame, &x, &y) != 3) continue;
    const std::string at = std::to_string(frame);
    keys += at + " key Tab\n" + (x > 400 ? at + " key Right\n" : "") + std::to_string(frame + 1) +
            " key Return\n";
  }
  auto play = [&](const fs::path& events, const std::string& shot) {
    return player.run({(kDemo / "start.tvk").string(), "--headless", "--events", events.string(), "--frames",
                       "3000", "--dump-variables", "--screenshot", (dir.path() / shot).string()});
  };
  const test::ProcessResult mouse = play(kDemo / "demo.events", "mouse.png");
  const test::ProcessResult keyboard = play(dir.write("keys.events", keys), "keys.png");
  ASSERT_EQ(keyboard.exitCode, 0) << keyboard.err;
  EXPECT_EQ(keyboard.out, mouse.out);
  EXPECT_EQ(keyboard.out, "選択結果=2\n選んだ=2\nきらめき=3\n周回=2\n");
  const std::optional<DecodedImage> a = decodeImageFile(dir.path() / "mouse.png");
  const std::optional<DecodedImage> b = decodeImageFile(dir.path() / "keys.png");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->pixels == b->pixels) << "the same last frame";
}

TEST(Demo, AControllerAloneChoosesSavesAndLoads) {
  // The demo's clicks as a controller's presses: at a choice the pad moves the focus (down: the first
  // button in reading order, then right: the second) and button 1 takes it, as it goes on from the
  // input waits. Midway Start opens the system menu, and down and button 1 open the save screen, where
  // button 1 saves in the first slot. A second run loads that save by the same means and plays the
  // rest: both end as the mouse does.
  test::PlayerCopy player;
  pinFont(player);
  test::TempDir dir;
  auto press = [](int frame, const std::string& button) {
    return std::to_string(frame) + " pad " + button + " down\n" + std::to_string(frame + 1) + " pad " +
           button + " up\n";
  };
  std::vector<std::pair<int, int>> clicks;
  std::ifstream file(kDemo / "demo.events");
  for (std::string line; std::getline(file, line);) {
    int frame = 0, x = 0, y = 0;
    if (std::sscanf(line.c_str(), "%d click %d %d", &frame, &x, &y) == 3) clicks.emplace_back(frame, x);
  }
  auto clicksFrom = [&](int first, int shift) {
    std::string out;
    for (const auto& [frame, x] : clicks) {
      if (frame < first) continue;
      out += press(frame - shift, "down") + (x > 400 ? press(frame - shift + 2, "right") : "") +
             press(frame - shift + 4, "1");
    }
    return out;
  };
  constexpr int kSaveAt = 280, kResumeFrom = 300, kShift = 200;
  std::string first = clicksFrom(0, 0);
  first +=
      press(kSaveAt, "8") + press(kSaveAt + 3, "down") + press(kSaveAt + 6, "1") + press(kSaveAt + 9, "1");
  const std::string second = press(20, "8") + press(23, "down") + press(26, "down") + press(29, "1") +
                             press(32, "1") + clicksFrom(kResumeFrom, kShift);
  auto play = [&](const std::string& name, const std::string& events) {
    return player.run({(kDemo / "start.tvk").string(), "--headless", "--events",
                       dir.write(name, events).string(), "--frames", "3000", "--dump-variables"});
  };
  const test::ProcessResult saved = play("first.events", first);
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_EQ(saved.out, "選択結果=2\n選んだ=2\nきらめき=3\n周回=2\n");
  const test::ProcessResult loaded = play("second.events", second);
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, saved.out);
}

TEST(Demo, ReadAloudItSaysEachTextTheChoicesAndTheNotices) {
  // A headless run reads to a recording voice: every text as it shows (the name plate, then the line),
  // each choice when its buttons show, and the word after a save, in that order.
  test::TempDir dir;
  std::ifstream demo(kDemo / "demo.events");
  const std::string events =
      std::string(std::istreambuf_iterator<char>(demo), {}) + "0 speak on\n350 save 1\n";
  CommandLine cl = test::headlessCommandLine(kDemo / "start.tvk", 3000);
  cl.automation.events = dir.write("speak.events", events);
  std::unique_ptr<GameApp> app = test::startHeadless(cl);
  ASSERT_TRUE(app);
  app->frame().run();
  const auto* voice = dynamic_cast<const RecordingSpeech*>(app->voice().voice());
  ASSERT_TRUE(voice);
  std::string said;
  for (const Utterance& u : voice->said())
    said += (u.interrupt ? "! " : "+ ") + u.text + (u.language == "ja" ? "" : " [" + u.language + "]") + "\n";
  EXPECT_EQ(said,
            "! 読み上げ：オン\n"
            "! 澪\n+ 今夜は星がよく見えるね。 三つ数えたよ。一、二、三！\n"
            "! 蓮\n+ 遅くなってごめん。走ってきたんだ。 記号も書けるよ：$100、#1、＃2、＄3。\n"
            "! 澪\n+ どちらへ行こうか。\n"
            "! スロット1にセーブしました\n"
            "+ 選択肢 1／2：丘へ\n+ 選択肢 2／2：町へ\n"
            "! 蓮\n+ 丘なら星が近いね。もう一度考える？\n"
            "! 澪\n+ どちらへ行こうか。\n"
            "+ 選択肢 1／2：丘へ\n+ 選択肢 2／2：町へ\n"
            "! 蓮\n+ 町は明るいよ。もう一度考える？\n"
            "! 澪\n+ 町へ行こう。灯りを数えに。\n");
}

TEST(Demo, FramesMatchTheReferences) {
  const bool update = std::getenv("TAVRIK_UPDATE_REFERENCES") != nullptr;
  test::PlayerCopy player;
  pinFont(player);
  test::TempDir dir;
  for (int frame : {200, 380, 560}) {
    const fs::path shot = dir.path() / ("frame" + std::to_string(frame) + ".png");
    const fs::path reference = kDemo / "reference" / ("frame" + std::to_string(frame) + ".png");
    const test::ProcessResult r = player.run({(kDemo / "start.tvk").string(), "--headless", "--events",
                                              (kDemo / "demo.events").string(), "--frames",
                                              std::to_string(frame), "--screenshot", shot.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    if (update) fs::copy_file(shot, reference, fs::copy_options::overwrite_existing);
    const std::optional<DecodedImage> expected = decodeImageFile(reference);
    const std::optional<DecodedImage> actual = decodeImageFile(shot);
    ASSERT_TRUE(expected && actual) << reference;
    const test::FrameDifference d = test::compareFrames(*actual, *expected);
    EXPECT_LT(d.mean, 1.0) << "frame " << frame;
    EXPECT_LT(d.farShare, 0.005) << "frame " << frame;
  }
}

}  // namespace
}  // namespace tavrik
