#include "script/compiler/script_compiler.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "base/keywords.h"
#include "base/script_path.h"
#include "base/text_encoding.h"
#include "support/compiler_support.h"

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

TEST(ScriptCompiler, ReportOfTheFirstLineSaysZero) {
  test::TempDir dir;
  std::optional<ScriptError> error = test::compileSource(dir, "abc\n").error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->index, 0);
  EXPECT_EQ(error->message, kw::kMsgNeedHash);
  EXPECT_EQ(error->reportText("p"), "p" + sjis("の0行目：\nabc\n行頭に＃が必要です。"));
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

// A script deleted while the game plays is saved again by the editor: the reload must say so rather than
// play nothing and end. Nothing here may wait on a pipe or read a device without end.
TEST(ScriptCompiler, AMainScriptThatCannotBeReadIsAnErrorNamingIt) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.tvk").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.path() / "folder.tvk");
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.tvk");
  // Declared by its size, never written.
  std::filesystem::resize_file(dir.write("huge.tvk", ""), 1024u * 1024 * 1024);
  const std::pair<const char*, const char*> cases[] = {
      {"missing.tvk", "」が見つかりません。"},
      {"fifo.tvk", "」は通常のファイルではないので読めません。"},
      {"folder.tvk", "」は通常のファイルではないので読めません。"},
      {"zero.tvk", "」は通常のファイルではないので読めません。"},
      {"huge.tvk", "」は大きすぎて読めません（64MBまで）。"},
  };
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [name, says] : cases) {
    const std::string path = test::scriptPath(dir.path() / name);
    const CompileResult result = compileScript(path);
    EXPECT_EQ(result.program, nullptr) << name;
    ASSERT_TRUE(result.error.has_value()) << name;
    EXPECT_EQ(result.error->path, path);
    // (The message shows the path with this system's separators.)
    EXPECT_EQ(result.error->message, sjis("スクリプト「") + paths::forMessage(path) + sjis(says));
    EXPECT_EQ(result.error->reportText("p"), "p" + sjis("の0行目：\n\n") + result.error->message);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "nothing waited";
}

// An inserted file found but unreadable is an error at the line inserting it, as one not found is.
TEST(ScriptCompiler, AnInsertedFileThatCannotBeReadIsAnErrorAtItsInsertion) {
  test::TempDir dir;
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.tvk").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.path() / "folder.tvk");
  std::filesystem::resize_file(dir.write("huge.tvk", ""), kMaxScriptSize + 1);
  for (const char* name : {"fifo", "folder.tvk", "huge", "none"}) {
    const std::string insert = std::string("＃タイトル：a\n＃ファイル挿入：") + name + "\n";
    const std::optional<ScriptError> error = test::compileSource(dir, insert).error;
    ASSERT_TRUE(error.has_value()) << name;
    EXPECT_EQ(error->path, test::scriptPath(dir.path() / "main.tvk")) << name;
    EXPECT_EQ(error->index, 1) << name;
    EXPECT_EQ(error->line, sjis("＃ファイル挿入：") + name) << name;
    EXPECT_EQ(error->message.rfind(sjis("スクリプト「"), 0), 0u) << name;
  }
}

TEST(ScriptCompiler, MacrosThatMultiplyStopAtTheCommandBoundOnTheLineThatCrossesIt) {
  test::TempDir dir;
  // A macro used in itself doubles at every use: forty uses would be a trillion commands.
  std::string doubling = "＃マクロ宣言：m\n＃入力待機\n";
  for (int i = 0; i < 40; ++i) doubling += "＃m\n";
  doubling += "＃マクロ宣言終了\n＃m\n";
  std::optional<ScriptError> error = test::compileSource(dir, doubling).error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->message, kw::kMsgTooManyCommands);
  // 2^k commands after the k-th use: the 24th use (line 25) would pass ten million.
  EXPECT_EQ(error->index, 25);

  // Ten macros each using the one before ten times: a billion in the last.
  std::string nested = "＃マクロ宣言：m0\n＃入力待機\n＃マクロ宣言終了\n";
  for (int m = 1; m < 10; ++m) {
    nested += "＃マクロ宣言：m" + std::to_string(m) + "\n";
    for (int i = 0; i < 10; ++i) nested += "＃m" + std::to_string(m - 1) + "\n";
    nested += "＃マクロ宣言終了\n";
  }
  error = test::compileSource(dir, nested, "nested.tvk").error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->message, kw::kMsgTooManyCommands);
  EXPECT_EQ(error->line, sjis("＃m6"));
}

TEST(ScriptCompiler, InsertionsThatMultiplyStopAtTheBoundOnTheInsertingLine) {
  // Each file inserts the next twice, thirty deep: the lines would come to two billion.
  test::TempDir dir;
  for (int k = 1; k < 31; ++k) {
    const std::string next = "＃ファイル挿入：f" + std::to_string(k + 1) + "\n";
    dir.write("f" + std::to_string(k) + ".tvk", test::sjisScript(next + next));
  }
  dir.write("f31.tvk", test::sjisScript("＃入力待機\n"));
  const std::optional<ScriptError> error = test::compileSource(dir, "＃ファイル挿入：f1\n").error;
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->message, kw::kMsgTooManyInserts);
  EXPECT_NE(error->path.find("f"), std::string::npos);
  EXPECT_EQ(error->line.rfind(sjis("＃ファイル挿入：f"), 0), 0u);

  // Few insertions of a long file: the lines are bounded too, the fifth million crossing it.
  dir.write("long.tvk", std::string(1'000'000, '\n'));
  const std::string insert = "＃ファイル挿入：long\n";
  const std::optional<ScriptError> lines =
      test::compileSource(dir, "\n" + insert + insert + insert + insert + insert, "lines.tvk").error;
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->message, kw::kMsgTooManyInserts);
  EXPECT_EQ(lines->index, 5);
}

TEST(ScriptCompiler, AHundredThousandVariablesInOneDeclaration) {
  test::TempDir dir;
  std::string names = "＃変数宣言：v0";
  for (int i = 1; i < 100000; ++i) names += ",v" + std::to_string(i);
  const CompileResult result = test::compileSource(dir, names + "\n＃変数宣言：v99999\n");
  ASSERT_TRUE(result.error.has_value());
  EXPECT_EQ(result.error->index, 1) << "every name declared, the repeat found";
  const CompileResult fine = test::compileSource(dir, names + "\n", "fine.tvk");
  ASSERT_TRUE(fine.program);
  EXPECT_EQ(fine.program->variables.size(), 100001u);
}

}  // namespace
}  // namespace tavrik
