// Skipping and auto mode as the keys and the events file drive them, without a game.
#include "app/playback.h"

#include <gtest/gtest.h>

#include "app/font_choice.h"
#include "app/save_store.h"
#include "app/settings.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

WindowEvent key(Key k, bool down = true) {
  WindowEvent e;
  e.type = down ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
  e.key = k;
  return e;
}

TEST(Playback, CtrlSkipsOnceHeldAndAShortcutWithItStopsTheSkip) {
  Playback playback;
  playback.see(key(Key::LeftCtrl));
  for (int i = 0; i < Playback::kSkipDelayFrames - 1; ++i) playback.frameStarted();
  EXPECT_FALSE(playback.skipping()) << "a brush of Ctrl skips nothing";
  playback.frameStarted();
  EXPECT_TRUE(playback.skipping());
  playback.see(key(Key::R));
  EXPECT_FALSE(playback.skipping()) << "Ctrl+R is a shortcut, not a skip";
  playback.see(key(Key::LeftCtrl, false));
  playback.see(key(Key::LeftCtrl));
  for (int i = 0; i < Playback::kSkipDelayFrames; ++i) playback.frameStarted();
  EXPECT_TRUE(playback.skipping()) << "pressed again, Ctrl skips again";
  WindowEvent blur;
  blur.type = WindowEvent::Type::FocusLost;
  playback.see(blur);
  EXPECT_FALSE(playback.skipping()) << "a key let go in another window is let go";
}

TEST(Playback, ReadOnlySkipAnswersOnlyTheWaitsPassedBefore) {
  Playback playback;
  SeenWaits seen;
  seen.add(7);
  playback.setSkip(true);
  EXPECT_TRUE(playback.answers(7, seen));
  EXPECT_TRUE(playback.answers(9, seen));
  playback.setReadOnlySkip(true);
  EXPECT_TRUE(playback.answers(7, seen));
  EXPECT_FALSE(playback.answers(9, seen));
  playback.setAutoMode(true);
  playback.stopForLoad();
  EXPECT_FALSE(playback.skipping() || playback.autoMode()) << "a loaded game starts still";
}

TEST(Playback, AnyKeyOrClickButTheAutoModesOwnLeavesIt) {
  Playback playback;
  playback.setAutoMode(true);
  EXPECT_FALSE(playback.leavesAutoMode(key(Key::A)));
  EXPECT_FALSE(playback.leavesAutoMode(key(Key::LeftCtrl)));
  EXPECT_TRUE(playback.leavesAutoMode(key(Key::Space)));
  WindowEvent click;
  click.type = WindowEvent::Type::ButtonDown;
  EXPECT_TRUE(playback.leavesAutoMode(click));
}

TEST(FontChoice, TheSavedFaceIsChosenAndKeptForTheNextRun) {
  test::TempDir dir;
  const auto file = dir.path() / "tavrik.ini";
  ASSERT_TRUE(writeFontSetting(file, "B"));
  FontChoice choice({"A", "B", "C"}, file);
  EXPECT_EQ(choice.face(), "B");
  EXPECT_FALSE(choice.choose(3)) << "no such face";
  EXPECT_EQ(choice.face(), "B");
  ASSERT_TRUE(choice.choose(2));
  const std::vector<MenuItem> items = choice.menuItems(1000);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[2].checked && !items[1].checked);
  EXPECT_EQ(items[2].command, 1002);
  choice.save();
  EXPECT_EQ(FontChoice({"A", "B", "C"}, file).face(), "C");
}

}  // namespace
}  // namespace tavrik
