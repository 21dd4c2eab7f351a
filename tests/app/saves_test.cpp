// Saving and loading, continuing an interrupted play, skipping, auto mode, the history and the settings
// screen, end to end: the player in this process or as a process of its own, driven by events files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

#include "app/game_app.h"
#include "app/save_store.h"
#include "base/files.h"
#include "base/script_path.h"
#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "script/compiler/script_compiler.h"
#include "support/app_support.h"
#include "ui/history_screen.h"
#include "ui/notice.h"
#include "ui/settings_screen.h"
#include "ui/slot_screen.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::PlayerCopy;
using test::ProcessResult;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The player in this process, headless.
std::unique_ptr<GameApp> startInProcess(const fs::path& script, const fs::path& saves,
                                        const std::optional<fs::path>& events = std::nullopt,
                                        long long frames = 100000) {
  CommandLine cl = test::headlessCommandLine(script, frames);
  cl.automation.events = events;
  cl.automation.saves = saves;
  cl.automation.startAfresh = true;
  return test::startHeadless(cl);
}

// An events file's lines moved earlier by shift frames, clicks spelt out so that a click cut by the
// shift keeps its later part; events before the shift are dropped.
std::string shiftedEvents(const fs::path& file, std::int64_t shift) {
  std::ifstream in(file);
  std::ostringstream out;
  std::string line;
  auto put = [&](std::int64_t frame, const std::string& rest) {
    if (frame >= shift) out << frame - shift << " " << rest << "\n";
  };
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::int64_t frame = 0;
    std::string kind;
    if (line.empty() || line[0] == '#' || !(words >> frame >> kind)) continue;
    std::string rest;
    std::getline(words, rest);
    if (kind == "click") {
      put(frame, "move" + rest);
      put(frame + 1, "down left");
      put(frame + 2, "up left");
    } else {
      put(frame, kind + rest);
    }
  }
  return out.str();
}

std::string withLine(const fs::path& events, const std::string& line) {
  return test::readBytes(events) + "\n" + line + "\n";
}

TEST(Saves, ALoadInAFreshProcessPlaysOnAsTheUninterruptedRun) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path demoEvents = kDemo / "demo.events";
  const fs::path script = kDemo / "start.tvk";

  // Moments worth saving at: inside a wait that counts frames (the demo's are action waits), while text
  // types, while a choice waits.
  std::vector<std::int64_t> frames;
  {
    std::unique_ptr<GameApp> app = startInProcess(script, dir.path() / "probe", demoEvents);
    ASSERT_TRUE(app);
    using W = ScriptEngine::Waiting;
    app->frame().run([&] { return app->engine().waiting() == W::Action; });
    frames.push_back(app->frame().framesRun());
    app->frame().run([&] { return !app->engine().text().typed(); });
    frames.push_back(app->frame().framesRun());
    app->frame().run([&] { return app->engine().waiting() == W::Choice; });
    frames.push_back(app->frame().framesRun() + 3);
    ASSERT_EQ(app->engine().waiting(), W::Choice);
  }
  ASSERT_LT(frames[0], frames[2]);

  const ProcessResult whole =
      player.run({script.string(), "--new", "--headless", "--events", demoEvents.string(), "--dump-variables",
                  "--screenshot", (dir.path() / "whole.png").string()});
  ASSERT_EQ(whole.exitCode, 0) << whole.err;
  for (const std::int64_t frame : frames) {
    SCOPED_TRACE("saved at frame " + std::to_string(frame));
    const fs::path saves = dir.path() / ("saves" + std::to_string(frame));
    const fs::path saving = dir.write("save.events", withLine(demoEvents, std::to_string(frame) + " save 3"));
    const ProcessResult saved =
        player.run({script.string(), "--new", "--headless", "--events", saving.string(), "--saves",
                    saves.string(), "--frames", std::to_string(frame + 1)});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    ASSERT_TRUE(fs::exists(saves / "slot03.sav"));

    const fs::path loading = dir.write("load.events", "0 load 3\n" + shiftedEvents(demoEvents, frame));
    const fs::path shot = dir.path() / ("part" + std::to_string(frame) + ".png");
    const ProcessResult rest =
        player.run({script.string(), "--new", "--headless", "--events", loading.string(), "--saves",
                    saves.string(), "--dump-variables", "--screenshot", shot.string()});
    ASSERT_EQ(rest.exitCode, 0) << rest.err;
    EXPECT_EQ(rest.out, whole.out);
    EXPECT_EQ(test::readBytes(shot), test::readBytes(dir.path() / "whole.png")) << "the last frames differ";
  }
}

