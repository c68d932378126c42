"""Pixel-art painting helpers: float canvases, hard-edged shapes, noise, palette finish.

Every picture is painted at half size (one logical pixel is 2x2 pixels of the file)
into a float RGB array in 0..1, then reduced to the shared palette with an ordered
dither. Nothing here is random: noise comes from an integer hash of the coordinates.
"""

import numpy as np
from PIL import Image, ImageDraw

# The one palette of every picture: cool greys, warm browns, lamp ambers, sick greens,
# teals, blood reds, dog tans, yellows, night blues, pinks and a dusk purple.
PALETTE = np.array([
    (6, 7, 10), (12, 13, 19), (19, 21, 29), (27, 30, 40), (37, 41, 53), (49, 54, 68),
    (63, 69, 84), (80, 87, 102), (100, 107, 121), (124, 131, 142), (152, 158, 165),
    (185, 189, 191), (220, 222, 218),
    (22, 15, 12), (36, 24, 18), (54, 36, 25), (74, 50, 32), (98, 66, 40), (126, 88, 52),
    (160, 116, 70), (196, 150, 96),
    (226, 184, 112), (244, 214, 150), (252, 240, 200),
    (12, 22, 18), (20, 36, 28), (30, 54, 40), (44, 76, 52), (62, 102, 62), (86, 134, 70),
    (122, 170, 78), (160, 214, 92), (208, 246, 150),
    (16, 32, 38), (24, 48, 56), (36, 68, 76), (56, 96, 102), (86, 130, 130),
    (30, 8, 10), (52, 12, 14), (80, 18, 18), (112, 26, 24), (150, 36, 30), (192, 56, 40),
    (232, 96, 70),
    (98, 52, 26), (138, 78, 38), (176, 110, 56),
    (150, 120, 30), (206, 170, 50), (244, 216, 90),
    (10, 12, 26), (16, 22, 44), (26, 36, 68), (42, 56, 96), (70, 88, 132),
    (176, 112, 110), (220, 160, 150),
    (40, 24, 48), (68, 44, 80),
], dtype=np.float32) / 255.0

# Perceptual weights for the nearest-colour search (green counts most, blue least).
_WEIGHTS = np.array([0.9, 1.2, 0.6], dtype=np.float32)

_BAYER = np.array([
    [0, 32, 8, 40, 2, 34, 10, 42], [48, 16, 56, 24, 50, 18, 58, 26],
    [12, 44, 4, 36, 14, 46, 6, 38], [60, 28, 52, 20, 62, 30, 54, 22],
    [3, 35, 11, 43, 1, 33, 9, 41], [51, 19, 59, 27, 49, 17, 57, 25],
    [15, 47, 7, 39, 13, 45, 5, 37], [63, 31, 55, 23, 61, 29, 53, 21],
], dtype=np.float32) / 64.0 - 0.5


def rgb(colour):
    """A colour given as 0..255 numbers, as a float vector in 0..1."""
    return np.array(colour, dtype=np.float32) / 255.0


def canvas(w, h, colour=(0, 0, 0)):
    image = np.empty((h, w, 3), dtype=np.float32)
    image[:] = rgb(colour)
    return image


def mask(w, h, draw):
    """A 0/1 float mask of what `draw(ImageDraw)` paints with fill 255 (no anti-aliasing)."""
    image = Image.new("L", (w, h), 0)
    draw(ImageDraw.Draw(image))
    return np.asarray(image, dtype=np.float32) / 255.0


def polygon(w, h, points):
    return mask(w, h, lambda d: d.polygon([tuple(map(float, p)) for p in points], fill=255))


def ellipse(w, h, cx, cy, rx, ry):
    return mask(w, h, lambda d: d.ellipse((cx - rx, cy - ry, cx + rx, cy + ry), fill=255))


def rect(w, h, x0, y0, x1, y1):
    m = np.zeros((h, w), dtype=np.float32)
    m[max(0, int(round(y0))):max(0, int(round(y1))), max(0, int(round(x0))):max(0, int(round(x1)))] = 1
    return m


def line(w, h, points, width=1):
    return mask(w, h, lambda d: d.line([tuple(map(float, p)) for p in points], fill=255,
                                       width=int(width)))


def put(image, m, colour, alpha=1.0):
    """Paints `colour` (0..255 tuple, 0..1 vector or a whole HxWx3 array) through mask `m`."""
    if isinstance(colour, tuple):
        colour = rgb(colour)
    a = (m * alpha)[..., None]
    image *= 1 - a
    image += a * colour


def shade(image, m, factor):
    """Multiplies the colours under mask `m` by `factor` (a number or a 3-vector)."""
    f = np.asarray(factor, dtype=np.float32)
    image *= 1 + m[..., None] * (f - 1)


