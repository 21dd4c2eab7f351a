// What the player does for authors: going straight to a line, playing the script again after an edit
// (to the same wait, choices and all), a script error after an edit shown over a game that goes on, the
// debug view, and the watch on the script files.
#include <gtest/gtest.h>

#include <fstream>

#include "app/game_app.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"
#include "platform/file_watch.h"
#include "platform/image_decoder.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using W = ScriptEngine::Waiting;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";

// A copy of the demo that a test may edit.
fs::path demoCopy(const test::TempDir& dir) {
  const fs::path copy = dir.path() / "demo";
  fs::copy(kDemo, copy, fs::copy_options::recursive);
  return copy;
}

std::unique_ptr<GameApp> start(const fs::path& script, const fs::path& saves,
                               std::vector<std::string> extra = {},
                               const std::optional<fs::path>& events = std::nullopt) {
  CommandLine cl = test::headlessCommandLine(script, 100000, extra);
  cl.automation.saves = saves;
  cl.automation.startAfresh = true;
  cl.automation.events = events;
  return test::startHeadless(cl);
}

// Replaces the first occurrence of a line's text (UTF-8) in a Shift-JIS script.
void edit(const fs::path& script, const std::string& from, const std::string& to) {
  std::string bytes = test::readBytes(script);
  const std::string old = test::sjis(from);
  const std::size_t at = bytes.find(old);
  ASSERT_NE(at, std::string::npos) << from;
  bytes.replace(at, old.size(), test::sjis(to));
  std::ofstream(script, std::ios::binary | std::ios::trunc) << bytes;
}

std::string lastText(GameApp& app) {
  const auto& entries = app.engine().history().entries();
  return entries.empty() ? std::string() : sjisToUtf8(entries.back().text());
}

TEST(Goto, FastForwardsToTheFirstInputWaitAtOrAfterTheLine) {
  test::TempDir dir;
  // Line 40 of the demo's start is in the second scene of talk; its wait (a macro's) is on line 47.
  std::unique_ptr<GameApp> app = start(kDemo / "start.tvk", dir.path() / "saves", {"--goto", "start.tvk:40"});
  ASSERT_TRUE(app);
  EXPECT_TRUE(app->authoring().fastForwarding());
  app->frame().run([&] { return !app->authoring().fastForwarding(); });
  EXPECT_LT(app->frame().framesRun(), 5);
  ASSERT_EQ(app->engine().waiting(), W::Input);
  const SourceLine site =
      app->engine().program().siteAt(static_cast<std::size_t>(app->engine().programCounter()));
  EXPECT_EQ(site.file, 0);
  EXPECT_EQ(site.line + 1, 47);
  EXPECT_TRUE(lastText(*app).starts_with("遅くなってごめん。")) << lastText(*app);
  // Then the game plays on as ever: the wait waits.
  app->frame().run([&] { return app->frame().framesRun() >= 60; });
  EXPECT_EQ(app->engine().waiting(), W::Input);

  // A file of the game given by its path, with a line in an inserted file.
  std::unique_ptr<GameApp> inserted = start(kDemo / "start.tvk", dir.path() / "saves2",
                                            {"--goto", (kDemo / "scenes" / "ending.tvk").string() + ":1"});
  ASSERT_TRUE(inserted);
  EXPECT_TRUE(inserted->authoring().fastForwarding());
}

