// What declarations and statements leave in the program, where a golden script cannot see it (what
// the engine makes of them is in script/runtime/compiled_script_test.cpp).
#include <gtest/gtest.h>

#include "base/keywords.h"
#include "base/text_encoding.h"
#include "script/compiler/script_compiler.h"
#include "support/compiler_support.h"

namespace tavrik {
namespace {

using test::compiled;
using test::sjis;

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
