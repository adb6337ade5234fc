#!/usr/bin/python3
"""The Fcitx5 addon end to end: a real fcitx5 on a private D-Bus session
loads it from the build tree, and a client types into an input context
through Fcitx's D-Bus protocol, as an application's text field does.

  test_fcitx5.py ADDON_DIR STAGE_DIR [PRELOAD]

Its files, the D-Bus sockets among them, are in a short private folder
under /tmp (a socket's path has room for 107 bytes, whatever the
checkout's path), removed at the end; the logs are printed when something
failed.

PRELOAD (sanitizer builds): the sanitizer runtimes fcitx5 needs in order
to load an instrumented addon."""

import os
import shutil
import sys
import tempfile
import time

from gi.repository import GLib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import gtk_typing  # noqa: E402
from fcitx5_session import Context, Fcitx  # noqa: E402

# What the application receives: (case, keys typed, text committed, keys
# that reach the application).
SIDDHAM = [
    ("o.m F1", ["o", ".", "m", "F1"], "\U0001158C\U000115BD", []),
    ("hrii.h Space", list("hrii.h") + [" "], "\U000115AE\U000115BF\U000115A8\U000115B1\U000115BE", []),
    ("Enter writes the Latin text", list("k.sa") + ["Return"], "k\u1e63a", []),
    ("Escape drops it", list("k.sa") + ["Escape"], "", []),
    ("BackSpace edits", list("kaa") + ["BackSpace", "Return"], "k", []),
    ("empty preedit: characters as commits, other keys pass",
     ["1", " ", "Return", "BackSpace", "Escape"], "1 ", ["Return", "BackSpace", "Escape"]),
    ("a lone dot goes out with the blank", [".", " "], ". ", []),
]

failures = []
checks = 0


def check(name, condition, detail=""):
    global checks
    checks += 1
    if not condition:
        failures.append(f"{name}: {detail}")
        print(f"FAIL {name}: {detail}")


def glyph(candidate):  # (label, "glyph reading")
    return gtk_typing.split_candidate(candidate[1])[0]


def siddham_cases(fcitx):
    ic = Context(fcitx)
    for name, keys, commit, passed in SIDDHAM:
        through = ic.type(keys)
        text = ic.take()
        check(name, (text, through) == (commit, passed),
              f"got {text!r} with {through} passed, expected {commit!r} with {passed}")
        check(name + ": preedit cleared", ic.preedit == "", repr(ic.preedit))

    # A blank between two syllables goes out between them.
    ic.type(list("ka") + [" "])
    first = ic.take()
    through = ic.type([" "] + list("ka") + [" "])
    check("blank between syllables", first and ic.take() == " " + first and through == [],
          f"{first!r}, passed {through}")

    # The page: twelve candidates, each glyph with its transliteration; 2
    # picks the second, Page Down shows the next twelve.
    ic.type("k.sa")
    page = ic.candidates
    check("page of twelve", len(page) == 12 and all(gtk_typing.split_candidate(t)[1].startswith("k") for _, t in page),
          f"{page}")
    check("preedit shown", ic.preedit == "k\u1e63a", repr(ic.preedit))
    ic.key("2")
    check("2 picks the second", page and ic.take() == glyph(page[1]), f"{page[:2]}")
    ic.type(["k", "a", "Page_Down"])
    second = ic.candidates
    check("Page Down turns", second and second != page and glyph(second[0]) != "", f"{second[:2]}")
    ic.key("F1")
    check("F1 on the second page", second and ic.take() == glyph(second[0]), "")
    # Down moves the highlight: Space then picks the second candidate.
    ic.type(["k", "a", "Down"])
    shown = ic.candidates
    ic.key(" ")
    check("Down then Space", shown and ic.take() == glyph(shown[1]), "")

    # Reset (the application's, on a click elsewhere) and a lost focus
    # commit the preedit as typed, once.
    for call in ("Reset", "FocusOut"):
        ic.type("ka")
        ic.call(call)
        ic.call("FocusIn")
        check(call + " commits the preedit", (ic.preedit, ic.take(), ic.type(["Return"]))
              == ("", "ka", ["Return"]), repr(ic.preedit))
    return ic


SVAHA = "\U000115AD\U000115BF\U000115AA\U000115AF\U000115AE\U000115AF"
CONFIG = "fcitx://config/addon/orvanta"


def set_config(fcitx, **values):
    fcitx.bus.call_sync("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1",
                        "SetConfig", GLib.Variant("(sv)", (CONFIG, GLib.Variant(
                            "a{sv}", {k: GLib.Variant("s", v) for k, v in values.items()}))),
                        None, 0, -1, None)


