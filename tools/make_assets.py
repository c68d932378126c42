#!/usr/bin/python3
"""Makes every embedded asset of the game from code alone, deterministically.

Usage: tools/make_assets.py [OUTPUT_DIR]   (default: assets/data)
Needs Debian's python3-pil, python3-numpy and fonts-dejavu-core. The outputs are committed, so
building the game never runs this.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "art"))

import font_sheet  # noqa: E402
import formats  # noqa: E402
import icon  # noqa: E402
import pictures  # noqa: E402


def main() -> None:
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "assets", "data")
    os.makedirs(out, exist_ok=True)

    def write(name: str, data: bytes) -> None:
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    for name, image in pictures.all_pictures():
        write(name, formats.bmp_bytes(image))
    indices, palette = font_sheet.sheet()
    write("font.tga", formats.tga_bytes(indices, palette))
    emblems = icon.emblems()
    write("icon.ico", formats.ico_bytes(emblems))
    write("icon.bmp", formats.bmp_bytes(icon.keyed(emblems[1])))
    for size in icon.LARGE_SIZES:
        write("icon-%d.png" % size, formats.png_bytes(icon.large(size)))
    write("icon-maskable-512.png", formats.png_bytes(icon.maskable(512)))


if __name__ == "__main__":
    main()
