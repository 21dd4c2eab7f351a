// An hour of play, headless: the demo played through with its events again and again (its pictures,
// fonts and sounds loaded afresh each round) for 216,000 frames, sixty a second for an hour. Prints the
// resident memory at frame 30,000 and at the end: a leak shows as growth between the two.
//   tavrik_soak [FRAMES]   (default 216000)
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "platform/session.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";
constexpr long long kRound = 1100;  // the demo ends by itself before this

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const long long total = argc > 1 ? std::atoll(argv[1]) : 216000;
  std::string pattern = (fs::temp_directory_path() / "tavrik-soak-XXXXXX").string();
  const fs::path home = ::mkdtemp(pattern.data());
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string error;
  std::unique_ptr<tavrik::PlatformSession> session = tavrik::PlatformSession::start(true, &error);
  if (!session) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  long atMark = -1;
  long long played = 0;
  int rounds = 0;
  while (played < total) {
    tavrik::CommandLine commandLine;
    commandLine.arguments = {"tavrik", (kDemo / "start.tvk").string(), "-nce"};
    commandLine.automation.headless = true;
    commandLine.automation.frames = std::min(kRound, total - played);
    commandLine.automation.events = kDemo / "demo.events";
    int exitCode = 1;
    std::unique_ptr<tavrik::GameApp> app = tavrik::GameApp::start(commandLine, &exitCode);
    if (!app) return 1;
    app->frame().run();
    const long long before = played;
    played += app->frame().framesRun();
    app.reset();
    ++rounds;
    if (before < 30000 && played >= 30000) atMark = residentKb();
  }
  const long atEnd = residentKb();
  std::printf(
      "frames %lld in %d rounds\nresident at frame 30000: %.1f MB\nresident at the end:      %.1f MB\n"
      "growth: %+.1f MB\n",
      played, rounds, atMark / 1024.0, atEnd / 1024.0, (atEnd - atMark) / 1024.0);
  fs::remove_all(home);
  return 0;
}
