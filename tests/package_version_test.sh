#!/usr/bin/env bash
# One version: the package made from this build, --version and the version box say the same.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
version=$(dpkg-deb -f "$work"/package/tavrik_*.deb Version)
[[ -n "$version" ]]
player="$build/bin/tavrik"
[[ "$("$player" --version)" == "tavrik $version" ]] || { echo "--version: $("$player" --version), package: $version"; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
printf '1 command 3\n3 key Escape\n' >"$work/version.events"
box=$(cd "$work" && "$player" --headless --frames 5 --events "$work/version.events" 2>&1 >/dev/null || true)
grep -q "Ver\.$version" <<<"$box" || { echo "the version box says: $box"; exit 1; }
echo "version $version everywhere"
