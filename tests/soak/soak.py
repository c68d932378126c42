#!/usr/bin/python3
"""The soak: many games played by the scripted player through the real turn loop, each
a sombrial-scripted-player run whose transcript must keep the game's rules.

usage: soak.py random PLAYER SCRIPTS COUNT [LINES]   random scripts of LINES lines (100)
       soak.py endings PLAYER SCRIPTS NAME           NAME's walkthrough ended at every state

Random scripts mix the lines and words of the committed scripts (SCRIPTS is their folder)
with random bytes; every fourth follows the walkthrough to the chapter's end with noise
between its steps. The same number always gives the same script. Endings: Escape released,
or the window closed, in the frame of each state and two frames before it; the game must
end in that frame with status 0.
"""

import concurrent.futures
import glob
import json
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))

from walkthroughs import read_script, read_transcript  # noqa: E402

FLAGS = ["RatInCorridor", "CorridorDark", "LighterLit", "DogLoose", "ShotgunTaken", "DogDead",
         "RatTaken"]
# The chain of puzzles: the room a step is taken in, the flags it needs at 1, what it sets.
# Any other change of the flags is a fault.
STEPS = [
    ("Laboratory", [], {"RatInCorridor": 1}),
    ("Corridor", ["RatInCorridor"], {"CorridorDark": 1, "RatInCorridor": 0}),
    ("Corridor", ["CorridorDark"], {"LighterLit": 1, "CorridorDark": 0}),
    ("Corridor", ["LighterLit"], {"DogLoose": 1, "LighterLit": 0}),
    ("Laboratory", ["DogLoose", "ShotgunTaken"], {"DogDead": 1, "DogLoose": 0}),
    ("Laboratory", ["DogDead"], {"RatTaken": 1}),
    ("RestRoom", [], {"ShotgunTaken": 1}),
]


# Every key a random line may hold: all but NUL and the two that end a script's line.
KEYS = [chr(c) for c in range(1, 256) if c not in (10, 13)]
MOVES = ("n", "s", "e", "o", "norte", "sur", "este", "oeste")


def play(player, script_path, *options):
    """The transcript's records and the exit status of one game."""
    run = subprocess.run([player, "--no-screens", "--no-pictures", *options, script_path],
                         capture_output=True, env=dict(os.environ, SDL_VIDEODRIVER="dummy"),
                         timeout=600)
    records = [json.loads(line) for line in run.stdout.decode().splitlines()
               if line.startswith("{")]
    return records, run.returncode, run.stderr.decode()


def typed(keys):
    """The line the command line returns for these keys."""
    line = ""
    for key in keys:
        if 32 <= ord(key) <= 254 and len(line) < 492:
            line += key
        elif key == "\b":
            line = line[:-1]
    return line


def broken_rules(lines, records, status):
    """What the game did against its rules, as text; empty when nothing."""
    if status != 0 or not records or records[-1] != {"exit": 0}:
        return "the game did not end with status 0 (status %d)" % status
    shown = [r for r in records if r.get("wait") in ("prompt", "ending")]
    before = {"room": "Laboratory", "flags": dict.fromkeys(FLAGS, 0)}
    line = None
    for record in shown:
        flags, old = record["flags"], before["flags"]
        if any(v not in (0, 1) for v in flags.values()):
            return "a flag holds neither 0 nor 1: %s" % flags
        if line is None and flags != old:
            return "flags set before the first line: %s" % flags
        encounter = before["room"] == "Laboratory" and old["DogLoose"] and not old["DogDead"]
        steps = [sets for room, needs, sets in STEPS
                 if room == before["room"] and all(old[n] for n in needs)]
        if record.get("ending") == "gameover" and (not encounter or flags != old):
            return "death where the dog could not kill, after [%s]" % line
        if record.get("ending") == "fin" and not (before["room"] == "ExitDoor" and line == "746"
                                                  and flags["RatTaken"]):
            return "the chapter ended without the rat and the code, after [%s]" % line
        if line is not None and flags == old and encounter and "ending" not in record:
            return "the loose dog let the player be after [%s]" % line
        if flags != old and not any(dict(old, **sets) == flags for sets in steps):
            return "the flags moved outside the chain after [%s]: %s" % (line, flags)
        if "prompt" in record:
            line = typed(lines[record["prompt"] - 1]) if record["prompt"] <= len(lines) else None
        before = record
    if "ending" not in shown[-1] and shown[-1]["prompt"] != len(lines) + 1:
        return "the game ended before its script"
    return ""


