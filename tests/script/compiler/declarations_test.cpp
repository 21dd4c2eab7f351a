// What declarations and statements leave in the program, where a golden script cannot see it.
#include <gtest/gtest.h>

#include "base/keywords.h"
#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "scene/text_layer.h"
#include "script/compiler/script_compiler.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

// Compiles the script and expects it to compile.
std::shared_ptr<const Program> compiled(const test::TempDir& dir, std::string_view utf8Source) {
  CompileResult result = test::compileSource(dir, utf8Source);
  EXPECT_FALSE(result.error.has_value()) << (result.error ? sjisToUtf8(result.error->reportText()) : "");
  return result.program ? result.program : std::make_shared<const Program>();
}

TEST(Declarations, LayersGetTheirKindsSizesAndDrawingOrder) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃単純レイヤー宣言：背景\n"
                          "＃人物レイヤー宣言：人，４００，６００\n"
                          "＃文字レイヤー宣言：枠，１６，２０，５００，０\n"
                          "＃単純レイヤー宣言：小，１０，－１\n"
                          "＃単純レイヤー宣言：背景，５，５\n");
  const auto& layers = p->layers;
  ASSERT_EQ(layers.size(), 5u);
  EXPECT_EQ(layers[0].kind, LayerKind::Simple);
  EXPECT_EQ(layers[1].kind, LayerKind::Person);
  EXPECT_EQ(layers[2].kind, LayerKind::Text);
  EXPECT_EQ(layers[1].width, 400);
  EXPECT_EQ(layers[2].originX, 16);
  EXPECT_EQ(layers[2].originY, 20);
  EXPECT_EQ(layers[2].width, 500);
  EXPECT_EQ(p->findLayer(sjis("背景")), 0) << "the first of a name wins";

  // The engine gives every declaration its layer, in the same order; sizes of 0 or less are the screen's.
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃単純レイヤー宣言：背景\n＃人物レイヤー宣言：人，４００，６００\n"
                  "＃文字レイヤー宣言：枠，１６，２０，５００，０\n＃単純レイヤー宣言：小，１０，－１\n")
          .has_value());
  EXPECT_EQ(rig.engine->layer(0).image().allocWidth(), 800);
  EXPECT_EQ(rig.engine->layer(1).image().allocWidth(), 400);
  EXPECT_EQ(rig.engine->layer(3).image().allocWidth(), 800) << "a size of 0 or less makes both the screen's";
  auto& text = static_cast<TextLayer&>(rig.engine->layer(2));
  EXPECT_EQ(text.originX(), 16);
  EXPECT_EQ(text.atlas().allocWidth(), 800);
  EXPECT_EQ(text.image().allocWidth(), 800);
  EXPECT_NE(dynamic_cast<PersonLayer*>(&rig.engine->layer(1)), nullptr);
}

TEST(Declarations, ChannelsGetTheirPlayersAndDefaultCounts) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃音楽チャネル宣言：a\n＃音楽チャネル宣言：b，０\n＃音楽チャネル宣言：c，－３\n"
                          "＃効果音チャネル宣言：d\n＃効果音チャネル宣言：e，８\n");
  std::vector<std::pair<bool, int>> declared;
  for (const ChannelDeclaration& c : p->channels) declared.emplace_back(c.positional, c.performanceChannels);
  EXPECT_EQ(declared,
            (std::vector<std::pair<bool, int>>{{false, 64}, {false, 64}, {false, 64}, {true, 1}, {true, 8}}));
  EXPECT_EQ(p->findChannel("d"), 3);

  struct Silent : AudioChannelPlayer {
    void load(std::string_view) override {}
    void play(std::uint32_t) override {}
    void stop() override {}
    void setVolumeLevel(std::int32_t) override {}
    void setPosition(float, float, float) override {}
  };
  std::vector<std::pair<bool, int>> made;
  auto device = test::headlessDevice();
  InputDevices input;
  MouseState mouse;
  EngineServices services{*device, input, mouse};
  services.players = [&](bool positional, int count) {
    made.emplace_back(positional, count);
    return std::make_unique<Silent>();
  };
  ScriptEngine engine(p, std::move(services), "");
  EXPECT_EQ(made, declared) << "a player per channel, as declared";
  EXPECT_TRUE(engine.channel(3).positional());
}

