// Compile speed of a long script: comments, titles and waits, the lines every game is full of. Links the
// compiler alone, as --check and the compile fuzzer do.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/script_path.h"
#include "base/text_encoding.h"
#include "script/compiler/script_compiler.h"

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

// Compiles the script (Shift-JIS bytes) from a temporary file again and again; reports lines a second.
void compileRepeatedly(benchmark::State& state, const std::string& script, int lines) {
  std::string dirTemplate = (fs::temp_directory_path() / "tavrik-bench-XXXXXX").string();
  const fs::path dir = ::mkdtemp(dirTemplate.data());
  const fs::path file = dir / "script.tvk";
  std::ofstream(file, std::ios::binary) << script;
  const std::string scriptPath = *tavrik::paths::fromNative(file.string());
  for (auto _ : state) {
    const tavrik::CompileResult result = tavrik::compileScript(scriptPath);
    if (result.error) {
      state.SkipWithError("the generated script did not compile");
      break;
    }
    benchmark::DoNotOptimize(result.program->code.data());
  }
  state.counters["lines_per_second"] = benchmark::Counter(
      static_cast<double>(lines) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  fs::remove_all(dir);
}

void BM_CompileLongScript(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  compileRepeatedly(state, generateScript(lines), lines);
}
BENCHMARK(BM_CompileLongScript)->Arg(200000)->Unit(benchmark::kMillisecond);

// A long game: 64 layers and 256 actions declared, then statements that address them by name.
std::string generateGame(int lines) {
  auto sjis = [](const std::string& utf8) { return *tavrik::utf8ToSjisStrict(utf8); };
  std::string out;
  int written = 0;
  auto line = [&](const std::string& utf8) {
    out += sjis(utf8);
    out += "\r\n";
    ++written;
  };
  for (int i = 0; i < 64; ++i) line("＃単純レイヤー宣言：レイヤー" + std::to_string(i));
  for (int i = 0; i < 256; ++i) {
    line("＃動作宣言：動作" + std::to_string(i));
    line("０，Ａ，１");
    line("３０，END，０");
  }
  for (int i = 0; written < lines; ++i) {
    const int layer = (i * 7) % 64, action = (i * 13) % 256;
    switch (i % 4) {
      case 0:
        line("＃レイヤー" + std::to_string(layer) + "動作" + std::to_string(action));
        break;
      case 1:
        line("＃レイヤー" + std::to_string(layer) + "画像：背景" + std::to_string(i % 10));
        break;
      case 2:
        line("＃時間待機：" + std::to_string(i % 60));
        break;
      default:
        line("＃＃ 場面" + std::to_string(i));
        break;
    }
  }
  return out;
}

void BM_CompileLongGame(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  compileRepeatedly(state, generateGame(lines), lines);
}
BENCHMARK(BM_CompileLongGame)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