TEST(Saves, ALoadInsideATimeWaitWaitsWhatWasLeftOfIt) {
  PlayerCopy player;
  test::TempDir dir;
  // x turns 1 once the thirty frames have passed: frame 30 of a run from the start.
  const fs::path script =
      dir.write("s.tvk", test::sjisScript("＃変数宣言：x\n＃時間待機：３０\n＃式：x=1\n＃入力待機\n"));
  const fs::path saves = dir.path() / "saves";
  const fs::path save = dir.write("save.events", "12 save 2\n");
  ASSERT_EQ(player
                .run({script.string(), "--headless", "--events", save.string(), "--saves", saves.string(),
                      "--frames", "13"})
                .exitCode,
            0);
  const fs::path load = dir.write("load.events", "0 load 2\n");
  auto variablesAt = [&](int frames) {
    return player
        .run({script.string(), "--new", "--headless", "--events", load.string(), "--saves", saves.string(),
              "--frames", std::to_string(frames), "--dump-variables"})
        .out;
  };
  EXPECT_EQ(variablesAt(30 - 12 - 1), "選択結果=0\nx=0\n");
  EXPECT_EQ(variablesAt(30 - 12 + 1), "選択結果=0\nx=1\n");
}

constexpr const char* kCounting = "＃変数宣言：x\n＃式：x=1\n＃入力待機\n＃式：x=2\n＃入力待機\n＃式：x=3\n";

TEST(Saves, AnUpdatedGameLoadsItsSavesAndALostWaitCutOrFlippedSaveIsRefusedInABox) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("game/s.tvk", test::sjisScript(kCounting));
  const fs::path saves = dir.path() / "saves";
  const fs::path save = dir.write("save.events", "2 click 10 10\n8 save 1\n");
  ASSERT_EQ(player
                .run({script.string(), "--headless", "--events", save.string(), "--saves", saves.string(),
                      "--frames", "10"})
                .exitCode,
            0);
  const std::string good = test::readBytes(saves / "slot01.sav");

  // A refusal's box is answered at frame 1, and a click afterwards still plays the game.
  const fs::path load = dir.write("load.events", "0 load 1\n1 key Return\n5 click 10 10\n");
  auto play = [&](const fs::path& game, const fs::path& events) {
    return player.run({game.string(), "--new", "--headless", "--events", events.string(), "--saves",
                       saves.string(), "--frames", "12", "--dump-variables"});
  };
  const ProcessResult loaded = play(script, dir.write("good.events", "0 load 1\n5 click 10 10\n"));
  EXPECT_EQ(loaded.err, "");
  EXPECT_EQ(loaded.out, "選択結果=0\nx=3\n") << "the save was at the second wait";

  const fs::path edited =
      dir.write("game/s.tvk", test::sjisScript("＃＃ an edit\n" + std::string(kCounting)));
  const ProcessResult updated = play(edited, dir.path() / "good.events");
  EXPECT_EQ(updated.err, "");
  EXPECT_EQ(updated.out, "選択結果=0\nx=3\n") << "a line added before it leaves the wait where it was";
  {
    // The load screen tells such a save apart.
    CommandLine line = test::headlessCommandLine(edited, 1);
    line.automation.saves = saves;
    line.automation.startAfresh = true;
    const std::unique_ptr<GameApp> app = test::startHeadless(line);
    ASSERT_TRUE(app);
    const std::vector<SlotView> views =
        app->saves().slotViews(SlotScreen::Mode::Load, app->engine().states().reader());
    EXPECT_EQ(views.front().noteUtf8, "更新前のセーブ");
    EXPECT_EQ(views.front().problemUtf8, "");
  }

  // The wait the save stood at is gone from the script: the box says where it was.
  dir.write("game/s.tvk", test::sjisScript("＃変数宣言：x\n＃式：x=1\n＃入力待機\n＃式：x=2\n＃式：x=3\n"));
  const ProcessResult other = play(edited, load);
  EXPECT_EQ(other.exitCode, 0);
  EXPECT_TRUE(contains(other.err,
                       "スロット1：スクリプトが更新され、セーブした場面がなくなったので、ロードできません。\n"
                       "（更新前のs.tvkの5行目）"))
      << other.err;
  EXPECT_EQ(other.out, "選択結果=0\nx=3\n") << "the game went on from its start, and no wait stops it now";

  dir.write("game/s.tvk", test::sjisScript(kCounting));
  dir.write("saves/slot01.sav", good.substr(0, good.size() / 2));
  const ProcessResult cut = play(script, load);
  EXPECT_TRUE(contains(cut.err, "スロット1：セーブが壊れているので、ロードできません。")) << cut.err;
  EXPECT_EQ(cut.out, "選択結果=0\nx=2\n");

  std::string flipped = good;
  flipped[flipped.size() / 3] ^= 0x04;
  dir.write("saves/slot01.sav", flipped);
  const ProcessResult damaged = play(script, load);
  EXPECT_TRUE(contains(damaged.err, "スロット1：セーブが壊れているので")) << damaged.err;
  EXPECT_EQ(damaged.out, "選択結果=0\nx=2\n");

  const fs::path quick = dir.write("quick.events", "0 load 0\n1 key Return\n");
  const ProcessResult empty = player.run({script.string(), "--new", "--headless", "--events", quick.string(),
                                          "--saves", saves.string(), "--frames", "3"});
  EXPECT_TRUE(contains(empty.err, "クイックセーブ：セーブがありません。")) << empty.err;
}

