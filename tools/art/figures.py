"""The figures painted flat over the rooms: the doberman, the rat, the syringe, glassware.

Each figure is drawn from polygons in its own units and placed by `Place`: where its
origin lands on the picture, how many pixels one unit is, and whether it faces left.
`light` is the colour of the light falling on it, so it sits in its room's lighting.
"""

from collections import namedtuple

import numpy as np

import paint

Place = namedtuple("Place", "x y scale mirror", defaults=(False,))


def _pts(place, points):
    s = -place.scale if place.mirror else place.scale
    return [(place.x + px * s, place.y + py * place.scale) for px, py in points]


def _poly(image, place, points):
    h, w = image.shape[:2]
    return paint.polygon(w, h, _pts(place, points))


def _ellipse(image, place, cx, cy, rx, ry):
    h, w = image.shape[:2]
    (x, y), = _pts(place, [(cx, cy)])
    return paint.ellipse(w, h, x, y, rx * place.scale, ry * place.scale)


def _lit(colour, light):
    return paint.rgb(colour) * light


# The doberman sitting in profile, facing right; units: the dog is 100 tall, floor at y 100.
_SIT_BODY = [(4, 86), (7, 66), (16, 48), (28, 38), (40, 40), (47, 52), (46, 66), (40, 80),
             (30, 93), (12, 97)]
_SIT_NECK = [(26, 42), (30, 24), (38, 14), (48, 16), (49, 30), (45, 46)]
_SIT_MUZZLE = [(44, 12), (62, 17), (64, 21), (60, 24), (46, 26), (40, 22)]
_SIT_EARS = [[(36, 12), (37, -5), (44, 9)], [(41, 10), (44, -3), (48, 11)]]
_SIT_LEGS = [[(37, 58), (43, 58), (43, 97), (37, 97)], [(30, 60), (35, 60), (35, 96), (30, 96)]]
_SIT_PAWS = [[(36, 95), (47, 95), (47, 100), (36, 100)], [(29, 94), (38, 94), (38, 99), (29, 99)]]
_SIT_HIND = [(8, 92), (36, 94), (37, 100), (6, 100)]
_SIT_TAIL = [(5, 88), (-2, 84), (-1, 81), (7, 84)]
_SIT_TAN = [[(46, 20), (62, 19), (60, 24), (46, 26)], [(36, 46), (45, 50), (44, 60), (38, 56)]]


def dog_sitting(image, place, light, eye=(250, 236, 180), rim_colour=(150, 170, 190)):
    """The caged dog: still, upright, its head turned on you, eyes catching the light."""
    coat, tan = (26, 22, 24), (132, 74, 36)
    body = np.zeros(image.shape[:2], dtype=np.float32)
    for p in [_SIT_BODY, _SIT_NECK, _SIT_HIND, _SIT_TAIL] + _SIT_LEGS:
        body = np.maximum(body, _poly(image, place, p))
    body = np.maximum(body, _ellipse(image, place, 16, 80, 15, 17))
    paint.put(image, body, _lit(coat, light))
    for p in _SIT_TAN[1:] + _SIT_PAWS:
        paint.put(image, _poly(image, place, p) * body, _lit(tan, light))
    d = -1 if place.mirror else 1
    paint.put(image, paint.rim(body, 0, -1), rim_colour, 0.8)
    paint.put(image, paint.rim(body, -d, 0), rim_colour, 0.6)
    paint.put(image, paint.rim(body, d, 0), rim_colour, 0.4)
    (fx, fy), = _pts(place, [(42, 16)])
    dog_face(image, Place(fx, fy, place.scale * 0.5), light, eye, rim_colour, snarl=False)
    return body


# The loose dog stalking in profile, facing right, hackles up, its head turned full on
# the viewer (drawn by dog_face). Units: floor at y 100, about 110 long.
_RUN_BODY = [(10, 48), (22, 42), (40, 40), (52, 37), (62, 34), (72, 31), (80, 31), (88, 34),
             (96, 42), (102, 58), (98, 72), (86, 72), (72, 62), (56, 57), (38, 59), (22, 64),
             (8, 60)]
_RUN_HIND = [(8, 52), (28, 50), (33, 64), (25, 80), (31, 96), (25, 100), (15, 100), (18, 84),
             (10, 70)]
_RUN_HIND2 = [(24, 58), (38, 58), (40, 72), (38, 86), (44, 97), (38, 100), (32, 97), (30, 86),
              (28, 74)]
