"""The shell's pictures (keyboard hint, mouse, praise cloud), the text view's whitespace markers and the program icon."""

import math

import numpy as np
from PIL import Image

from canvas import Canvas, shade
from svg import SvgCanvas

SPACE_BAR = (130, 155, 112, 14)   # x, y, width, height inside the keyboard picture


def cloud_shape(c, box, puff, fill, outline, width):
    """A cloud: a rounded core with puffs along its edge, filled in one colour with one outline."""
    x0, y0, x1, y1 = box
    circles = []
    nx = max(int((x1 - x0) / (puff * 1.3)), 2)
    ny = max(int((y1 - y0) / (puff * 1.3)), 1)
    for k in range(nx + 1):
        x = x0 + (x1 - x0) * k / nx
        for y, j in ((y0, 0), (y1, 1)):
            circles.append((x, y, puff * (0.85 + 0.3 * ((k * 7 + j * 3) % 5) / 4)))
    for k in range(1, ny):
        y = y0 + (y1 - y0) * k / ny
        for x, j in ((x0, 0), (x1, 1)):
            circles.append((x, y, puff * (0.85 + 0.3 * ((k * 5 + j * 2) % 5) / 4)))
    for x, y, r in circles:
        c.ellipse(x + 3, y + 5, r, r, fill=(40, 70, 120, 35))
    for x, y, r in circles:
        c.ellipse(x, y, r + width, r + width, fill=outline)
    for x, y, r in circles:
        c.ellipse(x, y, r, r, fill=fill)
    c.rect(x0, y0, x1, y1, fill=fill)


def keyboard():
    c = Canvas(524, 230, s=3)
    cloud_shape(c, (52, 52, 472, 186), 34, ("linear", [(255, 255, 255), (225, 240, 255)], ((0, 20), (0, 220))), (150, 190, 230), 3)
    sx, sy, sw, sh = SPACE_BAR
    pitch, key_h = 18, 14
    left = sx + sw / 2 - 7 * pitch  # the space bar sits in the middle of the letter block
    body = (left - 12, sy - 4 * pitch - 12, left + 14 * pitch + 5 * pitch + 8, sy + sh + 10)
    c.rect(body[0] + 3, body[1] + 5, body[2] + 3, body[3] + 5, fill=(30, 40, 70, 70), radius=10)
    c.rect(*body, fill=("linear", [(95, 105, 130), (60, 68, 90)], ((0, body[1]), (0, body[3]))), outline=(35, 40, 55), width=2, radius=10)

    def key(x, y, w, colour=(245, 246, 250)):
        c.rect(x, y + 1, x + w, y + key_h + 1, fill=(30, 35, 50), radius=2.5)
        c.rect(x, y, x + w, y + key_h, fill=("linear", [colour, shade(colour, 0.85)], ((0, y), (0, y + key_h))), radius=2.5)

    for row in range(4):
        y = sy - (4 - row) * pitch
        shift = (0, 4, 8, 12)[row]
        n = 14 if row == 0 else 13 - (row > 1)
        for k in range(n):
            x = left + shift + k * pitch
            if x + 16 <= left + 14 * pitch:
                key(x, y, 16)
    key(left, sy, 2 * pitch - 2, (220, 222, 230))
    key(sx + sw + 2 + pitch, sy, 2 * pitch - 2, (220, 222, 230))
    key(sx, sy, sw, (255, 255, 255))
    # The number block to the right.
    for row in range(5):
        for k in range(4):
            key(left + 14 * pitch + pitch + k * pitch, sy - (4 - row) * pitch, 16, (235, 240, 250))
    return c.picture()


def key_space():
    c = Canvas(112, 14, s=8)
    c.rect(0.5, 0.5, 111.5, 13.5, fill=("linear", [(255, 240, 120, 235), (255, 170, 30, 235)], ((0, 0), (0, 14))),
           outline=(220, 90, 0), width=1.5, radius=3)
    return c.picture()


def mouse():
    c = Canvas(246, 246, s=3)
    c.ellipse(128, 236, 70, 8, fill=(30, 40, 70, 60))
    c.line([(123, 30), (120, 14), (140, 4), (175, 8)], (80, 90, 110), 5, smooth=True)
    body = [(123, 30), (170, 42), (190, 100), (186, 180), (160, 225), (123, 232), (86, 225), (60, 180), (56, 100), (76, 42)]
    c.blob(body, fill=("linear", [(255, 255, 255), (215, 222, 235)], ((60, 0), (190, 0))), outline=(90, 100, 125), width=4, steps=10)
    c.line([(123, 34), (123, 108)], (120, 130, 150), 3)
    c.line([(64, 108), (123, 112), (182, 108)], (120, 130, 150), 3, smooth=True)
    # The wheel, bright, with arrows that say "turn me".
    c.rect(113, 52, 133, 96, fill=("linear", [(255, 190, 40), (240, 120, 20)], ((113, 0), (133, 0))), outline=(150, 70, 0), width=2.5, radius=10)
    for y in (62, 72, 82):
        c.line([(116, y), (130, y)], (180, 90, 10), 2)
    c.polygon([(123, 22), (135, 38), (111, 38)], fill=(60, 180, 70), outline=(20, 100, 30), width=2)
    c.polygon([(123, 124), (135, 108), (111, 108)], fill=(60, 180, 70), outline=(20, 100, 30), width=2)
    c.line([(80, 140), (76, 190)], (255, 255, 255, 200), 6)
    return c.picture()


