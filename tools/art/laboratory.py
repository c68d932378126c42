"""The laboratory in its two states: the dog caged and watching, and the dog loose.

Both pictures share one room, one viewpoint and one set of furniture; the loose-dog
picture opens the cage, puts out the lamp over the table and lights the room red.
"""

import numpy as np

import figures
import paint
import scene
from figures import Place
from scene import Camera, Light

CAM = Camera(320, 170, 190.0, 160.0, 60.0, 1.65)
ROOM = dict(x0=-2.3, x1=2.3, y1=2.6, z1=4.1)
CAGE_Z, CAGE_X0, CAGE_W, CAGE_Y = 3.6, -2.2, 0.78, (0.72, 1.72)
DOG_CAGE = 1
LAMP = (0.15, 2.02, 2.3)
TABLE = ((-0.75, 0.86, 1.95), (1.05, 0.92, 2.65))


def _wall(u_axis, k):
    """Tiled up to 1.5 m, painted concrete above: an old institutional basement wall."""
    tiled = scene.tiles((168, 178, 170), (92, 100, 96), 0.25, u_axis, 1, grime=0.4, k=k)
    plaster = scene.concrete((120, 128, 118), k=k + 7, stains=0.45)

    def texture(points, w, h):
        low = (points[1] < 1.5)[..., None]
        band = (np.abs(points[1] - 1.52) < 0.03)[..., None]
        out = np.where(low, tiled(points, w, h), plaster(points, w, h))
        return np.where(band, paint.rgb((60, 70, 66)), out)
    return texture


def _textures():
    return {"floor": scene.tiles((66, 72, 72), (26, 30, 30), 0.5, 0, 2, grime=0.5, k=1),
            "ceiling": scene.concrete((86, 88, 88), k=2),
            "left": _wall(2, 3), "right": _wall(2, 4), "back": _wall(0, 5)}


def _lights(loose):
    if loose:
        return [Light((-0.6, 2.3, 3.95), (255, 40, 30), 2.2, 1.6),
                Light((0.15, 1.9, 2.3), (255, 60, 40), 0.5, 1.4),
                Light((1.9, 1.2, 3.8), (120, 220, 90), 0.35, 0.6)], (30, 10, 14)
    return [Light(LAMP, (255, 236, 190), 1.7, 1.3, (0, -1, 0.05), 0.5),
            Light((-0.6, 1.95, 3.3), (170, 200, 215), 1.1, 1.3),
            Light((LAMP[0], 2.3, LAMP[2]), (190, 200, 180), 0.55, 1.8),
            Light((1.9, 1.2, 3.8), (120, 220, 90), 0.45, 0.6)], (24, 30, 40)


def _pipes(image, lights, ambient):
    for x, y, r, c in [(-2.18, 2.46, 0.06, (120, 96, 70)), (-1.98, 2.52, 0.04, (90, 100, 96)),
                       (-2.22, 2.2, 0.035, (150, 120, 60)), (2.15, 2.42, 0.07, (100, 110, 104)),
                       (1.95, 2.5, 0.04, (120, 90, 60)), (2.2, 2.15, 0.03, (160, 50, 40))]:
        light = scene.light_at((x, y, 3.0), (0, -1, 0), lights, ambient)
        scene.pipe(image, CAM, (x, y, 0.6), (x, y, 4.1), r, c, light)
    light = scene.light_at((0, 2.45, 4.0), (0, 0, -1), lights, ambient)
    scene.pipe(image, CAM, (-2.3, 2.45, 4.02), (2.3, 2.45, 4.02), 0.05, (110, 104, 92), light)


