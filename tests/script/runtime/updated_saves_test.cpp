// Saves of a game that was updated since, and stepping back: what a player meets when a game's author
// fixes a typo after release, or when a choice was a mis-click.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <variant>
#include <vector>

#include <filesystem>

#include "platform/image_decoder.h"
#include "script/compiler/script_compiler.h"
#include "support/runtime_support.h"

namespace tavrik {
namespace {

// A small game: a macro, a layer action, two texts with waits, a choice, and a scene after it.
std::string game(const std::string& edit = "") {
  std::string s =
      "＃文字レイヤー宣言：枠，２０，４００，８００，２００\n"
      "＃単純レイヤー宣言：左，２００，１００\n＃単純レイヤー宣言：右，２００，１００\n"
      "＃文字レイヤー宣言：左札，１００，３００，２００，４０\n"
      "＃変数宣言：道，数\n"
      "＃左選択宣言：１，１，０\n＃右選択宣言：２，１，０\n"
      "＃文字動作宣言：地の文，２，２４\n０，Ａ，０\n０，ＶＡ，０.２\n５，ＥＮＤ，０\n"
      "＃動作宣言：出る\n０，Ａ，１\n０，ＥＮＤ，０\n"
      "＃動作宣言：右へ\n０，Ｘ，４００\n０，Ａ，１\n０，ＥＮＤ，０\n"
      "＃マクロ宣言：話す\n＃式：数＋＝１\n＃マクロ宣言終了\n";
  s += edit.starts_with("head:") ? edit.substr(5) : "";
  s += "＃左画像：b\n＃右画像：b\n＃左出る\n＃右右へ\n"
       "＃話す\n＃枠地の文：\n最初の行です。\n＃入力待機\n";
  s += edit.starts_with("scene:") ? edit.substr(6) : "＃枠地の文：\n関係のない場面です。\n＃入力待機\n";
  s += "＃話す\n＃枠地の文：\nおしまいの前の行です。\n＃入力待機\n"
       "＃左札地の文：\n丘へ\n＃選択待機\n＃式：道＝選択結果\n"
       "＃枠地の文：\nおしまい。\n＃入力待機\n";
  return s;
}

// Plays on, clicking at each input wait, until waits have been passed and the game stands at the next
// wait for the player with its text typed out.
void playTo(test::EngineRig& rig, int waits) {
  int passed = 0;
  for (int frame = 0; frame < 5000 && passed < waits; ++frame) {
    rig.engine->update();
    if (rig.engine->waiting() == ScriptEngine::Waiting::Input) {
      rig.mouse.left = true;
      rig.engine->update();
      rig.mouse.left = false;
      passed += static_cast<int>(rig.engine->takePassedInputWaits().size());
    }
  }
  for (int frame = 0; frame < 120; ++frame) rig.engine->update();
}

std::vector<std::uint32_t> screen(test::EngineRig& rig) {
  rig.engine->draw(true);
  std::vector<std::uint32_t> pixels;
  EXPECT_TRUE(rig.device->readFrame(pixels));
  return pixels;
}

TEST(UpdatedSaves, ASaveOfTheGameBeforeAnEditStandsWhereAFreshPlayOfTheEditedGameWould) {
  struct Edit {
    const char* what;
    std::string before, after;
    bool keepsVariables = true;
    int waitsBefore = 2;  // the input waits a fresh play of the edited game passes to reach it
  };
  const std::string ten = [] {
    std::string lines;
    for (int i = 0; i < 10; ++i) lines += "＃＃ 追加した行\n";
    return lines;
  }();
  const std::vector<Edit> edits = {
      {"a typo fixed on the line shown", "おしまいの前の行です。", "おしまいの前の行でした！"},
      {"ten lines inserted before it", "", "head:" + ten},
      {"an unrelated scene deleted", "", "scene:"},
      {"a macro's body edited", "＃式：数＋＝１\n", "＃式：数＋＝１\n＃左出る\n"},
      {"a variable renamed", "＃変数宣言：道，数", "＃変数宣言：道，回数", false},
      {"a layer's action renamed", "＃動作宣言：出る\n", "＃動作宣言：現れる\n"},
      {"another wait's line deleted", "関係のない場面です。\n＃入力待機\n", "関係のない場面です。\n", true,
       1},
  };
  for (const Edit& edit : edits) {
    SCOPED_TRACE(edit.what);
    std::string edited =
        game(edit.after.starts_with("head:") || edit.after.starts_with("scene:") ? edit.after : "");
    if (!edit.before.empty()) {
      const std::size_t at = edited.find(edit.before);
      ASSERT_NE(at, std::string::npos);
      edited.replace(at, edit.before.size(), edit.after);
      if (std::string(edit.what) == "a variable renamed") {
        for (std::size_t p = edited.find("＃式：数"); p != std::string::npos; p = edited.find("＃式：数", p))
          edited.replace(p, std::string("＃式：数").size(), "＃式：回数");
      }
      if (std::string(edit.what) == "a layer's action renamed") {
        for (const char* use : {"＃左出る"})
          for (std::size_t p = edited.find(use); p != std::string::npos; p = edited.find(use, p + 1))
            edited.replace(p, std::string(use).size(),
                           std::string(use).substr(0, std::string(use).size() - 6) + "現れる");
      }
    }
    // Saved at the third wait, "おしまいの前の行です。", in the game as it was.
    test::EngineRig saved;
    const std::optional<ScriptError> error = saved.compile(game());
    ASSERT_FALSE(error.has_value()) << error->index << " " << error->line;
    playTo(saved, 2);
    const std::vector<std::uint8_t> bytes = saved.engine->states().save();

    test::EngineRig loaded, fresh;
    ASSERT_FALSE(loaded.compile(edited).has_value());
    ASSERT_FALSE(fresh.compile(edited).has_value());
    const DecodedState decoded = loaded.engine->states().reader().decode(bytes);
    ASSERT_TRUE(decoded.state.has_value()) << static_cast<int>(decoded.error);
    EXPECT_TRUE(decoded.updated);
    loaded.engine->states().restore(*decoded.state);
    playTo(fresh, edit.after == "scene:" ? 1 : edit.waitsBefore);
    loaded.engine->update();
    fresh.engine->update();
    EXPECT_EQ(loaded.engine->programCounter(), fresh.engine->programCounter());
    EXPECT_TRUE(screen(loaded) == screen(fresh)) << "the same text on screen";
    if (edit.keepsVariables) {
      EXPECT_EQ(loaded.engine->variables(), fresh.engine->variables());
    }
    EXPECT_EQ(loaded.variable("道"), fresh.variable("道"));
    // The game goes on from there.
    playTo(loaded, 1);
    EXPECT_EQ(loaded.engine->waiting(), ScriptEngine::Waiting::Choice);
  }
}

TEST(UpdatedSaves, AWaitDeletedFromTheScriptIsRefusedWithTheLineItWasAt) {
  test::EngineRig saved, edited;
  ASSERT_FALSE(saved.compile(game()).has_value());
  playTo(saved, 2);
  std::string source = game();
  const std::string line = "おしまいの前の行です。\n＃入力待機\n";
  source.replace(source.find(line), line.size(), "おしまいの前の行です。\n");
  ASSERT_FALSE(edited.compile(source).has_value());
  const DecodedState decoded = edited.engine->states().reader().decode(saved.engine->states().save());
  EXPECT_FALSE(decoded.state.has_value());
  EXPECT_EQ(decoded.error, StateError::Unplaced);
  ASSERT_TRUE(decoded.lost.has_value());
  EXPECT_EQ(decoded.lost->file, "main.tvk");
  EXPECT_EQ(decoded.lost->line, 35) << "the zero-based line of the wait";
}

TEST(Rollback, StepsBackToAChoiceAndAnotherAnswerPlaysAsAFreshPlayAnsweringSo) {
  auto choose = [](test::EngineRig& rig, int x) {
    for (int frame = 0; frame < 2000 && rig.engine->waiting() != ScriptEngine::Waiting::Choice; ++frame)
      rig.engine->update();
    for (int frame = 0; frame < 5; ++frame) rig.engine->update();
    rig.mouse.x = x;
    rig.mouse.y = 50;
    rig.mouse.left = true;
    rig.engine->update();
    rig.mouse.left = false;
    rig.engine->update();
  };
  test::EngineRig rig, fresh;
  for (test::EngineRig* r : {&rig, &fresh})
    ASSERT_TRUE(savePng(test::solidPicture(200, 100, 0xFF808080u), r->dir.path() / "b.png"));
  ASSERT_FALSE(rig.compile(game()).has_value());
  ASSERT_FALSE(fresh.compile(game()).has_value());
  playTo(rig, 3);
  choose(rig, 100);
  for (int frame = 0; frame < 60; ++frame) rig.engine->update();
  EXPECT_EQ(rig.variable("道"), 1.0f);
  // Back over the last wait and then the choice.
  ASSERT_TRUE(rig.engine->rollback().stepBack(*rig.engine, 1));
  EXPECT_EQ(rig.engine->waiting(), ScriptEngine::Waiting::Choice);
  choose(rig, 500);
  playTo(fresh, 3);
  choose(fresh, 500);
  EXPECT_EQ(rig.variable("道"), fresh.variable("道"));
  EXPECT_EQ(rig.framesUntilFinished(), fresh.framesUntilFinished());
  EXPECT_EQ(rig.engine->variables(), fresh.engine->variables());

  // Past the oldest kept wait nothing changes.
  EXPECT_FALSE(rig.engine->rollback().stepBack(*rig.engine, 1000));
}

TEST(Rollback, KeepsTheLastHundredWaitsAndComesBackWithASave) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃変数宣言：回\n＃ループ：回＜１５０\n＃式：回＋＝１\n＃入力待機\n＃ループ終了\n")
                   .has_value());
  playTo(rig, 140);
  EXPECT_EQ(rig.engine->rollback().size(), Rollback::kMostKept);
  EXPECT_LT(rig.engine->rollback().bytes(), 4u * 1024 * 1024);
  const float now = rig.variable("回");
  ASSERT_TRUE(rig.engine->rollback().stepBack(*rig.engine, 99));
  EXPECT_EQ(rig.variable("回"), now - 99);
  EXPECT_FALSE(rig.engine->rollback().stepBack(*rig.engine, 1)) << "the hundredth was the oldest";

