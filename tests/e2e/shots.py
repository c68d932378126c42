"""Reference pictures: the Screen that sombrial-autoplay saves at each state of a script,
read into the same pixel layout as a window screenshot, and compared with the window."""

import json
import os
import struct
import subprocess
import time

from xwindow import WINDOW_SIZE

POLL_S = 0.02
SETTLE_S = 0.06  # two frames: the state's first frame has read its keys by then


def read_bmp(path):
    """An uncompressed 24- or 32-bit BMP as 640x480 pixels of (blue, green, red, 0)."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if (abs(width), abs(height)) != WINDOW_SIZE or bits not in (24, 32) or compression != 0:
        raise ValueError("%s: unexpected BMP %dx%dx%d" % (path, width, height, bits))
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source = y if height < 0 else abs(height) - 1 - y  # positive height: bottom row first
        row = data[offset + source * stride: offset + source * stride + width * step]
        out = bytearray(width * 4)
        for channel in range(3):
            out[channel::4] = row[channel::step]
        rows.append(bytes(out))
    return b"".join(rows)


def differing_pixels(a, b):
    return sum(1 for i in range(0, len(a), 4) if a[i:i + 3] != b[i:i + 3])


class State:
    """One thing the player waits for: the title, a page prompt, a command line, the line
    just typed (before its Enter), or an ending picture."""

    def __init__(self, kind, path, number=0):
        self.kind = kind
        self.path = path
        self.number = number  # the command line's number for "prompt" and "line"
        self._pixels = None

    @property
    def name(self):
        return os.path.basename(self.path)

    def pixels(self):
        if self._pixels is None:
            self._pixels = read_bmp(self.path)
        return self._pixels


class Reference:
    """What sombrial-autoplay saw while playing a script: its shots in the order a player
    meets them, and its transcript."""

    def __init__(self, autoplay, lines, folder):
        os.makedirs(folder, exist_ok=True)
        script = os.path.join(folder, "script")
        with open(script, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))
        run = subprocess.run([autoplay, "--shots", folder, script], capture_output=True,
                             env=dict(os.environ, SDL_VIDEODRIVER="dummy"))
        self.transcript = [json.loads(line) for line in run.stdout.decode().splitlines()
                           if line.startswith("{")]
        self.lines = lines
        self.folder = folder
        self.states = self._order()

    def _file(self, name):
        path = os.path.join(self.folder, name)
        return path if os.path.exists(path) else None

    def _pages(self, number):
        pages = []
        k = 1
        while self._file("page-%d-%d.bmp" % (number, k)):
            pages.append(State("page", self._file("page-%d-%d.bmp" % (number, k)), number))
            k += 1
        return pages

    def _order(self):
        states = [State("title", self._file("title.bmp"))]
        number = 1
        while True:
            states += self._pages(number)
            prompt = self._file("prompt-%d.bmp" % number)
            if not prompt:
                break
            states.append(State("prompt", prompt, number))
            line = self._file("line-%d.bmp" % number)
            if line:
                states.append(State("line", line, number))
            number += 1
        ending = self._file("ending.bmp")
        if ending:
            states.append(State("ending", ending))
        return states

    def ending(self):
        """"fin", "gameover" or None, as the transcript tells."""
        for record in self.transcript:
            if "ending" in record:
                return record["ending"]
        return None

    def state(self, kind, number=0):
        for s in self.states:
            if s.kind == kind and s.number == number:
                return s
        raise KeyError("%s %d: no such shot in %s" % (kind, number, self.folder))


class Mismatch(AssertionError):
    pass


def wait_for(game, state, artifacts, timeout=30):
    """Watches the window until it shows exactly the state's picture, then lets two frames
    pass. On a timeout the last screenshot, the reference and their difference are kept."""
    expected = state.pixels()
    deadline = time.monotonic() + timeout
    last = None
    while True:
        game.check_running()
        last = game.screenshot()
        if last == expected:
            time.sleep(SETTLE_S)
            return
        if time.monotonic() > deadline:
            break
        time.sleep(POLL_S)
    keep_difference(last, state, artifacts)
    raise Mismatch("the window never showed %s within %d s (%d pixels differ at the end; "
                   "see %s)" % (state.name, timeout, differing_pixels(last, expected), artifacts))


def keep_difference(window_pixels, state, artifacts):
    """Writes the window's picture and the reference as PNG, and ImageMagick's comparison."""
    os.makedirs(artifacts, exist_ok=True)
    stem = os.path.join(artifacts, os.path.splitext(state.name)[0])
    raw = stem + ".window.bgra"
    with open(raw, "wb") as f:
        f.write(window_pixels)
    size = "%dx%d" % WINDOW_SIZE
    subprocess.run(["convert", "-size", size, "-depth", "8", "bgra:" + raw, "-alpha", "off",
                    stem + ".window.png"], check=False)
    subprocess.run(["convert", state.path, stem + ".expected.png"], check=False)
    subprocess.run(["compare", "-metric", "AE", stem + ".window.png", stem + ".expected.png",
                    stem + ".difference.png"], check=False, capture_output=True)
    os.remove(raw)
