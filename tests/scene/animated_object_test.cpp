#include "scene/animated_object.h"

#include <gtest/gtest.h>

#include "scene/channel.h"

namespace tavrik {
namespace {

constexpr std::int32_t at(ActionAttribute a) {
  return static_cast<std::int32_t>(a);
}

Action makeAction(std::initializer_list<ActionEntry> entries) {
  Action action;
  action.entries = entries;
  return action;
}

TEST(Actions, AttributeNamesKeepTheirFixedPositions) {
  EXPECT_EQ(actionAttributeIndex("X"), 0);
  EXPECT_EQ(actionAttributeIndex("A"), 15);
  EXPECT_EQ(actionAttributeIndex("INDEX"), 23);
  EXPECT_EQ(actionAttributeIndex("VOL"), 28);
  EXPECT_EQ(actionAttributeIndex("RWAIT"), 33);
  EXPECT_EQ(actionAttributeIndex("x"), -1);
  EXPECT_EQ(actionAttributeIndex(""), -1);
}

TEST(Actions, IncludedEntriesComeFirstTheLastIncludedFirstOfAll) {
  Action p = makeAction({{0, at(ActionAttribute::X), 1}});
  Action q = makeAction({{0, at(ActionAttribute::X), 2}});
  Action own = makeAction({{0, at(ActionAttribute::X), 3}});
  own.include(p);
  own.include(q);
  ASSERT_EQ(own.entries.size(), 3u);
  EXPECT_EQ(own.entries[0].value, 2);
  EXPECT_EQ(own.entries[1].value, 1);
  EXPECT_EQ(own.entries[2].value, 3);
}

TEST(Actions, TheRandomSequenceIsTheOneGamesWereMadeWith) {
  ScriptRandom random;
  EXPECT_EQ(random.next(), 41);
  EXPECT_EQ(random.next(), 18467);
  EXPECT_EQ(random.next(), 6334);
  EXPECT_EQ(random.next(), 26500);
  EXPECT_EQ(random.next(), 19169);
}

TEST(AnimatedObject, StartsResetAndFinishedAndKeepsAttributesOnStart) {
  ScriptRandom random;
  AnimatedObject o(random);
  EXPECT_TRUE(o.isFinished());
  EXPECT_EQ(o.a, 0.0f);
  EXPECT_EQ(o.w, 1.0f);
  EXPECT_EQ(o.r, 1.0f);
  EXPECT_EQ(o.vol, 1.0f);
  o.x = 5;
  o.vx = 1;
  const Action empty;
  o.start(&empty);
  EXPECT_FALSE(o.isFinished());
  o.update();
  EXPECT_EQ(o.x, 6.0f) << "start keeps position and velocity";
  EXPECT_FALSE(o.isFinished()) << "an action without END never finishes";
}

TEST(AnimatedObject, ASetValueIsIntegratedInTheSameFrame) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action move = makeAction(
      {{0, at(ActionAttribute::X), 100}, {0, at(ActionAttribute::VX), 2}, {0, at(ActionAttribute::AX), 1}});
  o.start(&move);
  o.update();
  EXPECT_EQ(o.x, 102.0f);
  EXPECT_EQ(o.vx, 3.0f);
  o.update();
  EXPECT_EQ(o.x, 105.0f);
}

TEST(AnimatedObject, ColourAndVolumeClampToOneAndVelocitiesStay) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action fade = makeAction({{0, at(ActionAttribute::A), 0.5f},
                                  {0, at(ActionAttribute::VA), 0.1f},
                                  {0, at(ActionAttribute::VOL), 0.1f},
                                  {0, at(ActionAttribute::VVOL), -0.5f}});
  o.start(&fade);
  for (int i = 0; i < 5; ++i) o.update();
  EXPECT_FLOAT_EQ(o.a, 1.0f);
  for (int i = 0; i < 5; ++i) o.update();
  EXPECT_EQ(o.a, 1.0f);
  EXPECT_FLOAT_EQ(o.va, 0.1f);
  EXPECT_EQ(o.vol, 0.0f);
}

TEST(AnimatedObject, TimeLoopsAndEntriesAfterItInTheSameStepStillApply) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action loop = makeAction({{0, at(ActionAttribute::X), 0},
                                  {1, at(ActionAttribute::VX), 1},
                                  {3, at(ActionAttribute::TIME), 0},
                                  {3, at(ActionAttribute::Y), 7},
                                  {3, at(ActionAttribute::VX), 0}});
  o.start(&loop);
  for (int i = 0; i < 4; ++i) o.update();  // steps 0, 1, 2, 3
  EXPECT_EQ(o.y, 7.0f);
  EXPECT_EQ(o.step, 0);
  EXPECT_EQ(o.x, 2.0f);  // moved in steps 1 and 2, the VX of step 3 stopped it before integration
  o.update();            // step 0 again
  EXPECT_EQ(o.x, 0.0f);
  EXPECT_FALSE(o.isFinished());
}

