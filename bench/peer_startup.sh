#!/usr/bin/env bash
# Start-up beside a lighter engine of the same kind (the peer): the time from launching each until the
# first pixel that is not black is on the X screen, both playing the same minimal game (one 800 x 600
# picture and one line of Japanese), each run in a fresh Xvfb. One cold start of each is not counted;
# five rounds then alternate the two, and the medians and their ratio (Tavrik / peer) are printed.
#   bench/peer_startup.sh [--install-peer] [BUILD_DIR]
# Builds nothing: needs BUILD_DIR/bin/tavrik and BUILD_DIR/bin/tavrik_first_pixel (by default build/),
# Xvfb, xdpyinfo, python3 and a Japanese face. --install-peer installs the peer from Debian's archive.
set -euo pipefail

install_peer=0
if [[ "${1:-}" == "--install-peer" ]]; then
  install_peer=1
  shift
fi
build=$(realpath -m "${1:-$(dirname "$0")/../build}")
cd "$(dirname "$0")/.."
for f in tavrik tavrik_first_pixel; do
  [[ -x "$build/bin/$f" ]] || { echo "build first: $build/bin/$f" >&2; exit 1; }
done

# The peer is a Debian package, installed only when asked.
peer_package=onscripter
peer=/usr/games/$peer_package
if [[ $install_peer == 1 ]]; then
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get install -y "$peer_package" ||
    { "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y "$peer_package"; }
fi
[[ -x $peer ]] || { echo "the peer engine is not installed: run bench/peer_startup.sh --install-peer" >&2; exit 1; }
for tool in Xvfb xdpyinfo python3 fc-match; do
  command -v $tool >/dev/null || { echo "$tool is missing (scripts/install-deps.sh --test brings it)" >&2; exit 1; }
done
# The Japanese face Tavrik takes by default, fontconfig's first for Japanese; the peer reads default.ttf.
[[ -n "$(fc-list ':lang=ja' file)" ]] ||
  { echo "no Japanese face installed (scripts/install-deps.sh --test brings one)" >&2; exit 1; }
font=$(fc-match -f '%{file}' ':lang=ja')

work=$(mktemp -d)
xvfb=
cleanup() {
  if [[ -n "$xvfb" ]]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# A private copy of the player with its folder, so that nothing is written into the build.
mkdir -p "$work/bin" "$work/tavrik-game" "$work/peer-game"
cp "$build/bin/tavrik" "$build/bin/tavrik_first_pixel" "$work/bin/"
cp -r assets/* "$work/bin/"
ln -s "$font" "$work/peer-game/default.ttf"

# The same game twice: the picture (a gradient, nowhere black, so the first frame is not black) and the
# line, in Shift-JIS as both engines read it; the peer's screen is set to 800 x 600 by its first line.
python3 - "$work" <<'EOF'
import struct, sys, zlib
work = sys.argv[1]
w, h = 800, 600
rows = b"".join(b"\0" + bytes((40 + 120 * y // h, 70 + 60 * y // h, 140 - 60 * y // h)) * w for y in range(h))
chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
line = "こんにちは。これは起動の速さを比べるための一行です。"
tavrik = f"""＃＃ 起動の計測：背景一枚と日本語一行
＃単純レイヤー宣言：背景
＃文字レイヤー宣言：枠，４０，４４０，８００，６００
＃動作宣言：表示
０，Ａ，１
＃文字動作宣言：標準，２，２８
０，Ａ，１
＃背景画像：bg
＃背景表示
＃枠標準：
{line}
＃入力待機
"""
peer = f""";mode800
*define
game
*start
bg "bg.png",1
{line}\\
end
"""
for game, name, text in (("tavrik-game", "start.tvk", tavrik), ("peer-game", "0.txt", peer)):
    open(f"{work}/{game}/bg.png", "wb").write(png)
    open(f"{work}/{game}/{name}", "wb").write(text.replace("\n", "\r\n").encode("cp932"))
EOF

# A fresh X server for each run, on a display number no other server holds.
startXvfb() {
  local n
  for n in $(seq 90 139); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] || break
  done
  display=:$n
  Xvfb "$display" -screen 0 1024x768x24 -br -nolisten tcp >>"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && return 0
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
  done
  echo "Xvfb did not start on $display:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}
stopXvfb() {
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  xvfb=
}

# One start of one engine, timed into $ms, with an empty home of its own. The runs are a second apart,
# so that whatever the last one left behind has ended.
timeRun() {  # tavrik|peer COMMAND ARGS...
  local engine=$1
  shift
  sleep 1
  rm -rf "${work:?}/home"
  mkdir -p "$work/home/runtime"
  chmod 700 "$work/home/runtime"
  startXvfb
  if ! ms=$(cd "$work" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache" \
    XDG_STATE_HOME="$work/home/.local/state" XDG_RUNTIME_DIR="$work/home/runtime" DISPLAY="$display" \
    "$work/bin/tavrik_first_pixel" --timeout 20 -- "$@" 2>"$work/run.log"); then
    echo "$engine did not start:" >&2
    tail -n 20 "$work/run.log" >&2
    exit 1
  fi
  stopXvfb
}
tavrikRun() { timeRun tavrik "$work/bin/tavrik" "$work/tavrik-game/start.tvk"; }
peerRun() { timeRun peer "$peer" -r "$work/peer-game"; }

tavrikRun
tavrikCold=$ms
peerRun
peerCold=$ms
tavrikTimes=()
peerTimes=()
for _ in 1 2 3 4 5; do
  tavrikRun
  tavrikTimes+=("$ms")
  peerRun
  peerTimes+=("$ms")
done

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
echo "launch to first non-black pixel on a 1024x768 Xvfb, $(nproc) cores (cold starts, not counted:" \
  "tavrik $tavrikCold ms, peer $peerCold ms)"
printf '%-6s %-10s %s\n' round "tavrik ms" "peer ms"
for i in 0 1 2 3 4; do
  printf '%-6s %-10s %s\n' $((i + 1)) "${tavrikTimes[i]}" "${peerTimes[i]}"
done
tavrikMedian=$(median "${tavrikTimes[@]}")
peerMedian=$(median "${peerTimes[@]}")
printf '%-6s %-10s %-8s ratio %s\n' median "$tavrikMedian" "$peerMedian" \
  "$(awk -v t="$tavrikMedian" -v p="$peerMedian" 'BEGIN {printf "%.2f", t / p}')"
