#!/usr/bin/python3
"""Installing like a desktop game: `cmake --install` into a scratch prefix and the Debian
package from `cpack -G DEB`, unpacked with `dpkg -x`, each checked file by file and with the
tools distributions and software centres run (desktop-file-validate, appstreamcli, man,
lintian, hardening-check), every version in them the project's; then the unpacked program is
started in a window and must play as e2e.window has it (tests/e2e/scenarios.py).

usage: install.py --build DIR --version VERSION [--hardened] [--artifacts DIR]
  --hardened   the build has Debian's hardening (cmake/ReleaseFlags.cmake): check it
"""

import argparse
import configparser
import glob
import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import run_row  # noqa: E402
from scenarios import SCENARIOS  # noqa: E402

ID = "org.example.sombrial"
DESKTOP_ENTRY = {"Type": "Application", "Name": "Sombrial", "Exec": "sombrial", "Icon": ID,
                 "Terminal": "false"}


def tool(command):
    """What a checking tool says, and whether it passed."""
    done = subprocess.run(command, capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8"))
    return done.returncode == 0, (done.stdout + done.stderr).strip()


def check_tree(prefix, version, hardened):
    """The files a desktop game puts under its prefix; the problems found."""
    problems = []
    # The program, and the accessibility bridge it loads from its private folder.
    for binary in ("games/sombrial", "lib/games/sombrial/sombrial-atk.so"):
        path = os.path.join(prefix, binary)
        if not os.path.isfile(path):
            problems.append("no %s" % binary)
        elif hardened:
            # Debian 12's C start files are not marked for control-flow protection, so no
            # program linked with them is, -fcf-protection or not.
            passed, said = tool(["hardening-check", "--nocfprotection", path])
            if not passed:
                problems.append(said)
    metainfo = os.path.join(prefix, "share", "metainfo", ID + ".metainfo.xml")
    passed, said = tool(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
    if not passed or "✔" not in said:
        problems.append("appstreamcli: " + said)
    elif 'version="%s"' % version not in open(metainfo, encoding="utf-8").read():
        problems.append("the metainfo has no release %s" % version)
    for page in ("man6", "es/man6"):
        path = os.path.join(prefix, "share", "man", page, "sombrial.6.gz")
        passed, said = tool(["man", "--warnings", "-E", "UTF-8", "-l", path])
        if not passed or "warning" in said or "Sombrial " + version not in said:
            problems.append("%s: %s" % (path, said[-300:]))
    entry = os.path.join(prefix, "share", "applications", ID + ".desktop")
    validate = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
    if validate.returncode != 0 or validate.stdout.strip():
        problems.append("desktop-file-validate: " + validate.stdout.strip())
    else:
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(entry, encoding="utf-8")
        fields = parser["Desktop Entry"]
        problems += ["desktop entry %s=%r" % (k, fields.get(k))
                     for k, v in DESKTOP_ENTRY.items() if fields.get(k) != v]
        if "Game" not in fields.get("Categories", "").split(";"):
            problems.append("the desktop entry is not in the Game category")
    for size in (16, 32, 48, 64, 128, 256):
        icon = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size),
                            "apps", ID + ".png")
        with open(icon, "rb") as f:
            head = f.read(24)
        if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
            problems.append("%s is no %dx%d PNG" % (icon, size, size))
    return problems


def check_package(deb, version, hardened):
    def field(name):
        return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                              check=True).stdout.strip()
    depends = [d.split()[0] for d in field("Depends").replace("|", ",").split(",") if d.strip()]
    problems = ["package %s is %r" % (f, field(f)) for f, v in
                (("Package", "sombrial"), ("Section", "games"), ("Version", version))
                if field(f) != v]
    # Debian's own checker: no error, no warning; of its notes ("I:"), none on the program's
    # stripping, nor on its hardening when the build has it.
    passed, said = tool(["lintian", "-I", "--fail-on", "error,warning", deb])
    findings = [line for line in said.splitlines() if line[:2] in ("E:", "W:")
                or " binary-has-unneeded-section " in line or hardened and " hardening-" in line]
    if not passed or findings:
        problems.append("lintian: " + said)
    recommends = [d.split()[0] for d in field("Recommends").split(",") if d.strip()]
    return problems + ["the package does not depend on " + p
                       for p in ("libsdl1.2debian", "libsdl-image1.2") if p not in depends] + [
        "the package depends on %s, which it should only recommend" % p
        for p in ("libatk1.0-0", "libatk-bridge2.0-0") if p in depends or p not in recommends]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--hardened", action="store_true")
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="sombrial-install-") as scratch:
        prefix, packages, unpacked = (os.path.join(scratch, d) for d in ("p", "deb", "u"))
        subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],
                       check=True, stdout=subprocess.DEVNULL)
        problems = check_tree(prefix, args.version, args.hardened)
        subprocess.run(["cpack", "--config", os.path.join(args.build, "CPackConfig.cmake"),
                        "-G", "DEB", "-B", packages], check=True, stdout=subprocess.DEVNULL)
        debs = glob.glob(os.path.join(packages, "*.deb"))
        if len(debs) != 1:
            problems.append("cpack made %d .deb files" % len(debs))
        else:
            problems += check_package(debs[0], args.version, args.hardened)
            subprocess.run(["dpkg", "-x", debs[0], unpacked], check=True)
            problems += check_tree(os.path.join(unpacked, "usr"), args.version, args.hardened)
        try:
            run_row("e2e.window", SCENARIOS["e2e.window"], [os.path.join(unpacked, "usr", "games", "sombrial")],
                    args.artifacts)
        except Exception as problem:
            problems.append("the installed game: %s" % problem)
        for problem in problems:
            print("FAIL install: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
