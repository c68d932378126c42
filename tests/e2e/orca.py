"""The desktop game read by real Orca (Debian's) on the private desktop, in a PID namespace of its
own, with what it said read from its debug log and from the session's speech recorder; and the
game without the accessibility bridge's libraries or without an accessibility bus. Scenarios of
voice.py, which runs them.
"""

import glob
import json
import os
import re
import shutil
import subprocess
import time

from xwindow import Game, XServer, expect, play
from walkthroughs import read_script, read_transcript

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts")
# Orca's defaults but its rate, which the test finds again in what it says, and a Spanish voice,
# as the recorder takes it.
RATE = 83
# Each SPEECH OUTPUT: its words, over lines when they hold some, then the voice after the quote.
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)' ?(\[?\{[^\n]*\}\]?|None)?$", re.M | re.S)
BRAILLE = re.compile(r"BRAILLE LINE:  '(.*)'$", re.M)
# The game's answer to a command it does not know, such as "--ayuda".
REFUSAL = "No puedes hacer eso."



def words(text):
    return " ".join(text.split())


class Orca:
    """Orca with its debug log written a line at a time (it flushes only to a terminal, which
    `script` gives it), settings in the session's folder."""

    def __init__(self, session):
        prefs = os.path.join(session.root, "orca")
        os.makedirs(prefs)
        voice = {"established": False, "rate": RATE, "family": {"name": "", "lang": "es"}}
        general = {"enableSound": False, "voices": {"default": voice}}
        with open(os.path.join(prefs, "user-settings.conf"), "w") as f:
            json.dump({"general": general, "pronunciations": {}, "keybindings": {},
                       "profiles": {"default": dict(general, profile=["Default", "default"],
                                                    pronunciations={}, keybindings={})}}, f)
        self.log = os.path.join(session.root, "orca.log")
        session.start(["script", "--quiet", "--flush", "--return", "--command",
                       "exec unshare --pid --fork --mount-proc --kill-child orca --user-prefs %s "
                       "--debug-file /dev/tty >/dev/null 2>&1" % prefs, self.log],
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait("Orca to start", lambda: self.said(lambda s: s.startswith("Screen reader on")))

    def text(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                return f.read().replace("\r", "")
        except FileNotFoundError:
            return ""

    def said(self, check=None):
        """Orca's utterances, words and voice, that `check` passes; the words of all."""
        found = [(words(t), v) for t, v in SPOKEN.findall(self.text())]
        return [w for w, v in found if check(w)] if check else found

    def brailled(self):
        return [words(t) for t in BRAILLE.findall(self.text())]

    def wait(self, what, check, timeout=60):
        deadline = time.monotonic() + timeout
        while not check():
            if time.monotonic() > deadline:
                raise AssertionError("no %s within %d s; Orca's log ends: %s"
                                     % (what, timeout, self.text()[-3000:]))
            time.sleep(0.05)


def reads(game, artifacts, session_class):
    """On focus Orca names the window; it says the first page and a command's answer in its own
    voice, at its rate, and shows them in braille; its flat-review key, twice, types nothing into
    the line; the answer is said once in all voices; Escape still ends the game with 0."""
    session = session_class()
    server = None
    player = None
    states = read_transcript(os.path.join(SCRIPTS, "death-leaving.expected.jsonl"))
    first_page = [r["text"] for r in read_transcript(os.path.join(
        SCRIPTS, "death-leaving.voice.expected.jsonl")) if r.get("voice") == "say"][1]
    answer = "No hay ayuda que valga."
    try:
        session.bus(screen_reader=False)
        session.speech()
        server = XServer()
        session.env["DISPLAY"] = server.name
        orca = Orca(session)
        player = Game(server, game, env=session.env, artifacts=os.path.join(artifacts, "orca"))
        player.find_window()
        orca.wait("the window named", lambda: orca.said(lambda s: "Sombrial" in s))
        player.wait_for(states[0]["screen"], "title")
        player.keys("Return")
        orca.wait("the first page said", lambda: orca.said(lambda s: s == words(first_page)))
        voiced = [v for w, v in orca.said() if w == words(first_page)][0]
        expect("rate=%d" % RATE in voiced.replace(" ", "").replace("'", "").replace(":", "="),
               "Orca spoke the page with %s" % voiced)
        orca.wait("the first page in braille",
                  lambda: any(words(first_page)[:30] in b for b in orca.brailled()))
        for state in states[1:3]:
            player.wait_for(state["screen"], "page")
            player.keys("space")
        player.wait_for(states[3]["screen"], "prompt")
        player.frames(2)
        player.keys("KP_Subtract", "KP_Subtract")
        player.type_text("ayudas\b")  # a letter erased too
        player.keys("Return")
        orca.wait("an answer said", lambda: orca.said(lambda s: answer in s or REFUSAL in s))
        expect(not orca.said(lambda s: REFUSAL in s), "the flat-review key reached the game")
        orca.wait("the answer in braille", lambda: any(answer in b for b in orca.brailled()))
        recorded = lambda: [s for s in session.heard() if s and answer in s]  # noqa: E731
        orca.wait("the answer recorded", recorded)
        player.keys("Escape")
        status = player.wait_exit()
        expect(status == 0, "exit status %d" % status)
        expect(len(recorded()) == 1, "the answer was said %d times in all" % len(recorded()))
    except Exception:
        if player:
            print("--- the game's output:\n" + player.output_text()[-2000:])
        os.makedirs(artifacts, exist_ok=True)
        shutil.copy(os.path.join(session.root, "orca.log"), os.path.join(artifacts, "orca.log"))
        print("--- Orca's log: %s" % os.path.join(artifacts, "orca.log"))
        raise
    finally:
        if player:
            player.stop()
        if server:
            server.close()
        session.close()


def unreachable(game, artifacts, session_class, without_lib):
    """Without libatk-bridge, and without an accessibility bus, the walkthroughs play to their
    fingerprints."""
    bridge = (glob.glob("/usr/lib/*/libatk-bridge-2.0.so.0")
              + glob.glob("/usr/lib/libatk-bridge-2.0.so.0"))[0]
    for name, hidden in (("death-leaving", True), ("typing-edits-and-latin1", False)):
        session = session_class()
        if hidden:  # the accessibility bus running, as on a desktop
            session.bus(screen_reader=False)
            ask = session.start(["dbus-send", "--session", "--print-reply",
                                 "--dest=org.a11y.Bus", "/org/a11y/bus",
                                 "org.a11y.Bus.GetAddress"], stdout=subprocess.DEVNULL)
            expect(ask.wait(30) == 0, "no accessibility bus")
        server = XServer()
        command = without_lib(bridge, game) if hidden else game
        player = Game(server, command, env=session.env, artifacts=os.path.join(artifacts, name))
        try:
            player.find_window()
            status = play(player, read_script(os.path.join(SCRIPTS, name + ".script")),
                          read_transcript(os.path.join(SCRIPTS, name + ".expected.jsonl")))
            expect(status == 0, "%s: exit status %d" % (name, status))
        finally:
            player.stop()
            server.close()
            session.close()
