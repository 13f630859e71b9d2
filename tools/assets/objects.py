"""The fourteen sunken objects in their three blur levels, and the six treasures at bowl size."""

import math

from canvas import Canvas, blur, ellipse_points, rotate_points, shade

GOLD = (255, 196, 40)
GOLD_DARK = (170, 110, 10)
GOLD_LIGHT = (255, 240, 150)
OUT = 2.0  # outline width in object pixels


def gold_fill(y0, y1):
    return ("linear", [GOLD_LIGHT, GOLD, (230, 160, 20)], ((0, y0), (0, y1)))


def gem(c, x, y, r, colour):
    c.ellipse(x, y, r, r, fill=("radial", [shade(colour, 1.6), colour, shade(colour, 0.6)], ((x - r * 0.3, y - r * 0.3), r * 1.3)),
              outline=shade(colour, 0.45), width=1)
    c.ellipse(x - r * 0.35, y - r * 0.35, r * 0.3, r * 0.3, fill=(255, 255, 255, 220))


def bracelet(c):
    cx, cy = 24, 18
    c.ellipse(cx, cy, 20, 13.5, outline=GOLD_DARK, width=8)
    c.ellipse(cx, cy, 20, 13.5, outline=gold_fill(4, 32), width=5.5)
    for k in range(14):
        a = 2 * math.pi * k / 14
        x, y = cx + 20 * math.cos(a), cy + 13.5 * math.sin(a)
        c.ellipse(x, y, 2.2, 2.2, fill=GOLD_LIGHT if k % 2 else GOLD, outline=GOLD_DARK, width=0.8)
    for k, col in zip((1, 5, 9, 12), ((230, 30, 60), (40, 120, 240), (40, 200, 90), (230, 30, 60))):
        a = 2 * math.pi * k / 14 + 0.2
        gem(c, cx + 20 * math.cos(a), cy + 13.5 * math.sin(a), 3.6, col)


def tin_can(c):
    body = (190, 195, 205)
    c.rect(4, 6, 28, 32, fill=("linear", [(120, 125, 135), (235, 238, 245), (150, 155, 165)], ((4, 0), (28, 0))),
           outline=(80, 85, 95), width=OUT)
    c.rect(4.5, 12, 27.5, 25, fill=("linear", [(180, 40, 40), (235, 80, 70), (170, 35, 35)], ((4, 0), (28, 0))))
    c.ellipse(16, 18.5, 5, 4, fill=(255, 230, 120))
    c.ellipse(16, 32, 12, 3, fill=(150, 155, 165), outline=(80, 85, 95), width=OUT)
    c.ellipse(16, 6, 12, 3.5, fill=("linear", [(240, 242, 248), body], ((0, 3), (0, 9))), outline=(80, 85, 95), width=OUT)
    c.ellipse(16, 6, 8, 2, outline=(140, 145, 155), width=1)
    c.polygon([(22, 25), (27, 27), (24, 31)], fill=(150, 110, 70, 180))  # a little rust


def crown(c):
    pts = [(6, 44), (4, 14), (16, 28), (22, 6), (32, 24), (42, 6), (48, 28), (60, 14), (58, 44)]
    c.polygon(pts, fill=gold_fill(6, 44), outline=GOLD_DARK, width=OUT)
    c.rect(5, 38, 59, 50, fill=("linear", [(200, 30, 50), (150, 15, 35)], ((0, 38), (0, 50))), outline=GOLD_DARK, width=OUT, radius=2)
    for x in (4, 22, 42, 60):
        c.ellipse(x, 8 if x in (22, 42) else 14, 3.2, 3.2, fill=GOLD_LIGHT, outline=GOLD_DARK, width=1)
    c.ellipse(32, 24, 3.6, 3.6, fill=GOLD_LIGHT, outline=GOLD_DARK, width=1)
    for x, col in ((14, (40, 130, 240)), (32, (40, 200, 90)), (50, (40, 130, 240))):
        gem(c, x, 44, 3.6, col)
    gem(c, 32, 32, 4.2, (230, 30, 60))


