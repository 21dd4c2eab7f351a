// Lint speed of a long game: declarations, then scenes with pictures, actions and their waits, text
// blocks with tags, a macro, conditions, loops and assignments, all of it right, so that the run is the
// whole lint with nothing to say; and of one line declaring many names, which says something of each.
// Links the compiler alone, as --lint needs nothing else.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/script_path.h"
#include "base/text_encoding.h"
#include "script/compiler/lint.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLayers = 32;
constexpr int kActions = 64;
constexpr int kPictures = 10;

// A game of the given number of lines in Shift-JIS, as a Windows editor writes it.
std::string generateGame(int lines) {
  std::string out;
  int written = 0;
  auto line = [&](const std::string& utf8) {
    out += *tavrik::utf8ToSjisStrict(utf8);
    out += "\r\n";
    ++written;
  };
  auto n = [](int i) { return std::to_string(i); };
  line("＃＃ 長いゲーム");
  for (int i = 0; i < kLayers; ++i) line("＃単純レイヤー宣言：絵" + n(i) + "，８００，６００");
  line("＃文字レイヤー宣言：枠，１６，４４８，８００，１５２");
  line("＃変数宣言：回数，選択");
  for (int i = 0; i < kActions; ++i) {
    line("＃動作宣言：動作" + n(i));
    line("０，Ａ，０");
    line("０，ＶＡ，０.０" + n(1 + i % 9));
    line(n(10 + i) + "，ＥＮＤ，０");
  }
  line("＃文字動作宣言：標準，２，２４");
  line("０，Ａ，１");
  line("０，ＥＮＤ，０");
  line("＃文字動作宣言：強調，２，２４：標準");
  line("０，Ｒ，１");
  line("＃マクロ宣言：待つ");
  line("＃入力待機");
  line("＃マクロ宣言終了");
  for (int i = 0; written < lines; ++i) {
    const std::string layer = "絵" + n(i % kLayers);
    line("＃＃ 場面" + n(i));
    line("＃" + layer + "画像：背景" + n(i % kPictures));
    line("＃" + layer + "動作" + n((i * 7) % kActions));
    line("＃動作待機：" + layer);
    line("＃枠標準：");
    line("今日は" + n(i) + "日目です。$強調$大事$標準$なことを話そう。");
    line("　二行目の文章です。");
    line("＃待つ");
    line("＃条件：回数＞" + n(i % 5));
    line("＃時間待機：３０");
    line("＃条件終了");
    line("＃式：回数＋＝１");
    line("＃式：選択＝０");
    line("＃ループ：選択＜２");
    line("＃式：選択＋＝１");
    line("＃ループ終了");
  }
  return out;
}

void BM_LintLongGame(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  std::string dirTemplate = (fs::temp_directory_path() / "tavrik-bench-XXXXXX").string();
  const fs::path dir = ::mkdtemp(dirTemplate.data());
  std::ofstream(dir / "game.tvk", std::ios::binary) << generateGame(lines);
  for (int i = 0; i < kPictures; ++i) std::ofstream(dir / ("背景" + std::to_string(i) + ".png"));
  const std::string scriptPath = *tavrik::paths::fromNative((dir / "game.tvk").string());
  for (auto _ : state) {
    const std::vector<tavrik::LintFinding> findings = tavrik::lintScript(scriptPath);
    if (!findings.empty()) {
      state.SkipWithError(
          ("the generated game is not clean: " + tavrik::lintText({findings.front()})).c_str());
      break;
    }
    benchmark::DoNotOptimize(findings.data());
  }
  state.counters["lines_per_second"] = benchmark::Counter(
      static_cast<double>(lines) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  fs::remove_all(dir);
}
BENCHMARK(BM_LintLongGame)->Arg(200000)->Unit(benchmark::kMillisecond);

// Names declared on one line and never used: a finding each, every one on that line. Telling where each
// stands must not walk the line again for each (a hundred thousand took minutes so).
void BM_LintNamesOnOneLine(benchmark::State& state) {
  const int names = static_cast<int>(state.range(0));
  std::string line = *tavrik::utf8ToSjisStrict("＃変数宣言：");
  for (int i = 0; i < names; ++i)
    line += (i ? "," : "") + *tavrik::utf8ToSjisStrict("名前" + std::to_string(i));
  std::string dirTemplate = (fs::temp_directory_path() / "tavrik-bench-XXXXXX").string();
  const fs::path dir = ::mkdtemp(dirTemplate.data());
  std::ofstream(dir / "names.tvk", std::ios::binary) << line << "\r\n";
  const std::string scriptPath = *tavrik::paths::fromNative((dir / "names.tvk").string());
  std::size_t told = 0;
  for (auto _ : state) {
    const std::vector<tavrik::LintFinding> findings = tavrik::lintScript(scriptPath);
    told = findings.size();
    benchmark::DoNotOptimize(findings.data());
  }
  state.counters["findings"] = static_cast<double>(told);
  fs::remove_all(dir);
}
BENCHMARK(BM_LintNamesOnOneLine)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