TEST(Saves, AHeadlessBoxKeepsTheKeyThatAnswersItAndSaysWhatItHeldBack) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  const fs::path saves = dir.path() / "saves";
  // The Escape that closes the empty slot's report is the box's: the game never sees it and so never
  // asks to exit.
  const fs::path events = dir.write("e", "5 load 1\n40 key Escape\n");
  const ProcessResult answered = player.run({script.string(), "--headless", "--events", events.string(),
                                             "--saves", saves.string(), "--frames", "60"});
  EXPECT_EQ(answered.exitCode, 0);
  EXPECT_TRUE(contains(answered.err, "スロット1：セーブがありません。")) << answered.err;
  EXPECT_FALSE(contains(answered.err, "終了確認")) << answered.err;

  // A box at the start (the offer to continue) holds the frames it is open: what the file asks of the
  // game meanwhile is not done, and standard error says so.
  const fs::path closed = dir.write("closed", "2 click 10 10\n6 close\n");
  ASSERT_EQ(player
                .run({script.string(), "-nce", "--headless", "--events", closed.string(), "--saves",
                      saves.string()})
                .exitCode,
            0);
  ASSERT_TRUE(fs::exists(saves / "auto.sav"));
  const fs::path held = dir.write("held", "1 save 2\n3 key Return\n");
  const ProcessResult offered = player.run(
      {script.string(), "--headless", "--events", held.string(), "--saves", saves.string(), "--frames", "8"});
  EXPECT_TRUE(contains(offered.err, "frame 1: \"save 2\" came while a box was open; it was not done"))
      << offered.err;
  // An event of the frame after the one that answers it is not done either, and is told.
  const ProcessResult same = player.run({script.string(), "--new", "--headless", "--events",
                                         dir.write("same", "0 load 5\n3 key Return\n3 key Escape\n").string(),
                                         "--saves", saves.string(), "--frames", "8"});
  EXPECT_TRUE(contains(same.err, "frame 3: 1 more event(s) came after the box was answered")) << same.err;
  EXPECT_FALSE(fs::exists(saves / "slot02.sav"));
}