TEST(AnimatedObject, EntriesOfALaterStepWaitAndEndFinishes) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action later = makeAction({{5, at(ActionAttribute::INDEX), 2.9f}, {5, at(ActionAttribute::END), 0}});
  o.start(&later);
  for (int i = 0; i < 5; ++i) o.update();
  EXPECT_EQ(o.index, 0);
  EXPECT_FALSE(o.isFinished());
  o.update();
  EXPECT_EQ(o.index, 2) << "integers are truncated";
  EXPECT_TRUE(o.isFinished());
}

TEST(AnimatedObject, NegativeStepsApplyOnlyAfterANegativeStart) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action a = makeAction({{-2, at(ActionAttribute::X), 9}});
  o.start(&a);
  for (int i = 0; i < 10; ++i) o.update();
  EXPECT_EQ(o.x, 0.0f);
  o.start(&a);
  o.step = -3;
  o.update();
  EXPECT_EQ(o.x, 0.0f);
  o.update();
  EXPECT_EQ(o.x, 9.0f);
}

TEST(AnimatedObject, WaitPausesWithTheSpreadAndTheSequenceRepeats) {
  auto pauses = [] {
    ScriptRandom random;
    AnimatedObject o(random);
    const Action blink = makeAction({{0, at(ActionAttribute::RWAIT), 10},
                                     {0, at(ActionAttribute::WAIT), 10},
                                     {1, at(ActionAttribute::TIME), 0}});
    o.start(&blink);
    std::vector<int> out;
    for (int round = 0; round < 50; ++round) {
      o.update();  // step 0: sets the pause
      out.push_back(o.wait);
      for (int frame = 0; frame < 30 && o.wait > 0; ++frame) o.update();
      o.update();  // step 1: loop back
    }
    return out;
  };
  const std::vector<int> first = pauses();
  for (int p : first) {
    EXPECT_GE(p, 5);
    EXPECT_LE(p, 15);
  }
  EXPECT_NE(*std::min_element(first.begin(), first.end()), *std::max_element(first.begin(), first.end()));
  EXPECT_EQ(first, pauses()) << "never seeded: the same pauses every run";

  ScriptRandom random;
  AnimatedObject o(random);
  const Action none = makeAction(
      {{0, at(ActionAttribute::WAIT), 0}, {0, at(ActionAttribute::X), 1}, {1, at(ActionAttribute::X), 2}});
  o.start(&none);
  o.update();
  o.update();
  EXPECT_EQ(o.x, 2.0f) << "WAIT 0 without spread does not pause";
}

TEST(AnimatedObject, APauseHoldsEverythingIncludingIntegration) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action a = makeAction(
      {{0, at(ActionAttribute::VX), 1}, {0, at(ActionAttribute::WAIT), 3}, {1, at(ActionAttribute::Y), 5}});
  o.start(&a);
  o.update();
  EXPECT_EQ(o.x, 1.0f);
  for (int i = 0; i < 3; ++i) o.update();
  EXPECT_EQ(o.x, 1.0f);
  EXPECT_EQ(o.y, 0.0f);
  o.update();
  EXPECT_EQ(o.y, 5.0f) << "the next step comes on the first frame after the pause";
  EXPECT_EQ(o.x, 2.0f);
}

TEST(AnimatedObject, AbsurdValuesDoNotBreakIntegers) {
  ScriptRandom random;
  AnimatedObject o(random);
  const Action a = makeAction({{0, at(ActionAttribute::INDEX), 1e30f},
                               {0, at(ActionAttribute::ALIGNX), -1e30f},
                               {0, at(ActionAttribute::TIME), 3e9f},
                               {0, 99, 1},
                               {0, -1, 1}});
  o.start(&a);
  o.update();
  EXPECT_EQ(o.index, 2147483647);
  EXPECT_EQ(o.alignX, -2147483647 - 1);
  EXPECT_EQ(o.step, 2147483647);
  o.update();
  EXPECT_EQ(o.step, -2147483647 - 1);
}

