"""Exact file writers for the assets: 24-bit BMP, colour-mapped TGA, ICO, RGBA PNG."""

import struct
import zlib

from PIL import Image

PIXELS_PER_METRE = 3779


def bmp_bytes(image: Image.Image) -> bytes:
    """A 24-bit BMP with the game's header fields and its two-byte zero trailer."""
    image = image.convert("RGB")
    width, height = image.size
    row_bytes = width * 3
    padding = b"\0" * ((-row_bytes) % 4)
    pixels = bytearray()
    raw = image.tobytes("raw", "BGR")
    for y in range(height - 1, -1, -1):  # bottom row first
        pixels += raw[y * row_bytes:(y + 1) * row_bytes] + padding
    pixels += b"\0\0"
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels),
                       PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    return header + info + bytes(pixels)


def tga_bytes(indices: Image.Image, palette: list) -> bytes:
    """An uncompressed colour-mapped 8-bit TGA, bottom row first, with a version-2 footer.

    `indices` is a mode "P" or "L" image of palette indices; `palette` holds 256 (r, g, b).
    """
    assert len(palette) == 256
    width, height = indices.size
    header = struct.pack("<BBBHHBHHHHBB", 0, 1, 1, 0, 256, 24, 0, 0, width, height, 8, 0x08)
    colour_map = b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in palette)
    raw = indices.tobytes()
    pixels = b"".join(raw[y * width:(y + 1) * width] for y in range(height - 1, -1, -1))
    footer = struct.pack("<II", 0, 0) + b"TRUEVISION-XFILE.\0"
    return header + colour_map + pixels + footer


def _icon_dib(image: Image.Image) -> bytes:
    """One icon image: 24-bit DIB (double height) followed by its 1-bit transparency mask."""
    image = image.convert("RGBA")
    size = image.size[0]
    colour_row = size * 3
    colour_pad = (-colour_row) % 4
    mask_row = (size + 7) // 8
    mask_pad = (-mask_row) % 4
    colour = bytearray()
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = 0
        row_mask = bytearray()
        for x in range(size):
            r, g, b, a = image.getpixel((x, y))
            transparent = a < 128
            colour += bytes((0, 0, 0) if transparent else (b, g, r))
            bits = (bits << 1) | (1 if transparent else 0)
            if x % 8 == 7:
                row_mask.append(bits)
                bits = 0
        if size % 8:
            row_mask.append(bits << (8 - size % 8))
        colour += b"\0" * colour_pad
        mask += row_mask + b"\0" * mask_pad
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, len(colour) + len(mask),
                       0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def ico_bytes(images: list) -> bytes:
    """An ICO file holding the given square RGBA images, smallest first."""
    dibs = [_icon_dib(image) for image in images]
    offset = 6 + 16 * len(dibs)
    directory = struct.pack("<HHH", 0, 1, len(dibs))
    for image, dib in zip(images, dibs):
        size = image.size[0]
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 24, len(dib), offset)
        offset += len(dib)
    return directory + b"".join(dibs)


def png_bytes(image: Image.Image) -> bytes:
    """An 8-bit RGBA PNG with no metadata chunks: the same pixels give the same bytes."""
    image = image.convert("RGBA")
    width, height = image.size
    raw = image.tobytes()
    rows = b"".join(b"\0" + raw[y * width * 4:(y + 1) * width * 4] for y in range(height))

    def chunk(kind: bytes, data: bytes) -> bytes:
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))
