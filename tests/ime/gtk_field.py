#!/usr/bin/python3
"""Two GTK 3 text fields in a window, typed into through the toolkit's own
input-method module (GTK_IM_MODULE). Driven by lines on stdin, each
answered by one JSON line on stdout:

    texts        the fields' texts
    preedits     the preedit each field shows
    focus N      gives field N (0 or 1) the focus
    where N SIDE the root coordinates of a point inside field N, near its
                 start or its end (SIDE)
    clear        empties both fields and focuses the first

It answers "ready" once the window is shown with the first field focused."""
import json
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

window = Gtk.Window(title="Orvanta GTK field")
# Side by side: a candidate window below the first field never covers the
# second.
box = Gtk.Box(orientation=Gtk.Orientation.HORIZONTAL, spacing=8)
fields = [Gtk.Entry(width_chars=40), Gtk.Entry(width_chars=40)]
preedits = ["", ""]
for i, field in enumerate(fields):
    box.pack_start(field, False, False, 0)
    field.connect("preedit-changed", lambda _, text, i=i: preedits.__setitem__(i, text))
window.add(box)
window.connect("destroy", Gtk.main_quit)


def answer(value):
    print(json.dumps(value), flush=True)


def where(n, side):
    field = fields[n]
    x, y = field.get_window().get_origin()[1:]
    alloc = field.get_allocation()
    inside = 12 if side == "start" else alloc.width - 12
    return [x + alloc.x + inside, y + alloc.y + alloc.height // 2]


def on_line(source, _condition):
    line = source.readline()
    if not line:
        Gtk.main_quit()
        return False
    command, *args = line.split()
    if command == "texts":
        answer([field.get_text() for field in fields])
    elif command == "preedits":
        answer(preedits)
    elif command == "focus":
        fields[int(args[0])].grab_focus()
        answer("ok")
    elif command == "where":
        answer(where(int(args[0]), args[1]))
    elif command == "clear":
        for field in fields:
            field.set_text("")
        fields[0].grab_focus()
        answer("ok")
    return True


def on_focus(*_):
    if fields[0].has_focus() and window.is_active():
        window.disconnect(handler)
        answer("ready")


handler = window.connect("notify::is-active", on_focus)
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_line)
window.show_all()
fields[0].grab_focus()
Gtk.main()
