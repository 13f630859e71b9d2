"""The game screen's pictures: background, lake mask, arrow rings, boats, buoy, water, ripple, shadow and lake bottom."""

import math

import numpy as np
from PIL import Image

import lake
from canvas import Canvas, downsample, gaussian, rgba, rotate_points, shade

SCREEN_W, SCREEN_H = 800, 600
MAP_X, MAP_Y = 229, 29
GLASS = (204.0, 398.0)     # centre of the magnifier's glass on the screen
GLASS_R = 154.0            # radius of the transparent hole
FRAME_R = 178.0            # outer radius of the frame
RING_AT = (65, 255)        # where the rings and the lens boat are drawn
HANDLE_END = (392.0, 586.0)

# Bowl icons: number → (top-left, size); the treasures stand on their bowls.
BOWL_ICONS = {
    136: ((470, 515), (60, 48)),
    137: ((562, 505), (76, 60)),
    138: ((658, 395), (70, 72)),
    139: ((475, 427), (50, 38)),
    140: ((657, 505), (72, 62)),
    141: ((574, 386), (52, 80)),
}


def periodic_noise(size, scales, seed):
    """Smooth noise that tiles seamlessly: white noise filtered with a periodic Gaussian."""
    rng = np.random.RandomState(seed)
    total = np.zeros((size, size))
    for sigma, weight in scales:
        n = gaussian(rng.standard_normal((size, size)), sigma, wrap=True)
        total += weight * n / n.std()
    return total


def smooth_noise(w, h, sigma, seed):
    rng = np.random.RandomState(seed)
    n = gaussian(rng.standard_normal((h, w)), sigma)
    return n / n.std()


# -- lake mask and map ------------------------------------------------------
def lake_mask():
    alpha = lake.mask_alpha()
    out = np.zeros(alpha.shape + (4,), np.uint8)
    out[..., 3] = alpha
    return Image.fromarray(out, "RGBA")


def map_picture(alpha):
    """The parchment map: the lake mask drawn pixel for pixel, water blue and land parchment."""
    h, w = alpha.shape
    land = alpha.astype(np.float64) / 255.0
    near_land = gaussian(land, 4.0)
    grain = smooth_noise(w, h, 6, 11)
    fine = smooth_noise(w, h, 1.2, 12)
    parchment = np.stack([236 + 6 * grain + 3 * fine, 214 + 6 * grain + 3 * fine, 160 + 5 * grain + 3 * fine], -1)
    # Land near the coast is a little greener, like a meadow on the shore.
    meadow = np.clip((gaussian(1 - land, 6.0) * 3), 0, 1)[..., None]
    parchment = parchment * (1 - 0.45 * meadow) + np.array([170, 205, 120]) * 0.45 * meadow
    deep = np.clip(1 - near_land * 2.5, 0, 1)[..., None]
    water = np.array([120, 195, 235]) * (1 - deep) + np.array([70, 150, 215]) * deep
    water = water + 4 * grain[..., None]
    # A darker line just inside the water marks the coast.
    coast = np.clip((near_land - 0.12) * 4, 0, 1)[..., None] * (1 - land[..., None])
    water = water * (1 - 0.35 * coast) + np.array([40, 100, 170]) * 0.35 * coast
    rgb = water * (1 - land[..., None]) + parchment * land[..., None]
    img = Image.fromarray(np.clip(np.round(rgb), 0, 255).astype(np.uint8), "RGB").convert("RGBA")
    # Trees and hills only where the land is whole well away from the coast.
    c = Canvas(w, h, s=4)
    solid = gaussian(land, 3.0) > 0.985
    rng = np.random.RandomState(5)
    placed = []
    for _ in range(900):
        x, y = rng.randint(8, w - 8), rng.randint(10, h - 8)
        if not solid[max(y - 11, 0):y + 4, max(x - 7, 0):x + 8].all() or not land[max(y - 11, 0):y + 4, max(x - 7, 0):x + 8].min() >= 1.0:
            continue
        if any(abs(px - x) < 14 and abs(py - y) < 14 for px, py in placed):
            continue
        placed.append((x, y))
    for x, y in sorted(placed, key=lambda p: p[1]):
        c.rect(x - 1, y - 2, x + 1, y + 2, fill=(130, 85, 45))
        c.ellipse(x, y - 6, 5.5, 6, fill=("linear", [(120, 200, 90), (60, 150, 60)], ((x, y - 12), (x, y))), outline=(40, 100, 40), width=1)
    img.alpha_composite(c.picture())
    out = np.asarray(img).copy()
    # Decorations never reach the water: outside whole land the plain map stays.
    plain = np.asarray(Image.fromarray(np.clip(np.round(rgb), 0, 255).astype(np.uint8), "RGB").convert("RGBA"))
    keep = land < 1.0
    out[keep] = plain[keep]
    return Image.fromarray(out, "RGBA")


