#!/usr/bin/env bash
# Builds the compile fuzzer with clang and runs it from the seed corpus.
#   scripts/fuzz.sh [SECONDS]   (default 60)
# An input that breaks something is written to fuzz/regressions/, where the tests keep running it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_FUZZ=ON \
  -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target compile_fuzzer -j"$(nproc)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work"/
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
build-fuzz/bin/compile_fuzzer -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=fuzz/regressions/ -print_final_stats=1 "$work"
