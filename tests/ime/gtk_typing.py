"""Typing into a real GTK 3 text field through an input-method framework's
own GTK module: a private Xvfb with openbox, the fields of gtk_field.py,
keys sent with xdotool as a keyboard sends them. The cases are the same for
IBus and Fcitx5; each test gives its framework's environment and its way of
switching the input method.

Everything started here ends with stop(), and with the process that started
it however that one ends (the kernel kills the children)."""

import ctypes
import json
import os
import select
import signal
import subprocess
import time
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
OM, KA = "\U0001158C\U000115BD", "\U0001158E"
GATIGATA = "\U00011590\U0001159D\U000115B0\U00011590\U0001159D"


def _die_with_parent():
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG


class Screen:
    """A private X server (the first free display, which Xvfb picks itself)
    with openbox managing its windows."""

    def __init__(self):
        read, write = os.pipe()
        self.processes = [subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)]
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.processes.append(subprocess.Popen(
            ["openbox"], env=dict(os.environ, DISPLAY=self.display),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent))

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.display),
                       check=True, stdout=subprocess.DEVNULL, timeout=60)

    def stop(self):
        for process in reversed(self.processes):
            process.terminate()
            process.wait(10)


class Field:
    """The GTK window with its two fields, on a screen, in an environment
    that names the input-method module and its daemon's address."""

    def __init__(self, screen, env):
        self.screen = screen
        self.process = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(HERE, "gtk_field.py")],
            env=dict(env, DISPLAY=screen.display, NO_AT_BRIDGE="1"), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            text=True, preexec_fn=_die_with_parent)
        screen.xdotool("search", "--sync", "--onlyvisible", "--name", "^Orvanta GTK field$",
                       "windowactivate", "--sync")
        if self.read(20) != "ready":
            raise RuntimeError("the GTK field did not get the focus")

    def read(self, seconds=10):
        if not select.select([self.process.stdout], [], [], seconds)[0]:
            raise TimeoutError("the GTK field did not answer")
        return json.loads(self.process.stdout.readline())

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return self.read()

    def wait_for(self, choices, what="texts", seconds=5):
        """The fields' texts (or preedits) once they are one of `choices`,
        or as they are after `seconds`."""
        end = time.monotonic() + seconds
        while True:
            seen = self.ask(what)
            if seen in choices or time.monotonic() > end:
                return seen
            time.sleep(0.05)

    def stop(self):
        self.process.stdin.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


# (what, steps, texts of the two fields): a step is text typed with xdotool
# (5 ms a key), ["Key", ...] keys pressed, ("click", n, "start" or "end") a
# click near that end of field n, ("shown", text) a wait until the first
# field shows that preedit (a user sees it before acting), or "switch" (the test's switch to the other input method and back).
LINE = "o.m  ka  3.5 gate x, (ka) x"
CASES = [
    ("a committing key goes out after the commit", ["gate x", ["Return"]], ["gate x", ""]),
    ("a digit after a lone dot", ["3.5", ["Return"]], ["3.5", ""]),
    ("punctuation and blanks keep their places", ["a, (ka) x", ["Return"]],
     ["a, (ka) x", ""]),
    ("a fast line arrives whole and in order", [LINE, ["Return"]],
     [OM + " " + KA + " 3.5 gate x, (ka) x", ""]),
    ("Tab commits the text as typed, then moves on", ["k.sa", ["Tab"], "ka", ["Return"]],
     ["kṣa", "ka"]),
    ("a click on another field keeps the text", ["k.sa", ("shown", "kṣa"), ("click", 1, "end")],
     ["kṣa", ""]),
    # A click that moves the cursor commits the preedit before the move
    # (IBus's GTK module, asynchronous) or leaves it standing at the new
    # place (where GTK does not reset the input method), and Enter then
    # commits it there: the text is kept either way.
    ("a click in the same field keeps the text",
     ["3 o.m", ("shown", "oṃ"), ("click", 0, "start"), ["Return"]],
     (["3 oṃ", ""], ["oṃ3 ", ""])),
    ("switching the input method keeps the text",
     ["k.sa", ("shown", "kṣa"), "switch", "switch"], ["kṣa", ""]),
    ("cursor keys edit the preedit",
     ["gate", ["Home", "Delete", "Right", "BackSpace", "End"], "s", ["Return"]], ["tes", ""]),
    ("a long preedit is kept whole", ["ka" * 150, ["Return"]], ["ka" * 150, ""]),
]
# The same with word candidates on (the cases above have them off: a
# transliteration no syllable begins with is then written as typed).
WORD_CASES = [
    ("words: a whole word taken with Space, then a blank", ["gatigata  x", ["Return"]],
     [GATIGATA + " x", ""]),
    ("words: a fast line arrives whole and in order", ["o.m  ka  3.5 gatigata  x", ["Return"]],
     [OM + " " + KA + " 3.5 " + GATIGATA + " x", ""]),
]


def split_candidate(text):
    """[glyphs, reading] of a candidate's text: the glyphs (a phrase's have
    blanks), a blank, the Latin reading."""
    at = next((i for i, ch in enumerate(text) if unicodedata.name(ch, "").startswith("LATIN")),
              len(text))
    return [text[:at].rstrip(), text[at:]]


def word_candidates(settings, on):
    """Switches word candidates on or off in the settings file both input
    methods read (looked at again at most every 200 ms)."""
    os.makedirs(os.path.dirname(settings), exist_ok=True)
    with open(settings, "w") as f:
        f.write(f"[General]\nWordCandidates={'true' if on else 'false'}\nLearning=true\n")
    time.sleep(0.3)


def run_cases(field, switch, settings):
    """Runs each case in a cleared window, the word cases with word
    candidates on (`settings`: the input methods' settings file); answers
    [(what, ok, detail)]."""
    word_candidates(settings, False)
    results = run(field, switch, CASES)
    word_candidates(settings, True)
    return results + run(field, switch, WORD_CASES)


def run(field, switch, cases):
    results = []
    for what, steps, texts in cases:
        try:
            field.ask("clear")
            for step in steps:
                if step == "switch":
                    switch()
                elif step[0] == "shown":
                    seen = field.wait_for([[step[1], ""]], "preedits")
                    if seen != [step[1], ""]:
                        raise AssertionError(f"preedits {seen}")
                elif isinstance(step, tuple):
                    x, y = field.ask(f"where {step[1]} {step[2]}")
                    field.screen.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")
                elif isinstance(step, list):
                    field.screen.xdotool("key", "--delay", "5", *step)
                else:
                    field.screen.xdotool("type", "--delay", "5", step)
            choices = texts if isinstance(texts, tuple) else (texts,)
            seen = field.wait_for(choices)
            results.append((what, seen in choices, f"got {seen}, expected {texts}"))
        except Exception as e:  # noqa: BLE001  one failing case must not hide the others
            results.append((what, False, repr(e)))
    return results