TEST(Goto, AFileThatIsNotTheGamesIsAStartUpError) {
  test::PlayerCopy player;
  const test::ProcessResult r =
      player.run({(kDemo / "start.tvk").string(), "--headless", "--goto", "other.tvk:3", "--frames", "3"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("other.tvkはこのゲームのスクリプトファイルではありません。"), std::string::npos)
      << r.err;
  for (const char* bad : {"start.tvk", "start.tvk:0", "start.tvk:x", ":4"}) {
    const test::ProcessResult malformed =
        player.run({(kDemo / "start.tvk").string(), "--headless", "--goto", bad});
    EXPECT_EQ(malformed.exitCode, 2) << bad;
  }
}

TEST(Reload, AnEditShowsAtTheSameWaitAndAnErrorLeavesTheGameGoing) {
  test::TempDir dir;
  const fs::path game = demoCopy(dir);
  std::unique_ptr<GameApp> app = start(game / "start.tvk", dir.path() / "saves", {}, kDemo / "demo.events");
  ASSERT_TRUE(app);
  // Played past the first choice and into the talk after it.
  app->frame().run([&] {
    return app->engine().waiting() == W::Input && lastText(*app).starts_with("町は") &&
           app->frame().framesRun() > 470;
  });
  ASSERT_EQ(app->engine().waiting(), W::Input);
  const std::vector<float> variables = app->engine().variables();
  const std::int32_t at = app->engine().programCounter();
  const std::string shown = lastText(*app);
  ASSERT_TRUE(shown.starts_with("町は明るいよ。")) << shown;

  edit(game / "scenes" / "choice.tvk", "町は明るいよ。", "町はにぎやかだよ。");
  ASSERT_TRUE(app->authoring().reload());
  EXPECT_FALSE(app->authoring().fastForwarding()) << "the replay reached the wait in the reload itself";
  EXPECT_EQ(app->engine().waiting(), W::Input);
  EXPECT_EQ(app->engine().programCounter(), at);
  EXPECT_EQ(app->engine().variables(), variables) << "the same choices were made on the way";
  EXPECT_TRUE(lastText(*app).starts_with("町はにぎやかだよ。")) << lastText(*app);
  EXPECT_TRUE(app->authoring().notice().empty());

  // A mistake: the report is shown, and the game goes on as it was.
  edit(game / "scenes" / "choice.tvk", "＃選択待機", "＃選択待った");
  EXPECT_FALSE(app->authoring().reload());
  EXPECT_NE(app->authoring().notice().find("choice.tvk"), std::string::npos) << app->authoring().notice();
  EXPECT_EQ(app->engine().programCounter(), at);
  app->frame().run([&] { return app->frame().framesRun() >= 560; });
  EXPECT_NE(app->engine().programCounter(), at) << "the game's clicks still play it";

  // Fixed again: the notice goes.
  edit(game / "scenes" / "choice.tvk", "＃選択待った", "＃選択待機");
  EXPECT_TRUE(app->authoring().reload());
  EXPECT_TRUE(app->authoring().notice().empty());
}

TEST(Reload, AScriptGoneOrWithoutCommandsIsToldPlainlyAndTheGameGoesOn) {
  test::TempDir dir;
  const fs::path script = dir.write("game.tvk", test::sjisScript("＃入力待機\n＃入力待機\n"));
  std::unique_ptr<GameApp> app = start(script, dir.path() / "saves");
  ASSERT_TRUE(app);
  app->frame().run([&] { return app->frame().framesRun() >= 3; });
  // Gone: the report names the file and no line of it.
  fs::remove(script);
  EXPECT_FALSE(app->authoring().reload());
  EXPECT_EQ(app->authoring().notice(), "スクリプト「" + script.string() + "」が見つかりません。")
      << app->authoring().notice();
  // Comments alone: nothing to play, and it says so rather than that the file is empty.
  dir.write("game.tvk", test::sjisScript("＃＃ only a comment\n"));
  EXPECT_FALSE(app->authoring().reload());
  EXPECT_NE(app->authoring().notice().find("」には命令がありません。"), std::string::npos)
      << app->authoring().notice();
  EXPECT_EQ(app->engine().waiting(), W::Input) << "the game goes on";
}

TEST(Reload, AtAChoiceComesBackToThatChoice) {
  test::TempDir dir;
  const fs::path game = demoCopy(dir);
  std::unique_ptr<GameApp> app = start(game / "start.tvk", dir.path() / "saves", {}, kDemo / "demo.events");
  ASSERT_TRUE(app);
  // The second time the demo asks: one choice made before it.
  app->frame().run([&] {
    return app->engine().waiting() == W::Choice && app->engine().variable(test::sjis("周回")) == 1.0f;
  });
  ASSERT_EQ(app->engine().waiting(), W::Choice);
  const std::int32_t at = app->engine().programCounter();
  const std::vector<float> variables = app->engine().variables();
  edit(game / "scenes" / "choice.tvk", "どちらへ行こうか。", "さて、どちらへ行こうか。");
  ASSERT_TRUE(app->authoring().reload());
  EXPECT_FALSE(app->authoring().fastForwarding());
  EXPECT_EQ(app->engine().waiting(), W::Choice);
  EXPECT_EQ(app->engine().programCounter(), at);
  EXPECT_EQ(app->engine().variables(), variables);
}

TEST(Reload, BeforeTheFirstWaitStartsAgainAndAfterALoadGoesToTheWaitsLine) {
  test::TempDir dir;
  const fs::path game = demoCopy(dir);
  const fs::path saves = dir.path() / "saves";
  std::unique_ptr<GameApp> app = start(game / "start.tvk", saves, {}, kDemo / "demo.events");
  ASSERT_TRUE(app);
  app->frame().run([&] { return app->frame().framesRun() >= 5; });
  ASSERT_TRUE(app->authoring().reload());
  EXPECT_FALSE(app->authoring().fastForwarding());
  EXPECT_TRUE(app->engine().history().empty()) << "from the start";

  app->frame().run([&] { return app->engine().waiting() == W::Input && app->frame().framesRun() > 250; });
  const std::int32_t at = app->engine().programCounter();
  ASSERT_TRUE(app->saveSlot(4));
  ASSERT_TRUE(app->loadSlot(4));
  ASSERT_TRUE(app->authoring().reload());
  app->frame().run([&] { return !app->authoring().fastForwarding(); });
  EXPECT_EQ(app->engine().programCounter(), at);
}

TEST(Reload, CtrlAndRReloadByHand) {
  test::TempDir dir;
  // t counts the frames since the script started.
  const fs::path script =
      dir.write("s.tvk", test::sjisScript("＃変数宣言：t\n＃ループ\n＃式：t＋＝１\n＃時間待機：１\n"
                                          "＃ループ終了：t＜１００００\n"));
  auto counted = [&](const std::string& events) {
    std::unique_ptr<GameApp> app = start(script, dir.path() / "saves", {}, dir.write("e", events));
    if (!app) return -1.0f;
    app->frame().run([&] { return app->frame().framesRun() >= 40; });
    return app->engine().variables()[1];
  };
  const float plain = counted("10 keydown Left_Ctrl\n30 keyup Left_Ctrl\n");
  const float reloaded = counted("10 keydown Left_Ctrl\n11 key R\n30 keyup Left_Ctrl\n");
  EXPECT_GT(plain, 100.0f) << "Ctrl held skips";
  // Started again at frame 11, and Ctrl taken for the shortcut skipped nothing.
  EXPECT_EQ(reloaded, 40.0f - 11.0f);
}

TEST(DebugView, ShowsOverTheGameWhenOfferedAndEditsAVariable) {
  test::TempDir dir;
  std::unique_ptr<GameApp> own = start(kDemo / "start.tvk", dir.path() / "a");
  ASSERT_TRUE(own);
  // The demo is outside the player's folder (the test binary's): offered without asking.
  EXPECT_TRUE(own->debug().offered());

  test::PlayerCopy player;
  const fs::path credit = player.binDir() / "credit" / "credit.tvk";
  const fs::path shot = dir.path() / "plain.png", debug = dir.path() / "debug.png";
  const fs::path events = dir.write("f12", "3 key F12\n");
  // The player's own game offers it only with --debug: F12 does nothing without.
  ASSERT_EQ(player
                .run({credit.string(), "--headless", "--events", events.string(), "--frames", "8",
                      "--screenshot", shot.string()})
                .exitCode,
            0);
  ASSERT_EQ(player
                .run({credit.string(), "--debug", "--headless", "--events", events.string(), "--frames", "8",
                      "--screenshot", debug.string()})
                .exitCode,
            0);
  const std::optional<DecodedImage> plain = decodeImageFile(shot), shown = decodeImageFile(debug);
  ASSERT_TRUE(plain && shown);
  int differing = 0;
  for (std::size_t i = 0; i < plain->pixels.size(); ++i) differing += plain->pixels[i] != shown->pixels[i];
  EXPECT_GT(differing, 20000) << "the view is drawn over the game";

  // The view's own edit goes to the variable (the window test types it in).
  own->engine().setVariable(1, 42.0f);
  EXPECT_EQ(own->engine().variables()[1], 42.0f);
}

TEST(FileWatch, TellsOfAWriteOrAReplacementOfAWatchedFileOnly) {
  test::TempDir dir;
  const fs::path watched = dir.write("game/a.tvk", "one");
  dir.write("game/other.txt", "x");
  FileWatch watch({watched});
  ASSERT_TRUE(watch.watching());
  EXPECT_FALSE(watch.changed());
  dir.write("game/other.txt", "y");
  EXPECT_FALSE(watch.changed()) << "another file of the folder";
  dir.write("game/a.tvk", "two");
  EXPECT_TRUE(watch.changed());
  EXPECT_FALSE(watch.changed()) << "told once";
  // An editor that writes a new file and renames it over the old one.
  dir.write("game/a.tvk.new", "three");
  fs::rename(dir.path() / "game/a.tvk.new", watched);
  EXPECT_TRUE(watch.changed());
  EXPECT_FALSE(FileWatch({dir.path() / "missing" / "b.tvk"}).watching());
}

}  // namespace
}  // namespace tavrik