TEST(Declarations, BaseActionsComeFirstTheLastListedFirstOfAll) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃動作宣言：P\n0,X,1\n＃動作宣言：Q\n0,X,2\n1,Y,2\n"
                          "＃動作宣言：own：P，Q\n0,X,3\n\n  ５，ＡＬＩＧＮＸ，１\n");
  const std::vector<ActionEntry>& entries =
      p->actions[static_cast<std::size_t>(p->findAction("own"))].action.entries;
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].value, 2);
  EXPECT_EQ(entries[1].attribute, static_cast<int>(ActionAttribute::Y));
  EXPECT_EQ(entries[2].value, 1);
  EXPECT_EQ(entries[3].value, 3);
  EXPECT_EQ(entries[4].step, 5);
  EXPECT_EQ(entries[4].attribute, static_cast<int>(ActionAttribute::ALIGNX));
}

TEST(Declarations, ActionKindsNamesAndFonts) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃動作宣言：a，b\n＃目動作宣言：blink，１，２\n＃口動作宣言：talk，9\n"
                          "＃文字動作宣言：normal，２，０\n＃文字動作宣言：big，１，３６\n＃文字動作宣言：sm"
                          "all，３，１２\n");
  auto action = [&](std::string_view name) -> const ActionDeclaration& {
    const std::int32_t i = p->findAction(name);
    EXPECT_GE(i, 0) << name;
    return p->actions[static_cast<std::size_t>(std::max(i, 0))];
  };
  EXPECT_GE(p->findAction("a,b"), 0) << "a plain action's name keeps its commas";
  EXPECT_EQ(action("blink").kind, ActionKind::Eye);
  EXPECT_EQ(action("talk").kind, ActionKind::Mouth);
  const ActionDeclaration& normal = action("normal");
  EXPECT_EQ(normal.kind, ActionKind::Text);
  EXPECT_EQ(normal.action.charDelay, 2);
  EXPECT_EQ(p->fontHeights, (std::vector<std::int32_t>{36, 12}))
      << "height 0 is 36 and shares the entry of 36";
  EXPECT_EQ(normal.action.fontIndex, action("big").action.fontIndex);
  EXPECT_EQ(action("small").action.fontIndex, 1);
  EXPECT_EQ(action("a,b").action.fontIndex, -1);
  EXPECT_EQ(p->findTextAction("blink"), -1) << "only text actions are tags";

  // The engine opens a font per height.
  test::EngineRig rig;
  rig.play(p);
  ASSERT_EQ(rig.engine->fonts().size(), 2u);
  ASSERT_NE(rig.engine->fonts()[0], nullptr);
  EXPECT_EQ(rig.engine->fonts()[0]->cellHeight(), 36);
  EXPECT_EQ(rig.engine->scene().font(0), rig.engine->fonts()[0]);
}

TEST(Declarations, ChoiceButtonsAreClickableFromTheStart) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃タイトル：before\n＃単純レイヤー宣言：b\n＃b選択宣言：３，１．５，０．１\n")
                   .has_value());
  const SimpleLayer& b = rig.engine->layer(0);
  EXPECT_TRUE(b.clickable());
  EXPECT_EQ(b.value(), 3);
  EXPECT_EQ(rig.program->code.size(), 1u) << "a declaration emits no command";
}

TEST(Statements, HeadsBuiltFromNamesMatchLayersBeforeChannelsAndImageBeforeActions) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃単純レイヤー宣言：A\n＃音楽チャネル宣言：AB\n＃動作宣言：B\n＃動作宣言：画像\n"
                          "＃AB\n＃A画像：pic\n＃ABB\n＃ABロード：music\n");
  ASSERT_EQ(p->code.size(), 4u);
  const auto* first = std::get_if<StartActionCommand>(&p->commandAt(0));
  ASSERT_NE(first, nullptr) << "AB is layer A with action B";
  EXPECT_EQ(first->target, (Target{Target::Kind::Layer, 0}));
  EXPECT_TRUE(std::holds_alternative<LoadImageCommand>(p->commandAt(1)))
      << "an action named 画像 cannot be started";
  const auto* third = std::get_if<StartActionCommand>(&p->commandAt(2));
  ASSERT_NE(third, nullptr) << "ABB is channel AB with action B";
  EXPECT_EQ(third->target, (Target{Target::Kind::Channel, 0}));
  EXPECT_TRUE(std::holds_alternative<LoadSoundCommand>(p->commandAt(3)));
}

