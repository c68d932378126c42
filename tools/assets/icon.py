"""The window icon: one emblem, a flask of the green liquid on a dark disc, at four sizes.

The emblem is drawn large and box-filtered down to each size, so the shapes stay the
same and every size keeps a clear silhouette; the 16-pixel one is still a flask.
"""

from PIL import Image, ImageDraw

SIZES = (16, 32, 48, 64)
KEY = (255, 0, 255)
_BIG = 256


def _master():
    s = _BIG
    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.ellipse((2, 2, s - 3, s - 3), fill=(46, 120, 62, 255))
    d.ellipse((18, 18, s - 19, s - 19), fill=(16, 20, 28, 255))
    d.ellipse((30, 26, s - 31, s - 40), fill=(22, 30, 40, 255))
    # The flask: neck, shoulders, a wide flat base; a pale glass outline.
    glass = [(108, 44), (148, 44), (148, 104), (204, 204), (196, 216), (60, 216), (52, 204),
             (108, 104)]
    d.polygon(glass, fill=(226, 236, 232, 255))
    inner = [(124, 56), (132, 56), (132, 110), (184, 198), (72, 198), (124, 110)]
    d.polygon(inner, fill=(30, 40, 46, 255))
    liquid = [(99, 146), (157, 146), (184, 198), (72, 198)]
    d.polygon(liquid, fill=(132, 230, 70, 255))
    d.polygon([(99, 146), (157, 146), (162, 154), (94, 154)], fill=(200, 255, 150, 255))
    d.rectangle((100, 36, 156, 50), fill=(226, 236, 232, 255))
    for cx, cy, r in ((118, 176, 8), (146, 166, 6), (130, 126, 5)):
        d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=(200, 255, 150, 255))
    return image


def _emblem(size):
    image = _master().resize((size, size), Image.BOX)
    # Hard alpha: the icon formats keep only a one-bit transparency mask.
    alpha = image.split()[3].point(lambda a: 255 if a >= 128 else 0)
    image.putalpha(alpha)
    return image


def emblems():
    """The emblem at 16, 32, 48 and 64 pixels, smallest first (RGBA)."""
    return [_emblem(size) for size in SIZES]


def keyed(emblem):
    """The emblem on the colour-key background, for the embedded window icon."""
    image = Image.new("RGB", emblem.size, KEY)
    image.paste(emblem, mask=emblem.split()[3].point(lambda a: 255 if a >= 128 else 0))
    return image
