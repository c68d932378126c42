"""A private X server (Xvfb) and the real game in a window on it, driven as a person would.

Keys go through xdotool (the XTEST extension, as from a keyboard); the window is read and
closed through python3-xlib.
"""

import ctypes
import os
import select
import signal
import subprocess
import tempfile
import time

from Xlib import X, display, error
from Xlib.protocol import event

SCREEN_SIZE = (1024, 768)
WINDOW_SIZE = (640, 480)

# Keys a Spanish player types that the server's default (US) keymap lacks, bound where a
# Spanish keyboard has them: Ñ right of L (keycode 47), ¡ and ¿ left of Backspace (21).
# They must be keys SDL 2 knows: under the SDL 1.2 compatibility library it drops the key
# events of a keycode it has no scancode for (such as 8, the first free one), and the
# character typed with them.
SPANISH_KEYS = ((47, "ntilde Ntilde"), (21, "exclamdown questiondown"))

# The keysym xdotool presses for each character typed; letters and digits are their own.
KEYSYM_OF = {
    " ": "space", "ñ": "ntilde", "Ñ": "Ntilde", "¿": "questiondown", "¡": "exclamdown",
    "?": "question", "!": "exclam", ",": "comma", ".": "period", "-": "minus",
    "\b": "BackSpace", "\n": "Return",
}

# Between two keys: long enough that each is read by a frame of its own (25 ms a frame).
KEY_INTERVAL_MS = 90

# Keys whose echo on the command line draws nothing.
BLANK_KEYS = {"space"}


def _end_with_parent():
    """In the child: ask for SIGTERM when the test process dies (a CTest time-out kills it),
    so no server or game outlives the test."""
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class GameEnded(Exception):
    """The game's process ended while the test still expected its window."""


class XServer:
    """Xvfb on a free display number, kept until close(); -noreset keeps the key bindings
    when the last game disconnects."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp",
             "-screen", "0", "%dx%dx24" % SCREEN_SIZE],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_end_with_parent)
        os.close(write_end)
        # The server writes its display number (and a newline) when it is ready; the first
        # connection is still retried for a moment.
        answer = b""
        deadline = time.monotonic() + 20
        while not answer.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 1)
            chunk = os.read(read_end, 32) if ready else b""
            if ready and not chunk:
                break
            answer += chunk
        os.close(read_end)
        if not answer.strip().isdigit():
            self.process.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + answer.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        # The tests' own driver setting would keep the game off this server.
        self.env.pop("SDL_VIDEODRIVER", None)
        self.display = self.connect(deadline)
        self.bind_spanish_keys()

    def connect(self, deadline):
        while True:
            try:
                return display.Display(self.name)
            except error.DisplayConnectionError:
                if time.monotonic() > deadline or self.process.poll() is not None:
                    raise
                time.sleep(0.05)

    def bind_spanish_keys(self):
        expressions = []
        for keycode, keysyms in SPANISH_KEYS:
            expressions += ["-e", "keycode %d = %s" % (keycode, keysyms)]
        subprocess.run(["xmodmap"] + expressions, env=self.env, check=True)

    def close(self):
        self.display.close()
        self.process.terminate()
        self.process.wait(10)


class Game:
    """The program started on the server, and its one window once it is shown."""

    def __init__(self, server, program):
        self.server = server
        self.display = server.display
        self.output = tempfile.TemporaryFile()
        self.process = subprocess.Popen([program], env=server.env, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.STDOUT,
                                        preexec_fn=_end_with_parent)
        self.window = None

    # --- The window ---

    def find_window(self, timeout=20):
        """Waits until the program's window named "Sombrial" is mapped, and gives it the
        keyboard focus (there is no window manager to do that)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.check_running()
            for child in self.display.screen().root.query_tree().children:
                try:
                    if (child.get_wm_name() == "Sombrial"
                            and child.get_attributes().map_state == X.IsViewable):
                        self.window = child
                        break
                except error.BadWindow:
                    continue
            if self.window:
                self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
                self.display.sync()
                return self.window
            time.sleep(0.05)
        raise AssertionError("no window named Sombrial appeared")

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        root = self.display.screen().root
        geometry = self.window.get_geometry()
        corner = self.window.translate_coords(root, 0, 0)
        return (-corner.x, -corner.y, geometry.width, geometry.height)

    def names(self):
        """The window's title as WM_NAME and, when set, as _NET_WM_NAME."""
        net = self.window.get_full_property(self.display.intern_atom("_NET_WM_NAME"),
                                            self.display.intern_atom("UTF8_STRING"))
        return self.window.get_wm_name(), (net.value.decode() if net else None)

    def screenshot(self):
        """The window's 640x480 pixels as 4 bytes each (blue, green, red, 0)."""
        try:
            image = self.window.get_image(0, 0, WINDOW_SIZE[0], WINDOW_SIZE[1],
                                          X.ZPixmap, 0xFFFFFFFF)
        except (error.BadWindow, error.BadMatch, error.BadDrawable):
            self.check_running()
            raise
        pixels = bytearray(image.data)
        pixels[3::4] = bytes(len(pixels) // 4)  # the padding byte carries nothing
        return bytes(pixels)

    # --- The keyboard and the window manager's close ---

    def keys(self, *keysyms, interval_ms=KEY_INTERVAL_MS):
        """Presses and releases each key in turn, as from the keyboard."""
        self.check_running()
        subprocess.run(["xdotool", "key", "--delay", str(interval_ms)] + list(keysyms),
                       env=self.server.env, check=True)

    def press(self, keysym):
        subprocess.run(["xdotool", "keydown", keysym], env=self.server.env, check=True)

    def release(self, keysym):
        subprocess.run(["xdotool", "keyup", keysym], env=self.server.env, check=True)

    def type_keys(self, keysyms):
        """Types at the command line, one key at a time: after a key that changes the echo
        the next waits until the window shows the change, so a busy machine that draws
        late never gets two keys in one frame (the game would see only the second)."""
        for keysym in keysyms:
            before = self.screenshot()
            self.keys(keysym)
            if keysym in BLANK_KEYS:
                time.sleep(KEY_INTERVAL_MS / 1000)
                continue
            deadline = time.monotonic() + 5
            while self.screenshot() == before:
                if time.monotonic() > deadline:
                    raise AssertionError("the key %s changed nothing on the screen" % keysym)
                time.sleep(0.01)

    def type_text(self, text):
        self.type_keys([KEYSYM_OF.get(c, c) for c in text])

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
            raise GameEnded("the game ended with status %d" % self.process.returncode)

    def wait_exit(self, timeout=10):
        """The exit status, once the program has ended."""
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