TEST(Saves, ASaveThatCannotBeWrittenSaysSo) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  const fs::path blocked = dir.write("file", "not a folder") / "saves";
  const fs::path events = dir.write("e", "1 save 2\n");
  const ProcessResult r = player.run({script.string(), "--headless", "--events", events.string(), "--saves",
                                      blocked.string(), "--frames", "3"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(
      contains(r.err, "セーブ\nスロット2にセーブできませんでした。前のセーブはそのまま残っています。"))
      << r.err;
}

TEST(Saves, ClosingMidwayOffersToContinueAndTheEndForgetsIt) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  const fs::path saves = dir.path() / "saves";
  auto run = [&](std::vector<std::string> extra, const std::string& events) {
    std::vector<std::string> arguments = {script.string(), "-nce",         "--headless",
                                          "--saves",       saves.string(), "--dump-variables"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    if (!events.empty()) {
      arguments.push_back("--events");
      arguments.push_back(dir.write("events", events).string());
    }
    return player.run(arguments);
  };
  // A run that reaches --frames was not closed by anyone: nothing to continue.
  run({"--frames", "5"}, "");
  EXPECT_FALSE(fs::exists(saves / "auto.sav"));

  const ProcessResult closed = run({}, "2 click 10 10\n6 close\n");
  EXPECT_EQ(closed.out, "選択結果=0\nx=2\n");
  ASSERT_TRUE(fs::exists(saves / "auto.sav"));

  const ProcessResult resumed = run({"--frames", "5"}, "");
  EXPECT_TRUE(contains(resumed.err, "再開\n前回の続きから再開しますか？")) << resumed.err;
  EXPECT_EQ(resumed.out, "選択結果=0\nx=2\n") << "OK, the default, continues";

  for (const char* fresh : {"--new", "-n"}) {
    const ProcessResult afresh = run({fresh, "--frames", "5"}, "");
    EXPECT_EQ(afresh.err, "") << fresh;
    EXPECT_EQ(afresh.out, "選択結果=0\nx=1\n") << fresh;
  }
  // Cancel starts from the beginning.
  const ProcessResult cancelled = run({"--frames", "8"}, "1 key Escape\n");
  EXPECT_EQ(cancelled.out, "選択結果=0\nx=1\n");

  const ProcessResult ended = run({"--new"}, "2 click 10 10\n6 click 10 10\n");
  EXPECT_EQ(ended.out, "選択結果=0\nx=3\n");
  EXPECT_FALSE(fs::exists(saves / "auto.sav")) << "the script's end leaves nothing to continue";
}

TEST(Rollback, TheEventsFileStepsBackAndReturnsToAHistoryEntryAlsoAfterALoad) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write(
      "s.tvk",
      test::sjisScript("＃文字レイヤー宣言：枠\n＃文字レイヤー宣言：名札\n＃文字動作宣言：文字，２，２４\n"
                       "０，Ａ，１\n＃変数宣言：x\n＃名札文字：\n澪\n"
                       "＃枠文字：\n一つ目\n＃式：x=1\n＃入力待機\n"
                       "＃枠文字：\n二つ目\n＃式：x=2\n＃入力待機\n＃式：x=3\n"));
  const fs::path saves = dir.path() / "saves";
  auto run = [&](const std::string& events) {
    return player.run({script.string(), "-nce", "--headless", "--saves", saves.string(), "--dump-variables",
                       "--frames", "10", "--events", dir.write("events", events).string()});
  };
  EXPECT_EQ(run("2 click 10 10\n6 rollback 1\n").out, "選択結果=0\nx=1\n");
  EXPECT_EQ(run("2 click 10 10\n6 history-return 0\n").out, "選択結果=0\nx=1\n")
      << "the wait after 澪 and 一つ目";
  const ProcessResult first = run("5 rollback 1\n");
  EXPECT_EQ(first.out, "選択結果=0\nx=1\n") << "nothing before the first wait";
  EXPECT_EQ(first.err, "");
  // The waits kept go with a save.
  run("2 click 10 10\n6 save 1\n");
  EXPECT_EQ(run("0 load 1\n2 rollback 1\n").out, "選択結果=0\nx=1\n");
  EXPECT_NE(run("0 rollback 0\n").exitCode, 0) << "a step back of no waits is a mistake in the file";
}

