#!/usr/bin/python3
"""The desktop voice, end to end: the real program with Debian's speech-dispatcher, whose only
output module (its generic one) appends each utterance it is handed to a file instead of
speaking, all in folders of the test's own (XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME), as a
player's session has them; or, with --sapi, the Windows program under Wine with a stand-in for
SAPI's voice that records what it is handed (tests/windows/standin_voice.c).

usage: voice.py --game COMMAND [--artifacts DIR] [--sapi] SCENARIO...
  setting  GNOME's screen reader switch on, on a private session bus with the real
           accessibility bus launcher, and no daemon running: the game, left alone, starts
           speech-dispatcher and says its title (SDL's dummy video driver; SIGTERM ends it)
  orca     an Orca of this user running that cannot reach the window (no accessibility bus):
           the same
  orca-reads, orca-unreachable   real Orca reading the window, and the game without the
           accessibility bridge's library or bus (orca.py)
  keys     in a window, forced on: F3 says the title again; on the first page, F2 turns the
           voice off and says so, F3 then says nothing, F2 turns it on, F3 says the page again
  silent   four games at once play the typing walkthrough to its end with its fingerprints:
           forced off with GNOME's switch on, and left alone with the switch off and no Orca
           (neither connects to speech at all); forced on with no speech library, and with no
           speech daemon to start
  NAME     the walkthrough of NAME.voice.expected.jsonl in a window, forced on: the voice says
           what the transcript says, in order, each before the key that follows it
--sapi: COMMAND runs sombrial.exe in a Wine prefix with a screen reader on and the stand-in
registered as SAPI's voice (tests/suites/50-windows.sh); only NAME, the voice left to turn on
by itself, and each stop must come where the transcript has it too.
Prints "PASS name" or "FAIL name: why" for each; the status is 0 when all pass.
"""

import argparse
import glob
import os
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

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))

from xwindow import Game, XServer, expect, play, wait_said  # noqa: E402
from walkthroughs import read_script, read_transcript  # noqa: E402

SCRIPTS = os.path.join(HERE, "..", "scripts")

# The recording module: the generic module runs its command through bash for each part of an
# utterance, with the text in place of $DATA, its quotes escaped for single quotes; no
# delimiter the game uses, so that an utterance is one part.
RECORDER = """GenericExecuteSynth "printf '%%s\\\\0' '$DATA' >> %s"
GenericLanguage "es" "es" "utf-8"
GenericMaxChunkLength 100000
GenericDelimiters "|"
AddVoice "es" "male1" "es"
"""
# No sound card here: ALSA's null device takes the module's audio.
SPEECHD = """AddModule "%s" "%s" "%s.conf"
DefaultModule %s
DefaultLanguage "es"
AudioOutputMethod "alsa"
AudioALSADevice "null"
"""


def until(what, check, timeout=60):
    """Polls `check` until it is true; what the test waits for is in `what`."""
    deadline = time.monotonic() + timeout
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %d s" % (what, timeout))
        time.sleep(0.02)