def goblet(c):
    cup = [(6, 6), (60, 6), (56, 26), (44, 38), (36, 42), (30, 42), (22, 38), (10, 26)]
    c.polygon([(30, 40), (36, 40), (37, 60), (29, 60)], fill=gold_fill(40, 60), outline=GOLD_DARK, width=OUT)
    c.ellipse(33, 50, 6, 3, fill=GOLD_LIGHT, outline=GOLD_DARK, width=1.5)
    c.blob([(12, 68), (33, 60), (54, 68), (33, 71)], fill=gold_fill(60, 72), outline=GOLD_DARK, width=OUT)
    c.blob(cup, fill=("linear", [GOLD_LIGHT, GOLD, (220, 150, 20)], ((6, 0), (60, 0))), outline=GOLD_DARK, width=OUT, steps=6)
    c.ellipse(33, 7, 26, 4, fill=(140, 85, 10), outline=GOLD_DARK, width=1.5)
    c.line([(14, 14), (18, 26)], (255, 255, 230, 200), 3)
    for x, col in ((22, (40, 130, 240)), (33, (230, 30, 60)), (44, (40, 200, 90))):
        gem(c, x, 22, 4, col)


def hammer(c):
    c.rect(4, 13, 46, 20, fill=("linear", [(230, 170, 100), (180, 110, 50)], ((0, 13), (0, 20))),
           outline=(110, 60, 20), width=OUT, radius=3)
    c.line([(8, 15.5), (40, 15.5)], (245, 200, 140), 1.2)
    c.polygon([(44, 5), (60, 5), (62, 8), (66, 9), (66, 14), (62, 15), (60, 27), (44, 27)],
              fill=("linear", [(200, 205, 215), (120, 125, 135)], ((0, 5), (0, 27))), outline=(60, 62, 70), width=OUT)
    c.line([(47, 8), (58, 8)], (245, 245, 250), 1.5)


def plastic_bottle(c):
    body = [(4, 6), (46, 6), (54, 9), (58, 10), (58, 16), (54, 17), (46, 20), (4, 20)]
    c.polygon(body, fill=("linear", [(200, 240, 255, 230), (120, 200, 240, 220), (80, 160, 220, 230)], ((0, 6), (0, 20))),
              outline=(40, 110, 170), width=OUT)
    c.rect(58, 8, 66, 18, fill=(40, 170, 80), outline=(20, 100, 40), width=OUT, radius=1.5)
    c.rect(14, 6.5, 34, 19.5, fill=(250, 120, 40, 230))
    c.line([(6, 9), (44, 9)], (255, 255, 255, 200), 1.6)
    for x in (8, 38, 42):
        c.line([(x, 7), (x, 19)], (90, 160, 210, 160), 0.8)


def ring(c):
    c.ellipse(20, 17, 13, 8.5, outline=GOLD_DARK, width=6)
    c.ellipse(20, 17, 13, 8.5, outline=gold_fill(8, 26), width=3.8)
    c.polygon([(13, 9), (20, 2), (27, 9), (20, 14)], fill=("linear", [(255, 255, 255), (170, 230, 255), (90, 170, 240)], ((13, 2), (27, 14))),
              outline=(60, 110, 180), width=1.2)
    c.line([(16, 8), (20, 4)], (255, 255, 255), 1.2)
    c.ellipse(31, 5, 1.4, 1.4, fill=(255, 255, 255, 230))


def sandals(c):
    for x0, col in ((4, (255, 120, 60)), (30, (60, 170, 240))):
        sole = [(x0 + 10, 3), (x0 + 19, 8), (x0 + 20, 22), (x0 + 17, 40), (x0 + 10, 42), (x0 + 3, 38), (x0 + 2, 20), (x0 + 3, 8)]
        c.blob(sole, fill=("linear", [shade(col, 1.3), col], ((0, 3), (0, 42))), outline=shade(col, 0.5), width=OUT, steps=8)
        c.line([(x0 + 3, 17), (x0 + 10, 11), (x0 + 19, 17)], (255, 230, 80), 3.5, smooth=True)
        c.line([(x0 + 10, 11), (x0 + 10, 7)], (255, 230, 80), 2.5)