def _cage_interior(image, i, lights, ambient):
    x0 = CAGE_X0 + i * CAGE_W
    x1, (y0, y1) = x0 + CAGE_W - 0.04, CAGE_Y
    corners = [(x0, y0, CAGE_Z), (x1, y0, CAGE_Z), (x1, y1, CAGE_Z), (x0, y1, CAGE_Z)]
    m = paint.polygon(CAM.w, CAM.h, [scene.project(CAM, c) for c in corners])
    paint.shade(image, m, 0.85)
    floor = [(x0, y0, CAGE_Z), (x1, y0, CAGE_Z), (x1, y0, 4.1), (x0, y0, 4.1)]
    scene.face(image, CAM, floor, (0, 1, 0), (70, 66, 56), lights, ambient)
    return x0, x1


def _cage_bars(image, i, lights, ambient, open_door):
    x0 = CAGE_X0 + i * CAGE_W
    x1, (y0, y1) = x0 + CAGE_W - 0.04, CAGE_Y
    light = scene.light_at(((x0 + x1) / 2, 1.0, CAGE_Z), (0, 0.3, -1), lights, ambient) * 1.4
    steel = (150, 156, 160)
    top = [(x0, y1, CAGE_Z), (x1, y1, CAGE_Z), (x1, y1, 4.1), (x0, y1, 4.1)]
    scene.face(image, CAM, top, (0, 1, 0), (60, 62, 66), lights, ambient)
    for x in np.arange(x0 + 0.06, x1 - 0.02, 0.12):
        scene.pipe(image, CAM, (x, y1, CAGE_Z), (x, y1, 4.1), 0.008, steel, light)
    if open_door:
        # The door swung out towards the room on its left hinge.
        for k, d in enumerate(np.arange(0.0, CAGE_W - 0.04, 0.075)):
            z = CAGE_Z - d * 0.96
            x = x0 - d * 0.28
            scene.pipe(image, CAM, (x, y0 + 0.02, z), (x, y1 - 0.02, z), 0.014, steel, light)
        for y in (y0 + 0.03, (y0 + y1) / 2, y1 - 0.03):
            scene.pipe(image, CAM, (x0, y, CAGE_Z), (x0 - 0.21, y, CAGE_Z - 0.72), 0.014, steel,
                       light)
    else:
        for x in np.arange(x0 + 0.06, x1 - 0.02, 0.1):
            scene.pipe(image, CAM, (x, y0, CAGE_Z), (x, y1, CAGE_Z), 0.008, steel, light)
        scene.pipe(image, CAM, (x0, (y0 + y1) / 2, CAGE_Z), (x1, (y0 + y1) / 2, CAGE_Z), 0.014,
                   steel, light)
        lx, ly = scene.project(CAM, (x1 - 0.08, (y0 + y1) / 2, CAGE_Z))
        paint.put(image, paint.rect(CAM.w, CAM.h, lx - 1, ly - 2, lx + 2, ly + 2), (200, 180, 90))
    for a, b in [((x0, y0, CAGE_Z), (x1, y0, CAGE_Z)), ((x0, y1, CAGE_Z), (x1, y1, CAGE_Z)),
                 ((x0, y0, CAGE_Z), (x0, y1, CAGE_Z)), ((x1, y0, CAGE_Z), (x1, y1, CAGE_Z))]:
        scene.pipe(image, CAM, a, b, 0.02, (120, 126, 132), light)


def _cages(image, lights, ambient, loose):
    scene.box(image, CAM, (-2.25, 0, 3.56), (0.95, 0.72, 4.1),
              {"front": (96, 102, 108), "top": (80, 84, 88)}, lights, ambient)
    for i in range(4):  # cabinet doors under the cages
        x0 = CAGE_X0 + i * CAGE_W
        a = scene.project(CAM, (x0 + 0.03, 0.66, 3.56))
        b = scene.project(CAM, (x0 + 0.74, 0.06, 3.56))
        paint.put(image, paint.mask(CAM.w, CAM.h, lambda d: d.rectangle((*a, *b), outline=255)),
                  (40, 44, 48))
    for i in range(4):
        x0, x1 = _cage_interior(image, i, lights, ambient)
        if i == DOG_CAGE and not loose:
            light = scene.light_at((x0 + 0.4, 1.2, 3.85), (0.2, 0.3, -1), lights, ambient)
            bx, by = scene.project(CAM, (x0 + 0.12, CAGE_Y[0], 3.85))
            scale = CAM.f * 0.0094 / 3.85
            figures.dog_sitting(image, Place(bx, by - 100 * scale, scale), light * 2.2)
        _cage_bars(image, i, lights, ambient, loose and i == DOG_CAGE)


