"""The drawing calls of canvas.Canvas written out as an SVG document, for pictures that are also wanted at any size."""

from canvas import rgba, smooth_closed, smooth_open


def _number(v):
    return f"{v:.2f}".rstrip("0").rstrip(".")


def _points(points):
    return " ".join(f"{_number(x)},{_number(y)}" for x, y in points)


class SvgCanvas:
    """The shapes of Canvas (rect, polygon, blob, ellipse, line) in a w × h SVG.

    Each shape keeps Canvas's geometry: polygon and line strokes are centred on
    their points with round joins and ends; rectangle and ellipse outlines lie
    inside the shape, as Pillow draws them."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.defs, self.body = [], []

    def _paint(self, colour, box):
        """An SVG paint for a colour or a ("linear", stops, (p0, p1)) gradient, and its opacity attribute."""
        if isinstance(colour, tuple) and len(colour) == 3 and colour[0] == "linear":
            _, stops, (p0, p1) = colour
            if not (len(stops[0]) == 2 and isinstance(stops[0][1], (tuple, str))):
                stops = [(i / (len(stops) - 1), c) for i, c in enumerate(stops)]
            name = f"g{len(self.defs)}"
            parts = [f'<linearGradient id="{name}" gradientUnits="userSpaceOnUse" '
                     f'x1="{_number(p0[0])}" y1="{_number(p0[1])}" x2="{_number(p1[0])}" y2="{_number(p1[1])}">']
            for offset, c in stops:
                r, g, b, a = rgba(c)
                opacity = f' stop-opacity="{_number(a / 255)}"' if a < 255 else ""
                parts.append(f'<stop offset="{_number(offset)}" stop-color="#{r:02x}{g:02x}{b:02x}"{opacity}/>')
            parts.append("</linearGradient>")
            self.defs.append("".join(parts))
            return f"url(#{name})", 1.0
        if isinstance(colour, tuple) and colour and colour[0] == "radial":
            raise ValueError("radial gradients are not written as SVG")
        r, g, b, a = rgba(colour)
        return f"#{r:02x}{g:02x}{b:02x}", a / 255

    def _fill(self, shape, attributes, fill):
        paint, opacity = self._paint(fill, None)
        extra = f' fill-opacity="{_number(opacity)}"' if opacity < 1 else ""
        self.body.append(f'<{shape} {attributes} fill="{paint}"{extra}/>')

    def _stroke(self, shape, attributes, colour, width):
        paint, opacity = self._paint(colour, None)
        extra = f' stroke-opacity="{_number(opacity)}"' if opacity < 1 else ""
        self.body.append(f'<{shape} {attributes} fill="none" stroke="{paint}" stroke-width="{_number(width)}" '
                         f'stroke-linejoin="round" stroke-linecap="round"{extra}/>')

    def polygon(self, pts, fill=None, outline=None, width=0):
        if fill is not None:
            self._fill("polygon", f'points="{_points(pts)}"', fill)
        if outline is not None and width > 0:
            self._stroke("polygon", f'points="{_points(pts)}"', outline, width)

    def blob(self, pts, fill=None, outline=None, width=0, steps=12):
        self.polygon(smooth_closed(pts, steps), fill, outline, width)

    def rect(self, x0, y0, x1, y1, fill=None, outline=None, width=0, radius=0):
        def box(inset):
            r = max(radius - inset, 0)
            return (f'x="{_number(x0 + inset)}" y="{_number(y0 + inset)}" width="{_number(x1 - x0 - 2 * inset)}" '
                    f'height="{_number(y1 - y0 - 2 * inset)}"' + (f' rx="{_number(r)}"' if r else ""))
        if fill is not None:
            self._fill("rect", box(0), fill)
        if outline is not None and width > 0:
            self._stroke("rect", box(width / 2), outline, width)

    def ellipse(self, cx, cy, rx, ry, fill=None, outline=None, width=0):
        if fill is not None:
            self._fill("ellipse", f'cx="{_number(cx)}" cy="{_number(cy)}" rx="{_number(rx)}" ry="{_number(ry)}"', fill)
        if outline is not None and width > 0:
            self._stroke("ellipse", f'cx="{_number(cx)}" cy="{_number(cy)}" rx="{_number(rx - width / 2)}" '
                         f'ry="{_number(ry - width / 2)}"', outline, width)

    def line(self, pts, colour, width, smooth=False):
        if smooth:
            pts = smooth_open(pts)
        self._stroke("polyline", f'points="{_points(pts)}"', colour, width)

    def document(self):
        defs = f"<defs>{''.join(self.defs)}</defs>\n" if self.defs else ""
        return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
                f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.w}" height="{self.h}" '
                f'viewBox="0 0 {self.w} {self.h}">\n{defs}' + "\n".join(self.body) + "\n</svg>\n")
