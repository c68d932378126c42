"""The corridor: walls buried in pipes and cables, ways north, west and south, a duckling.

The view looks north along the corridor to the laboratory's door; the way west opens
on the left under a red exit light, the way south is behind the viewer and named by
the hanging direction sign. The framed drawing hangs on the right wall, near.
"""

import numpy as np
from PIL import Image

import paint
import pixelfont
import scene
from scene import Camera, Light

CAM = Camera(320, 170, 170.0, 160.0, 66.0, 1.6)
X0, X1, TOP, END = -1.25, 1.25, 2.6, 13.0
WEST = (3.1, 4.5)          # the opening in the left wall, from z to z
FRAME = (1.7, 2.75, 1.05, 1.85)  # on the right wall: z0, z1, y0, y1
LAMPS = (2.2, 6.0, 9.8)


def _lights():
    lights = [Light((0, 2.4, z), (240, 220, 170), 1.1, 1.3) for z in LAMPS]
    lights.append(Light((-2.0, 1.6, 3.8), (255, 50, 40), 1.2, 1.0))
    lights.append(Light((0, 1.2, END - 0.2), (200, 230, 200), 0.8, 0.7))
    return lights, (16, 20, 26)


def _textures():
    return {"floor": scene.concrete((70, 72, 70), k=41, stains=0.45),
            "ceiling": scene.concrete((60, 62, 64), k=42),
            "left": scene.concrete((92, 96, 90), k=43, stains=0.5),
            "right": scene.concrete((92, 96, 90), k=44, stains=0.5),
            "back": scene.concrete((80, 84, 82), k=45)}


def _hash(i, k):
    return ((i * 2654435761 + k * 40503) >> 7) % 1000 / 1000.0


PIPE_COLOURS = [(120, 80, 52), (110, 116, 118), (150, 110, 60), (70, 80, 76), (170, 150, 120),
                (90, 60, 44), (130, 130, 126), (60, 90, 70)]
CABLE_COLOURS = [(24, 24, 26), (30, 30, 34), (140, 40, 30), (170, 150, 40), (40, 60, 110),
                 (26, 26, 24)]


def _wall_runs(image, lights, ambient, side):
    """Dozens of pipes and cables running the length of one wall, thickest low and high."""
    x_wall = X0 if side < 0 else X1
    n = 0
    y = 0.18
    while y < 2.5:
        r = 0.015 + 0.055 * _hash(n, side + 3)
        is_cable = _hash(n, side + 7) < 0.45
        if is_cable:
            r = 0.008 + 0.012 * _hash(n, 11)
        depth = r + 0.01 + 0.08 * _hash(n, side + 13)
        x = x_wall - side * depth
        colour = (CABLE_COLOURS if is_cable else PIPE_COLOURS)[int(_hash(n, 17) * 97) % 6]
        in_frame = side > 0 and FRAME[2] - 0.08 < y < FRAME[3] + 0.08
        spans = [(0.3, END)]
        if side < 0 and y < 2.15:
            spans = [(0.3, WEST[0]), (WEST[1], END)]
        if in_frame:
            spans = [(0.3, FRAME[0] - 0.15), (FRAME[1] + 0.15, END)]
        for z0, z1 in spans:
            light = scene.light_at((x, y, (z0 + z1) / 2), (-side, 0.5, 0), lights, ambient)
            light = np.maximum(light, scene.light_at((x, y, 2.5), (-side, 0.5, 0), lights,
                                                     ambient))
            scene.pipe(image, CAM, (x, y, z0), (x, y, z1), r, colour, light * 1.05)
        y += r * 2 + 0.006 + 0.05 * _hash(n, 23) ** 2
        n += 1
    # Clamps holding the runs to the wall every metre and a half.
    for z in np.arange(1.0, END, 1.5):
        if side < 0 and WEST[0] - 0.2 < z < WEST[1] + 0.2:
            continue
        a = scene.project(CAM, (x_wall - side * 0.1, 0.15, z))
        b = scene.project(CAM, (x_wall - side * 0.1, 2.5, z))
        light = scene.light_at((x_wall, 1.2, z), (-side, 0, 0), lights, ambient)
        paint.put(image, paint.line(CAM.w, CAM.h, [a, b], max(1, int(CAM.f * 0.03 / z))),
                  paint.rgb((60, 58, 54)) * light * 1.2)


def _sagging_cables(image, lights, ambient):
    """Loose cables hanging in loops from the ceiling clamps."""
    for side, x in ((-1, -0.75), (1, 0.8)):
        for z0 in np.arange(0.8, END - 1, 1.6):
            pts = []
            for t in np.linspace(0, 1, 12):
                z = z0 + 1.6 * t
                y = 2.5 - 0.25 * 4 * t * (1 - t)
                pts.append(scene.project(CAM, (x, y, z)))
            light = scene.light_at((x, 2.3, z0 + 0.8), (0, -1, 0), lights, ambient)
            paint.put(image, paint.line(CAM.w, CAM.h, pts, 1), paint.rgb((30, 30, 30)) * light)