def _bench(image, lights, ambient, loose):
    """The glassware: a bench at the back right and shelves on the right wall."""
    scene.box(image, CAM, (1.0, 0, 3.55), (1.85, 0.9, 4.1),
              {"front": (70, 60, 50), "top": (44, 40, 38)}, lights, ambient)
    scene.box(image, CAM, (1.85, 0.0, 1.9), (2.3, 2.2, 4.0),
              {"front": (60, 52, 44), "left": (34, 30, 28)}, lights, ambient)
    for y in (0.45, 0.9, 1.35, 1.8, 2.2):
        scene.box(image, CAM, (1.85, y - 0.03, 1.9), (2.3, y, 4.0),
                  {"front": (110, 92, 70), "left": (92, 76, 58), "top": (120, 100, 76)},
                  lights, ambient)
    liquids = [(120, 220, 80), (200, 60, 50), (90, 150, 200), (220, 190, 80), (150, 230, 120),
               (170, 90, 180)]
    kinds = ["erlenmeyer", "bottle", "beaker", "tube", "round", "bottle", "erlenmeyer", "tube"]
    n = 0
    for y in (0.45, 0.9, 1.35, 1.8):
        for z in np.arange(3.8, 2.05, -0.36):
            x, sy = scene.project(CAM, (2.02, y, z))
            height = CAM.f * (0.2 + 0.08 * (n % 3)) / z
            glowing = liquids[n % 6] == (120, 220, 80) or liquids[n % 6] == (150, 230, 120)
            light = scene.light_at((2.0, y + 0.1, z), (-1, 0, 0), lights, ambient) * 1.5
            figures.flask(image, x, sy, height, kinds[n % 8], liquids[n % 6], light,
                          level=0.4 + 0.1 * (n % 4), glowing=glowing and not loose)
            n += 1
    for k, x in enumerate(np.arange(1.1, 1.8, 0.12)):
        px, py = scene.project(CAM, (x, 0.9, 3.8))
        light = scene.light_at((x, 1.0, 3.7), (0, 0.3, -1), lights, ambient) * 1.6
        figures.flask(image, px, py, CAM.f * (0.18 + 0.1 * (k % 3)) / 3.8,
                      ["round", "tube", "erlenmeyer", "beaker", "tube", "bottle"][k % 6],
                      liquids[(k * 2) % 6], light, glowing=(k % 3 == 0))


