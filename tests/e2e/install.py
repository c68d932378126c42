#!/usr/bin/python3
"""Installing like a desktop game: `cmake --install` into a scratch prefix and the Debian
package from `cpack -G DEB`, unpacked with `dpkg -x`, each checked file by file; then the
unpacked program is started in a window and must show its title and end on Escape.

usage: install.py --build DIR --autoplay PATH [--artifacts DIR]
"""

import argparse
import configparser
import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import run  # noqa: E402

ICON_SIZES = (16, 32, 48, 64)
RUNTIME_PACKAGES = ("libsdl1.2debian", "libsdl-image1.2")


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError("%s is no PNG file" % path)
    return struct.unpack(">II", head[16:24])


def check_tree(prefix, problems):
    """The files a desktop game puts under its prefix."""
    program = os.path.join(prefix, "games", "sombrial")
    if not os.access(program, os.X_OK):
        problems.append("no program at games/sombrial")

    entry = os.path.join(prefix, "share", "applications", "sombrial.desktop")
    if not os.path.exists(entry):
        problems.append("no menu entry share/applications/sombrial.desktop")
    else:
        validate = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        if validate.returncode != 0 or validate.stdout.strip():
            problems.append("desktop-file-validate: " + validate.stdout.strip())
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(entry, encoding="utf-8")
        fields = parser["Desktop Entry"]
        expected = {"Type": "Application", "Name": "Sombrial", "Exec": "sombrial",
                    "Icon": "sombrial", "Terminal": "false"}
        for key, value in expected.items():
            if fields.get(key) != value:
                problems.append("desktop entry %s=%r, expected %r" % (key, fields.get(key), value))
        if "Game" not in fields.get("Categories", "").split(";"):
            problems.append("desktop entry is not in the Game category")
        comment = fields.get("Comment", "")
        if not any(word in comment.split() for word in ("de", "los", "en", "el", "la")):
            problems.append("desktop entry comment %r is not in Spanish" % comment)

    for size in ICON_SIZES:
        icon = os.path.join(prefix, "share", "icons", "hicolor", "%dx%d" % (size, size),
                            "apps", "sombrial.png")
        if not os.path.exists(icon):
            problems.append("no %dx%d icon" % (size, size))
        elif png_size(icon) != (size, size):
            problems.append("the %dx%d icon is %dx%d" % ((size, size) + png_size(icon)))


def check_package(deb, problems):
    def field(name):
        return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                              check=True).stdout.strip()

    if field("Package") != "sombrial":
        problems.append("package name %r" % field("Package"))
    if field("Section") != "games":
        problems.append("package section %r" % field("Section"))
    depends = [d.split()[0] for d in field("Depends").replace("|", ",").split(",") if d.strip()]
    for package in RUNTIME_PACKAGES:
        if package not in depends:
            problems.append("the package does not depend on %s (Depends: %s)"
                            % (package, field("Depends")))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--autoplay", required=True)
    parser.add_argument("--artifacts", default=os.path.join(os.getcwd(), "e2e-artifacts"))
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="sombrial-install-")
    problems = []
    try:
        prefix = os.path.join(scratch, "prefix")
        subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],
                       check=True, stdout=subprocess.DEVNULL)
        check_tree(prefix, problems)

        packages = os.path.join(scratch, "packages")
        subprocess.run(["cpack", "--config", os.path.join(args.build, "CPackConfig.cmake"),
                        "-G", "DEB", "-B", packages], check=True, stdout=subprocess.DEVNULL)
        debs = glob.glob(os.path.join(packages, "*.deb"))
        if len(debs) != 1:
            raise AssertionError("cpack made %d .deb files" % len(debs))
        check_package(debs[0], problems)
        unpacked = os.path.join(scratch, "unpacked")
        subprocess.run(["dpkg", "-x", debs[0], unpacked], check=True)
        check_tree(os.path.join(unpacked, "usr"), problems)

        for problem in problems:
            print("FAIL install: " + problem)
        game = os.path.join(unpacked, "usr", "games", "sombrial")
        window = argparse.Namespace(game=game, autoplay=args.autoplay, artifacts=args.artifacts)
        started = run.run(window, "window")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    ok = started and not problems
    print("%d passed, %d failed" % (1 if ok else 0, 0 if ok else 1))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
