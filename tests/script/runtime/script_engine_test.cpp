#include "script/runtime/script_engine.h"

#include <gtest/gtest.h>

#include "platform/glyph_font.h"
#include "scene/text_layer.h"
#include "support/runtime_support.h"

namespace tavrik {
namespace {

TEST(ScriptEngine, AnEmptyScriptEndsInTheFirstFrame) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃＃ nothing but a comment\n").has_value());
  EXPECT_TRUE(rig.program->code.empty()) << "a comment compiles to no command";
  EXPECT_EQ(rig.framesUntilFinished(), 1);
}

TEST(ScriptEngine, TimeWaitLetsExactlyThatManyFramesPass) {
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃タイトル：before\n＃時間待機：２\n＃タイトル：after\n＃時間待機：0\n＃時間待機：")
          .has_value());
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "before");
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "before");
  rig.engine->update();  // the third frame runs the command after the wait, and the zero waits with it
  EXPECT_EQ(rig.device->title(), "after");
  EXPECT_TRUE(rig.engine->isFinished());
}

TEST(ScriptEngine, ANegativeTimeWaitDoesNotEnd) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃時間待機：－１").has_value());
  EXPECT_EQ(rig.framesUntilFinished(1000), 1000);
  EXPECT_FALSE(rig.engine->isFinished());
}

TEST(ScriptEngine, InputWaitNeedsAReleaseAndANewPress) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃入力待機\n＃タイトル：one\n＃入力待機\n＃タイトル：two").has_value());
  rig.mouse.left = true;  // held before the wait is reached
  rig.engine->update();
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "");
  rig.mouse.left = false;
  rig.engine->update();
  rig.mouse.left = true;  // a new press ends the first wait only
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "one");
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "one");
  rig.mouse.left = false;
  rig.engine->update();
  // The decide key is as good as the mouse.
  rig.input.setKeyHeld(PadKey::Space, true);
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "two");
  EXPECT_TRUE(rig.engine->isFinished());
}

TEST(ScriptEngine, AKeyHeldWhenTheWaitBeginsIsNoPress) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃入力待機").has_value());
  rig.input.setKeyHeld(PadKey::Return, true);
  for (int i = 0; i < 3; ++i) rig.engine->update();
  EXPECT_FALSE(rig.engine->isFinished());
  rig.input.setKeyHeld(PadKey::Return, false);
  rig.engine->update();
  rig.input.setKeyHeld(PadKey::Z, true);
  rig.engine->update();
  EXPECT_TRUE(rig.engine->isFinished());
}

TEST(ScriptEngine, KeysAreNotReadWhileTheWindowIsInTheBackground) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃入力待機").has_value());
  rig.engine->update();
  rig.input.setFocused(false);
  rig.input.setKeyHeld(PadKey::Return, true);
  rig.engine->update();
  EXPECT_FALSE(rig.engine->isFinished());
  rig.input.setFocused(true);
  rig.input.setKeyHeld(PadKey::Z, true);
  rig.engine->update();
  EXPECT_TRUE(rig.engine->isFinished());
}

TEST(ScriptEngine, JumpsAreRelativeAndAJumpToTheEndEndsTheScript) {
  test::EngineRig rig;
  rig.play(test::programOf({JumpCommand{1}, SetTitleCommand{0}}));
  rig.engine->update();
  EXPECT_TRUE(rig.engine->isFinished());
  EXPECT_EQ(rig.device->title(), "");
}

