// Stepping back and saves of an updated game, on the demo: one step back from its second choice (the
// state restored and its pictures put back), what the kept states take (and what a hundred of them
// would), and loading a save into a copy of the demo whose text was corrected after the save was made.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "base/files.h"
#include "base/script_path.h"
#include "base/text_encoding.h"
#include "bench_home.h"
#include "script/compiler/script_compiler.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";
// The frame whose state is the largest (see the state benchmarks).
constexpr long long kBusiestFrame = 325;

std::unique_ptr<tavrik::GameApp> startGame(const fs::path& script, const fs::path& saves,
                                           const fs::path& events, long long frames = 100000) {
  return tavrik::bench::startPlayer(script, saves, events, false, frames);
}

void BM_StepBackOneWaitOnTheDemo(benchmark::State& state) {
  tavrik::bench::TemporaryHome home;
  std::unique_ptr<tavrik::GameApp> app =
      startGame(kDemo / "start.tvk", home.home / "saves", kDemo / "demo.events");
  if (!app) return state.SkipWithError("the demo did not start");
  // The second choice: the first is met twice by the demo's loop, then it plays on to the second.
  int choices = 0;
  bool atChoice = false;
  app->frame().run([&] {
    const bool now = app->engine().waiting() == tavrik::ScriptEngine::Waiting::Choice;
    if (now && !atChoice) ++choices;
    atChoice = now;
    return choices == 2;
  });
  tavrik::ScriptEngine& engine = app->engine();
  const std::vector<std::uint8_t> here = engine.states().save();
  const tavrik::History history = engine.history();
  const std::vector<std::uint8_t> ring = engine.rollback().encode(history);
  const std::size_t kept = engine.rollback().size();
  const std::size_t bytes = engine.rollback().bytes();
  for (auto _ : state) {
    if (!engine.rollback().stepBack(engine, 1)) state.SkipWithError("no step back");
    state.PauseTiming();
    engine.states().restore(here);
    engine.setHistory(history);
    engine.rollback().decode(ring, engine.states().reader(), engine.history());
    state.ResumeTiming();
  }
  state.counters["kept_states"] = static_cast<double>(kept);
  state.counters["kept_bytes"] = static_cast<double>(bytes);
  state.counters["bytes_for_100"] = static_cast<double>(bytes) / static_cast<double>(kept) * 100.0;
}
BENCHMARK(BM_StepBackOneWaitOnTheDemo)->Unit(benchmark::kMillisecond);

// A save made at the demo's busiest frame, loaded into a copy whose first text has a word changed.
void BM_LoadASaveOfTheDemoBeforeAnUpdate(benchmark::State& state) {
  tavrik::bench::TemporaryHome home;
  const fs::path copy = home.home / "demo";
  fs::copy(kDemo, copy, fs::copy_options::recursive);
  const fs::path saves = home.home / "saves";
  {
    std::unique_ptr<tavrik::GameApp> app =
        startGame(copy / "start.tvk", saves, kDemo / "demo.events", kBusiestFrame + 100);
    if (!app) return state.SkipWithError("the demo did not start");
    app->frame().run([&] { return app->frame().framesRun() >= kBusiestFrame; });
    if (!app->saveSlot(tavrik::kQuickSlot)) return state.SkipWithError("the save failed");
  }
  std::string script = tavrik::readFile(copy / "start.tvk", 1 << 20).value_or("");
  const std::string from = tavrik::utf8ToSjisLenient("今夜は星がよく見えるね。");
  const std::size_t at = script.find(from);
  if (at == std::string::npos) return state.SkipWithError("the line to edit is not in the demo");
  script.replace(at, from.size(), tavrik::utf8ToSjisLenient("今夜は星がよく見えるよ。"));
  std::ofstream(copy / "start.tvk", std::ios::binary) << script;
  const fs::path noEvents = home.home / "none.events";
  std::ofstream(noEvents) << "";
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<tavrik::GameApp> fresh = startGame(copy / "start.tvk", saves, noEvents);
    state.ResumeTiming();
    if (!fresh || !fresh->loadSlot(tavrik::kQuickSlot)) state.SkipWithError("the load failed");
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadASaveOfTheDemoBeforeAnUpdate)->Unit(benchmark::kMillisecond)->Iterations(10);

// What a long game costs the first time a state is kept or a save read: where every position of 200,000
// lines of text, waits and actions stands, and what each layer can hold.
void BM_PlacesOfALongGame(benchmark::State& state) {
  tavrik::bench::TemporaryHome home;
  std::string script = tavrik::utf8ToSjisLenient(
      "＃文字レイヤー宣言：枠\r\n＃単純レイヤー宣言：絵\r\n＃文字動作宣言：文字，２，２４\r\n０，Ａ，１\r\n"
      "＃動作宣言：出る\r\n０，Ａ，１\r\n＃変数宣言：x\r\n");
  for (int i = 0; i < 40000; ++i)
    script += tavrik::utf8ToSjisLenient("＃枠文字：\r\n第" + std::to_string(i) +
                                        "の行です。\r\n＃絵出る\r\n＃式：x＋＝１\r\n＃入力待機\r\n");
  const fs::path file = home.home / "long.tvk";
  std::ofstream(file, std::ios::binary) << script;
  const tavrik::CompileResult compiled = tavrik::compileScript(*tavrik::paths::fromNative(file.string()));
  if (compiled.error) return state.SkipWithError("the long game did not compile");
  for (auto _ : state) {
    tavrik::StateReader reader(*compiled.program);
    benchmark::DoNotOptimize(reader.places().fingerprint(0));
  }
  state.counters["positions"] = static_cast<double>(compiled.program->code.size());
}
BENCHMARK(BM_PlacesOfALongGame)->Unit(benchmark::kMillisecond);

}  // namespace
