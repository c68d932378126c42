"""The narration font's glyph sheet: one row of glyphs separated by marker pixels.

The glyphs are DejaVu Sans (Debian's fonts-dejavu-core, Bitstream Vera licence with
public-domain DejaVu changes) at 19 pixels, hinted by FreeType, in light ink shaded
toward black: the game draws its text on black and keys the white background away.

Rows of the 3711x25 sheet, as the font loader measures them:
  0       marker row: magenta between glyphs, white over each glyph's columns
  1       only accents over capitals reach it (the layouts copy from row 2 on)
  2..21   every other glyph, whole in both the plain draw (rows 1..21) and the layouts
  18      the baseline: the lowest ink row of "a", "b" and "c"
  22      only the deepest descender, "|" (the plain draw stops at row 21)
  23, 24  empty
"""

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SIZE = 19
FRACTION_SIZE = 23   # the vulgar fractions get larger numerals, legible at this size
WIDTH, HEIGHT = 3711, 25
FIRST_COLUMN = 3     # columns 0 to 2 are markers
BASELINE = 18        # lowest ink row of letters standing on the line
LOWEST_ROW = 21      # lowest row for all but the deepest descenders
DEEPEST_ROW = 22
DEEPEST = {"|"}      # may reach DEEPEST_ROW
MARKER, BACKGROUND = 255, 27
INK = (232, 224, 204)  # warm off-white, for text on black
LEVELS = 27            # palette entries 0..26: ink at coverage 1/27 .. 27/27
CHARACTERS = [chr(c) for c in range(33, 127)] + [chr(c) for c in range(161, 256)]

# Widths fixed by the game: "!" is also the width of a space.
FIXED_WIDTHS = {"!": 6}
# Characters drawn with another glyph: the soft hyphen shows as a hyphen.
STAND_INS = {"\xad": "-"}


def _palette():
    palette = [(0, 0, 0)] * 256
    for level in range(LEVELS):
        shade = (level + 1) / LEVELS
        palette[level] = tuple(round(c * shade) for c in INK)
    palette[BACKGROUND] = (255, 255, 255)
    palette[MARKER] = (255, 0, 255)
    return palette


def _fonts():
    basic = ImageFont.Layout.BASIC  # the same hinted outlines with or without raqm
    return {
        SIZE: ImageFont.truetype(FONT, SIZE, layout_engine=basic),
        FRACTION_SIZE: ImageFont.truetype(FONT, FRACTION_SIZE, layout_engine=basic),
    }


def _render(ch, font):
    """Coverage rows (lists of 0..255) of one glyph drawn with its origin at column
    16 and its baseline under row BASELINE; returns (rows, advance)."""
    canvas = Image.new("L", (64, HEIGHT + 8), 0)
    ImageDraw.Draw(canvas).text((16, BASELINE + 1), ch, font=font, fill=255, anchor="ls")
    pixels = list(canvas.getdata())
    rows = [pixels[y * 64:(y + 1) * 64] for y in range(HEIGHT + 8)]
    return rows, font.getlength(ch)


def _level(coverage):
    return (coverage * LEVELS + 127) // 255


def _fit_descender(rows, lowest):
    """Lifts ink below row `lowest` by dropping the most redundant descender rows: the
    row most like the one above it, so stems get shorter and hooks stay crisp."""
    while any(_level(v) for row in rows[lowest + 1:] for v in row):
        candidates = range(BASELINE + 1, lowest + 1)
        drop = min(candidates,
                   key=lambda y: (sum(abs(a - b) for a, b in zip(rows[y], rows[y - 1])), -y))
        del rows[drop]
        rows.append([0] * len(rows[0]))
    return rows


def _glyph(ch, fonts):
    """(cell width, rows of palette levels cropped to the cell) for one character."""
    drawn = STAND_INS.get(ch, ch)
    size = FRACTION_SIZE if ch in "¼½¾" else SIZE
    rows, advance = _render(drawn, fonts[size])
    rows = _fit_descender(rows, DEEPEST_ROW if ch in DEEPEST else LOWEST_ROW)
    levels = [[_level(v) for v in row] for row in rows[:HEIGHT]]
    inked = [x for x in range(64) if any(row[x] for row in levels)]
    left, right = min(inked), max(inked)
    # The advance plus a pixel of air, but never narrower than the ink nor than "!".
    natural = max(int(advance + 0.5) + 1, right - left + 1, FIXED_WIDTHS["!"])
    width = FIXED_WIDTHS.get(ch, natural)
    # The extra pixel of each cell goes after the glyph; a glyph that would not fit
    # is centred.
    start = 16
    if left < start or right >= start + width or ch in FIXED_WIDTHS:
        start = left - (width - (right - left + 1)) // 2
    assert start <= left and right < start + width, ch
    return width, [row[start:start + width] for row in levels]


def glyphs():
    """(character, cell width, rows of palette levels) in sheet order."""
    fonts = _fonts()
    return [(ch,) + _glyph(ch, fonts) for ch in CHARACTERS]


def sheet():
    """(image of palette indices, palette)."""
    image = Image.new("L", (WIDTH, HEIGHT), BACKGROUND)
    pixels = image.load()
    for x in range(WIDTH):
        pixels[x, 0] = MARKER
    cells = glyphs()
    # The room left over is spread evenly between the glyphs as extra marker columns;
    # the row ends with at least one marker.
    gaps = len(cells) - 1
    spare = WIDTH - FIRST_COLUMN - sum(width for _, width, _ in cells) - gaps - 1
    assert spare >= 0, "glyphs overflow the sheet"
    x = FIRST_COLUMN
    for i, (_, width, rows) in enumerate(cells):
        for dx in range(width):
            pixels[x + dx, 0] = BACKGROUND
            for y in range(1, HEIGHT):
                level = rows[y][dx]
                if level:
                    pixels[x + dx, y] = level - 1
        x += width + 1 + (i + 1) * spare // gaps - i * spare // gaps
    return image, _palette()
