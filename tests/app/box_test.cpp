// The player's boxes, headless: answered by the events file, the game standing still while one is open,
// and drawn into the frame as a window shows them.
#include <gtest/gtest.h>

#include "app/app_frame.h"
#include "app/game_app.h"
#include "base/script_path.h"
#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "platform/image_decoder.h"
#include "support/app_support.h"
#include "ui/look.h"

namespace tavrik {
namespace {

using test::PlayerCopy;
using test::ProcessResult;

// Counts its frames; the box and its answer are the frame's own.
struct CountingFrame : AppFrame {
  CountingFrame(FrameSettings settings, std::unique_ptr<GraphicsDevice> device)
      : AppFrame(std::move(settings), std::move(device)) {
    setClient(&counter);
  }
  struct : FrameClient {
    void update() override { ++updates; }
    int updates = 0;
  } counter;
};

// A script that sets x after twenty frames and then waits for ever.
constexpr const char* kWaiting = "＃変数宣言：x\n＃時間待機：２０\n＃式：x=1\n＃入力待機\n";

// Plays a script headless for sixty frames with an events file, printing its variables at the end.
ProcessResult playWithEvents(const PlayerCopy& player, const std::filesystem::path& script,
                             const std::filesystem::path& events, std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments = {script.string()};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  // Each run starts afresh: one closed midway would otherwise offer to continue in the next.
  for (const char* a : {"--new", "--headless", "--events"}) arguments.emplace_back(a);
  arguments.push_back(events.string());
  for (const char* a : {"--frames", "60", "--dump-variables"}) arguments.emplace_back(a);
  return player.run(arguments);
}

TEST(Boxes, EscapeAsksEscapeCancelsAndTheGameGoesOn) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", test::sjisScript(kWaiting));
  const auto events = dir.write("e.txt", "2 key Escape\n6 key Escape\n");
  const ProcessResult r = playWithEvents(player, script, events);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "終了確認\n終了してもよろしいですか？\n");
  EXPECT_EQ(r.out, "選択結果=0\nx=1\n") << "the game went on after the box";
}

TEST(Boxes, ReturnTakesTheConfirmationsDefaultAndEndsTheGame) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", test::sjisScript(kWaiting));
  const auto events = dir.write("e.txt", "2 key Escape\n4 key Return\n");
  const ProcessResult r = playWithEvents(player, script, events);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "選択結果=0\nx=0\n") << "ended before the wait was over";
  // A click on OK does the same; without a later event, the box takes its default at once.
  const auto click = dir.write("c.txt", "2 key Escape\n4 click 380 316\n");
  EXPECT_EQ(playWithEvents(player, script, click).out, "選択結果=0\nx=0\n");
  const auto alone = dir.write("a.txt", "2 key Escape\n");
  EXPECT_EQ(playWithEvents(player, script, alone).out, "選択結果=0\nx=0\n");
  // Without confirmation Escape ends the game at once, with no box.
  const ProcessResult nce = playWithEvents(player, script, alone, {"-nce"});
  EXPECT_EQ(nce.out, "選択結果=0\nx=0\n");
  EXPECT_EQ(nce.err, "");
}

TEST(Boxes, WhileABoxIsOpenFramesCountButTheGameStandsStill) {
  FrameSettings settings;
  settings.headless = true;
  settings.frameLimit = 30;
  std::string error;
  settings.events = *EventScript::parse("3 key Escape\n10 key Tab\n12 key Return\n", &error);
  CountingFrame frame(std::move(settings), test::headlessDevice());
  std::unique_ptr<FontLibrary> fonts = FontLibrary::create();
  int faceIndex = 0;
  frame.setOverlay(Overlay::create(frame.graphics(), fonts->defaultFaceFile(faceIndex), faceIndex));
  ASSERT_NE(frame.overlay(), nullptr);
  testing::internal::CaptureStderr();
  frame.run();
  testing::internal::GetCapturedStderr();
  // Tab moved the keyboard to Cancel, and Return took it: the game went on to the frame limit, but did
  // not update in the nine frames the box was open (frames 4 to 12).
  EXPECT_EQ(frame.framesRun(), 30);
  EXPECT_EQ(frame.counter.updates, 30 - 9);
}

TEST(Boxes, ABoxThatCannotBeShownIsNeverTakenAsYes) {
  // A window whose interface could not be made (no Japanese font): the confirmation goes to standard
  // error and the game keeps running.
  FrameSettings settings;
  settings.headless = false;
  settings.confirmExit = true;
  CountingFrame frame(std::move(settings), test::headlessDevice());
  testing::internal::CaptureStderr();
  frame.runCommand(kCommandExit);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "終了確認\n終了してもよろしいですか？\n");
  EXPECT_FALSE(frame.closing());
}

TEST(Boxes, TheVersionBoxOpensAndClosesAndOkOpensTheSupportPage) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("s.tvk", test::sjisScript(kWaiting));
  const auto events = dir.write("e.txt", "2 command 3\n5 key Escape\n8 command 3\n11 key Return\n");
  const ProcessResult r = player.run(
      {script.string(), "--headless", "--events", events.string(), "--frames", "40", "--dump-variables"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Both boxes showed; only the second, answered OK, opened the page.
  std::size_t boxes = 0;
  for (std::size_t at = 0; (at = r.err.find("バージョン情報\n", at)) != std::string::npos; ++at) ++boxes;
  EXPECT_EQ(boxes, 2u) << r.err;
  std::size_t opened = 0;
  for (std::size_t at = 0; (at = r.err.find("tavrik: open file://", at)) != std::string::npos; ++at) ++opened;
  EXPECT_EQ(opened, 1u) << r.err;
  EXPECT_EQ(r.out, "選択結果=0\nx=1\n");
}

TEST(Boxes, AScriptErrorsBoxShowsItsThreeLinesInTheScreenshot) {
  PlayerCopy player;
  test::TempDir dir;
  const auto script = dir.write("bad.tvk", test::sjisScript("＃タイトル：ok\n＃未知の命令\n"));
  const auto shot = dir.path() / "error.png";
  const ProcessResult r = player.run({script.string(), "--headless", "--screenshot", shot.string()});
  EXPECT_EQ(r.exitCode, 1);
  const std::string text =
      script.string() + "の1行目：\n＃未知の命令\nレイヤー，チャネル，または動作が未宣言です。";
  EXPECT_EQ(r.err, "スクリプトエラー\n" + text + "\n");

  // The same box with the same words, drawn here: the screenshot shows exactly that.
  test::OverlayRig rig;
  GraphicsDevice* device = rig.device.get();
  Overlay* overlay = rig.overlay.get();
  ASSERT_TRUE(overlay);
  applyLook(Theme{});  // the player's own look, as no theme beside the script asks for another
  ModalBox box{"スクリプトエラー", text, BoxButtons::Ok};
  overlay->addCharacters(box.characters());
  overlay->setContent([&box] { box.build(); });
  device->clear(0xFF000000u);
  device->present();
  const std::optional<DecodedImage> screenshot = decodeImageFile(shot);
  ASSERT_TRUE(screenshot);
  int lit = 0, different = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const std::uint32_t expected = device->pixelAt(x, y);
      lit += (expected & 0xFFFFFF) != 0;
      different += !test::nearColour(screenshot->pixels[static_cast<std::size_t>(y) * 800 + x], expected, 2);
    }
  }
  EXPECT_GT(lit, 20000) << "a box with its words";
  EXPECT_EQ(different, 0);
}

}  // namespace
}  // namespace tavrik
