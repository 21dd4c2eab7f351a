// Saving and loading the demo, and skipping through it: a quick save at its busiest frame (the thumbnail
// read from the frame and the file written and flushed included), a quick load into a freshly started
// player, and how much faster than real time skipping reaches the first choice. In a window when a
// display is set (run under a virtual display for the figures that matter), headless otherwise.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "bench_home.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";
// The frame whose state is the largest (see the state benchmarks).
constexpr long long kBusiestFrame = 325;

bool windowed() {
  return tavrik::bench::haveDisplay();
}

struct Folders : tavrik::bench::TemporaryHome {
  Folders() : TemporaryHome(!windowed()) {}
};

std::unique_ptr<tavrik::GameApp> startDemo(const fs::path& saves, const fs::path& events, bool window,
                                           long long frames = 100000) {
  return tavrik::bench::startPlayer(kDemo / "start.tvk", saves, events, window, frames);
}

// The demo played with its events up to its busiest frame, headless frames back to back in a window too.
std::unique_ptr<tavrik::GameApp> atTheBusiestFrame(const Folders& folders) {
  std::unique_ptr<tavrik::GameApp> app =
      startDemo(folders.home / "saves", kDemo / "demo.events", windowed(), kBusiestFrame + 100);
  if (app) app->frame().run([&] { return app->frame().framesRun() >= kBusiestFrame; });
  return app;
}

void BM_QuickSave(benchmark::State& state) {
  Folders folders;
  std::unique_ptr<tavrik::GameApp> app = atTheBusiestFrame(folders);
  if (!app) return state.SkipWithError("the demo did not start");
  for (auto _ : state) {
    if (!app->saveSlot(tavrik::kQuickSlot)) state.SkipWithError("the save failed");
  }
  state.counters["window"] = windowed() ? 1 : 0;
  state.counters["bytes"] =
      static_cast<double>(fs::file_size(app->saves().store().slotFile(tavrik::kQuickSlot)));
}
BENCHMARK(BM_QuickSave)->Unit(benchmark::kMillisecond);

void BM_QuickLoad(benchmark::State& state) {
  Folders folders;
  {
    std::unique_ptr<tavrik::GameApp> app = atTheBusiestFrame(folders);
    if (!app || !app->saveSlot(tavrik::kQuickSlot)) return state.SkipWithError("no save to load");
  }
  const fs::path noEvents = folders.home / "none.events";
  std::ofstream(noEvents) << "";
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<tavrik::GameApp> fresh = startDemo(folders.home / "saves", noEvents, windowed());
    state.ResumeTiming();
    if (!fresh || !fresh->loadSlot(tavrik::kQuickSlot)) state.SkipWithError("the load failed");
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
  state.counters["window"] = windowed() ? 1 : 0;
}
BENCHMARK(BM_QuickLoad)->Unit(benchmark::kMillisecond)->Iterations(10);

// Real time to the first choice played with the demo's clicks, over the time skipping takes to get there
// in a window, which shows every frame at 60 a second.
void BM_SkipToTheFirstChoice(benchmark::State& state) {
  Folders folders;
  using Waiting = tavrik::ScriptEngine::Waiting;
  std::int64_t played = 0;
  {
    std::unique_ptr<tavrik::GameApp> app = startDemo(folders.home / "played", kDemo / "demo.events", false);
    if (!app) return state.SkipWithError("the demo did not start");
    app->frame().run([&] { return app->engine().waiting() == Waiting::Choice; });
    played = app->frame().framesRun();
  }
  const fs::path skipOn = folders.home / "skip.events";
  std::ofstream(skipOn) << "0 skip on\n";
  double seconds = 0;
  std::int64_t shown = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(folders.home / "skipped");
    std::unique_ptr<tavrik::GameApp> app = startDemo(folders.home / "skipped", skipOn, windowed());
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    app->frame().run([&] { return app->engine().waiting() == Waiting::Choice; });
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    shown = app->frame().framesRun();
    state.PauseTiming();
    app.reset();
    state.ResumeTiming();
  }
  state.counters["played_frames"] = static_cast<double>(played);
  state.counters["shown_frames"] = static_cast<double>(shown);
  state.counters["times_real_time"] = static_cast<double>(played) / 60.0 / seconds;
  state.counters["window"] = windowed() ? 1 : 0;
}
BENCHMARK(BM_SkipToTheFirstChoice)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