TEST(ScriptEngine, ConditionalJumpsCompareFloatsAndJumpWhenTheResultMatches) {
  struct Case {
    Comparison op;
    float left, right;
    bool holds;
  };
  const Case cases[] = {
      {Comparison::Equal, 1, 1, true},          {Comparison::NotEqual, 1, 1, false},
      {Comparison::GreaterEqual, 2, 2, true},   {Comparison::LessEqual, 3, 2, false},
      {Comparison::Greater, 0.5f, 0.25f, true}, {Comparison::Less, -1, -1, false},
  };
  // Sets a, then runs the jump over a title command; true when the title was skipped.
  auto jumps = [](float a, float b, JumpCommand jump) {
    test::EngineRig rig;
    rig.play(test::programOf({AssignCommand{1, -1, a, Assignment::Set},
                              AssignCommand{2, -1, b, Assignment::Set}, jump, SetTitleCommand{0}},
                             {"a", "b"}));
    rig.engine->update();
    return rig.device->title().empty();
  };
  for (const Case& c : cases) {
    for (bool jumpWhen : {true, false}) {
      EXPECT_EQ(jumps(c.left, 0, JumpCommand{1, 1, -1, c.right, c.op, jumpWhen}), c.holds == jumpWhen)
          << static_cast<int>(c.op) << " " << jumpWhen;
    }
  }
  // A right-hand variable is read when the jump runs.
  EXPECT_TRUE(jumps(3, 3, JumpCommand{1, 1, 2, 0.0f, Comparison::Equal, true}));
  EXPECT_FALSE(jumps(3, 4, JumpCommand{1, 1, 2, 0.0f, Comparison::Equal, true}));
}

TEST(ScriptEngine, ALoopWithoutAWaitCannotFreezeAFrame) {
  test::EngineRig rig;
  rig.play(test::programOf({SetTitleCommand{0}, JumpCommand{-2}}));
  rig.engine->update();  // returns although the loop never ends
  EXPECT_FALSE(rig.engine->isFinished());
  EXPECT_EQ(rig.device->title(), "title");
}

TEST(ScriptEngine, ALoopWithAWaitRunsOnePassPerWaitAndReloadsIt) {
  test::EngineRig rig;
  rig.play(test::programOf({AssignCommand{1, -1, 1, Assignment::Add}, WaitTimeCommand{1}, JumpCommand{-3}},
                           {"n"}));
  for (int frame = 0; frame < 10; ++frame) rig.engine->update();
  // A wait of one frame: every frame ends the wait, loops back, counts once and waits again.
  EXPECT_EQ(rig.variable("n"), 10.0f);
}

TEST(ScriptEngine, ACommandSharedAtSeveralIndicesWaitsEachTime) {
  test::EngineRig rig;
  rig.play(test::programOf({WaitTimeCommand{2}}, {}, {0, 0}));
  // The second wait is reached in the frame the first one ends (frame 3) and ends two frames later.
  EXPECT_EQ(rig.framesUntilFinished(), 5);
}

TEST(ScriptEngine, WaitForActionsWithNothingAnimatedEndsAtOnce) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃動作待機").has_value());
  EXPECT_EQ(rig.framesUntilFinished(), 1);
}

TEST(ScriptEngine, StartsWithTheChoiceResultVariable) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃変数宣言：x").has_value());
  ASSERT_EQ(rig.engine->variables().size(), 2u);
  EXPECT_EQ(rig.program->variables[0], test::sjis("選択結果"));
  EXPECT_EQ(rig.engine->variables()[0], 0.0f);
  EXPECT_EQ(rig.engine->variable(test::sjis("選択結果")), 0.0f);
  EXPECT_EQ(rig.engine->variable("other"), std::nullopt);
}

TEST(ScriptEngine, DrawClearsToOpaqueBlack) {
  test::EngineRig rig;
  rig.device->clear(0xFFFFFFFFu);
  rig.device->endScene();
  ASSERT_EQ(rig.device->pixelAt(0, 0), 0xFFFFFFFFu);
  rig.engine->draw();
  EXPECT_EQ(rig.device->pixelAt(0, 0), 0xFF000000u);
  EXPECT_EQ(rig.device->pixelAt(799, 599), 0xFF000000u);
}

// A text frame typing with one action and fading out with another.
constexpr const char* kTextScript =
    "＃文字レイヤー宣言：枠\n＃文字動作宣言：typing，３，２４\n０，Ａ，１\n０，END，０\n"
    "＃文字動作宣言：out，０，２４\n０，VA，-0.5\n２，END，０\n"
    "＃枠typing：\niiii\n＃時間待機：２０\n＃枠out\n＃動作待機：枠\n＃入力待機\n";