def boot(c, w, h, colour):
    # A rubber boot standing, toe to the right.
    sx, sy = w / 68, h / 72
    pts = [(14, 4), (40, 4), (40, 46), (52, 50), (62, 56), (64, 64), (10, 66), (10, 40)]
    pts = [(x * sx, y * sy) for x, y in pts]
    c.blob(pts, fill=("linear", [shade(colour, 1.35), colour, shade(colour, 0.8)], ((10 * sx, 0), (64 * sx, 0))),
           outline=shade(colour, 0.45), width=OUT, steps=6)
    c.rect(9 * sx, 62 * sy, 65 * sx, 69 * sy, fill=(70, 60, 70), outline=(35, 30, 35), width=OUT, radius=2)
    c.rect(12 * sx, 4 * sy, 42 * sx, 11 * sy, fill=shade(colour, 0.85), outline=shade(colour, 0.45), width=OUT, radius=2)
    c.line([(18 * sx, 16 * sy), (18 * sx, 50 * sy)], (255, 255, 255, 150), 3)


def pink_boot(c):
    boot(c, 68, 72, (250, 110, 180))


def yellow_boot(c):
    boot(c, 52, 68, (255, 210, 30))


def glass_bottle(c):
    body = [(4, 0), (34, 0), (40, 2), (48, 3), (58, 3), (58, 9), (48, 9), (40, 10), (34, 12), (4, 12)]
    body = rotate_points([(x, y + 17) for x, y in body], 30, 23, -28)
    c.polygon(body, fill=(60, 170, 90, 215), outline=(20, 90, 40), width=OUT)
    hl = rotate_points([(6, 19.5), (32, 19.5)], 30, 23, -28)
    c.line(hl, (220, 255, 220, 220), 2)
    cork = rotate_points([(56, 19.5), (60, 19.5), (60, 26.5), (56, 26.5)], 30, 23, -28)
    c.polygon(cork, fill=(200, 150, 90), outline=(120, 80, 40), width=1.2)
    lab = rotate_points([(12, 17.5), (26, 17.5), (26, 28.5), (12, 28.5)], 30, 23, -28)
    c.polygon(lab, fill=(245, 235, 200, 230))


def chest(c):
    wood = (170, 95, 40)
    c.rect(4, 24, 60, 56, fill=("linear", [shade(wood, 1.2), wood, shade(wood, 0.75)], ((0, 24), (0, 56))),
           outline=(80, 40, 10), width=OUT, radius=3)
    # open lid with coins peeking out
    for k, (x, y) in enumerate(((14, 24), (22, 21), (30, 23), (38, 20), (46, 23), (52, 25), (26, 18), (42, 17))):
        c.ellipse(x, y, 5, 3.2, fill=GOLD if k % 2 else GOLD_LIGHT, outline=GOLD_DARK, width=1)
    gem(c, 34, 16, 3.4, (230, 30, 60))
    c.blob([(3, 16), (10, 5), (32, 2), (54, 5), (61, 16), (61, 18), (3, 18)], fill=("linear", [shade(wood, 1.3), wood], ((0, 2), (0, 18))),
           outline=(80, 40, 10), width=OUT, steps=6)
    for x in (12, 52):
        c.rect(x - 3, 4, x + 3, 56, fill=gold_fill(4, 56), outline=GOLD_DARK, width=1.2)
    c.rect(27, 30, 37, 42, fill=gold_fill(30, 42), outline=GOLD_DARK, width=1.2, radius=2)
    c.ellipse(32, 35, 1.6, 1.6, fill=(60, 30, 10))
    c.line([(8, 28), (56, 28)], (230, 160, 100, 180), 1.4)