def word_cases(fcitx, ic):
    """Whole words: Space takes the word, "svaha" offers svāhā on the first
    page; the addon's configuration switches word candidates off and on."""
    ic.type(list("gatigata") + [" "])
    check("words: Space takes the whole word", ic.take() == gtk_typing.GATIGATA, "")
    ic.type("svaha")
    check("words: spelled without diacritics", SVAHA in map(glyph, ic.candidates),
          f"{ic.candidates}")
    ic.type(["Escape"])
    options = fcitx.bus.call_sync("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1",
                                  "GetConfig", GLib.Variant("(s)", (CONFIG,)), None, 0, -1,
                                  None).unpack()
    check("words: the options are configurable", "WordCandidates" in str(options), str(options))
    set_config(fcitx, WordCandidates="False")
    time.sleep(0.3)  # the settings file is looked at again at most every 200 ms
    ic.type("svaha")
    check("words: switched off, syllables alone", ic.candidates == [], f"{ic.candidates}")
    ic.type(["Escape"])
    set_config(fcitx, WordCandidates="True")
    time.sleep(0.3)


def use(fcitx, name):
    """Makes an input method the focused input context's."""
    fcitx.bus.call_sync("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1",
                        "SetCurrentIM", GLib.Variant("(s)", (name,)), None, 0, -1, None)


def in_gtk(fcitx):
    """The cases of a real GTK field through Fcitx's GTK module."""
    engines = ["orvanta-siddham", "orvanta-lantsa"]

    def switch():
        engines.reverse()
        use(fcitx, engines[0])

    screen = gtk_typing.Screen()
    try:
        field = gtk_typing.Field(screen, dict(fcitx.env, GTK_IM_MODULE="fcitx"))
        try:
            settings = os.path.join(fcitx.env["XDG_CONFIG_HOME"], "orvanta", "input-method.conf")
            for what, ok, detail in gtk_typing.run_cases(field, switch, settings):
                check("GTK: " + what, ok, detail)
        finally:
            field.stop()
    finally:
        screen.stop()


def lantsa_case(fcitx, ic):
    use(fcitx, "orvanta-lantsa")
    ic.type(list("ka") + ["F1"])
    text = ic.take()
    check("Lantsa gives Devanagari", text and all(0x900 <= ord(c) <= 0x97F for c in text),
          repr(text))


def no_database_case(work, addon_dir, stage, extra_env):
    # The addon alone in a folder without orvbase.mdb, and nothing installed.
    lonely = tempfile.mkdtemp(prefix="no-db-", dir=work)
    os.symlink(os.path.join(addon_dir, "orvanta-fcitx5.so"),
               os.path.join(lonely, "orvanta-fcitx5.so"))
    fcitx = Fcitx(work, lonely, stage, extra_env=extra_env)
    try:
        ic = Context(fcitx)
        through = ic.type(["k"])
        notice = ic.aux
        through += ic.type(["a", " ", "F1"])
        check("no database: keys pass", through == ["k", "a", " ", "F1"] and ic.take() == "",
              f"{through}")
        check("no database: notice", "database" in notice, repr(notice))
        check("no database: notice once", ic.aux == "", repr(ic.aux))
    finally:
        fcitx.stop()
    check("no database: reason logged", "no usable reference database" in fcitx.log_text(),
          fcitx.log_text()[-500:])
    return fcitx


def sanitizer_clean(fcitx):
    log = fcitx.log_text()
    check("sanitizers quiet", "Sanitizer" not in log and "runtime error" not in log, log[-3000:])


def main():
    addon_dir, stage = sys.argv[1:3]
    # The sanitizer options are the caller's: fcitx5 ends cleanly, so its
    # exit runs the leak check over the addon too.
    extra_env = {"LD_PRELOAD": sys.argv[3]} if len(sys.argv) > 3 and sys.argv[3] else {}
    work = tempfile.mkdtemp(prefix="orv.", dir="/tmp")
    try:
        return run(work, addon_dir, stage, extra_env)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run(work, addon_dir, stage, extra_env):
    fcitx = Fcitx(work, addon_dir, stage, ("orvanta-siddham", "orvanta-lantsa"),
                  extra_env=extra_env)
    try:
        ic = siddham_cases(fcitx)
        word_cases(fcitx, ic)
        in_gtk(fcitx)
        lantsa_case(fcitx, ic)
    finally:
        fcitx.stop()
    sanitizer_clean(fcitx)
    sanitizer_clean(no_database_case(work, addon_dir, stage, extra_env))
    print(f"{checks - len(failures)} passed, {len(failures)} failed")
    if failures:
        for root, _, files in os.walk(work):
            for log in filter(lambda name: name.endswith(".log"), files):
                print(f"--- {log}\n" + open(os.path.join(root, log), errors="replace").read()[-4000:])
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
