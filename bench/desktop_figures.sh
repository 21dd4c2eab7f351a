#!/usr/bin/env bash
# The player on the default game in a virtual X display, as a user sees it on a desktop:
#   - launch to the first frame shown,
#   - resident memory 5 s after start,
#   - processor use over 10 s while the game waits for a click (from 8 s after start),
# each the median of five runs. Needs a build (scripts/test.sh or cmake --build build) and Xvfb.
#   bench/desktop_figures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[[ -x "$build/bin/tavrik" && -x "$build/bin/tavrik_startup_probe" ]] || { echo "build first: $build/bin/tavrik" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
cleanup() {
  [[ -n "${player:-}" ]] && kill "$player" 2>/dev/null || true
  [[ -n "${xvfb:-}" ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A private copy of the player, its home and its settings.
mkdir -p "$work/bin" "$work/home"
cp "$build/bin/tavrik" "$build/bin/tavrik_startup_probe" "$work/bin/"
cp -r assets/* "$work/bin/"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# From launching the process to its first frame drawn and shown: loading the program and its libraries,
# SDL, the window and its menus, the fonts, the script compiled and one frame. The probe starts exactly as
# the player does, linked like it, and reports when the frame has been presented. Each start is a start
# from rest, as a user's is: the X server spends tens of milliseconds after a client leaves, and the
# first start's desktop database update runs on after it, so the runs are a few seconds apart.
startup=()
for _ in 1 2 3 4 5; do
  sleep 3
  startup+=("$(TAVRIK_LAUNCHED_AT=$EPOCHREALTIME "$work/bin/tavrik_startup_probe" 2>/dev/null)")
done

# Processor time is read from the scheduler's own count (nanoseconds on a processor, summed over the
# player's threads) rather than from the clock-tick counts top and ps show: those step by 10 ms, a
# tenth of the whole allowance over 10 s.
cpuNanoseconds() {
  local sum=0 t
  for t in /proc/"$1"/task/*/schedstat; do sum=$((sum + $(cut -d' ' -f1 "$t"))); done
  echo "$sum"
}

rss=()
cpu=()
for _ in 1 2 3 4 5; do
  # Each run is ended with SIGTERM, which keeps the play to be continued: --new starts the next at the
  # game's beginning, waiting for its click, rather than at the offer to continue.
  "$work/bin/tavrik" --new 2>/dev/null &
  player=$!
  sleep 5
  rss+=("$(awk '/VmRSS/ {print $2}' "/proc/$player/status")")
  sleep 3  # the default game now waits for a click on one of its buttons
  t1=$(cpuNanoseconds "$player")
  sleep 10
  t2=$(cpuNanoseconds "$player")
  cpu+=("$(awk -v d=$((t2 - t1)) 'BEGIN {printf "%.2f", d / 1e9 / 10 * 100}')")
  kill "$player"
  wait "$player" 2>/dev/null || true
  player=
done

printf 'start to first frame:   %s ms (runs: %s)\n' "$(printf '%s\n' "${startup[@]}" | median)" "${startup[*]}"
printf 'resident memory at 5 s: %s MB (runs: %s kB)\n' \
  "$(printf '%s\n' "${rss[@]}" | median | awk '{printf "%.1f", $1 / 1024}')" "${rss[*]}"
printf 'processor while waiting: %s %% of a core (runs: %s)\n' "$(printf '%s\n' "${cpu[@]}" | median)" "${cpu[*]}"
