#!/usr/bin/env bash
# Hot key to a complete PNG on disk: resident Quorvane (post-capture action "Save to Folder")
# against the whole-process time of scrot, maim and ImageMagick's import writing the same screen,
# under one private Xvfb + openbox with terminals of another program, in three states: the editor
# open over them, the Recognized Text window open over them, and no window of ours; without a
# compositing manager, with xcompmgr and with picom (its xrender backend). The hot key goes through
# XTest on one open connection (build/release/bench/capture_probe), which also times the others;
# medians of `runs`.
# Usage: bench/capture-to-file.sh [runs] — needs build/release/src/quorvane and
# build/release/bench/capture_probe, and the Debian packages xterm, xcompmgr, picom, scrot, maim and
# imagemagick. QUORVANE_BENCH_COMPOSITORS ("none xcompmgr picom") and QUORVANE_BENCH_SIZES
# ("1920x1080 3840x2160") choose what is measured.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/release/src/quorvane"
probe="$root/build/release/bench/capture_probe"
runs=${1:-20}
for tool in "$program" "$probe"; do
  [ -x "$tool" ] || { echo "Build it first: cmake --build build/release --target quorvane capture_probe" >&2; exit 1; }
done

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.1f", m}'; }

# Runs the probe with the given commands, one a line; prints its answers but the first.
probe_lines() { "$probe" | tail -n +2; }

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
close_window() {
  local id
  id=$(visible "$1")
  [ -n "$id" ] || return 0
  xdotool windowactivate --sync "$id" key alt+F4
  for _ in $(seq 50); do [ -z "$(visible "$1")" ] && return 0; sleep 0.1; done
  echo "could not close $1" >&2
}

# One state: our hot key, then each peer, `runs` times each.
measure() {
  local label=$1 work=$2 line times ours size
  times=$( { echo "watch $work/Pictures"; for _ in $(seq "$runs"); do echo "press ctrl+alt+super+3"; sleep 0.5; done; } |
    probe_lines)
  if grep -q error <<<"$times"; then echo "$label: $(grep -m1 error <<<"$times")" >&2; return; fi
  ours=$(median <<<"$times")
  size=$(stat -c %s "$(ls -t "$work"/Pictures/*.png | head -1)")
  line="$label | $ours ms ($((size / 1024)) KiB)"
  local fastest=""
  for tool in scrot maim import; do
    if ! command -v "$tool" >/dev/null; then line="$line | $tool not installed"; continue; fi
    local command
    case $tool in
      scrot) command="run scrot -o $work/peer.png" ;;
      maim) command="run maim $work/peer.png" ;;
      import) command="run import -window root $work/peer.png" ;;
    esac
    times=$(for _ in $(seq "$runs"); do echo "$command"; done | { echo stamp; cat; } | probe_lines)
    local peer
    peer=$(median <<<"$times")
    line="$line | $peer ms ($(($(stat -c %s "$work/peer.png") / 1024)) KiB)"
    if [ -z "$fastest" ] || awk "BEGIN {exit !($peer < $fastest)}"; then fastest=$peer; fi
  done
  [ -n "$fastest" ] && line="$line | $(awk "BEGIN {printf \"%.2f\", $ours / $fastest}")×"
  echo "$line"
}

bench_size() {
  local width=$1 height=$2 compositor=$3 work number pids=()
  work=$(mktemp -d -t quorvane-bench.XXXXXX)
  number=93
  while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
  export DISPLAY=":$number"
  Xvfb "$DISPLAY" -screen 0 "${width}x${height}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  case $compositor in
    xcompmgr) xcompmgr >/dev/null 2>&1 & pids+=($!) ;;
    picom) picom --backend xrender --config /dev/null >/dev/null 2>&1 & pids+=($!) ;;
  esac
  sleep 0.5
  # Terminals whose text stays still, across the middle of the screen, where our windows open.
  local columns=$((width / 24)) rows=$((height / 40))
  for i in 0 1 2; do
    xterm -geometry "${columns}x${rows}+$((width / 10 + i * width / 5))+$((height / 12 + i * height / 6))" \
      -e sh -c "seq $((i * 5000)) $((i * 5000 + 4000)) | tr '\n' ' '; exec sleep 100000" >/dev/null 2>&1 &
    pids+=($!)
  done
  mkdir -p "$work/config/com.quorvane.Quorvane" "$work/Pictures" "$work/state" "$work/cache"
  mkdir -m 700 "$work/runtime"
  printf '{"postCaptureAction": "saveToFolder", "saveFolder": "%s"}\n' "$work/Pictures" \
    >"$work/config/com.quorvane.Quorvane/settings.json"
  XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/runtime" HOME="$work" "$program" >"$work/log" 2>&1 &
  local quorvane=$!
  for _ in $(seq 200); do grep -q Launched "$work/log" && break; sleep 0.05; done
  sleep 1
  local label="${width}x${height} | ${compositor}"

  measure "$label | editor open" "$work"

  # The Recognized Text window, from an area recognised over the terminals; the editor closed.
  close_window '^Quorvane$'
  xdotool key ctrl+alt+super+o
  sleep 1.5
  xdotool mousemove $((width / 4)) $((height / 4)) mousedown 1 \
    mousemove $((width / 3)) $((height / 3)) mousemove $((width / 2)) $((height / 2)) mouseup 1
  for _ in $(seq 100); do [ -n "$(visible '^Recognized Text$')" ] && break; sleep 0.1; done
  sleep 0.5
  close_window '^Quorvane$'
  if [ -n "$(visible '^Recognized Text$')" ]; then
    measure "$label | Recognized Text open" "$work"
  else
    echo "$label | Recognized Text open | the window did not open" >&2
  fi

  close_window '^Recognized Text$'
  close_window '^Quorvane$'
  measure "$label | no window of ours" "$work"

  kill -TERM "$quorvane"
  wait "$quorvane" 2>/dev/null || true
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}

echo "screen | compositing manager | state | Quorvane, hot key to file | scrot | maim | import | Quorvane ÷ fastest"
for compositor in ${QUORVANE_BENCH_COMPOSITORS:-none xcompmgr picom}; do
  for size in ${QUORVANE_BENCH_SIZES:-1920x1080 3840x2160}; do bench_size "${size%x*}" "${size#*x}" "$compositor"; done
done
