#!/usr/bin/env bash
# Builds the player for the browser in build-web/ with Debian's emscripten, and packs the demo with it.
#   scripts/build-web.sh          build-web/player/bin/tavrik.{js,wasm}, and build-web/demo to serve
#   scripts/build-web.sh --test [NATIVE]
#                                 that, then plays the demo in headless Chromium beside the native player
#                                 (NATIVE, such as build/bin/tavrik; otherwise one built in build-web/native)
# The C libraries the player needs are built once from Debian's source packages (apt-get source, with a
# deb-src entry for this system's own suite added when there is none) into build-web/deps, which later
# runs reuse: deleting a library's stamp in build-web/deps/stamps builds it again. Nothing comes from
# anywhere but the system's Debian archive. scripts/tavrik-web packs any other game.
set -euo pipefail
test=0 native=
[[ "${1:-}" == "--test" ]] && test=1 native=${2:-}
[[ -n "$native" ]] && native=$(realpath "$native")
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-web
deps=$out/deps
src=$deps/src
prefix=$deps/prefix
stamps=$deps/stamps
logs=$deps/logs
jobs=$(nproc)

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

# --- Tools -----------------------------------------------------------------------------------------
scripts/install-deps.sh --web

# Source packages of this system's suite, from the archive its binary packages come from.
if ! apt-get source --print-uris -qq zlib >/dev/null 2>&1; then
  . /etc/os-release
  echo "Adding the Debian sources of $VERSION_CODENAME"
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" \
    "Suites: $VERSION_CODENAME $VERSION_CODENAME-updates" "Components: main" \
    "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    "${sudo[@]}" tee /etc/apt/sources.list.d/tavrik-web-src.sources >/dev/null
  "${sudo[@]}" apt-get update -qq
fi

# emscripten runs its tools and test programs with node. A node with a global fetch (18 and later) makes
# emscripten 3.1's programs fetch their .wasm by URL, which fails for a file; and a node not from Debian
# does not look in /usr/share/nodejs for the modules emscripten's optimiser needs.
export NODE_OPTIONS=--no-experimental-fetch
export NODE_PATH=/usr/share/nodejs
# The libraries find each other in the prefix, not in the build machine's system.
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig EM_PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export CFLAGS="-O2" CXXFLAGS="-O2"

mkdir -p "$src" "$prefix" "$stamps" "$logs"

# The unpacked source of a Debian source package, in $src/PACKAGE.
unpack() {
  local package=$1
  [[ -d "$src/$package" ]] && return
  echo "Fetching the source of $package"
  (
    cd "$src"
    apt-get source -qq --download-only "$package" >"$logs/$package-fetch.log" 2>&1 || {
      echo "apt-get source $package failed:" >&2
      cat "$logs/$package-fetch.log" >&2
      exit 1
    }
    # (apt-get has checked the files against the archive's signed index; dpkg-source's own look for the
    # uploader's key, which is not installed, only warns.) Unpacked aside first: an unpacking stopped
    # halfway is not taken for the source next time.
    rm -rf "$package.unpacking"
    dpkg-source -x "$(ls -t "$package"_*.dsc | head -n1)" "$package.unpacking" >>"$logs/$package-fetch.log" 2>&1 || {
      echo "dpkg-source could not unpack $package:" >&2
      tail -n 20 "$logs/$package-fetch.log" >&2
      exit 1
    }
    mv "$package.unpacking" "$package"
  )
}