_RUN_FRONT = [(82, 64), (95, 64), (93, 90), (100, 100), (87, 100), (83, 92)]
_RUN_FRONT2 = [(70, 62), (80, 62), (78, 90), (83, 99), (72, 99), (70, 90)]
_RUN_TAIL = [(10, 48), (3, 38), (6, 36), (14, 46)]
_RUN_TAN = [[(84, 92), (94, 92), (100, 100), (86, 100)], [(16, 94), (30, 94), (31, 100),
                                                        (14, 100)]]


def dog_loose(image, place, light, eye=(255, 60, 40), rim_colour=(255, 80, 60)):
    """The infected dog out of its cage: hackles up, head turned on you, fangs bared."""
    coat, tan = (12, 9, 10), (120, 62, 30)
    body = np.zeros(image.shape[:2], dtype=np.float32)
    far = np.zeros_like(body)
    for p in (_RUN_HIND2, _RUN_FRONT2):
        far = np.maximum(far, _poly(image, place, p))
    paint.put(image, far, _lit((12, 10, 12), light))
    paint.put(image, paint.rim(far, 0, -1), rim_colour, 0.4)
    for p in (_RUN_BODY, _RUN_HIND, _RUN_FRONT, _RUN_TAIL):
        body = np.maximum(body, _poly(image, place, p))
    ys = np.nonzero(body.any(axis=1))[0]
    top, bottom = (ys.min(), ys.max()) if len(ys) else (0, 1)
    # Lit from above and behind: a dull red sheen over the back, black below.
    sheen = paint.vgrad(image.shape[1], image.shape[0], top, top + (bottom - top) * 0.45,
                        (70, 20, 20), coat)
    paint.put(image, body, sheen * light)
    for p in _RUN_TAN:
        paint.put(image, _poly(image, place, p) * body, _lit(tan, light))
    paint.put(image, paint.rim(body, 0, -1), rim_colour, 0.9)
    d = -1 if place.mirror else 1
    paint.put(image, paint.rim(body, -d, 0), rim_colour, 0.5)
    (fx, fy), = _pts(place, [(102, 46)])
    dog_face(image, Place(fx, fy, place.scale * 0.72), light, eye, rim_colour)
    return body


def rat(image, place, light):
    """A small rat lying on its side, limp; units: 30 long, belly at y 0."""
    fur, pink = (150, 128, 108), (206, 140, 136)
    h, w = image.shape[:2]
    tail = paint.line(w, h, _pts(place, [(-2, -2), (-8, -1), (-13, 1), (-18, 0), (-22, -2)]),
                      max(1, place.scale * 0.9))
    paint.put(image, tail, _lit(pink, light))
    body = _ellipse(image, place, 8, -4, 10, 4.5)
    head = _poly(image, place, [(14, -8), (22, -6), (27, -2), (22, 0), (14, 0)])
    m = np.maximum(body, head)
    paint.put(image, m, _lit(fur, light))
    paint.put(image, paint.rim(m, 0, 1), _lit((90, 90, 92), light))
    paint.put(image, paint.rim(m, 0, -1), _lit((230, 230, 222), light))
    paint.put(image, _ellipse(image, place, 17, -7, 2, 1.6), _lit(pink, light))
    paint.put(image, _poly(image, place, [(20, -4), (22, -4), (22, -3.4), (20, -3.4)]),
              (30, 24, 26))
    for fx in (4, 9, 15):
        paint.put(image, _poly(image, place, [(fx, -1), (fx + 2, -1), (fx + 3, 1), (fx + 1, 1)]),
                  _lit(pink, light))


def syringe(image, place, light, full=True):
    """A syringe lying flat: barrel with green liquid, plunger, needle; 40 units long."""
    h, w = image.shape[:2]
    paint.put(image, _poly(image, place, [(-6, -1.6), (0, -1.6), (0, 1.6), (-6, 1.6)]),
              _lit((170, 174, 178), light))
    paint.put(image, _poly(image, place, [(-8, -3.2), (-6, -3.2), (-6, 3.2), (-8, 3.2)]),
              _lit((150, 154, 160), light))
    barrel = _poly(image, place, [(0, -2.6), (26, -2.6), (26, 2.6), (0, 2.6)])
    paint.put(image, barrel, _lit((190, 200, 200), light), 0.9)
    if full:
        liquid = _poly(image, place, [(4, -1.8), (26, -1.8), (26, 1.8), (4, 1.8)])
        paint.put(image, liquid, (140, 235, 80))
        gx, gy = _pts(place, [(15, 0)])[0]
        paint.glow(image, gx, gy, 14 * place.scale, (90, 200, 60), 0.55)
    paint.put(image, _poly(image, place, [(26, -1.4), (29, -1.4), (29, 1.4), (26, 1.4)]),
              _lit((200, 204, 208), light))
    paint.put(image, paint.line(w, h, _pts(place, [(29, 0), (40, 0)]), 1),
              _lit((215, 220, 222), light))
    paint.put(image, paint.rim(barrel, 0, -1), (240, 250, 240), 0.8)


