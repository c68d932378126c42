#!/usr/bin/python3
"""Checks on the committed assets that the C++ tests do not make.

  check_assets.py reproduce ROOT   the generator, run afresh, rebuilds assets/data byte for byte
  check_assets.py icon ROOT        icon.ico holds the four 24-bit images of the window icon,
                                   and icon.bmp is the 32-pixel one on the magenta key
  check_assets.py docs ROOT        the README's PNG copies show the committed pictures
"""

import filecmp
import os
import struct
import subprocess
import sys
import tempfile

ICON_IMAGES = [(16, 872), (32, 3240), (48, 7336), (64, 12840)]


def reproduce(root):
    data = os.path.join(root, "assets", "data")
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["/usr/bin/python3", os.path.join(root, "tools", "make_assets.py"), out],
                       check=True)
        made, committed = sorted(os.listdir(out)), sorted(os.listdir(data))
        problems = []
        if made != committed:
            problems.append("files differ: made %s, committed %s" % (made, committed))
        for name in sorted(set(made) & set(committed)):
            if not filecmp.cmp(os.path.join(out, name), os.path.join(data, name), shallow=False):
                problems.append("%s is not what the generator makes" % name)
    return problems


def icon(root):
    problems = []
    with open(os.path.join(root, "assets", "data", "icon.ico"), "rb") as f:
        ico = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", ico, 0)
    if (reserved, kind, count) != (0, 1, len(ICON_IMAGES)):
        return ["icon header is %r, want (0, 1, 4)" % ((reserved, kind, count),)]
    offset = 6 + 16 * count
    for i, (size, length) in enumerate(ICON_IMAGES):
        w, h, colours, res, planes, bits, nbytes, at = struct.unpack_from("<BBBBHHII", ico,
                                                                          6 + 16 * i)
        got = (w, h, colours, res, planes, bits, nbytes, at)
        want = (size, size, 0, 0, 1, 24, length, offset)
        offset += length
        if got != want:
            problems.append("directory entry %d is %r, want %r" % (i, got, want))
            continue
        header = struct.unpack_from("<IiiHHI", ico, at)
        if header != (40, size, 2 * size, 1, 24, 0):
            problems.append("image %d has header %r" % (i, header))
    if offset != len(ico):
        problems.append("icon.ico is %d bytes, its images end at %d" % (len(ico), offset))
    with open(os.path.join(root, "assets", "data", "icon.bmp"), "rb") as f:
        bmp = f.read()
    width, height, _, bits = struct.unpack_from("<iiHH", bmp, 18)
    if (width, height, bits) != (32, 32, 24):
        problems.append("icon.bmp is %dx%d at %d bits" % (width, height, bits))
    elif bmp[54:57] != b"\xff\x00\xff":  # a corner, outside the round emblem: the key colour
        problems.append("icon.bmp's corner is not the magenta key")
    return problems


def docs(root):
    from PIL import Image
    problems = []
    data, shown = os.path.join(root, "assets", "data"), os.path.join(root, "docs", "pictures")
    for name in sorted(os.listdir(data)):
        if not name.endswith(".bmp") or name == "icon.bmp":
            continue
        png = os.path.join(shown, name[:-4] + ".png")
        if not os.path.exists(png):
            problems.append("%s is missing" % png)
            continue
        a = Image.open(os.path.join(data, name)).convert("RGB")
        b = Image.open(png).convert("RGB")
        if a.size != b.size or a.tobytes() != b.tobytes():
            problems.append("%s differs from %s: run tools/docs_pictures.py" % (png, name))
    return problems


def main():
    check, root = sys.argv[1], os.path.abspath(sys.argv[2])
    problems = {"reproduce": reproduce, "icon": icon, "docs": docs}[check](root)
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
