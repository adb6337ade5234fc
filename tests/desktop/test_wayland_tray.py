#!/usr/bin/python3
"""The tray icon on Wayland when the panel starts after the program: on a
headless Weston and a private bus, a StatusNotifier watcher comes up with no
host, then a host registers; the icon must register then, and not before.
The watcher is this script's own (Debian has no panel that runs headless).

  test_wayland_tray.py BUILD_DIR
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
try:
    os.setsid()
except OSError:
    pass  # already a session leader
# A short private folder: the compositor's and the bus's sockets live there.
work = tempfile.mkdtemp(prefix="orv.", dir="/tmp")
for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                 ("XDG_CACHE_HOME", "home/.cache"), ("XDG_DATA_HOME", "home/.local/share"),
                 ("XDG_RUNTIME_DIR", "runtime")):
    os.environ[var] = os.path.join(work, sub)
    os.makedirs(os.environ[var], mode=0o700, exist_ok=True)
os.environ.pop("DISPLAY", None)

import gi  # noqa: E402  (after the environment: GLib reads it once)
from gi.repository import Gio, GLib  # noqa: E402

WATCHER = "org.kde.StatusNotifierWatcher"
XML = f"""<node><interface name="{WATCHER}">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""

failures = 0


def report(ok, what):
    global failures
    failures += not ok
    print(("PASS: " if ok else "FAIL: ") + what, flush=True)


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        if predicate():
            return True
        time.sleep(0.05)
    return False


class Watcher:
    """A StatusNotifier watcher: counts the items that register."""

    def __init__(self, bus):
        self.bus, self.items, self.host = bus, [], False
        info = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
        bus.register_object("/StatusNotifierWatcher", info, self.call, self.get, None)
        Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE, None, None)

    def call(self, bus, sender, path, iface, method, args, invocation):
        self.items.append(args.unpack()[0])  # RegisterStatusNotifierItem
        invocation.return_value(None)

    def get(self, bus, sender, path, iface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", self.items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", self.host),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    def host_registers(self):
        self.host = True
        self.bus.emit_signal(None, "/StatusNotifierWatcher", WATCHER,
                             "StatusNotifierHostRegistered", None)


def main():
    dbus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                             "--address=unix:tmpdir=" + work],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = dbus.stdout.readline().strip()
    subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=wl-orv",
                      "--idle-time=0", "--no-config"],
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    socket = os.path.join(os.environ["XDG_RUNTIME_DIR"], "wl-orv")
    if not wait_for(lambda: os.path.exists(socket), 20):
        report(False, "weston came up")
        return
    env = dict(os.environ, QT_QPA_PLATFORM="wayland", WAYLAND_DISPLAY="wl-orv")
    program_log = open(os.path.join(work, "orvanta.log"), "w")
    program = subprocess.Popen([os.path.join(build, "bin", "orvanta")], env=env,
                               stdout=program_log, stderr=program_log)
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

    def listening():  # the socket for second starts
        runtime = os.environ["XDG_RUNTIME_DIR"]
        return any(name.endswith(".sock") for name in os.listdir(runtime))
    report(wait_for(listening, 20) and subprocess.run(
        [os.path.join(build, "bin", "orvanta")], env=env, timeout=10).returncode == 0,
        "the program runs on Wayland and answers a second start")
    watcher = Watcher(bus)
    time.sleep(1)
    report(not wait_for(lambda: watcher.items, 2), "no icon while no host is registered")
    watcher.host_registers()
    report(wait_for(lambda: watcher.items, 10), "the icon comes once a host registers")
    report(program.poll() is None, "the program is still running")


if __name__ == "__main__":
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("FAIL: the test took too long"))
    signal.alarm(100)
    try:
        main()
    except Exception as e:  # noqa: BLE001
        report(False, f"the test ran to its end: {e!r}")
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        os.killpg(0, signal.SIGTERM)
    if failures and os.path.exists(os.path.join(work, "orvanta.log")):
        print(open(os.path.join(work, "orvanta.log"), errors="replace").read()[-3000:])
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1 if failures else 0)
