# Sourced by the scripts: starts a private Xvfb and exports DISPLAY.
# The server is stopped when the calling script exits.
start_xvfb() {
  local n
  for n in $(seq 90 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  ORVANTA_XVFB_PID=$!
  trap 'kill "$ORVANTA_XVFB_PID" 2>/dev/null || true' EXIT
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  export DISPLAY=":$n"
}
