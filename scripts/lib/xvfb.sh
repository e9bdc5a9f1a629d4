# A private X server for the tests that need one. Sourced by scripts/test.

QUORVANE_XVFB_PID=""

quorvane_start_xvfb() {
  local display
  for display in $(seq 90 150); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -noreset -nolisten tcp -screen 0 1920x1080x24 >/dev/null 2>&1 &
    QUORVANE_XVFB_PID=$!
    local tries
    for tries in $(seq 1 100); do
      if [ -e "/tmp/.X11-unix/X$display" ]; then
        export DISPLAY=":$display"
        return 0
      fi
      kill -0 "$QUORVANE_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill "$QUORVANE_XVFB_PID" 2>/dev/null || true
  done
  echo "Could not start Xvfb" >&2
  return 1
}

quorvane_stop_xvfb() {
  [ -n "$QUORVANE_XVFB_PID" ] && kill "$QUORVANE_XVFB_PID" 2>/dev/null || true
  QUORVANE_XVFB_PID=""
}
