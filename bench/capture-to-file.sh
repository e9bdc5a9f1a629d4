#!/usr/bin/env bash
# Hot key to a complete PNG on disk: resident Quorvane (post-capture action "Save to Folder")
# against the whole-process time of scrot, maim and ImageMagick's import writing the same
# screen, under one private Xvfb + openbox with a desktop of real windows.
# Usage: bench/capture-to-file.sh [runs] — needs build/release/src/quorvane and, for the
# comparison only, the Debian packages scrot, maim and imagemagick.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/release/src/quorvane"
runs=${1:-20}
[ -x "$program" ] || { echo "Build the release program first: cmake --build build/release --target quorvane" >&2; exit 1; }

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.1f", m/1e6}'; }

bench_size() {
  local width=$1 height=$2 work number pids=()
  work=$(mktemp -d -t quorvane-bench.XXXXXX)
  number=93
  while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
  export DISPLAY=":$number"
  Xvfb "$DISPLAY" -screen 0 "${width}x${height}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  sleep 0.5
  for i in 0 1 2 3; do
    xmessage -geometry 700x420+$((120 + i * 500))+$((100 + i * 260)) -bg "#$((4 + i))$((6 + i))a0c0" \
      "Window $i: $(printf 'lorem ipsum dolor sit amet %.0s' $(seq 12))" >/dev/null 2>&1 &
    pids+=($!)
  done
  mkdir -p "$work/config/com.quorvane.Quorvane" "$work/Pictures" "$work/state" "$work/cache"
  mkdir -m 700 "$work/runtime"
  printf '{"postCaptureAction": "saveToFolder", "saveFolder": "%s"}\n' "$work/Pictures" \
    >"$work/config/com.quorvane.Quorvane/settings.json"
  XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" \
    XDG_RUNTIME_DIR="$work/runtime" "$program" >"$work/log" 2>&1 &
  local quorvane=$!
  for _ in $(seq 200); do grep -q Launched "$work/log" && break; sleep 0.05; done
  editor=$(xdotool search --sync --onlyvisible --name '^Quorvane$' | head -1)
  xdotool windowactivate --sync "$editor"
  xdotool key alt+F4
  sleep 1

  local times=() count=0 start
  for _ in $(seq "$runs"); do
    start=$(now)
    xdotool key ctrl+alt+super+3
    count=$((count + 1))
    # A save links the finished file into place: it is complete once it is listed.
    until [ "$(find "$work/Pictures" -name '*.png' | wc -l)" -ge "$count" ]; do :; done
    times+=($(($(now) - start)))
    sleep 0.2
  done
  local size
  size=$(stat -c %s "$(find "$work/Pictures" -name '*.png' | head -1)")
  echo "${width}x${height} Quorvane (hot key to file): $(printf '%s\n' "${times[@]}" | median) ms, $size bytes"

  for tool in scrot maim import; do
    command -v "$tool" >/dev/null || { echo "  $tool: not installed"; continue; }
    times=()
    for i in $(seq "$runs"); do
      rm -f "$work/tool.png"
      start=$(now)
      case $tool in
        scrot) scrot -o "$work/tool.png" ;;
        maim) maim "$work/tool.png" ;;
        import) import -window root "$work/tool.png" ;;
      esac
      times+=($(($(now) - start)))
    done
    echo "${width}x${height} $tool: $(printf '%s\n' "${times[@]}" | median) ms, $(stat -c %s "$work/tool.png") bytes"
  done

  kill -TERM "$quorvane"
  wait "$quorvane" 2>/dev/null || true
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}

bench_size 1920 1080
bench_size 3840 2160
