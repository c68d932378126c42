#!/usr/bin/python3
"""The Linux program's scenarios on the private desktop (tests/e2e/desktop.py), one row each.

usage: scenarios.py --game COMMAND [--artifacts DIR] SCENARIO...
COMMAND is the program, maybe behind a wrapper ("valgrind ... build/test/sombrial"); a
scenario is a row's name, or what starts several (voice.silent), which then play side by side.
"""

import glob
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from Xlib import X  # noqa: E402

from desktop import PICTURE, expect, fingerprint, main, said_in, transcript, walkthrough  # noqa: E402

TITLE, PAGE = [r["screen"] for r in transcript("typing-edits-and-latin1")[:2]]
# A voice's pace, in milliseconds a character: slower than the game types, so that a key comes
# while its page is still being said; and what a key may take to be heard.
PACE, PROMPTLY = 50, 0.5
# What real Orca is set to and must be found saying: its rate, the game's answer to "ayuda", and
# its answer to a command it does not know (what "--ayuda" would be, had the flat-review key
# reached the game).
ORCA_RATE, ANSWER, REFUSAL = 83, "No hay ayuda que valga.", "No puedes hacer eso."
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)' ?(\[?\{[^\n]*\}\]?|None)?$", re.M | re.S)
BRAILLE = re.compile(r"BRAILLE LINE:  '(.*)'$", re.M)


def library(name):
    return (glob.glob("/usr/lib/*/" + name) + glob.glob("/usr/lib/" + name))[0]


def speech_rate(rate):
    """speech-dispatcher's rate for the voice's own (0 to 100), as Orca maps it."""
    return 2 * min(rate, 99) - 98


def test(what, check):
    check.__doc__ = what
    return check