TEST(Saves, TheSaveScreenSavesWithAThumbnailAndTheLoadScreenRestores) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = kDemo / "start.tvk";
  const fs::path saves = dir.path() / "saves";
  // Slot 1 is the top left of the screen's grid.
  const fs::path save =
      dir.write("save.events", "100 click 220 322\n140 click 220 322\n180 key F2\n183 click 100 110\n");
  const ProcessResult saved = player.run({script.string(), "--new", "--headless", "--events", save.string(),
                                          "--saves", saves.string(), "--frames", "190", "--dump-variables"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  SaveProblem problem = SaveProblem::None;
  const std::optional<SaveData> slot = SaveStore(saves).read(1, &problem);
  ASSERT_TRUE(slot.has_value());
  ASSERT_EQ(slot->thumbnail.size(), static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight);
  // The thumbnail is the game, not the screen over it: the demo's night sky is dark at the top.
  EXPECT_LT(slot->thumbnail[5] & 0xFF, 0x80u);
  EXPECT_TRUE(contains(slot->text, test::sjis("星")));

  const fs::path load = dir.write("load.events", "3 key F3\n6 click 100 110\n");
  const ProcessResult loaded = player.run({script.string(), "--new", "--headless", "--events", load.string(),
                                           "--saves", saves.string(), "--frames", "10", "--dump-variables"});
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_EQ(loaded.out, saved.out);
}

// Where the slot screen puts a slot's middle when it shows that many slots, as the player lays it out
// headless.
std::pair<int, int> slotMiddle(SlotScreen::Mode mode, int slot) {
  test::OverlayRig rig;
  GraphicsDevice* device = rig.device.get();
  Overlay* overlay = rig.overlay.get();
  if (!overlay) return {-1, -1};
  std::vector<int> slots;
  for (int s = 1; s <= kSlotCount; ++s) slots.push_back(s);
  if (mode == SlotScreen::Mode::Load) slots.insert(slots.end(), {kQuickSlot, kAutoSlot});
  std::vector<SlotView> views(slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) views[i].slot = slots[i];
  SlotScreen screen(*overlay, mode, std::move(views));
  overlay->addCharacters(screen.characters());
  overlay->setContent([&] { screen.build(); });
  device->present();
  const ScreenRect r = screen.slotRect(slot);
  return {static_cast<int>((r.left + r.right) / 2), static_cast<int>((r.top + r.bottom) / 2)};
}

TEST(Saves, TheSlotScreensHighlightWhatReturnTakesAskBeforeOverwritingOrDeletingAndListTheQuickSave) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  const fs::path saves = dir.path() / "saves";
  auto at = [](SlotScreen::Mode mode, int slot) {
    const auto [x, y] = slotMiddle(mode, slot);
    return std::to_string(x) + " " + std::to_string(y);
  };
  const std::string saveSlot1 = at(SlotScreen::Mode::Save, 1), saveSlot2 = at(SlotScreen::Mode::Save, 2);
  auto play = [&](const std::string& events) {
    return player.run({script.string(), "--new", "--headless", "--events", dir.write("e", events).string(),
                       "--saves", saves.string(), "--frames", "16", "--dump-variables"});
  };
  // The pointer over slot 2 takes the highlight from slot 1: Return saves there.
  play("2 click 10 10\n6 save 1\n8 key F2\n10 move " + saveSlot2 + "\n12 key Return\n");
  EXPECT_TRUE(fs::exists(saves / "slot02.sav")) << "Return saved where the highlight was not";
  const std::string first = test::readBytes(saves / "slot01.sav");
  ASSERT_FALSE(first.empty());

  // A used slot is not written over without asking; No keeps it and the screen.
  ProcessResult r = play("2 key F2\n4 move " + saveSlot1 + "\n6 key Return\n8 key Escape\n10 key Escape\n");
  EXPECT_TRUE(contains(r.err, "スロット1のセーブに上書きしますか？")) << r.err;
  EXPECT_EQ(test::readBytes(saves / "slot01.sav"), first);

  // Delete asks, on Cancel first; OK removes.
  const std::string loadSlot2 = at(SlotScreen::Mode::Load, 2);
  r = play("2 key F3\n4 move " + loadSlot2 + "\n6 key Delete\n8 key Return\n10 key Escape\n");
  EXPECT_TRUE(contains(r.err, "スロット2のセーブを削除しますか？")) << r.err;
  EXPECT_TRUE(fs::exists(saves / "slot02.sav")) << "Return deleted the save";
  play("2 key F3\n4 move " + loadSlot2 + "\n6 key Delete\n8 key Left\n9 key Return\n11 key Escape\n");
  EXPECT_FALSE(fs::exists(saves / "slot02.sav"));
  EXPECT_TRUE(fs::exists(saves / "slot01.sav"));

  // The quick save is on the load screen.
  r = play("2 save 0\n4 click 10 10\n8 key F3\n10 move " + at(SlotScreen::Mode::Load, kQuickSlot) +
           "\n12 key Return\n");
  EXPECT_EQ(r.out, "選択結果=0\nx=1\n") << "the quick save was not loaded: " << r.err;
}

