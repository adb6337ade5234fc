#!/usr/bin/python3
"""The IBus engine end to end: a real ibus-daemon on a private D-Bus session
starts the built orvanta-ibus from the build tree's component file, and a
real client (the IBus client library) types into an input context.

    test_ibus.py BUILD_DIR

Everything it starts lives in its own process session, which it ends
however the test ends. Sanitizer reports of the engine fail the test.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
# The part without a database runs in a second process of the same run: the
# IBus client library keeps one bus connection per process.
NO_DATABASE_PART = len(sys.argv) > 2
if NO_DATABASE_PART:
    work = sys.argv[2]
else:
    # Every child joins this session and ends with it.
    try:
        os.setsid()
    except OSError:
        pass  # already a session leader
    work = tempfile.mkdtemp(prefix="ibus-test.", dir=os.path.join(build, "ime"))
# A home, configuration and runtime folder of the test's own: the address
# file and caches of this daemon never meet the user's or another test's.
for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                 ("XDG_CACHE_HOME", "home/.cache"), ("XDG_DATA_HOME", "home/.local/share"),
                 ("XDG_RUNTIME_DIR", "runtime")):
    os.environ[var] = os.path.join(work, sub)
    os.makedirs(os.environ[var], mode=0o700, exist_ok=True)
os.environ.pop("DISPLAY", None)
os.environ.pop("WAYLAND_DISPLAY", None)

import gi  # noqa: E402  (after the environment: GLib reads it once)
gi.require_version("IBus", "1.0")
from gi.repository import GLib, IBus  # noqa: E402

NOTICE = "Orvanta: the reference database was not found"
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:")


def end_everything():
    signal.signal(signal.SIGTERM, signal.SIG_IGN)
    try:
        os.killpg(0, signal.SIGTERM)
    except OSError:
        pass


def on_alarm(*_):
    raise TimeoutError("the test took too long")


def wait_for(predicate, seconds, what):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)
    raise TimeoutError(what)


def engines_in_session(name):
    """Processes of this test's session running `name`."""
    pids = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm") as f:
                comm = f.read().strip()
            if comm == name[:15] and os.getsid(int(pid)) == os.getsid(0):
                pids.append(int(pid))
        except OSError:
            pass
    return pids


class Daemon:
    """A private ibus-daemon reading components from `component_dir`."""

    def __init__(self, label, component_dir):
        self.address = f"unix:path={work}/{label}.sock"
        self.log = os.path.join(work, f"{label}.log")
        env = dict(os.environ, IBUS_COMPONENT_PATH=component_dir, IBUS_ADDRESS=self.address)
        with open(self.log, "w") as log:
            self.process = subprocess.Popen(
                ["ibus-daemon", "--panel=disable", "--emoji-extension=disable",
                 "--config=disable", "--cache=none", "--address=" + self.address,
                 # Without it the daemon sends its engines' output to /dev/null.
                 "--verbose"],
                env=env, stdout=log, stderr=subprocess.STDOUT)
        os.environ["IBUS_ADDRESS"] = self.address
        # The client library makes one bus object per process and does not
        # retry an address given in IBUS_ADDRESS: connect once it listens.
        end = time.monotonic() + 20
        while (time.monotonic() < end and self.process.poll() is None
               and not os.path.exists(self.address.partition("=")[2])):
            time.sleep(0.05)
        self.bus = IBus.Bus()
        if not self.bus.is_connected():
            raise RuntimeError("ibus-daemon did not come up:\n" + open(self.log).read())

    def stop(self):
        """Ends the daemon and waits for the engines it started to end."""
        self.process.terminate()
        self.process.wait(10)
        wait_for(lambda: not engines_in_session("orvanta-ibus"), 15, "the engine did not end")


