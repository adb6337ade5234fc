#!/usr/bin/python3
"""The IBus engine end to end: a real ibus-daemon on a private D-Bus session
starts the built orvanta-ibus from the build tree's component file, and the
IBus client library types into its input contexts.

    test_ibus.py BUILD_DIR                  (the whole test)
    test_ibus.py BUILD_DIR WORK_DIR         (its part without a database)
    test_ibus.py BUILD_DIR WORK_DIR learn N (a daemon of the learning part)

Everything it starts stays in its process session and ends with it. Its
files, the sockets among them, are in a short private folder under /tmp
(a socket's path has room for 107 bytes, whatever the checkout's path),
removed at the end; the daemons' logs are printed when something failed.
Sanitizer reports of the engine (in the daemon's output) fail the test.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
PART = (sys.argv[3:] or ["nodb"])[0] if len(sys.argv) > 2 else None
if PART:
    work = sys.argv[2]
else:
    try:
        os.setsid()
    except OSError:
        pass  # already a session leader
    work = tempfile.mkdtemp(prefix="orv.", dir="/tmp")
# A home of the run's own: the daemon's address file never meets another's.
for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                 ("XDG_DATA_HOME", "home/.local/share"),
                 ("XDG_CACHE_HOME", "home/.cache"), ("XDG_RUNTIME_DIR", "runtime")):
    os.environ[var] = os.path.join(work, sub)
    os.makedirs(os.environ[var], mode=0o700, exist_ok=True)
os.environ.pop("DISPLAY", None)

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import gtk_typing  # noqa: E402
import gi  # noqa: E402  (after the environment: GLib reads it once)
gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

ENGINE = os.path.join(build, "bin", "orvanta-ibus")
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


def wait_for(predicate, what, seconds=20):
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            raise TimeoutError(what)
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)


def engines_running():
    mine = os.getsid(0)
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if (open(f"/proc/{pid}/comm").read().strip() == "orvanta-ibus"
                    and os.getsid(int(pid)) == mine):
                return True
        except OSError:
            pass
    return False


class Daemon:
    """A private ibus-daemon reading components from one folder. The client
    library keeps one bus per process: one daemon per process."""

    def __init__(self, label, components):
        socket = os.path.join(work, label + ".sock")
        os.environ["IBUS_ADDRESS"] = "unix:path=" + socket
        self.log = os.path.join(work, label + ".log")
        self.process = subprocess.Popen(
            ["ibus-daemon", "--panel=disable", "--emoji-extension=disable", "--config=disable",
             "--cache=none", "--address=" + os.environ["IBUS_ADDRESS"],
             "--verbose"],  # else the engines' output goes to /dev/null
            env=dict(os.environ, IBUS_COMPONENT_PATH=components),
            stdout=open(self.log, "w"), stderr=subprocess.STDOUT)
        wait_for(lambda: os.path.exists(socket), "ibus-daemon did not come up")
        self.bus = IBus.Bus()

    def stop(self):
        """Ends the daemon, waits for its engine to end, reports sanitizer
        findings."""
        self.process.terminate()
        self.process.wait(10)
        wait_for(lambda: not engines_running(), "the engine did not end")
        text = open(self.log).read()
        found = any(mark in text for mark in SANITIZER_MARKS)
        report(not found, "no sanitizer report in " + os.path.basename(self.log), text)
        return text


class Client:
    """An input context on an engine, recording what reaches the application."""

    def __init__(self, bus, engine):
        self.ic = bus.create_input_context("orvanta-test")
        self.ic.set_capabilities(IBus.Capabilite.PREEDIT_TEXT | IBus.Capabilite.LOOKUP_TABLE
                                 | IBus.Capabilite.AUXILIARY_TEXT | IBus.Capabilite.FOCUS)
        self.commits, self.passed, self.aux, self.preedit, self.table = [], [], [], "", None
        on = self.ic.connect
        on("commit-text", lambda _, t: self.commits.append(t.get_text()))
        on("update-preedit-text", lambda _, t, c, v: self.set(preedit=t.get_text() if v else ""))
        on("update-lookup-table", lambda _, t, v: self.set(table=self.page(t) if v else None))
        on("hide-lookup-table", lambda _: self.set(table=None))
        on("update-auxiliary-text", lambda _, t, v: v and self.aux.append(t.get_text()))
        self.ic.focus_in()
        self.ic.set_engine(engine)
        # The daemon answers before the engine is made; a key that passes
        # through comes back after the engine's own set-up calls.
        wait_for(lambda: (self.ic.get_engine() or IBus.EngineDesc()).get_name() == engine,
                 "the daemon did not set " + engine)
        self.type("Shift_L")
        self.passed.clear()

    def set(self, **values):
        self.__dict__.update(values)

    @staticmethod
    def page(table):
        """([(glyph, reading, label)], cursor) of a lookup table."""
        rows = [gtk_typing.split_candidate(table.get_candidate(i).get_text()) + [table.get_label(i).get_text()]
                for i in range(table.get_number_of_candidates())]
        return rows, table.get_cursor_pos()

    def glyphs(self):
        return [row[0] for row in self.table[0]] if self.table else []

    def type(self, keys):
        """Presses and releases each key: characters, or key names (F1, Up)."""
        for word in keys.split(" "):
            for name in [word] if word[0].isupper() else word:
                keyval = (getattr(IBus, "KEY_" + name, None) or getattr(IBus, "KEY_" + name.lower())
                          if len(name) > 1 else ord(name))
                if not self.ic.process_key_event(keyval, 0, 0):
                    self.passed.append(name)
                assert not self.ic.process_key_event(keyval, 0, IBus.ModifierType.RELEASE_MASK)
                while GLib.MainContext.default().iteration(False):
                    pass


def in_block(lo, hi):
    return lambda text: bool(text) and all(lo <= ord(ch) <= hi for ch in text)


SIDDHAM, DEVANAGARI = in_block(0x11580, 0x115FF), in_block(0x0900, 0x097F)
KA, OM, HRIH = "\U0001158E", "\U0001158C\U000115BD", "\U000115AE\U000115BF\U000115A8\U000115B1\U000115BE"


def focus_out_and_in(c):
    c.ic.focus_out()
    c.ic.focus_in()


# (what, engine, steps, check): a step is keys to type or a function of the
# client; c.shown is the page shown before the last step.
CASES = [
    ("o.m F1 gives oṃ", "orvanta-siddham", ["o.m F1"],
     lambda c: c.commits == [OM] and c.preedit == "" and c.table is None),
    ("Space picks the highlighted", "orvanta-siddham", ["hrii.h Space"],
     lambda c: c.commits == [HRIH]),
    ("a blank between syllables goes out between them", "orvanta-siddham",
     ["ka F1 Space ka F1"], lambda c: c.commits == [KA, " ", KA] and c.passed == []),
    ("a digit picks on the page", "orvanta-siddham", ["k.sa", "2"],
     lambda c: len(c.shown) > 2 and c.commits == [c.shown[1]] and SIDDHAM(c.commits[0])),
    ("the preedit is the mapped transliteration", "orvanta-siddham", ["k.sa"],
     lambda c: c.preedit == "kṣa" and c.glyphs()[0] == KA + "\U000115BF\U000115AC"),
    ("Enter commits the transliteration", "orvanta-siddham", ["k.sa Return"],
     lambda c: c.commits == ["kṣa"] and c.preedit == "" and c.passed == []),
    ("Escape leaves nothing", "orvanta-siddham", ["ka Escape"],
     lambda c: c.commits == [] and c.preedit == "" and c.table is None and c.passed == []),
    ("BackSpace takes one letter off", "orvanta-siddham", ["ka.m BackSpace"],
     lambda c: c.preedit == "ka" and c.commits == []),
    ("focus out commits the preedit as typed", "orvanta-siddham", ["ka", focus_out_and_in, "F1"],
     lambda c: c.commits == ["ka"] and c.passed == ["F1"]),
    ("an empty preedit: characters as commits, other keys through", "orvanta-siddham",
     ["1 Space F1 Return"], lambda c: c.passed == ["F1", "Return"] and c.commits == ["1", " "]),
    ("a password field is left alone", "orvanta-siddham",
     [lambda c: c.ic.set_content_type(IBus.InputPurpose.PASSWORD, 0), "ka"],
     lambda c: c.passed == ["k", "a"] and c.preedit == "" and c.commits == []),
    ("Lantsa types Devanagari code points", "orvanta-lantsa", ["o.m F1 ka F1"],
     lambda c: len(c.commits) == 2 and all(map(DEVANAGARI, c.commits))),
]


def spell(iast):
    """The Siddham of IAST text, as the built converter writes it."""
    return subprocess.run([os.path.join(build, "bin", "orvanta-convert"), "--from", "iast",
                           "--to", "siddham", "-"], input=iast, capture_output=True, text=True,
                          check=True).stdout.strip()


SETTINGS = os.path.join(work, "home/.config/orvanta/input-method.conf")

# Whole words: (what, keys, (position on the first page or None for
# anywhere, IAST wanted there)), or keys and the commit they give.
WORD_CASES = [
    ("the whole word, taken with Space", "gatigata Space", ["gatigata"]),
    ("a completion after a few letters", "prajnaapaa", (None, "prajñāpāramitā")),
    ("a phrase typed without blanks", "namorat", (None, "namo ratnatrayāya")),
    ("spelled without diacritics", "svaha", (1, "svāhā")),
]


def words(bus):
    """Word candidates through the daemon: picks, completions, the lax
    spelling; the engine's menu switching them off gives the syllables alone."""
    for what, keys, wanted in WORD_CASES:
        def check(c, wanted=wanted):
            if isinstance(wanted, list):
                return c.commits == [spell(w) for w in wanted]
            at, iast = wanted
            glyphs = c.glyphs()
            return spell(iast) in glyphs if at is None else glyphs[at:at + 1] == [spell(iast)]
        ok, detail = run_case(bus, "orvanta-siddham", [keys], check)
        report(ok, "words: " + what, detail)

    def menu(c):
        c.type("svaha")
        with_words = c.glyphs()
        c.type("Escape")
        c.ic.property_activate("orvanta-words", IBus.PropState.UNCHECKED)
        wait_for(lambda: os.path.exists(SETTINGS), "the menu saved no settings")
        time.sleep(0.3)  # the file is looked at again at most every 200 ms
        c.type("svaha")
        without = c.glyphs()
        c.type("Escape")
        c.ic.property_activate("orvanta-words", IBus.PropState.CHECKED)
        time.sleep(0.3)
        c.type("ka")
        assert spell("svāhā") in with_words and spell("svāhā") not in without, (with_words, without)
        assert without == [], without  # no syllable of the table begins "svaha"
        return True
    ok, detail = run_case(bus, "orvanta-siddham", [menu], lambda c: True)
    report(ok, "words: the menu switches word candidates off and on", detail)


