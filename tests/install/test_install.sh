#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks it there as
# a user would find it: the program folder, the launchers, the converter
# command working from its install, and valid desktop entries.
#   test_install.sh BUILD_DIR
set -u
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
  fi
}

check "install" cmake --install "$build" --prefix "$prefix" >/dev/null
program="$prefix/lib/orvanta"
check "program folder" test -x "$program/orvanta" -a -x "$program/orvanta-convert" \
  -a -x "$program/orvanta-words" -a -f "$program/orvbase.mdb" -a -f "$program/orvanta-help.html"
check "launchers" test -L "$prefix/bin/orvanta" -a -x "$prefix/bin/orvanta-convert" \
  -a -x "$prefix/bin/orvanta-words"
check "words command" sh -c 'echo namo | "$1" --store "$2" import - >/dev/null && "$1" --store "$2" export | grep -q "^namo	1	"' \
  - "$prefix/bin/orvanta-words" "$prefix/words.sqlite"

# The converter runs from the launcher and finds the installed database.
ka=$'\U0001158E\U000115B0'   # Siddham ka + vowel sign i
out=$(printf '%s' "$ka" | "$prefix/bin/orvanta-convert" --to trans)
check "convert from the install" test "$out" = "ki"
out=$(printf '%s' "$ka" | "$prefix/bin/orvanta-convert" --to deva)
check "convert to Devanagari" test "$out" = "कि"
# Without its database beside it, it says so and fails.
mkdir "$prefix/elsewhere"
cp "$program/orvanta-convert" "$prefix/elsewhere/"
printf 'x' | "$prefix/elsewhere/orvanta-convert" --to trans >/dev/null 2>"$prefix/err"
status=$?
check "no database: failure" test $status -ne 0
check "no database: one line" test "$(wc -l <"$prefix/err")" -eq 1

# The Fcitx5 addon, when built: its library where Fcitx of this prefix
# looks, its descriptions, and the database in the program folder beside it.
if [ -f "$build/bin/orvanta-fcitx5.so" ]; then
  libdir=$(dirname "$program")
  check "fcitx5 addon" test -f "$libdir/fcitx5/orvanta-fcitx5.so" \
    -a -f "$prefix/share/fcitx5/addon/orvanta.conf" \
    -a -f "$prefix/share/fcitx5/inputmethod/orvanta-siddham.conf" \
    -a -f "$prefix/share/fcitx5/inputmethod/orvanta-lantsa.conf" \
    -a -f "$libdir/fcitx5/../orvanta/orvbase.mdb"
fi

# The IBus engine (built when IBus's development files are there): in the
# program folder, beside the database, and announced to ibus-daemon by a
# component file that starts that very copy.
if [ -x "$build/bin/orvanta-ibus" ]; then
  component="$prefix/share/ibus/component/orvanta.xml"
  check "IBus engine" test -x "$program/orvanta-ibus"
  check "IBus component" xmllint --noout "$component"
  check "IBus component starts the installed engine" \
    grep -qF "<exec>$program/orvanta-ibus --ibus</exec>" "$component"
fi

check "desktop entry" desktop-file-validate "$prefix/share/applications/orvanta.desktop"
check "autostart entry" desktop-file-validate "$prefix/share/orvanta/orvanta-autostart.desktop"
check "icon" test -f "$prefix/share/icons/hicolor/scalable/apps/orvanta.svg"
check "font alias" xmllint --noout "$prefix/share/orvanta/65-orvanta-fonts.conf"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