TEST(ScriptEngine, ChangingTheFaceWhileTypingKeepsTheActionsGoing) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile(kTextScript).has_value());
  rig.engine->fonts().setFace("IPAGothic");
  auto& layer = static_cast<TextLayer&>(rig.engine->layer(0));
  rig.engine->update();
  rig.engine->update();
  const std::int32_t stepBefore = layer.characters()[3].step;
  const std::int32_t cellBefore = layer.characters()[1].cellX;
  rig.engine->fonts().setFace("IPAPGothic");
  EXPECT_NE(layer.characters()[1].cellX, cellBefore) << "a proportional i is narrower";
  EXPECT_EQ(layer.characters()[3].step, stepBefore);
  ASSERT_EQ(rig.engine->fonts().size(), 1u);
  EXPECT_EQ(rig.engine->fonts()[0]->family(), "IPAPGothic");
  EXPECT_EQ(rig.engine->scene().font(0), rig.engine->fonts()[0]);
}

TEST(ScriptEngine, TheTextCommandShowsTextAndTheActionFormRestartsTheCharacters) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile(kTextScript).has_value());
  auto& layer = static_cast<TextLayer&>(rig.engine->layer(0));
  for (int i = 0; i < 20; ++i) rig.engine->update();
  ASSERT_EQ(layer.characters().size(), 4u);
  EXPECT_EQ(layer.characters()[3].a, 1.0f);
  rig.engine->update();  // the wait ends and the fade starts
  EXPECT_EQ(layer.characters().size(), 4u) << "the action form keeps the text";
  for (int i = 0; i < 10; ++i) rig.engine->update();
  EXPECT_EQ(layer.characters()[0].a, 0.0f);
  EXPECT_TRUE(layer.isFinished());
  EXPECT_EQ(rig.framesUntilFinished(100), 100) << "the input wait holds the end";
}

TEST(TextSpeed, ScalesTheTypingAndAClickWhileTypingShowsTheRestThenGoesOn) {
  // Twenty characters, two frames apart: the last begins 38 frames after the first.
  const std::string script =
      "＃文字レイヤー宣言：枠\n＃文字動作宣言：文字，２，２４\n０，Ａ，０\n０，ＶＡ，０.２\n５，ＥＮＤ，０\n"
      "＃変数宣言：x\n＃枠文字：\nあいうえおかきくけこさしすせそたちつてと\n＃入力待機\n＃式：x="
      "1\n＃入力待機\n";
  auto framesToType = [&](int halfSteps) {
    test::EngineRig rig;
    EXPECT_FALSE(rig.compile(script).has_value());
    rig.engine->text().setSpeed(halfSteps);
    int frames = 0;
    do {
      rig.engine->update();
      ++frames;
    } while (!rig.engine->text().typed() && frames < 1000);
    return frames;
  };
  const int normal = framesToType(2);
  EXPECT_EQ(normal, 38);
  EXPECT_EQ(framesToType(4), 19) << "twice as fast: half the frames";
  EXPECT_EQ(framesToType(1), 76) << "half as fast";
  EXPECT_EQ(framesToType(0), 1) << "whole at once";

  test::EngineRig rig;
  ASSERT_FALSE(rig.compile(script).has_value());
  rig.engine->text().setClickCompletes(true);
  auto click = [&] {
    rig.mouse.left = true;
    rig.engine->update();
    rig.mouse.left = false;
    rig.engine->update();
  };
  for (int i = 0; i < 5; ++i) rig.engine->update();
  ASSERT_FALSE(rig.engine->text().typed());
  click();
  EXPECT_TRUE(rig.engine->text().typed()) << "the click showed the rest";
  EXPECT_EQ(rig.variable("x"), 0.0f) << "and did not go on";
  click();
  EXPECT_EQ(rig.variable("x"), 1.0f) << "the next click goes on";
}

}  // namespace
}  // namespace tavrik
