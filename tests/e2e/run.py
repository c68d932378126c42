#!/usr/bin/python3
"""End-to-end tests: the real sombrial program in a window on a private X server, played
by key presses, its window compared pixel for pixel with the Screen that
sombrial-autoplay saves for the same state.

usage: run.py --game PATH --autoplay PATH [--artifacts DIR] SCENARIO...
Each scenario prints "PASS name" or "FAIL name: why"; the status is 0 when all pass.
"""

import argparse
import os
import shutil
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import walkthroughs  # noqa: E402
from shots import Reference, wait_for  # noqa: E402
from xwindow import SCREEN_SIZE, WINDOW_SIZE, Game, XServer  # noqa: E402


class Context:
    """What a scenario gets: the two programs, a scratch folder, its X server."""

    def __init__(self, args, name, scratch, server):
        self.game_path = args.game
        self.autoplay = args.autoplay
        self.name = name
        self.scratch = scratch
        self.server = server
        self.artifacts = os.path.join(args.artifacts, name)
        self.games = []

    def reference(self, lines, label="reference"):
        return Reference(self.autoplay, lines, os.path.join(self.scratch, label))

    def start(self):
        game = Game(self.server, self.game_path)
        self.games.append(game)
        game.find_window()
        return game


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def play(ctx, game, reference, typing=None):
    """Plays the reference's states in order: Enter on the title and on an ending picture,
    space at each page prompt, the script's line (or the keys given for it in `typing`) at
    each command line. Stops at the first command line the script has no line for."""
    typing = typing or {}
    states = reference.states
    for index, state in enumerate(states):
        wait_for(game, state, ctx.artifacts)
        if state.kind in ("title", "ending"):
            game.keys("Return")
        elif state.kind == "page":
            game.keys("space")
        elif state.kind == "prompt":
            if state.number > len(reference.lines):
                return
            keys = typing.get(state.number)
            if keys:
                game.type_keys(keys)
            else:
                game.type_text(reference.lines[state.number - 1])
            following = states[index + 1] if index + 1 < len(states) else None
            if not (following and following.kind == "line"):
                game.keys("Return")
        elif state.kind == "line":  # every key has been taken: submit
            game.keys("Return")


# --- Scenarios ---

def window(ctx):
    """The window: named Sombrial, 640x480, centred, the title picture; keys other than
    Enter change nothing; Escape ends the program when it is released, with status 0."""
    reference = ctx.reference([])
    game = ctx.start()
    wm_name, net_name = game.names()
    expect(wm_name == "Sombrial", "WM_NAME is %r" % wm_name)
    expect(net_name in (None, "Sombrial"), "_NET_WM_NAME is %r" % net_name)
    centred = ((SCREEN_SIZE[0] - WINDOW_SIZE[0]) // 2, (SCREEN_SIZE[1] - WINDOW_SIZE[1]) // 2)
    expect(game.geometry() == centred + WINDOW_SIZE,
           "window at %s, expected %s" % (game.geometry(), centred + WINDOW_SIZE))
    title = reference.state("title")
    wait_for(game, title, ctx.artifacts)
    game.keys("a", "space", "BackSpace", "ntilde")
    time.sleep(0.2)
    expect(game.screenshot() == title.pixels(), "a key other than Enter left the title")
    game.press("Escape")
    time.sleep(0.3)
    expect(game.process.poll() is None, "the game ended when Escape was pressed, not released")
    game.release("Escape")
    status = game.wait_exit()
    expect(status == 0, "status %d after Escape" % status)


def close_window(ctx):
    """The window manager's close message at a page prompt ends the program with status 0."""
    reference = ctx.reference([])
    game = ctx.start()
    wait_for(game, reference.state("title"), ctx.artifacts)
    game.keys("Return")
    expect(reference.states[1].kind == "page", "the first narration fits on one page")
    wait_for(game, reference.states[1], ctx.artifacts)  # the first page prompt
    game.close_window()
    status = game.wait_exit()
    expect(status == 0, "status %d after the window was closed" % status)


def escape_while_typing(ctx):
    """Escape released while the first page is still being typed out ends with status 0."""
    reference = ctx.reference([])
    game = ctx.start()
    title = reference.state("title")
    wait_for(game, title, ctx.artifacts)
    game.keys("Return")
    first_page = reference.states[1].pixels()
    # Typing has begun once two screenshots in a row differ, none of them the finished page.
    deadline = time.monotonic() + 10
    previous = game.screenshot()
    while True:
        time.sleep(0.1)
        now = game.screenshot()
        expect(now != first_page, "the page was typed out before Escape could be pressed")
        if now != previous and previous != title.pixels():
            break
        expect(time.monotonic() < deadline, "the narration did not start")
        previous = now
    game.keys("Escape")
    status = game.wait_exit()
    expect(status == 0, "status %d after Escape while typing" % status)


def command_line(ctx):
    """At the command line: a command corrected with backspace, then a line with ñ, ¿
    and ¡, each echoed exactly as the scripted player's Screen shows it."""
    lines = ["mirar rata", "¿Mañana? ¡Ñu, ñu!"]
    reference = ctx.reference(lines)
    game = ctx.start()
    corrected = ["m", "i", "r", "a", "r", "space", "r", "a", "t", "x", "BackSpace", "a"]
    play(ctx, game, reference, typing={1: corrected})
    # "No puedes hacer eso." stands above the third command line; Escape leaves.
    expect(reference.states[-1].kind == "prompt" and reference.states[-1].number == 3,
           "the script should end at the third command line")
    game.keys("Escape")
    status = game.wait_exit()
    expect(status == 0, "status %d after Escape at the command line" % status)


def play_to_ending(ctx, walkthrough, kind, picture):
    """A walkthrough played by key presses to its ending picture, then Enter: status 0."""
    reference = ctx.reference(walkthrough)
    expect(reference.ending() == kind, "the walkthrough does not reach the %s ending" % kind)
    game = ctx.start()
    play(ctx, game, reference)
    status = game.wait_exit()
    expect(status == 0, "status %d after Enter on the %s picture" % (status, picture))


def chapter(ctx):
    """The whole chapter played by key presses, to its closing picture and Enter."""
    play_to_ending(ctx, walkthroughs.CHAPTER, "fin", "closing")


def death(ctx):
    """Meeting the loose dog unarmed: the death narration, its picture, and Enter."""
    play_to_ending(ctx, walkthroughs.DEATH, "gameover", "game-over")


SCENARIOS = {
    "window": window,
    "close-window": close_window,
    "escape-while-typing": escape_while_typing,
    "command-line": command_line,
    "chapter": chapter,
    "death": death,
}


def run(args, name):
    scratch = tempfile.mkdtemp(prefix="sombrial-e2e-")
    server = XServer()
    ctx = Context(args, name, scratch, server)
    try:
        SCENARIOS[name](ctx)
        print("PASS %s" % name)
        return True
    except Exception as problem:  # report and go on with the next scenario
        print("FAIL %s: %s" % (name, problem))
        traceback.print_exc(file=sys.stdout)
        for game in ctx.games:
            output = game.output_text().strip()
            if output:
                print("--- the game's output:\n" + output[-4000:])
        return False
    finally:
        for game in ctx.games:
            game.stop()
        server.close()
        shutil.rmtree(scratch, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--game", required=True)
    parser.add_argument("--autoplay", required=True)
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    parser.add_argument("scenarios", nargs="+", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    results = [run(args, name) for name in args.scenarios]
    passed = results.count(True)
    print("%d passed, %d failed" % (passed, len(results) - passed))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
