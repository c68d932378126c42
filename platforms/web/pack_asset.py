#!/usr/bin/python3
"""Packs one embedded image file for the browser: gzip'd, and a 24-bit BMP of at most 256
colours rewritten as an 8-bit BMP with those colours as its palette, when that packs smaller.
The decoder gives the very same pixels from either; the browser downloads and inflates a
third as much.

usage: pack_asset.py INPUT OUTPUT.gz
"""

import gzip
import struct
import sys


def paletted(bmp):
    """The 8-bit BMP of a bottom-up 24-bit BMP's pixels, or None when it has more colours."""
    if bmp[:2] != b"BM" or struct.unpack_from("<IH", bmp, 14)[0] != 40:
        return None
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", bmp, 18)
    offset = struct.unpack_from("<I", bmp, 10)[0]
    if bits != 24 or compression != 0 or width <= 0 or height <= 0:
        return None
    stride, stride8 = (width * 3 + 3) & ~3, (width + 3) & ~3
    colours, rows = {}, []
    for y in range(height):
        row = bmp[offset + y * stride:offset + y * stride + width * 3]
        indices = bytearray()
        for x in range(0, width * 3, 3):
            colour = row[x:x + 3]
            if colour not in colours:
                if len(colours) == 256:
                    return None
                colours[colour] = len(colours)
            indices.append(colours[colour])
        rows.append(bytes(indices) + b"\0" * (stride8 - width))
    palette = b"".join(c + b"\0" for c in colours)  # blue, green, red, unused: as BMP keeps them
    pixels = b"".join(rows)
    start = 54 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", start + len(pixels), 0, 0, start)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 0, 0, len(colours), 0)
    return header + info + palette + pixels


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, "rb") as f:
        data = f.read()
    packed = [gzip.compress(d, 9, mtime=0) for d in (data, paletted(data)) if d]  # no name, no time
    with open(target, "wb") as f:
        f.write(min(packed, key=len))


if __name__ == "__main__":
    main()
