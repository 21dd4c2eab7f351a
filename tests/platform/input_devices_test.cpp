#include "platform/input_devices.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(InputDevices, ReturnSpaceAndZAreAllTheDecideButton) {
  for (PadKey key : {PadKey::Return, PadKey::Space, PadKey::Z}) {
    InputDevices input;
    input.setKeyHeld(key, true);
    input.poll();
    EXPECT_TRUE(input.pad(0).buttons[0]);
    EXPECT_FALSE(input.pad(0).buttons[1]);
  }
  InputDevices input;
  input.setKeyHeld(PadKey::X, true);
  input.setKeyHeld(PadKey::V, true);
  input.poll();
  EXPECT_TRUE(input.pad(0).buttons[1]);
  EXPECT_FALSE(input.pad(0).buttons[2]);
  EXPECT_TRUE(input.pad(0).buttons[3]);
  EXPECT_FALSE(input.pad(1).buttons[1]) << "only the first pad is filled";
}

TEST(InputDevices, DirectionsSumWithUpOverDownAndLeftOverRight) {
  InputDevices input;
  input.setKeyHeld(PadKey::Up, true);
  input.setKeyHeld(PadKey::Down, true);
  input.setKeyHeld(PadKey::Right, true);
  input.setKeyHeld(PadKey::S, true);
  input.setKeyHeld(PadKey::F, true);
  input.poll();
  const PadState& pad = input.pad(0);
  EXPECT_TRUE(pad.up && pad.down && pad.right && !pad.left);
  EXPECT_EQ(pad.y, -1.0f);
  EXPECT_EQ(pad.x, 1.0f);
  EXPECT_EQ(pad.x2, -1.0f);
  EXPECT_TRUE(pad.left2 && pad.right2);
  input.setKeyHeld(PadKey::Up, false);
  input.poll();
  EXPECT_EQ(input.pad(0).y, 1.0f);
}

TEST(InputDevices, LosingFocusClearsTheKeysAndKeepsThemUnread) {
  InputDevices input;
  input.setKeyHeld(PadKey::Return, true);
  input.setFocused(false);
  input.setKeyHeld(PadKey::Space, true);
  input.poll();
  EXPECT_FALSE(input.pad(0).buttons[0]);
  input.setFocused(true);
  input.poll();
  EXPECT_FALSE(input.pad(0).buttons[0]) << "a key held when focus left must be pressed again";
}

TEST(InputDevices, ATapBetweenTwoPollsIsSeenByOneAndOnlyOne) {
  InputDevices input;
  input.setKeyHeld(PadKey::Return, true);
  input.setKeyHeld(PadKey::Return, false);
  input.poll();
  EXPECT_TRUE(input.pad(0).buttons[0]) << "a tap shorter than a frame";
  input.poll();
  EXPECT_FALSE(input.pad(0).buttons[0]);
  // Pressed again before that poll: the key is held, and a release after a poll lets it go at once.
  input.setKeyHeld(PadKey::Z, true);
  input.setKeyHeld(PadKey::Z, false);
  input.setKeyHeld(PadKey::Z, true);
  input.poll();
  input.poll();
  EXPECT_TRUE(input.pad(0).buttons[0]);
  input.setKeyHeld(PadKey::Z, false);
  input.poll();
  EXPECT_FALSE(input.pad(0).buttons[0]);
}

TEST(InputDevices, SticksHaveADeadZoneRampsAndAddUp) {
  EXPECT_EQ(stickContribution(500), 0.5f);
  EXPECT_EQ(stickContribution(150), 0.0f);
  EXPECT_EQ(stickContribution(-200), 0.0f);
  EXPECT_EQ(stickContribution(900), 1.0f);
  EXPECT_EQ(stickContribution(-1000), -1.0f);
  EXPECT_FLOAT_EQ(stickContribution(-500), -0.5f);

  PadState pad;
  pad.y = -1.0f;  // the keyboard's up
  pad.up = true;
  addController(pad, ControllerReading{0, -1000, {true, false, false, true}});
  EXPECT_EQ(pad.y, -2.0f) << "sums are not clamped";
  EXPECT_TRUE(pad.buttons[0]);
  EXPECT_TRUE(pad.buttons[3]);
  addController(pad, ControllerReading{-300, 0, {}});
  EXPECT_TRUE(pad.left);
  EXPECT_FLOAT_EQ(pad.x, -100.0f / 600.0f);
  EXPECT_FALSE(pad.right);
}

}  // namespace
}  // namespace tavrik
