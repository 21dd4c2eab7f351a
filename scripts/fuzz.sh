#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each from the seed corpus: the compile fuzzer (the compiler
# alone, many inputs a second) for two thirds of the time, the play fuzzer (compile, a few frames, the
# state stored and restored) for the rest.
#   scripts/fuzz.sh [SECONDS]   (default 60)
# An input that breaks something is written to fuzz/regressions/, where the tests keep running it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_FUZZ=ON \
  -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target compile_fuzzer play_fuzzer -j"$(nproc)"
# The compiler needs nothing of the display, fonts or sound, and does not link them.
if ldd build-fuzz/bin/compile_fuzzer | grep -Ei 'sdl|freetype|fontconfig'; then
  echo "the compile fuzzer links media libraries" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
for fuzzer in compile_fuzzer play_fuzzer; do
  [[ $fuzzer == compile_fuzzer ]] && share=$(( seconds * 2 / 3 )) || share=$(( seconds - seconds * 2 / 3 ))
  mkdir -p "$work/$fuzzer"
  cp fuzz/corpus/* "$work/$fuzzer"/
  build-fuzz/bin/$fuzzer -max_total_time="$share" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix=fuzz/regressions/ -print_final_stats=1 "$work/$fuzzer"
done