TEST(Statements, TextBlocksGatherLinesEscapesAndTags) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃文字レイヤー宣言：枠\n＃文字動作宣言：標準\n＃文字動作宣言：赤\n"
                          "＃枠標準：\n"
                          "ab\n"
                          "\t\t\n"
                          "$赤$\n"
                          " cd\n"
                          "$$$x$$y$##$#\n"
                          "$標準$$z\n"
                          " ＃ not a directive after a space\n"
                          "\t#タイトル：end\n");
  ASSERT_EQ(p->code.size(), 2u);
  const auto* show = std::get_if<ShowTextCommand>(&p->commandAt(0));
  ASSERT_NE(show, nullptr);
  // "$$$" gives ＄, "$$" gives $, "$##" ＃ and "$#" #; the character right after a tag is taken as it is.
  EXPECT_EQ(p->text(show->text),
            sjis("ab\n\n cd\n＄x$y＃#") + "\n$z\n" + sjis(" ＃ not a directive after a space"));
  const std::vector<std::int32_t>& actions = p->characterActions[static_cast<std::size_t>(show->actions)];
  const std::int32_t normal = p->findAction(sjis("標準"));
  const std::int32_t red = p->findAction(sjis("赤"));
  EXPECT_EQ(actions[0], normal);
  EXPECT_EQ(actions[2], normal) << "the line feed before the tag line";
  EXPECT_EQ(actions[3], red) << "a tag at the end of a line carries over";
  EXPECT_EQ(actions[4], red);
  EXPECT_EQ(p->sourceAt(0).line, 3) << "a text block comes from its directive's line";
  EXPECT_EQ(p->sourceAt(1).line, 11);
}

TEST(Blocks, JumpLayoutsAreRelative) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃変数宣言：x\n"
                          "＃条件：x==0\n＃式：x=1\n＃式：x=2\n＃条件終了\n"
                          "＃ループ：x<9\n＃式：x+=1\n＃ループ終了\n"
                          "＃ループ\n＃式：x+=1\n＃ループ終了：x<20\n");
  ASSERT_EQ(p->code.size(), 8u);
  auto offset = [&](std::size_t i) { return std::get<JumpCommand>(p->commandAt(i)).offset; };
  EXPECT_EQ(offset(0), 2);
  EXPECT_EQ(offset(3), 1) << "the top of a top-tested loop jumps to its test";
  EXPECT_EQ(offset(5), -2);
  EXPECT_EQ(offset(7), -2);
  EXPECT_EQ(p->sourceAt(3).line, 5) << "the jump to the test comes from the loop's line";
  EXPECT_EQ(p->sourceAt(5).line, 5);
}

TEST(Macros, AMacroUsedTwicePutsTheSameCommandsTwice) {
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃マクロ宣言：m\n＃時間待機：１\n＃マクロ宣言終了\n＃m\n＃m：ignored：too\n").has_value());
  ASSERT_EQ(rig.program->code.size(), 2u);
  EXPECT_EQ(rig.program->code[0], rig.program->code[1]);
  EXPECT_EQ(rig.program->commands.size(), 1u);
  EXPECT_EQ(rig.program->sourceAt(1).line, 1) << "a macro's command comes from the body's line";
  EXPECT_EQ(rig.framesUntilFinished(), 3) << "the shared wait reloads for its second place";
}

TEST(Insertion, AnErrorNamesTheInsertedFile) {
  test::TempDir dir;
  dir.write("scenes/sub.tvk", test::sjisScript("＃タイトル：ok\n＃未知の命令\n"));
  const CompileResult result = test::compileSource(dir, "＃＃ main\n＃ファイル挿入：scenes\\sub\n");
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->path, test::scriptPath(dir.path()) + "\\scenes\\sub.tvk");
  EXPECT_EQ(result.error->index, 1);
  EXPECT_EQ(result.error->line, sjis("＃未知の命令"));
}

// An empty name leaves the path at the inserting script's folder, which exists: it must not pass for a
// script, from the main script's folder or from a subfolder.
TEST(Insertion, AnEmptyNameIsNotFoundWhereverTheScriptLives) {
  test::TempDir dir;
  dir.write("d/sub.tvk", test::sjisScript("＃ファイル挿入：\n"));
  dir.write(".tvk", test::sjisScript("＃タイトル：a file named only by the extension\n"));
  // (The message shows the path with this system's separators.)
  const std::string root = dir.path().string() + "/";
  for (const auto& [main, reported] : {std::pair{"＃ファイル挿入：\n", root + ".tvk"},
                                       std::pair{"＃ファイル挿入：d\\sub\n", root + "d/.tvk"}}) {
    const CompileResult result = test::compileSource(dir, main);
    ASSERT_TRUE(result.error.has_value()) << main;
    EXPECT_EQ(result.error->message, sjis("スクリプト「") + reported + sjis("」が見つかりません。"));
    EXPECT_EQ(result.error->index, 0);
  }
}

