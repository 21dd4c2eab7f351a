// Start-up to the first frame shown: SDL started, the window (or the headless buffer) with its menus and
// font list, the default script compiled, one frame drawn and presented. Windowed when there is a display
// (run it under xvfb-run), headless otherwise. HOME and the XDG folders point into a temporary folder,
// and the player's settings are not written (nothing here ends it normally).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "platform/session.h"

namespace {

namespace fs = std::filesystem;

void BM_StartupToFirstFrame(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "tavrik-startup-XXXXXX").string();
  const fs::path home = ::mkdtemp(pattern.data());
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  const bool windowed = std::getenv("DISPLAY") != nullptr;
  state.SetLabel(windowed ? "windowed" : "headless");
  tavrik::CommandLine commandLine;
  commandLine.arguments = {"tavrik"};  // the default script beside the executable
  commandLine.automation.headless = !windowed;
  commandLine.automation.frames = 1;
  for (auto _ : state) {
    std::string error;
    std::unique_ptr<tavrik::PlatformSession> session = tavrik::PlatformSession::start(!windowed, &error);
    int exitCode = 1;
    std::unique_ptr<tavrik::GameApp> app = tavrik::GameApp::start(commandLine, &exitCode);
    if (!app) {
      state.SkipWithError("the player did not start");
      break;
    }
    app->frame().run();
    state.PauseTiming();
    app.reset();
    session.reset();
    state.ResumeTiming();
  }
  fs::remove_all(home);
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
