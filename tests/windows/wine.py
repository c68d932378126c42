#!/usr/bin/python3
"""sombrial.exe under Wine, in a window on a private X server: its caption, size, centring,
title picture and icon; its voice, through the stand-in for SAPI's voice, with the user's voice
or another that speaks Spanish, and stopped by Escape; a video driver that does not exist; the stdout.txt and
stderr.txt that SDL's start-up glue keeps beside the program only when something was written
to them; its version information; ASLR and DEP asked for by it and SDL.dll; and its UI
Automation element, as a client in another process finds it (tests/windows/uia_client.c).
tests/e2e/run.py plays the walkthroughs with the same program.

usage: wine.py FOLDER VERSION   FOLDER holds what the zip holds; Wine's environment is set, its
                               prefix with a screen reader on and the stand-in and its voices
                               registered (tests/suites/50-windows.sh); VERSION is the
                               project's, which the program's resources carry; the client's
                               program is SOMBRIAL_UIA_CLIENT
Prints "PASS name" or "FAIL name: why" for each check; the status is 0 when all pass.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))

from xwindow import SCREEN_SIZE, WINDOW_SIZE, Game, XServer, expect, wait_said  # noqa: E402
from walkthroughs import read_transcript  # noqa: E402

ROOT = os.path.join(HERE, "..", "..")
# Windows centres the window with its frame: the picture is centred across, and lower
# than the middle by half the title bar (Wine's is 18 to 20 pixels).
TITLE_BAR_MAX = 40
TOKENS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\"

# The window with the voice the user chose in Windows (50-windows.sh registers the voices), a
# key pressed on the title once it is said, the voice the game speaks with, and what it says
# after the title (None: a stop).
WINDOW_VOICES = {  # check: (the user's voice, key, the voice that speaks, said after the title)
    # English, Spanish second: the first voice whose first language is Spanish, of Mexico.
    "window": ("David", None, "Raul", []),
    # Spanish: kept, and F5 says its rate one step up from SAPI's normal.
    "window-spanish-voice": ("Sergio", "F5", "Sergio", [None, "Velocidad 60."]),
}


def icon_image(size):
    """The size x size image of assets/data/icon.ico (24-bit colour and a mask, rows from the
    bottom) as ARGB values from the top row: its colour where the mask is clear, else 0."""
    with open(os.path.join(ROOT, "assets", "data", "icon.ico"), "rb") as f:
        ico = f.read()
    for entry in range(struct.unpack_from("<H", ico, 4)[0]):
        width, _, _, _, _, bits, _, at = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * entry)
        if width == size and bits == 24:
            break
    else:
        raise AssertionError("icon.ico has no %dx%d 24-bit image" % (size, size))
    colours = at + struct.unpack_from("<I", ico, at)[0]
    mask = colours + size * size * 3
    mask_stride = (size + 31) // 32 * 4
    values = []
    for row in range(size - 1, -1, -1):
        for x in range(size):
            blue, green, red = ico[colours + (row * size + x) * 3:][:3]
            clear = not ico[mask + row * mask_stride + x // 8] & (0x80 >> x % 8)
            values.append(0xFF000000 | red << 16 | green << 8 | blue if clear else 0)
    return values


def window_icon(game):
    """The first image of the window's _NET_WM_ICON: its width, height and ARGB values, with
    the colour of fully transparent pixels left out."""
    atom = game.display.intern_atom("_NET_WM_ICON")
    prop = game.window.get_full_property(atom, game.display.intern_atom("CARDINAL"))
    expect(prop is not None, "the window has no _NET_WM_ICON")
    width, height = prop.value[0], prop.value[1]
    pixels = [v if v >> 24 else 0 for v in prop.value[2:2 + width * height]]
    return width, height, pixels


def leftovers(folder):
    """Which of SDL's stdout.txt and stderr.txt stand beside the program."""
    return [name for name in ("stdout.txt", "stderr.txt")
            if os.path.exists(os.path.join(folder, name))]


