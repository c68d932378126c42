"""The three full-window pictures: the title, the end of the chapter and the death."""

import numpy as np
from PIL import ImageFont

import figures
import paint
import pixelfont
import scene
from figures import Place
from scene import Camera, Light

W, H = 320, 240
SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"


def _title_text(image, text, size, y, top, bottom, outline=(6, 7, 10), halo=None):
    """Big lettering in hard pixels: a vertical gradient fill, a dark outline, a soft halo."""
    font = ImageFont.truetype(SERIF, size)
    box = font.getbbox(text)
    x = (W - (box[2] - box[0])) / 2 - box[0]
    m = paint.mask(W, H, lambda d: d.text((x, y), text, font=font, fill=255))
    m = (m > 0.5).astype(np.float32)
    ring = np.maximum.reduce([paint.shift(m, dx, dy) for dx, dy in
                              ((1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (2, 2), (1, 2))])
    if halo is not None:
        blur = np.zeros((H, W), dtype=np.float32)
        for r in (2, 4, 6):
            for dx, dy in ((r, 0), (-r, 0), (0, r), (0, -r)):
                blur += paint.shift(m, dx, dy)
        image += (np.clip(blur / 6, 0, 1) * 0.35)[..., None] * paint.rgb(halo)
    paint.put(image, ring, outline)
    ys = np.nonzero(m.any(axis=1))[0]
    fill = paint.vgrad(W, H, ys.min(), ys.max(), top, bottom)
    paint.put(image, m, fill)
    paint.put(image, paint.rim(m, 0, -1) * m, paint.rgb(top) * 1.15)


def _prompt(image, text, y, colour=(150, 156, 150)):
    pixelfont.put_text(image, (W - pixelfont.width(text)) / 2, y, text, colour)


def _stars(image, k, top, bottom, density=0.004):
    n = paint.hash01(W, H, k)
    m = (n > 1 - density).astype(np.float32)
    m[:int(top)] = 0
    m[int(bottom):] = 0
    bright = paint.hash01(W, H, k + 1)[..., None]
    image += m[..., None] * (0.25 + 0.5 * bright) * paint.rgb((200, 210, 255))


def title():
    """Night over the laboratory: a dark block of a building, its basement windows
    glowing green at the foot of the wall, mist, and the name above it all."""
    image = paint.vgrad(W, H, 0, 170, (8, 10, 24), (30, 40, 70))
    _stars(image, 101, 0, 120)
    # The moon behind thin cloud.
    paint.put(image, paint.ellipse(W, H, 262, 74, 12, 12), (214, 220, 206))
    paint.put(image, paint.ellipse(W, H, 257, 71, 3, 2), (180, 186, 176))
    paint.put(image, paint.ellipse(W, H, 266, 79, 2, 2), (190, 196, 186))
    paint.glow(image, 262, 74, 60, (90, 110, 150), 0.35)
    clouds = paint.smooth_noise(W, H, 30, 102, 4)
    cloud_band = np.clip((clouds - 0.5) * 3, 0, 1) * np.clip(1 - np.abs(np.arange(H)[:, None]
                                                                          - 60) / 50, 0, 1)
    paint.put(image, cloud_band, paint.vgrad(W, H, 20, 110, (40, 46, 70), (22, 26, 44)), 0.85)
    # Far city and trees, then the building.
    hills = paint.polygon(W, H, [(0, 150), (40, 140), (90, 146), (150, 136), (220, 144),
                                 (320, 138), (320, 240), (0, 240)])
    paint.put(image, hills, (14, 18, 30))
    bld = paint.polygon(W, H, [(36, 160), (36, 96), (120, 96), (120, 80), (200, 80), (200, 96),
                               (290, 96), (290, 160)])
    paint.put(image, bld, paint.vgrad(W, H, 80, 160, (22, 26, 40), (12, 14, 22)))
    paint.shade(image, bld, 1.0)
    brick = paint.smooth_noise(W, H, 5, 104, 2)
    image *= (1 + bld * (brick - 0.5) * 0.35)[..., None]
    for y in range(100, 160, 20):  # floor lines of the facade
        paint.put(image, paint.rect(W, H, 36, y, 290, y + 1) * bld, (10, 12, 20))
    paint.put(image, paint.rim(bld, 0, -1), (50, 58, 84))
    paint.put(image, paint.rect(W, H, 170, 58, 180, 80), (16, 18, 28))  # chimney
    paint.put(image, paint.line(W, H, [(140, 80), (140, 50)], 1), (30, 34, 48))
    paint.put(image, paint.rect(W, H, 139, 49, 142, 51), (255, 60, 40))
    paint.glow(image, 140, 50, 8, (255, 40, 30), 0.5)
    for row, y in enumerate((104, 124, 144)):
        for col in range(12):
            x = 46 + col * 20 + (0 if row % 2 else 2)
            if 118 <= x <= 200 and row == 0:
                continue
            lit = ((col * 7 + row * 3) % 11) == 0
            colour = (200, 170, 100) if lit else (20, 24, 38)
            paint.put(image, paint.rect(W, H, x, y, x + 8, y + 10), colour)
            if lit:
                paint.glow(image, x + 4, y + 5, 12, (200, 150, 80), 0.2)
    # The ground, and the basement windows at its level, glowing green.
    paint.put(image, paint.rect(W, H, 0, 160, W, H), (10, 12, 16))
    for x in (60, 104, 148, 192, 236):
        paint.put(image, paint.rect(W, H, x, 158, x + 26, 168), (14, 30, 20))
        paint.put(image, paint.rect(W, H, x + 2, 160, x + 24, 167), (110, 200, 90))
        for bx in range(x + 5, x + 24, 5):
            paint.put(image, paint.rect(W, H, bx, 159, bx + 1, 168), (10, 16, 12))
        paint.glow(image, x + 13, 168, 34, (80, 200, 90), 0.35, ry=18)
    # Mist drifting over the ground.
    mist = paint.smooth_noise(W, H, 24, 103, 3)
    band = np.clip(1 - np.abs(np.arange(H)[:, None] - 172) / 28, 0, 1)
    paint.put(image, np.clip(mist * band * 1.4, 0, 1), (70, 90, 96), 0.45)
    paint.put(image, paint.rect(W, H, 0, 178, W, H), paint.vgrad(W, H, 178, 240, (10, 12, 16),
                                                                 (4, 5, 8)))
    # The stairwell down to the basement door, lit green from below.
    well = paint.polygon(W, H, [(144, 176), (182, 176), (190, 196), (136, 196)])
    paint.put(image, well, paint.vgrad(W, H, 176, 196, (30, 70, 40), (120, 220, 110)))
    for y in range(179, 196, 4):
        paint.put(image, paint.rect(W, H, 138, y, 188, y + 1) * well, (16, 40, 24))
    paint.glow(image, 163, 192, 46, (80, 220, 100), 0.35, ry=26)
    paint.put(image, paint.rect(W, H, 140, 174, 186, 176), (20, 24, 30))
    # A fence in front, in silhouette.
    for x in range(0, W, 9):
        paint.put(image, paint.rect(W, H, x, 176, x + 2, 214), (4, 5, 8))
    paint.put(image, paint.rect(W, H, 0, 182, W, 184), (4, 5, 8))
    paint.put(image, paint.rect(W, H, 0, 204, W, 206), (4, 5, 8))
    paint.vignette(image, 0.6)
    _title_text(image, "Sombrial", 50, 6, (214, 230, 200), (70, 120, 80), halo=(60, 160, 80))
    _prompt(image, "PULSA INTRO", 224)
    return paint.finish(image)


def chapter_end():
    """Out of the basement and into worse: a corridor of the evacuated building under
    toxic green gas, a light hanging loose, something tall waiting at the end."""
    cam = Camera(W, H, 200.0, 160.0, 110.0, 1.6)
    lights = [Light((0, 2.3, 3.0), (200, 255, 180), 0.9, 1.2),
              Light((0.3, 1.0, 11.0), (140, 255, 120), 1.2, 1.4)]
    tex = {"floor": scene.tiles((70, 74, 70), (30, 34, 30), 0.5, 0, 2, grime=0.5, k=111),
           "ceiling": scene.concrete((60, 64, 60), k=112),
           "left": scene.concrete((90, 96, 88), k=113, stains=0.5),
           "right": scene.concrete((90, 96, 88), k=114, stains=0.5),
           "back": scene.concrete((80, 90, 80), k=115)}
    image, depth = scene.room(cam, -1.4, 1.4, 2.7, 14.0, tex, lights, (14, 20, 16))
    # Doors along the walls, some open.
    for z in (2.5, 5.5, 8.5):
        for side in (-1, 1):
            x = 1.4 * side - side * 0.01
            pts = [scene.project(cam, (x, y, zz)) for y, zz in ((0, z), (2.0, z), (2.0, z + 0.9),
                                                                 (0, z + 0.9))]
            dark = (z * 3 + side) % 2 == 0
            paint.put(image, paint.polygon(W, H, pts), (8, 12, 10) if dark else (50, 56, 50))
    # The gas: thick near the floor, thickening with distance, drifting in curls.
    fog = 1 - np.exp(-np.where(np.isfinite(depth), depth, 20) / 7.0)
    swirl = paint.smooth_noise(W, H, 20, 116, 4)
    low = np.clip((np.arange(H, dtype=np.float32)[:, None] - 90) / 150, 0, 1)
    amount = np.clip(fog * 0.7 + swirl * low * 0.6, 0, 0.9)
    paint.put(image, amount, paint.vgrad(W, H, 60, 240, (60, 110, 60), (90, 150, 70)))
    # The figure at the end of the corridor: too tall, too thin, arms too long.
    fx, fy = scene.project(cam, (0.2, 0, 10.5))
    s = cam.f / 10.5
    body = paint.polygon(W, H, [(fx - 0.18 * s, fy), (fx - 0.1 * s, fy - 1.2 * s),
                                (fx - 0.28 * s, fy - 1.9 * s), (fx - 0.1 * s, fy - 2.2 * s),
                                (fx + 0.12 * s, fy - 2.2 * s), (fx + 0.3 * s, fy - 1.9 * s),
                                (fx + 0.12 * s, fy - 1.2 * s), (fx + 0.2 * s, fy)])
    body = np.maximum(body, paint.ellipse(W, H, fx, fy - 2.35 * s, 0.12 * s, 0.16 * s))
    for side in (-1, 1):
        body = np.maximum(body, paint.line(W, H, [(fx + side * 0.26 * s, fy - 1.9 * s),
                                                  (fx + side * 0.42 * s, fy - 1.0 * s),
                                                  (fx + side * 0.46 * s, fy - 0.3 * s)], 1))
    paint.put(image, body, (16, 30, 20), 0.9)
    for side in (-1, 1):
        paint.put(image, paint.rect(W, H, fx + side * 0.05 * s - 0.5, fy - 2.38 * s,
                                    fx + side * 0.05 * s + 0.5, fy - 2.36 * s + 1), (230, 255, 160))
    # The broken lamp hanging by its cable.
    lx, ly = scene.project(cam, (0.0, 2.2, 3.0))
    tx, ty = scene.project(cam, (0.0, 2.7, 3.0))
    paint.put(image, paint.line(W, H, [(tx, ty), (lx - 4, ly)], 1), (10, 12, 10))
    paint.put(image, paint.ellipse(W, H, lx - 4, ly + 3, 4, 3), (240, 255, 210))
    paint.glow(image, lx - 4, ly + 3, 40, (170, 255, 150), 0.3)
    paint.vignette(image, 0.75)
    shade = paint.rect(W, H, 0, 150, W, H) * np.clip((np.arange(H)[:, None] - 150) / 40, 0, 0.7)
    paint.shade(image, shade, 0.3)
    _title_text(image, "Continuará...", 34, 172, (226, 240, 200), (90, 150, 80),
                halo=(60, 140, 60))
    _prompt(image, "FIN DEL PRIMER CAPITULO", 20, (170, 200, 160))
    _prompt(image, "PULSA INTRO", 226)
    return paint.finish(image)


def game_over():
    """The last thing you see: the dog's face out of the dark, and your own blood."""
    image = paint.vgrad(W, H, 0, 240, (36, 4, 6), (8, 2, 3))
    paint.glow(image, 160, 100, 170, (120, 10, 12), 0.45, ry=120)
    light = np.array([0.9, 0.35, 0.32], dtype=np.float32)
    figures.dog_face(image, Place(160, 80, 2.55), light, eye=(255, 80, 40),
                     rim_colour=(255, 90, 60))
    # Blood spattered over the view: ragged blots with their droplets, running down.
    drops = [(38, 34, 11), (72, 16, 5), (284, 46, 9), (262, 186, 12), (22, 150, 7),
             (300, 118, 6), (104, 196, 6), (208, 22, 4)]
    for k, (x, y, r) in enumerate(drops):
        n = paint.smooth_noise(W, H, max(2, r * 0.6), 200 + k, 2)
        d = paint.radial(W, H, x, y, r * 2.2, r * 1.9)
        m = ((d + (n - 0.5) * 0.9) > 0.45).astype(np.float32)
        for j in range(6):
            a = k * 1.7 + j * 1.05
            dist = r * (1.9 + 0.5 * ((j * 7 + k) % 3))
            m = np.maximum(m, paint.ellipse(W, H, x + np.cos(a) * dist, y + np.sin(a) * dist,
                                            1 + r * 0.12 * ((j + k) % 3), 1 + r * 0.1))
        for j in range(2):
            xr = x - r * 0.5 + j * r * 0.9
            m = np.maximum(m, paint.rect(W, H, xr, y, xr + 1 + (k + j) % 2,
                                         y + r * 2 + ((k * 3 + j * 5) % 4) * 6))
        paint.put(image, m, (110, 6, 10), 0.9)
        paint.put(image, paint.rim(m, -1, -1), (190, 34, 36), 0.7)
    paint.vignette(image, 0.8)
    _title_text(image, "Has muerto", 40, 176, (240, 90, 70), (120, 10, 12), halo=(200, 20, 20))
    _prompt(image, "PULSA INTRO", 226, (170, 110, 100))
    return paint.finish(image)
