#!/usr/bin/env bash
# Installs the build into a temporary prefix and plays the default game with the installed player,
# started through the launcher on the path, with its home in the temporary folder too.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/tavrik lib/tavrik/tavrik lib/tavrik/credit/credit.tvk lib/tavrik/help/index.html lib/tavrik/game.ico \
         share/applications/tavrik.desktop share/icons/hicolor/64x64/apps/tavrik.png share/mime/packages/tavrik.xml; do
  [[ -e "$work/prefix/$f" ]] || { echo "not installed: $f"; exit 1; }
done
grep -q "^Exec=$work/prefix/bin/tavrik %f$" "$work/prefix/share/applications/tavrik.desktop"
mkdir -p "$work/home"
cd "$work"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  "$work/prefix/bin/tavrik" --headless --frames 60 --screenshot "$work/shot.png"
[[ -s "$work/shot.png" ]]
# The installed player registered itself from where it really is, and saved its settings.
grep -q "Exec=\"$work/prefix/lib/tavrik/tavrik\" %f" "$work/home/.local/share/applications/tavrik.desktop"
if [[ $(id -u) -eq 0 ]]; then
  [[ -f "$work/prefix/lib/tavrik/tavrik.ini" ]]
else
  [[ -f "$work/home/.config/tavrik/tavrik.ini" ]]
fi
echo "installed player works"
