"""A tiny perspective renderer for the rooms: a camera, lit planes, boxes and projection.

World units are metres: x to the right, y up from the floor, z away from the viewer.
The camera stands at (0, eye, 0) looking along z; `cy` may sit above the middle of
the picture, like a shifted lens, so more floor shows without converging walls.
Lighting is Lambert with a soft distance falloff, evaluated per pixel on every plane,
so walls, floors and the faces of furniture share the same pools of light.
"""

from collections import namedtuple

import numpy as np

import paint

Camera = namedtuple("Camera", "w h f cx cy eye")
# pos: (x, y, z); colour: 0..255; reach: distance at which the light has halved;
# aim/cone: for a spot, the direction it points and the cosine where it has faded out.
Light = namedtuple("Light", "pos colour power reach aim cone", defaults=(None, None))


def rays(cam):
    """Per-pixel view directions with z = 1 (so a hit's parameter is its depth)."""
    y, x = np.mgrid[0:cam.h, 0:cam.w].astype(np.float32)
    return (x + 0.5 - cam.cx) / cam.f, -(y + 0.5 - cam.cy) / cam.f


def project(cam, p):
    """Screen position of world point p."""
    x, y, z = p
    return (cam.cx + cam.f * x / z, cam.cy - cam.f * (y - cam.eye) / z)


def plane_points(cam, axis, value):
    """World points where each pixel's ray meets the plane `axis` = value, and depths."""
    dx, dy = rays(cam)
    if axis == 2:
        t = np.full(dx.shape, value, dtype=np.float32)
    else:
        d = dx if axis == 0 else dy
        origin = 0.0 if axis == 0 else cam.eye
        with np.errstate(divide="ignore", invalid="ignore"):
            t = (value - origin) / d
        t = np.where(np.isfinite(t) & (t > 0), t, np.inf).astype(np.float32)
    return np.stack([dx * t, cam.eye + dy * t, t]), t


def illuminate(points, normal, lights, ambient):
    """The light (HxWx3, 0..1 and over) falling on `points` whose surface faces `normal`."""
    n = np.asarray(normal, dtype=np.float32).reshape(3, 1, 1)
    total = np.zeros(points.shape[1:] + (3,), dtype=np.float32)
    total += paint.rgb(ambient)
    for light in lights:
        v = np.asarray(light.pos, dtype=np.float32).reshape(3, 1, 1) - points
        dist = np.sqrt((v * v).sum(axis=0)) + 1e-6
        lambert = np.clip((v * n).sum(axis=0) / dist, 0, 1)
        amount = light.power * lambert / (1 + (dist / light.reach) ** 2)
        if light.aim is not None:
            aim = np.asarray(light.aim, dtype=np.float32)
            aim = (aim / np.linalg.norm(aim)).reshape(3, 1, 1)
            c = -(v * aim).sum(axis=0) / dist
            t = np.clip((c - light.cone) / (1 - light.cone), 0, 1)
            amount *= t * t * (3 - 2 * t)
        total += amount[..., None] * paint.rgb(light.colour)
    return total


def light_at(point, normal, lights, ambient):
    """The light at one world point, as a 3-vector (for figures painted flat)."""
    p = np.asarray(point, dtype=np.float32).reshape(3, 1, 1)
    return illuminate(p, normal, lights, ambient)[0, 0]


def room(cam, x0, x1, y1, z1, textures, lights, ambient):
    """Renders the inside of a box room (floor y=0, ceiling y1, walls x0/x1, back z1).

    `textures` maps "floor", "ceiling", "left", "right", "back" to functions
    (points, w, h) -> HxWx3 albedo. Returns the lit image and the per-pixel depth.
    """
    surfaces = [("floor", 1, 0.0, (0, 1, 0)), ("ceiling", 1, y1, (0, -1, 0)),
                ("left", 0, x0, (1, 0, 0)), ("right", 0, x1, (-1, 0, 0)),
                ("back", 2, z1, (0, 0, -1))]
    image = paint.canvas(cam.w, cam.h)
    depth = np.full((cam.h, cam.w), np.inf, dtype=np.float32)
    hits = []
    for name, axis, value, normal in surfaces:
        points, t = plane_points(cam, axis, value)
        inside = ((points[0] >= x0 - 1e-3) & (points[0] <= x1 + 1e-3) & (points[1] >= -1e-3)
                  & (points[1] <= y1 + 1e-3) & (points[2] <= z1 + 1e-3) & np.isfinite(t))
        t = np.where(inside, t, np.inf)
        hits.append((name, points, t, normal))
    best = np.minimum.reduce([h[2] for h in hits])
    for name, points, t, normal in hits:
        m = (t == best) & np.isfinite(t)
        if not m.any():
            continue
        safe = np.where(np.isfinite(points), points, 0)
        lit = textures[name](safe, cam.w, cam.h) * illuminate(safe, normal, lights, ambient)
        image[m] = lit[m]
        depth[m] = t[m]
    return image, depth


