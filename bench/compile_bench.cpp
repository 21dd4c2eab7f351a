// Compile speed of a long script: comments, titles and waits, the lines every game is full of.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "platform/mouse_state.h"
#include "platform/script_path.h"
#include "platform/text_encoding.h"
#include "script/runtime/script_engine.h"

namespace {

namespace fs = std::filesystem;

// 200,000 lines in Shift-JIS, as a Windows editor writes them.
std::string generateScript(int lines) {
  const std::string comment = *tavrik::utf8ToSjisStrict("＃＃ 場面の説明：ここで主人公が部屋に入る");
  const std::string title = *tavrik::utf8ToSjisStrict("＃タイトル：第１話　出会い");
  const std::string wait = *tavrik::utf8ToSjisStrict("＃時間待機：６０");
  const std::string input = *tavrik::utf8ToSjisStrict("　＃入力待機");
  std::string out;
  for (int i = 0; i < lines; ++i) {
    switch (i % 5) {
      case 0:
      case 1:
        out += comment;
        break;
      case 2:
        out += title;
        break;
      case 3:
        out += wait;
        break;
      default:
        out += input;
        break;
    }
    out += "\r\n";
  }
  return out;
}

void BM_CompileLongScript(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::string dirTemplate = (fs::temp_directory_path() / "tavrik-bench-XXXXXX").string();
  const fs::path dir = ::mkdtemp(dirTemplate.data());
  const fs::path file = dir / "long.tvk";
  std::ofstream(file, std::ios::binary) << generateScript(lines);
  const std::string scriptPath = *tavrik::paths::fromNative(file.string());

  tavrik::DeviceOptions options;
  options.headless = true;
  std::string error;
  std::unique_ptr<tavrik::GraphicsDevice> device = tavrik::GraphicsDevice::create(options, &error);
  tavrik::InputDevices input;
  tavrik::MouseState mouse;
  for (auto _ : state) {
    tavrik::ScriptEngine engine(*device, 800, 600, input, mouse, "");
    if (engine.compile(scriptPath)) state.SkipWithError("the generated script did not compile");
    benchmark::DoNotOptimize(engine.commands().data());
  }
  state.counters["lines_per_second"] = benchmark::Counter(
      static_cast<double>(lines) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  fs::remove_all(dir);
}
BENCHMARK(BM_CompileLongScript)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
