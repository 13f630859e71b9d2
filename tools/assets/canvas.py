"""A small supersampled vector canvas on top of Pillow: shapes with gradient fills and outlines, text, soft blur."""

import math
import os

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_SANS_BOLD = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"
FONT_REGULAR = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def rgba(c, a=None):
    """Accepts (r, g, b), (r, g, b, a) or '#rrggbb'; returns a 4-tuple."""
    if isinstance(c, str):
        c = tuple(int(c[i:i + 2], 16) for i in (1, 3, 5))
    if len(c) == 3:
        c = (*c, 255)
    if a is not None:
        c = (*c[:3], a)
    return tuple(int(v) for v in c)


def shade(c, k):
    """Darker (k < 1) or lighter (k > 1, towards white) version of a colour."""
    r, g, b, a = rgba(c)
    if k <= 1:
        return (int(r * k), int(g * k), int(b * k), a)
    t = min(k - 1, 1)
    return (int(r + (255 - r) * t), int(g + (255 - g) * t), int(b + (255 - b) * t), a)


def smooth_closed(points, steps=12):
    """Closed Catmull-Rom curve through the points, as a polygon."""
    out = []
    n = len(points)
    for i in range(n):
        p0, p1, p2, p3 = (points[(i + k - 1) % n] for k in range(4))
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[d] + (-p0[d] + p2[d]) * t + (2 * p0[d] - 5 * p1[d] + 4 * p2[d] - p3[d]) * t2
                       + (-p0[d] + 3 * p1[d] - 3 * p2[d] + p3[d]) * t3) for d in range(2)))
    return out


def smooth_open(points, steps=12):
    out = []
    pts = [points[0]] + list(points) + [points[-1]]
    for i in range(1, len(pts) - 2):
        p0, p1, p2, p3 = pts[i - 1], pts[i], pts[i + 1], pts[i + 2]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[d] + (-p0[d] + p2[d]) * t + (2 * p0[d] - 5 * p1[d] + 4 * p2[d] - p3[d]) * t2
                       + (-p0[d] + 3 * p1[d] - 3 * p2[d] + p3[d]) * t3) for d in range(2)))
    out.append(points[-1])
    return out


def ellipse_points(cx, cy, rx, ry, n=96, start=0.0, end=2 * math.pi):
    return [(cx + rx * math.cos(start + (end - start) * i / n), cy + ry * math.sin(start + (end - start) * i / n))
            for i in range(n + 1)]


def rotate_points(points, cx, cy, angle_deg):
    a = math.radians(angle_deg)
    ca, sa = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca) for x, y in points]


def to_premultiplied(img):
    a = np.asarray(img, dtype=np.float32) / 255.0
    a[..., :3] *= a[..., 3:4]
    return a


def from_premultiplied(a):
    out = a.copy()
    alpha = out[..., 3:4]
    np.divide(out[..., :3], alpha, out=out[..., :3], where=alpha > 1e-6)
    out[..., :3] = np.where(alpha > 1e-6, out[..., :3], 0)
    return Image.fromarray(np.clip(np.round(out * 255), 0, 255).astype(np.uint8), "RGBA")


def downsample(img, s):
    if s == 1:
        return img.copy()
    a = to_premultiplied(img)
    h, w = a.shape[0] // s, a.shape[1] // s
    a = a[:h * s, :w * s].reshape(h, s, w, s, 4).mean(axis=(1, 3))
    return from_premultiplied(a)


def blur(img, radius):
    """Gaussian blur that keeps colours right at transparent edges."""
    if radius <= 0:
        return img.copy()
    return from_premultiplied(gaussian(to_premultiplied(img), radius))


def gaussian(a, sigma, wrap=False):
    """Separable Gaussian filter over the first two axes; wrap makes it periodic (for tiles)."""
    r = int(math.ceil(sigma * 3))
    k = np.exp(-0.5 * (np.arange(-r, r + 1) / sigma) ** 2)
    k /= k.sum()
    mode = "wrap" if wrap else "constant"
    for axis in (0, 1):
        pad = [(0, 0)] * a.ndim
        pad[axis] = (r, r)
        p = np.pad(a, pad, mode=mode)
        out = np.zeros_like(a)
        n = a.shape[axis]
        for i, kv in enumerate(k):
            out += kv * np.take(p, range(i, i + n), axis=axis)
        a = out
    return a


