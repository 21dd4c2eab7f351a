#!/usr/bin/env bash
# Installs the Debian packages Tavrik needs, by name; does nothing when they are all present.
#   scripts/install-deps.sh          what building and playing needs
#   scripts/install-deps.sh --test   that, plus what the tests use (with the editor tests' npm packages)
#   scripts/install-deps.sh --package  that, plus what building and checking the Debian package uses
#   scripts/install-deps.sh --web      that, plus what the browser build uses (scripts/build-web.sh)
set -euo pipefail

# The speech libraries' headers are used for their types only; the player loads them when the text is
# first read aloud, with espeak-ng's voices from espeak-ng-data.
packages=(cmake g++ make pkg-config libsdl2-dev libsdl2-image-dev libsndfile1-dev libfluidsynth-dev libfreetype-dev
          libfontconfig-dev libimgui-dev libstb-dev timgm6mb-soundfont libspeechd-dev libespeak-ng-dev
          espeak-ng-data)
if [[ "${1:-}" == "--test" ]]; then
  # A known Japanese face for text layout tests, a virtual display for the windowed tests, clang with
  # its fuzzing runtime for the fuzzer, a JSON schema validator for the lint's JSON, a speech service
  # for the speech tests to start privately, and xclip to read the clipboard.
  packages+=(libgtest-dev libbenchmark-dev fonts-ipafont-gothic xvfb xauth xdotool x11-apps openbox wmctrl sox clang libclang-rt-14-dev
             man-db dpkg-dev file python3-jsonschema speech-dispatcher speech-dispatcher-espeak-ng xclip)
  # Node.js and npm for the editor tests; a Node.js that brings its own npm is kept.
  command -v npm >/dev/null || packages+=(nodejs npm)
fi
if [[ "${1:-}" == "--package" ]]; then
  packages+=(dpkg-dev file lintian desktop-file-utils appstream)
fi
if [[ "${1:-}" == "--web" ]]; then
  # The compiler, dpkg-source to unpack the libraries' source packages, the Japanese face a page packs,
  # and the browser its test plays in.
  packages+=(emscripten dpkg-dev fonts-ipafont-gothic python3 chromium)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}"
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The editor tests' npm packages, exactly as locked, into editors/test/node_modules (not tracked):
# again only when the lock is newer than what npm last installed there.
if [[ "${1:-}" == "--test" ]]; then
  editor_tests="$(dirname "$0")/../editors/test"
  if [[ "$editor_tests/package-lock.json" -nt "$editor_tests/node_modules/.package-lock.json" ]]; then
    (cd "$editor_tests" && npm ci --no-audit --no-fund)
  fi
fi
