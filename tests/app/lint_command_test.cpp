// tavrik --lint as authors and their editors run it: the command line, what it writes, its status.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/options.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

using test::PlayerCopy;
using test::ProcessResult;
using test::sjisScript;

std::optional<CommandLine> parse(std::vector<const char*> args, std::string* error = nullptr) {
  args.insert(args.begin(), "tavrik");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), error);
}

TEST(LintCommand, LintAndItsFormatAreTakenOutWhereverTheyStand) {
  auto cl = parse({"--format", "json", "game.tvk", "--lint"});
  ASSERT_TRUE(cl.has_value());
  EXPECT_TRUE(cl->automation.lint);
  EXPECT_TRUE(cl->automation.lintJson);
  EXPECT_EQ(cl->arguments, (std::vector<std::string>{"tavrik", "game.tvk"}));
  cl = parse({"game.tvk", "--lint", "--format", "text"});
  ASSERT_TRUE(cl.has_value());
  EXPECT_FALSE(cl->automation.lintJson);
  std::string error;
  EXPECT_FALSE(parse({"--lint", "--format"}, &error).has_value());
  EXPECT_FALSE(parse({"--lint", "--format", "xml"}, &error).has_value());
  EXPECT_NE(error.find("text or json"), std::string::npos);
}

// The demo and the default game have nothing to be told.
TEST(LintCommand, TheDemoAndTheDefaultGameLintClean) {
  PlayerCopy player;
  const ProcessResult demo =
      player.run({"--lint", std::string(TAVRIK_SOURCE_DIR) + "/examples/demo/start.tvk"});
  EXPECT_EQ(demo.exitCode, 0) << demo.out << demo.err;
  EXPECT_EQ(demo.out + demo.err, "");
  const ProcessResult credit = player.run({"--lint"});
  EXPECT_EQ(credit.exitCode, 0) << credit.out << credit.err;
  EXPECT_EQ(credit.out + credit.err, "");
}

TEST(LintCommand, FindingsAreLinesEditorsReadAndErrorsGiveStatusOne) {
  PlayerCopy player;
  test::TempDir dir;
  const auto bad = dir.write("bad.tvk", sjisScript("＃変数宣言：回数\n＃時間待機：二\n＃背景表示\n"));
  const ProcessResult r = player.run({bad.string(), "--lint"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.err, "");
  std::istringstream lines(r.out);
  const std::regex form(R"(^(.+):(\d+):(\d+): (error|warning): (.+) — (.+)$)");
  std::vector<std::string> positions;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, form)) << line;
    EXPECT_EQ(m[1].str(), bad.string());
    positions.push_back(m[2].str() + ":" + m[3].str() + " " + m[4].str());
  }
  EXPECT_EQ(positions, (std::vector<std::string>{"1:7 warning", "2:7 error", "3:2 error"})) << r.out;

  // Warnings alone leave the status at 0; the same findings come as JSON when asked.
  const auto warned = dir.write("warned.tvk", sjisScript("＃変数宣言：回数\n"));
  const ProcessResult w = player.run({"--lint", warned.string()});
  EXPECT_EQ(w.exitCode, 0);
  EXPECT_NE(w.out.find(":1:7: warning: "), std::string::npos) << w.out;
  const ProcessResult json = player.run({"--lint", "--format", "json", warned.string()});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_EQ(json.out.substr(0, 2), "[{");
  EXPECT_NE(json.out.find("\"line\": 1, \"column\": 7, \"severity\": \"warning\""), std::string::npos)
      << json.out;

  const ProcessResult folder = player.run({"--lint", dir.path().string()});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_NE(folder.out.find(dir.path().string() + ":1:1: error: "), std::string::npos) << folder.out;
}

}  // namespace
}  // namespace tavrik
