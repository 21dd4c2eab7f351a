#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   the tests built with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
# TAVRIK_WERROR=ON (as CI sets it) fails the build on any compiler warning. CMake's notices (a test
# that will not run, say) are on standard error and stay visible; its progress lines are not shown.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-asan
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTAVRIK_SANITIZE=ON -DTAVRIK_BUILD_BENCH=OFF \
    -DTAVRIK_WARNINGS_AS_ERRORS="${TAVRIK_WERROR:-OFF}" >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir=build
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_WARNINGS_AS_ERRORS="${TAVRIK_WERROR:-OFF}" >/dev/null
fi
cmake --build "$dir" -j"$(nproc)"
cd "$dir"
ctest --output-on-failure -j"$(nproc)"
