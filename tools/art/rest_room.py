"""The rest room: cupboards full of files and books, a worn sofa, a shotgun on the wall."""

import numpy as np

import figures
import paint
import pixelfont
import scene
from figures import Place
from scene import Camera, Light

CAM = Camera(320, 170, 180.0, 160.0, 64.0, 1.6)
X0, X1, TOP, BACK = -2.4, 2.4, 2.6, 4.2
SPINES = [(120, 30, 28), (40, 60, 110), (30, 80, 60), (150, 120, 50), (90, 60, 40),
          (60, 50, 80), (170, 160, 140), (110, 90, 60), (40, 40, 44), (140, 70, 40)]


def _lights():
    return [Light((2.0, 1.6, 3.4), (255, 200, 120), 1.8, 1.2),
            Light((-0.4, 2.45, 2.2), (200, 210, 200), 0.7, 1.8)], (24, 24, 30)


def _hash(i, k):
    return ((i * 2654435761 + k * 97531) >> 9) % 1000 / 1000.0


def _books(image, x0, x1, y0, y1, z, lights, ambient, n0, binders=False):
    """One shelf row of spines standing on the board at y0, leaning now and then."""
    x = x0 + 0.01
    i = n0
    while x < x1 - 0.03:
        wdt = (0.06 + 0.04 * _hash(i, 1)) if binders else (0.025 + 0.035 * _hash(i, 2))
        hgt = (y1 - y0) * ((0.85 + 0.1 * _hash(i, 3)) if binders else (0.6 + 0.35 * _hash(i, 4)))
        if x + wdt > x1:
            break
        if _hash(i, 5) < 0.06 and not binders:  # a gap
            x += 0.05
            i += 1
            continue
        colour = SPINES[int(_hash(i, 6) * 10) % len(SPINES)]
        corners = [(x, y0, z), (x + wdt, y0, z), (x + wdt, y0 + hgt, z), (x, y0 + hgt, z)]
        m = scene.face(image, CAM, corners, (0, 0, -1), colour, lights, ambient)
        light = scene.light_at((x, y0 + hgt / 2, z), (0, 0, -1), lights, ambient)
        paint.put(image, paint.rim(m, -1, 0), paint.rgb(colour) * light * 1.5, 0.8)
        paint.put(image, paint.rim(m, 1, 0), (10, 8, 8), 0.6)
        lx, ly = scene.project(CAM, (x + wdt / 2, y0 + hgt * 0.7, z))
        if binders:  # white label and finger hole
            paint.put(image, paint.rect(CAM.w, CAM.h, lx - 1, ly - 2, lx + 1, ly + 1),
                      paint.rgb((220, 216, 200)) * light * 1.3)
            hx, hy = scene.project(CAM, (x + wdt / 2, y0 + hgt * 0.25, z))
            paint.put(image, paint.rect(CAM.w, CAM.h, hx - 0.5, hy - 1, hx + 0.5, hy + 1),
                      (10, 10, 10))
        elif _hash(i, 7) < 0.5:
            paint.put(image, paint.rect(CAM.w, CAM.h, lx - 0.5, ly, lx + 0.5, ly + 1),
                      paint.rgb((210, 180, 90)) * light * 1.4)
        x += wdt + 0.004
        i += 1
    return i


