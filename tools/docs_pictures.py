#!/usr/bin/python3
"""Copies the embedded pictures to docs/pictures/*.png for the README.

Usage: tools/docs_pictures.py   (run after tools/make_assets.py)
The PNGs hold the very pixels of assets/data/*.bmp; the icon is shown at 64 pixels.
"""

import os

from PIL import Image


def main() -> None:
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data, out = os.path.join(root, "assets", "data"), os.path.join(root, "docs", "pictures")
    os.makedirs(out, exist_ok=True)
    # Every picture the generator made, the icon apart.
    for name in sorted(n[:-4] for n in os.listdir(data) if n.endswith(".bmp") and n != "icon.bmp"):
        Image.open(os.path.join(data, name + ".bmp")).convert("RGB").save(
            os.path.join(out, name + ".png"), optimize=True)
    ico = Image.open(os.path.join(data, "icon.ico"))
    ico.size = (64, 64)
    ico.convert("RGBA").save(os.path.join(out, "icon.png"), optimize=True)


if __name__ == "__main__":
    main()
