// The lint. Every script in tests/script/lint is a case: UTF-8 here, Shift-JIS when linted, with comment
// lines saying what it needs and what it must give:
//   ## file NAME                                  an empty file beside the script (pictures, sounds)
//   ## expect LINE:COLUMN SEVERITY CHECK [TEXT]   a finding, and text its message holds
// A case gives exactly the findings it expects; one that expects none must lint clean.
#include "script/compiler/lint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "base/text_encoding.h"
#include "script/compiler/script_compiler.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

struct Expected {
  int line = 0;
  int column = 0;
  std::string severity;
  std::string check;
  std::string text;
};

std::string severityOf(const LintFinding& f) {
  return f.severity == LintFinding::Severity::Error ? "error" : "warning";
}

std::string describe(const std::vector<LintFinding>& findings) {
  return lintText(findings);
}

// The findings equal the expected ones, in any order, each message holding its text.
void expectFindings(const std::vector<LintFinding>& findings, const std::vector<Expected>& expected,
                    const std::string& what) {
  ASSERT_EQ(findings.size(), expected.size()) << what << "\n" << describe(findings);
  std::vector<bool> matched(findings.size());
  for (const Expected& e : expected) {
    bool found = false;
    for (std::size_t i = 0; i < findings.size() && !found; ++i) {
      const LintFinding& f = findings[i];
      found = !matched[i] && f.line == e.line && f.column == e.column && severityOf(f) == e.severity &&
              f.check == e.check && f.message.find(e.text) != std::string::npos;
      if (found) matched[i] = true;
    }
    EXPECT_TRUE(found) << what << ": no " << e.line << ":" << e.column << " " << e.severity << " " << e.check
                       << " \"" << e.text << "\" in\n"
                       << describe(findings);
  }
}

TEST(Lint, EveryCaseGivesExactlyTheFindingsItExpects) {
  const fs::path cases = fs::path(TAVRIK_SOURCE_DIR) / "tests/script/lint";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(cases)) {
    if (entry.path().extension() != ".tvk") continue;
    ++count;
    const std::string source = test::readBytes(entry.path());
    test::TempDir dir;
    std::vector<Expected> expected;
    std::istringstream lines(source);
    for (std::string line; std::getline(lines, line);) {
      std::istringstream words(line);
      std::string hashes, kind;
      words >> hashes >> kind;
      if (hashes != "##") continue;
      if (kind == "file") {
        std::string name;
        words >> name;
        dir.write(name, "");
      } else if (kind == "expect") {
        Expected e;
        char colon = 0;
        words >> e.line >> colon >> e.column >> e.severity >> e.check;
        std::getline(words >> std::ws, e.text);
        expected.push_back(e);
      }
    }
    const fs::path script = dir.write("main.tvk", test::sjisScript(source));
    const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
    expectFindings(findings, expected, entry.path().filename().string());
    for (const LintFinding& f : findings) EXPECT_EQ(f.file, script.string());
  }
  EXPECT_GE(count, 20);
}

// Mistakes that each give one finding, put together many to a script: the lint goes on past every one
// and reports them all in one run. "{n}" in a mistake's lines stands for a number of its own, so that
// the names of two mistakes never meet.
struct Mistake {
  std::vector<std::string> lines;
  int line;        // which of the lines the finding is on
  std::string at;  // the text its column points at; empty for just after the end of the line
  const char* check;
  const char* severity = "error";
};