def cloud():
    c = Canvas(506, 350, s=3)
    cloud_shape(c, (70, 62, 436, 290), 50, ("radial", [(255, 255, 255), (255, 255, 255), (225, 238, 252)], ((253, 176), (300, 200))),
                (140, 185, 235), 4)
    return c.picture()


def marker_space():
    c = Canvas(3, 3, s=8)
    c.ellipse(1.5, 1.5, 1.1, 1.1, fill=(90, 110, 160))
    return c.picture()


def marker_lineend():
    c = Canvas(11, 21, s=8)
    c.line([(8.5, 5), (8.5, 13), (2.5, 13)], (90, 110, 160), 1.6)
    c.polygon([(1, 13), (4.5, 10), (4.5, 16)], fill=(90, 110, 160))
    return c.picture()


def marker_tab():
    c = Canvas(10, 5, s=8)
    c.line([(0.5, 2.5), (7, 2.5)], (90, 110, 160), 1.2)
    c.polygon([(9.8, 2.5), (6.5, 0.2), (6.5, 4.8)], fill=(90, 110, 160))
    return c.picture()


def draw_icon(c):
    """The program icon on a 256 × 256 Canvas or SvgCanvas."""
    c.rect(8, 8, 248, 248, fill=("linear", [(120, 210, 250), (40, 130, 210)], ((0, 8), (0, 248))), outline=(20, 80, 150), width=6, radius=48)
    for y in (70, 110, 150):
        c.line([(30, y), (70, y - 10), (110, y), (150, y - 10), (190, y)], (255, 255, 255, 90), 6, smooth=True)
    hull = [(100, 40), (124, 70), (130, 120), (122, 190), (100, 200), (78, 190), (70, 120), (76, 70)]
    c.blob([(x + 5, y + 6) for x, y in hull], fill=(0, 30, 60, 80), steps=8)
    c.blob(hull, fill=("linear", [(250, 90, 60), (200, 40, 30)], ((70, 0), (130, 0))), outline=(110, 20, 10), width=6, steps=8)
    c.blob([(100, 62), (114, 82), (118, 120), (112, 176), (100, 184), (88, 176), (82, 120), (86, 82)], fill=(255, 215, 150), steps=8)
    c.rect(84, 100, 116, 110, fill=(160, 90, 40))
    c.rect(84, 140, 116, 150, fill=(160, 90, 40))
    c.line([(196, 196), (236, 236)], (120, 60, 20), 26)
    c.line([(196, 196), (236, 236)], (210, 110, 50), 18)
    c.ellipse(168, 168, 52, 52, fill=(200, 240, 255, 110), outline=(240, 180, 30), width=12)
    c.line([(140, 150), (152, 135), (170, 128)], (255, 255, 255, 220), 6, smooth=True)


def icon(size):
    c = Canvas(256, 256, s=max(2, 1024 // 256))
    draw_icon(c)
    img = c.picture()
    return img if size == 256 else img.resize((size, size), Image.LANCZOS)


def icon_svg():
    c = SvgCanvas(256, 256)
    draw_icon(c)
    return c.document()


# The sizes of the icon theme that the package installs beside the 256 and 48
# pixel pictures the executable carries.
PACKAGE_ICON_SIZES = (16, 22, 24, 32, 64, 128)


def package_icons():
    """Yields (file name under packaging/icons/, PNG picture or SVG text)."""
    big = icon(256)
    for size in PACKAGE_ICON_SIZES:
        yield f"zeltarik_{size}.png", big.resize((size, size), Image.LANCZOS)
    yield "zeltarik.svg", icon_svg()


def generate():
    """Yields (relative path under assets/, picture, PNG mode)."""
    yield "shell/KEYBOARDPIC.png", keyboard(), "RGBA"
    yield "shell/MOUSE.png", mouse(), "RGBA"
    yield "shell/KEYSPACE.png", key_space(), "RGBA"
    yield "shell/oblako_png.png", cloud(), "RGBA"
    yield "text/marker_space.png", marker_space(), "RGBA"
    yield "text/marker_lineend.png", marker_lineend(), "RGBA"
    yield "text/marker_tab.png", marker_tab(), "RGBA"
    yield "text/marker_empty.png", Image.new("RGBA", (1, 1), (0, 0, 0, 0)), "RGBA"
    yield "icon/zeltarik.png", icon(256), "RGBA"
    yield "icon/zeltarik_48.png", icon(48), "RGBA"
