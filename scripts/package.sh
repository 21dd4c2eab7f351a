#!/usr/bin/env bash
# Builds the Debian package, checks it as the archive and the desktop would, and plays the demo with
# the player unpacked from it.
#   scripts/package.sh    writes build-package/tavrik_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
dir=build-package
# Debian keeps games' launchers in /usr/games.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_BUILD_TESTS=OFF -DTAVRIK_BUILD_BENCH=OFF \
  -DTAVRIK_LAUNCHER_DIR=games >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/tavrik_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/tavrik_*.deb)
echo "built $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Errors fail the check; warnings are shown.
lintian --tag-display-limit 0 --fail-on error "$deb"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/tavrik.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/"*.metainfo.xml

# The same version everywhere: the package, --version and the version box.
version=$(dpkg-deb -f "$deb" Version)
player="$work/root/usr/games/tavrik"
[[ "$("$player" --version)" == "tavrik $version" ]] || { echo "--version disagrees with $version"; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
printf '1 command 3\n3 key Escape\n' > "$work/version.events"  # the version box, closed with Esc
box=$("$player" --headless --frames 5 --events "$work/version.events" 2>&1 >/dev/null || true)
grep -q "Ver\.$version" <<<"$box" || { echo "the version box does not say $version: $box"; exit 1; }

# The demo plays from the unpacked player to the variables it always ends with.
out=$("$player" examples/demo/start.tvk --headless --events examples/demo/demo.events --frames 3000 \
  --dump-variables)
expected=$'選択結果=2\n選んだ=2\nきらめき=3\n周回=2'
[[ "$out" == "$expected" ]] || { echo "the demo ended with: $out"; exit 1; }
echo "package checked: $deb"
