#!/usr/bin/env bash
# A picture of the Fcitx5 candidate window after typing "ka" into a Qt text
# field: a private X server with openbox, a private D-Bus session and a
# fcitx5 of its own drawing its classic UI, everything inside the build tree
# and ended on exit.
#   tests/ime/fcitx5/screenshot.sh BUILD_DIR OUT.png
set -euo pipefail
build=$(cd "$1" && pwd)
out=$2
src=$(cd "$(dirname "$0")/../../.." && pwd)
[ -x "$build/tests/ime/orvanta-textfield" ] && [ -f "$build/bin/orvanta-fcitx5.so" ] || {
  echo "build the targets orvanta-fcitx5 and orvanta-textfield first" >&2
  exit 1
}

# shellcheck source=../../../scripts/xvfb-lib.sh
. "$src/scripts/xvfb-lib.sh"
start_xvfb
mkdir -p "$build/test-home"
work=$(mktemp -d "$build/test-home/fcitx5-shot-XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  kill "$ORVANTA_XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/fcitx5/conf" "$XDG_CONFIG_HOME/fontconfig" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

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
cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<PROFILE
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=orvanta-siddham

[Groups/0/Items/0]
Name=orvanta-siddham
Layout=

[GroupOrder]
0=Default
PROFILE
cat >"$XDG_CONFIG_HOME/fcitx5/conf/classicui.conf" <<CONF
Vertical Candidate List=True
Font="$font 22"
CONF

openbox >/dev/null 2>&1 &
pids+=($!)
dbus-daemon --session --nofork --print-address=1 --address="unix:tmpdir=$work" \
  >"$work/bus" 2>/dev/null &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/bus" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")

XDG_DATA_DIRS="$build/ime/fcitx5/share:/usr/share" \
  FCITX_ADDON_DIRS="$build/bin:/usr/lib/x86_64-linux-gnu/fcitx5" \
  fcitx5 --disable=all --enable=keyboard,dbus,dbusfrontend,xcb,classicui,orvanta \
  >"$work/fcitx5.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 200); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Fcitx 2>/dev/null |
    grep -q 'boolean true' && break
  sleep 0.05
done

QT_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb "$build/tests/ime/orvanta-textfield" >/dev/null 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Orvanta text field$' | head -n 1)
xdotool windowmove --sync "$window" 20 20
xdotool windowactivate --sync "$window"
sleep 1
xdotool key --delay 150 k a
sleep 1.5
import -window root "$work/screen.png"
# The text field and the candidate window below it: everything that is not
# the bare (black) root window, with a margin.
convert "$work/screen.png" -trim +repage -bordercolor black -border 8 "$out"
echo "screenshot: $out"
