"""The narration font's glyph sheet: one row of glyphs separated by marker pixels.

(Simple first version: follows the sheet's layout rules, not yet its final metrics.)
"""

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
WIDTH, HEIGHT = 3711, 25
MARKER, BACKGROUND = 255, 27
CHARACTERS = [chr(c) for c in range(33, 127)] + [chr(c) for c in range(161, 256)]


def _palette():
    palette = [(0, 0, 0)] * 256
    for i in range(27):  # ink ramp, black to light
        palette[i] = (i * 9, i * 9, i * 9)
    palette[BACKGROUND] = (255, 255, 255)
    palette[MARKER] = (255, 0, 255)
    return palette


def sheet():
    """(image of palette indices, palette)."""
    font = ImageFont.truetype(FONT, 16)
    image = Image.new("L", (WIDTH, HEIGHT), BACKGROUND)
    draw = ImageDraw.Draw(image)
    draw.line((0, 0, WIDTH - 1, 0), fill=MARKER)
    x = 3
    for ch in CHARACTERS:
        width = max(6, min(23, int(font.getlength(ch)) + 2))
        draw.line((x, 0, x + width - 1, 0), fill=BACKGROUND)
        draw.text((x + 1, 3), ch, font=font, fill=26)
        x += width + 1
    assert x <= WIDTH
    return image, _palette()