def face(image, cam, corners, normal, albedo, lights, ambient):
    """Paints one flat polygon given by world corners, lit per pixel on its plane.

    `albedo` is a 0..255 colour or a function (points, w, h) -> HxWx3.
    """
    normal = np.asarray(normal, dtype=np.float32)
    axis = int(np.argmax(np.abs(normal)))
    value = float(corners[0][axis])
    points, _ = plane_points(cam, axis, value)
    points = np.where(np.isfinite(points), points, 0)
    m = paint.polygon(cam.w, cam.h, [project(cam, c) for c in corners])
    colour = albedo(points, cam.w, cam.h) if callable(albedo) else paint.rgb(albedo)
    paint.put(image, m, colour * illuminate(points, normal, lights, ambient))
    return m


def box(image, cam, lo, hi, albedo, lights, ambient, faces="all"):
    """A lit axis-aligned box from corner `lo` to corner `hi`; only the faces the eye sees.

    `albedo` is one colour/function for all faces, or a dict by face name
    ("front", "top", "bottom", "left", "right").
    """
    (x0, y0, z0), (x1, y1, z1) = lo, hi
    sides = []
    if y1 < cam.eye:
        sides.append(("top", [(x0, y1, z0), (x1, y1, z0), (x1, y1, z1), (x0, y1, z1)], (0, 1, 0)))
    if y0 > cam.eye:
        sides.append(("bottom", [(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)],
                      (0, -1, 0)))
    if x0 > 0:
        sides.append(("left", [(x0, y0, z0), (x0, y1, z0), (x0, y1, z1), (x0, y0, z1)], (-1, 0, 0)))
    if x1 < 0:
        sides.append(("right", [(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)], (1, 0, 0)))
    sides.append(("front", [(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0)], (0, 0, -1)))
    for name, corners, normal in sides:
        if faces != "all" and name not in faces:
            continue
        a = albedo.get(name, albedo.get("front")) if isinstance(albedo, dict) else albedo
        face(image, cam, corners, normal, a, lights, ambient)


def flat(colour):
    """A texture of one colour."""
    c = paint.rgb(colour)
    return lambda points, w, h: np.broadcast_to(c, (h, w, 3))


def tiles(colour, grout, size, u_axis, v_axis, grime=0.25, k=0, grout_width=0.06):
    """Square tiles on a plane, with grout lines and uneven grime."""
    c, g = paint.rgb(colour), paint.rgb(grout)

    def texture(points, w, h):
        u = points[u_axis] / size
        v = points[v_axis] / size
        line = (np.abs(u - np.round(u)) < grout_width) | (np.abs(v - np.round(v)) < grout_width)
        ti = (np.floor(u) * 7 + np.floor(v) * 13) % 5 / 5.0
        base = c * (0.9 + 0.12 * ti[..., None])
        dirt = paint.smooth_noise(w, h, 18, k)[..., None]
        base = base * (1 - grime * dirt) * (0.94 + 0.12 * paint.hash01(w, h, k + 5)[..., None])
        return np.where(line[..., None], g, base)
    return texture


def concrete(colour, k=0, stains=0.35):
    """Rough concrete: mottled value noise and a fine grain."""
    c = paint.rgb(colour)

    def texture(points, w, h):
        n = paint.smooth_noise(w, h, 22, k)[..., None]
        grain = paint.hash01(w, h, k + 1)[..., None]
        return c * (1 - stains + stains * 1.6 * n) * (0.9 + 0.2 * grain)
    return texture


def pipe(image, cam, a, b, radius, colour, light, highlight=(1, -1)):
    """A round pipe (or bar, or cable) from world point a to b, shaded across its width.

    `light` is the light colour on it (a 3-vector); the bright stripe sits on the
    side given by `highlight` in screen directions.
    """
    (ax, ay), (bx, by) = project(cam, a), project(cam, b)
    wa, wb = cam.f * radius / a[2], cam.f * radius / b[2]
    dx, dy = bx - ax, by - ay
    n = max(1e-6, (dx * dx + dy * dy) ** 0.5)
    px, py = -dy / n, dx / n
    if px * highlight[0] + py * highlight[1] < 0:
        px, py = -px, -py
    h, w = cam.h, cam.w
    base = paint.rgb(colour) * light
    if max(wa, wb) < 0.8:  # thinner than a pixel: one line of the pipe's own shade
        paint.put(image, paint.line(w, h, [(ax, ay), (bx, by)], 1), base)
        return

    def band(lo, hi):
        return paint.polygon(w, h, [(ax + px * wa * lo, ay + py * wa * lo),
                                    (bx + px * wb * lo, by + py * wb * lo),
                                    (bx + px * wb * hi, by + py * wb * hi),
                                    (ax + px * wa * hi, ay + py * wa * hi)])
    paint.put(image, np.maximum(band(-1, 1), paint.line(w, h, [(ax, ay), (bx, by)], 1)),
              base * 0.45)
    paint.put(image, band(-0.55, 0.9), base)
    paint.put(image, band(0.35, 0.7), np.minimum(base * 1.4 + 0.02, 1.0))