class Client:
    """One input context on an engine, recording what reaches the application."""

    def __init__(self, bus, engine):
        self.ic = bus.create_input_context("orvanta-test")
        caps = (IBus.Capabilite.PREEDIT_TEXT | IBus.Capabilite.LOOKUP_TABLE
                | IBus.Capabilite.AUXILIARY_TEXT | IBus.Capabilite.FOCUS)
        self.ic.set_capabilities(caps)
        self.commits, self.passed, self.aux = [], [], []
        self.preedit, self.table = "", None
        self.ic.connect("commit-text", lambda _, t: self.commits.append(t.get_text()))
        self.ic.connect("update-preedit-text",
                        lambda _, t, cursor, visible: setattr(self, "preedit",
                                                               t.get_text() if visible else ""))
        self.ic.connect("hide-preedit-text", lambda _: setattr(self, "preedit", ""))
        self.ic.connect("update-lookup-table",
                        lambda _, t, visible: setattr(self, "table", self.page(t) if visible
                                                      else None))
        self.ic.connect("hide-lookup-table", lambda _: setattr(self, "table", None))
        self.ic.connect("update-auxiliary-text",
                        lambda _, t, visible: visible and self.aux.append(t.get_text()))
        self.ic.focus_in()
        self.ic.set_engine(engine)
        # The daemon answers before the engine process is up.
        wait_for(lambda: (self.ic.get_engine() or IBus.EngineDesc()).get_name() == engine, 20,
                 f"the daemon did not set {engine}")
        # The engine's own set-up calls (enable, focus in) may still be on
        # their way; a key that passes through comes back after them.
        self.type("Shift_L")
        self.passed.clear()

    @staticmethod
    def page(table):
        """(candidates as (glyph, reading, label), cursor) of a lookup table."""
        rows = []
        for i in range(table.get_number_of_candidates()):
            glyph, _, reading = table.get_candidate(i).get_text().partition(" ")
            rows.append((glyph, reading, table.get_label(i).get_text()))
        return rows, table.get_cursor_pos()

    def settle(self):
        while GLib.MainContext.default().iteration(False):
            pass

    def type(self, keys):
        """Presses and releases each key: a character, or a key name (F1, Up)."""
        for key in keys.split(" "):
            names = [key] if key[0].isupper() else []  # F1, Space, Page_Down
            for name in names or key:
                keyval = (getattr(IBus, "KEY_" + name, None) or getattr(IBus, "KEY_" + name.lower())
                          if names else ord(name))
                if self.ic.process_key_event(keyval, 0, 0) is False:
                    self.passed.append(name)
                if self.ic.process_key_event(keyval, 0, IBus.ModifierType.RELEASE_MASK):
                    raise AssertionError(f"the release of {name} was consumed")
                self.settle()


def glyphs(client):
    return [row[0] for row in client.table[0]] if client.table else []


def run(bus, engine, steps):
    """Types each step (keys, or a function of the client); client.shown is
    the page shown before the last step."""
    client = Client(bus, engine)
    for step in steps if isinstance(steps, list) else [steps]:
        client.shown = (glyphs(client), client.table[1] if client.table else None)
        step(client) if callable(step) else client.type(step)
    client.ic.destroy()
    return client


def table_moves(bus):
    """Paging and the highlight, as the lookup table the client gets says."""
    c = Client(bus, "orvanta-siddham")
    c.type("k")
    first = glyphs(c)
    assert len(first) == 12 and c.table[1] == 0, c.table
    assert [row[2] for row in c.table[0]] == [f"F{i}" for i in range(1, 13)], c.table
    assert all(row[1].startswith("k") for row in c.table[0]), c.table
    c.type("Page_Down")
    second = glyphs(c)
    assert second and second != first and c.table[1] == 0, c.table
    c.type("Page_Up")
    assert glyphs(c) == first, c.table
    c.type("Down Down")
    assert c.table[1] == 2, c.table
    c.type("Up")
    assert c.table[1] == 1, c.table
    c.type("Space")
    assert c.commits == [first[1]] and c.table is None and c.preedit == "", vars(c)
    # Down past the last of the page turns it.
    c.type("k" + " Down" * 12)
    assert glyphs(c) == second and c.table[1] == 0, c.table


def in_range(lo, hi):
    return lambda text: text and all(lo <= ord(ch) <= hi for ch in text)


SIDDHAM = in_range(0x11580, 0x115FF)
DEVANAGARI = in_range(0x0900, 0x097F)


def focus_out(c):
    c.ic.focus_out()
    c.settle()
    c.ic.focus_in()


def password(c):
    c.ic.set_content_type(IBus.InputPurpose.PASSWORD, 0)


# (what, engine, steps, check of the client): a step is keys to type or a
# function of the client.
CASES = [
    ("o.m F1 gives oṃ", "orvanta-siddham", "o.m F1",
     lambda c: c.commits == ["\U0001158C\U000115BD"] and c.preedit == "" and c.table is None),
    ("hrii.h Space picks the highlighted", "orvanta-siddham", "hrii.h Space",
     lambda c: c.commits == ["\U000115AE\U000115BF\U000115A8\U000115B1\U000115BE"]),
    ("a blank between syllables reaches the application", "orvanta-siddham", "ka F1 Space ka F1",
     lambda c: c.commits == ["\U0001158E"] * 2 and c.passed == ["Space"]),
    ("a digit picks on the page", "orvanta-siddham", ["k.sa", "2"],
     lambda c: len(c.shown[0]) > 2 and c.commits == [c.shown[0][1]] and SIDDHAM(c.commits[0])),
    ("Enter commits the transliteration", "orvanta-siddham", "k.sa Return",
     lambda c: c.commits == ["kṣa"] and c.preedit == "" and c.passed == []),
    ("the preedit is the mapped transliteration", "orvanta-siddham", "k.sa",
     lambda c: c.preedit == "kṣa" and glyphs(c)[0] == "\U0001158E\U000115BF\U000115AC"),
    ("Escape leaves nothing", "orvanta-siddham", "ka Escape",
     lambda c: c.commits == [] and c.preedit == "" and c.table is None and c.passed == []),
    ("BackSpace takes one letter off", "orvanta-siddham", "ka.m BackSpace",
     lambda c: c.preedit == "ka" and c.commits == []),
    ("focus out drops the preedit", "orvanta-siddham", ["ka", focus_out, "F1"],
     lambda c: c.commits == [] and c.passed == ["F1"]),
    ("an empty preedit lets keys through", "orvanta-siddham", "1 Space F1 Return",
     lambda c: c.passed == ["1", "Space", "F1", "Return"] and c.commits == []),
    ("a password field is left alone", "orvanta-siddham", [password, "ka"],
     lambda c: c.passed == ["k", "a"] and c.preedit == "" and c.commits == []),
    ("Lantsa types Devanagari code points", "orvanta-lantsa", "o.m F1 ka F1",
     lambda c: len(c.commits) == 2 and all(DEVANAGARI(t) for t in c.commits)),
]


