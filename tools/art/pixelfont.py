"""A tiny 3x5 pixel font for signs and labels painted into the pictures."""

import numpy as np

import paint

_GLYPHS = {
    "A": "010101111101101", "B": "110101110101110", "C": "011100100100011",
    "D": "110101101101110", "E": "111100110100111", "F": "111100110100100",
    "G": "011100101101011", "H": "101101111101101", "I": "111010010010111",
    "L": "100100100100111", "M": "101111111101101", "N": "110101101101101",
    "O": "010101101101010", "P": "110101110100100", "R": "110101110101101",
    "S": "011100010001110", "T": "111010010010010", "U": "101101101101111",
    "V": "101101101101010", "Z": "111001010100111", "0": "111101101101111",
    "1": "010110010010111", "2": "110001010100111", "3": "110001010001110",
    "4": "101101111001001", "5": "111100110001110", "6": "011100111101111",
    "7": "111001010010010", "8": "111101111101111", "9": "111101111001110",
    "^": "010111010010010", "<": "000010111010000", "v": "010010010111010",
    ">": "000010111010000"[::-1], "-": "000000111000000", ".": "000000000000010",
    " ": "000000000000000", "!": "010010010000010",
}


def text_mask(w, h, x, y, text, scale=1):
    """A mask of `text` in the 3x5 font with its top-left corner at (x, y)."""
    m = np.zeros((h, w), dtype=np.float32)
    for i, ch in enumerate(text):
        bits = _GLYPHS.get(ch, _GLYPHS[" "])
        for k, bit in enumerate(bits):
            if bit == "1":
                px = int(x) + (i * 4 + k % 3) * scale
                py = int(y) + (k // 3) * scale
                m[max(0, py):max(0, py + scale), max(0, px):max(0, px + scale)] = 1
    return m


def width(text, scale=1):
    return (len(text) * 4 - 1) * scale


def put_text(image, x, y, text, colour, scale=1):
    h, w = image.shape[:2]
    paint.put(image, text_mask(w, h, x, y, text, scale), colour)