struct FakePlayer : AudioChannelPlayer {
  struct Log {
    std::vector<std::uint32_t> plays;
    int stops = 0;
    std::int32_t level = 1;
    int positions = 0;
    float x = 0;
    std::string loaded;
    int loads = 0;
  };
  explicit FakePlayer(Log& into) : log(into) {}
  void load(std::string_view p) override {
    log.loaded = std::string(p);
    ++log.loads;
  }
  void play(std::uint32_t repeats) override { log.plays.push_back(repeats); }
  void stop() override { ++log.stops; }
  void setVolumeLevel(std::int32_t level) override { log.level = level; }
  void setPosition(float x, float, float) override {
    ++log.positions;
    log.x = x;
  }
  Log& log;
};

TEST(Channel, VolumeLevelIsTwoThousandLogTenClamped) {
  EXPECT_EQ(Channel::volumeLevel(0.0f), -9600);
  EXPECT_EQ(Channel::volumeLevel(1.0f), 0);
  EXPECT_EQ(Channel::volumeLevel(0.5f), -602);
  EXPECT_EQ(Channel::volumeLevel(0.25f), -1204);
  EXPECT_EQ(Channel::volumeLevel(0.00001f), -9600);
  EXPECT_EQ(Channel::volumeLevel(0.1f), -2000) << "the attenuation is a single-precision value first";
  EXPECT_EQ(Channel::volumeLevel(0.01f), -4000);
  EXPECT_EQ(Channel::volumeLevel(0.001f), -6000);
  EXPECT_EQ(Channel::volumeLevel(2.0f), 0) << "no amplification";
  EXPECT_EQ(Channel::volumeLevel(-1.0f), -9600);
}

TEST(Channel, PlayAfterAPauseStartsOnceOnTheFrameAfterIt) {
  ScriptRandom random;
  FakePlayer::Log log;
  Channel channel(random, false, std::make_unique<FakePlayer>(log));
  const Action a = makeAction({{0, at(ActionAttribute::WAIT), 60},
                               {1, at(ActionAttribute::PLAY), -1},
                               {2, at(ActionAttribute::STOP), 0},
                               {2, at(ActionAttribute::VOL), 0.5f}});
  channel.load("a.ogg");
  channel.start(&a);
  for (int frame = 0; frame < 61; ++frame) channel.update();
  EXPECT_EQ(log.loaded, "a.ogg");
  EXPECT_TRUE(log.plays.empty());
  channel.update();
  ASSERT_EQ(log.plays.size(), 1u);
  EXPECT_EQ(log.plays[0], 0xFFFFFFFFu);
  EXPECT_EQ(log.level, 0);
  channel.update();
  EXPECT_EQ(log.stops, 1);
  EXPECT_EQ(log.level, -602) << "the volume reaches the player in the frame it is set";
  for (int frame = 0; frame < 10; ++frame) channel.update();
  EXPECT_EQ(log.plays.size(), 1u);
  EXPECT_EQ(log.positions, 0) << "a music channel has no position";
}

TEST(Channel, SoundsLoadedManyTimesInAFrameAreOpenedOnceAndPlayWhatWasLoadedLast) {
  ScriptRandom random;
  FakePlayer::Log log;
  Channel channel(random, false, std::make_unique<FakePlayer>(log));
  for (int i = 0; i < 100000; ++i) channel.load(i % 2 ? "b.ogg" : "a.ogg");
  EXPECT_EQ(log.loads, 0);
  EXPECT_EQ(channel.state().sound, "b.ogg") << "the channel holds the sound at once";
  channel.update();
  EXPECT_EQ(log.loads, 1);
  EXPECT_EQ(log.loaded, "b.ogg");

  // A step applied as its command runs plays the sound loaded before it, not the one before that.
  channel.load("c.ogg");
  const Action play = makeAction({{0, at(ActionAttribute::PLAY), 0}});
  channel.start(&play);
  channel.update();
  EXPECT_EQ(log.loaded, "c.ogg");
  ASSERT_EQ(log.plays.size(), 1u);
  EXPECT_EQ(log.loads, 2);
}

TEST(Channel, SoundEffectChannelsFollowTheirPosition) {
  ScriptRandom random;
  FakePlayer::Log log;
  ChannelList list;
  Channel& se = list.add(std::make_unique<Channel>(random, true, std::make_unique<FakePlayer>(log)));
  list.add(std::make_unique<Channel>(random, false, nullptr));
  EXPECT_TRUE(list.allFinished());
  const Action move = makeAction({{0, at(ActionAttribute::X), -300}});
  se.start(&move);
  EXPECT_FALSE(list.allFinished());
  list.update();
  EXPECT_EQ(log.positions, 1);
  EXPECT_EQ(log.x, -300.0f);
  list.channels()[1]->start(&move);
  list.update();  // a channel without a player animates and plays nothing
  EXPECT_EQ(list.channels()[1]->x, -300.0f);
}

}  // namespace
}  // namespace tavrik