def _cupboard(image, x0, x1, lights, ambient, n0, glass=True):
    """A tall wooden cupboard against the back wall: files below, books above."""
    z0, y1 = BACK - 0.42, 2.25
    wood = scene.concrete((104, 70, 42), k=int(n0) % 50 + 80, stains=0.25)
    scene.box(image, CAM, (x0, 0, z0), (x1, y1, BACK), {"front": wood, "top": (70, 48, 30),
                                                        "left": (60, 40, 26), "right": (60, 40, 26)},
              lights, ambient)
    inner = [(x0 + 0.05, 0.1, z0), (x1 - 0.05, 0.1, z0), (x1 - 0.05, y1 - 0.08, z0),
             (x0 + 0.05, y1 - 0.08, z0)]
    scene.face(image, CAM, inner, (0, 0, -1), (30, 22, 16), lights, ambient)
    shelves = [0.1, 0.52, 0.94, 1.36, 1.78, y1 - 0.08]
    n = n0
    for k in range(len(shelves) - 1):
        y0, ya = shelves[k], shelves[k + 1]
        n = _books(image, x0 + 0.06, x1 - 0.06, y0 + 0.02, ya - 0.03, z0 + 0.03, lights, ambient,
                   n, binders=k < 2)
        scene.box(image, CAM, (x0 + 0.05, ya - 0.03, z0), (x1 - 0.05, ya, z0 + 0.02),
                  {"front": (120, 84, 50), "top": (140, 100, 60)}, lights, ambient)
    if glass:  # glass doors over the upper shelves: a frame and two pale reflections
        light = scene.light_at(((x0 + x1) / 2, 1.6, z0), (0, 0, -1), lights, ambient)
        mid = (x0 + x1) / 2
        for a, b in (((x0 + 0.04, 0.94), (mid, y1 - 0.06)), ((mid, 0.94), (x1 - 0.04, y1 - 0.06))):
            p = scene.project(CAM, (a[0], b[1], z0 - 0.01))
            q = scene.project(CAM, (b[0], a[1], z0 - 0.01))
            paint.put(image, paint.mask(CAM.w, CAM.h, lambda d: d.rectangle(
                (p[0], p[1], q[0], q[1]), outline=255, width=1)), paint.rgb((90, 60, 36)) * light)
            wv = q[0] - p[0]
            glare = paint.polygon(CAM.w, CAM.h, [(p[0] + wv * 0.2, p[1]), (p[0] + wv * 0.45, p[1]),
                                                 (p[0] + wv * 0.15, q[1]), (p[0], q[1] - 8)])
            image += (glare * 0.06)[..., None] * paint.rgb((220, 230, 255))


def _shotgun(image, lights, ambient):
    """The double-barrelled shotgun on two pegs, on the wall over the sofa."""
    z = BACK - 0.02
    light = np.minimum(scene.light_at((1.3, 1.6, z), (0, 0, -1), lights, ambient) * 1.2, 1.1)
    x, y = scene.project(CAM, (0.64, 1.72, z))
    figures.shotgun(image, Place(x, y, CAM.f * 0.0155 / z), light)


def _sofa(image, lights, ambient):
    fabric = scene.concrete((70, 46, 40), k=91, stains=0.3)
    scene.box(image, CAM, (0.55, 0, BACK - 0.95), (2.3, 0.42, BACK - 0.15),
              {"front": fabric, "top": (96, 64, 54), "left": (60, 40, 34)}, lights, ambient)
    scene.box(image, CAM, (0.55, 0.42, BACK - 0.35), (2.3, 0.95, BACK - 0.12),
              {"front": fabric, "top": (96, 64, 54), "left": (60, 40, 34)}, lights, ambient)
    for xa in (0.6, 1.45):
        scene.box(image, CAM, (xa, 0.42, BACK - 0.9), (xa + 0.82, 0.52, BACK - 0.36),
                  {"front": (86, 56, 48), "top": (104, 70, 58), "left": (70, 46, 40)}, lights,
                  ambient)
    scene.box(image, CAM, (0.42, 0, BACK - 1.0), (0.6, 0.62, BACK - 0.12),
              {"front": (76, 50, 42), "top": (100, 66, 56), "left": (56, 38, 32)}, lights, ambient)


def _lamp(image, lights, ambient):
    """A standing lamp in the corner: the room's one warm light."""
    base = scene.project(CAM, (2.12, 0, 3.45))
    top = scene.project(CAM, (2.12, 1.45, 3.45))
    paint.put(image, paint.line(CAM.w, CAM.h, [base, top], 1), (40, 36, 30))
    x, y = scene.project(CAM, (2.12, 1.55, 3.45))
    shade = paint.polygon(CAM.w, CAM.h, [(x - 4, y - 5), (x + 4, y - 5), (x + 7, y + 4),
                                         (x - 7, y + 4)])
    paint.put(image, shade, (250, 210, 140))
    paint.put(image, paint.rim(shade, 0, 1), (255, 240, 200))
    paint.glow(image, x, y, 40, (255, 190, 110), 0.35)


