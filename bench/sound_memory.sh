#!/usr/bin/env bash
# The demo played headless (with its events file, on SDL's silent output) while a ten-minute OGG tune and
# a ten-minute MIDI tune play in its channels: prints the player's peak resident memory. Sounds are
# streamed, so the figure does not grow with their length. Needs a build and sox.
#   bench/sound_memory.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[[ -x "$build/bin/tavrik" ]] || { echo "build first: $build/bin/tavrik" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r examples/demo "$work/demo"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"

# Ten minutes of 44.1 kHz stereo OGG, and ten minutes of MIDI: a four-note chord on every beat at 120 bpm.
sox -q -n -r 44100 -c 2 "$work/demo/sounds/long.ogg" synth 600 sine 440 sine 660 vol 0.3
python3 - "$work/demo/sounds/long.mid" <<'EOF'
import struct, sys
events = bytearray(b"\x00\xc0\x00")
for beat in range(1200):
    keys = [48 + beat % 12, 55 + beat % 12, 60 + beat % 12, 64 + beat % 12]
    for i, k in enumerate(keys):
        events += bytes([0 if i or beat == 0 else 48, 0x90, k, 0x60])
    for i, k in enumerate(keys):
        events += bytes([48 if i == 0 else 0, 0x80, k, 0])
events += b"\x00\xff\x2f\x00"
with open(sys.argv[1], "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 96) + b"MTrk" + struct.pack(">I", len(events)) + events)
EOF

# The demo's music is the long MIDI tune, and its footsteps the long OGG (played four times over).
sed -i 's/sounds\\tune\.mid/sounds\\long.mid/; s/sounds\\knock\.wav/sounds\\long.ogg/' "$work/demo/start.tvk"
grep -q 'long.mid' "$work/demo/start.tvk" && grep -q 'long.ogg' "$work/demo/start.tvk"

# Peak resident memory, sampled every 20 ms, and the kernel's own high-water mark at the end.
"$build/bin/tavrik" "$work/demo/start.tvk" --headless --events "$work/demo/demo.events" --frames 3000 \
  >/dev/null &
player=$!
peak=0 hwm=0
while kill -0 "$player" 2>/dev/null; do
  if status=$(cat "/proc/$player/status" 2>/dev/null); then
    rss=$(awk '/^VmRSS/ {print $2}' <<<"$status")
    high=$(awk '/^VmHWM/ {print $2}' <<<"$status")
    [[ -n "$rss" && "$rss" -gt "$peak" ]] && peak=$rss
    [[ -n "$high" ]] && hwm=$high
  fi
  sleep 0.02
done
wait "$player"
printf 'demo with a 10-minute OGG and a 10-minute MIDI: peak resident %d MB (high-water mark %d MB)\n' \
  $((peak / 1024)) $((hwm / 1024))
