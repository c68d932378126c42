"""The window icon: one emblem at 16, 32, 48 and 64 pixels. (Simple first version.)"""

from PIL import Image, ImageDraw

SIZES = (16, 32, 48, 64)


def _emblem(size):
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    draw.ellipse((0, 0, size - 1, size - 1), fill=(40, 160, 70, 255))
    inset = size // 4
    draw.ellipse((inset, inset, size - 1 - inset, size - 1 - inset), fill=(15, 20, 30, 255))
    return image


def emblems():
    return [_emblem(size) for size in SIZES]


KEY = (255, 0, 255)


def keyed(emblem):
    """The emblem on the colour-key background, for the embedded window icon."""
    image = Image.new("RGB", emblem.size, KEY)
    image.paste(emblem, mask=emblem.split()[3].point(lambda a: 255 if a >= 128 else 0))
    return image
