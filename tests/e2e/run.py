#!/usr/bin/python3
"""End-to-end tests: the real program in a window on a private X server, played by key
presses, its window compared at every state with the fingerprints of the committed
transcripts (tests/scripts/*.expected.jsonl) that the scripted player makes.

usage: run.py --game COMMAND [--artifacts DIR] SCENARIO...
COMMAND is the program, possibly behind a wrapper ("valgrind ... build/test/sombrial").
A scenario is window, close-window, escape-while-typing, or a script's name (its walkthrough
is played to its end). Each prints "PASS name" or "FAIL name: why"; the status is 0 when all pass.
"""

import argparse
import os
import shlex
import sys
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))

from xwindow import SCREEN_SIZE, WINDOW_SIZE, Game, XServer, expect, fingerprint, play  # noqa: E402
from walkthroughs import read_script, read_transcript  # noqa: E402

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts")


def transcript(name):
    return read_transcript(os.path.join(SCRIPTS, name + ".expected.jsonl"))


def window(game):
    """Named Sombrial, 640x480, centred, the title; keys other than Enter change nothing;
    Escape ends the program when it is released, not pressed, with status 0."""
    wm_name, net_name = game.names()
    expect(wm_name == "Sombrial", "WM_NAME is %r" % wm_name)
    expect(net_name in (None, "Sombrial"), "_NET_WM_NAME is %r" % net_name)
    centred = tuple((s - w) // 2 for s, w in zip(SCREEN_SIZE, WINDOW_SIZE))
    expect(game.geometry() == centred + WINDOW_SIZE, "window at %s" % (game.geometry(),))
    title = transcript("typing-edits-and-latin1")[0]["screen"]
    game.wait_for(title, "title")
    game.keys("a", "space", "BackSpace", "ntilde")
    expect(fingerprint(game.screenshot()) == title, "a key other than Enter left the title")
    game.press("Escape")
    game.frames(3)
    expect(game.process.poll() is None, "the game ended when Escape was pressed, not released")
    game.release("Escape")
    return game.wait_exit()


def close_window(game):
    """The window manager's close message at the first page prompt ends it with status 0."""
    states = transcript("typing-edits-and-latin1")
    game.wait_for(states[0]["screen"], "title")
    game.keys("Return")
    game.wait_for(states[1]["screen"], "page")
    game.close_window()
    return game.wait_exit()


def escape_while_typing(game):
    """Escape released while the first page is still being typed out ends with status 0."""
    states = transcript("typing-edits-and-latin1")
    game.wait_for(states[0]["screen"], "title")
    game.keys("Return")
    game.frames(10)
    expect(fingerprint(game.screenshot()) not in (states[0]["screen"], states[1]["screen"]),
           "the first page is not being typed out")
    game.keys("Escape")
    return game.wait_exit()


SCENARIOS = {"window": window, "close-window": close_window,
             "escape-while-typing": escape_while_typing}


def run(command, artifacts, name):
    server = XServer()
    game = Game(server, command, artifacts=os.path.join(artifacts, name))
    try:
        game.find_window()
        if name in SCENARIOS:
            status = SCENARIOS[name](game)
        else:
            lines = read_script(os.path.join(SCRIPTS, name + ".script"))
            status = play(game, lines, transcript(name))
        expect(status == 0, "exit status %d" % status)
        print("PASS %s" % name)
        return True
    except Exception as problem:  # report and go on with the next scenario
        print("FAIL %s: %s" % (name, problem))
        traceback.print_exc(file=sys.stdout)
        print("--- the game's output:\n" + game.output_text()[-4000:])
        return False
    finally:
        game.stop()
        server.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    parser.add_argument("scenarios", nargs="+")
    args = parser.parse_args()
    results = [run(shlex.split(args.game), args.artifacts, name) for name in args.scenarios]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