const std::vector<Mistake>& mistakes() {
  static const std::vector<Mistake> kMistakes = {
      {{"＃単純レイヤー宣言：絵{n}", "＃動作宣言：出る{n}", "０，ＶＡ，０．０５", "０，ＥＮＤ，０",
        "＃絵{n}画像：pic", "＃絵{n}出る{n}"},
       2,
       "０．０５",
       "not-a-number"},
      {{"＃単純レイヤー宣言：絵{n}", "＃動作宣言：出る{n}", "０，Ｘ，二百", "＃絵{n}画像：pic",
        "＃絵{n}出る{n}"},
       2,
       "二百",
       "not-a-number"},
      {{"＃動作宣言：出る{n}", "０，Ａ，０", "Ａ，１", "＃単純レイヤー宣言：絵{n}", "＃絵{n}画像：pic",
        "＃絵{n}出る{n}"},
       2,
       "Ａ，１",
       "keyframe-without-step"},
      {{"＃単純レイヤー宣言：絵{n}", "＃動作宣言：出る{n}", "０，ＶＡ，０，０５", "＃絵{n}画像：pic",
        "＃絵{n}出る{n}"},
       2,
       "０，０５",
       "extra-values"},
      {{"＃単純レイヤー宣言：絵{n}", "＃動作宣言：出る{n}", "０，ＥＮＤ，０", "＃絵{n}画像：pic",
        "＃絵{n}出る{n}", "＃会{n}出る{n}"},
       5,
       "会",
       "undeclared-name"},
      {{"＃文字レイヤー宣言：枠{n}", "＃文字動作宣言：字{n}", "０，ＥＮＤ，０", "＃枠{n}字{n}", "こんにちは"},
       3,
       "",
       "missing-text-colon"},
      {{"＃単純レイヤー宣言：絵{n}", "＃絵{n}画像：無い{n}"}, 1, "無い{n}", "missing-picture"},
      {{"＃変数宣言：余り{n}"}, 0, "余り{n}", "unused-declaration", "warning"},
      {{"＃単純レイヤー宣言：絵{n}", "＃動作宣言：揺れ{n}", "０，ＶＸ，１", "＃絵{n}画像：pic",
        "＃絵{n}揺れ{n}", "＃動作待機：絵{n}"},
       5,
       "絵{n}",
       "wait-never-ends"},
      {{"＃文字レイヤー宣言：枠{n}", "＃文字動作宣言：字{n}", "０，ＥＮＤ，０", "＃枠{n}字{n}：",
        "あ$赤{n}$い"},
       4,
       "赤{n}",
       "unknown-tag"},
      {{"＃変数宣言：数{n}", "＃式：数{n}＝数{n}ｘ"}, 1, "数{n}ｘ", "not-a-number"},
      {{"＃マクロ宣言：空{n}", "＃マクロ宣言終了"}, 0, "空{n}", "unused-declaration", "warning"},
      {{"＃マクロ宣言：場面{n}", "＃時間待機：１", "＃マクロ宣言終了", "＃場面{n}", "　＃場面{n}ｘ"},
       4,
       "場面{n}ｘ",
       "undeclared-name"},
      {{"＃条件：無{n}＝＝１", "＃条件終了"}, 0, "無{n}", "undeclared-name"},
      {{"＃単純レイヤー宣言：択{n}", "＃択{n}選択宣言：１，１，０"},
       1,
       "択{n}選択",
       "choice-without-picture",
       "warning"},
      {{"＃単純レイヤー宣言：絵{n}", "＃絵{n}画像：PIC"}, 1, "PIC", "letter-case", "warning"},
  };
  return kMistakes;
}