def _table(image, lights, ambient):
    scene.box(image, CAM, (0.15, 0.44, 2.0), (1.35, 0.5, 2.6),
              {"front": (80, 52, 32), "top": scene.concrete((120, 84, 50), k=93, stains=0.2)},
              lights, ambient)
    for lx, lz in ((0.18, 2.03), (1.28, 2.03), (0.18, 2.53), (1.28, 2.53)):
        scene.box(image, CAM, (lx, 0, lz), (lx + 0.04, 0.44, lz + 0.04), (60, 40, 26), lights,
                  ambient)
    light = scene.light_at((0.8, 0.6, 2.3), (0, 1, -0.3), lights, ambient)
    mx, my = scene.project(CAM, (0.95, 0.5, 2.3))
    paint.put(image, paint.rect(CAM.w, CAM.h, mx - 3, my - 7, mx + 3, my), paint.rgb((210, 206, 196))
              * light)
    paint.put(image, paint.rect(CAM.w, CAM.h, mx - 2, my - 7, mx + 2, my - 6), (40, 24, 16))
    paint.put(image, paint.mask(CAM.w, CAM.h, lambda d: d.arc((mx + 1, my - 6, mx + 6, my - 2),
                                                              270, 90, fill=255)),
              paint.rgb((190, 186, 176)) * light)
    for k in range(3):  # loose papers
        px, py = scene.project(CAM, (0.3 + k * 0.14, 0.5, 2.2 + k * 0.08))
        paint.put(image, paint.polygon(CAM.w, CAM.h, [(px, py), (px + 9, py - 1), (px + 10, py + 3),
                                                      (px + 1, py + 4)]),
                  paint.rgb((200, 196, 180)) * light)


def _poster(image, lights, ambient):
    """A faded safety poster on the left wall: a flask and the word PELIGRO."""
    corners = [(X0 + 0.01, 1.9, 1.6), (X0 + 0.01, 1.9, 2.4), (X0 + 0.01, 1.1, 2.4),
               (X0 + 0.01, 1.1, 1.6)]
    m = paint.polygon(CAM.w, CAM.h, [scene.project(CAM, c) for c in corners])
    light = scene.light_at((X0, 1.5, 2.0), (1, 0, 0), lights, ambient)
    paint.put(image, m, paint.rgb((190, 180, 150)) * light * 1.3)
    a = scene.project(CAM, (X0, 1.82, 2.3))
    b = scene.project(CAM, (X0, 1.2, 1.7))
    cx = (a[0] + b[0]) / 2
    paint.put(image, paint.polygon(CAM.w, CAM.h, [(cx - 2, a[1] + 4), (cx + 2, a[1] + 4),
                                                  (cx + 8, b[1] - 8), (cx - 8, b[1] - 8)]),
              paint.rgb((160, 50, 40)) * light * 1.3)
    pixelfont.put_text(image, b[0] - 26, b[1] - 6, "PELIGRO", paint.rgb((150, 40, 30)) * light)


def picture():
    lights, ambient = _lights()
    textures = {"floor": scene.tiles((96, 80, 62), (50, 40, 32), 0.4, 0, 2, grime=0.4, k=71),
                "ceiling": scene.concrete((90, 88, 80), k=72),
                "left": scene.concrete((112, 104, 84), k=73, stains=0.4),
                "right": scene.concrete((112, 104, 84), k=74, stains=0.4),
                "back": scene.concrete((116, 108, 88), k=75, stains=0.4)}
    image, _ = scene.room(CAM, X0, X1, TOP, BACK, textures, lights, ambient)
    _poster(image, lights, ambient)
    _cupboard(image, -2.35, -1.35, lights, ambient, 0)
    _cupboard(image, -1.3, -0.3, lights, ambient, 40)
    _cupboard(image, -0.25, 0.5, lights, ambient, 80, glass=False)
    _shotgun(image, lights, ambient)
    _sofa(image, lights, ambient)
    _lamp(image, lights, ambient)
    _table(image, lights, ambient)
    paint.vignette(image, 0.6)
    paint.quiet_bottom(image)
    return paint.finish(image, quiet=paint.QUIET_ROWS)
