#include "app/game_app.h"

#include <gtest/gtest.h>

#include "base/script_path.h"
#include "scene/text_layer.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using test::sjis;

TEST(GameApp, ChoosesArgumentOneThenTheModuleDirectoryThenTheDefault) {
  test::TempDir dir;
  dir.write("module/credit/credit.tvk", "");
  dir.write("module/games/a.tvk", "");
  dir.write("here.tvk", "");
  const std::string module = test::scriptPath(dir.path() / "module") + "\\";

  EXPECT_EQ(locateScript({"tavrik"}, module).path, module + "credit\\credit.tvk");
  const std::string here = (dir.path() / "here.tvk").string();
  EXPECT_EQ(locateScript({"tavrik", here}, module).path, test::scriptPath(here));
  EXPECT_EQ(locateScript({"tavrik", "games/a.tvk"}, module).path, module + "games\\a.tvk");

  const ScriptLocation missing = locateScript({"tavrik", "games/b.tvk"}, module);
  EXPECT_FALSE(missing.path.has_value());
  EXPECT_EQ(missing.error,
            (dir.path() / "module/games/b.tvk").string() + "というスクリプトファイルは見つかりません。");

  const std::string emptyModule = test::scriptPath(dir.path() / "games") + "\\";
  const ScriptLocation noDefault = locateScript({"tavrik"}, emptyModule);
  EXPECT_FALSE(noDefault.path.has_value());
  EXPECT_EQ(noDefault.error, "スクリプトファイルを指定してください。");
}

// Runs the player in this process, headless, and tells how many frames it ran.
std::int64_t framesPlayed(const std::string& utf8Script, const std::string& events,
                          long long frameLimit = 1000) {
  test::TempDir dir;
  const auto script = dir.write("s.tvk", test::sjisScript(utf8Script));
  const auto eventsFile = dir.write("events.txt", events);
  CommandLine cl = test::headlessCommandLine(script, frameLimit);
  cl.automation.events = eventsFile;
  std::unique_ptr<GameApp> app = test::startHeadless(cl);
  if (!app) return -1;
  app->frame().run();
  return app->frame().framesRun();
}

TEST(GameApp, EventsOfAFrameArriveBeforeItsUpdate) {
  // The press lands at frame 4, and the wait sees it in that same frame: five frames in all.
  EXPECT_EQ(framesPlayed("＃入力待機", "3 click 10 10\n"), 5);
  EXPECT_EQ(framesPlayed("＃入力待機", "0 down left\n"), 1000)
      << "a button held from the start is no new press";
  EXPECT_EQ(framesPlayed("＃入力待機", "0 down left\n7 up left\n9 key Return\n"), 10);
  EXPECT_EQ(framesPlayed("＃入力待機", "6 close\n"), 6) << "the close takes effect before frame 6 runs";
}

TEST(GameApp, TheScriptsEndClosesTheWindowAfterThatFrame) {
  EXPECT_EQ(framesPlayed("＃時間待機：９", ""), 10);
  EXPECT_EQ(framesPlayed("", ""), 1);
  EXPECT_EQ(framesPlayed("＃入力待機", "", 25), 25);
}

}  // namespace
}  // namespace tavrik

namespace tavrik {
namespace {

TEST(GameApp, FontMenuLabelsHaveAccessKeysForTheFirstTwentySix) {
  EXPECT_EQ(fontMenuLabel(test::sjis("IPAゴシック"), 0), "IPAゴシック(&A)");
  EXPECT_EQ(fontMenuLabel("Face", 25), "Face(&Z)");
  EXPECT_EQ(fontMenuLabel("Face", 26), "Face") << "the 27th face has no access key";
  EXPECT_EQ(displayLabel("システム(&S)"), "システム(S)");
}

TEST(GameApp, AFontCommandMovesTheCheckAndLaysTheTextOutAgain) {
  test::TempDir dir;
  const auto script =
      dir.write("s.tvk", test::sjisScript("＃文字レイヤー宣言：枠\n＃文字動作宣言：標準，０，２４\n"
                                          "０，Ａ，１\n＃枠標準：\niiii\n＃入力待機\n"));
  std::unique_ptr<GameApp> app = test::startHeadless(test::headlessCommandLine(script, 5));
  ASSERT_TRUE(app);
  // A fixed-pitch face and a proportional one, wherever the menu lists them.
  const std::vector<MenuItem>& faces = app->menus()[2].items;
  auto itemOf = [&](const std::string& face) {
    return static_cast<int>(std::find_if(faces.begin(), faces.end(),
                                         [&](const MenuItem& item) {
                                           return item.label.rfind(face + "(", 0) == 0 || item.label == face;
                                         }) -
                            faces.begin());
  };
  auto selected = [&] {
    const auto& items = app->menus()[2].items;
    return static_cast<int>(
        std::find_if(items.begin(), items.end(), [](const MenuItem& item) { return item.checked; }) -
        items.begin());
  };
  const int fixed = itemOf("IPAゴシック"), proportional = itemOf("IPA Pゴシック");
  ASSERT_TRUE(fixed < static_cast<int>(faces.size()) && proportional < static_cast<int>(faces.size()))
      << "the test fonts are installed";
  const auto& menus = app->menus();
  ASSERT_EQ(menus.size(), 4u);
  EXPECT_EQ(menus[0].label, "システム(&S)");
  EXPECT_EQ(menus[0].items[0].command, kCommandExit);
  EXPECT_EQ(menus[1].items[0].label, "フルスクリーン/ウィンドウ切り替え(&F)");
  EXPECT_EQ(menus[3].items[1].label, "バージョン情報(&V)");
  EXPECT_LT(selected(), static_cast<int>(faces.size())) << "one face is checked";
  app->frame().run();
  auto& layer = static_cast<TextLayer&>(app->engine().layer(0));
  app->frame().runCommand(kCommandFontBase + fixed);
  const int cellBefore = layer.characters()[1].cellX;

  const int other = proportional;
  app->frame().runCommand(kCommandFontBase + other);
  EXPECT_EQ(selected(), other);
  int checks = 0;
  for (const MenuItem& item : app->menus()[2].items) checks += item.checked ? 1 : 0;
  EXPECT_EQ(checks, 1);
  EXPECT_TRUE(app->menus()[2].items[static_cast<std::size_t>(other)].checked);
  EXPECT_LT(layer.characters()[1].cellX, cellBefore) << "a proportional i is narrower";
  EXPECT_EQ(app->engine().fonts().face(), test::sjis("IPA Pゴシック"));
  // An id past the list is no font command and changes nothing.
  app->frame().runCommand(kCommandFontBase + static_cast<int>(faces.size()));
  EXPECT_EQ(selected(), other);
}

}  // namespace
}  // namespace tavrik
