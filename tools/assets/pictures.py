"""The eight pictures of the game, drawn from code. (Simple first versions.)"""

from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
ROOM = (640, 340)
FULL = (640, 480)


def _labelled(size, colour, label):
    image = Image.new("RGB", size, colour)
    draw = ImageDraw.Draw(image)
    font = ImageFont.truetype(FONT, 36)
    box = draw.textbbox((0, 0), label, font=font)
    x = (size[0] - (box[2] - box[0])) // 2
    y = (size[1] - (box[3] - box[1])) // 2
    draw.text((x, y), label, font=font, fill=(230, 220, 200))
    return image


def all_pictures():
    """(file name, image) for every picture, in catalogue order."""
    return [
        ("title.bmp", _labelled(FULL, (20, 24, 40), "Sombrial")),
        ("laboratory.bmp", _labelled(ROOM, (30, 50, 45), "Laboratorio")),
        ("laboratory-dog.bmp", _labelled(ROOM, (80, 20, 20), "Laboratorio: el perro")),
        ("corridor.bmp", _labelled(ROOM, (45, 45, 55), "Pasillo")),
        ("exit-door.bmp", _labelled(ROOM, (50, 55, 60), "Puerta de salida")),
        ("rest-room.bmp", _labelled(ROOM, (60, 45, 30), "Sala de descanso")),
        ("chapter-end.bmp", _labelled(FULL, (10, 10, 30), "Continuará")),
        ("game-over.bmp", _labelled(FULL, (60, 0, 0), "Has muerto")),
    ]
