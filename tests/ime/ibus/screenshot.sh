#!/usr/bin/env bash
# A picture of the IBus candidate window: a private X server with openbox,
# a private D-Bus session, ibus-daemon with its GTK panel (which draws the
# candidate window) and the build tree's engine, a Qt text field using IBus;
# "ka" typed with xdotool. Everything it starts ends with it.
#   screenshot.sh BUILD_DIR OUT.png
set -u
if [ "$#" -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT.png" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
out=$2
# Every child stays in this process group and ends with it.
if [ "$(ps -o pgid= $$ | tr -d ' ')" != "$$" ]; then
  exec setsid --wait "$0" "$@"
fi
work=$(mktemp -d "$build/ime/screenshot.XXXXXX")
cleanup() {
  trap '' TERM
  kill -TERM -- -$$ 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The panel's settings, read from a key file: a larger font than GTK's
# default, so the Siddham glyphs show their marks.
export GSETTINGS_BACKEND=keyfile
mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<'EOF'
[desktop/ibus/panel]
use-custom-font=true
custom-font='Sans 15'
lookup-table-orientation=1
show=0
EOF

wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# A free display number, chosen by the X server itself.
Xvfb -displayfd 3 -screen 0 640x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
wait_for 10 test -s "$work/display" || { echo "no X server" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")
openbox >/dev/null 2>&1 &
dbus-daemon --session --nofork --print-address=1 >"$work/bus" 2>"$work/dbus.log" &
wait_for 10 test -s "$work/bus" || { echo "no D-Bus session" >&2; exit 1; }
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
export IBUS_ADDRESS=unix:path=$work/ibus.sock
# The system's components too: the panel crashes without an engine for the
# keyboard layout (xkb:us::eng).
IBUS_COMPONENT_PATH=$build/ime/ibus-component:/usr/share/ibus/component \
  ibus-daemon --panel=/usr/libexec/ibus-ui-gtk3 --emoji-extension=disable --config=disable \
  --cache=none --address="$IBUS_ADDRESS" \
  >"$work/ibus.log" 2>&1 &
wait_for 20 test -S "$work/ibus.sock" || { echo "no ibus-daemon" >&2; exit 1; }

QT_IM_MODULE=ibus "$build/tests/ime/orvanta-textfield" >"$work/textfield.log" 2>&1 &
window=$(timeout 20 xdotool search --sync --name '^Orvanta text field$' | head -n1)
[ -n "$window" ] || { echo "no text field window" >&2; exit 1; }
xdotool windowactivate --sync "$window"
# The engine of every input context (IBus's global engine), then the keys.
# (`ibus engine NAME` answers 1 even when it sets the engine.)
engine_set() { ibus engine orvanta-siddham; [ "$(ibus engine)" = orvanta-siddham ]; }
wait_for 20 engine_set || { echo "the engine was not set" >&2; cat "$work/ibus.log" >&2; exit 1; }
sleep 1
xdotool type --delay 200 ka
sleep 2
import -window root "$work/root.png"
# The text field with its frame and the candidate window below it: what
# is not the black background.
convert "$work/root.png" -trim +repage -bordercolor black -border 6 "$out"
echo "$out"