TEST(Saves, TheSettingsScreenChangesAndKeepsTheVolumes) {
  PlayerCopy player;
  test::TempDir dir;
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  const fs::path events =
      dir.write("e",
                "2 key F4\n4 key Down\n6 key Left\n8 key Left\n10 key Return\n12 key Escape\n14 key F4\n"
                "16 key Down\n18 key Down\n20 key Down\n22 key Right\n24 key Escape\n");
  const ProcessResult r =
      player.run({script.string(), "--headless", "--events", events.string(), "--frames", "30"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string ini = test::readBytes(player.configHome() / "tavrik" / "player.ini");
  EXPECT_TRUE(contains(ini, "MusicVolume=80")) << ini;
  EXPECT_TRUE(contains(ini, "MusicMuted=1")) << ini;
  EXPECT_TRUE(contains(ini, "AutoPauseMs=1750")) << ini;
  EXPECT_TRUE(contains(ini, "MasterVolume=100")) << ini;
  EXPECT_FALSE(contains(test::readBytes(player.binDir() / "tavrik.ini"), "Volume"))
      << "tavrik.ini keeps its one line";
}

TEST(Skip, CtrlReachesTheDemosFirstChoiceInATenthOfTheFrames) {
  test::TempDir dir;
  const fs::path script = kDemo / "start.tvk";
  using W = ScriptEngine::Waiting;
  std::unique_ptr<GameApp> played = startInProcess(script, dir.path() / "a", kDemo / "demo.events");
  ASSERT_TRUE(played);
  played->frame().run([&] { return played->engine().waiting() == W::Choice; });
  const std::int64_t unskipped = played->frame().framesRun();

  std::unique_ptr<GameApp> skipped = startInProcess(script, dir.path() / "b");
  ASSERT_TRUE(skipped);
  WindowEvent ctrl;
  ctrl.type = WindowEvent::Type::KeyDown;
  ctrl.key = Key::LeftCtrl;
  skipped->frame().handleEvent(ctrl);
  EXPECT_FALSE(skipped->playback().skipping()) << "a brush of Ctrl skips nothing";
  skipped->frame().run([&] { return skipped->frame().framesRun() > Playback::kSkipDelayFrames; });
  EXPECT_TRUE(skipped->playback().skipping()) << "Ctrl held skips";
  skipped->frame().run(
      [&] { return skipped->engine().waiting() == W::Choice || skipped->frame().framesRun() > unskipped; });
  ASSERT_EQ(skipped->engine().waiting(), W::Choice);
  EXPECT_LE(skipped->frame().framesRun() * 10, unskipped)
      << skipped->frame().framesRun() << " of " << unskipped;
  EXPECT_FALSE(skipped->playback().skipping()) << "skipping stops at a choice";
  // The choice is not taken for the player.
  skipped->frame().run([&] { return skipped->frame().framesRun() >= 100; });
  EXPECT_EQ(skipped->engine().waiting(), W::Choice);
  // A save made there is summed up by what was said, not by the caption of a button shown after it.
  ASSERT_TRUE(skipped->saveSlot(1));
  SaveProblem problem = SaveProblem::None;
  const std::optional<SaveData> save = SaveStore(dir.path() / "b").read(1, &problem);
  ASSERT_TRUE(save.has_value());
  EXPECT_TRUE(contains(save->text, test::sjis("どちらへ行こうか。"))) << sjisToUtf8(save->text);
}

TEST(Skip, SkippingOnlyWhatWasReadStopsAtTheFirstUnreadWait) {
  test::TempDir dir;
  const fs::path script = kDemo / "start.tvk";
  const fs::path saves = dir.path() / "saves";
  const fs::path skipOn = dir.write("skip.events", "0 skip on\n");
  using W = ScriptEngine::Waiting;
  std::int32_t firstWait = -1;
  {
    std::unique_ptr<GameApp> app = startInProcess(script, saves, skipOn);
    ASSERT_TRUE(app);
    if (!app->playback().readOnlySkip()) app->frame().runCommand(kCommandReadSkip);
    app->frame().run([&] { return app->frame().framesRun() >= 200; });
    EXPECT_EQ(app->engine().waiting(), W::Input) << "a fresh record: the first wait is unread";
    EXPECT_FALSE(app->playback().skipping());
    firstWait = app->engine().programCounter();
    app->finish({});
  }
  // Played through with clicks: the waits passed are recorded beside the saves.
  {
    std::unique_ptr<GameApp> app = startInProcess(script, saves, kDemo / "demo.events");
    ASSERT_TRUE(app);
    app->frame().run();
    app->finish({});
  }
  std::unique_ptr<GameApp> app = startInProcess(script, saves, skipOn);
  ASSERT_TRUE(app);
  EXPECT_TRUE(app->playback().readOnlySkip()) << "the choice is remembered";
  app->frame().run([&] { return !app->playback().skipping() || app->frame().framesRun() >= 200; });
  EXPECT_NE(app->engine().programCounter(), firstWait) << "the read wait was skipped";
  EXPECT_LT(app->frame().framesRun(), 100);
  // The other tests of this process play with every wait skipped.
  app->frame().runCommand(kCommandReadSkip);
  EXPECT_FALSE(app->playback().readOnlySkip());
}

TEST(Auto, AnswersAWaitOnlyAfterTheTypingAndThePause) {
  test::TempDir dir;
  // Ten characters three frames apart: the last starts 27 frames after the first. The pause is then
  // 1.5 s + 10 x 0.05 s, 120 frames.
  const fs::path script = dir.write(
      "s.tvk",
      test::sjisScript(
          "＃変数宣言：x\n＃文字レイヤー宣言：枠\n＃文字動作宣言：t，３，２４\n０，Ａ，１\n０，END，０\n"
          "＃枠t：\n0123456789\n＃入力待機\n＃式：x=1\n＃入力待機\n"));
  auto framesUntilAnswered = [&](const std::string& events) {
    std::unique_ptr<GameApp> app = startInProcess(script, dir.path() / "saves", dir.write("e", events), 600);
    if (!app) return std::int64_t{-1};
    app->frame().run([&] { return app->engine().variables()[1] == 1.0f; });
    return app->engine().variables()[1] == 1.0f ? app->frame().framesRun() : std::int64_t{-1};
  };
  const std::int64_t answered = framesUntilAnswered("0 auto on\n");
  EXPECT_GE(answered, 27 + 120);
  EXPECT_LE(answered, 27 + 120 + 3);
  EXPECT_EQ(framesUntilAnswered(""), -1) << "without auto mode the wait waits";
  EXPECT_EQ(framesUntilAnswered("0 auto on\n50 key Tab\n"), -1) << "a key leaves auto mode";
  EXPECT_EQ(framesUntilAnswered("0 auto on\n50 auto off\n"), -1);
}

TEST(History, AfterTheDemosFirstSceneHoldsItsLinesInOrderAndShowsThem) {
  test::TempDir dir;
  const fs::path script = kDemo / "start.tvk";
  std::unique_ptr<GameApp> app = startInProcess(script, dir.path() / "saves", kDemo / "demo.events", 185);
  ASSERT_TRUE(app);
  app->frame().run();
  const auto& entries = app->engine().history().entries();
  ASSERT_GE(entries.size(), 2u);
  // In the order the program shows them: its text commands from the start.
  const Program& program = app->engine().program();
  std::vector<std::string> shown;
  for (std::size_t i = 0; i < program.code.size() && shown.size() < entries.size(); ++i) {
    if (const auto* text = std::get_if<ShowTextCommand>(&program.commandAt(i)))
      shown.push_back(program.text(text->text));
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::string expected = shown[i];
    std::erase(expected, '\r');
    EXPECT_EQ(entries[i].text(), expected) << i;
  }

  PlayerCopy player;
  const fs::path events = dir.write("e", "100 click 220 322\n140 click 220 322\n180 key PageUp\n");
  const fs::path shot = dir.path() / "history.png";
  ASSERT_EQ(player
                .run({script.string(), "--new", "--headless", "--events", events.string(), "--frames", "185",
                      "--screenshot", shot.string()})
                .exitCode,
            0);
  const std::optional<DecodedImage> decoded = decodeImageFile(shot);
  ASSERT_TRUE(decoded.has_value());
  const DecodedImage& picture = *decoded;
  ASSERT_EQ(picture.width, 800);
  // The history's dark page fills the middle, and the text on it is light.
  int page = 0, light = 0;
  for (int y = 40; y < 400; ++y) {
    for (int x = 30; x < 760; ++x) {
      const std::uint32_t p = picture.pixels[static_cast<std::size_t>(y) * 800 + x];
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (r < 40 && g < 45 && b < 70) ++page;
      if (r > 200 && g > 200 && b > 200) ++light;
    }
  }
  EXPECT_GT(page, 730 * 360 / 2);
  EXPECT_GT(light, 300);
}

TEST(KillWhileSavingGames, EverySlotHoldsTheOldSaveOrTheNewOne) {
  test::TempDir dir;
  const SaveStore store(dir.path() / "saves");
  // Two real saves of one program, to be written in turn.
  const fs::path script = dir.write("s.tvk", test::sjisScript(kCounting));
  std::vector<std::vector<std::uint8_t>> states;
  {
    std::unique_ptr<GameApp> app =
        startInProcess(script, dir.path() / "x", dir.write("e", "2 click 10 10\n"), 100);
    ASSERT_TRUE(app);
    app->frame().run([&] { return app->frame().framesRun() >= 1; });
    states.push_back(app->engine().states().save());
    app->frame().run([&] { return app->frame().framesRun() >= 6; });
    states.push_back(app->engine().states().save());
  }
  ASSERT_NE(states[0], states[1]);
  std::vector<SaveData> saves(2);
  for (int i = 0; i < 2; ++i) {
    saves[i].time = i;
    saves[i].state = states[i];
    saves[i].thumbnail.assign(static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight, 0xFF000000u + i);
  }
  const CompileResult compiled = compileScript(*paths::fromNative(script.string()));
  ASSERT_TRUE(compiled.program);

  // Both slots hold a save before the first kill: a slot must never lose it.
  ASSERT_TRUE(store.write(1, saves[0]));
  ASSERT_TRUE(store.write(kQuickSlot, saves[1]));
  std::mt19937 random(20261208);
  int changed = 0;
  std::int64_t last = 0;
  for (int round = 0; round < 200; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (unsigned i = 0;; ++i) {
        store.write(1, saves[i % 2]);
        store.write(kQuickSlot, saves[(i + 1) % 2]);
      }
    }
    ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(500, 40000)(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int slot : {1, kQuickSlot}) {
      SaveProblem problem = SaveProblem::None;
      const std::optional<SaveData> back = store.read(slot, &problem);
      ASSERT_TRUE(back.has_value()) << "round " << round << " slot " << slot;
      ASSERT_TRUE(back->time == 0 || back->time == 1);
      EXPECT_EQ(back->state, states[static_cast<std::size_t>(back->time)]);
      EXPECT_TRUE(decodeState(back->state, *compiled.program).state.has_value());
      if (slot == 1) {
        changed += back->time != last;
        last = back->time;
      }
    }
  }
  // (A sanitised build writes far more slowly: a few whole saves between kills are enough.)
  EXPECT_GE(changed, 5) << "the kills came between saves as well as during them";
  // The next start clears what the killed writers left beside the slots.
  for (int slot : {1, kQuickSlot}) removeStaleTemporaryFiles(store.slotFile(slot));
  for (const auto& e : fs::directory_iterator(store.folder()))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

}  // namespace
}  // namespace tavrik
