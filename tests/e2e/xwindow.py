"""A private X server (Xvfb) and a program's window on it, driven as a person would: keys
through xdotool (the XTEST extension, as from a keyboard), the window read, counted and
closed through python3-xlib; and a walkthrough played against the scripted player's
transcript, each state awaited until the window shows exactly its fingerprint.
"""

import ctypes
import os
import select
import signal
import subprocess
import tempfile
import time
import zlib

from Xlib import X, display, error
from Xlib.ext import damage
from Xlib.protocol import event

SCREEN_SIZE = (1024, 768)
WINDOW_SIZE = (640, 480)

# Keys a Spanish player types that the server's default (US) keymap lacks, bound where a
# Spanish keyboard has them: Ñ right of L (keycode 47), ¡ and ¿ left of Backspace (21).
# Real keycodes, bound before the game starts: SDL 2 (under the compatibility library) and
# Wine drop keys of keycodes they do not know, and xdotool's own temporary ones.
SPANISH_KEYS = ((47, "ntilde Ntilde"), (21, "exclamdown questiondown"))

# The keysym xdotool presses for each character typed; letters and digits are their own.
KEYSYM_OF = {
    " ": "space", "ñ": "ntilde", "Ñ": "Ntilde", "¿": "questiondown", "¡": "exclamdown",
    "?": "question", "!": "exclam", ",": "comma", ".": "period", "-": "minus",
    "%": "percent", "\b": "BackSpace",
}

# Redraws to let pass after a key: by then a frame's pump has surely read it.
FRAMES_PER_KEY = 3


def expect(condition, message):
    """Fails the check in hand with the message."""
    if not condition:
        raise AssertionError(message)


