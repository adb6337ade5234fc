"""A private Fcitx5 for tests and demonstrations: its own D-Bus session,
home and configuration, with the addon found in the build tree, and a
client speaking Fcitx's D-Bus input-context protocol.

Everything started here ends with stop(), and with the process that
started it however that one ends (the kernel kills the children)."""

import ctypes
import os
import signal
import subprocess
import tempfile
import time

from gi.repository import Gio, GLib

PR_SET_PDEATHSIG = 1
SYSTEM_ADDONS = "/usr/lib/x86_64-linux-gnu/fcitx5"

# Fcitx key states and capability flags (fcitx-utils/keysym.h,
# capabilityflags.h).
CAP_CLIENT_UI, CAP_PREEDIT, CAP_FORMATTED_PREEDIT = 1 << 39, 1 << 1, 1 << 4

KEYSYMS = {
    " ": 0x20, "F1": 0xFFBE, "Return": 0xFF0D, "Escape": 0xFF1B,
    "BackSpace": 0xFF08, "Down": 0xFF54, "Page_Down": 0xFF56,
}


def _die_with_parent():
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def profile(*input_methods):
    """A profile whose one group holds the given input methods; the first is
    the one every new input context uses."""
    lines = ["[Groups/0]", "Name=Default", "Default Layout=us",
             f"DefaultIM={input_methods[0]}", ""]
    for i, name in enumerate(input_methods):
        lines += [f"[Groups/0/Items/{i}]", f"Name={name}", "Layout=", ""]
    return "\n".join(lines + ["[GroupOrder]", "0=Default", ""])


class Fcitx:
    def __init__(self, work, addon_dir, stage, input_methods=("orvanta-siddham",),
                 extra_env=None):
        self.work = tempfile.mkdtemp(prefix="fcitx5-", dir=work)
        self.processes = []
        config = os.path.join(self.work, "config")
        os.makedirs(os.path.join(config, "fcitx5"))
        with open(os.path.join(config, "fcitx5", "profile"), "w") as f:
            f.write(profile(*input_methods))
        # No name of the input method in the auxiliary text on a switch or a
        # focus: that text is the engine's alone here.
        with open(os.path.join(config, "fcitx5", "config"), "w") as f:
            f.write("[Behavior]\nShowInputMethodInformation=False\n"
                    "showInputMethodInformationWhenFocusIn=False\n")
        self.log = os.path.join(self.work, "fcitx5.log")
        self.address = self._start_bus()
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "LD_PRELOAD"):
            env.pop(name, None)
        env.update({
            "DBUS_SESSION_BUS_ADDRESS": self.address,
            "HOME": self.work,
            "XDG_CONFIG_HOME": config,
            "XDG_DATA_HOME": os.path.join(self.work, "data"),
            "XDG_CACHE_HOME": os.path.join(self.work, "cache"),
            "XDG_DATA_DIRS": stage + ":/usr/share",
            "FCITX_ADDON_DIRS": addon_dir + ":" + SYSTEM_ADDONS,
        })
        self.env = dict(env)  # a client of this Fcitx: the same bus and home
        env.update(extra_env or {})
        try:
            self.daemon = self._spawn(
                ["fcitx5", "--disable=all", "--enable=keyboard,dbus,dbusfrontend,orvanta",
                 "--keep"], env,
                stdout=open(self.log, "w"), stderr=subprocess.STDOUT)
            self.bus = Gio.DBusConnection.new_for_address_sync(
                self.address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
            self._wait_for_name("org.freedesktop.portal.Fcitx")
        except Exception:
            self.stop()
            raise

    def _spawn(self, argv, env, **kw):
        process = subprocess.Popen(argv, env=env, preexec_fn=_die_with_parent, **kw)
        self.processes.append(process)
        return process

    def _start_bus(self):
        bus = self._spawn(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1",
             "--address=unix:tmpdir=" + self.work], dict(os.environ),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        return bus.stdout.readline().strip()

    def _wait_for_name(self, name, timeout=30):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.daemon.poll() is not None:
                raise RuntimeError("fcitx5 ended: " + self.log_text())
            owned = self.bus.call_sync(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "NameHasOwner", GLib.Variant("(s)", (name,)), None, 0, -1, None)
            if owned.unpack()[0]:
                return
            time.sleep(0.05)
        raise RuntimeError(f"{name} never appeared: " + self.log_text())

    def log_text(self):
        with open(self.log) as f:
            return f.read()

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []


class Context:
    """One input context, as a text field of an application holds it."""

    def __init__(self, fcitx, capabilities=CAP_CLIENT_UI | CAP_PREEDIT | CAP_FORMATTED_PREEDIT):
        self.bus = fcitx.bus
        reply = self.bus.call_sync(
            "org.freedesktop.portal.Fcitx", "/org/freedesktop/portal/inputmethod",
            "org.fcitx.Fcitx.InputMethod1", "CreateInputContext",
            GLib.Variant("(a(ss))", ([("program", "orvanta-test")],)),
            None, 0, -1, None)
        self.path = reply.unpack()[0]
        self.committed = ""
        self.preedit = ""
        self.candidates = []  # (label, text) of the page shown
        self.aux = ""
        self.bus.signal_subscribe(None, "org.fcitx.Fcitx.InputContext1", None, self.path,
                                  None, 0, self._on_signal)
        self.call("SetCapability", GLib.Variant("(t)", (capabilities,)))
        self.call("FocusIn")

    def _on_signal(self, _bus, _sender, _path, _iface, name, params):
        args = params.unpack()
        if name == "CommitString":
            self.committed += args[0]
        elif name == "UpdateFormattedPreedit":
            self.preedit = "".join(text for text, _ in args[0])
        elif name == "UpdateClientSideUI":
            self.aux = "".join(text for text, _ in args[2])
            self.candidates = list(args[4])

    def call(self, method, params=None):
        reply = self.bus.call_sync("org.freedesktop.portal.Fcitx", self.path,
                                   "org.fcitx.Fcitx.InputContext1", method, params,
                                   None, 0, -1, None)
        self.flush()
        return reply.unpack() if reply else ()

    def flush(self):
        # The signals came before the reply: dispatch them.
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def key(self, name):
        """Presses and releases a key; answers whether the press was taken."""
        sym = KEYSYMS.get(name, ord(name[0]))
        taken = self.call("ProcessKeyEvent", GLib.Variant("(uuubu)", (sym, 0, 0, False, 0)))[0]
        self.call("ProcessKeyEvent", GLib.Variant("(uuubu)", (sym, 0, 0, True, 0)))
        return taken

    def type(self, keys):
        """Types each key of a list, or each character of a string; answers
        the keys that reached the application."""
        return [k for k in keys if not self.key(k)]

    def take(self):
        text, self.committed = self.committed, ""
        return text