TEST(Insertion, InsertedFilesAreListedAndTheirCommandsSayWhereTheyCameFrom) {
  test::TempDir dir;
  dir.write("scenes/sub.tvk", test::sjisScript("＃＃ sub\n＃タイトル：inside\n"));
  const auto p = compiled(dir, "＃タイトル：before\n＃ファイル挿入：scenes\\sub\n＃タイトル：after\n");
  ASSERT_EQ(p->files.size(), 2u);
  EXPECT_EQ(p->files[1].path, test::scriptPath(dir.path()) + "\\scenes\\sub.tvk");
  ASSERT_EQ(p->code.size(), 3u);
  EXPECT_EQ(p->sourceAt(1).file, 1);
  EXPECT_EQ(p->sourceAt(1).line, 1);
  EXPECT_EQ(p->sourceAt(2).file, 0);
  EXPECT_EQ(p->sourceAt(2).line, 2);
  EXPECT_EQ(p->directory, test::scriptPath(dir.path()) + "\\");
}

TEST(Insertion, DeepButFiniteNestingIsBoundedWithAMessage) {
  test::TempDir dir;
  for (int i = 0; i < 40; ++i) {
    dir.write("f" + std::to_string(i) + ".tvk",
              test::sjisScript("＃ファイル挿入：f" + std::to_string(i + 1) + "\n"));
  }
  dir.write("f40.tvk", "");
  const CompileResult result = test::compileSource(dir, "＃ファイル挿入：f0\n");
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->message, kw::kMsgInsertTooDeep);
}

TEST(ProgramIdentity, FollowsEveryCompiledFilesBytes) {
  test::TempDir dir;
  dir.write("sub.tvk", test::sjisScript("＃タイトル：a\n"));
  const std::uint64_t first = compiled(dir, "＃ファイル挿入：sub\n")->identity;
  EXPECT_EQ(compiled(dir, "＃ファイル挿入：sub\n")->identity, first) << "the same files, the same identity";
  dir.write("sub.tvk", test::sjisScript("＃タイトル：b\n"));
  EXPECT_NE(compiled(dir, "＃ファイル挿入：sub\n")->identity, first) << "an inserted file changed";
  EXPECT_NE(compiled(dir, "＃ファイル挿入：sub\n＃＃\n")->identity, first) << "the main file changed";
}

TEST(Utf8Scripts, CompileAndReportTheLineAsWritten) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    test::TempDir dir;
    dir.write("u.tvk", bom + "＃タイトル：日本語の題\n＃変数宣言：値\n＃式：値＝３\n本文\n");
    const CompileResult result = compileScript(test::scriptPath(dir.path() / "u.tvk"));
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->index, 3);
    EXPECT_TRUE(result.error->utf8Line);
    EXPECT_EQ(result.error->line, "本文");
    EXPECT_EQ(result.error->message, kw::kMsgNeedHash);
  }
  test::EngineRig rig;
  rig.dir.write("ok.tvk", "＃タイトル：日本語の題😀\n");
  CompileResult ok = compileScript(test::scriptPath(rig.dir.path() / "ok.tvk"));
  ASSERT_FALSE(ok.error.has_value());
  rig.play(ok.program);
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), sjis("日本語の題？")) << "a character Shift-JIS cannot hold becomes ？";
  // Shift-JIS files are read as they are.
  EXPECT_FALSE(utf8TextAsSjis(sjis("＃タイトル：題")).has_value());
  EXPECT_FALSE(utf8TextAsSjis("#plain ascii").has_value());
}

TEST(Statements, AWrittenFullWidthDollarOpensATag) {
  test::TempDir dir;
  const CompileResult result =
      test::compileSource(dir, "＃文字レイヤー宣言：枠\n＃文字動作宣言：標準\n＃枠標準：\nprice ＄5\n");
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->index, 3);
  EXPECT_EQ(result.error->message, kw::kMsgTagNotClosed);
}

}  // namespace
}  // namespace tavrik
