#include <cstdio>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "app/options.h"
#include "platform/session.h"

int main(int argc, char** argv) {
  using namespace tavrik;
  std::string error;
  const std::optional<CommandLine> commandLine = parseCommandLine(argc, argv, &error);
  if (!commandLine) {
    std::fprintf(stderr, "tavrik: %s\n\n%s", error.c_str(), usageText().c_str());
    return 2;
  }
  if (commandLine->automation.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  if (commandLine->automation.version) {
    std::printf("tavrik %s\n", kAppVersion);
    return 0;
  }

  // Checking a script needs nothing of the display, the fonts or the sound.
  if (commandLine->automation.check) return checkScript(*commandLine);

  const bool headless = commandLine->automation.headless;
  std::unique_ptr<PlatformSession> session = PlatformSession::start(headless, &error);
  if (!session) {
    std::fprintf(stderr, "起動エラー\nDirect3Dの初期化に失敗しました。\n（%s）\n", error.c_str());
    return 1;
  }
  int exitCode = 1;
  std::unique_ptr<GameApp> app = GameApp::start(*commandLine, &exitCode);
  if (!app) return exitCode;
  app->run();
  app->writeExitOutputs(commandLine->automation);
  app->shutdown();
  return 0;
}