// Mistakes that can only end a script.
const std::vector<Mistake>& endings() {
  static const std::vector<Mistake> kEndings = {
      {{"＃ループ"}, 0, "＃ループ", "open-block"},
      {{"＃変数宣言：旗{n}", "＃式：旗{n}＝０", "＃ループ", "＃時間待機：１", "＃ループ終了：旗{n}＝＝０",
        "＃タイトル：後"},
       5,
       "＃タイトル",
       "unreachable",
       "warning"},
      {{"＃条件：選択結果＝＝０"}, 0, "＃条件", "open-block"},
  };
  return kEndings;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Characters (UTF-8) of text before byte offset.
int charactersBefore(const std::string& text, std::size_t offset) {
  int count = 0;
  for (std::size_t i = 0; i < offset; ++i) count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return count;
}

TEST(Lint, ScriptsWithSeveralMistakesReportThemAllInOneRun) {
  const std::vector<Mistake>& all = mistakes();
  for (int k = 0; k < 20; ++k) {
    std::vector<std::string> lines = {"＃＃ 間違いの多いスクリプト " + std::to_string(k)};
    std::vector<Expected> expected;
    auto put = [&](const Mistake& m, int n) {
      const int first = static_cast<int>(lines.size());
      for (const std::string& line : m.lines) lines.push_back(replaced(line, "{n}", std::to_string(n)));
      const std::string& line = lines[static_cast<std::size_t>(first + m.line)];
      const std::string at = replaced(m.at, "{n}", std::to_string(n));
      const std::size_t offset = at.empty() ? line.size() : line.find(at);
      ASSERT_NE(offset, std::string::npos) << at;
      expected.push_back({first + m.line + 1, charactersBefore(line, offset) + 1, m.severity, m.check, ""});
    };
    // Four to seven different mistakes, in an order of the script's own, then perhaps an ending.
    std::set<std::size_t> used;
    const int count = 4 + k % 4;
    for (int j = 0; static_cast<int>(used.size()) < count; ++j) {
      const std::size_t which = static_cast<std::size_t>(k * 7 + j * 5) % all.size();
      if (!used.insert(which).second) continue;
      put(all[which], k * 100 + j);
      lines.push_back("");
    }
    if (k % 4 != 3) put(endings()[static_cast<std::size_t>(k % 4)], k * 100 + 99);

    std::string source;
    for (const std::string& line : lines) source += line + "\n";
    test::TempDir dir;
    dir.write("pic.png", "");
    const fs::path script = dir.write("main.tvk", test::sjisScript(source));
    const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
    expectFindings(findings, expected, "script " + std::to_string(k) + ":\n" + source);
    EXPECT_TRUE(hasErrors(findings));
  }
}

TEST(Lint, AFolderNothingOrAHugeFileGivenAsTheScriptIsOneFinding) {
  test::TempDir dir;
  const std::string folder = test::scriptPath(dir.path());
  std::vector<LintFinding> findings = lintScript(folder);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].check, "script-is-folder");
  EXPECT_EQ(findings[0].line, 1);
  EXPECT_EQ(findings[0].column, 1);
  EXPECT_TRUE(hasErrors(findings));
  findings = lintScript(folder + "\\none.tvk");
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].check, "script-not-found");
  // Too large to read, declared by its size and never written: no empty script that lints clean.
  fs::resize_file(dir.write("huge.tvk", ""), 1024u * 1024 * 1024);
  findings = lintScript(folder + "\\huge.tvk");
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].check, "compile-error");
  EXPECT_EQ(findings[0].line, 1);
  EXPECT_NE(findings[0].message.find("」は大きすぎて読めません（64MBまで）。 — script '"), std::string::npos)
      << findings[0].message;
  EXPECT_TRUE(hasErrors(findings));
}

TEST(Lint, InsertedFilesAreLintedUnderTheirOwnNames) {
  test::TempDir dir;
  dir.write("scenes/one.tvk", test::sjisScript("＃＃ 場面\n＃時間待機：１０．５\n"));
  const fs::path script =
      dir.write("main.tvk", test::sjisScript("＃ファイル挿入：scenes\\one\n＃時間待機：二\n"));
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_EQ(findings.size(), 2u) << describe(findings);
  // The main script first, then the inserted file, whatever the order they were met.
  EXPECT_EQ(findings[0].file, script.string());
  EXPECT_EQ(findings[0].line, 2);
  EXPECT_EQ(findings[1].file, (dir.path() / "scenes/one.tvk").string());
  EXPECT_EQ(findings[1].line, 2);
  EXPECT_EQ(findings[1].column, 7);
}

