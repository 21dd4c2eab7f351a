#include <cstdio>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "app/options.h"
#include "app/startup.h"
#include "base/messages.h"
#include "platform/session.h"
#if defined(__EMSCRIPTEN__)
#include "platform/web/web_page.h"
#endif
#include "ui/message_box.h"

namespace {

int play(int argc, char** argv) {
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
  if (commandLine->automation.lint) return runLint(*commandLine);

  const bool headless = commandLine->automation.headless;
  PlatformSession::Failure failure = PlatformSession::Failure::None;
  std::unique_ptr<PlatformSession> session = PlatformSession::start(headless, &error, &failure);
  if (!session) {
    if (failure == PlatformSession::Failure::NoDisplay)
      printBox(ja(MessageId::StartupErrorCaption), ja(MessageId::StartupNoDisplay));
    else
      printBox(ja(MessageId::StartupErrorCaption), ja(MessageId::StartupNoVideo, {error}));
    return 1;
  }
  int exitCode = 1;
  std::unique_ptr<GameApp> app = GameApp::start(*commandLine, &exitCode);
  if (!app) return exitCode;
  app->frame().run();
  const bool written = app->finish(commandLine->automation);
  // Ended by a signal: the settings are saved as at any end, and the status says why it ended.
  if (const int signal = terminationSignal()) return 128 + signal;
  return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int status = play(argc, argv);
#if defined(__EMSCRIPTEN__)
  // However the run ended, the page hears of it.
  tavrik::pageRunEnded(status);
#endif
  return status;
}