def flask(image, x, y, height, kind, liquid, light, level=0.55, glowing=False):
    """A piece of glassware standing with its base at (x, y), `height` pixels tall."""
    h, w = image.shape[:2]
    s = height / 10.0
    shapes = {
        "erlenmeyer": [(-1, 0), (-1, 4), (-4.5, 9.4), (-4, 10), (4, 10), (4.5, 9.4), (1, 4),
                       (1, 0)],
        "beaker": [(-3, 1), (3, 1), (3, 10), (-3, 10)],
        "tube": [(-0.8, 0), (0.8, 0), (0.8, 9.4), (0, 10), (-0.8, 9.4)],
        "bottle": [(-1, 0), (1, 0), (1, 2), (2.6, 3.4), (2.6, 10), (-2.6, 10), (-2.6, 3.4),
                   (-1, 2)],
    }
    pts = [(x + px * s, y - height + py * s) for px, py in shapes.get(kind, shapes["beaker"])]
    glass = paint.polygon(w, h, pts)
    if kind == "round":
        glass = np.maximum(paint.ellipse(w, h, x, y - 3.5 * s, 3.6 * s, 3.6 * s),
                           paint.polygon(w, h, [(x - s, y - height), (x + s, y - height),
                                                (x + s, y - 6 * s), (x - s, y - 6 * s)]))
    paint.put(image, glass, paint.rgb((120, 140, 150)) * light, 0.35)
    top = y - height * level
    fill = glass * (np.arange(h, dtype=np.float32)[:, None] >= top)
    colour = paint.rgb(liquid) * (1.3 if glowing else 1.0) if glowing else \
        paint.rgb(liquid) * light
    paint.put(image, fill, colour, 0.9)
    paint.put(image, paint.rim(glass, -1, 0), paint.rgb((220, 235, 235)) * np.maximum(light, 0.5),
              0.7)
    if glowing:
        paint.glow(image, x, y - height * level * 0.5, height * 0.9, liquid, 0.18)


# The doberman's head seen from the front, snarling; units: 40 wide, ear tips at y -30,
# chin at y 48, centre line x 0.
_FACE_EARS = [[(-13, -4), (-21, -30), (-5, -8)], [(13, -4), (21, -30), (5, -8)]]
_FACE_SKULL = [(-13, -8), (13, -8), (17, 4), (12, 18), (9, 33), (-9, 33), (-12, 18), (-17, 4)]
_FACE_MUZZLE_TAN = [[(-10, 20), (-4, 24), (-5, 33), (-9, 33)], [(10, 20), (4, 24), (5, 33),
                                                                (9, 33)]]
_FACE_MOUTH = [(-11, 33), (11, 33), (9, 44), (4, 48), (-4, 48), (-9, 44)]
_FACE_FANGS_UP = [[(-8, 33), (-5.5, 33), (-6.5, 41)], [(8, 33), (5.5, 33), (6.5, 41)]]
_FACE_FANGS_LOW = [[(-7, 46), (-4.5, 46), (-6, 39)], [(7, 46), (4.5, 46), (6, 39)]]


