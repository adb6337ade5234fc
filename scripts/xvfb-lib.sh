# Sourced by the scripts: starts a private Xvfb and exports DISPLAY.
#   start_xvfb [first last]
# The display number is the first free one from first to last (90 to 160
# unless given), so scripts that use separate ranges never meet on one
# display. The server is stopped when the calling script exits.
start_xvfb() {
  local first=${1:-90} last=${2:-160} n pid=
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    # Up to five seconds for the socket; a server that ends first lost
    # the number to another one starting at the same time.
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      ORVANTA_XVFB_PID=$pid
      trap 'kill "$ORVANTA_XVFB_PID" 2>/dev/null || true' EXIT
      export DISPLAY=":$n"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "no free X display from :$first to :$last, or Xvfb does not start" >&2
  return 1
}
