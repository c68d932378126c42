#!/usr/bin/python3
"""The desktop voice, end to end: the real program with Debian's speech-dispatcher, whose only
output module (its generic one) hands each utterance to tests/e2e/recorder.sh, which records it
with the time it began and takes a voice's time over it when given a pace, all in folders of
the test's own (XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME), as a player's session has them; or,
with --sapi, the Windows program under Wine with a stand-in for SAPI's voice that records what
it is handed (tests/windows/standin_voice.c).

usage: voice.py --game COMMAND [--artifacts DIR] [--sapi] SCENARIO...
  setting  GNOME's screen reader switch on, on a private session bus with the accessibility
           bus's launcher running, and no daemon running: the game, left alone, starts
           speech-dispatcher and says its title (SDL's dummy video driver; SIGTERM ends it)
  orca     an Orca of this user running that cannot reach the window (no accessibility bus):
           the same
  orca-reads, orca-unreachable   real Orca reading the window, and the game without the
           accessibility bridge's library or bus (orca.py)
  keys     in a window, forced on, at the rate of an Orca settings file and a voice's pace:
           F5 and F4 say the rate, and each utterance is said at it; F3 says the title again;
           Enter gives the first page's words within half a second; F2 turns the voice off and
           on and says so; Escape during a page cuts it, and nothing is said after it
  silent   five games at once play the typing walkthrough to its end with its fingerprints,
           each alone in a PID namespace (no Orca of this user): forced off with GNOME's switch
           on, and left alone with the switch off (neither connects to speech at all); forced
           on with no speech library, and with no speech daemon to start (each says why once on
           the standard error); left alone on a session bus that never answers, where F2 on
           the title turns the voice on within two seconds
  NAME     the walkthrough of NAME.voice.expected.jsonl in a window, forced on, at a voice's
           pace: the voice says what the transcript says, in order, each before the key that
           follows it, at the player's rate; each page's words come within half a second of
           its key, and a letter typed while an answer is said cuts it and is said within half
           a second; speech-dispatcher killed and started again halfway changes none of it
--sapi: COMMAND runs sombrial.exe in a Wine prefix with a screen reader on and the stand-in
registered as SAPI's voice (tests/suites/50-windows.sh); only NAME, the voice left to turn on
by itself, and each stop must come where the transcript has it too, as must the purge before
each echo and at the exit.
Prints "PASS name" or "FAIL name: why" for each, and the delays it measured; the status is 0
when all pass.
"""

