#!/usr/bin/env bash
# Builds the fuzzers with clang (ASan and UBSan together, stopping at the first finding) and runs each
# from its seed corpus for the given time: the compile fuzzer (the compiler alone), the play fuzzer
# (compile, a few frames, the state stored and restored) and the load fuzzer (pictures and sounds).
#   scripts/fuzz.sh [SECONDS]   (default 60, for each fuzzer)
# An input that breaks something is written to fuzz/regressions/ (fuzz/load_regressions/ for the load
# fuzzer), where the tests keep running it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_FUZZ=ON \
  -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target compile_fuzzer play_fuzzer load_fuzzer -j"$(nproc)"
# The compiler needs nothing of the display, fonts or sound, and does not link them.
if ldd build-fuzz/bin/compile_fuzzer | grep -Ei 'sdl|freetype|fontconfig'; then
  echo "the compile fuzzer links media libraries" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
for fuzzer in compile_fuzzer play_fuzzer load_fuzzer; do
  corpus=fuzz/corpus
  artifacts=fuzz/regressions/
  if [[ $fuzzer == load_fuzzer ]]; then
    corpus=fuzz/load_corpus
    artifacts=fuzz/load_regressions/
  fi
  mkdir -p "$work/$fuzzer"
  cp "$corpus"/* "$work/$fuzzer"/
  build-fuzz/bin/$fuzzer -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 "$work/$fuzzer"
done