def learning(step):
    """A word picked is learned in the per-user store: after the daemon and
    its engine are started anew (step 2, a process of its own) it comes
    right after the literal spelling."""
    daemon = Daemon("learn" + step, os.path.join(build, "ime", "ibus-component"))
    if step == "1":
        ok, detail = run_case(daemon.bus, "orvanta-siddham", ["ratnaketutara Space"],
                              lambda c: c.commits == [spell("ratnaketutara")])
        report(ok, "learning: a new word picked", detail)
    else:
        ok, detail = run_case(daemon.bus, "orvanta-siddham", ["ratnak"],
                              lambda c: c.glyphs()[1:2] == [spell("ratnaketutara")])
        report(ok, "learning: known after a restart of the daemon", detail)

        def forget(c):
            c.ic.property_activate("orvanta-forget", IBus.PropState.UNCHECKED)
            c.type("ratnak")
        ok, detail = run_case(daemon.bus, "orvanta-siddham", [forget],
                              lambda c: spell("ratnaketutara") not in c.glyphs())
        report(ok, "learning: the menu forgets every learned word", detail)
    daemon.stop()


def table_moves(c):
    """Paging and the highlight, as the lookup table the client gets says."""
    c.type("k")
    first = c.glyphs()
    assert len(first) == 12 and c.table[1] == 0, c.table
    assert [row[2] for row in c.table[0]] == [f"F{i}" for i in range(1, 13)], c.table
    # Each candidate is its glyphs, then its reading (a phrase has blanks).
    assert all(row[1].startswith("k") for row in c.table[0]), c.table
    c.type("Page_Down")
    second = c.glyphs()
    assert second and second != first and c.table[1] == 0, c.table
    c.type("Page_Up")
    assert c.glyphs() == first, c.table
    c.type("Down Down Up")
    assert c.table[1] == 1, c.table
    c.type("Space")
    assert c.commits == [first[1]] and c.table is None, c.commits
    c.type("k" + " Down" * 12)  # past the last of the page: the next one
    assert c.glyphs() == second and c.table[1] == 0, c.table
    return True


