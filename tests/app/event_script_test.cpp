#include "app/event_script.h"

#include <gtest/gtest.h>

#include "app/player_commands.h"

namespace tavrik {
namespace {

using T = WindowEvent::Type;

TEST(EventScript, ReadsEveryKindOfEvent) {
  std::string error;
  const auto script = EventScript::parse(
      "# a comment\n"
      "0 move 10 20\n"
      "1 down right   # trailing comment\r\n"
      "\n"
      "2 up middle\n"
      "3 click 5 6\n"
      "4 keydown Return\n"
      "4 keyup Escape\n"
      "7 key F1\n"
      "9 command 1000\n"
      "9 command quick-save\n"
      "10 close\n"
      "11 up back\n",
      &error);
  ASSERT_TRUE(script.has_value()) << error;
  auto at = [&](int f) { return script->eventsAt(f); };
  ASSERT_EQ(at(0).size(), 1u);
  EXPECT_EQ(at(0)[0].type, T::MouseMove);
  EXPECT_EQ(at(0)[0].x, 10);
  EXPECT_EQ(at(0)[0].y, 20);
  EXPECT_EQ(at(1)[0].type, T::ButtonDown);
  EXPECT_EQ(at(1)[0].button, MouseButton::Right);
  EXPECT_EQ(at(2)[0].button, MouseButton::Middle);
  // click: move at F, press at F+1, release at F+2, after what the file gives for those frames.
  EXPECT_EQ(at(3)[0].type, T::MouseMove);
  ASSERT_EQ(at(4).size(), 3u);
  EXPECT_EQ(at(4)[0].type, T::ButtonDown);
  EXPECT_EQ(at(4)[0].x, 5);
  EXPECT_EQ(at(4)[1].key, Key::Return);
  EXPECT_EQ(at(4)[2].type, T::KeyUp);
  EXPECT_EQ(at(4)[2].key, Key::Escape);
  EXPECT_EQ(at(5)[0].type, T::ButtonUp);
  EXPECT_EQ(at(7)[0].type, T::KeyDown);
  EXPECT_EQ(at(8)[0].type, T::KeyUp);
  EXPECT_EQ(at(8)[0].key, Key::F1);
  EXPECT_EQ(at(9)[0].command, 1000);
  EXPECT_EQ(at(9)[1].command, kCommandQuickSave) << "a command named by its word";
  EXPECT_EQ(at(10)[0].type, T::Close);
  EXPECT_EQ(at(11)[0].button, MouseButton::Back);
  EXPECT_TRUE(at(6).empty());
}

TEST(EventScript, RejectsWhatItCannotReadWithTheLineNumber) {
  for (const char* bad : {"x move 1 2", "-1 close", "1 move 1", "1 down left right", "1 down thumb",
                          "1 key NoSuchKey", "1 jump", "1 command x", "1", "1 close now", "1 save",
                          "1 save 11", "1 load -1", "1 load x", "1 skip", "1 skip yes", "1 auto on off"}) {
    std::string error;
    EXPECT_FALSE(EventScript::parse(std::string("0 close\n") + bad, &error).has_value()) << bad;
    EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
  }
  // A key SDL knows but the player ignores is accepted.
  EXPECT_TRUE(EventScript::parse("0 key Tab", nullptr).has_value());
}

TEST(EventScript, PlayerActionsComeSavesFirstThenLoadsThenTheRest) {
  std::string error;
  const std::optional<EventScript> script =
      EventScript::parse("5 auto on\n5 load 0\n5 skip off\n5 save 10\n5 save 2\n7 skip on\n", &error);
  ASSERT_TRUE(script.has_value()) << error;
  using K = PlayerAction::Kind;
  const std::vector<PlayerAction> at5 = script->playerActionsAt(5);
  ASSERT_EQ(at5.size(), 5u);
  const std::pair<K, int> expected[] = {
      {K::Save, 10}, {K::Save, 2}, {K::Load, 0}, {K::Auto, 1}, {K::Skip, 0}};
  for (std::size_t i = 0; i < at5.size(); ++i) {
    EXPECT_EQ(at5[i].kind, expected[i].first) << i;
    EXPECT_EQ(at5[i].value, expected[i].second) << i;
  }
  EXPECT_TRUE(script->hasEventsAfter(6)) << "an action is an event a run must wait for";
  EXPECT_EQ(script->lastFrame(), 7);
  EXPECT_FALSE(script->empty());
}

}  // namespace
}  // namespace tavrik