def _west_opening(image, lights, ambient):
    """The side passage west: a dark doorway, its floor, and a red exit light over it."""
    corners = [(X0, 0, WEST[0]), (X0, 2.15, WEST[0]), (X0, 2.15, WEST[1]), (X0, 0, WEST[1])]
    pts = [scene.project(CAM, c) for c in corners]
    m = paint.polygon(CAM.w, CAM.h, pts)
    h, w = image.shape[:2]
    dark = paint.vgrad(w, h, pts[1][1], pts[0][1], (50, 14, 16), (22, 8, 10))
    paint.put(image, m, dark)
    # Depth inside: the far wall of the side passage and its floor, lit red.
    inner = [scene.project(CAM, (X0 - 1.2, y, z)) for y, z in
             ((0, WEST[0] + 0.3), (2.1, WEST[0] + 0.3), (2.1, WEST[1]), (0, WEST[1]))]
    paint.put(image, paint.polygon(w, h, inner) * m, (70, 20, 20))
    floor = [pts[0], pts[3], inner[3], inner[0]]
    paint.put(image, paint.polygon(w, h, floor) * m, (40, 14, 14))
    light = paint.rgb((120, 110, 100))
    for z in WEST:
        scene.pipe(image, CAM, (X0 + 0.04, 0, z), (X0 + 0.04, 2.17, z), 0.05, (90, 90, 86), light)
    scene.pipe(image, CAM, (X0 + 0.04, 2.17, WEST[0]), (X0 + 0.04, 2.17, WEST[1]), 0.05,
               (90, 90, 86), light)
    sx, sy = scene.project(CAM, (X0 + 0.02, 2.35, (WEST[0] + WEST[1]) / 2))
    paint.put(image, paint.rect(w, h, sx - 6, sy - 3, sx + 7, sy + 3), (200, 40, 30))
    paint.put(image, paint.rect(w, h, sx - 5, sy - 2, sx + 6, sy + 2), (250, 110, 80))
    paint.glow(image, sx, sy, 30, (255, 40, 30), 0.4)


def _far_door(image, lights, ambient):
    """North, at the end: the laboratory's door, ajar, light spilling from it."""
    a = scene.project(CAM, (-0.45, 2.1, END))
    b = scene.project(CAM, (0.45, 0.0, END))
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0] - 1, a[1] - 1, b[0] + 1, b[1]), (40, 44, 44))
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0], a[1], b[0], b[1]), (70, 76, 72))
    gap = paint.rect(CAM.w, CAM.h, b[0] - 2, a[1], b[0], b[1])
    paint.put(image, gap, (210, 240, 200))
    paint.glow(image, b[0] - 1, (a[1] + b[1]) / 2, 16, (140, 200, 150), 0.35, ry=24)
    win = paint.rect(CAM.w, CAM.h, a[0] + 3, a[1] + 3, b[0] - 4, a[1] + 7)
    paint.put(image, win, (150, 190, 160))


def _lamps(image):
    for z in LAMPS:
        x, y = scene.project(CAM, (0, 2.45, z))
        r = CAM.f * 0.09 / z
        paint.put(image, paint.ellipse(CAM.w, CAM.h, x, y, r * 1.3, r * 0.8), (40, 40, 36))
        paint.put(image, paint.ellipse(CAM.w, CAM.h, x, y + r * 0.3, r, r * 0.7), (255, 244, 200))
        paint.glow(image, x, y, r * 9, (255, 220, 150), 0.35, ry=r * 5)


def duckling_drawing():
    """The strange drawing: a child's crayon duckling on yellowed paper, 48x36."""
    w, h = 48, 36
    img = paint.canvas(w, h, (214, 204, 170))
    img *= (0.92 + 0.08 * paint.smooth_noise(w, h, 6, 51))[..., None]
    paint.put(img, paint.mask(w, h, lambda d: d.line([(3, 30), (14, 28), (26, 31), (44, 29)],
                                                     fill=255, width=2)), (70, 110, 170))
    body = paint.ellipse(w, h, 22, 21, 11, 7.5)
    head = paint.ellipse(w, h, 31, 11, 6, 5.5)
    wing = paint.mask(w, h, lambda d: d.arc((13, 15, 27, 27), 200, 330, fill=255))
    paint.put(img, np.maximum(body, head), (236, 196, 40))
    paint.put(img, paint.rim(np.maximum(body, head), 0, 1), (176, 130, 20))
    paint.put(img, wing, (176, 130, 20))
    paint.put(img, paint.polygon(w, h, [(36, 11), (43, 12), (36, 15)]), (224, 110, 30))
    paint.put(img, paint.rect(w, h, 32, 9, 34, 11), (20, 20, 24))
    for x in (19, 25):
        paint.put(img, paint.line(w, h, [(x, 28), (x, 32), (x + 3, 33)], 1), (224, 110, 30))
    paint.put(img, paint.line(w, h, [(8, 4), (11, 2), (14, 4), (17, 2)], 1), (60, 60, 70))
    return img


