"""The private desktop every end-to-end test drives (Desktop), the game on it, Linux's or Wine's,
played by keys (xdotool: XTEST, as from a keyboard), and the runner of the tables of scenarios.
A scenario is a row: {"setup": the Desktop's arguments, "walk": its steps, "status": the game's
exit status (0), "check": what must hold once it has ended, "game": False for none}. A step is
(what must be seen, what must be heard, keys[, seconds the voice may take]). main(table) runs
the rows named, side by side those a name starts (voice.silent: voice.silent.*).
"""

import argparse
import array
import collections
import ctypes
import json
import os
import select
import shlex
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import zlib

from Xlib import X, display, error
from Xlib.ext import damage
from Xlib.protocol import event

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.join(HERE, "..", "scripts")
sys.path.insert(0, SCRIPTS)

from walkthroughs import read_script, read_transcript  # noqa: E402

PICTURE = (640, 480)
# Keys a Spanish player types that the server's default (US) keymap lacks, bound where a
# Spanish keyboard has them: Ñ right of L (keycode 47), ¡ and ¿ left of Backspace (21). Real
# keycodes: SDL 2 (under the compatibility library) and Wine drop keys of keycodes they do not
# know, and xdotool's own temporary ones.
SPANISH_KEYS = ((47, "ntilde Ntilde"), (21, "exclamdown questiondown"))
KEYSYM_OF = {" ": "space", "ñ": "ntilde", "Ñ": "Ntilde", "¿": "questiondown", "¡": "exclamdown",
             "?": "question", "!": "exclam", ",": "comma", ".": "period", "-": "minus",
             "%": "percent", "\b": "BackSpace"}
# The recording module: the generic module runs its command through bash for each part of an
# utterance, with the text in place of $DATA (quotes escaped for single quotes) and the rate in
# place of $RATE; no delimiter the game uses, so that an utterance is one part. No sound card
# here: ALSA's null device takes the module's audio.
RECORDER = """GenericExecuteSynth "exec /bin/bash %s %s %d $RATE '$DATA'"
GenericLanguage "es" "es" "utf-8"
GenericMaxChunkLength 100000
GenericDelimiters "|"
AddVoice "es" "male1" "es"
"""
SPEECHD = """AddModule "%s" "%s" "%s.conf"
DefaultModule %s
DefaultLanguage "es"
AudioOutputMethod "alsa"
AudioALSADevice "null"
"""
# A recorder's record: "begun" or "ended", its wall-clock time, its process, the rate, the text.
Record = collections.namedtuple("Record", "kind time pid rate text")


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def until(what, check, timeout=60, told=lambda: ""):
    """Polls `check` until it is true; `told` adds what the failure shows."""
    deadline = time.monotonic() + timeout
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %.1f s%s" % (what, timeout, told()))
        time.sleep(0.02)