def shift(m, dx, dy):
    """Mask moved by (dx, dy) whole pixels, with zeros coming in."""
    out = np.zeros_like(m)
    h, w = m.shape
    out[max(0, dy):h + min(0, dy), max(0, dx):w + min(0, dx)] = \
        m[max(0, -dy):h - max(0, dy), max(0, -dx):w - max(0, dx)]
    return out


def rim(m, dx, dy):
    """The pixels of `m` on its edge facing direction (dx, dy): where light catches it."""
    return m * (1 - shift(m, -dx, -dy))


def hash01(w, h, k=0):
    """Per-pixel hash noise in 0..1, the same for the same (w, h, k)."""
    y, x = np.mgrid[0:h, 0:w].astype(np.uint32)
    v = x * np.uint32(374761393) + y * np.uint32(668265263) + np.uint32(k * 2246822519 % 2**32)
    v = (v ^ (v >> np.uint32(13))) * np.uint32(1274126177)
    v = v ^ (v >> np.uint32(16))
    return (v & np.uint32(0xFFFF)).astype(np.float32) / 65535.0


def smooth_noise(w, h, cell, k=0, octaves=3):
    """Value noise in 0..1 with features about `cell` pixels wide, a few octaves summed."""
    total = np.zeros((h, w), dtype=np.float32)
    weight = 0.0
    amp = 1.0
    for o in range(octaves):
        gw, gh = max(2, int(w / cell) + 2), max(2, int(h / cell) + 2)
        grid = Image.fromarray(hash01(gw, gh, k * 31 + o))
        total += amp * np.asarray(grid.resize((w, h), Image.BICUBIC), dtype=np.float32)
        weight += amp
        amp *= 0.5
        cell = max(1.0, cell / 2)
    return np.clip(total / weight, 0, 1)


def vgrad(w, h, y0, y1, c0, c1):
    """A vertical gradient from colour c0 at row y0 to c1 at row y1 (clamped outside)."""
    t = np.clip((np.arange(h, dtype=np.float32) - y0) / max(1e-6, y1 - y0), 0, 1)
    c = rgb(c0)[None, :] * (1 - t[:, None]) + rgb(c1)[None, :] * t[:, None]
    return np.broadcast_to(c[:, None, :], (h, w, 3)).copy()


def radial(w, h, cx, cy, rx, ry=None):
    """1 at (cx, cy) falling smoothly to 0 at the ellipse of radii (rx, ry)."""
    ry = rx if ry is None else ry
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    d = np.sqrt(((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2)
    t = np.clip(1 - d, 0, 1)
    return t * t * (3 - 2 * t)


def glow(image, cx, cy, radius, colour, strength=1.0, ry=None):
    """Adds light around a point (a lamp's halo, a glowing liquid)."""
    image += radial(image.shape[1], image.shape[0], cx, cy, radius, ry)[..., None] \
        * rgb(colour) * strength


QUIET_ROWS = 8


def quiet_bottom(image, rows=QUIET_ROWS, fade=14):
    """Darkens the lowest rows to a near-black band, for the narration below (finish with
    quiet=QUIET_ROWS to make the band one plain colour)."""
    h = image.shape[0]
    t = np.clip((np.arange(h, dtype=np.float32) - (h - rows - fade)) / fade, 0, 1)
    image *= (1 - t)[:, None, None]
    image += (t[:, None, None] * rgb((6, 7, 10)))
    image[h - rows:] = rgb((6, 7, 10))


def vignette(image, strength=0.5):
    h, w = image.shape[:2]
    y, x = np.mgrid[0:h, 0:w].astype(np.float32)
    d = ((x - w / 2) / (w / 2)) ** 2 + ((y - h / 2) / (h / 2)) ** 2
    image *= (1 - strength * np.clip(d - 0.35, 0, 1.5) / 1.5)[..., None]


def finish(image, dither=0.09, quiet=0):
    """Reduces to the palette with an ordered dither and doubles every pixel: the file image.

    The lowest `quiet` rows become one plain colour, the darkest of the palette.
    """
    h, w = image.shape[:2]
    bayer = np.tile(_BAYER, (h // 8 + 1, w // 8 + 1))[:h, :w]
    image = np.clip(image, 0, 1)
    # Less dither in the shadows, so that blacks stay black and figures keep their shape.
    amount = dither * np.clip(0.25 + 3 * image.max(axis=2), 0, 1)
    flat = (image + (bayer * amount)[..., None]).reshape(-1, 3)
    index = np.empty(flat.shape[0], dtype=np.int64)
    pal = PALETTE * _WEIGHTS
    for start in range(0, flat.shape[0], 16384):
        part = flat[start:start + 16384] * _WEIGHTS
        d = ((part[:, None, :] - pal[None, :, :]) ** 2).sum(axis=2)
        index[start:start + 16384] = d.argmin(axis=1)
    if quiet:
        index[(h - quiet) * w:] = 0
    pixels = np.round(PALETTE[index] * 255).astype(np.uint8).reshape(h, w, 3)
    return Image.fromarray(pixels, "RGB").resize((w * 2, h * 2), Image.NEAREST)