class Canvas:
    """A picture of w × h pixels drawn at s times the resolution; coordinates are final pixels."""

    def __init__(self, w, h, s=4, background=(0, 0, 0, 0), unit=(1.0, 1.0), origin=(0.0, 0.0)):
        self.w, self.h, self.s = w, h, s
        # Drawing coordinates map to final pixels as origin + unit × (x, y).
        self.unit, self.origin = unit, origin
        self.img = Image.new("RGBA", (w * s, h * s), rgba(background))

    # -- geometry helpers -------------------------------------------------
    def _scaled(self, points):
        (ux, uy), (ox, oy) = self.unit, self.origin
        return [((ox + x * ux) * self.s, (oy + y * uy) * self.s) for x, y in points]

    def _final(self, x, y):
        (ux, uy), (ox, oy) = self.unit, self.origin
        return ox + x * ux, oy + y * uy

    def _bbox(self, points, pad):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        x0 = max(int(math.floor(min(xs) - pad)) - 2, 0)
        y0 = max(int(math.floor(min(ys) - pad)) - 2, 0)
        x1 = min(int(math.ceil(max(xs) + pad)) + 2, self.img.width)
        y1 = min(int(math.ceil(max(ys) + pad)) + 2, self.img.height)
        return x0, y0, x1, y1

    def _mask(self, kind, pts, box, width=0, radius=0, fill=True):
        x0, y0, x1, y1 = box
        m = Image.new("L", (max(x1 - x0, 1), max(y1 - y0, 1)), 0)
        d = ImageDraw.Draw(m)
        local = [(x - x0, y - y0) for x, y in pts]
        f = 255 if fill else None
        o = None if fill else 255
        if kind == "polygon":
            if fill:
                d.polygon(local, fill=255)
            else:
                d.line(local + [local[0], local[1]], fill=255, width=width, joint="curve")
                for x, y in local:
                    r = width / 2
                    d.ellipse((x - r, y - r, x + r, y + r), fill=255)
        elif kind == "line":
            d.line(local, fill=255, width=width, joint="curve")
            for x, y in (local[0], local[-1]):
                r = width / 2
                d.ellipse((x - r, y - r, x + r, y + r), fill=255)
        elif kind == "ellipse":
            (ax, ay), (bx, by) = local
            d.ellipse((ax, ay, bx, by), fill=f, outline=o, width=width)
        elif kind == "rrect":
            (ax, ay), (bx, by) = local
            d.rounded_rectangle((ax, ay, bx, by), radius=radius, fill=f, outline=o, width=width)
        return m

    def _paint(self, mask, box, colour):
        """Composites colour (a 4-tuple or an H × W × 4 uint8 array over the box) through the mask."""
        x0, y0, x1, y1 = box
        if isinstance(colour, np.ndarray):
            layer = Image.fromarray(colour, "RGBA")
        else:
            layer = Image.new("RGBA", mask.size, rgba(colour))
        a = np.asarray(layer, dtype=np.uint16)
        m = np.asarray(mask, dtype=np.uint16)
        out = a.copy()
        out[..., 3] = (a[..., 3] * m + 127) // 255
        self.img.alpha_composite(Image.fromarray(out.astype(np.uint8), "RGBA"), dest=(x0, y0))

    def gradient(self, box, stops, p0, p1):
        """Linear gradient over a box (scaled pixels) from p0 to p1 (final pixels)."""
        x0, y0, x1, y1 = box
        ys, xs = np.mgrid[y0:y1, x0:x1].astype(np.float32) / self.s
        p0, p1 = self._final(*p0), self._final(*p1)
        dx, dy = p1[0] - p0[0], p1[1] - p0[1]
        t = ((xs - p0[0]) * dx + (ys - p0[1]) * dy) / max(dx * dx + dy * dy, 1e-6)
        return self._ramp(np.clip(t, 0, 1), stops)

    def radial(self, box, stops, centre, radius):
        x0, y0, x1, y1 = box
        ys, xs = np.mgrid[y0:y1, x0:x1].astype(np.float32) / self.s
        rx, ry = (radius, radius) if np.isscalar(radius) else radius
        rx, ry = rx * self.unit[0], ry * self.unit[1]
        centre = self._final(*centre)
        t = np.sqrt(((xs - centre[0]) / rx) ** 2 + ((ys - centre[1]) / ry) ** 2)
        return self._ramp(np.clip(t, 0, 1), stops)

    @staticmethod
    def _ramp(t, stops):
        if not (len(stops[0]) == 2 and isinstance(stops[0][1], (tuple, str))):
            stops = [(i / (len(stops) - 1), c) for i, c in enumerate(stops)]
        pos = np.array([p for p, _ in stops], dtype=np.float32)
        cols = np.array([rgba(c) for _, c in stops], dtype=np.float32)
        out = np.empty(t.shape + (4,), dtype=np.float32)
        for ch in range(4):
            out[..., ch] = np.interp(t, pos, cols[:, ch])
        return np.round(out).astype(np.uint8)

    # -- drawing ----------------------------------------------------------
    def _fill_source(self, fill, box):
        if fill is None:
            return None
        if isinstance(fill, tuple) and len(fill) == 3 and fill[0] in ("linear", "radial"):
            kind, stops, geom = fill
            if kind == "linear":
                return self.gradient(box, stops, *geom)
            return self.radial(box, stops, *geom)
        return rgba(fill)

    def _draw(self, kind, pts, fill, outline, width, radius=0):
        width = width * self.unit[0]
        radius = radius * self.unit[0]
        sw = width * self.s
        box = self._bbox(self._scaled(pts), sw)
        if box[2] <= box[0] or box[3] <= box[1]:
            return  # wholly outside the picture
        if fill is not None:
            mask = self._mask(kind, self._scaled(pts), box, radius=radius * self.s)
            self._paint(mask, box, self._fill_source(fill, box))
        if outline is not None and width > 0:
            mask = self._mask(kind, self._scaled(pts), box, width=int(round(sw)), radius=radius * self.s, fill=False)
            self._paint(mask, box, self._fill_source(outline, box))

    def polygon(self, pts, fill=None, outline=None, width=0):
        self._draw("polygon", pts, fill, outline, width)

    def blob(self, pts, fill=None, outline=None, width=0, steps=12):
        self._draw("polygon", smooth_closed(pts, steps), fill, outline, width)

    def ellipse(self, cx, cy, rx, ry, fill=None, outline=None, width=0):
        self._draw("ellipse", [(cx - rx, cy - ry), (cx + rx, cy + ry)], fill, outline, width)

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=0, radius=0):
        self._draw("rrect", [(x0, y0), (x1, y1)], fill, outline, width, radius)

    def line(self, pts, colour, width, smooth=False):
        if smooth:
            pts = smooth_open(pts)
        sw = width * self.unit[0] * self.s
        box = self._bbox(self._scaled(pts), sw)
        if box[2] <= box[0] or box[3] <= box[1]:
            return
        mask = self._mask("line", self._scaled(pts), box, width=max(int(round(sw)), 1))
        self._paint(mask, box, self._fill_source(colour, box))

    def text(self, x, y, s, size, colour, font=FONT_BOLD, anchor="mm", outline=None, outline_width=0):
        x, y = self._final(x, y)
        size, outline_width = size * self.unit[1], outline_width * self.unit[1]
        f = ImageFont.truetype(font, int(round(size * self.s)))
        layer = Image.new("RGBA", self.img.size, (0, 0, 0, 0))
        d = ImageDraw.Draw(layer)
        kw = {}
        if outline is not None:
            kw = dict(stroke_width=int(round(outline_width * self.s)), stroke_fill=rgba(outline))
        d.text((x * self.s, y * self.s), s, font=f, fill=rgba(colour), anchor=anchor, **kw)
        self.img.alpha_composite(layer)

    def paste(self, picture, x, y, opacity=1.0):
        """Places a finished picture (final pixels) at (x, y), scaled up to the canvas resolution."""
        big = picture.resize((picture.width * self.s, picture.height * self.s), Image.BILINEAR)
        if opacity < 1:
            a = np.asarray(big).copy()
            a[..., 3] = (a[..., 3] * opacity).astype(np.uint8)
            big = Image.fromarray(a, "RGBA")
        self.img.alpha_composite(big, dest=(int(x * self.s), int(y * self.s)))

    def picture(self):
        return downsample(self.img, self.s)


def text_width(s, size, font=FONT_BOLD):
    f = ImageFont.truetype(font, int(round(size)))
    x0, _, x1, _ = f.getbbox(s)
    return x1 - x0


def save_png(img, path, mode="RGBA"):
    """Writes an 8-bit PNG without timestamps, so a re-run gives the same bytes."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.convert(mode).save(path, format="PNG", optimize=True)
