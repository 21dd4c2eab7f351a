#!/usr/bin/env bash
# Runs the editor tests given (names of *.test.js files here), or all of them: the .tvk grammar on the
# demo and the golden scripts, and the extension. scripts/install-deps.sh --test installs their npm
# packages.
set -euo pipefail
cd "$(dirname "$0")"
if ! command -v node >/dev/null; then
  echo "Node.js is missing: run scripts/install-deps.sh --test" >&2
  exit 1
fi
if [[ ! -f node_modules/vscode-textmate/package.json || ! -f node_modules/vscode-oniguruma/package.json ]]; then
  echo "The editor tests' npm packages are missing from editors/test/node_modules:" \
       "run scripts/install-deps.sh --test (it runs npm ci there)" >&2
  exit 1
fi
if [[ $# -gt 0 ]]; then tests=("$@"); else tests=(*.test.js); fi
exec node --test "${tests[@]}"