  // Through a save: the kept waits come back with it.
  test::EngineRig other;
  ASSERT_FALSE(
      other.compile("＃変数宣言：回\n＃ループ：回＜１５０\n＃式：回＋＝１\n＃入力待機\n＃ループ終了\n")
          .has_value());
  playTo(other, 20);
  const std::vector<std::uint8_t> ring = other.engine->rollback().encode(other.engine->history());
  const std::vector<std::uint8_t> state = other.engine->states().save();
  test::EngineRig loaded;
  ASSERT_FALSE(
      loaded.compile("＃変数宣言：回\n＃ループ：回＜１５０\n＃式：回＋＝１\n＃入力待機\n＃ループ終了\n")
          .has_value());
  ASSERT_FALSE(loaded.engine->states().restore(state).has_value());
  loaded.engine->rollback().decode(ring, loaded.engine->states().reader(), loaded.engine->history());
  EXPECT_EQ(loaded.engine->rollback().size(), other.engine->rollback().size());
  ASSERT_TRUE(loaded.engine->rollback().stepBack(*loaded.engine, 5));
  EXPECT_EQ(loaded.variable("回"), other.variable("回") - 5);
}

// The demo, copied so that it can be edited.
struct Demo {
  Demo() {
    std::filesystem::copy(std::filesystem::path(TAVRIK_SOURCE_DIR) / "examples" / "demo", folder,
                          copyOptions);
  }
  // Replaces a line's text (UTF-8) in one of the demo's files.
  void edit(const std::string& file, const std::string& from, const std::string& to) {
    std::string bytes = test::readBytes(folder / file);
    const std::string sjisFrom = test::sjis(from);
    const std::size_t at = bytes.find(sjisFrom);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, sjisFrom.size(), test::sjis(to));
    dir.write("demo/" + file, bytes);
  }
  void play(test::EngineRig& rig) const {
    const CompileResult compiled = compileScript(test::scriptPath(folder / "start.tvk"));
    ASSERT_FALSE(compiled.error.has_value());
    rig.play(compiled.program);
  }

  static constexpr auto copyOptions = std::filesystem::copy_options::recursive;
  test::TempDir dir;
  std::filesystem::path folder = dir.path() / "demo";
};