def window(server, folder, users_voice, key, speaker, said):
    """The window: named Sombrial, 640x480, centred, the title picture, the icon's 16x16
    image; the title said by `speaker`, then `key` and what it says; Escape stops the voice for
    good and ends the program with status 0, and SDL leaves no empty file behind."""
    records = tempfile.mkdtemp(prefix="sombrial-sapi-")
    voice_file, said_file = os.path.join(records, "voice"), os.path.join(records, "said")
    with open(voice_file, "w", encoding="utf-16-le") as f:
        f.write(TOKENS + users_voice)

    def heard():
        try:
            with open(said_file, encoding="utf-8") as f:
                return [text or None for text in f.read().split("\0")[:-1]]
        except FileNotFoundError:
            return []

    windows = {"SOMBRIAL_SAPI_VOICE": voice_file, "SOMBRIAL_SAPI_SAID": said_file}
    game = Game(server, ["wine", os.path.join(folder, "sombrial.exe")],
                env={name: "Z:" + path.replace("/", "\\") for name, path in windows.items()})
    try:
        game.find_window()
        names = game.names()
        expect(names == ("Sombrial", "Sombrial"), "the window's names are %r" % (names,))
        x, y, width, height = game.geometry()
        expect((width, height) == WINDOW_SIZE, "the window is %dx%d" % (width, height))
        middle = [(s - w) // 2 for s, w in zip(SCREEN_SIZE, WINDOW_SIZE)]
        expect(x == middle[0] and 0 < y - middle[1] <= TITLE_BAR_MAX // 2,
               "the window is at %d,%d; centred is %d,%d" % (x, y, middle[0], middle[1]))
        title = read_transcript(os.path.join(ROOT, "tests", "scripts",
                                             "typing-edits-and-latin1.expected.jsonl"))[0]
        game.wait_for(title["screen"], "title")
        expect(window_icon(game) == (16, 16, icon_image(16)),
               "the window's icon is not icon.ico's 16x16 image")
        said = [title_words()] + said
        wait_said(heard, said[:1], "the title")
        if key:
            game.keys(key)
            wait_said(heard, said, key)
        game.keys("Escape")
        status = game.wait_exit()
        spoken = heard()
        with open(voice_file, encoding="utf-16-le") as f:
            chosen = f.read().split("\\")[-1]
    except Exception:
        print("--- the game's output:\n" + game.output_text()[-4000:])
        raise
    finally:
        game.stop()
        shutil.rmtree(records)
    expect(status == 0, "status %d after Escape" % status)
    expect(not leftovers(folder), "left behind: %s" % leftovers(folder))
    expect(spoken == said + [None], "the voice said %r, not %r" % (spoken, said + [None]))
    expect(chosen == speaker, "the voice is %s, not %s" % (chosen, speaker))


def title_words():
    """What the voice says first: the title and its keys."""
    transcript = read_transcript(os.path.join(ROOT, "tests", "scripts",
                                              "typing-edits-and-latin1.voice.expected.jsonl"))
    return transcript[0]["text"]


# What the window's element says of itself to a client in another process, as
# tests/windows/uia_client.c prints it: a document (UIA_DocumentControlTypeId), not itself a
# live region (its child is).
ELEMENT = {"name": "Sombrial", "control": "50030", "focusable": "true", "live": "0",
           "focus": "true", "zero-extended": "answered"}
# The states it is asked at: the transcript's record, and the key that leaves it.
ELEMENT_STATES = ((0, "Return"), (1, "Escape"))  # the title; the first page, turned to


def uia_element(server, folder):
    """The window's element, found through Wine's UI Automation from another process, on the
    title and once a page has turned: its name, control type, focus and live setting, also when
    asked with the id not sign-extended."""
    states = read_transcript(os.path.join(ROOT, "tests", "scripts",
                                          "typing-edits-and-latin1.expected.jsonl"))
    game = Game(server, ["wine", os.path.join(folder, "sombrial.exe")])
    try:
        game.find_window()
        for record, key in ELEMENT_STATES:
            label = "%s-%d" % (states[record]["wait"], states[record]["frame"])
            game.wait_for(states[record]["screen"], label)
            client = subprocess.run(["wine", os.environ["SOMBRIAL_UIA_CLIENT"]], env=server.env,
                                    capture_output=True, timeout=60)
            said = dict(line.strip().partition("=")[::2]
                        for line in client.stdout.decode().splitlines() if line.strip())
            expect(client.returncode == 0 and said == ELEMENT,
                   "at %s the element says %r, not %r" % (label, said, ELEMENT))
            game.keys(key)
        status = game.wait_exit()
    finally:
        game.stop()
    expect(status == 0, "status %d after Escape" % status)


def bad_driver(server, folder):
    """A video driver that does not exist: status 1, and the reason in stderr.txt."""
    game = Game(server, ["wine", os.path.join(folder, "sombrial.exe")],
                env={"SDL_VIDEODRIVER": "bogus"})
    try:
        status = game.wait_exit()
    finally:
        game.stop()
    expect(status == 1, "status %d with a video driver that does not exist" % status)
    expect(leftovers(folder) == ["stderr.txt"], "beside the program: %s" % leftovers(folder))
    with open(os.path.join(folder, "stderr.txt"), "rb") as f:
        message = f.read()
    os.remove(os.path.join(folder, "stderr.txt"))
    expect(message.startswith(b"Unable to init SDL: ") and message.endswith(b"\r\n"),
           "stderr.txt holds %r" % message)


def version_resource(_, folder):
    """The version information of the program: its numbers and texts are the project's."""
    with open(os.path.join(folder, "sombrial.exe"), "rb") as f:
        exe = f.read()
    fixed = exe.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    expect(fixed > 0, "no version information")
    numbers = [int(n) for n in VERSION.split(".")] + [0]
    packed = [numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]]
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", exe, fixed + 8)
    expect([file_ms, file_ls] == packed and [product_ms, product_ls] == packed,
           "version numbers %x.%x, %x.%x, not %s" % (file_ms, file_ls, product_ms, product_ls,
                                                      VERSION))
    for name in ("FileVersion", "ProductVersion"):
        text = (name + "\0").encode("utf-16-le")
        at = exe.find(text)
        expect(at > 0, "no %s" % name)
        at += len(text) + -(at + len(text)) % 4  # the value starts on a 4-byte boundary
        units = struct.iter_unpack("<H", exe[at:at + 64])
        value = "".join(chr(u) for (u,) in iter(lambda: next(units), (0,)))
        expect(value == VERSION, "%s is %r, not %r" % (name, value, VERSION))