TEST(Lint, TheThemeBesideTheScriptWarnsAtTheLinesThePlayerPassesOver) {
  test::TempDir dir;
  const fs::path script = dir.write("main.tvk", test::sjisScript("＃時間待機：１\n"));
  dir.write("tavrik-theme.ini", "accent = #F2C55C\r\npanel = navy\r\nbackdrop = stars.png\r\n");
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_EQ(findings.size(), 2u) << describe(findings);
  EXPECT_EQ(findings[0].file, (dir.path() / "tavrik-theme.ini").string());
  EXPECT_EQ(findings[0].line, 2);
  EXPECT_EQ(findings[0].check, "theme");
  EXPECT_EQ(findings[0].severity, LintFinding::Severity::Warning);
  EXPECT_NE(findings[0].message.find("navy"), std::string::npos) << findings[0].message;
  EXPECT_EQ(findings[1].line, 3);
  EXPECT_EQ(findings[1].check, "theme-backdrop");
  EXPECT_FALSE(hasErrors(findings)) << "the game plays, in the default look where a value is wrong";
}

TEST(Lint, AMacroUsedTwiceSaysItsMistakeOnce) {
  test::TempDir dir;
  const fs::path script = dir.write("main.tvk", test::sjisScript("＃単純レイヤー宣言：絵\n"
                                                                 "＃動作宣言：揺れる\n０，ＶＸ，１\n"
                                                                 "＃マクロ宣言：場面\n＃絵揺れる\n"
                                                                 "＃動作待機：絵\n＃マクロ宣言終了\n"
                                                                 "＃場面\n＃場面\n"));
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_EQ(findings[0].check, "wait-never-ends");
  EXPECT_EQ(findings[0].line, 6);
}

TEST(Lint, ANameUsedBeforeItsDeclarationSaysWhereItIsDeclared) {
  test::TempDir dir;
  const fs::path script =
      dir.write("main.tvk",
                test::sjisScript("＃背景表示\n＃単純レイヤー宣言：背景\n＃動作宣言：表示\n０，ＥＮＤ，０\n"));
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_EQ(findings.size(), 1u) << describe(findings);
  EXPECT_EQ(findings[0].check, "undeclared-name");
  EXPECT_NE(findings[0].message.find("レイヤー「背景」は2行目で宣言されています"), std::string::npos)
      << findings[0].message;
  EXPECT_NE(findings[0].message.find("layer '背景' is declared at line 2"), std::string::npos)
      << findings[0].message;
}

TEST(Lint, AScriptThatIsNoScriptStopsAfterManyProblemsAndSaysWhere) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "not a directive\n";
  const fs::path script = dir.write("main.tvk", text);
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_EQ(findings.size(), kMaxFindings + 1);
  EXPECT_EQ(findings.back().check, "too-many-findings");
  EXPECT_EQ(findings.back().line, 10001);
  EXPECT_NE(findings.back().message.find("ここで点検をやめました"), std::string::npos)
      << findings.back().message;
}

// Problems the compile meets after the bound, and what the lint finds itself, are counted and not told,
// whatever kind they are: the output of any script stays a screenful of thousands, not of millions.
TEST(Lint, EveryKindOfFindingStopsAtTheBoundAndTheLastLineSaysHowManyWereLeftOut) {
  struct Case {
    const char* what;
    std::string source;
    std::size_t leftOut;
    int line;
    LintFinding::Severity severity;
  };
  const auto repeated = [](const std::string& line, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += line;
    return out;
  };
  std::string names = "＃変数宣言：v0";
  for (int i = 1; i < 15000; ++i) names += "，v" + std::to_string(i);
  const Case cases[] = {
      {"blocks left open", repeated("＃ループ\n", 15000), 5000, 10001, LintFinding::Severity::Error},
      // (The check stops short there: that "a" is never used is not told of a program not read whole.)
      {"keyframe lines in error", "＃動作宣言：a\n" + repeated("０，x，１\n", 15000), 1, 10002,
       LintFinding::Severity::Error},
      {"names never used", names + "\n", 5000, 1, LintFinding::Severity::Warning},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    const fs::path script = dir.write("main.tvk", test::sjisScript(c.source));
    const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
    ASSERT_EQ(findings.size(), kMaxFindings + 1) << c.what;
    // Either form is a line a finding, and no more.
    for (const std::string& output : {lintText(findings), lintJson(findings)})
      EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), kMaxFindings + 1) << c.what;
    const LintFinding& last = findings.back();
    EXPECT_EQ(last.check, "too-many-findings") << c.what;
    EXPECT_EQ(last.line, c.line) << c.what;
    EXPECT_NE(last.message.find(std::to_string(c.leftOut) + "件"), std::string::npos)
        << c.what << last.message;
    EXPECT_EQ(last.severity, c.severity) << c.what << ": an error when any left out is one";
  }
}