# -- background --------------------------------------------------------------
def wood(w, h):
    rng = np.random.RandomState(3)
    ys, xs = np.mgrid[0:h, 0:w].astype(np.float64)
    plank = (ys // 75).astype(int)
    offs = rng.uniform(0, 400, size=plank.max() + 1)[plank]
    grain = np.sin((xs + offs) / 37.0 + 3 * np.sin((ys + offs) / 23.0) + 2.5 * smooth_noise(w, h, 18, 4)) * 0.5 + 0.5
    tone = rng.uniform(-10, 10, size=plank.max() + 1)[plank]
    base = np.stack([218 + tone + 14 * grain, 168 + tone + 12 * grain, 112 + tone * 0.6 + 8 * grain], -1)
    seam = ((ys % 75) < 2)[..., None]
    base = np.where(seam, base * 0.72, base)
    return Image.fromarray(np.clip(base, 0, 255).astype(np.uint8), "RGB").convert("RGBA")


def background(icons):
    c = Canvas(SCREEN_W, SCREEN_H, s=3)
    c.img = wood(SCREEN_W, SCREEN_H).resize((SCREEN_W * 3, SCREEN_H * 3), Image.NEAREST)
    # The shelf with six bowls lies partly under the map.
    c.rect(446, 384, 748, 594, fill=(60, 35, 15, 60), radius=18)
    c.rect(442, 376, 744, 588, fill=("linear", [(250, 236, 200), (232, 205, 150)], ((0, 376), (0, 588))), outline=(150, 105, 55), width=3, radius=18)
    # The map's paper edge and a drop shadow.
    c.rect(MAP_X - 9, MAP_Y - 7, MAP_X + 541 + 12, MAP_Y + 352 + 9, fill=(60, 35, 15, 70), radius=8)
    c.rect(MAP_X - 12, MAP_Y - 12, MAP_X + 541 + 10, MAP_Y + 352 + 5, fill=(238, 220, 170), outline=(150, 105, 55), width=3, radius=8)
    c.rect(MAP_X - 2, MAP_Y - 2, MAP_X + 541 + 1, MAP_Y + 352 + 1, fill=None, outline=(150, 105, 55), width=1.5)
    # A compass rose in the free corner: it tells "this is a map".
    cx, cy = 118, 112
    c.ellipse(cx, cy, 62, 62, fill=(245, 230, 190), outline=(150, 105, 55), width=3)
    c.ellipse(cx, cy, 50, 50, fill=None, outline=(200, 170, 120), width=2)
    for k in range(8):
        a = k * math.pi / 4
        r = 48 if k % 2 == 0 else 30
        tip = (cx + r * math.sin(a), cy - r * math.cos(a))
        l = (cx + 9 * math.sin(a - math.pi / 2), cy - 9 * math.cos(a - math.pi / 2))
        rr = (cx + 9 * math.sin(a + math.pi / 2), cy - 9 * math.cos(a + math.pi / 2))
        col = (220, 60, 50) if k == 0 else ((70, 120, 190) if k % 2 == 0 else (150, 170, 200))
        c.polygon([tip, l, (cx, cy), rr], fill=col, outline=shade(col, 0.6), width=1.5)
    c.ellipse(cx, cy, 6, 6, fill=(255, 210, 60), outline=(150, 105, 55), width=1.5)
    for number, ((x, y), (w, h)) in BOWL_ICONS.items():
        bx, by = x + w / 2, y + h - 3
        c.ellipse(bx, by + 4, 44, 14, fill=(90, 55, 20, 70))
        c.ellipse(bx, by, 44, 13, fill=("linear", [(120, 190, 230), (40, 110, 180)], ((0, by - 13), (0, by + 13))), outline=(25, 70, 130), width=2.5)
        c.ellipse(bx, by - 2, 34, 8, fill=(30, 85, 150), outline=None)
        # A faint outline of the treasure shows what belongs in this bowl.
        ghost = silhouette(icons[number])
        c.paste(ghost, x, y)
    # The magnifier: handle, then the frame round the glass.
    gx, gy = GLASS
    a = math.atan2(HANDLE_END[1] - gy, HANDLE_END[0] - gx)
    start = (gx + (FRAME_R - 6) * math.cos(a), gy + (FRAME_R - 6) * math.sin(a))
    c.line([(start[0] + 6, start[1] + 8), (HANDLE_END[0] + 6, HANDLE_END[1] + 8)], (60, 35, 15, 80), 36)
    c.line([start, HANDLE_END], (90, 40, 20), 36)
    c.line([start, HANDLE_END], ("linear", [(200, 90, 40), (150, 60, 25)], ((start[0] - 10, start[1] + 10), (start[0] + 10, start[1] - 10))), 30)
    c.line([(start[0] + 14, start[1] + 8), (HANDLE_END[0] - 4, HANDLE_END[1] - 8)], (240, 160, 110), 5)
    neck = (gx + (FRAME_R + 4) * math.cos(a), gy + (FRAME_R + 4) * math.sin(a))
    c.ellipse(neck[0], neck[1], 22, 22, fill=(200, 160, 40), outline=(120, 85, 10), width=3)
    c.ellipse(gx + 4, gy + 6, FRAME_R + 2, FRAME_R + 2, fill=(60, 35, 15, 80))
    c.ellipse(gx, gy, FRAME_R, FRAME_R, fill=("linear", [(255, 235, 140), (230, 170, 40), (170, 110, 10)], ((gx - 120, gy - 120), (gx + 120, gy + 120))),
              outline=(120, 80, 10), width=3)
    c.ellipse(gx, gy, GLASS_R + 8, GLASS_R + 8, fill=(120, 80, 10))
    c.line([(gx - 150 * math.cos(t), gy - 150 * math.sin(t)) for t in np.linspace(0.35, 1.25, 20)], (255, 250, 220, 200), 4)
    img = c.picture()
    # The map goes in pixel for pixel, then the glass is cut out.
    mp = map_picture(lake.mask_alpha())
    arr = np.asarray(img).copy()
    m = np.asarray(mp)
    region = arr[MAP_Y:MAP_Y + 352, MAP_X:MAP_X + 541]
    # Only where the magnifier does not lie over the map.
    over = magnifier_cover()[MAP_Y:MAP_Y + 352, MAP_X:MAP_X + 541]
    region[...] = np.where(over[..., None], region, m)
    ys, xs = np.mgrid[0:SCREEN_H, 0:SCREEN_W].astype(np.float64) + 0.5
    d = np.hypot(xs - gx, ys - gy)
    hole = np.clip(d - GLASS_R + 0.5, 0, 1)
    arr[..., 3] = np.round(arr[..., 3] * hole).astype(np.uint8)
    return Image.fromarray(arr, "RGBA")


def magnifier_cover():
    """Screen pixels that the magnifier (glass, frame, neck) covers."""
    gx, gy = GLASS
    ys, xs = np.mgrid[0:SCREEN_H, 0:SCREEN_W].astype(np.float64) + 0.5
    return np.hypot(xs - gx, ys - gy) < FRAME_R + 2


def silhouette(icon):
    a = np.asarray(icon).copy()
    out = np.zeros_like(a)
    out[..., 0:3] = (110, 90, 60)
    out[..., 3] = (a[..., 3].astype(np.float64) * 0.28).astype(np.uint8)
    return Image.fromarray(out, "RGBA")


# -- arrow rings, boats, buoy -----------------------------------------------
ARROW_FILL = ("linear", [(255, 230, 90), (255, 170, 20)], ((0, -26), (0, 26)))


def arrow_points(length=50, head=30, width=58, shaft=26):
    """An arrow pointing up, centred on (0, 0)."""
    h2 = length / 2
    return [(0, -h2), (width / 2, -h2 + head), (shaft / 2, -h2 + head), (shaft / 2, h2), (-shaft / 2, h2),
            (-shaft / 2, -h2 + head), (-width / 2, -h2 + head)]


def ring(angle_deg, radius=116):
    """A 280 × 280 ring picture holding one arrow at the given compass angle (0 = up)."""
    c = Canvas(280, 280, s=4)
    a = math.radians(angle_deg)
    cx, cy = 140 + radius * math.sin(a), 140 - radius * math.cos(a)
    base = [(cx + x, cy + y) for x, y in arrow_points()]
    pts = rotate_points(base, cx, cy, angle_deg)
    c.polygon([(x + 3, y + 4) for x, y in pts], fill=(0, 0, 0, 70))
    c.polygon(pts, fill=("linear", [(255, 232, 100), (255, 160, 10)], (rotate_points([(cx, cy - 25)], cx, cy, angle_deg)[0],
                                                                          rotate_points([(cx, cy + 25)], cx, cy, angle_deg)[0])),
              outline=(170, 70, 0), width=3.5)
    hl = rotate_points([(cx - 5, cy + 18), (cx - 5, cy - 4), (cx - 17, cy - 4)], cx, cy, angle_deg)
    c.line(hl, (255, 250, 210), 3)
    img = c.picture()
    return harden(img)


def harden(img):
    """The arrow's body is fully opaque (the hit test wants alpha 255); its shadow and rim stay soft."""
    a = np.asarray(img).copy()
    a[..., 3] = np.where(a[..., 3] >= 200, 255, a[..., 3])
    return Image.fromarray(a, "RGBA")


def lens_boat():
    c = Canvas(280, 280, s=4)
    cx = 140
    top, bottom = 98, 194
    hull = [(cx, top), (cx + 16, top + 18), (cx + 23, top + 48), (cx + 22, bottom - 18), (cx + 14, bottom), (cx - 14, bottom),
            (cx - 22, bottom - 18), (cx - 23, top + 48), (cx - 16, top + 18)]
    c.blob([(x + 4, y + 5) for x, y in hull], fill=(0, 20, 40, 70), steps=10)
    c.blob(hull, fill=("linear", [(240, 80, 60), (200, 40, 30)], ((cx - 23, 0), (cx + 23, 0))), outline=(110, 20, 10), width=3, steps=10)
    inner = [(cx, top + 12), (cx + 11, top + 26), (cx + 16, top + 50), (cx + 15, bottom - 20), (cx + 9, bottom - 8), (cx - 9, bottom - 8),
             (cx - 15, bottom - 20), (cx - 16, top + 50), (cx - 11, top + 26)]
    # The floor lets a little light through, so the patch under the boat still shows.
    c.blob(inner, fill=(235, 200, 140, 150), outline=(150, 90, 40), width=2, steps=10)
    for y in (top + 40, top + 72):
        c.rect(cx - 16, y, cx + 16, y + 9, fill=(190, 120, 60), outline=(110, 60, 20), width=1.5, radius=2)
    c.line([(cx - 6, top + 20), (cx - 10, top + 60)], (255, 200, 190), 2.5)
    # Oars resting along the sides.
    for s in (-1, 1):
        c.line([(cx + s * 22, top + 52), (cx + s * 40, top + 62)], (150, 95, 40), 4)
        c.ellipse(cx + s * 42, top + 63, 6, 4, fill=(170, 110, 50), outline=(100, 60, 20), width=1.5)
    # The green arrow says where the boat goes.
    arrow = [(cx, 56), (cx + 18, 78), (cx + 7, 78), (cx + 7, 92), (cx - 7, 92), (cx - 7, 78), (cx - 18, 78)]
    c.polygon(arrow, fill=("linear", [(140, 240, 110), (40, 170, 50)], ((0, 56), (0, 92))), outline=(20, 100, 20), width=3)
    return c.picture()


def map_boat():
    c = Canvas(14, 35, s=8)
    hull = [(7, 0.8), (11, 6), (12.6, 14), (12.4, 28), (10.5, 34), (3.5, 34), (1.6, 28), (1.4, 14), (3, 6)]
    c.blob(hull, fill=(235, 60, 40), outline=(100, 20, 10), width=1.2, steps=8)
    c.blob([(7, 6), (9.5, 11), (9.6, 27), (8.5, 31), (5.5, 31), (4.4, 27), (4.5, 11)], fill=(255, 215, 150), steps=8)
    c.rect(4.2, 15, 9.8, 17.5, fill=(150, 80, 30))
    c.rect(4.2, 22, 9.8, 24.5, fill=(150, 80, 30))
    return c.picture()


def buoy():
    c = Canvas(9, 17, s=8)
    c.line([(3.2, 1.2), (3.2, 11)], (90, 60, 40), 1.0)
    c.polygon([(3.6, 1), (8.6, 3.3), (3.6, 5.8)], fill=(235, 30, 30), outline=(130, 10, 10), width=0.6)
    c.ellipse(4.5, 13, 4.1, 3.6, fill=("radial", [(255, 255, 255), (255, 245, 170), (245, 200, 60)], ((3.6, 12), 4.5)),
              outline=(150, 100, 20), width=0.8)
    c.line([(1.2, 13.4), (7.8, 13.4)], (235, 30, 30), 1.0)
    return c.picture()


# -- water, ripple, shadow, bottom -------------------------------------------
def water_tile():
    n = periodic_noise(350, [(22, 1.0), (8, 0.5), (3, 0.2)], 21)
    n = (n - n.min()) / (n.max() - n.min())
    rgb = np.stack([40 + 50 * n, 125 + 60 * n, 165 + 50 * n], -1)
    alpha = 55 + 45 * n
    out = np.concatenate([rgb, alpha[..., None]], -1)
    return Image.fromarray(np.clip(np.round(out), 0, 255).astype(np.uint8), "RGBA")


def ripple_frames(count=12):
    """Glints that drift a little from frame to frame; frames run forward and back, so each step is small."""
    size = 350
    rng = np.random.RandomState(31)
    ys, xs = np.mgrid[0:size, 0:size].astype(np.float64)
    waves = [(rng.uniform(0.02, 0.05), rng.uniform(0, 2 * math.pi), rng.uniform(0, 2 * math.pi), rng.uniform(0.6, 1.2)) for _ in range(9)]
    frames = []
    for f in range(count):
        t = f / (count - 1)
        h = np.zeros((size, size))
        for k, a, ph, amp in waves:
            h += amp * np.sin(k * (xs * math.cos(a) + ys * math.sin(a)) + ph + 2 * math.pi * 0.35 * t * (1 + k * 20))
        h /= len(waves) ** 0.5
        glint = np.clip(1 - np.abs(h) * 1.6, 0, 1) ** 3
        rgb = np.stack([60 + 195 * glint, 150 + 105 * glint, 200 + 55 * glint], -1)
        alpha = 110 + 145 * glint
        alpha = alpha - alpha.mean() + 148
        frames.append(Image.fromarray(np.clip(np.round(np.concatenate([rgb, alpha[..., None]], -1)), 0, 255).astype(np.uint8), "RGBA"))
    return frames


def shadow():
    w, h = 125, 109
    ys, xs = np.mgrid[0:h, 0:w].astype(np.float64) + 0.5
    d = np.hypot((xs - w / 2) / (w / 2 - 3), (ys - h / 2) / (h / 2 - 3))
    alpha = np.clip(np.clip(1 - d, 0, 1) ** 0.6 * 330, 0, 255)
    out = np.zeros((h, w, 4))
    out[..., 0:3] = (5, 15, 30)
    out[..., 3] = alpha
    return Image.fromarray(np.round(out).astype(np.uint8), "RGBA")


def lake_bottom():
    size = 700
    n1 = smooth_noise(size, size, 40, 41)
    n2 = smooth_noise(size, size, 8, 42)
    ys, xs = np.mgrid[0:size, 0:size].astype(np.float64)
    dunes = np.sin((xs * 0.6 + ys) / 14.0 + 1.5 * n1) * 0.5 + 0.5
    sand = np.stack([214 + 12 * n1 + 6 * n2, 196 + 10 * n1 + 5 * n2, 140 + 8 * n1], -1)
    sand = sand * (0.93 + 0.07 * dunes[..., None])
    # Greener, deeper patches.
    moss = np.clip(smooth_noise(size, size, 30, 43) - 0.6, 0, 1)[..., None]
    sand = sand * (1 - 0.5 * moss) + np.array([120, 170, 120]) * 0.5 * moss
    # Everything seen through water has a blue-green cast.
    sand = sand * 0.66 + np.array([40, 145, 170]) * 0.34
    img = Image.fromarray(np.clip(sand, 0, 255).astype(np.uint8), "RGB").convert("RGBA")
    c = Canvas(size, size, s=2)
    c.img = img.resize((size * 2, size * 2), Image.BILINEAR)
    rng = np.random.RandomState(44)
    # Weed, stones and shells, mostly towards the edges so the objects stand out in the middle.
    def spot(margin_free=120):
        while True:
            x, y = rng.uniform(20, size - 20, 2)
            if math.hypot(x - 350, y - 350) > margin_free or rng.rand() < 0.25:
                return x, y
    for _ in range(26):
        x, y = spot(170)
        col = (60 + rng.randint(40), 150 + rng.randint(50), 80 + rng.randint(30))
        for k in range(rng.randint(3, 6)):
            sway = rng.uniform(-18, 18)
            length = rng.uniform(35, 75)
            pts = [(x + k * 5 - 10, y), (x + k * 5 - 10 + sway * 0.4, y - length * 0.5), (x + k * 5 - 10 + sway, y - length)]
            c.line(pts, shade(col, 0.6), 7, smooth=True)
            c.line(pts, col, 4.5, smooth=True)
    for _ in range(40):
        x, y = spot()
        r = rng.uniform(7, 20)
        grey = rng.randint(165, 205)
        col = (grey, grey - rng.randint(0, 15), grey - rng.randint(0, 30))
        pts = [(x + r * math.cos(t) * rng.uniform(0.8, 1.15), y + r * 0.75 * math.sin(t) * rng.uniform(0.8, 1.15)) for t in np.linspace(0, 2 * math.pi, 7)[:-1]]
        c.blob([(px + 3, py + 4) for px, py in pts], fill=(40, 60, 60, 40))
        c.blob(pts, fill=("linear", [shade(col, 1.2), col, shade(col, 0.85)], ((x - r, y - r), (x + r, y + r))), outline=shade(col, 0.75), width=1.5)
    for _ in range(22):
        x, y = spot()
        r = rng.uniform(7, 12)
        rot = rng.uniform(0, 360)
        col = [(255, 200, 190), (250, 235, 210), (255, 180, 140)][rng.randint(3)]
        pts = rotate_points([(x, y + r), (x - r, y - r * 0.2), (x - r * 0.4, y - r), (x + r * 0.4, y - r), (x + r, y - r * 0.2)], x, y, rot)
        c.blob(pts, fill=col, outline=shade(col, 0.6), width=1.6, steps=6)
        for k in (-0.5, 0, 0.5):
            c.line(rotate_points([(x, y + r * 0.9), (x + k * r * 1.4, y - r * 0.7)], x, y, rot), shade(col, 0.7), 1.2)
    for _ in range(6):
        x, y = spot(200)
        col = (250, 150, 60)
        pts = [(x + (18 if k % 2 == 0 else 8) * math.sin(k * math.pi / 5), y - (18 if k % 2 == 0 else 8) * math.cos(k * math.pi / 5)) for k in range(10)]
        c.blob(pts, fill=col, outline=shade(col, 0.55), width=2, steps=4)
    return c.picture().convert("RGB")


def generate(icons):
    """Yields (resource number, picture, PNG mode)."""
    yield 101, background(icons), "RGBA"
    yield 114, lens_boat(), "RGBA"
    yield 115, buoy(), "RGBA"
    yield 116, map_boat(), "RGBA"
    yield 117, ring(0), "RGBA"
    yield 118, lake_mask(), "RGBA"
    yield 119, water_tile(), "RGBA"
    yield 120, shadow(), "RGBA"
    yield 121, ring(45), "RGBA"
    yield 122, ring(135), "RGBA"
    yield 123, lake_bottom(), "RGB"
    for k, frame in enumerate(ripple_frames()):
        yield 124 + k, frame, "RGBA"
    yield 184, ring(315), "RGBA"
    yield 185, ring(225), "RGBA"