def aslr_and_dep(_, folder):
    """The program and SDL.dll ask Windows, in their PE headers' DllCharacteristics, to load
    them anywhere in the 64-bit address space and to execute no data."""
    wanted = {0x0020: "high-entropy ASLR", 0x0040: "ASLR", 0x0100: "DEP"}
    for name in ("sombrial.exe", "SDL.dll"):
        with open(os.path.join(folder, name), "rb") as f:
            head = f.read(1024)
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        expect(head[pe:pe + 4] == b"PE\0\0", "%s has no PE header" % name)
        # The optional header follows the signature and the 20-byte file header.
        magic, = struct.unpack_from("<H", head, pe + 24)
        characteristics, = struct.unpack_from("<H", head, pe + 24 + 70)
        expect(magic == 0x20B, "%s is no 64-bit program" % name)
        missing = [what for bit, what in wanted.items() if not characteristics & bit]
        expect(not missing, "%s lacks %s" % (name, ", ".join(missing)))


def main():
    global VERSION
    folder, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    server = XServer()
    failed = 0
    checks = [(name, lambda server, folder, row=row: window(server, folder, *row))
              for name, row in WINDOW_VOICES.items()]
    checks += [(check.__name__.replace("_", "-"), check)
               for check in (uia_element, bad_driver, version_resource, aslr_and_dep)]
    try:
        for name, check in checks:
            try:
                check(server, folder)
                print("PASS %s" % name)
            except Exception as problem:  # report and go on with the next check
                failed += 1
                print("FAIL %s: %s" % (name, problem))
                traceback.print_exc(file=sys.stdout)
    finally:
        server.close()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
