#!/usr/bin/python3
"""sombrial.exe under Wine on the private desktop (tests/e2e/desktop.py), one row each.

usage: wine.py --game "wine FOLDER/sombrial.exe" [--artifacts DIR] SCENARIO...
As tests/suites/50-windows.sh sets it: Wine's environment; FOLDER, what the zip holds, in
SOMBRIAL_WINDOWS_FOLDER; a prefix with a screen reader on and, for the voice's rows, the
stand-in for SAPI's voice (tests/windows/standin_voice.c) and its voices registered; the
project's version in SOMBRIAL_VERSION, the UI Automation client (uia_client.c) in SOMBRIAL_UIA_CLIENT.
"""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from desktop import expect, main, read, walkthrough  # noqa: E402
from scenarios import PAGE, SCENARIOS, TITLE, a_window  # noqa: E402

FOLDER = os.environ.get("SOMBRIAL_WINDOWS_FOLDER", "")
(_, TITLE_SAID, _), (_, PAGE_SAID, _) = walkthrough("typing-edits-and-latin1", "sapi")[:2]
# What the window's element says of itself to a client in another process, as uia_client.c
# prints it: a document (UIA_DocumentControlTypeId), not itself a live region (its child is).
ELEMENT = {"name": "Sombrial", "control": "50030", "focusable": "true", "live": "0",
           "focus": "true", "zero-extended": "answered"}


def leftovers():
    """Which of SDL's stdout.txt and stderr.txt stand beside the program."""
    return [n for n in ("stdout.txt", "stderr.txt") if os.path.exists(os.path.join(FOLDER, n))]


def icon(game):
    """The first image of the window's _NET_WM_ICON is icon.ico's 16x16 one (24-bit colour and a
    mask, rows from the bottom): its colour where the mask is clear, else transparent."""
    value = game.property("_NET_WM_ICON", "CARDINAL")
    expect(value is not None, "the window has no _NET_WM_ICON")
    with open(os.path.join(HERE, "..", "..", "assets", "data", "icon.ico"), "rb") as f:
        ico = f.read()
    at = [struct.unpack_from("<I", ico, 6 + 16 * n + 12)[0] for n in range(struct.unpack_from("<H", ico, 4)[0])
          if struct.unpack_from("<B5xH", ico, 6 + 16 * n) == (16, 24)]
    expect(at, "icon.ico has no 16x16 24-bit image")
    colours = at[0] + struct.unpack_from("<I", ico, at[0])[0]
    mask = colours + 16 * 16 * 3
    wanted = []
    for row in range(15, -1, -1):
        for x in range(16):
            blue, green, red = ico[colours + (row * 16 + x) * 3:][:3]
            clear = not ico[mask + row * 4 + x // 8] & (0x80 >> x % 8)
            wanted.append(0xFF000000 | red << 16 | green << 8 | blue if clear else 0)
    shown = [v if v >> 24 else 0 for v in value[2:2 + 256]]
    expect(list(value[:2]) == [16, 16] and shown == wanted, "the window's icon is not icon.ico's 16x16 image")


def uia(game):
    """The element, as the client finds it, also when asked with the id not sign-extended."""
    said = subprocess.run(["wine", os.environ["SOMBRIAL_UIA_CLIENT"]], env=game.environ(),
                          capture_output=True, timeout=60)
    found = dict(line.strip().partition("=")[::2] for line in said.stdout.decode().splitlines() if line.strip())
    expect(said.returncode == 0 and found == ELEMENT, "the element says %r, not %r" % (found, ELEMENT))


def voice_window(users_voice, speaker, steps):
    """With the user's voice chosen in Windows, the game speaks with `speaker` what the steps
    say (None: a stop); Escape stops it for good and ends the program with status 0, and SDL
    leaves no empty file behind."""
    def check(game):
        expect(not leftovers(), "left behind: %s" % leftovers())
        chosen = read(os.path.join(game.root, "voice"), "utf-16-le").split("\\")[-1]
        expect(chosen == speaker, "the voice is %s, not %s" % (chosen, speaker))
    return {"setup": {"speech": "sapi", "sapi_voice": users_voice}, "walk": steps + [(None, [None], [])],
            "check": check}


def bad_driver(_):
    """The reason in stderr.txt, the only file SDL leaves."""
    expect(leftovers() == ["stderr.txt"], "beside the program: %s" % leftovers())
    with open(os.path.join(FOLDER, "stderr.txt"), "rb") as f:
        message = f.read()
    os.remove(os.path.join(FOLDER, "stderr.txt"))
    expect(message.startswith(b"Unable to init SDL: ") and message.endswith(b"\r\n"), "stderr.txt holds %r" % message)


def version_resource(_):
    """The program's version information: its numbers and texts are the project's."""
    version = os.environ["SOMBRIAL_VERSION"]
    with open(os.path.join(FOLDER, "sombrial.exe"), "rb") as f:
        exe = f.read()
    fixed = exe.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    numbers = [int(n) for n in version.split(".")] + [0]
    packed = [numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]] * 2
    expect(fixed > 0 and list(struct.unpack_from("<4I", exe, fixed + 8)) == packed,
           "the version numbers are not %s" % version)
    for name in ("FileVersion", "ProductVersion"):
        text = (name + "\0").encode("utf-16-le")
        at = exe.find(text) + len(text)
        at += -at % 4  # the value starts on a 4-byte boundary
        value = exe[at:exe.find(b"\0\0", at) + 1].decode("utf-16-le")  # noqa: E203
        expect(value == version, "%s is %r, not %r" % (name, value, version))


