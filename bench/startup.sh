#!/usr/bin/env bash
# Start-up of the resident program under a private Xvfb + openbox: time from exec to "Launched",
# from exec to the editor window shown (the first turns of the event loop have run by then), and
# resident memory two seconds after start. Medians of the runs.
# Usage: bench/startup.sh [runs] — needs build/release/src/quorvane.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/release/src/quorvane"
runs=${1:-10}
[ -x "$program" ] || { echo "Build the release program first: cmake --build build/release --target quorvane" >&2; exit 1; }

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.1f", m}'; }

work=$(mktemp -d -t quorvane-startup.XXXXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
number=95
while [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
export DISPLAY=":$number"
Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

launched=() shown=() resident=()
for run in $(seq "$runs"); do
  home="$work/run$run"
  mkdir -p "$home/config" "$home/state" "$home/cache"
  mkdir -m 700 "$home/runtime"
  # The start time is taken by the shell that then becomes the program.
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_CACHE_HOME="$home/cache" \
    XDG_RUNTIME_DIR="$home/runtime" OMP_THREAD_LIMIT=1 \
    bash -c 'date +%s%N > "$0/start"; exec "$1"' "$home" "$program" >"$home/log" 2>&1 &
  quorvane=$!
  until grep -q Launched "$home/log" 2>/dev/null; do sleep 0.001; done
  until xdotool search --onlyvisible --name '^Quorvane$' >/dev/null 2>&1; do sleep 0.001; done
  visible=$(date +%s%N)
  start=$(cat "$home/start")
  # The log line's own time (UTC, milliseconds).
  stamp=$(grep -m1 Launched "$home/log" | cut -d' ' -f1)
  launchedAt=$(date -d "$stamp" +%s%N)
  launched+=($(((launchedAt - start) / 1000000)))
  shown+=($(((visible - start) / 1000000)))
  sleep 2
  resident+=($(awk '/VmRSS/ {print $2 / 1024}' "/proc/$quorvane/status"))
  kill -TERM "$quorvane"
  wait "$quorvane" 2>/dev/null || true
done
echo "exec to \"Launched\": $(printf '%s\n' "${launched[@]}" | median) ms (median of $runs)"
echo "exec to editor shown: $(printf '%s\n' "${shown[@]}" | median) ms"
echo "resident after start: $(printf '%s\n' "${resident[@]}" | median) MB"