TEST(Lint, ANameUsedPastWhereTheCheckStoppedIsNotCalledUnused) {
  std::string source = "＃単純レイヤー宣言：背景\n＃変数宣言：回数\n";
  for (int i = 0; i < 10005; ++i) source += "＃入力待機：１\n";
  source += "＃背景画像：sky\n＃式：回数＝１\n";
  test::TempDir dir;
  const fs::path script = dir.write("main.tvk", test::sjisScript(source));
  const std::vector<LintFinding> findings = lintScript(test::scriptPath(script));
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings.back().check, "too-many-findings");
  for (const LintFinding& f : findings) EXPECT_NE(f.check, "unused-declaration") << f.message;
}

TEST(Lint, TextHasOneFindingALineAndJsonEscapesWhatItMust) {
  std::vector<LintFinding> findings(2);
  findings[0] = {"a b/c.tvk", 3, 7, LintFinding::Severity::Error, "not-a-number", "「二百」は — 'x\"y'\\"};
  findings[1] = {"c.tvk", 10, 1, LintFinding::Severity::Warning, "unused-declaration", "tab\there\x01"};
  EXPECT_EQ(lintText(findings),
            "a b/c.tvk:3:7: error: 「二百」は — 'x\"y'\\\nc.tvk:10:1: warning: tab\there\\x01\n");
  // A line feed in a file's name would make a finding line of its own.
  const LintFinding forged = {"x.tvk\nforged.tvk:1:1: error: m", 2,   1,
                              LintFinding::Severity::Warning,    "c", "\rm"};
  EXPECT_EQ(lintText({forged}), "x.tvk\\x0aforged.tvk:1:1: error: m:2:1: warning: \\x0dm\n");
  EXPECT_EQ(lintJson(findings),
            "[{\"file\": \"a b/c.tvk\", \"line\": 3, \"column\": 7, \"severity\": \"error\", \"check\": "
            "\"not-a-number\", \"message\": \"「二百」は — 'x\\\"y'\\\\\"},\n"
            " {\"file\": \"c.tvk\", \"line\": 10, \"column\": 1, \"severity\": \"warning\", \"check\": "
            "\"unused-declaration\", \"message\": \"tab\\there\\u0001\"}]\n");
  EXPECT_EQ(lintJson({}), "[]\n");
  EXPECT_TRUE(hasErrors(findings));
  findings.erase(findings.begin());
  EXPECT_FALSE(hasErrors(findings));
}

TEST(Lint, TheNormalCompileStillStopsAtTheFirstErrorWhereTheNotingOneGoesOn) {
  test::TempDir dir;
  const fs::path script =
      dir.write("main.tvk",
                test::sjisScript("＃未知\n＃タイトル：一\n＃時間待機：二\n＃式：無い＝１\n＃タイトル：二\n"));
  const CompileResult normal = compileScript(test::scriptPath(script));
  ASSERT_TRUE(normal.error.has_value());
  EXPECT_EQ(normal.error->index, 0);
  CompileNotes notes;
  const CompileResult noting = compileScript(test::scriptPath(script), notes);
  ASSERT_TRUE(noting.program);
  EXPECT_FALSE(noting.error.has_value());
  // The titles and the wait compile; the two lines in error are noted.
  EXPECT_EQ(noting.program->code.size(), 3u);
  ASSERT_EQ(notes.notes.size(), 3u);
  EXPECT_EQ(notes.notes[0].problem, CompileNotes::Problem::UndeclaredHead);
  EXPECT_EQ(notes.notes[1].problem, CompileNotes::Problem::NotANumber);
  EXPECT_EQ(notes.notes[2].problem, CompileNotes::Problem::UndefinedVariable);
  EXPECT_EQ(notes.notes[2].site.line, 3);
}

}  // namespace
}  // namespace tavrik
