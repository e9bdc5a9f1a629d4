#!/usr/bin/env bash
# How often a bare Qt window (build/release/bench/drop_flood_probe) loses its X connection while
# four programs flood it with drops and it grows: `runs` runs, `together` at a time, each on its own
# Xvfb, painting as Qt does by default (shared memory the server hands over as descriptors), through
# the socket, and as Quorvane has it paint. Load the machine beside it to see it happen more often.
# Usage: bench/toolkit-drop-flood.sh [runs] [together] [seconds]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
probe="$root/build/release/bench/drop_flood_probe"
[ -x "$probe" ] || { echo "Build it first: cmake --build build/release --target drop_flood_probe" >&2; exit 1; }
runs=${1:-40}
together=${2:-4}
seconds=${3:-10}
work=$(mktemp -d -t toolkit-drop-flood.XXXXXX)
# Displays of their own, clear of the usual ones.
first=$((300 + RANDOM % 300))
trap 'rm -rf "$work"' EXIT

# One run with painting $1 on display :$2, its output in $3.
one() {
  Xvfb ":$2" -screen 0 1920x1080x24 -noreset -nolisten tcp >/dev/null 2>&1 &
  local server=$!
  local tries=0
  while [ ! -S "/tmp/.X11-unix/X$2" ] && ((tries++ < 100)); do sleep 0.1; done
  DISPLAY=":$2" QT_QPA_PLATFORM=xcb timeout -s KILL $((seconds + 30)) "$probe" "--painting=$1" "$seconds" >"$3" 2>&1 ||
    true
  kill "$server"
  wait "$server" 2>/dev/null || true
}

for painting in toolkit socket program; do
  for ((i = 0; i < runs; i++)); do
    one "$painting" $((first + i % together)) "$work/$painting-$i.log" &
    if (((i + 1) % together == 0)); then wait; fi
  done
  wait
  broke=$( (grep -l "X11 connection broke" "$work/$painting"-*.log || true) | wc -l)
  echo "$painting: the connection broke in $broke of $runs runs"
  (grep -h "failed to mmap\|xcb_shm_create_segment" "$work/$painting"-*.log || true) | sort | uniq -c | head -5
done