def _table(image, lights, ambient, loose):
    (x0, y0, z0), (x1, y1, z1) = TABLE
    for lx, lz in [(x0 + 0.05, z0 + 0.05), (x1 - 0.08, z0 + 0.05), (x0 + 0.05, z1 - 0.08),
                   (x1 - 0.08, z1 - 0.08)]:
        scene.box(image, CAM, (lx, 0, lz), (lx + 0.04, y0, lz + 0.04), (70, 74, 78), lights,
                  ambient)
    scene.box(image, CAM, (x0 + 0.05, 0.25, z0 + 0.05), (x1 - 0.05, 0.27, z1 - 0.05),
              (60, 62, 64), lights, ambient)
    metal = scene.concrete((116, 122, 126), k=11, stains=0.2)
    scene.box(image, CAM, TABLE[0], TABLE[1], {"front": (110, 114, 118), "top": metal,
                                               "left": (90, 92, 96), "right": (90, 92, 96)},
              lights, ambient)
    top = (0, 1, 0)
    # An instrument tray with scalpels and forceps, and two stoppered jars.
    tray = [(-0.6, y1, 2.1), (-0.22, y1, 2.1), (-0.22, y1, 2.35), (-0.6, y1, 2.35)]
    scene.face(image, CAM, tray, top, (120, 124, 126), lights, ambient)
    light = scene.light_at((-0.4, y1, 2.2), top, lights, ambient)
    for k in range(4):
        a = (-0.56 + k * 0.08, y1 + 0.005, 2.14)
        b = (-0.52 + k * 0.08, y1 + 0.005, 2.31)
        scene.pipe(image, CAM, a, b, 0.006, (230, 232, 236), light)
    for x, z, c in [(0.75, 2.5, (120, 40, 120)), (0.92, 2.35, (200, 120, 40))]:
        px, py = scene.project(CAM, (x, y1, z))
        figures.flask(image, px, py, CAM.f * 0.2 / z, "bottle", c,
                      scene.light_at((x, y1 + 0.1, z), (0, 0.5, -1), lights, ambient) * 1.3)
    light = scene.light_at((0.1, y1 + 0.05, 2.4), (0, 1, -0.3), lights, ambient)
    px, py = scene.project(CAM, (0.48, y1, 2.15))
    figures.syringe(image, Place(px, py, CAM.f * 0.0095 / 2.15), light * 1.1, full=not loose)
    if not loose:
        px, py = scene.project(CAM, (-0.05, y1, 2.3))
        paint.shade(image, paint.ellipse(CAM.w, CAM.h, px + 12, py, 18, 3), 0.5)
        figures.rat(image, Place(px, py, CAM.f * 0.0105 / 2.3), light)


def _lamp(image, lights, ambient, loose):
    x, y, z = LAMP
    top = scene.project(CAM, (x, 2.6, z))
    lx, ly = scene.project(CAM, (x, y + 0.12, z))
    paint.put(image, paint.line(CAM.w, CAM.h, [top, (lx, ly)], 1), (20, 22, 24))
    s = CAM.f / z
    shade_pts = [(lx - 0.05 * s, ly), (lx + 0.05 * s, ly), (lx + 0.2 * s, ly + 0.12 * s),
                 (lx - 0.2 * s, ly + 0.12 * s)]
    body = paint.polygon(CAM.w, CAM.h, shade_pts)
    paint.put(image, body, (40, 60, 50) if not loose else (40, 14, 14))
    paint.put(image, paint.rim(body, 0, -1), (90, 120, 100) if not loose else (90, 30, 30))
    bulb = paint.ellipse(CAM.w, CAM.h, lx, ly + 0.12 * s, 0.07 * s, 0.035 * s)
    if loose:
        paint.put(image, bulb, (50, 40, 36))
        return
    paint.put(image, bulb, (255, 250, 220))
    paint.glow(image, lx, ly + 0.12 * s, 16, (255, 230, 170), 0.7)
    # A faint cone of light through the dusty air, down to the table.
    h, w = image.shape[:2]
    (_, ty) = scene.project(CAM, (x, TABLE[1][1], z))
    cone = paint.polygon(w, h, [(lx - 0.17 * s, ly + 0.12 * s), (lx + 0.17 * s, ly + 0.12 * s),
                                (lx + 0.75 * s, ty), (lx - 0.75 * s, ty)])
    fade = np.clip(1 - (np.arange(h, dtype=np.float32)[:, None] - ly) / max(1, ty - ly), 0, 1)
    dust = 0.8 + 0.4 * paint.smooth_noise(w, h, 6, 21)
    image += (cone * fade * dust * 0.16)[..., None] * paint.rgb((255, 236, 190))


