#!/usr/bin/env bash
# Installs what is needed, builds the player and plays the bundled default game (or the script and
# options given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tavrik -j"$(nproc)"
exec build/bin/tavrik "$@"
