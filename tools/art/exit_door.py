"""The exit door: an armoured maximum-security door and, at its right, the code slot."""

import numpy as np

import paint
import pixelfont
import scene
from scene import Camera, Light

CAM = Camera(320, 170, 175.0, 160.0, 66.0, 1.6)
X0, X1, TOP, BACK = -1.7, 1.7, 2.7, 3.4
DOOR = (-0.85, 0.85, 0.0, 2.1)     # x0, x1, y0, y1 of the door leaf, on the back wall
PANEL = (1.06, 1.46, 0.9, 1.6)   # the code panel at the door's right


def _lights():
    return [Light((0, 2.45, 3.0), (255, 50, 36), 1.3, 1.0),
            Light((0, 2.5, 1.6), (170, 190, 210), 1.5, 1.7),
            Light((1.25, 1.25, 3.1), (120, 255, 140), 0.35, 0.35)], (22, 24, 30)


def _stripes(w, h, period=6):
    y, x = np.mgrid[0:h, 0:w]
    return (((x + y) // (period // 2)) % 2).astype(np.float32)


def _steel(k, base=(96, 102, 108)):
    rough = scene.concrete(base, k=k, stains=0.22)

    def texture(points, w, h):
        scratches = paint.hash01(w, h, k + 3)[..., None]
        return rough(points, w, h) * (0.96 + 0.08 * (scratches > 0.97))
    return texture


def _door(image, lights, ambient):
    x0, x1, y0, y1 = DOOR
    z = BACK
    # The massive surround, set a little out from the wall, with hazard stripes.
    scene.box(image, CAM, (x0 - 0.28, 0, z - 0.18), (x1 + 0.28, y1 + 0.28, z),
              {"front": _steel(61, (80, 84, 88)), "top": (60, 62, 66), "left": (50, 52, 56),
               "right": (50, 52, 56)}, lights, ambient)
    outer = paint.polygon(CAM.w, CAM.h, [scene.project(CAM, p) for p in (
        (x0 - 0.2, y1 + 0.2, z - 0.18), (x1 + 0.2, y1 + 0.2, z - 0.18),
        (x1 + 0.2, 0, z - 0.18), (x0 - 0.2, 0, z - 0.18))])
    inner = paint.polygon(CAM.w, CAM.h, [scene.project(CAM, p) for p in (
        (x0 - 0.02, y1 + 0.02, z - 0.18), (x1 + 0.02, y1 + 0.02, z - 0.18),
        (x1 + 0.02, 0, z - 0.18), (x0 - 0.02, 0, z - 0.18))])
    band = outer * (1 - inner)
    light = scene.light_at((0, 1.2, z - 0.2), (0, 0, -1), lights, ambient)
    stripes = _stripes(CAM.w, CAM.h, 8)
    paint.put(image, band * stripes, paint.rgb((220, 180, 40)) * light * 1.2)
    paint.put(image, band * (1 - stripes), paint.rgb((24, 22, 20)) * light)
    # The leaf: heavy plate with raised ribs, rivets, bolts and a wheel.
    leaf = [(x0, y0, z - 0.12), (x1, y0, z - 0.12), (x1, y1, z - 0.12), (x0, y1, z - 0.12)]
    scene.face(image, CAM, leaf, (0, 0, -1), _steel(62, (112, 118, 122)), lights, ambient)
    for y in (0.35, 1.05, 1.75):
        scene.box(image, CAM, (x0 + 0.05, y - 0.07, z - 0.18), (x1 - 0.05, y + 0.07, z - 0.12),
                  {"front": (120, 126, 130), "top": (170, 176, 180), "bottom": (60, 62, 66)},
                  lights, ambient)
        for x in np.arange(x0 + 0.12, x1 - 0.05, 0.16):
            px, py = scene.project(CAM, (x, y, z - 0.18))
            paint.put(image, paint.rect(CAM.w, CAM.h, px, py - 1, px + 1, py), (200, 204, 206))
    for y in (0.35, 1.05, 1.75):  # locking bolts thrown into the frame
        bl = scene.light_at((x1, y, z - 0.2), (0, 0.5, -1), lights, ambient)
        scene.pipe(image, CAM, (x1 - 0.12, y, z - 0.2), (x1 + 0.2, y, z - 0.2), 0.045,
                   (150, 156, 160), bl * 1.3)
    rivets = np.zeros(image.shape[:2], dtype=np.float32)
    for t in np.linspace(0, 1, 14):
        for p in ((x0 + 0.05 + t * (x1 - x0 - 0.1), y1 - 0.05), (x0 + 0.05, y0 + 0.05 + t * 2.0),
                  (x1 - 0.05, y0 + 0.05 + t * 2.0)):
            px, py = scene.project(CAM, (p[0], p[1], z - 0.12))
            rivets[int(py), int(px)] = 1
    paint.put(image, rivets, paint.rgb((190, 196, 200)) * light * 1.4)
    for y in (0.3, 1.8):  # hinges
        scene.box(image, CAM, (x0 - 0.1, y - 0.12, z - 0.22), (x0 + 0.04, y + 0.12, z - 0.12),
                  (70, 72, 76), lights, ambient)
    cx, cy = scene.project(CAM, (0.0, 1.05, z - 0.2))
    r = CAM.f * 0.32 / (z - 0.2)
    wl = scene.light_at((0, 1.05, z - 0.3), (0, 0, -1), lights, ambient)
    ring = paint.mask(CAM.w, CAM.h, lambda d: d.ellipse((cx - r, cy - r, cx + r, cy + r),
                                                         outline=255, width=3))
    for ang in range(0, 180, 45):
        t = np.radians(ang)
        a, b = (cx + r * np.cos(t), cy + r * np.sin(t)), (cx - r * np.cos(t), cy - r * np.sin(t))
        paint.put(image, paint.line(CAM.w, CAM.h, [a, b], 2), paint.rgb((60, 62, 66)) * wl * 1.4)
    paint.put(image, ring, paint.rgb((150, 154, 158)) * wl * 1.5)
    paint.put(image, paint.rim(ring, 0, -1), paint.rgb((230, 230, 226)) * wl * 1.5)
    paint.put(image, paint.ellipse(CAM.w, CAM.h, cx, cy, r * 0.25, r * 0.25),
              paint.rgb((170, 40, 30)) * wl * 2)
    # Stencil above the door.
    sx, sy = scene.project(CAM, (-0.55, 2.02, z - 0.12))
    tw = pixelfont.width("SALIDA", 2)
    px0 = (CAM.w - tw) / 2
    pixelfont.put_text(image, px0, sy - 2, "SALIDA", paint.rgb((210, 200, 170)) * light * 1.4, 2)


def _warning_lamp(image):
    x, y = scene.project(CAM, (0, 2.6, BACK - 0.05))
    paint.put(image, paint.rect(CAM.w, CAM.h, x - 6, y - 3, x + 6, y + 1), (40, 30, 30))
    paint.put(image, paint.ellipse(CAM.w, CAM.h, x, y + 3, 5, 4), (255, 90, 60))
    paint.put(image, paint.ellipse(CAM.w, CAM.h, x, y + 2, 2, 1.5), (255, 220, 180))
    paint.glow(image, x, y + 3, 50, (255, 40, 24), 0.45, ry=30)


def _panel(image, lights, ambient):
    x0, x1, y0, y1 = PANEL
    z = BACK
    scene.box(image, CAM, (x0, y0, z - 0.06), (x1, y1, z),
              {"front": _steel(63, (70, 74, 78)), "top": (110, 114, 118), "left": (48, 50, 54)},
              lights, ambient)
    a = scene.project(CAM, (x0 + 0.04, y1 - 0.05, z - 0.06))
    b = scene.project(CAM, (x1 - 0.04, y1 - 0.17, z - 0.06))
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0], a[1], b[0], b[1]), (8, 14, 10))
    cw = (b[0] - a[0] - 4) / 3
    for i in range(3):  # three empty digit windows, waiting
        px = a[0] + 2 + i * cw
        pixelfont.put_text(image, px + (cw - 3) / 2, a[1] + 2, "-", (120, 255, 140))
    paint.glow(image, (a[0] + b[0]) / 2, (a[1] + b[1]) / 2, 10, (60, 200, 90), 0.3)
    # The slot: a dark horizontal mouth with a lit lip, under the display.
    s0 = scene.project(CAM, (x0 + 0.06, y1 - 0.24, z - 0.06))
    s1 = scene.project(CAM, (x1 - 0.06, y1 - 0.27, z - 0.06))
    paint.put(image, paint.rect(CAM.w, CAM.h, s0[0], s0[1], s1[0], s1[1] + 1), (4, 4, 6))
    paint.put(image, paint.rect(CAM.w, CAM.h, s0[0], s1[1] + 1, s1[0], s1[1] + 2), (170, 176, 180))
    # Keys: three rows of three.
    light = scene.light_at(((x0 + x1) / 2, y0 + 0.2, z - 0.1), (0, 0, -1), lights, ambient)
    for r in range(3):
        for c in range(3):
            p = scene.project(CAM, (x0 + 0.07 + c * 0.085, y1 - 0.34 - r * 0.075, z - 0.06))
            paint.put(image, paint.rect(CAM.w, CAM.h, p[0], p[1], p[0] + 3, p[1] + 2),
                      paint.rgb((170, 174, 170)) * light * 1.6)
    lx, ly = scene.project(CAM, (x1 - 0.06, y0 + 0.06, z - 0.06))
    paint.put(image, paint.rect(CAM.w, CAM.h, lx - 1, ly - 1, lx + 1, ly + 1), (255, 60, 40))
    paint.glow(image, lx, ly, 5, (255, 40, 30), 0.6)