failures = 0


def report(ok, what, detail=""):
    global failures
    failures += not ok
    print(("PASS: " if ok else "FAIL: ") + what + ("" if ok else f"\n  {detail}"))


def run_case(bus, engine, steps, check):
    try:
        c = Client(bus, engine)
        for step in steps:
            c.shown = c.glyphs()
            step(c) if callable(step) else c.type(step)
        c.ic.destroy()
        return check(c), {k: getattr(c, k) for k in ("commits", "passed", "preedit", "shown")}
    except Exception as e:  # noqa: BLE001  one failing case must not hide the others
        return False, repr(e)


def with_database():
    daemon = Daemon("ibus", os.path.join(build, "ime", "ibus-component"))
    names = [e.get_name() for e in daemon.bus.get_engines_by_names(
        ["orvanta-siddham", "orvanta-lantsa"])]
    report(names == ["orvanta-siddham", "orvanta-lantsa"], "the component offers both", names)
    for what, engine, steps, check in CASES:
        ok, detail = run_case(daemon.bus, engine, steps, check)
        report(ok, what, detail)
    ok, detail = run_case(daemon.bus, "orvanta-siddham", [table_moves], lambda c: True)
    report(ok, "paging and the highlight", detail)
    words(daemon.bus)
    in_gtk(daemon.bus)
    daemon.stop()