def random_script(number, count, vocabulary, words, walkthrough):
    r = random.Random(number)

    def line():
        kind = r.randrange(100)
        if kind < 45:
            return r.choice(vocabulary)
        if kind < 75:  # known words, one or two spaces apart, any case
            text = ("  " if r.randrange(6) == 0 else " ").join(
                r.choice(words) for _ in range(1 + r.randrange(4)))
            return text.upper() if r.randrange(5) == 0 else text
        if kind < 98:  # any key: backspaces, Escape's key-down, Latin-1, controls
            return "".join(r.choice(KEYS) for _ in range(r.randrange(25)))
        return "".join(r.choice("abcdefghijklmnopqrstuvwxyz    ")  # longer than a line holds
                       for _ in range(480 + r.randrange(80)))

    script = []
    steps = list(walkthrough) if number % 4 == 0 else []
    while len(script) < count:
        if steps:
            script.append(steps.pop(0))
            if script[-1] == "746" or "codigo" in script[-1]:
                continue  # the code is typed right after its question
            script += [n for n in (line() for _ in range(r.randrange(3)))
                       if n.strip().lower() not in MOVES]
        else:
            script.append(line())
    return script[:count]


def soak_random(player, folder, count, lines):
    vocabulary = [line for path in sorted(glob.glob(os.path.join(folder, "*.script")))
                  for line in read_script(path)]
    words = sorted({w for line in vocabulary for w in line.split()})
    walkthrough = read_script(os.path.join(folder, "chapter-shortest.script"))
    scratch = os.path.join(os.environ.get("TMPDIR", "/tmp"), "sombrial-soak-%d" % os.getpid())
    os.makedirs(scratch, exist_ok=True)

    def game(number):
        script = random_script(number, lines, vocabulary, words, walkthrough)
        path = os.path.join(scratch, "%d.script" % number)
        with open(path, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in script))
        records, status, errors = play(player, path)
        broken = broken_rules(script, records, status)
        if not broken:
            os.remove(path)
        return number, broken, errors, records[-2:] if records else []

    ends = {}
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        for number, broken, errors, last in pool.map(game, range(count)):
            if broken:
                print("script %d (kept in %s): %s\n%s" % (number, scratch, broken, errors[-2000:]))
                return 1
            end = last[0].get("ending", "escape") if last else "none"
            ends[end] = ends.get(end, 0) + 1
    print("%d scripts of %d lines, ended by: %s" % (count, lines, ends))
    return 0


def soak_endings(player, folder, name):
    path = os.path.join(folder, name + ".script")
    frames = [r["frame"] for r in read_transcript(os.path.join(folder, name + ".expected.jsonl"))
              if "frame" in r]
    runs = []
    for i, frame in enumerate(frames):  # each way of ending at every state, by turns
        ways = ("--escape-at", "--close-at")[::1 if i % 2 else -1]
        runs += [(ways[0], frame), (ways[1], frame - 2)]

    def game(run):
        records, status, errors = play(player, path, run[0], str(run[1]))
        return run, status == 0 and records[-1:] == [{"exit": 0}], errors

    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        failed = [(run, errors) for run, ok, errors in pool.map(game, runs) if not ok]
    for (how, frame), errors in failed:
        print("%s %d did not end the game with status 0 in that frame: %s" % (how, frame, errors))
    print("%d games ended at %d states" % (len(runs), len(frames)))
    return 1 if failed else 0


if __name__ == "__main__":
    mode, player, folder = sys.argv[1:4]
    if mode == "random":
        sys.exit(soak_random(player, folder, int(sys.argv[4]),
                             int(sys.argv[5]) if len(sys.argv) > 5 else 100))
    sys.exit(soak_endings(player, folder, sys.argv[4]))
