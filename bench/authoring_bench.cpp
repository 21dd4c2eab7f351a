// Reloading the demo after an edit: compiling it again and replaying it, choices and all, to the input
// wait the player was at (after the first choice). In a window when a display is set (run under a virtual
// display for the figure that matters), headless otherwise.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "bench_home.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";

void BM_ReloadTheDemoToTheSameWait(benchmark::State& state) {
  const bool window = tavrik::bench::haveDisplay();
  const tavrik::bench::TemporaryHome temporary(!window);
  const fs::path& home = temporary.home;
  {
    tavrik::CommandLine commandLine;
    commandLine.arguments = {"tavrik", (kDemo / "start.tvk").string(), "-nce"};
    commandLine.automation.headless = !window;
    commandLine.automation.frames = 100000;
    commandLine.automation.events = kDemo / "demo.events";
    commandLine.automation.saves = home / "saves";
    commandLine.automation.startAfresh = true;
    commandLine.automation.noReload = true;
    int exitCode = 1;
    std::unique_ptr<tavrik::GameApp> app = tavrik::GameApp::start(commandLine, &exitCode);
    if (!app) return state.SkipWithError("the demo did not start");
    // Headless frames back to back in a window too: the events' clicks land where they do headless.
    app->frame().run([&] {
      return app->frame().framesRun() > 470 &&
             app->engine().waiting() == tavrik::ScriptEngine::Waiting::Input;
    });
    const std::int32_t at = app->engine().programCounter();
    for (auto _ : state) {
      if (!app->authoring().reload() || app->authoring().fastForwarding() ||
          app->engine().programCounter() != at)
        state.SkipWithError("the reload did not reach the same wait");
    }
    state.counters["frame"] = static_cast<double>(app->frame().framesRun());
    state.counters["window"] = window ? 1 : 0;
  }
}
BENCHMARK(BM_ReloadTheDemoToTheSameWait)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
