#!/usr/bin/env bash
# A picture of an input method's candidate window after typing "ka" (or $ORV_SCREENSHOT_TEXT) into a
# Qt text field: a private X server with openbox, a private D-Bus session,
# the framework's daemon drawing its own candidate window with the build
# tree's engine, their files and sockets in a short private folder under
# /tmp (a socket's path has room for 107 bytes), all ended and removed on
# exit.
#   tests/ime/screenshot.sh ibus|fcitx5 BUILD_DIR OUT.png
set -euo pipefail
if [ "$#" -ne 3 ] || { [ "$1" != ibus ] && [ "$1" != fcitx5 ]; }; then
  echo "usage: $0 ibus|fcitx5 BUILD_DIR OUT.png" >&2
  exit 2
fi
framework=$1
build=$(cd "$2" && pwd)
out=$3
src=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/tests/ime/orvanta-textfield" ] || {
  echo "build the target orvanta-textfield (and the $framework engine) first" >&2
  exit 1
}
# Every child stays in this process group and ends with it.
if [ "$(ps -o pgid= $$ | tr -d ' ')" != "$$" ]; then
  exec setsid --wait "$0" "$@"
fi
# shellcheck source=../../scripts/xvfb-lib.sh
. "$src/scripts/xvfb-lib.sh"
start_xvfb  # (its own exit trap is replaced below: the group's end stops it)
work=$(mktemp -d /tmp/orv.XXXXXX)
cleanup() {
  trap '' TERM
  kill -TERM -- -$$ 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

wait_for() {  # wait_for SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/fontconfig" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The Siddham font: the newer one the project ships when it is there, else
# Debian's Noto Sans Siddham.
font="Noto Sans Siddham"
for dir in "$build/bin/fonts" "$src/.cache/fonts"; do
  if ls "$dir"/OrvantaSiddham-*.ttf >/dev/null 2>&1; then
    printf '<?xml version="1.0"?>\n<fontconfig><dir>%s</dir></fontconfig>\n' "$dir" \
      >"$XDG_CONFIG_HOME/fontconfig/fonts.conf"
    font="Orvanta Siddham"
    break
  fi
done

openbox >/dev/null 2>&1 &
dbus-daemon --session --nofork --print-address=1 --address="unix:tmpdir=$work" \
  >"$work/bus" 2>/dev/null &
wait_for 10 test -s "$work/bus" || { echo "no D-Bus session" >&2; exit 1; }
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS

if [ "$framework" = ibus ]; then
  # The panel's settings from a key file: vertical, in a font large enough
  # for the marks above and below.
  export GSETTINGS_BACKEND=keyfile IBUS_ADDRESS=unix:path=$work/ibus.sock
  mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
  cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<EOF2
[desktop/ibus/panel]
use-custom-font=true
custom-font='Sans 15'
lookup-table-orientation=1
show=0
EOF2
  # The system's components too: the panel crashes without an engine for
  # the keyboard layout (xkb:us::eng).
  IBUS_COMPONENT_PATH=$build/ime/ibus-component:/usr/share/ibus/component \
    ibus-daemon --panel=/usr/libexec/ibus-ui-gtk3 --emoji-extension=disable --config=disable \
    --cache=none --address="$IBUS_ADDRESS" >"$work/ibus.log" 2>&1 &
  wait_for 20 test -S "$work/ibus.sock" || { echo "no ibus-daemon" >&2; exit 1; }
else
  mkdir -p "$XDG_CONFIG_HOME/fcitx5/conf"
  cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<EOF2
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=orvanta-siddham

[Groups/0/Items/0]
Name=orvanta-siddham
Layout=

[GroupOrder]
0=Default
EOF2
  printf 'Vertical Candidate List=True\nFont="%s 22"\n' "$font" \
    >"$XDG_CONFIG_HOME/fcitx5/conf/classicui.conf"
  XDG_DATA_DIRS="$build/ime/fcitx5/share:/usr/share" \
    FCITX_ADDON_DIRS="$build/bin:/usr/lib/x86_64-linux-gnu/fcitx5" \
    fcitx5 --disable=all --enable=keyboard,dbus,dbusfrontend,xcb,classicui,orvanta \
    >"$work/fcitx5.log" 2>&1 &
  fcitx_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Fcitx | grep -q 'boolean true'
  }
  wait_for 20 fcitx_up || { echo "no fcitx5" >&2; exit 1; }
fi

QT_IM_MODULE=$([ "$framework" = ibus ] && echo ibus || echo fcitx) QT_QPA_PLATFORM=xcb \
  "$build/tests/ime/orvanta-textfield" >/dev/null 2>&1 &
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Orvanta text field$' | head -n 1)
[ -n "$window" ] || { echo "no text field window" >&2; exit 1; }
xdotool windowmove --sync "$window" 20 20
xdotool windowactivate --sync "$window"
if [ "$framework" = ibus ]; then
  # The engine of every input context (IBus's global engine); `ibus engine
  # NAME` answers 1 even when it sets the engine.
  engine_set() { ibus engine orvanta-siddham; [ "$(ibus engine)" = orvanta-siddham ]; }
  wait_for 20 engine_set || { echo "the engine was not set" >&2; exit 1; }
fi
sleep 1
xdotool type --delay 200 "${ORV_SCREENSHOT_TEXT:-ka}"
sleep 2
import -window root "$work/screen.png"
# The text field and the candidate window below it: everything that is not
# the bare (black) root window, with a margin.
convert "$work/screen.png" -trim +repage -bordercolor black -border 8 "$out"
echo "screenshot: $out"
