"""The committed walkthroughs, as every Python test reads them: a script's lines (one command
line each, UTF-8, a backspace character standing for the Backspace key) and a transcript's
records (JSON Lines, one state the player waits at each)."""

import json
import os

FOLDER = os.path.dirname(os.path.abspath(__file__))


def read_script(path):
    with open(path, encoding="utf-8") as f:
        return f.read().split("\n")[:-1]


def read_transcript(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.startswith("{")]