def _alarm(image):
    """The red emergency light over the cages, turning: a hot core and a wide red wash."""
    x, y = scene.project(CAM, (-0.6, 2.3, 4.08))
    paint.put(image, paint.rect(CAM.w, CAM.h, x - 4, y - 2, x + 4, y + 3), (60, 20, 20))
    paint.put(image, paint.ellipse(CAM.w, CAM.h, x, y - 2, 4, 3), (255, 110, 80))
    paint.glow(image, x, y, 60, (255, 40, 20), 0.35, ry=30)
    h, w = image.shape[:2]
    beam = paint.polygon(w, h, [(x, y), (x + 150, y - 40), (x + 170, y + 30)])
    image += (beam * 0.1)[..., None] * paint.rgb((255, 60, 40))


def _tube_light(image, loose):
    """The fluorescent tube over the cages (dead once the power has come back wrong)."""
    a, b = scene.project(CAM, (-1.8, 1.98, 4.06)), scene.project(CAM, (0.6, 1.92, 4.06))
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0], a[1] - 1, b[0], b[1] + 2), (50, 54, 58))
    if loose:
        return
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0] + 2, a[1], b[0] - 2, b[1] + 1), (230, 245, 250))
    paint.glow(image, (a[0] + b[0]) / 2, a[1], (b[0] - a[0]) * 0.6, (120, 150, 170), 0.25, ry=14)


def _locker(image, lights, ambient):
    """A steel cabinet against the left wall, with a biohazard warning on its side."""
    scene.box(image, CAM, (-2.3, 0, 2.7), (-1.85, 1.95, 3.7),
              {"front": (70, 78, 84), "right": scene.concrete((88, 98, 104), k=31, stains=0.2),
               "top": (60, 66, 70)}, lights, ambient)
    x0, y0 = scene.project(CAM, (-1.85, 1.35, 3.0))
    x1, y1 = scene.project(CAM, (-1.85, 1.0, 3.4))
    cx = (x0 + x1) / 2
    tri = paint.polygon(CAM.w, CAM.h, [(cx, y0 - 2), (x1 + 1, y1), (x0 - 1, y1 + 1)])
    light = scene.light_at((-1.85, 1.2, 3.2), (1, 0, 0), lights, ambient) * 1.5
    paint.put(image, tri, paint.rgb((230, 190, 40)) * light)
    paint.put(image, paint.ellipse(CAM.w, CAM.h, cx, (y0 + y1) / 2 + 1, 2, 2),
              paint.rgb((20, 20, 20)) * light)
    for z in (3.1, 3.5):  # door seam and handle
        a, b = scene.project(CAM, (-1.85, 1.9, z)), scene.project(CAM, (-1.85, 0.05, z))
        paint.put(image, paint.line(CAM.w, CAM.h, [a, b], 1), (30, 34, 38))


def picture(loose):
    lights, ambient = _lights(loose)
    image, _ = scene.room(CAM, ROOM["x0"], ROOM["x1"], ROOM["y1"], ROOM["z1"], _textures(),
                          lights, ambient)
    _pipes(image, lights, ambient)
    _tube_light(image, loose)
    _cages(image, lights, ambient, loose)
    _locker(image, lights, ambient)
    _bench(image, lights, ambient, loose)
    _table(image, lights, ambient, loose)
    _lamp(image, lights, ambient, loose)
    if loose:
        _alarm(image)
        # The dog has leapt onto the table where the rat lay, and turns on you.
        light = np.array([1.1, 0.5, 0.46], dtype=np.float32)
        fx, fy = scene.project(CAM, (-0.12, TABLE[1][1], 2.35))
        scale = CAM.f * 0.0102 / 2.35
        paint.shade(image, paint.ellipse(CAM.w, CAM.h, fx + 55 * scale, fy, 55 * scale, 3), 0.4)
        figures.dog_loose(image, Place(fx, fy - 100 * scale, scale), light)
        paint.vignette(image, 0.75)
    else:
        paint.vignette(image, 0.55)
    paint.quiet_bottom(image)
    return paint.finish(image, quiet=paint.QUIET_ROWS)