// Plays on to the next choice and answers it with the left (丘へ) or the right (町へ) button.
void answer(test::EngineRig& rig, bool left) {
  for (int frame = 0; frame < 5000 && rig.engine->waiting() != ScriptEngine::Waiting::Choice; ++frame) {
    rig.engine->update();
    if (rig.engine->waiting() == ScriptEngine::Waiting::Input) {
      rig.mouse.left = true;
      rig.engine->update();
      rig.mouse.left = false;
    }
  }
  // The pointer goes over the button, then presses.
  rig.mouse.x = left ? 220 : 520;
  rig.mouse.y = 322;
  for (int frame = 0; frame < 30; ++frame) rig.engine->update();
  rig.mouse.left = true;
  rig.engine->update();
  rig.mouse.left = false;
  rig.engine->update();
}

// Clicks through to the script's end.
void playToTheEnd(test::EngineRig& rig) {
  for (int frame = 0; frame < 20000 && !rig.engine->isFinished(); ++frame) {
    rig.engine->update();
    rig.mouse.left = rig.engine->waiting() == ScriptEngine::Waiting::Input && !rig.mouse.left;
  }
  ASSERT_TRUE(rig.engine->isFinished());
}

TEST(UpdatedSaves, TheDemoWithATypoFixedLoadsASaveAtThatLineShowingTheNewText) {
  Demo demo;
  test::EngineRig saved, loaded, fresh;
  demo.play(saved);
  playTo(saved, 1);  // at "遅くなってごめん。…"
  const std::vector<std::uint8_t> bytes = saved.engine->states().save();
  const std::vector<std::uint8_t> ring = saved.engine->rollback().encode(saved.engine->history());
  demo.edit("start.tvk", "遅くなってごめん。", "遅くなって、ごめん！");
  demo.play(loaded);
  demo.play(fresh);
  const DecodedState decoded = loaded.engine->states().reader().decode(bytes);
  ASSERT_TRUE(decoded.state.has_value());
  EXPECT_TRUE(decoded.updated);
  loaded.engine->states().restore(*decoded.state);
  loaded.engine->setHistory(saved.engine->history());
  loaded.engine->rollback().decode(ring, loaded.engine->states().reader(), loaded.engine->history());
  playTo(fresh, 1);
  for (int frame = 0; frame < 2; ++frame) loaded.engine->update();
  // The same frames as a fresh play of the edited demo: the eyes blink on the same random numbers.
  for (int frame = 0; frame < 2; ++frame) fresh.engine->update();
  EXPECT_EQ(loaded.engine->variables(), fresh.engine->variables());
  EXPECT_TRUE(screen(loaded) == screen(fresh));
  // The record of waits read: every input wait but the edited one keeps its fingerprint, and stays read.
  auto waits = [](const test::EngineRig& rig) {
    std::set<std::uint64_t> out;
    const Program& program = rig.engine->program();
    for (std::size_t p = 0; p < program.code.size(); ++p)
      if (std::holds_alternative<WaitInputCommand>(program.commandAt(p)))
        out.insert(rig.engine->states().reader().places().fingerprint(static_cast<std::int32_t>(p)));
    return out;
  };
  const std::set<std::uint64_t> before = waits(saved), after = waits(loaded);
  std::size_t kept = 0;
  for (std::uint64_t wait : before) kept += after.count(wait);
  EXPECT_EQ(kept, before.size() - 1);

  // The waits kept to step back to come with it: one step goes to the first wait.
  test::EngineRig first;
  demo.play(first);
  for (int frame = 0; frame < 2000 && first.engine->waiting() != ScriptEngine::Waiting::Input; ++frame)
    first.engine->update();
  ASSERT_TRUE(loaded.engine->rollback().stepBack(*loaded.engine, 1));
  EXPECT_EQ(loaded.engine->programCounter(), first.engine->programCounter());
}