def iron(c):
    c.blob([(4, 36), (10, 24), (26, 18), (42, 20), (43, 36)], fill=("linear", [(140, 150, 170), (60, 65, 80)], ((0, 18), (0, 36))),
           outline=(30, 32, 40), width=OUT, steps=6)
    c.polygon([(3, 35), (44, 35), (44, 41), (2, 41)], fill=("linear", [(235, 238, 245), (150, 155, 165)], ((0, 35), (0, 41))),
              outline=(60, 62, 70), width=OUT)
    c.line([(14, 20), (17, 8), (38, 8), (40, 20)], (30, 30, 40), 6, smooth=True)
    c.line([(14, 20), (17, 8), (38, 8), (40, 20)], (90, 95, 110), 3, smooth=True)
    c.ellipse(30, 28, 3.2, 3.2, fill=(230, 60, 40), outline=(120, 20, 10), width=1)


def jug(c):
    clay = (40, 170, 190)
    body = [(21, 8), (28, 12), (27, 20), (36, 32), (38, 50), (32, 66), (27, 74), (15, 74), (10, 66), (4, 50), (6, 32), (15, 20), (14, 12)]
    c.line([(28, 16), (38, 20), (37, 34), (33, 40)], (30, 110, 125), 6, smooth=True)
    c.line([(28, 16), (38, 20), (37, 34), (33, 40)], gold_fill(14, 40), 3, smooth=True)
    c.blob(body, fill=("linear", [shade(clay, 1.4), clay, shade(clay, 0.7)], ((4, 0), (38, 0))), outline=(20, 90, 100), width=OUT, steps=8)
    c.ellipse(21, 8, 8, 3, fill=gold_fill(5, 11), outline=GOLD_DARK, width=1.5)
    for y in (34, 54):
        c.line([(7, y), (21, y + 3), (36, y)], gold_fill(y - 2, y + 5), 3, smooth=True)
    for x, col in ((13, (230, 30, 60)), (21, (255, 220, 60)), (29, (230, 30, 60))):
        gem(c, x, 44.5, 2.6, col)
    c.line([(10, 30), (8, 50)], (255, 255, 255, 140), 2.5)


# index: (name, draw, native size, treasure, level pictures, bowl icon, bowl icon size)
SPOTS = [
    ("bracelet", bracelet, (48, 36), (154, 155, 156), (136, (60, 48))),
    ("tin can", tin_can, (32, 36), (148, 149, 150), None),
    ("crown", crown, (64, 56), (157, 158, 159), (137, (76, 60))),
    ("goblet", goblet, (66, 74), (160, 161, 162), (138, (70, 72))),
    ("hammer", hammer, (68, 32), (151, 152, 153), None),
    ("plastic bottle", plastic_bottle, (70, 26), (142, 143, 144), None),
    ("ring", ring, (40, 28), (163, 164, 165), (139, (50, 38))),
    ("sandals", sandals, (56, 44), (172, 173, 174), None),
    ("pink boot", pink_boot, (68, 72), (175, 176, 177), None),
    ("yellow boot", yellow_boot, (52, 68), (178, 179, 180), None),
    ("glass bottle", glass_bottle, (60, 46), (145, 146, 147), None),
    ("chest", chest, (64, 60), (166, 167, 168), (140, (72, 62))),
    ("iron", iron, (46, 46), (181, 182, 183), None),
    ("jug", jug, (42, 80), (169, 170, 171), (141, (52, 80))),
]

# Blur radius of levels 1, 2 and 3 (level 3 is the sharp one).
BLUR = (2.6, 1.2, 0.0)


def render(draw, size, target=None):
    """The object drawn at its native size, or scaled to fit a target size (kept centred)."""
    w, h = size
    if target is None:
        c = Canvas(w, h, s=8)
    else:
        tw, th = target
        k = min(tw / w, th / h)
        c = Canvas(tw, th, s=8, unit=(k, k), origin=((tw - w * k) / 2, th - h * k))
    draw(c)
    return c.picture()


def generate():
    """Yields (resource number, picture)."""
    for name, draw, size, levels, bowl in SPOTS:
        sharp = render(draw, size)
        for number, radius in zip(levels, BLUR):
            yield number, blur(sharp, radius) if radius else sharp
        if bowl:
            number, target = bowl
            yield number, render(draw, size, target)