def _perspective_paste(image, source, quad):
    """Lays a flat source picture into a screen quadrilateral (corners clockwise from top left)."""
    sh, sw = source.shape[:2]
    src = [(0, 0), (sw, 0), (sw, sh), (0, sh)]
    a, b = [], []
    for (x, y), (u, v) in zip(quad, src):
        a.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        a.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        b += [u, v]
    coeffs = np.linalg.solve(np.array(a, dtype=np.float64), np.array(b, dtype=np.float64))
    h, w = image.shape[:2]
    channels = []
    for c in range(3):
        plane = Image.fromarray(source[..., c].astype(np.float32), "F")
        channels.append(np.asarray(plane.transform((w, h), Image.PERSPECTIVE, tuple(coeffs),
                                                   Image.NEAREST), dtype=np.float32))
    m = paint.polygon(w, h, quad)
    paint.put(image, m, np.stack(channels, axis=2))
    return m


def _frame(image, lights, ambient):
    z0, z1, y0, y1 = FRAME
    x = X1 - 0.03
    outer = [scene.project(CAM, p) for p in ((x, y1 + 0.08, z0 - 0.08), (x, y1 + 0.08, z1 + 0.08),
                                             (x, y0 - 0.08, z1 + 0.08), (x, y0 - 0.08, z0 - 0.08))]
    light = scene.light_at((X1, (y0 + y1) / 2, (z0 + z1) / 2), (-1, 0, 0), lights, ambient)
    frame = paint.polygon(CAM.w, CAM.h, outer)
    paint.put(image, frame, paint.rgb((96, 62, 34)) * light * 1.3)
    paint.put(image, paint.rim(frame, 0, -1), paint.rgb((170, 120, 70)) * light * 1.3)
    inner = [scene.project(CAM, p) for p in ((x - 0.01, y1, z0), (x - 0.01, y1, z1),
                                             (x - 0.01, y0, z1), (x - 0.01, y0, z0))]
    # The drawing is seen from the viewer's side: its left edge is the far one.
    quad = [inner[1], inner[0], inner[3], inner[2]]
    drawing = duckling_drawing()[:, ::-1] * np.minimum(light * 1.6, 1.2)
    _perspective_paste(image, drawing, quad)
    paint.glow(image, *scene.project(CAM, (X1 - 0.1, 2.05, (z0 + z1) / 2)), 14, (255, 230, 170),
               0.25)


def _sign(image, lights, ambient):
    """The direction sign hanging from the ceiling: the three ways out of here."""
    z, x0, x1, y0, y1 = 2.6, 0.12, 1.12, 1.92, 2.3
    a, b = scene.project(CAM, (x0, y1, z)), scene.project(CAM, (x1, y0, z))
    for x in (x0 + 0.1, x1 - 0.1):
        p, q = scene.project(CAM, (x, TOP, z)), scene.project(CAM, (x, y1, z))
        paint.put(image, paint.line(CAM.w, CAM.h, [p, q], 1), (30, 30, 30))
    light = np.maximum(scene.light_at(((x0 + x1) / 2, y0, z), (0, 0, -1), lights, ambient), 0.7)
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0] - 1, a[1] - 1, b[0] + 1, b[1] + 1),
              (20, 24, 22))
    paint.put(image, paint.rect(CAM.w, CAM.h, a[0], a[1], b[0], b[1]),
              paint.rgb((34, 76, 54)) * light)
    rows = [("^", "LABORATORIO"), ("<", "SALIDA"), ("v", "DESCANSO")]
    for i, (arrow, word) in enumerate(rows):
        y = a[1] + 3 + i * 7
        pixelfont.put_text(image, a[0] + 3, y, arrow, paint.rgb((240, 220, 120)) * light)
        pixelfont.put_text(image, a[0] + 9, y, word, paint.rgb((226, 230, 214)) * light)


def picture():
    lights, ambient = _lights()
    image, _ = scene.room(CAM, X0, X1, TOP, END, _textures(), lights, ambient)
    _far_door(image, lights, ambient)
    _wall_runs(image, lights, ambient, -1)
    _wall_runs(image, lights, ambient, 1)
    _west_opening(image, lights, ambient)
    _sagging_cables(image, lights, ambient)
    _frame(image, lights, ambient)
    _lamps(image)
    _sign(image, lights, ambient)
    paint.vignette(image, 0.6)
    paint.quiet_bottom(image)
    return paint.finish(image, quiet=paint.QUIET_ROWS)
