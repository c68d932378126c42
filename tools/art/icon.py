"""The game's emblem, a flask of the green liquid on a dark disc: the window icon at four
sizes, and the large icons of software centres and of the installed web page.

The emblem is drawn large and box-filtered down to each size, so the shapes stay the
same and every size keeps a clear silhouette; the 16-pixel one is still a flask.
"""

from PIL import Image, ImageDraw

SIZES = (16, 32, 48, 64)
# Software centres want 128 and 256 pixels; an installed web page, 192 and 512.
LARGE_SIZES = (128, 192, 256, 512)
KEY = (255, 0, 255)
# The page's background: a maskable icon's full square is filled with it.
BACKGROUND = (12, 12, 16, 255)
_BIG = 256


def _master(s=_BIG):
    """The emblem drawn at s pixels; the shapes are laid out on a 256-pixel grid."""
    k = s / _BIG

    def at(*values):
        return [v * k for v in values]

    image = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.ellipse(at(2, 2, 253, 253), fill=(46, 120, 62, 255))
    d.ellipse(at(18, 18, 237, 237), fill=(16, 20, 28, 255))
    d.ellipse(at(30, 26, 225, 216), fill=(22, 30, 40, 255))
    # The flask: neck, shoulders, a wide flat base; a pale glass outline.
    glass = [(108, 44), (148, 44), (148, 104), (204, 204), (196, 216), (60, 216), (52, 204),
             (108, 104)]
    d.polygon([tuple(at(*p)) for p in glass], fill=(226, 236, 232, 255))
    inner = [(124, 56), (132, 56), (132, 110), (184, 198), (72, 198), (124, 110)]
    d.polygon([tuple(at(*p)) for p in inner], fill=(30, 40, 46, 255))
    liquid = [(99, 146), (157, 146), (184, 198), (72, 198)]
    d.polygon([tuple(at(*p)) for p in liquid], fill=(132, 230, 70, 255))
    shine = [(99, 146), (157, 146), (162, 154), (94, 154)]
    d.polygon([tuple(at(*p)) for p in shine], fill=(200, 255, 150, 255))
    d.rectangle(at(100, 36, 156, 50), fill=(226, 236, 232, 255))
    for cx, cy, r in ((118, 176, 8), (146, 166, 6), (130, 126, 5)):
        d.ellipse(at(cx - r, cy - r, cx + r, cy + r), fill=(200, 255, 150, 255))
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


def large(size):
    """The emblem at a large size with its soft edge (RGBA), drawn at four times the
    largest size and box-filtered down."""
    return _master(4 * LARGE_SIZES[-1]).resize((size, size), Image.BOX)


def maskable(size):
    """The emblem for launchers that cut icons to their own shape: the whole square in the
    page's colour, the emblem inside the central circle that every mask keeps (80%)."""
    image = Image.new("RGBA", (size, size), BACKGROUND)
    inner = size * 3 // 4
    emblem = large(inner)
    at = (size - inner) // 2
    image.alpha_composite(emblem, (at, at))
    return image
