// Start-up as a user meets it: from launching the process to the first frame drawn and shown, in a
// program that starts exactly as the player does and is linked like it (so loading its libraries counts).
// The launcher passes the moment it started the process in TAVRIK_LAUNCHED_AT (seconds since the epoch,
// as bash's EPOCHREALTIME gives it); the probe prints the milliseconds since then and leaves at once,
// since closing the window is not part of starting. The arguments are the player's.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "app/options.h"
#include "platform/session.h"

int main(int argc, char** argv) {
  using namespace tavrik;
  const char* launched = std::getenv("TAVRIK_LAUNCHED_AT");
  std::string error;
  std::optional<CommandLine> commandLine = parseCommandLine(argc, argv, &error);
  if (!launched || !commandLine) {
    std::fprintf(stderr,
                 "usage: TAVRIK_LAUNCHED_AT=$EPOCHREALTIME tavrik_startup_probe [player arguments]\n");
    return 2;
  }
  commandLine->automation.frames = 1;
  const bool headless = commandLine->automation.headless;
  std::unique_ptr<PlatformSession> session = PlatformSession::start(headless, &error);
  int exitCode = 1;
  std::unique_ptr<GameApp> app = session ? GameApp::start(*commandLine, &exitCode) : nullptr;
  if (!app) return 1;
  // Straight after the first frame, before what the player does once it is up.
  app->frame().run([launched] {
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::printf("%.1f\n", (now - std::strtod(launched, nullptr)) * 1000.0);
    std::fflush(stdout);
    std::_Exit(0);
    return true;
  });
  return 1;
}