def a_window(net_names=(None, "Sombrial"), below=(0, 0)):
    """The window named Sombrial, 640x480 at the desktop's scale, centred, or lower than the
    middle by `below` (a title bar's height: Windows centres the window with its frame)."""
    def check(game):
        names = game.names()
        expect(names[0] == "Sombrial" and names[1] in net_names, "the window's names are %r" % (names,))
        x, y, width, height = game.geometry()
        screen = game.display.screen()
        centre = ((screen.width_in_pixels - width) // 2, (screen.height_in_pixels - height) // 2)
        expect((width, height) == tuple(s * game.scale for s in PICTURE) and x == centre[0]
               and below[0] <= y - centre[1] <= below[1],
               "the window is %dx%d at %d,%d; centred is %d,%d" % ((width, height, x, y) + centre))
    return check


def scaled(scale):
    """From now on the window shows each pixel of the game as a scale x scale square."""
    return lambda game: setattr(game, "scale", scale)


def focused(game):
    """The keyboard's focus given back to the window once it shows again, which a window manager
    would do as the full screen closes; the private X server has none."""
    game.window.set_input_focus(X.RevertToParent, X.CurrentTime)


def filling_the_screen(scale):
    """The whole screen shows the title at `scale`, centred on black."""
    def check(game):
        root = game.display.screen().root
        width, height = game.display.screen().width_in_pixels, game.display.screen().height_in_pixels
        image = root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data
        return fingerprint(image, width, scale, centred=True) == TITLE
    return test("the title at x%d filling the screen" % scale, check)


def window_scales():
    """At 200 % (Xft.dpi 192) on a 2560x1440 screen the window opens at x2, centred; Alt+Enter
    and F11 fill the screen at x3 and give the window back; Ctrl+plus and Ctrl+minus step the
    window between x1 and x3; none of these keys reaches the game, which stays on its title.
    SDL 2, under the compatibility library, leaves a window manager to place a full screen and a
    window grown past the screen's edge, and a private X server has none: there the window opens
    at x2 and steps down."""
    if COMPAT:
        return [(TITLE, None, [a_window(), "ctrl+minus", scaled(1)]), (TITLE, None, ["Escape"])]
    # The keypad's plus: the main keyboard's is where this desktop puts the Spanish keys.
    steps = [(TITLE, None, [a_window(), "ctrl+KP_Add", scaled(3)]),
             (TITLE, None, [a_window(), "ctrl+KP_Add", "ctrl+minus", scaled(2)]),
             (TITLE, None, ["ctrl+minus", "ctrl+KP_Subtract", scaled(1)]),
             (TITLE, None, [a_window(), "ctrl+KP_Add", scaled(2)])]
    # Pressed and released alone: the full screen is another window, whose frames are not awaited.
    alt_enter, f11 = ["+alt", "+Return", "-Return", "-alt"], ["+F11", "-F11"]
    return steps + [(TITLE, None, [a_window()] + alt_enter), (None, filling_the_screen(3), alt_enter),
                    (TITLE, None, [focused, a_window()] + f11), (None, filling_the_screen(3), f11),
                    (TITLE, None, ["close"])]


def silent(complaints, listened, quiet=True):
    """Nothing said, no connection to speech, and why it is silent told `complaints` times."""
    def check(game):
        expect(not listened or not game.connected(), "it connected to speech")
        expect(not quiet or not game.heard(), "it spoke: %r" % game.heard()[:3])
        said = game.output_text().count("sombrial: the voice is silent:")
        expect(said == complaints, "it said why it is silent %d times" % said)
    return check


def speaking(pid):
    """Whether the recorder's process `pid` is still saying its utterance."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


def cut_by_escape(game):
    """the page cut by Escape, nothing said after it"""
    page = [r for r in game.records() if r.kind == "begun"][-1]
    if speaking(page.pid):
        return False
    escaped = [t for t, key in game.sent if key == "+Escape"][-1]
    expect(all(r.time < escaped for r in game.records()),
           "the page was not cut by Escape, or something was said after it")
    return True


def prompt(game):
    """The last utterance began within PROMPTLY of the last key."""
    delay = game.records()[-1].time - game.sent[-1][0]
    expect(delay < PROMPTLY, "the first page's words took %.3f s" % delay)


def answers(game):
    """Each page (an utterance longer than a character) said within PROMPTLY of the key that
    brought it, at the player's rate; each letter typed while an answer was said cuts it and is
    said as promptly (but for the answer the killed daemon left its module saying)."""
    begun = [r for r in game.records() if r.kind == "begun"]
    ended = {r.pid for r in game.records() if r.kind == "ended"}
    keys = [t for t, key in game.sent if key != "restart"]
    restarted = [t for t, key in game.sent if key == "restart"][0]
    expect({r.rate for r in begun} == {speech_rate(50)}, "said at the rates %s" % {r.rate for r in begun})
    cuts = 0
    for before, said in zip(begun, begun[1:]):
        if len(said.text) > 1:
            key = max(t for t in keys if t < said.time)
        elif len(before.text) > 1 and not before.time < restarted < said.time:
            key = min(t for t in keys if t > before.time)
            if key > before.time + len(before.text) * PACE / 1000:
                continue
            cuts += 1
            expect(before.pid not in ended, "%r was not cut by %r" % (before.text, said.text))
        else:
            continue
        expect(said.time - key < PROMPTLY, "%r took %.3f s" % (said.text[:20], said.time - key))
    expect(cuts, "no letter was typed while an answer was said")


def orca_said(game):
    return [(" ".join(t.split()), v) for t, v in SPOKEN.findall(game.orca_text())]


def in_braille(text):
    return test("%r in braille" % text, lambda game: any(
        text in " ".join(b.split()) for b in BRAILLE.findall(game.orca_text())))


def flat_review_not_typed(game):
    """the answer said by Orca"""
    said = [w for w, _ in orca_said(game)]
    expect(not any(REFUSAL in s for s in said), "the flat-review key reached the game")
    return any(ANSWER in s for s in said)


def orca_reads():
    """On focus Orca names the window; it says the first page and a command's answer in its own
    voice, at its rate, and shows them in braille; its flat-review key, twice, types nothing into
    the line; the answer is said once in all voices."""
    states = [r["screen"] for r in transcript("death-leaving") if "screen" in r]
    page = " ".join(said_in("death-leaving")[1].split())
    at_rate = "rate=%d" % ORCA_RATE
    recorded = test("the answer recorded", lambda game: [s for s in game.heard() if ANSWER in s])
    return [(None, test("the window named", lambda game: any("Sombrial" in w for w, _ in orca_said(game))), []),
            (states[0], None, ["Return"]),
            (None, test("the first page said at Orca's rate", lambda game: any(
                w == page and at_rate in re.sub("[ ']", "", v).replace(":", "=")
                for w, v in orca_said(game))), []),
            (None, in_braille(page[:30]), []),
            (states[1], None, ["space"]), (states[2], None, ["space"]),
            (states[3], None, ["frame", "frame", "KP_Subtract", "KP_Subtract"]
             + list("ayudas") + ["BackSpace", "Return"]),
            (None, flat_review_not_typed, []), (None, in_braille(ANSWER), []),
            (None, recorded, ["Escape"]),
            (None, test("the answer said once", lambda game: len(recorded(game)) == 1), [])]


def voice_keys():
    """Forced on, at the rate of Orca's settings: F5 and F4 say the rate, and each utterance is
    said at it; F3 says the title or page again; Ctrl+minus says the window's size; Enter gives
    the first page's words promptly; F2 turns the voice off and on and says so; Escape during a
    page cuts it."""
    title, page = said_in("death-leaving")[:2]
    slower, faster = speech_rate(80), speech_rate(90)
    return [(TITLE, [(title, slower)], ["F5"]), (None, [("Velocidad 90.", faster)], ["F3"]),
            (None, [(title, faster)], ["ctrl+minus"]), (None, [("Tamaño 1.", faster)], ["Return"]),
            (None, [(page, faster)], [prompt, "F2"]),
            (None, [("Voz apagada.", faster)], ["F3"]), (None, [], ["F2"]),
            (None, [("Voz encendida.", faster)], ["F4"]), (None, [("Velocidad 80.", slower)], ["F3"]),
            (None, [(page, slower)], ["+Escape", "-Escape"]), (None, cut_by_escape, [])]


def restarted_halfway(steps):
    """speech-dispatcher killed halfway, and started again: it must change none of the voice."""
    seen, heard, keys = steps[len(steps) // 2]
    return steps[:len(steps) // 2] + [(seen, heard, ["restart"] + keys)] + steps[len(steps) // 2 + 1:]


def switched_on_by_f2(steps):
    """F2 on the title turns the voice on within two seconds, while the bus is still asked."""
    return ([(TITLE, None, ["F2"]), (None, test("Voz encendida.", lambda game: game.heard()[:1] == [
        "Voz encendida."]), ["Return"], 2)] + steps[1:])


COMPAT = "sdl12-compat" in os.environ.get("LD_LIBRARY_PATH", "")
TYPING = walkthrough("typing-edits-and-latin1")
SPEAKING = {"speech": "run", "pace": PACE, "env": {"SOMBRIAL_VOZ": "1"}}
SCENARIOS = {
    # Keys other than Enter leave the title; the window manager's close ends the game with 0.
    "e2e.window": {"walk": [(TITLE, None, [a_window(), "a", "space", "BackSpace", "ntilde"]),
                            (TITLE, None, ["Return"]), (PAGE, None, ["close"])]},
    # Escape, while the first page is typed out, ends the game when released, not pressed.
    "e2e.escape-while-typing": {"walk": [
        (TITLE, None, ["Return"]),
        (lambda shown: shown not in (TITLE, PAGE), None, ["+Escape"] + ["frame"] * 3 + ["-Escape"])]},
    "e2e.chapter-shortest": {"walk": walkthrough("chapter-shortest")},
    "window.scale": {"setup": {"screen": (2560, 1440), "resources": "Xft.dpi: 192\n", "scale": 2},
                     "walk": window_scales()},
    # Left alone, with SDL's dummy driver, as started from a menu: GNOME's switch on (no daemon
    # running: the game starts it), or an Orca of this user running that cannot reach the
    # window; the title said by itself, and SIGTERM (SDL's quit) ends it with 0.
    "voice.setting": {"setup": {"screen": None, "bus": "on"},
                      "walk": [(None, said_in("death-leaving")[:1], ["TERM"])]},
    "voice.orca": {"setup": {"screen": None, "orca": "named"},
                   "walk": [(None, said_in("death-leaving")[:1], ["TERM"])]},
    "voice.keys": {"setup": dict(SPEAKING, orca_rate=80), "walk": voice_keys()},
    # The walkthrough said as its transcript says, each utterance before the next key, without
    # the accessibility bridge's library, the accessibility bus running.
    "voice.death-leaving": {"setup": dict(SPEAKING, bus="off", private=True,
                                          hidden=library("libatk-bridge-2.0.so.0")),
                            "walk": restarted_halfway(walkthrough("death-leaving", "speech")), "check": answers},
    "voice.orca-reads": {"setup": {"bus": "off", "speech": "run", "orca": "real",
                                   "orca_rate": ORCA_RATE}, "walk": orca_reads()},
    # The typing walkthrough, each game alone (no Orca of this user): forced off with GNOME's
    # switch on, or left alone with it off or with no session bus at all (no connection to
    # speech at all); forced on with no speech library or daemon (each says why, once); left
    # alone on a session bus that never answers.
    "voice.silent.forced-off": {"setup": {"env": {"SOMBRIAL_VOZ": "0"}, "bus": "on", "speech": "listen"}},
    "voice.silent.no-screen-reader": {"setup": {"bus": "off", "speech": "listen"}},
    "voice.silent.no-bus": {"setup": {"speech": "listen"}},
    "voice.silent.no-speech-library": {"setup": {"env": {"SOMBRIAL_VOZ": "1"}, "bus": "off",
                                                 "hidden": library("libspeechd.so.2")}},
    "voice.silent.no-speech-daemon": {"setup": {"env": {"SOMBRIAL_VOZ": "1"}, "bus": "off",
                                                "hidden": shutil.which("speech-dispatcher")}},
    "voice.silent.bus-never-answering": {"setup": {"bus": "mute", "speech": "run"},
                                         "walk": switched_on_by_f2(TYPING), "check": silent(0, False, False)},
}
for name, row in SCENARIOS.items():
    if name.startswith("voice.silent."):
        row["setup"]["private"] = True
        row.setdefault("walk", TYPING)
        row.setdefault("check", silent(1 if "hidden" in row["setup"] else 0, row["setup"].get("speech") == "listen"))
if COMPAT:
    # SDL 2 under the compatibility library asks the session bus itself as it starts, and
    # waits out its own 25 s on one that never answers, before the game has a window.
    del SCENARIOS["voice.silent.bus-never-answering"]

if __name__ == "__main__":
    sys.exit(main(SCENARIOS, __doc__))
