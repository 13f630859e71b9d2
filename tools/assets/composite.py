"""Draws the game screen from the committed pictures the way the game does: layers, zoom, colours."""

import math

import numpy as np
from PIL import Image

import lake

LENS_CENTRE = (202.5, 396.0)
TILE_PLACES = [(40, 235), (40, 585), (390, 235), (390, 585)]
RING_AT = (65, 255)
ARROWS = [(117, 0), (117, 90), (117, 180), (117, 270), (121, 0), (122, 0), (184, 0), (185, 0)]


def zoom(d):
    return 0.5 + d / 80.0


def bottom_rect(d):
    z = zoom(d)
    return (int(202 - 350 * z), int(396 - 350 * z), int(202 + 350 * z), int(396 + 350 * z))


def item_rect(lens_x, lens_y, w, h, d):
    z = zoom(d)
    l, t, r, b = bottom_rect(d)
    bw, bh = r - l, b - t
    off_x = float(np.float32(-(bw - 350) * (lens_x - 202) / bw))
    off_y = float(np.float32(-(bh - 350) * (lens_y - 396) / bh))
    return (int(lens_x - z * w * 0.5 - off_x), int(lens_y - z * h * 0.5 - off_y),
            int(lens_x + z * w * 0.5 - off_x), int(lens_y + z * h * 0.5 - off_y))


def tinted(img, colour):
    """The picture multiplied by an ARGB colour, as the renderer draws it."""
    a, r, g, b = colour
    arr = np.asarray(img.convert("RGBA")).astype(np.uint32)
    arr[..., 0] = arr[..., 0] * r // 255
    arr[..., 1] = arr[..., 1] * g // 255
    arr[..., 2] = arr[..., 2] * b // 255
    arr[..., 3] = arr[..., 3] * a // 255
    return Image.fromarray(arr.astype(np.uint8), "RGBA")


def draw(screen, img, rect, colour=(255, 255, 255, 255), angle=0):
    """Draws a picture stretched to rect, multiplied by an ARGB colour and turned by angle degrees."""
    l, t, r, b = rect
    if r <= l or b <= t or r <= 0 or b <= 0 or l >= screen.width or t >= screen.height:
        return
    pic = img if img.size == (r - l, b - t) else img.resize((r - l, b - t), Image.BILINEAR)
    if angle:
        pic = pic.rotate(-angle, resample=Image.BICUBIC)
    # Only the part on the screen is tinted and composited.
    x0, y0 = max(l, 0), max(t, 0)
    x1, y1 = min(r, screen.width), min(b, screen.height)
    pic = pic.convert("RGBA").crop((x0 - l, y0 - t, x1 - l, y1 - t))
    if colour != (255, 255, 255, 255):
        pic = tinted(pic, colour)
    screen.alpha_composite(pic, dest=(x0, y0))


class Game:
    """The state the screen shows: boat, spots, depth and what has been found."""

    def __init__(self, pictures, seed=1700000000):
        self.p = pictures
        ok = lake.candidate_table(lake.mask_alpha())
        self.spots, _ = lake.place_spots(ok, seed)
        self.boat = list(lake.BOAT_START)
        self.start_boat = tuple(self.boat)
        self.depth = 0
        self.cleared = set()
        self.found = set()
        self.boat_angle = 0
        self.arrows_visible = True
        self.highlight = None      # index into ARROWS drawn lit, for the instruction video
        self.ripple_frame = 0
        self.water_scroll = (0, 0)
        self.shadow_alpha = 255

    def lens_pos(self, i):
        mx, my = self.spots[i]
        return int((mx - self.boat[0]) * 6 + 202.5), int((my - self.boat[1]) * 6 + 396)

    def item_picture(self, i):
        from objects import SPOTS
        levels = SPOTS[i][3]
        level = 0 if self.depth < 27 else (1 if self.depth < 35 else 2)
        return self.p[levels[level]]

    def render(self):
        p, d = self.p, self.depth
        screen = Image.new("RGBA", (800, 600), (0, 0, 0, 255))
        g = 135 + 3 * d
        draw(screen, p[123], bottom_rect(d), (255, g, g, g))
        item_alpha = int((d / 40) * 255)
        shadow_alpha = int(255 - (2 * d / 40) * 255) if d < 20 else 12
        water_alpha = int(255 - (d / 40) * 255)
        ripple_alpha = water_alpha if d < 16 else 159
        for i in range(len(self.spots)):
            if i in self.cleared:
                continue
            lx, ly = self.lens_pos(i)
            pic = self.item_picture(i)
            draw(screen, pic, item_rect(lx, ly, pic.width, pic.height, d), (item_alpha, 255, 255, 255))
        for i in range(len(self.spots)):
            if i in self.cleared:
                continue
            lx, ly = self.lens_pos(i)
            draw(screen, p[120], item_rect(lx, ly, 125, 109, d), (shadow_alpha, 255, 255, 255))
        sx, sy = self.water_scroll
        # The four tiles form a 700 × 700 square that wraps round the lens.
        for x, y in TILE_PLACES:
            x, y = 40 + (x - 40 + sx) % 700, 235 + (y - 235 + sy) % 700
            for ox in (0, -700):
                for oy in (0, -700):
                    draw(screen, p[119], (x + ox, y + oy, x + ox + 350, y + oy + 350), (water_alpha, 255, 255, 255))
        ripple = [124 + k for k in range(12)] + [134 - k for k in range(11)]
        draw(screen, p[ripple[self.ripple_frame % 23]], (40, 235, 390, 585), (ripple_alpha, 255, 255, 255))
        draw(screen, p[101], (0, 0, 800, 600))
        if self.arrows_visible:
            for k, (number, angle) in enumerate(ARROWS):
                colour = (255, 255, 255, 255) if self.highlight != k else (255, 255, 170, 120)
                draw(screen, p[number], (65, 255, 345, 535), colour, angle)
            draw(screen, p[114], (65, 255, 345, 535), angle=self.boat_angle)
        from scene import BOWL_ICONS
        for number, ((x, y), (w, h)) in BOWL_ICONS.items():
            if number in self.found:
                draw(screen, p[number], (x, y, x + w, y + h))
        for i, (mx, my) in enumerate(self.spots):
            if i in self.cleared:
                continue
            x, y = int(mx + 229 - 4), int(my + 29 - 9)
            draw(screen, p[115], (x, y, x + 9, y + 17))
        bx, by = self.boat[0] + 222, self.boat[1] + 11
        draw(screen, p[116], (bx, by, bx + 14, by + 35), angle=self.boat_angle)
        return screen.convert("RGB")