import argparse
import collections
import glob
import json
import os
import shlex
import shutil
import signal
import socket
import statistics
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
# utterance, with the text in place of $DATA, its quotes escaped for single quotes, and
# speech-dispatcher's rate in place of $RATE; no delimiter the game uses, so that an utterance
# is one part.
RECORDER = """GenericExecuteSynth "exec /bin/bash %s %s %d $RATE '$DATA'"
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
# A voice's pace, in milliseconds a character: slower than the game types, so that a key comes
# while its page is still being said.
PACE = 50
# What a key may take to be heard: a page's first words, a typed letter's echo.
PROMPTLY = 0.5
# A typed space the voice echoes, as the transcripts name it and as the recorder has it: left
# out of both, as speech-dispatcher's character mode hands it to the generic module only now and
# then (a fresh daemon does, one that has spoken for a while does not).
SPACE_ECHO = {"voice": "say", "text": "espacio"}

# One record of the recorder: "begun" or "ended", its wall-clock time, the recorder's process,
# speech-dispatcher's rate and the text.
Record = collections.namedtuple("Record", "kind time pid rate text")


def until(what, check, timeout=60):
    """Polls `check` until it is true; what the test waits for is in `what`."""
    deadline = time.monotonic() + timeout
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("no %s within %.1f s" % (what, timeout))
        time.sleep(0.01)


def speech_rate(rate):
    """speech-dispatcher's rate for the voice's own (0 to 100), as Orca maps it."""
    return 2 * min(rate, 99) - 98


class Session:
    """A player's session folders, with speech-dispatcher set up in them to record (at `pace`,
    or, for the benchmarks, to speak with espeak-ng as Debian sets it up) and Orca's settings
    at `orca_rate`; a session bus with GNOME's screen reader switch, or one that never answers,
    and a listener in speech's place when asked for."""

    def __init__(self, speak=False, pace=0, orca_rate=None):
        self.root = tempfile.mkdtemp(prefix="sombrial-voice-")
        self.runtime = os.path.join(self.root, "run")
        config = os.path.join(self.root, "config")
        data = os.path.join(self.root, ".local", "share")
        os.makedirs(os.path.join(config, "speech-dispatcher", "modules"))
        os.makedirs(os.path.join(data, "orca"))
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
                f.write(RECORDER % (os.path.join(HERE, "recorder.sh"), self.said, pace))
        if orca_rate is not None:  # as Orca keeps it: the profile's voice, after the defaults
            voices = {"default": {"established": True, "rate": 50.0}}
            profile = {"voices": {"default": {"established": True, "rate": float(orca_rate)}}}
            with open(os.path.join(data, "orca", "user-settings.conf"), "w") as f:
                json.dump({"general": {"voices": voices}, "profiles": {"default": profile}}, f)
        # What the session sets, and what it leaves out (None) of the tests' own environment.
        self.env = {"XDG_RUNTIME_DIR": self.runtime, "XDG_CONFIG_HOME": config, "HOME": self.root,
                    "XDG_DATA_HOME": data, "XDG_CACHE_HOME": os.path.join(self.root, "cache"),
                    "DBUS_SESSION_BUS_ADDRESS": None, "SPEECHD_ADDRESS": None, "SOMBRIAL_VOZ": None}
        self.children = []
        self.listeners = []
        self.daemon = None
        self.sapi = False

    def environ(self):
        return {k: v for k, v in dict(os.environ, **self.env).items() if v is not None}

    def start(self, command, **options):
        child = subprocess.Popen(command, env=self.environ(), **options)
        self.children.append(child)
        return child

    def speech(self):
        """speech-dispatcher running, at the socket the library looks for first; killed first
        when it runs, as a crash would end it."""
        socket_path = os.path.join(self.runtime, "speech-dispatcher", "speechd.sock")
        if self.daemon:
            self.daemon.kill()
            self.daemon.wait()
            os.unlink(socket_path)  # a killed daemon leaves it
        self.daemon = self.start(["speech-dispatcher", "--run-single", "--timeout", "0"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        until("speech-dispatcher", lambda: os.path.exists(socket_path), 20)

    def bus(self, screen_reader):
        """A session bus at the runtime folder's bus, with the accessibility bus's launcher
        running on it, as a desktop starts it; GNOME's screen reader switch, in GSettings' key
        file. None: a session bus that takes connections and never answers."""
        if screen_reader is None:
            self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + self.listen("bus")
            return
        settings = os.path.join(self.env["XDG_CONFIG_HOME"], "glib-2.0", "settings")
        os.makedirs(settings)
        with open(os.path.join(settings, "keyfile"), "w") as f:
            f.write("[org/gnome/desktop/a11y/applications]\nscreen-reader-enabled=%s\n"
                    % ("true" if screen_reader else "false"))
        self.env["GSETTINGS_BACKEND"] = "keyfile"
        address = "unix:path=" + os.path.join(self.runtime, "bus")
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                          "--address=" + address, "--print-address=1"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        expect(bus.stdout.readline().startswith(b"unix:"), "the session bus did not start")
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], check=True,
                       env=dict(self.environ(), DBUS_SESSION_BUS_ADDRESS=address),
                       stdout=subprocess.DEVNULL)

    def listen(self, name=os.path.join("speech-dispatcher", "speechd.sock")):
        """A socket at `name` in the runtime folder, which takes connections and says nothing:
        in speech-dispatcher's place, to note who connects. Its path."""
        path = os.path.join(self.runtime, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        listener = socket.socket(socket.AF_UNIX)
        listener.bind(path)
        listener.listen(8)
        listener.setblocking(False)
        self.listeners.append(listener)
        return path

    def connected(self):
        try:
            self.listeners[-1].accept()[0].close()
            return True
        except BlockingIOError:
            return False

    def records(self):
        """The recorder's records so far (the SAPI stand-in's: each utterance, its text alone,
        empty for a stop)."""
        try:
            with open(self.said, encoding="utf-8") as f:
                raw = f.read().split("\0")[:-1]
        except FileNotFoundError:
            return []
        if self.sapi:
            return [Record("begun", 0, 0, 0, text or None) for text in raw]
        parts = [r.split(" ", 4) for r in raw]
        return [Record(k, float(t), int(p), round(float(r)), text) for k, t, p, r, text in parts]

    def heard(self):
        """What the voice began to say, in order: each utterance, and None for each stop where
        the recorder sees them (the SAPI stand-in's empty records; speech-dispatcher's never)."""
        return [r.text for r in self.records() if r.kind == "begun" and r.text != " "]

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
        for listener in self.listeners:
            listener.close()
        shutil.rmtree(self.root, ignore_errors=True)


def voice_transcript(name):
    return read_transcript(os.path.join(SCRIPTS, name + ".voice.expected.jsonl"))


def said_first(count):
    """The first `count` utterances of the death's walkthrough: the title, then its first page."""
    return [r["text"] for r in voice_transcript("death-leaving") if r.get("voice") == "say"][:count]


def speaking(pid):
    """Whether the recorder's process `pid` is still saying its utterance."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def delay(what, seconds):
    """A measured delay, which must be prompt."""
    expect(seconds < PROMPTLY, "%s took %.3f s" % (what, seconds))
    return seconds


def summary(name, **delays):
    """One line of the delays a scenario measured, in milliseconds: median and worst of each."""
    print("delays voice.%s: %s" % (name, "; ".join(
        "%s median %.0f ms, worst %.0f ms (%d)" % (what.replace("_", " "), 1000 * statistics.median(d),
                                                   1000 * max(d), len(d))
        for what, d in delays.items() if d)))


def private(command, hidden=None):
    """The command alone in a PID namespace of its own, so that no Orca of this user elsewhere
    on the machine is seen running; with `hidden`, a library or program that is not there for
    it (an empty file bound over it)."""
    user = [] if os.geteuid() == 0 else ["--user", "--map-root-user"]
    hide = ["sh", "-c", 'mount --bind /dev/null "$0" && exec "$@"', hidden] if hidden else []
    return ["unshare"] + user + ["--pid", "--fork", "--kill-child", "--mount-proc"] + hide + command


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
    """The command's window on a server of its own, played by `play_it`; it must end with 0.
    Gives what it wrote."""
    server = XServer()
    player = Game(server, command, env=session.env, artifacts=os.path.join(artifacts, name))
    try:
        player.find_window()
        play_it(player)
        status = player.wait_exit()
        expect(status == 0, "exit status %d" % status)
        return player.output_text()
    except Exception:
        print("--- %s, the game's output:\n%s" % (name, player.output_text()[-2000:]))
        raise
    finally:
        player.stop()
        server.close()


def keys(game, artifacts):
    session = Session(pace=PACE, orca_rate=80)
    title, page = said_first(2)
    states = read_transcript(os.path.join(SCRIPTS, "death-leaving.expected.jsonl"))
    slower, faster = speech_rate(80), speech_rate(90)
    steps = [  # a key, then exactly these said, in this order, each at speech-dispatcher's rate
        (None, [(title, slower)]),
        ("F5", [("Velocidad 90.", faster)]),
        ("F3", [(title, faster)]),
        ("Return", [(page, faster)]),
        ("F2", [("Voz apagada.", faster)]),
        ("F3", []),
        ("F2", [("Voz encendida.", faster)]),
        ("F4", [("Velocidad 80.", slower)]),
        ("F3", [(page, slower)]),
    ]
    measured = {}

    def play_it(player):
        expected = []
        player.wait_for(states[0]["screen"], "title")
        for key, utterances in steps:
            if key:
                player.keys(key)
            expected.extend(utterances)
            wait_said(lambda: [(r.text, r.rate) for r in session.records() if r.kind == "begun"],
                      expected, key or "the start")
            if key == "Return":
                measured["Enter_to_the_first_page"] = [delay(
                    "the first page's words", session.records()[-1].time - player.sent[-1][0])]
        page_said = session.records()[-1]
        escaped = time.time()  # pressed and released without waiting for frames that end
        player.press("Escape")
        player.release("Escape")
        until("the page cut", lambda: not speaking(page_said.pid), 30)
        measured["Escape_to_silence"] = [time.time() - escaped]
        expect(all(r.time < escaped for r in session.records()), "the page was not cut by Escape, "
               "or something was said after it: %s" % session.records()[-2:])

    try:
        session.speech()
        session.env["SOMBRIAL_VOZ"] = "1"
        in_window(game, session, artifacts, "keys", play_it)
        summary("keys", **measured)
    finally:
        session.close()


def silent(game, artifacts):
    name = "typing-edits-and-latin1"
    lines = read_script(os.path.join(SCRIPTS, name + ".script"))
    states = read_transcript(os.path.join(SCRIPTS, name + ".expected.jsonl"))
    library = (glob.glob("/usr/lib/*/libspeechd.so.2") + glob.glob("/usr/lib/libspeechd.so.2"))[0]
    daemon = shutil.which("speech-dispatcher")
    cases = {  # name: (SOMBRIAL_VOZ, GNOME's switch (None: a bus that never answers), what is
        # hidden, speech-dispatcher (listening to who connects, or running), why it is silent
        # on the standard error, F2 on the title)
        "forced off": ("0", True, None, "listen", 0, False),
        "no screen reader": (None, False, None, "listen", 0, False),
        "no speech library": ("1", False, library, None, 1, False),
        "no speech daemon": ("1", False, daemon, None, 1, False),
        "a bus that never answers": (None, None, None, "run", 0, True),
    }
    if "sdl12-compat" in os.environ.get("LD_LIBRARY_PATH", ""):
        # SDL 2 under the compatibility library asks the session bus itself as it starts, and
        # waits out its own 25 s on one that never answers, before the game has a window.
        del cases["a bus that never answers"]
    failures = []

    def run(case, voice, switch, hidden, speech, complaints, f2):
        session = Session()

        def play_it(player):
            def switch_on(record):  # F2 on the title, while the bus is still being asked
                if f2 and record["wait"] == "title":
                    player.keys("F2")
                    until("Voz encendida.", lambda: session.heard()[:1] == ["Voz encendida."],
                          2 - (time.time() - player.sent[-1][0]))
            play(player, lines, states, before=switch_on)

        try:
            session.bus(switch)
            if speech == "listen":
                session.listen()
            elif speech:
                session.speech()
            session.env["SOMBRIAL_VOZ"] = voice
            output = in_window(private(game, hidden), session, artifacts, case, play_it)
            expect(speech != "listen" or not session.connected(), "it connected to speech")
            expect(f2 or not session.heard(), "it spoke")
            said = output.count("sombrial: the voice is silent:")
            expect(said == complaints, "it said why it is silent %d times" % said)
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


def answered(records, sent):
    """Each page (any utterance longer than a character) that a key brought, with the key's
    time; and each letter typed while a page was still being said, with its key's time."""
    begun = [r for r in records if r.kind == "begun"]
    pages, letters = [], []
    for before, record in zip(begun, begun[1:]):
        if len(record.text) > 1:
            pages.append((record, max(t for t, _ in sent if t < record.time)))
        elif len(before.text) > 1:
            key = min(t for t, _ in sent if t > before.time)
            if key < before.time + len(before.text) * PACE / 1000:
                letters.append((record, before, key))
    return pages, letters


def purged(transcript):
    """The transcript as SAPI's voice is handed it: each character typed on a command line
    (said from its prompt to the command's stop) is echoed with what is being said purged
    first, and the program's exit purges it too."""
    records, echoing = [], False
    for record in transcript:
        if "wait" in record or record.get("voice") == "stop":
            echoing = record.get("wait") == "prompt"
        if echoing and record.get("voice") == "say" or "exit" in record:
            records.append({"voice": "stop"})
        records.append(record)
    return records


def walkthrough(game, artifacts, name, sapi):
    session = Session(pace=0 if sapi else PACE)
    lines = read_script(os.path.join(SCRIPTS, name + ".script"))
    transcript = [r for r in voice_transcript(name) if sapi or
                  {k: r.get(k) for k in SPACE_ECHO} != SPACE_ECHO]
    if sapi:
        transcript = purged(transcript)
    halfway = [r for r in transcript if "wait" in r][len([r for r in transcript if "wait" in r]) // 2]
    keys_sent, restarted = [], []

    def restart(record):  # speech-dispatcher killed halfway, and started again
        if record is halfway and not sapi:
            restarted.append(time.time())
            session.speech()

    def play_it(player):
        keys_sent.append(player.sent)
        play(player, lines, transcript, heard=session.heard, stops=sapi, before=restart)

    try:
        if sapi:  # the stand-in's record, at its Windows path (Wine's Z: is the root)
            session.sapi = True
            session.env["SOMBRIAL_SAPI_SAID"] = "Z:" + session.said.replace("/", "\\")
        else:
            session.speech()
            session.env["SOMBRIAL_VOZ"] = "1"
        in_window(game, session, artifacts, name, play_it)
        if sapi:
            return
        records = session.records()
        rates = {r.rate for r in records if r.kind == "begun"}
        expect(rates == {speech_rate(50)}, "said at speech-dispatcher's rates %s" % rates)
        pages, letters = answered(records, keys_sent[0])
        # An answer the killed daemon left its module saying goes on to its end.
        letters = [(e, a, key) for e, a, key in letters if not a.time < restarted[0] < e.time]
        ended = {r.pid for r in records if r.kind == "ended"}
        expect(letters, "no letter was typed while an answer was said")
        for letter, answer, key in letters:
            expect(answer.pid not in ended, "%r was not cut by %r" % (answer.text, letter.text))
        summary(name, key_to_its_page=[delay(p.text[:20], p.time - key) for p, key in pages],
                letter_to_its_echo_during_an_answer=[delay("the echo of " + e.text, e.time - key)
                                                     for e, _, key in letters])
    finally:
        session.close()


SCENARIOS = {"setting": by_itself(lambda session: session.bus(screen_reader=True)),
             "orca": by_itself(orca_running), "keys": keys, "silent": silent}


def main():
    import orca  # its scenarios use this module's session
    SCENARIOS.update({"orca-reads": lambda g, a: orca.reads(g, a, Session),
                      "orca-unreachable": lambda g, a: orca.unreachable(
                          g, a, Session, lambda path, command: private(command, path))})
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
