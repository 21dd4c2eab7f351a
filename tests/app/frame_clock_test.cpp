#include "app/frame_clock.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(FrameClock, AtMostSixtyFramesASecondWithoutMakingUpLateOnes) {
  FrameClock clock(6000);          // 100 counts a frame
  EXPECT_TRUE(clock.frameDue(5));  // the first pass runs a frame
  EXPECT_FALSE(clock.frameDue(50));
  EXPECT_EQ(clock.microsecondsUntilDue(50), 9167);
  EXPECT_FALSE(clock.frameDue(104));
  EXPECT_TRUE(clock.frameDue(105));
  EXPECT_EQ(clock.microsecondsUntilDue(105), 16667);
  // Late by several frames: one frame runs, and the next is timed from this one.
  EXPECT_TRUE(clock.frameDue(1000));
  EXPECT_FALSE(clock.frameDue(1099));
  EXPECT_TRUE(clock.frameDue(1100));
  EXPECT_EQ(clock.microsecondsUntilDue(5000), 0);
}

TEST(FrameClock, UnderRetracePacingTheTimerAllowsAFrameALittleEarly) {
  FrameClock clock(6000, 0.9);  // 100 counts a frame
  EXPECT_TRUE(clock.frameDue(1000));
  EXPECT_FALSE(clock.frameDue(1089));
  EXPECT_TRUE(clock.frameDue(1091));
  EXPECT_NEAR(static_cast<double>(clock.microsecondsUntilDue(1091)), 15000.0, 1.0);
}

TEST(FrameClock, WithoutACounterEveryPassRuns) {
  FrameClock clock(0);
  EXPECT_TRUE(clock.frameDue(0));
  EXPECT_TRUE(clock.frameDue(0));
  EXPECT_EQ(clock.microsecondsUntilDue(0), 0);
}

}  // namespace
}  // namespace tavrik