def fingerprint(pixels):
    """CRC-32 of 4-byte (blue, green, red, pad) pixels taken as red, green, blue bytes: the
    scripted player's fingerprint of the Screen."""
    rgb = bytearray(len(pixels) // 4 * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
    return "%08x" % zlib.crc32(rgb)


def _end_with_parent():
    """In the child: SIGTERM when the test process dies (a CTest time-out kills it), so no
    server or game outlives the test."""
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class XServer:
    """Xvfb on a free display number, kept until close(); -noreset keeps the key bindings
    when the last client disconnects."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
             "-screen", "0", "%dx%dx24" % SCREEN_SIZE],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_end_with_parent)
        os.close(write_end)
        answer = b""  # the display number and a newline, once the server is ready
        while not answer.endswith(b"\n") and select.select([read_end], [], [], 20)[0]:
            chunk = os.read(read_end, 32)
            if not chunk:
                break
            answer += chunk
        os.close(read_end)
        if not answer.strip().isdigit():
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + answer.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("SDL_VIDEODRIVER", None)  # the tests' dummy driver would keep it off
        self.display = display.Display(self.name)
        expressions = sum((["-e", "keycode %d = %s" % k] for k in SPANISH_KEYS), [])
        subprocess.run(["xmodmap"] + expressions, env=self.env, check=True)

    def close(self):
        self.display.close()
        self.process.terminate()
        self.process.wait(10)


class Game:
    """A program started on the server, and its one window once it is shown."""

    def __init__(self, server, command, env=None, artifacts=None):
        """`env` adds to the server's environment; a variable set to None is left out."""
        self.server = server
        self.display = server.display
        self.artifacts = artifacts or tempfile.gettempdir()
        self.output = tempfile.TemporaryFile()
        env = {k: v for k, v in dict(server.env, **(env or {})).items() if v is not None}
        self.process = subprocess.Popen(command, env=env,
                                        stdin=subprocess.DEVNULL, stdout=self.output,
                                        stderr=subprocess.STDOUT, preexec_fn=_end_with_parent)
        self.window = None
        self.sent = []  # (wall-clock time as it was pressed, keysym) of each key keys() pressed

    # --- The window ---

    def find_window(self, name="Sombrial", timeout=60):
        """Waits until a window of that name is mapped, gives it the keyboard focus (there is
        no window manager) and the pointer, and starts counting its redraws."""
        deadline = time.monotonic() + timeout
        while not self.window:
            self.check_running()
            if time.monotonic() > deadline:
                raise AssertionError("no window named %s appeared" % name)
            for child in self.display.screen().root.query_tree().children:
                try:
                    if (child.get_wm_name() == name
                            and child.get_attributes().map_state == X.IsViewable):
                        self.window = child
                except error.BadWindow:
                    continue
            time.sleep(0.05)
        self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
        x, y, width, height = self.geometry()
        subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2)],
                       env=self.server.env, check=True)
        self.display.damage_query_version()
        self.window.damage_create(damage.DamageReportRawRectangles)
        self.display.sync()
        return self.window

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        geometry = self.window.get_geometry()
        corner = self.window.translate_coords(self.display.screen().root, 0, 0)
        return (-corner.x, -corner.y, geometry.width, geometry.height)

    def names(self):
        """The window's title as WM_NAME and, when set, as _NET_WM_NAME."""
        net = self.window.get_full_property(self.display.intern_atom("_NET_WM_NAME"),
                                            self.display.intern_atom("UTF8_STRING"))
        return self.window.get_wm_name(), (net.value.decode() if net else None)

    def screenshot(self):
        """The window's 640x480 pixels, 4 bytes each (blue, green, red, pad)."""
        try:
            image = self.window.get_image(0, 0, WINDOW_SIZE[0], WINDOW_SIZE[1],
                                          X.ZPixmap, 0xFFFFFFFF)
        except (error.BadWindow, error.BadMatch, error.BadDrawable):
            self.check_running()
            raise
        return image.data

    def frames(self, count):
        """Waits until the window has been drawn `count` times more (redraws are frames), or
        the program has ended."""
        self.display.sync()
        while self.display.pending_events():  # what came before does not count
            self.display.next_event()
        seen = 0
        while seen < count and self.process.poll() is None:
            if not self.display.pending_events():
                select.select([self.display], [], [], 0.5)
                self.display.sync()
                continue
            seen += self.display.next_event().type == self.display.extension_event.DamageNotify

    def wait_for(self, screen, label, timeout=60):
        """Watches the window until it shows exactly the fingerprint `screen`. On a timeout
        the last picture is kept as a PNG; `sombrial-scripted-player --shots` gives the expected."""
        deadline = time.monotonic() + timeout
        while True:
            self.check_running()
            pixels = self.screenshot()
            if fingerprint(pixels) == screen:
                return
            if time.monotonic() > deadline:
                break
            time.sleep(0.02)
        from PIL import Image
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, label + ".window.png")
        Image.frombytes("RGB", WINDOW_SIZE, bytes(pixels), "raw", "BGRX").save(path)
        raise AssertionError("the window never showed %s (%s) within %d s; it shows %s"
                             % (label, screen, timeout, path))

    # --- The keyboard and the window manager's close ---

    def keys(self, *keysyms):
        """Presses and releases each key in turn, as from the keyboard, one key a frame."""
        for keysym in keysyms:
            self.check_running()
            self.sent.append((time.time(), keysym))
            subprocess.run(["xdotool", "key", keysym], env=self.server.env, check=True)
            self.frames(FRAMES_PER_KEY)

    def press(self, keysym):
        subprocess.run(["xdotool", "keydown", keysym], env=self.server.env, check=True)

    def release(self, keysym):
        subprocess.run(["xdotool", "keyup", keysym], env=self.server.env, check=True)

    def type_text(self, text):
        self.keys(*[KEYSYM_OF.get(c, c) for c in text])

    def close_window(self):
        """What a window manager sends when the player clicks the close button."""
        protocols = self.display.intern_atom("WM_PROTOCOLS")
        delete = self.display.intern_atom("WM_DELETE_WINDOW")
        message = event.ClientMessage(window=self.window, client_type=protocols,
                                      data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        self.window.send_event(message, event_mask=0)
        self.display.flush()

    # --- The process ---

    def check_running(self):
        if self.process.poll() is not None:
            raise AssertionError("the game ended with status %d" % self.process.returncode)

    def wait_exit(self, timeout=60):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("the game did not end within %d s" % timeout) from None

    def output_text(self):
        self.output.seek(0)
        return self.output.read().decode("utf-8", "replace")

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.output.close()


def play(game, lines, transcript, heard=None, stops=False, before=None):
    """Plays a walkthrough as the scripted player did: at each state of its transcript, once
    the window shows it, the state's keys. Returns the game's exit status. With `heard`, a
    function that gives what the voice has said so far (the texts, and None for each stop when
    `stops`), the transcript is one the player made with --voice: before the keys of each
    state, and at the exit, the voice must have said exactly what the transcript says until
    there. `before`, when given, is called with each state's record before its keys."""
    said = []
    for record in transcript:
        if "voice" in record:
            if record["voice"] == "say" or stops:
                said.append(record.get("text"))
            continue
        if "exit" in record:
            if heard:
                wait_said(heard, said, "the exit")
            return game.wait_exit()
        label = "%s-%d" % (record["wait"], record["frame"])
        game.wait_for(record["screen"], label)
        if heard:
            wait_said(heard, said, label)
        if before:
            before(record)
        wait = record["wait"]
        if wait == "page":
            game.keys("space")
        elif wait == "prompt" and record["prompt"] > len(lines):
            game.keys("Escape")
        elif wait == "prompt":
            game.frames(2)  # the command line's first frame takes no key but Enter
            game.type_text(lines[record["prompt"] - 1])
            if not lines[record["prompt"] - 1]:
                game.keys("Return")
        else:  # the title, the line typed, the ending picture
            game.keys("Return")
    raise AssertionError("the transcript does not end with the program's exit")


def wait_said(heard, said, label, timeout=60):
    """Waits until `heard()` is exactly `said`: a key pressed before a voice has taken what it
    was given can stop it unsaid."""
    deadline = time.monotonic() + timeout
    while heard() != said:
        if time.monotonic() > deadline:
            got = heard()
            at = next((i for i, (a, b) in enumerate(zip(got, said)) if a != b), min(len(got), len(said)))
            raise AssertionError("at %s the voice said %d utterances, not %d; from the %dth on it said "
                                 "%r, not %r" % (label, len(got), len(said), at + 1, got[at:at + 2],
                                                 said[at:at + 2]))
        time.sleep(0.02)