def aslr_and_dep(_):
    """The program and SDL.dll ask Windows, in their PE headers' DllCharacteristics, to load
    them anywhere in the 64-bit address space and to execute no data."""
    for name in ("sombrial.exe", "SDL.dll"):
        with open(os.path.join(FOLDER, name), "rb") as f:
            head = f.read(1024)
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        # The optional header follows the signature and the 20-byte file header.
        magic, = struct.unpack_from("<H", head, pe + 24)
        characteristics, = struct.unpack_from("<H", head, pe + 24 + 70)
        missing = [what for bit, what in ((0x20, "high-entropy ASLR"), (0x40, "ASLR"), (0x100, "DEP"))
                   if not characteristics & bit]
        expect(head[pe:pe + 4] == b"PE\0\0" and magic == 0x20B, "%s is no 64-bit program" % name)
        expect(not missing, "%s lacks %s" % (name, ", ".join(missing)))


SCENARIOS = {
    "e2e.chapter-shortest": SCENARIOS["e2e.chapter-shortest"],
    "e2e.typing-edits-and-latin1": {"walk": walkthrough("typing-edits-and-latin1")},
    # The voice left to turn on by itself; each stop where the transcript has it too, as the
    # purge before each echo and at the exit.
    "voice.death-leaving": {"setup": {"speech": "sapi"}, "walk": walkthrough("death-leaving", "sapi")},
    # The user's voice English, Spanish second: the first voice whose first language is Spanish,
    # of Mexico. The window's element on the title and once a page has turned.
    "window": voice_window("David", "Raul", [
        (TITLE, TITLE_SAID, [a_window(("Sombrial",), (1, 20)), icon, uia, "Return"]),
        (PAGE, PAGE_SAID, [uia, "Escape"])]),
    # Spanish: kept, and F5 says its rate one step up from SAPI's normal.
    "window-spanish-voice": voice_window("Sergio", "Sergio", [
        (TITLE, TITLE_SAID, ["F5"]), (None, [None, "Velocidad 60."], ["Escape"])]),
    # At 200 % (the prefix's LogPixels, as Windows' scale sets it) the window opens at x2, crisp:
    # each 2x2 square one pixel of the title.
    "window-scaled": {"setup": {"screen": (2560, 1440), "scale": 2, "registry": [
        ("HKCU\\Control Panel\\Desktop", "LogPixels", "REG_DWORD", 192)]},
        "walk": [(TITLE, None, [a_window(("Sombrial",), (1, 20)), "Escape"])]},
    "bad-driver": {"setup": {"env": {"SDL_VIDEODRIVER": "bogus"}}, "status": 1, "check": bad_driver},
    "version-resource": {"game": False, "check": version_resource},
    "aslr-and-dep": {"game": False, "check": aslr_and_dep},
}

if __name__ == "__main__":
    sys.exit(main(SCENARIOS, __doc__))