TEST(Rollback, AtTheDemosSecondChoiceBackToTheFirstAndTheOtherWayEndsAsAFreshPlayThatWay) {
  Demo demo;
  test::EngineRig rig, fresh;
  demo.play(rig);
  demo.play(fresh);
  answer(rig, true);
  // The loop asks again: the second choice. Back over it and the wait before it, to the first.
  for (int frame = 0; frame < 5000 && rig.engine->waiting() != ScriptEngine::Waiting::Choice; ++frame) {
    rig.engine->update();
    rig.mouse.left = rig.engine->waiting() == ScriptEngine::Waiting::Input && !rig.mouse.left;
  }
  rig.mouse.left = false;
  // The history offers each kept wait once, at the text said in the frame before it, never at a name or a
  // choice's caption.
  const std::vector<bool> offered = rig.engine->rollback().returnable(rig.engine->history());
  const std::int32_t frame = rig.engine->program().findLayer(test::sjis("枠"));
  std::size_t offers = 0;
  for (std::size_t i = 0; i < offered.size(); ++i) {
    offers += offered[i];
    EXPECT_TRUE(!offered[i] || rig.engine->history().entries()[i].layer == frame) << i;
  }
  EXPECT_EQ(offers, rig.engine->rollback().size());
  ASSERT_TRUE(rig.engine->rollback().stepBack(*rig.engine, 2));
  EXPECT_EQ(rig.engine->waiting(), ScriptEngine::Waiting::Choice);
  answer(rig, false);
  answer(rig, false);
  answer(fresh, false);
  answer(fresh, false);
  playToTheEnd(rig);
  playToTheEnd(fresh);
  EXPECT_EQ(rig.variable("選んだ"), 2.0f);
  EXPECT_EQ(rig.engine->variables(), fresh.engine->variables());
  EXPECT_TRUE(screen(rig) == screen(fresh));
}

}  // namespace
}  // namespace tavrik