# Runs a build step with its output in a log, which is shown when it fails.
logged() {
  local log=$1
  shift
  "$@" >>"$log" 2>&1 || {
    echo "failed: $* (in $PWD); the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  }
}

# Builds a library once: with CMake (cmake and its options) or with its configure script (configure and
# its options), static, into the prefix. The stamp holds the options: changed, the library is built again.
library() {
  local name=$1 package=$2 kind=$3
  shift 3
  local options="$kind $*"
  if [[ -f "$stamps/$name" ]]; then
    # (An empty stamp is from before the options were kept: it stands for them.)
    [[ ! -s "$stamps/$name" ]] && printf '%s' "$options" >"$stamps/$name"
    [[ "$(cat "$stamps/$name")" == "$options" ]] && return
  fi
  unpack "$package"
  echo "Building $name"
  local log=$logs/$name.log
  : >"$log"
  local build=$deps/build/$name
  rm -rf "$build"
  mkdir -p "$build"
  if [[ $kind == cmake ]]; then
    (
      cd "$build"
      logged "$log" emcmake cmake "$src/$package" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
      logged "$log" emmake make -j"$jobs"
      logged "$log" make install
    )
  else
    # configure builds in its own tree: a copy of the source.
    cp -a "$src/$package/." "$build/"
    (
      cd "$build"
      logged "$log" emconfigure ./configure --prefix="$prefix" "$@"
      logged "$log" emmake make -j"$jobs"
      logged "$log" make install
    )
  fi
  printf '%s' "$options" >"$stamps/$name"
}

# --- The libraries ---------------------------------------------------------------------------------
library zlib zlib configure --static
library libpng libpng1.6 cmake -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$prefix"
# (Its check of size_t's size does not run under emscripten: wasm32's is given.)
library libjpeg libjpeg-turbo cmake -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DHAVE_SIZE_T=TRUE -DSIZE_T=4
library freetype freetype cmake -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON \
  -DFT_DISABLE_PNG=ON -DZLIB_ROOT="$prefix"
library ogg libogg configure --disable-shared
library vorbis libvorbis configure --disable-shared --disable-examples --disable-oggtest
library flac flac cmake -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DBUILD_DOCS=OFF \
  -DBUILD_CXXLIBS=OFF -DINSTALL_MANPAGES=OFF -DWITH_OGG=ON -DWITH_STACK_PROTECTOR=OFF
library opus opus configure --disable-shared --disable-doc --disable-extra-programs --disable-intrinsics --disable-rtcd \
  --disable-stack-protector \
  --disable-asm
library sdl2 libsdl2 cmake -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
library sdl2-image libsdl2-image cmake -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
  -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_BACKEND_STB=OFF -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON \
  -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF
library sndfile libsndfile cmake -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF \
  -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF

# Compiled into the player itself: Dear ImGui, the stb headers, and the GUS-patch MIDI player of SDL_mixer's
# source with the freepats patches (the sources of FluidSynth and WildMIDI are not in every archive).
for package in imgui libstb libsdl2-mixer; do unpack "$package"; done
if [[ ! -f "$stamps/freepats" ]]; then
  echo "Unpacking the freepats patches"
  (cd "$src" && apt-get download -qq freepats >"$logs/freepats-fetch.log" 2>&1) || {
    echo "apt-get download freepats failed:" >&2
    cat "$logs/freepats-fetch.log" >&2
    exit 1
  }
  rm -rf "$deps/freepats"
  dpkg-deb -x "$(ls -t "$src"/freepats_*.deb | head -n1)" "$deps/freepats"
  touch "$stamps/freepats"
fi

# Code page 932 as this machine's C library converts it: the browser's has no converter for it.
mkdir -p "$deps/generated"
if [[ ! -f "$deps/generated/cp932_table.inc" || tools/cp932/main.cpp -nt "$deps/generated/cp932_table.inc" ]]; then
  echo "Writing the code page tables"
  c++ -std=c++20 -O2 tools/cp932/main.cpp -o "$deps/cp932_table"
  "$deps/cp932_table" "$deps/generated/cp932_table.inc.new"
  mv "$deps/generated/cp932_table.inc.new" "$deps/generated/cp932_table.inc"
fi

# --- The player ------------------------------------------------------------------------------------
echo "Building the player"
emcmake cmake -S . -B "$out/player" -DCMAKE_BUILD_TYPE=Release -DTAVRIK_WEB_DEPS="$deps" \
  -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF >"$logs/player-configure.log" 2>&1 || {
  tail -n 40 "$logs/player-configure.log" >&2
  exit 1
}
cmake --build "$out/player" -j"$jobs" --target tavrik tavrik_node tavrik_assets
scripts/tavrik-web examples/demo "$out/demo"
echo "The player is in $out/player/bin; the demo to serve is in $out/demo (python3 -m http.server -d $out/demo)."

if [[ $test == 1 ]]; then
  if [[ -z "$native" ]]; then
    # The native player the page is compared with, built apart from the desktop's own build.
    echo "Building the native player to compare with"
    : >"$logs/native-build.log"
    (unset CFLAGS CXXFLAGS PKG_CONFIG_PATH EM_PKG_CONFIG_PATH; cmake -S . -B "$out/native" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF >"$logs/native-build.log" 2>&1 &&
      cmake --build "$out/native" -j"$jobs" --target tavrik >>"$logs/native-build.log" 2>&1) ||
      { tail -n 40 "$logs/native-build.log" >&2; exit 1; }
    native=$out/native/bin/tavrik
  fi
  python3 tests/web/browser_test.py "$native" --player "$out/player/bin"
fi