def read(path, encoding="utf-8"):
    try:
        with open(path, encoding=encoding, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def write(path, text, encoding="utf-8"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding=encoding) as f:
        f.write(text)


def transcript(name, kind="expected"):
    return read_transcript(os.path.join(SCRIPTS, "%s.%s.jsonl" % (name, kind)))


def said_in(name):
    return [r["text"] for r in transcript(name, "voice.expected") if r.get("voice") == "say"]


def windows_path(path):
    return "Z:" + path.replace("/", "\\")  # Wine's Z: is the root


def fingerprint(image, width, scale=1, centred=False):
    """The scripted player's fingerprint (CRC-32 of red, green, blue bytes) of the 640x480
    picture in an image `width` pixels wide (4 bytes each: blue, green, red, pad): the image
    itself, each pixel a scale x scale block, or centred on black; None where it is no such
    picture."""
    height, across, down = len(image) // 4 // width, PICTURE[0] * scale, PICTURE[1] * scale
    left, top = ((width - across) // 2, (height - down) // 2) if centred else (0, 0)
    if left < 0 or top < 0 or not centred and (width, height) != (across, down):
        return None
    if (width, height) != PICTURE:  # blocks or a border to look at
        data = bytearray(image)
        data[3::4] = bytes(len(data) // 4)  # the pad byte is no colour
        pixels = array.array("I", bytes(data))
        rows = [pixels[(top + y) * width + left:(top + y) * width + left + across] for y in range(down)]
        picture = [row[::scale] for row in rows[::scale]]
        image = b"".join(row.tobytes() for row in picture)
        if (any(rows[y][dx::scale] != picture[y // scale] for y in range(down) for dx in range(scale))
                or data.count(0) - sum(row.tobytes().count(0) for row in rows) != 4 * (
                    width * height - across * down)):
            return None
    rgb = bytearray(len(image) // 4 * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = image[2::4], image[1::4], image[0::4]
    return "%08x" % zlib.crc32(rgb)


def _end_with_parent():
    """In a child: SIGTERM when the test dies (a CTest time-out kills it), so nothing outlives it."""
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Desktop:
    """A player's desktop in folders of its own, and the game on it. screen: its size (None: no
    X server, SDL's dummy driver); resources: for xrdb; scale, centred: how the window shows the
    640x480 pictures (fingerprint). bus: "on" or "off" (GNOME's screen reader switch, the
    accessibility bus running), "mute" (one that never answers). speech: None (set up, not
    running), "run", "listen" (a mute socket in its place), "espeak" (speaking as Debian sets it
    up), "sapi" (the Windows stand-in's record); pace: a voice's milliseconds a character. orca:
    "named" (a process named so), "real" (its debug log read); orca_rate: its settings' voice
    rate. sapi_voice: the user's SAPI voice; registry: (key, name, type, data) for Wine's prefix;
    env: None unsets; private: the game alone in a PID namespace, `hidden` (a file) not there."""

    def __init__(self, screen=(1024, 768), resources=None, scale=1, centred=False, bus=None,
                 speech=None, pace=0, orca=None, orca_rate=None, sapi_voice=None, registry=(),
                 env=None, private=False, hidden=None, artifacts=None):
        self.root = tempfile.mkdtemp(prefix="sombrial-desktop-")
        self.artifacts = artifacts or self.root
        self.scale, self.centred, self.private, self.hidden = scale, centred, private, hidden
        self.children, self.listeners, self.daemon, self.kind, self.sent = [], [], None, speech, []
        self.display = self.process = self.window = None
        self.runtime, config, data = (os.path.join(self.root, d) for d in ("run", "config", "data"))
        self.said, self.orca_log = os.path.join(self.root, "said"), os.path.join(self.root, "orca.log")
        os.makedirs(self.runtime, mode=0o700)
        self.env = {"XDG_RUNTIME_DIR": self.runtime, "XDG_CONFIG_HOME": config, "HOME": self.root,
                    "XDG_DATA_HOME": data, "XDG_CACHE_HOME": os.path.join(self.root, "cache"),
                    "DBUS_SESSION_BUS_ADDRESS": None, "SPEECHD_ADDRESS": None, "SOMBRIAL_VOZ": None}
        self.env.update(env or {})
        modules = os.path.join(config, "speech-dispatcher", "modules")
        module = "espeak-ng" if speech == "espeak" else "recorder"
        write(os.path.join(modules, "recorder.conf"),
              RECORDER % (os.path.join(HERE, "recorder.sh"), self.said, pace))
        if speech == "espeak":
            shutil.copy("/etc/speech-dispatcher/modules/espeak-ng.conf", modules)
        write(os.path.join(config, "speech-dispatcher", "speechd.conf"), SPEECHD % (
            module, "sd_espeak-ng" if speech == "espeak" else "sd_generic", module, module))
        if orca_rate is not None:  # as Orca keeps it: the profile's voice, after the defaults
            voice = {"established": True, "rate": 50.0, "family": {"name": "", "lang": "es"}}
            general = {"enableSound": False, "voices": {"default": voice}}
            profile = dict(general, profile=["Default", "default"], pronunciations={}, keybindings={},
                           voices={"default": dict(voice, rate=float(orca_rate))})
            write(os.path.join(data, "orca", "user-settings.conf"), json.dumps(
                dict(general=general, pronunciations={}, keybindings={}, profiles={"default": profile})))
        if sapi_voice:
            write(os.path.join(self.root, "voice"), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\"
                  "Voices\\Tokens\\" + sapi_voice, "utf-16-le")
            self.env["SOMBRIAL_SAPI_VOICE"] = windows_path(os.path.join(self.root, "voice"))
        if speech == "sapi":
            self.env["SOMBRIAL_SAPI_SAID"] = windows_path(self.said)
        if screen:
            self.x_server(screen, resources)
        if bus:
            self.bus(bus)
        if speech in ("run", "espeak"):
            self.speech()
        elif speech == "listen":
            self.listen(os.path.join("speech-dispatcher", "speechd.sock"))
        self.registry = registry  # deleted again at the end: the prefix serves other desktops
        for key, name, kind, value in registry:
            self.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"])
        if orca == "named":
            shutil.copy("/bin/sleep", os.path.join(self.root, "orca"))
            self.start([os.path.join(self.root, "orca"), "600"])
        elif orca == "real":  # its debug log a line at a time: it flushes only to a terminal
            self.start(["script", "--quiet", "--flush", "--return", "--command",
                        "exec unshare --pid --fork --mount-proc --kill-child orca --user-prefs %s "
                        "--debug-file /dev/tty >/dev/null 2>&1" % os.path.join(data, "orca"),
                        self.orca_log], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            until("Orca started", lambda: "SPEECH OUTPUT: 'Screen reader on" in read(self.orca_log))

    def environ(self):
        return {k: v for k, v in dict(os.environ, **self.env).items() if v is not None}

    def start(self, command, **options):
        child = subprocess.Popen(command, env=self.environ(), preexec_fn=_end_with_parent, **options)
        self.children.append(child)
        return child

    def run(self, command, check=True):
        subprocess.run(command, env=self.environ(), check=check, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def x_server(self, screen, resources):
        """Xvfb on a free display number; -noreset keeps the key bindings when the last client
        leaves."""
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp", "-screen",
                    "0", "%dx%dx24" % screen], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as answer:  # the display number, once the server is ready
            number = answer.readline().strip()
        expect(number.isdigit(), "Xvfb did not start")
        self.env["DISPLAY"] = ":" + number
        self.env.setdefault("SDL_VIDEODRIVER", None)  # the tests' dummy driver would keep it off
        self.display = display.Display(self.env["DISPLAY"])
        self.run(["xmodmap"] + sum((["-e", "keycode %d = %s" % k] for k in SPANISH_KEYS), []))
        if resources:
            subprocess.run(["xrdb", "-merge"], input=resources.encode(), env=self.environ(), check=True)

    def bus(self, kind):
        if kind == "mute":
            self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + self.listen("bus")
            return
        write(os.path.join(self.env["XDG_CONFIG_HOME"], "glib-2.0", "settings", "keyfile"),
              "[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=%s\n"
              % ("true" if kind == "on" else "false"))
        self.env["GSETTINGS_BACKEND"] = "keyfile"
        address = "unix:path=" + os.path.join(self.runtime, "bus")
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address,
                          "--print-address=1"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        expect(bus.stdout.readline().startswith(b"unix:"), "the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                  "/org/a11y/bus", "org.a11y.Bus.GetAddress"])  # starts the accessibility bus

    def speech(self):
        """speech-dispatcher running where the library looks first; killed first when it runs,
        as a crash would end it."""
        socket_path = os.path.join(self.runtime, "speech-dispatcher", "speechd.sock")
        if self.daemon:
            self.daemon.kill()
            self.daemon.wait()
            os.unlink(socket_path)  # a killed daemon leaves it
        self.daemon = self.start(["speech-dispatcher", "--run-single", "--timeout", "0"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        until("speech-dispatcher", lambda: os.path.exists(socket_path), 20)

    def listen(self, name):
        """A socket in the runtime folder that takes connections and says nothing. Its path."""
        path = os.path.join(self.runtime, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.listeners.append(socket.socket(socket.AF_UNIX))
        self.listeners[-1].bind(path)
        self.listeners[-1].listen(8)
        return path

    def connected(self):
        """Whether anything connected to the last socket listened at."""
        return bool(select.select(self.listeners[-1:], [], [], 0)[0])

    def records(self):
        """The recorder's records so far (the SAPI stand-in's: each text alone, empty for a stop)."""
        raw = read(self.said).split("\0")[:-1]
        if self.kind == "sapi":
            return [Record("begun", 0, 0, 0, text or None) for text in raw]
        return [Record(k, float(t), int(p), round(float(r)), text)
                for k, t, p, r, text in (r.split(" ", 4) for r in raw)]

    def heard(self, rates=False):
        """What the voice began to say, in order (with the rates); None for each stop of SAPI's."""
        return [(r.text, r.rate) if rates else r.text for r in self.records()
                if r.kind == "begun" and r.text != " "]

    def orca_text(self):
        return read(self.orca_log).replace("\r", "")

    # --- The game ---

    def start_game(self, command):
        self.wine = os.path.basename(command[0]) == "wine"
        if not self.display:
            self.env["SDL_VIDEODRIVER"] = "dummy"
        if self.private:  # alone, so that no Orca of this user elsewhere is seen running
            user = [] if os.geteuid() == 0 else ["--user", "--map-root-user"]
            hide = ["sh", "-c", 'mount --bind /dev/null "$0" && exec "$@"', self.hidden] if self.hidden else []
            command = ["unshare"] + user + ["--pid", "--fork", "--kill-child", "--mount-proc"] + hide + command
        self.output = tempfile.TemporaryFile()
        self.process = self.start(command, stdin=subprocess.DEVNULL, stdout=self.output,
                                  stderr=subprocess.STDOUT)

    def find_window(self, name="Sombrial"):
        """Waits until a window of that name is mapped, gives it the keyboard focus (there is
        no window manager) and the pointer, and starts counting its redraws."""
        def mapped():
            self.check_running()
            for child in self.display.screen().root.query_tree().children:
                try:
                    if child.get_wm_name() == name and child.get_attributes().map_state == X.IsViewable:
                        self.window = child
                except error.BadWindow:
                    continue
            return self.window
        while True:
            until("window named " + name, mapped)
            try:
                self.window.set_input_focus(X.RevertToParent, X.CurrentTime)
                x, y, width, height = self.geometry()
                break
            except (error.BadWindow, error.BadDrawable):  # SDL 2 made its window again
                self.window = None
        self.xdotool("mousemove", str(x + width // 2), str(y + height // 2))
        self.display.damage_query_version()
        self.window.damage_create(damage.DamageReportRawRectangles)
        self.display.sync()

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        geometry = self.window.get_geometry()
        corner = self.window.translate_coords(self.display.screen().root, 0, 0)
        return (-corner.x, -corner.y, geometry.width, geometry.height)

    def property(self, name, kind):
        found = self.window.get_full_property(self.display.intern_atom(name),
                                              self.display.intern_atom(kind))
        return found.value if found else None

    def names(self):
        """The window's title as WM_NAME and, when set, as _NET_WM_NAME."""
        net = self.property("_NET_WM_NAME", "UTF8_STRING")
        return self.window.get_wm_name(), (net.decode() if net else None)

    def shows(self, screen):
        """Whether the window shows the fingerprint `screen` (or one that `screen` takes)."""
        self.check_running()
        try:
            width, height = self.geometry()[2:]
            self.last = self.window.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data, width
        except (error.BadWindow, error.BadDrawable):  # SDL 2 makes its window again for its renderer
            self.check_running()
            self.window = None
            self.find_window()
            return False
        except error.BadMatch:
            self.check_running()  # else a window between sizes, or away while the screen is full
            return False
        shown = fingerprint(*self.last, self.scale, self.centred)
        return screen(shown) if callable(screen) else shown == screen

    def wait_for(self, screen, label):
        """Watches the window until it shows `screen`; on a time-out the last picture is kept
        as a PNG (`sombrial-scripted-player --shots` gives the expected)."""
        def kept():
            from PIL import Image
            path = os.path.join(self.artifacts, label + ".window.png")
            os.makedirs(self.artifacts, exist_ok=True)
            pixels, width = self.last
            Image.frombytes("RGB", (width, len(pixels) // 4 // width), bytes(pixels), "raw", "BGRX").save(path)
            return "; it shows " + path
        until("%s (%s) in the window" % (label, screen), lambda: self.shows(screen), told=kept)

    def frames(self, count):
        """Waits until the window has been drawn `count` times more, or the program has ended."""
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

    def xdotool(self, *arguments):
        subprocess.run(["xdotool"] + list(arguments), env=self.environ(), check=True)

    def act(self, key):
        """A keysym pressed and released, then three frames (by then a frame's pump has surely
        read it); +KEY and -KEY pressed or released alone; "frame" a frame let pass; "close" the
        window manager's close message; "TERM" the signal; "restart" speech-dispatcher killed
        and started again; a function called with the desktop."""
        if callable(key):
            return key(self)
        self.check_running()
        if key in ("frame", "TERM", "close"):
            return (self.frames(1) if key == "frame" else self.process.send_signal(signal.SIGTERM)
                    if key == "TERM" else self.close_window())
        self.sent.append((time.time(), key))
        if key == "restart":
            self.speech()
        elif key[0] in "+-":
            self.xdotool("keydown" if key[0] == "+" else "keyup", key[1:])
        else:
            self.xdotool("key", key)
            self.frames(3)

    def close_window(self):
        protocols, delete = (self.display.intern_atom(a) for a in ("WM_PROTOCOLS", "WM_DELETE_WINDOW"))
        self.window.send_event(event.ClientMessage(window=self.window, client_type=protocols, data=(
            32, [delete, X.CurrentTime, 0, 0, 0])), event_mask=0)
        self.display.flush()

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

    def close(self):
        try:  # a daemon the game started
            os.kill(int(read(os.path.join(self.runtime, "speech-dispatcher", "pid", "speech-dispatcher.pid"))),
                    signal.SIGTERM)
        except (OSError, ValueError):
            pass
        if self.display:
            self.display.close()
        for key, name, _, _ in self.registry:
            self.run(["wine", "reg", "delete", key, "/v", name, "/f"], check=False)
        if getattr(self, "wine", False):  # no wineserver left holding a desktop on a gone server
            self.run(["wineserver", "-k"], check=False)
            self.run(["wineserver", "-w"])
        for child in reversed(self.children):
            child.kill()
            child.wait()
        for listener in self.listeners:
            listener.close()
        shutil.rmtree(self.root, ignore_errors=True)


def walkthrough(name, voice=None):
    """The steps of a committed walkthrough as the scripted player played it: at each state of
    its transcript the window must show its fingerprint, then the state's keys. With `voice`
    (the stand-in's record "sapi", speech-dispatcher's else), the transcript is the one made
    with --voice, and before each state's keys, and at the exit, the voice must have said
    exactly what it says until there."""
    lines = read_script(os.path.join(SCRIPTS, name + ".script"))
    steps, said, echoing = [], [], False
    for record in transcript(name, "voice.expected" if voice else "expected"):
        if voice == "sapi":  # SAPI's voice is handed a purge before each echo and at the exit
            if "wait" in record or record.get("voice") == "stop":
                echoing = record.get("wait") == "prompt"
            if echoing and record.get("voice") == "say" or "exit" in record:
                said.append(None)
        if record.get("voice") == "say" or record.get("voice") == "stop" and voice == "sapi":
            # A typed space's echo is left out: speech-dispatcher hands it on only now and then.
            if voice == "sapi" or record.get("text") != "espacio":
                said.append(record.get("text"))
        elif "wait" in record:
            keys = ["Return"]  # the title, the line typed, the ending picture
            if record["wait"] == "page":
                keys = ["space"]
            elif record["wait"] == "prompt" and record["prompt"] > len(lines):
                keys = ["Escape"]
            elif record["wait"] == "prompt":  # the command line's first frame takes only Enter
                line = lines[record["prompt"] - 1]
                keys = ["frame", "frame"] + [KEYSYM_OF.get(c, c) for c in line] + ["Return"] * (not line)
            steps.append((record["screen"], said if voice else None, keys))
            said = []
    return steps + [(None, said if voice else None, [])]


def play(desktop, steps):
    """Plays the steps: each awaits what must be seen (a fingerprint, or a test of one), then
    what must be heard (the utterances said since the step before, in order; or a test of the
    desktop), then presses its keys."""
    said = []
    for number, (seen, heard, keys, *within) in enumerate(steps, 1):
        label = "step %d" % number
        if seen:
            desktop.wait_for(seen, label.replace(" ", "-"))
        if callable(heard):
            until("%s at %s" % (heard.__doc__, label), lambda: heard(desktop), *within)
        elif heard is not None:
            said += heard
            rates = any(isinstance(s, tuple) for s in said)
            until("voice saying %d utterances by %s" % (len(said), label), lambda: desktop.heard(rates) == said,
                  *within, told=lambda: "; it said %r" % [u for u in desktop.heard(rates) if u not in said])
        for key in keys:
            desktop.act(key)


def run_row(name, row, command, artifacts):
    if not row.get("game", True):  # a check of the files alone
        return row["check"](None)
    desktop = Desktop(artifacts=os.path.join(artifacts, name), **row.get("setup", {}))
    try:
        if command:
            desktop.start_game(command)
            if desktop.display and row.get("walk"):
                desktop.find_window()
            play(desktop, row.get("walk", []))
            status = desktop.wait_exit()
            expect(status == row.get("status", 0), "exit status %d" % status)
        if row.get("check"):
            row["check"](desktop)
    except Exception:
        if desktop.process:
            print("--- %s, the game's output:\n%s" % (name, desktop.output_text()[-3000:]))
        speechd = read(os.path.join(desktop.env["XDG_CACHE_HOME"], "speech-dispatcher", "log", "speech-dispatcher.log"))
        if speechd:  # where speech went, when its daemon ran
            print("--- speech-dispatcher's log:\n" + speechd[-2000:])
        if os.path.exists(desktop.orca_log):
            os.makedirs(desktop.artifacts, exist_ok=True)
            print("--- Orca's log: " + shutil.copy(desktop.orca_log, desktop.artifacts))
        raise
    finally:
        desktop.close()


def main(table, doc):
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--game", help="the program, maybe behind a wrapper (valgrind ...)")
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args()
    failed = []

    def one(name):
        started = time.monotonic()
        try:
            run_row(name, table[name], args.game and shlex.split(args.game), args.artifacts)
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started))
        except Exception as problem:  # report and go on with the next scenario
            failed.append(name)
            print("FAIL %s: %s\n%s" % (name, problem, traceback.format_exc()))
    for asked in args.scenarios:
        threads = [threading.Thread(target=one, args=(n,)) for n in table if (n + ".").startswith(asked + ".")]
        expect(threads, "no scenario " + asked)
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    return 1 if failed else 0