class Session:
    """A player's session folders, with speech-dispatcher set up in them to record (or, for the
    benchmarks, to speak with espeak-ng as Debian sets it up); a session bus with GNOME's screen
    reader switch and a listener in speech's place when asked for."""

    def __init__(self, speak=False):
        self.root = tempfile.mkdtemp(prefix="sombrial-voice-")
        self.runtime = os.path.join(self.root, "run")
        config = os.path.join(self.root, "config")
        os.makedirs(os.path.join(config, "speech-dispatcher", "modules"))
        os.makedirs(self.runtime, mode=0o700)
        self.said = os.path.join(self.root, "said")
        module, binary = ("espeak-ng", "sd_espeak-ng") if speak else ("recorder", "sd_generic")
        with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as f:
            f.write(SPEECHD % (module, binary, module, module))
        modules = os.path.join(config, "speech-dispatcher", "modules")
        if speak:
            shutil.copy("/etc/speech-dispatcher/modules/espeak-ng.conf", modules)
        else:
            with open(os.path.join(modules, "recorder.conf"), "w") as f:
                f.write(RECORDER % self.said)
        # What the session sets, and what it leaves out (None) of the tests' own environment.
        self.env = {"XDG_RUNTIME_DIR": self.runtime, "XDG_CONFIG_HOME": config, "HOME": self.root,
                    "XDG_CACHE_HOME": os.path.join(self.root, "cache"),
                    "DBUS_SESSION_BUS_ADDRESS": None, "SPEECHD_ADDRESS": None, "SOMBRIAL_VOZ": None}
        self.children = []
        self.listener = None

    def start(self, command, **options):
        env = {k: v for k, v in dict(os.environ, **self.env).items() if v is not None}
        child = subprocess.Popen(command, env=env, **options)
        self.children.append(child)
        return child

    def speech(self):
        """speech-dispatcher running, at the socket the library looks for first."""
        self.start(["speech-dispatcher", "--run-single", "--timeout", "0"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        socket_path = os.path.join(self.runtime, "speech-dispatcher", "speechd.sock")
        until("speech-dispatcher", lambda: os.path.exists(socket_path), 20)

    def bus(self, screen_reader):
        """A session bus at the runtime folder's bus, which starts the accessibility bus's
        launcher when asked; GNOME's screen reader switch, in GSettings' key file."""
        settings = os.path.join(self.env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
        os.makedirs(settings)
        with open(os.path.join(settings, "keyfile"), "w") as f:
            f.write("[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=%s\n"
                    % ("true" if screen_reader else "false"))
        self.env["GSETTINGS_BACKEND"] = "keyfile"
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                          "--address=unix:path=" + os.path.join(self.runtime, "bus"),
                          "--print-address=1"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        expect(bus.stdout.readline().startswith(b"unix:"), "the session bus did not start")

    def listen(self):
        """A socket where speech-dispatcher's would be, which only notes who connects."""
        folder = os.path.join(self.runtime, "speech-dispatcher")
        os.makedirs(folder)
        self.listener = socket.socket(socket.AF_UNIX)
        self.listener.bind(os.path.join(folder, "speechd.sock"))
        self.listener.listen(8)
        self.listener.setblocking(False)

    def connected(self):
        try:
            self.listener.accept()[0].close()
            return True
        except BlockingIOError:
            return False

    def heard(self):
        """What the recorder was handed, in order: each utterance, and None for each stop where
        the recorder sees them (the SAPI stand-in's empty records; speech-dispatcher's never)."""
        try:
            with open(self.said, encoding="utf-8") as f:
                return [text or None for text in f.read().split("\0")[:-1]]
        except FileNotFoundError:
            return []

    def close(self):
        pid_file = os.path.join(self.runtime, "speech-dispatcher", "pid", "speech-dispatcher.pid")
        if os.path.exists(pid_file):  # a daemon the game started
            try:
                os.kill(int(open(pid_file).read()), signal.SIGTERM)
            except (ValueError, ProcessLookupError):
                pass
        for child in self.children:
            child.kill()
            child.wait()
        if self.listener:
            self.listener.close()
        shutil.rmtree(self.root, ignore_errors=True)


def voice_transcript(name):
    return read_transcript(os.path.join(SCRIPTS, name + ".voice.expected.jsonl"))


def said_first(count):
    """The first `count` utterances of the death's walkthrough: the title, then its first page."""
    return [r["text"] for r in voice_transcript("death-leaving") if r.get("voice") == "say"][:count]


def without_lib(path, command):
    """The command in a mount namespace of its own where `path` is an empty file: a library or
    program that is not there for it."""
    hide = ["unshare", "--mount"] if os.geteuid() == 0 else ["unshare", "--user", "--map-root-user", "--mount"]
    return hide + ["sh", "-c", 'mount --bind /dev/null "$0" && exec "$@"', path] + command


def alone(game, session):
    """The game with the dummy video driver, as started from a menu: it must say its title by
    itself, and end with status 0 on SIGTERM (SDL's quit)."""
    session.env["SDL_VIDEODRIVER"] = "dummy"
    child = session.start(game, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
    try:
        until("the title said", lambda: session.heard() == said_first(1), 30)
    finally:
        child.send_signal(signal.SIGTERM)
        status = child.wait(30)
    expect(status == 0, "exit status %d on SIGTERM" % status)


def by_itself(screen_reader):
    """A scenario: the game left alone where `screen_reader(session)` has set one up."""
    def scenario(game, artifacts):
        session = Session()
        try:
            screen_reader(session)
            alone(game, session)
        finally:
            session.close()
    return scenario


def orca_running(session):
    fake = os.path.join(session.root, "orca")  # its process named as Orca's is
    shutil.copy("/bin/sleep", fake)
    session.start([fake, "600"])


def in_window(command, session, artifacts, name, play_it):
    """The command's window on a server of its own, played by `play_it`; it must end with 0."""
    server = XServer()
    player = Game(server, command, env=session.env, artifacts=os.path.join(artifacts, name))
    try:
        player.find_window()
        play_it(player)
        status = player.wait_exit()
        expect(status == 0, "exit status %d" % status)
    except Exception:
        print("--- %s, the game's output:\n%s" % (name, player.output_text()[-2000:]))
        raise
    finally:
        player.stop()
        server.close()


def keys(game, artifacts):
    session = Session()
    title, page = said_first(2)
    states = read_transcript(os.path.join(SCRIPTS, "death-leaving.expected.jsonl"))

    def play_it(player):
        expected = []

        def after(key, *utterances):  # the key, then exactly these said, in this order
            if key:
                player.keys(key)
            expected.extend(utterances)
            wait_said(session.heard, expected, key or "the start")

        player.wait_for(states[0]["screen"], "title")
        after(None, title)
        after("F3", title)
        player.keys("Return")
        player.wait_for(states[1]["screen"], "page")
        after(None, page)
        after("F2", "Voz apagada.")
        after("F3")
        after("F2", "Voz encendida.")
        after("F3", page)
        player.keys("Escape")

    try:
        session.speech()
        session.env["SOMBRIAL_VOZ"] = "1"
        in_window(game, session, artifacts, "keys", play_it)
    finally:
        session.close()


def silent(game, artifacts):
    name = "typing-edits-and-latin1"
    lines = read_script(os.path.join(SCRIPTS, name + ".script"))
    states = read_transcript(os.path.join(SCRIPTS, name + ".expected.jsonl"))
    library = (glob.glob("/usr/lib/*/libspeechd.so.2") + glob.glob("/usr/lib/libspeechd.so.2"))[0]
    daemon = shutil.which("speech-dispatcher")
    cases = {  # name: (voice, GNOME's switch, command, listener)
        "forced off": ("0", True, game, True),
        "no screen reader": (None, False, game, True),
        "no speech library": ("1", None, without_lib(library, game), False),
        "no speech daemon": ("1", None, without_lib(daemon, game), False),
    }
    failures = []

    def run(case, voice, switch, command, listener):
        session = Session()
        try:
            if switch is not None:
                session.bus(switch)
            if listener:
                session.listen()
            session.env["SOMBRIAL_VOZ"] = voice
            in_window(command, session, artifacts, case, lambda p: play(p, lines, states))
            expect(not listener or not session.connected(), "it connected to speech")
            expect(not session.heard(), "it spoke")
        except Exception as problem:
            failures.append("%s: %s" % (case, problem))
            traceback.print_exc(file=sys.stdout)
        finally:
            session.close()

    threads = [threading.Thread(target=run, args=(case,) + setup) for case, setup in cases.items()]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    expect(not failures, "; ".join(failures))


def walkthrough(game, artifacts, name, sapi):
    session = Session()
    lines = read_script(os.path.join(SCRIPTS, name + ".script"))
    transcript = voice_transcript(name)
    try:
        if sapi:  # the stand-in's record, at its Windows path (Wine's Z: is the root)
            session.env["SOMBRIAL_SAPI_SAID"] = "Z:" + session.said.replace("/", "\\")
        else:
            session.speech()
            session.env["SOMBRIAL_VOZ"] = "1"
        in_window(game, session, artifacts, name,
                  lambda p: play(p, lines, transcript, heard=session.heard, stops=sapi))
    finally:
        session.close()


SCENARIOS = {"setting": by_itself(lambda session: session.bus(screen_reader=True)),
             "orca": by_itself(orca_running), "keys": keys, "silent": silent}


def main():
    import orca  # its scenarios use this module's session
    SCENARIOS.update({"orca-reads": lambda g, a: orca.reads(g, a, Session),
                      "orca-unreachable": lambda g, a: orca.unreachable(g, a, Session, without_lib)})
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    parser.add_argument("--sapi", action="store_true")
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args()
    game = shlex.split(args.game)
    failed = 0
    for name in args.scenarios:
        try:
            if name in SCENARIOS and not args.sapi:
                SCENARIOS[name](game, args.artifacts)
            else:
                walkthrough(game, args.artifacts, name, args.sapi)
            print("PASS voice.%s" % name)
        except Exception as problem:  # report and go on with the next scenario
            failed += 1
            print("FAIL voice.%s: %s" % (name, problem))
            traceback.print_exc(file=sys.stdout)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
