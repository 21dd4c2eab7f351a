#include "script/runtime/script_engine.h"

#include <gtest/gtest.h>

#include "platform/image_decoder.h"
#include "scene/channel.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

TEST(ScriptEngine, AnEmptyScriptEndsInTheFirstFrame) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃＃ nothing but a comment\n").has_value());
  EXPECT_FALSE(rig.engine->isFinished() && !rig.engine->commands().empty());
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
  ScriptEngine& engine = *rig.engine;
  auto& jump = engine.makeCommand<JumpCommand>();
  auto& skipped = engine.makeCommand<SetTitleCommand>("skipped");
  engine.commands() = {&jump, &skipped};
  jump.setJumpTarget(0, 2);
  EXPECT_EQ(jump.offset(), 1);
  engine.update();
  EXPECT_TRUE(engine.isFinished());
  EXPECT_EQ(rig.device->title(), "");
}

TEST(ScriptEngine, ConditionalJumpsCompareFloatsAndJumpWhenTheResultMatches) {
  test::EngineRig rig;
  ScriptEngine& engine = *rig.engine;
  Variable& a = engine.addVariable("a");
  const Variable* b = &engine.addVariable("b");
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
  // Runs the jump over a title command; true when the title was skipped.
  auto jumps = [&](JumpCommand& jump) {
    auto& title = engine.makeCommand<SetTitleCommand>("reached");
    engine.commands() = {&jump, &title};
    jump.setJumpTarget(0, 2);
    rig.device->setTitle("");
    engine.setProgramCounter(0);
    engine.update();
    return rig.device->title().empty();
  };
  for (const Case& c : cases) {
    for (bool jumpWhen : {true, false}) {
      a.value = c.left;
      auto& jump = engine.makeCommand<JumpCommand>(&a, nullptr, c.right, static_cast<int>(c.op), jumpWhen);
      EXPECT_EQ(jumps(jump), c.holds == jumpWhen) << static_cast<int>(c.op) << " " << jumpWhen;
    }
  }
  // A right-hand variable is read when the jump runs.
  a.value = 3;
  engine.findVariable("b")->value = 3;
  EXPECT_TRUE(jumps(engine.makeCommand<JumpCommand>(&a, b, 0.0f, static_cast<int>(Comparison::Equal), true)));
}

TEST(ScriptEngine, ALoopWithoutAWaitCannotFreezeAFrame) {
  test::EngineRig rig;
  ScriptEngine& engine = *rig.engine;
  auto& title = engine.makeCommand<SetTitleCommand>("spin");
  auto& back = engine.makeCommand<JumpCommand>();
  engine.commands() = {&title, &back};
  back.setJumpTarget(1, 0);
  engine.update();  // returns although the loop never ends
  EXPECT_FALSE(engine.isFinished());
  EXPECT_EQ(rig.device->title(), "spin");
}

TEST(ScriptEngine, ALoopWithAWaitRunsOnePassPerWaitAndReloadsIt) {
  test::EngineRig rig;
  ScriptEngine& engine = *rig.engine;
  Variable& counter = engine.addVariable("n");
  struct Count : Command {
    Count(ScriptEngine& e, Variable& v) : Command(e), v_(v) {}
    bool execute() override {
      v_.value += 1;
      return true;
    }
    Variable& v_;
  };
  auto& count = engine.makeCommand<Count>(counter);
  auto& wait = engine.makeCommand<WaitTimeCommand>(1);
  auto& back = engine.makeCommand<JumpCommand>();
  engine.commands() = {&count, &wait, &back};
  back.setJumpTarget(2, 0);
  for (int frame = 0; frame < 10; ++frame) engine.update();
  // A wait of one frame: every frame ends the wait, loops back, counts once and waits again.
  EXPECT_EQ(counter.value, 10.0f);
}

TEST(ScriptEngine, ACommandSharedAtSeveralIndicesWaitsEachTime) {
  test::EngineRig rig;
  ScriptEngine& engine = *rig.engine;
  auto& wait = engine.makeCommand<WaitTimeCommand>(2);
  engine.commands() = {&wait, &wait};
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
  ASSERT_EQ(rig.engine->variables().size(), 1u);
  EXPECT_EQ(rig.engine->variables()[0].name, test::sjis("選択結果"));
  EXPECT_EQ(rig.engine->variables()[0].value, 0.0f);
  EXPECT_NE(rig.engine->findVariable(test::sjis("選択結果")), nullptr);
  EXPECT_EQ(rig.engine->findVariable("other"), nullptr);
}

TEST(ScriptEngine, DrawClearsToOpaqueBlack) {
  test::EngineRig rig;
  rig.device->clear(0xFFFFFFFFu);
  rig.engine->draw();
  EXPECT_EQ(rig.device->pixelAt(0, 0), 0xFF000000u);
  EXPECT_EQ(rig.device->pixelAt(799, 599), 0xFF000000u);
}

}  // namespace
}  // namespace tavrik

namespace tavrik {
namespace {

TEST(SceneCommands, LoadStartAndWaitOnLayersAndChannels) {
  test::EngineRig rig;
  ScriptEngine& engine = *rig.engine;
  ASSERT_TRUE(savePng(test::solidPicture(8, 8, 0xFFFFFFFFu), rig.dir.path() / "bg.png"));
  SimpleLayer& layer = engine.scene().addLayer<SimpleLayer>(0, 0);
  PersonLayer& person = engine.scene().addLayer<PersonLayer>(0, 0);
  Channel& channel = engine.channels().add(std::make_unique<Channel>(engine.random(), "bgm", false, nullptr));

  Action show;
  show.append({0, static_cast<std::int32_t>(ActionAttribute::A), 1});
  show.append({2, static_cast<std::int32_t>(ActionAttribute::END), 0});
  Action blink;
  blink.append({0, static_cast<std::int32_t>(ActionAttribute::INDEX), 3});
  engine.commands() = {
      &engine.makeCommand<LoadImageCommand>(layer, test::scriptPath(rig.dir.path()) + "\\bg"),
      &engine.makeCommand<StartActionCommand>(layer, show),
      &engine.makeCommand<StartActionCommand>(channel, blink),
      &engine.makeCommand<SetEyeActionCommand>(person, blink),
      &engine.makeCommand<SetMouthActionCommand>(person, blink),
      &engine.makeCommand<WaitActionCommand>(&layer),
      &engine.makeCommand<SetTitleCommand>("layer done"),
      &engine.makeCommand<WaitActionCommand>(),
      &engine.makeCommand<SetTitleCommand>("all done"),
  };
  engine.update();
  // Everything up to the first wait ran in the first frame, and the scene took its first step.
  EXPECT_EQ(layer.image().imageWidth(), 8);
  EXPECT_EQ(layer.a, 1.0f);
  EXPECT_EQ(person.eyeState().index, 3);
  EXPECT_EQ(person.mouthState().index, 3);
  EXPECT_FALSE(channel.isFinished());
  engine.update();
  engine.update();
  EXPECT_EQ(rig.device->title(), "");
  engine.update();  // the layer reached END in the third frame's scene update; the wait sees it now
  EXPECT_EQ(rig.device->title(), "layer done") << "eye and mouth actions do not hold a layer's wait";
  EXPECT_FALSE(engine.isFinished());
  EXPECT_FALSE(engine.allActionsFinished()) << "the channel is still running";
}

}  // namespace
}  // namespace tavrik