def _pipes(image, lights, ambient):
    for side, xw in ((-1, X0), (1, X1)):
        for k, y in enumerate(np.arange(1.9, 2.6, 0.09)):
            colour = [(110, 80, 52), (100, 104, 106), (30, 30, 32), (140, 110, 60)][k % 4]
            x = xw - side * 0.08
            light = scene.light_at((x, y, 2.0), (-side, 0, 0), lights, ambient)
            scene.pipe(image, CAM, (x, y, 0.4), (x, y, BACK), 0.035, colour, light * 1.2)
        light = scene.light_at((xw, 0.5, 2.0), (-side, 0, 0), lights, ambient)
        scene.pipe(image, CAM, (xw - side * 0.1, 0.25, 0.4), (xw - side * 0.1, 0.25, BACK), 0.06,
                   (80, 86, 84), light * 1.2)


def picture():
    lights, ambient = _lights()
    floor = scene.concrete((70, 70, 68), k=64, stains=0.5)

    def floor_marked(points, w, h):
        base = floor(points, w, h)
        zone = ((points[2] > BACK - 1.0) & (points[2] < BACK - 0.85)
                & (np.abs(points[0]) < 1.2))[..., None]
        stripes = _stripes(w, h, 8)[..., None]
        paint_col = paint.rgb((200, 160, 40)) * stripes + paint.rgb((20, 20, 20)) * (1 - stripes)
        return np.where(zone, paint_col, base)
    textures = {"floor": floor_marked, "ceiling": scene.concrete((56, 58, 60), k=65),
                "left": scene.concrete((84, 88, 86), k=66, stains=0.5),
                "right": scene.concrete((84, 88, 86), k=67, stains=0.5),
                "back": scene.concrete((90, 92, 90), k=68, stains=0.45)}
    image, _ = scene.room(CAM, X0, X1, TOP, BACK, textures, lights, ambient)
    _pipes(image, lights, ambient)
    _door(image, lights, ambient)
    _panel(image, lights, ambient)
    _warning_lamp(image)
    paint.vignette(image, 0.6)
    paint.quiet_bottom(image)
    return paint.finish(image, quiet=paint.QUIET_ROWS)
