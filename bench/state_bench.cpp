// The running state of the demo game at its busiest frame (the frame whose state is largest): how long
// writing it takes and how large it is, and how long restoring it into a fresh engine takes, pictures
// decoded again included.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/game_app.h"
#include "base/script_path.h"
#include "bench_home.h"
#include "platform/audio_output.h"
#include "platform/glyph_font.h"
#include "platform/session.h"
#include "script/compiler/script_compiler.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";

// The demo for that many frames, with its own events for them (kept in folder) unless given others.
std::unique_ptr<tavrik::GameApp> startDemo(long long frames, const fs::path& folder, fs::path events = {}) {
  if (events.empty())
    events = tavrik::bench::eventsWithin(kDemo / "demo.events", frames, folder / "demo-within.events");
  tavrik::CommandLine commandLine;
  commandLine.arguments = {"tavrik", (kDemo / "start.tvk").string(), "-nce"};
  commandLine.automation.headless = true;
  commandLine.automation.frames = frames;
  commandLine.automation.events = events;
  int exitCode = 1;
  return tavrik::GameApp::start(commandLine, &exitCode);
}

struct Busiest {
  long long frame = 0;
  std::size_t bytes = 0;
};

// The demo played through once with its events, saving its state before every frame.
Busiest busiestFrame(const fs::path& work) {
  static const Busiest found = [&work] {
    // How long the demo plays with its events; then its state before each of those frames.
    long long kFrames = 0;
    if (std::unique_ptr<tavrik::GameApp> played = startDemo(100000, work)) {
      played->frame().run();
      kFrames = played->frame().framesRun();
    }
    std::ostringstream events;
    events << std::ifstream(kDemo / "demo.events").rdbuf() << "\n";
    for (long long frame = 0; frame < kFrames; ++frame)
      events << frame << " save-state " << (work / ("state" + std::to_string(frame))).string() << "\n";
    const fs::path eventsFile = work / "busiest.events";
    std::ofstream(eventsFile) << events.str();
    std::unique_ptr<tavrik::GameApp> app = startDemo(kFrames, work, eventsFile);
    if (app) app->frame().run();
    Busiest best;
    for (long long frame = 0; frame < kFrames; ++frame) {
      const fs::path file = work / ("state" + std::to_string(frame));
      std::error_code ec;
      const std::uintmax_t size = fs::file_size(file, ec);
      if (!ec && size > best.bytes) best = {frame, static_cast<std::size_t>(size)};
      fs::remove(file, ec);
    }
    return best;
  }();
  return found;
}

using Environment = tavrik::bench::TemporaryHome;

// The demo played up to its busiest frame.
std::unique_ptr<tavrik::GameApp> playedToTheBusiestFrame(const Environment& environment) {
  std::unique_ptr<tavrik::GameApp> app = startDemo(busiestFrame(environment.home).frame, environment.home);
  app->frame().run();
  return app;
}

void BM_WriteStateAtTheBusiestFrame(benchmark::State& state) {
  Environment environment;
  std::unique_ptr<tavrik::GameApp> app = playedToTheBusiestFrame(environment);
  std::size_t size = 0;
  for (auto _ : state) {
    const std::vector<std::uint8_t> bytes = app->engine().states().save();
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["frame"] = static_cast<double>(busiestFrame(environment.home).frame);
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_WriteStateAtTheBusiestFrame)->Unit(benchmark::kMicrosecond);

tavrik::DeviceOptions headless() {
  tavrik::DeviceOptions options;
  options.headless = true;
  return options;
}

// A fresh engine for the demo's program, set up as a window's is: its sound opens and decodes on the
// sound output's own thread, so a restore waits for the pictures alone.
struct FreshEngine {
  FreshEngine(std::shared_ptr<const tavrik::Program> program, tavrik::FontLibrary& fonts)
      : device(tavrik::GraphicsDevice::create(headless(), nullptr)),
        audio(tavrik::AudioOutput::open(true, tavrik::AudioOutput::Opening::InBackground)) {
    tavrik::EngineServices services{*device, input, mouse};
    services.fonts = &fonts;
    tavrik::AudioOutput* output = audio.get();
    services.players = [output](bool positional, int channels) {
      return output->createPlayer(positional, channels);
    };
    engine = std::make_unique<tavrik::ScriptEngine>(std::move(program), std::move(services), "");
  }
  ~FreshEngine() { engine.reset(); }
  std::unique_ptr<tavrik::GraphicsDevice> device;
  tavrik::InputDevices input;
  tavrik::MouseState mouse;
  std::unique_ptr<tavrik::AudioOutput> audio;
  std::unique_ptr<tavrik::ScriptEngine> engine;
};

void BM_RestoreStateOfTheBusiestFrame(benchmark::State& state) {
  Environment environment;
  const std::vector<std::uint8_t> bytes = playedToTheBusiestFrame(environment)->engine().states().save();
  const tavrik::CompileResult compiled =
      tavrik::compileScript(*tavrik::paths::fromNative((kDemo / "start.tvk").string()));
  std::unique_ptr<tavrik::FontLibrary> fonts = tavrik::FontLibrary::create();
  for (auto _ : state) {
    state.PauseTiming();
    auto fresh = std::make_unique<FreshEngine>(compiled.program, *fonts);
    state.ResumeTiming();
    if (fresh->engine->states().restore(bytes)) state.SkipWithError("the state was refused");
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RestoreStateOfTheBusiestFrame)->Unit(benchmark::kMillisecond);

// The same in a headless run, where sounds are decoded as they are loaded: the demo's tune is a MIDI
// file rendered whole by the synthesiser.
void BM_RestoreStateOfTheBusiestFrameDecodingSound(benchmark::State& state) {
  Environment environment;
  const std::vector<std::uint8_t> bytes = playedToTheBusiestFrame(environment)->engine().states().save();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<tavrik::GameApp> fresh = startDemo(1, environment.home);
    state.ResumeTiming();
    if (fresh->engine().states().restore(bytes)) state.SkipWithError("the state was refused");
    state.PauseTiming();
    fresh.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RestoreStateOfTheBusiestFrameDecodingSound)->Unit(benchmark::kMillisecond);

}  // namespace