def dog_face(image, place, light, eye=(255, 60, 40), rim_colour=(255, 80, 60), snarl=True):
    """The dog's head turned full on the viewer: ears up, eyes burning, fangs bared
    (or, without `snarl`, the mouth shut and the eyes only catching the light)."""
    coat, tan = (22, 18, 20), (124, 64, 30)
    head = np.zeros(image.shape[:2], dtype=np.float32)
    for p in [_FACE_SKULL] + _FACE_EARS:
        head = np.maximum(head, _poly(image, place, p))
    paint.put(image, head, _lit(coat, light))
    for p in _FACE_MUZZLE_TAN:
        paint.put(image, _poly(image, place, p), _lit(tan, light))
    for sx in (-1, 1):
        paint.put(image, _ellipse(image, place, 7 * sx, -2, 3, 2), _lit(tan, light))
        paint.put(image, _poly(image, place, [(-13 * sx, -2), (-7 * sx, -4), (-17 * sx, -22)]),
                  _lit((70, 40, 40), light))
    if snarl:
        paint.put(image, _poly(image, place, _FACE_MOUTH), (96, 12, 16))
        paint.put(image, _poly(image, place, [(-6, 36), (6, 36), (4, 44), (-4, 44)]),
                  (50, 6, 8))
        for p in _FACE_FANGS_UP + _FACE_FANGS_LOW:
            paint.put(image, _poly(image, place, p), (236, 228, 204))
        for i in range(4):  # incisors
            x = -3.6 + i * 2.4
            paint.put(image, _poly(image, place, [(x - 1, 33), (x + 1, 33), (x, 35.5)]),
                      (210, 204, 186))
    else:
        paint.put(image, _poly(image, place, [(-7, 33), (7, 33), (5, 38), (-5, 38)]),
                  _lit(tan, light))
    paint.put(image, _ellipse(image, place, 0, 30, 5, 3.2), (8, 8, 10))
    paint.put(image, _ellipse(image, place, -1.5, 29, 1.6, 0.9), (110, 110, 120))
    for sx in (-1, 1) if snarl else ():  # snarl wrinkles across the muzzle
        paint.put(image, _poly(image, place, [(3 * sx, 14), (8 * sx, 17), (8 * sx, 18),
                                              (3 * sx, 15)]), _lit((60, 50, 56), light))
    paint.put(image, paint.rim(head, 0, -1), rim_colour, 0.9)
    paint.put(image, paint.rim(head, 1, 0), rim_colour, 0.6)
    paint.put(image, paint.rim(head, -1, 0), rim_colour, 0.6)
    for sx in (-1, 1):
        if snarl:
            e = _poly(image, place, [(-10 * sx, 4), (-3 * sx, 6), (-4 * sx, 8.4), (-9 * sx, 7)])
        else:
            e = _ellipse(image, place, -7 * sx, 6, 2.4, 1.9)
        paint.put(image, e, eye)
        (gx, gy), = _pts(place, [(-7 * sx, 6)])
        paint.glow(image, gx, gy, 6 * place.scale, eye, 0.6 if snarl else 0.25)
    return head


# The double-barrelled shotgun lying level, stock at the left; units: 100 long,
# the top of the barrels at y 0.
_GUN_STOCK = [(0, 5), (4, 2.5), (30, 1.5), (35, 3.5), (37, 8), (33, 9), (27, 9.5), (14, 11.5),
              (2, 14), (0, 13.5)]
_GUN_ACTION = [(30, 1.5), (45, 0.5), (45, 6.5), (39, 7.5), (37, 8), (35, 3.5)]
_GUN_FOREND = [(45, 3), (64, 3.2), (64, 6), (47, 7)]
_GUN_BARRELS = [(44, 0), (100, 0.6), (100, 3.6), (44, 4)]


def shotgun(image, place, light, shadow=(3, 4)):
    """The shotgun on its pegs, with its shadow on the wall behind it."""
    gun = np.zeros(image.shape[:2], dtype=np.float32)
    for p in (_GUN_STOCK, _GUN_ACTION, _GUN_FOREND, _GUN_BARRELS):
        gun = np.maximum(gun, _poly(image, place, p))
    guard = _ellipse(image, place, 40.5, 8, 3.2, 2.6) * (1 - _ellipse(image, place, 40.5, 8,
                                                                          2.0, 1.5))
    gun = np.maximum(gun, guard * (1 - _poly(image, place, _GUN_ACTION)))
    paint.shade(image, paint.shift(gun, *shadow), 0.45)
    wood, steel = (112, 64, 34), (72, 78, 88)
    paint.put(image, gun, _lit(wood, light))
    for p, colour in ((_GUN_ACTION, (96, 100, 108)), (_GUN_BARRELS, steel)):
        paint.put(image, _poly(image, place, p), _lit(colour, light))
    paint.put(image, guard, _lit((60, 62, 68), light))
    paint.put(image, paint.rim(gun, 0, -1), np.minimum(_lit((210, 190, 160), light) * 1.2, 1))
    h, w = image.shape[:2]
    paint.put(image, paint.line(w, h, _pts(place, [(45, 2.2), (100, 2.4)]), 1),
              _lit((30, 32, 36), light))  # the seam between the two barrels
    paint.put(image, paint.line(w, h, _pts(place, [(2, 12), (14, 10.5), (27, 8.5)]), 1),
              _lit((90, 46, 22), light))  # grain along the stock
    for x in (22, 74):  # the two pegs it rests on
        (px, py), = _pts(place, [(x, 4)])
        paint.put(image, paint.rect(w, h, px - 1, py, px + 1, py + 3), _lit((170, 140, 60), light))
    return gun
