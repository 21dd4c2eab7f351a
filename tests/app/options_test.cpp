#include "app/options.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

std::optional<CommandLine> parse(std::vector<const char*> args, std::string* error = nullptr) {
  args.insert(args.begin(), "tavrik");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), error);
}

TEST(Options, AutomationOptionsAreTakenOutWhereverTheyStand) {
  const auto cl = parse({"--headless", "-f", "--frames", "10", "game.tvk", "--screenshot", "out.png",
                         "--events", "e.txt", "--dump-variables", "--check"});
  ASSERT_TRUE(cl.has_value());
  EXPECT_TRUE(cl->automation.headless);
  EXPECT_EQ(cl->automation.frames, 10);
  EXPECT_EQ(cl->automation.screenshot, std::filesystem::path("out.png"));
  EXPECT_EQ(cl->automation.events, std::filesystem::path("e.txt"));
  EXPECT_TRUE(cl->automation.dumpVariables);
  EXPECT_TRUE(cl->automation.check);
  // "-f" stays the first remaining argument, so it is taken as the script path.
  EXPECT_EQ(cl->arguments, (std::vector<std::string>{"tavrik", "-f", "game.tvk"}));
}

TEST(Options, MalformedAutomationOptionsAreRefused) {
  std::string error;
  EXPECT_FALSE(parse({"--frames"}, &error).has_value());
  EXPECT_FALSE(parse({"--frames", "ten"}, &error).has_value());
  EXPECT_FALSE(parse({"--frames", "-1"}, &error).has_value());
  EXPECT_FALSE(parse({"--frames", "5x"}, &error).has_value());
  EXPECT_FALSE(parse({"--screenshot"}, &error).has_value());
  EXPECT_FALSE(parse({"--events"}, &error).has_value());
  EXPECT_NE(error.find("--events"), std::string::npos);
  EXPECT_FALSE(parse({"--frames", "0"}, &error).has_value()) << "a run of no frames would show nothing";
  EXPECT_NE(error.find("1 or more"), std::string::npos);
  EXPECT_TRUE(parse({"--frames", "1"}).has_value());
  // The mix goes to a WAV file, and only from a headless run, whose frames it follows.
  EXPECT_FALSE(parse({"--headless", "--audio-out", "mix.mp3"}, &error).has_value());
  EXPECT_NE(error.find(".wav"), std::string::npos);
  EXPECT_FALSE(parse({"--audio-out", "mix.wav"}, &error).has_value());
  EXPECT_NE(error.find("--headless"), std::string::npos);
  EXPECT_EQ(parse({"--audio-out", "mix.WAV", "--headless"})->automation.audioOut, "mix.WAV");
}

TEST(Options, PlayerOptionsAreWholeCaseSensitiveArguments) {
  auto scan = [](std::vector<std::string> args) {
    args.insert(args.begin(), "tavrik");
    return scanPlayerOptions(args);
  };
  EXPECT_TRUE(scan({"a.tvk"}).confirmExit);
  EXPECT_FALSE(scan({"a.tvk", "-nce"}).confirmExit);
  EXPECT_FALSE(scan({"-noconfirmexit"}).confirmExit);
  EXPECT_TRUE(scan({"a.tvk", "-NCE"}).confirmExit);
  EXPECT_TRUE(scan({"a.tvk", "-ncex"}).confirmExit);
  EXPECT_TRUE(scan({"a.tvk", "-f"}).fullscreen);
  EXPECT_TRUE(scan({"-f"}).fullscreen) << "argument 1 is examined too";
  // A size option takes the next argument as its value, even when it looks like an option.
  EXPECT_FALSE(scan({"a.tvk", "-w", "-f"}).fullscreen);
  EXPECT_TRUE(scan({"a.tvk", "-fh", "-nce", "-f"}).fullscreen);
  EXPECT_FALSE(scan({"a.tvk", "-fh", "-nce"}).confirmExit) << "the exit pass reads every argument itself";
}

}  // namespace
}  // namespace tavrik