def in_gtk(bus):
    """The cases of a real GTK field through IBus's GTK module, with the
    module's synchronous and asynchronous key handling."""
    engines = ["orvanta-siddham", "orvanta-lantsa"]

    def use(name):
        bus.set_global_engine(name)
        wait_for(lambda: (bus.get_global_engine() or IBus.EngineDesc()).get_name() == name,
                 "the daemon did not set " + name)

    def switch():
        engines.reverse()
        use(engines[0])

    screen = gtk_typing.Screen()
    try:
        for sync in ("1", "0"):
            field = gtk_typing.Field(screen, dict(os.environ, GTK_IM_MODULE="ibus",
                                                  IBUS_ENABLE_SYNC_MODE=sync))
            try:
                use(engines[0])
                for what, ok, detail in gtk_typing.run_cases(field, switch, SETTINGS):
                    report(ok, f"GTK{' synchronous' if sync == '1' else ''}: {what}", detail)
            finally:
                field.stop()
    finally:
        screen.stop()


def without_database():
    """The engine copied where no orvbase.mdb is, with an empty data folder:
    keys pass through, the notice shows once, the reason is logged."""
    alone = os.path.join(work, "alone")
    os.makedirs(alone)
    engine = shutil.copy2(ENGINE, alone)
    with open(os.path.join(build, "ime", "ibus-component", "orvanta.xml")) as f:
        xml = f.read().replace(ENGINE, engine)
    with open(os.path.join(alone, "orvanta.xml"), "w") as f:
        f.write(xml)
    os.environ["ORVANTA_DATA_DIR"] = alone
    daemon = Daemon("nodb", alone)
    c = Client(daemon.bus, "orvanta-siddham")
    c.type("ka F1 Space")
    report(c.passed == ["k", "a", "F1", "Space"] and c.commits == []
           and c.aux == ["Orvanta: the reference database was not found"],
           "no database: keys pass, the notice shows once", vars(c))
    log = daemon.stop()
    report("no orvbase.mdb in " + alone in log, "no database: the reason is logged", log)


if __name__ == "__main__":
    if PART:
        learning(sys.argv[4]) if PART == "learn" else without_database()
        sys.exit(1 if failures else 0)
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("FAIL: the test took too long"))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: ended from outside"))
    signal.alarm(int(os.environ.get("ORV_IBUS_TEST_SECONDS", "150")))
    try:
        dbus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                 "--address=unix:tmpdir=" + work],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = dbus.stdout.readline().strip()
        with_database()
        # The parts with daemons of their own, each in a process of its own
        # (the client library holds one bus a process), same session.
        for part in (["learn", "1"], ["learn", "2"], []):
            failures += subprocess.run([sys.executable, __file__, build, work, *part]).returncode != 0
    except Exception as e:  # noqa: BLE001
        report(False, "the test ran to its end", repr(e))
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        os.killpg(0, signal.SIGTERM)
    print(f"{failures} failed")
    if failures:
        for log in filter(lambda name: name.endswith(".log"), os.listdir(work)):
            print(f"--- {log}\n" + open(os.path.join(work, log), errors="replace").read()[-4000:])
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if failures else 0)