def check_cases(bus):
    failed = 0
    for case in CASES:
        what, engine, steps, check = case
        try:
            client = run(bus, engine, steps)
            ok = check(client)
            detail = {k: getattr(client, k) for k in ("commits", "passed", "preedit", "shown")}
        except Exception as e:  # a failing case must not hide the others
            ok, detail = False, repr(e)
        print(("PASS" if ok else "FAIL") + f": {what}" + ("" if ok else f"\n  {detail}"))
        failed += not ok
    try:
        table_moves(bus)
        print("PASS: paging and the highlight")
    except Exception as e:  # noqa: BLE001
        print(f"FAIL: paging and the highlight\n  {e!r}")
        failed += 1
    return failed


def check_no_database():
    """An engine with no database beside it nor installed: keys pass through,
    the notice shows once and the reason is logged."""
    alone = os.path.join(work, "alone")
    components = os.path.join(work, "components")
    os.makedirs(alone)
    os.makedirs(components)
    engine = shutil.copy2(os.path.join(build, "bin", "orvanta-ibus"), alone)
    with open(os.path.join(build, "ime", "ibus-component", "orvanta.xml")) as f:
        xml = f.read().replace(os.path.join(build, "bin", "orvanta-ibus"), engine)
    with open(os.path.join(components, "orvanta.xml"), "w") as f:
        f.write(xml)
    os.environ["ORVANTA_DATA_DIR"] = alone
    daemon = Daemon("nodb", components)
    client = Client(daemon.bus, "orvanta-siddham")
    client.type("ka F1 Space")
    ok = (client.passed == ["k", "a", "F1", "Space"] and client.commits == []
          and client.aux == [NOTICE])
    print(("PASS" if ok else "FAIL") + ": no database: keys pass, the notice shows once"
          + ("" if ok else f"\n  {vars(client)}"))
    daemon.stop()
    with open(daemon.log) as f:
        logged = "no orvbase.mdb in " + alone in f.read()
    print(("PASS" if logged else "FAIL") + ": no database: the reason is logged")
    return (not ok) + (not logged) + sanitizer_failures(daemon.log)


def sanitizer_failures(log):
    with open(log) as f:
        text = f.read()
    if any(mark in text for mark in SANITIZER_MARKS):
        print(f"FAIL: sanitizer report in {os.path.basename(log)}:\n{text}")
        return 1
    return 0


def main():
    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_alarm)
    signal.alarm(int(os.environ.get("ORV_IBUS_TEST_SECONDS", "150")))
    dbus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                            stdout=subprocess.PIPE, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = dbus.stdout.readline().strip()

    daemon = Daemon("ibus", os.path.join(build, "ime", "ibus-component"))
    names = [e.get_name() for e in daemon.bus.get_engines_by_names(
        ["orvanta-siddham", "orvanta-lantsa"])]
    failed = names != ["orvanta-siddham", "orvanta-lantsa"]
    print(("FAIL" if failed else "PASS") + f": the component file offers {names}")
    failed += check_cases(daemon.bus)
    daemon.stop()
    failed += sanitizer_failures(daemon.log)
    failed += subprocess.run([sys.executable, __file__, build, work]).returncode
    print(f"{failed} failed")
    return 1 if failed else 0


if __name__ == "__main__" and NO_DATABASE_PART:
    sys.exit(min(check_no_database(), 1))
elif __name__ == "__main__":
    status = 1
    try:
        status = main()
    except BaseException as e:  # noqa: BLE001  report, then end everything
        print(f"FAIL: {e!r}")
        for name in ("ibus.log", "nodb.log"):
            path = os.path.join(work, name)
            if os.path.exists(path):
                print(f"--- {name}\n" + open(path).read())
    finally:
        end_everything()
        if status == 0:
            shutil.rmtree(work, ignore_errors=True)
    sys.exit(status)
