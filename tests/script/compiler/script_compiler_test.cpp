#include "script/compiler/script_compiler.h"

#include <gtest/gtest.h>

#include "base/keywords.h"
#include "base/text_encoding.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

TEST(ScriptCompiler, ErrorNamesTheFileTheZeroBasedLineAndTheLineAsWritten) {
  test::TempDir dir;
  const CompileResult result = test::compileSource(
      dir, "＃＃ 最初の行\n\n＃タイトル：ok\n  ＃ 未知 ： Ａ１\t\n＃タイトル：never reached\n");
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.program, nullptr);
  const ScriptError& error = *result.error;
  EXPECT_EQ(error.index, 3);
  EXPECT_EQ(error.message, kw::kMsgUndeclaredHead);
  EXPECT_EQ(error.path, test::scriptPath(dir.path() / "main.tvk"));
  EXPECT_EQ(
      error.reportText(),
      error.path + sjis("の3行目：\n  ＃ 未知 ： Ａ１\t\nレイヤー，チャネル，または動作が未宣言です。"));
}

TEST(ScriptCompiler, ReportOfTheFirstLineSaysZeroAndAnIndexOutsideTheFileShowsAnEmptyLine) {
  test::TempDir dir;
  std::optional<ScriptError> error = test::compileSource(dir, "abc\n").error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->index, 0);
  EXPECT_EQ(error->message, kw::kMsgNeedHash);
  error->index = 7;
  EXPECT_EQ(error->reportText("p"), "p" + sjis("の7行目：\n\n行頭に＃が必要です。"));
}

TEST(ScriptCompiler, HeadsMatchWholeKeywordsOnly) {
  for (const char* line : {"＃タイトルx：a", "＃xタイトル", "＃", "＃：タイトル", "＃時間待機２"}) {
    test::TempDir dir;
    const std::optional<ScriptError> error = test::compileSource(dir, line).error;
    ASSERT_TRUE(error.has_value()) << line;
    EXPECT_EQ(error->message, kw::kMsgUndeclaredHead) << line;
  }
  test::TempDir dir;
  const CompileResult ok =
      test::compileSource(dir, "＃タ＃イトル：a\n＃時 間 待 機：１：extra：ignored\n＃入力待機：ignored");
  ASSERT_FALSE(ok.error.has_value());
  EXPECT_EQ(ok.program->code.size(), 3u);
}

TEST(ScriptCompiler, WaitForActionsOfAnUndeclaredNameIsAnError) {
  test::TempDir dir;
  const std::optional<ScriptError> error = test::compileSource(dir, "＃動作待機：\n＃動作待機：背景\n").error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->index, 1);
  EXPECT_EQ(error->message, sjis("レイヤーまたはチャネル「背景」は未宣言です。"));
}

TEST(ScriptCompiler, AFinalCtrlZIsNoLine) {
  test::TempDir dir;
  const CompileResult marked = test::compileSource(dir, "＃入力待機\n\x1A");
  ASSERT_FALSE(marked.error.has_value()) << sjisToUtf8(marked.error->reportText());
  EXPECT_EQ(marked.program->code.size(), 1u);
  const std::optional<ScriptError> inside = test::compileSource(dir, "＃入力待機\n\x1A\n").error;
  ASSERT_TRUE(inside.has_value()) << "followed by a line break it is a line like any other";
  EXPECT_EQ(inside->index, 1);
  EXPECT_EQ(inside->message, kw::kMsgNeedHash);
}

TEST(ScriptCompiler, AMissingFileCompilesToNothing) {
  test::EngineRig rig;
  const CompileResult result = compileScript(test::scriptPath(rig.dir.path() / "missing.tvk"));
  ASSERT_FALSE(result.error.has_value());
  EXPECT_TRUE(result.program->code.empty());
  rig.play(result.program);
  EXPECT_EQ(rig.framesUntilFinished(), 1);
}

TEST(ScriptCompiler, ALineOfAnyLengthIsCompiled) {
  test::EngineRig rig;
  const std::string longTitle(5000, 'x');
  ASSERT_FALSE(rig.compile("＃タイトル：" + longTitle + "\n＃タイトル：after").has_value());
  EXPECT_EQ(rig.program->code.size(), 2u);
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "after");
}

}  // namespace
}  // namespace tavrik
