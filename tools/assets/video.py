"""The Theora videos: five praise animations and the instruction 190 that follows the narration."""

import json
import math
import os
import subprocess

import numpy as np
from PIL import Image

import composite
import lake
from canvas import FONT_SANS_BOLD, Canvas, shade

HERE = os.path.dirname(os.path.abspath(__file__))


def encode(frames, size, fps, path, bitrate):
    """Pipes RGB frames into ffmpeg's Theora encoder; bit-exact flags keep re-runs identical."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    w, h = size
    cmd = ["ffmpeg", "-y", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{w}x{h}", "-r", str(fps),
           "-i", "-", "-c:v", "libtheora", "-b:v", bitrate, "-g", str(fps * 4), "-fflags", "+bitexact",
           "-flags:v", "+bitexact", "-map_metadata", "-1", "-an", path]
    proc = subprocess.Popen(cmd, stdin=subprocess.PIPE)
    count = 0
    for frame in frames:
        assert frame.size == size
        proc.stdin.write(frame.convert("RGB").tobytes())
        count += 1
    proc.stdin.close()
    if proc.wait() != 0:
        raise RuntimeError("ffmpeg failed for " + path)
    return count


# -- praise animations ---------------------------------------------------------
# Drawn in a 320 × 200 space and stretched to 320 × 240, because the praise
# screen squeezes the video back to 320 × 200.
PW, PH = 320, 200
PRAISE_FRAMES = 18
STRETCH = 240 / 200


def praise_canvas():
    return Canvas(320, 240, s=3, background=(255, 255, 255, 255), unit=(1.0, STRETCH))


def star(c, cx, cy, r, colour, angle=0.0, outline=None):
    pts = []
    for k in range(10):
        a = angle + k * math.pi / 5
        rr = r if k % 2 == 0 else r * 0.45
        pts.append((cx + rr * math.sin(a), cy - rr * math.cos(a)))
    c.polygon(pts, fill=colour, outline=outline or shade(colour, 0.55), width=2)


def face(c, cx, cy, r):
    c.ellipse(cx - r * 0.33, cy - r * 0.15, r * 0.09, r * 0.13, fill=(60, 40, 30))
    c.ellipse(cx + r * 0.33, cy - r * 0.15, r * 0.09, r * 0.13, fill=(60, 40, 30))
    c.line([(cx - r * 0.4, cy + r * 0.18), (cx, cy + r * 0.45), (cx + r * 0.4, cy + r * 0.18)], (90, 40, 30), max(r * 0.09, 2), smooth=True)
    c.ellipse(cx - r * 0.55, cy + r * 0.2, r * 0.14, r * 0.09, fill=(255, 120, 120, 150))
    c.ellipse(cx + r * 0.55, cy + r * 0.2, r * 0.14, r * 0.09, fill=(255, 120, 120, 150))


CONFETTI = [(255, 80, 80), (255, 200, 40), (60, 180, 250), (90, 210, 90), (200, 110, 240), (255, 140, 40)]


def confetti(c, t, seed, count=26):
    rng = np.random.RandomState(seed)
    for k in range(count):
        x0, y0 = rng.uniform(10, 310), rng.uniform(-40, 60)
        vy, spin = rng.uniform(120, 200), rng.uniform(-8, 8)
        y = y0 + vy * t
        x = x0 + 10 * math.sin(t * 6 + k)
        if y > PH + 10:
            continue
        a = spin * t
        pts = [(x + 5 * math.cos(a), y + 3 * math.sin(a)), (x - 5 * math.cos(a), y - 3 * math.sin(a))]
        c.line(pts, CONFETTI[k % len(CONFETTI)], 4)


def praise_bravo(t):
    c = praise_canvas()
    s = 1 + 0.12 * math.sin(t * 2 * math.pi * 1.3)
    for k in range(12):
        a = k * math.pi / 6 + t * 1.5
        c.line([(160 + 60 * math.cos(a), 100 + 60 * math.sin(a)), (160 + (85 + 8 * math.sin(t * 9 + k)) * math.cos(a), 100 + (85 + 8 * math.sin(t * 9 + k)) * math.sin(a))],
               (255, 200, 40), 6)
    c.ellipse(160, 100, 52 * s, 52 * s, fill=("radial", [(255, 245, 150), (255, 200, 40)], ((150, 90), 60)), outline=(220, 140, 0), width=3)
    face(c, 160, 100, 50 * s)
    for k in range(5):
        a = k * 2 * math.pi / 5 + t * 2
        r = 20 + 110 * ((t * 1.3 + k * 0.2) % 1)
        star(c, 160 + r * math.cos(a), 100 + r * math.sin(a) * 0.8, 12, CONFETTI[k], angle=t * 3)
    return c.picture()


def praise_gotovo(t):
    c = praise_canvas()
    c.ellipse(160, 100, 78, 78, fill=("radial", [(200, 255, 200), (120, 220, 120)], ((150, 90), 80)), outline=(40, 150, 50), width=4)
    p = min(t / 0.8, 1.0)
    pts = [(118, 100), (150, 132), (206, 68)]
    if p < 0.4:
        q = p / 0.4
        path = [pts[0], (pts[0][0] + (pts[1][0] - pts[0][0]) * q, pts[0][1] + (pts[1][1] - pts[0][1]) * q)]
    else:
        q = (p - 0.4) / 0.6
        path = [pts[0], pts[1], (pts[1][0] + (pts[2][0] - pts[1][0]) * q, pts[1][1] + (pts[2][1] - pts[1][1]) * q)]
    c.line(path, (30, 120, 40), 26)
    c.line(path, (255, 255, 255), 18)
    if t > 0.8:
        for k in range(8):
            a = k * math.pi / 4
            r = 90 + 40 * (t - 0.8)
            star(c, 160 + r * math.cos(a), 100 + r * math.sin(a) * 0.85, 9, CONFETTI[k % 6], angle=t * 4)
    return c.picture()


def praise_molodec(t):
    c = praise_canvas()
    confetti(c, t, 7)
    hop = abs(math.sin(t * math.pi * 2 / 1.5 * 2)) * 30
    squash = 1 + (0.1 if hop < 4 else 0)
    cy = 130 - hop
    c.ellipse(160, 178, 50 - hop * 0.5, 8, fill=(0, 0, 0, 40))
    star(c, 160, cy - 10, 66 * squash, (255, 210, 40), angle=math.sin(t * 6) * 0.15, outline=(210, 130, 0))
    face(c, 160, cy - 6, 38)
    return c.picture()


def praise_otlichno(t):
    c = praise_canvas()
    for k in range(16):
        a = k * math.pi / 8 + t * 0.8
        c.polygon([(160, 100), (160 + 96 * math.cos(a - 0.11), 100 + 96 * math.sin(a - 0.11)), (160 + 96 * math.cos(a + 0.11), 100 + 96 * math.sin(a + 0.11))],
                  fill=(255, 220, 100, 110))
    bounce = 1 + 0.08 * math.sin(t * 2 * math.pi * 1.4)
    c.polygon([(120, 20), (145, 20), (170, 75), (150, 80)], fill=(60, 130, 240), outline=(20, 70, 160), width=2)
    c.polygon([(200, 20), (175, 20), (150, 75), (170, 80)], fill=(240, 70, 70), outline=(150, 20, 20), width=2)
    r = 52 * bounce
    c.ellipse(160, 112, r, r, fill=("radial", [(255, 245, 170), (255, 200, 40), (220, 150, 10)], ((145, 95), 62)), outline=(170, 100, 0), width=4)
    star(c, 160, 112, 30 * bounce, (255, 250, 220), angle=t * 2, outline=(200, 130, 0))
    return c.picture()


def praise_ura(t):
    c = praise_canvas()
    for k, (x, col) in enumerate(((80, (255, 80, 80)), (160, (60, 180, 250)), (240, (90, 210, 90)), (120, (255, 200, 40)), (200, (200, 110, 240)))):
        y = 230 - 170 * (t / 1.5) - (k % 2) * 30 - (k == 1) * 20 + 8 * math.sin(t * 4 + k)
        x = x + 8 * math.sin(t * 3 + k * 2)
        c.line([(x, y + 34), (x + 6 * math.sin(t * 5 + k), y + 70), (x, y + 100)], (120, 120, 120), 1.5, smooth=True)
        c.ellipse(x, y, 26, 32, fill=("radial", [shade(col, 1.5), col], ((x - 8, y - 10), 34)), outline=shade(col, 0.55), width=2)
        c.polygon([(x - 5, y + 34), (x + 5, y + 34), (x, y + 29)], fill=shade(col, 0.7))
        c.ellipse(x - 9, y - 12, 5, 8, fill=(255, 255, 255, 170))
    confetti(c, t, 11, 20)
    return c.picture()


PRAISE_ANIMATIONS = [
    ("bravo_anim", praise_bravo),
    ("gotovo_anim", praise_gotovo),
    ("molodec_anim", praise_molodec),
    ("otlichno_anim", praise_otlichno),
    ("ura_anim", praise_ura),
]


# -- instruction video -------------------------------------------------------
CAPTION_BAND = (12, 8, 788, 76)


_captions = {}


def caption(screen, text):
    if text not in _captions:
        _captions[text] = caption_picture(text)
    x0, y0 = CAPTION_BAND[0] - 4, CAPTION_BAND[1] - 4
    screen.alpha_composite(_captions[text], dest=(x0, y0))


def caption_picture(text):
    x0, y0 = CAPTION_BAND[0] - 4, CAPTION_BAND[1] - 4
    c = Canvas(CAPTION_BAND[2] - x0 + 4, CAPTION_BAND[3] - y0 + 4, s=2, origin=(-x0, -y0))
    x0, y0, x1, y1 = CAPTION_BAND
    c.rect(x0, y0, x1, y1, fill=(20, 50, 110, 215), outline=(255, 255, 255, 230), width=3, radius=18)
    size = 36
    from canvas import text_width
    while text_width(text, size, FONT_SANS_BOLD) > (x1 - x0) - 40 and size > 18:
        size -= 1
    c.text(400, (y0 + y1) / 2 + 1, text, size, (255, 255, 255), font=FONT_SANS_BOLD, outline=(10, 30, 70), outline_width=2)
    return c.picture()


def pointer(screen, x, y, pressed=False):
    c = Canvas(40, 48, s=4)
    pts = [(2, 2), (2, 34), (10, 27), (16, 40), (22, 37), (16, 25), (27, 25)]
    c.polygon(pts, fill=(255, 255, 255), outline=(0, 0, 0), width=2)
    if pressed:
        c.ellipse(4, 4, 10, 10, fill=None, outline=(255, 120, 0), width=3)
    screen.alpha_composite(c.picture(), dest=(int(x) - 2, int(y) - 2))


def glow_ring(screen, x, y, r, t):
    k = 0.5 + 0.5 * math.sin(t * 6)
    half = int(r + 12)
    c = Canvas(2 * half, 2 * half, s=2)
    c.ellipse(half, half, r + 4 * k, r + 4 * k, fill=None, outline=(255, 240, 60, 230), width=4)
    composite.draw(screen, c.picture(), (int(x) - half, int(y) - half, int(x) + half, int(y) + half))


class Instruction:
    """Plays a small scripted game on the real pictures, following the narration's sentences."""

    def __init__(self, pictures, timing):
        self.p = pictures
        self.timing = timing["sentences"]
        self.seconds = timing["seconds"]
        self.game = composite.Game(pictures, seed=1700000123)
        g = self.game
        alpha = lake.mask_alpha()
        # The demonstration spot: the nearest one that the boat reaches along a straight line of water.
        sx, sy = lake.BOAT_START
        best = None
        for i, (mx, my) in enumerate(g.spots):
            path_ok = all(alpha[int(sy + (my - sy) * f):int(sy + (my - sy) * f) + 35, int(sx + (mx - sx) * f):int(sx + (mx - sx) * f) + 14].max(initial=0) == 0
                          for f in np.linspace(0, 1, 60))
            treasure = i in (0, 2, 3, 6, 11, 13)
            d = math.hypot(mx - sx, my - sy)
            if path_ok and treasure and (best is None or d < best[0]):
                best = (d, i)
        self.target = best[1] if best else 2
        self.junk = next(i for i in (1, 4, 5, 7, 8, 9, 10, 12) if i != self.target)

    def sentence_start(self, k):
        return self.timing[min(k, len(self.timing) - 1)][0]

    # Each scene starts with the sentence of the narration that holds its cue word.
    CUES = {"MAP": "карту", "ARROWS": "стрелки", "HOLD": "держи", "REACH": "Подведи", "PATCH": "тёмное", "PRESS": "Теперь",
            "DIVE": "от себя", "RISE": "к себе", "BOTTOM": "лежат", "TAKE": "щёлкни", "JUNK": "Мусор", "LAST": "Последнее",
            "ALL": "Найди все"}

    def cue(self, name):
        word = self.CUES[name]
        return next(start for start, sentence in self.timing if word in sentence)

    def frame(self, t):
        g = self.game
        s = {name: self.cue(name) for name in self.CUES}
        sx, sy = lake.BOAT_START
        tx, ty = g.spots[self.target]
        dx, dy = tx - sx, ty - sy
        dist = max(math.hypot(dx, dy), 1)
        # The boat stops a little short and to the side first, so the dark patch shows beside it.
        nx, ny = tx - 6 * dx / dist - 10 * dy / dist, ty - 6 * dy / dist + 10 * dx / dist
        g.depth, g.arrows_visible, g.highlight, g.cleared, g.found = 0, True, None, set(), set()
        g.boat, g.boat_angle, g.water_scroll = [sx, sy], 0, (0, 0)
        g.ripple_frame = int(t * 14)
        text, ptr, rings, show_mouse = None, None, [], False

        def at(x, y):
            g.boat = [int(round(x)), int(round(y))]
            g.water_scroll = (-2 * (g.boat[0] - sx), -2 * (g.boat[1] - sy))

        def progress(a, b):
            return min(max((t - s[a]) / max(s[b] - s[a], 0.1), 0.0), 1.0)

        k = int(round(math.degrees(math.atan2(dx, -dy)) / 45)) % 8
        if t < s["MAP"]:
            text = "Найди на дне озера сокровища!"
        elif t < s["ARROWS"]:
            text = "Светлые пятна на карте: там что-то лежит"
            rings = [(mx + 229, my + 29, 14) for mx, my in g.spots]
        elif t < s["PATCH"]:
            text = "Нажми на стрелку и держи кнопку мыши" if t < s["REACH"] else "Подведи лодку к светлому пятну"
            f = progress("HOLD", "PATCH")
            g.boat_angle = k * 45
            if t >= s["HOLD"]:
                g.highlight = [0, 4, 1, 5, 2, 7, 3, 6][k]
            at(sx + (nx - sx) * f, sy + (ny - sy) * f)
            a = math.radians(k * 45)
            ptr = (205 + 116 * math.sin(a), 395 - 116 * math.cos(a), t >= s["HOLD"])
            if t >= s["REACH"]:
                rings = [(tx + 229, ty + 29, 14)]
        elif t < s["PRESS"]:
            text = "Под водой видно тёмное пятно"
            g.boat_angle = k * 45
            f = progress("PATCH", "PRESS")
            if f < 0.6:
                at(nx, ny)
                lx, ly = g.lens_pos(self.target)
                rings = [(lx, ly, 40)]
            else:
                q = (f - 0.6) / 0.4
                at(nx + (tx - nx) * q, ny + (ty - ny) * q)
        elif t < s["BOTTOM"]:
            at(tx, ty)
            g.arrows_visible = False
            show_mouse = True
            if t < s["DIVE"]:
                text = "Нажми на колесо мыши"
            elif t < s["RISE"]:
                text = "Крути колесо от себя: ныряем!"
                g.depth = min(int(progress("DIVE", "RISE") * 60), 40)
            else:
                text = "Крути колесо к себе: всплываем"
                g.depth = max(40 - int(progress("RISE", "BOTTOM") * 50), 0)
        elif t < s["JUNK"]:
            at(tx, ty)
            g.arrows_visible = False
            g.depth = min(int(progress("BOTTOM", "TAKE") * 60), 40) if t < s["TAKE"] else 40
            text = "На дне сокровища и мусор" if t < s["TAKE"] else "Щёлкни по сокровищу!"
            if t >= s["TAKE"]:
                f = progress("TAKE", "JUNK")
                lx, ly = g.lens_pos(self.target)
                ptr = (lx + 4, ly + 2, f > 0.5)
                if f > 0.55:
                    g.cleared = {self.target}
                    g.found = {self.bowl(self.target)}
                    rings = [self.bowl_centre(self.target)]
        elif t < s["LAST"]:
            jx, jy = g.spots[self.junk]
            at(jx, jy)
            g.cleared = {self.target}
            g.found = {self.bowl(self.target)}
            f = progress("JUNK", "LAST")
            show_mouse = f < 0.7
            g.arrows_visible = f > 0.7
            g.depth = 40 if f < 0.35 else max(40 - int((f - 0.35) * 160), 0)
            text = "Мусор не бери: нажми на колесо"
            if f > 0.7:
                g.cleared = {self.target, self.junk}
        elif t < s["ALL"]:
            text = "Последнее сокровище найдётся в конце"
            f = progress("LAST", "ALL")
            g.cleared = set(list(range(13))[:int(f * 13) + 1])
            g.found = {self.bowl(i) for i in g.cleared if self.bowl(i)}
            lx, ly = g.spots[13]
            rings = [(lx + 229, ly + 29, 14)]
        else:
            text = "Найди все шесть сокровищ! Удачи!"
            g.cleared = set(range(14))
            g.found = set(range(136, 142))
        screen = g.render().convert("RGBA")
        for x, y, r in rings:
            glow_ring(screen, x, y, r, t)
        if ptr:
            pointer(screen, *ptr)
        if show_mouse:
            screen.alpha_composite(self.small_mouse(), dest=(610, 200))
        if text:
            caption(screen, text)
        return screen.convert("RGB")

    BOWLS = {0: 136, 2: 137, 3: 138, 6: 139, 11: 140, 13: 141}

    def bowl(self, i):
        return self.BOWLS.get(i)

    def bowl_centre(self, i):
        from scene import BOWL_ICONS
        (x, y), (w, h) = BOWL_ICONS[self.BOWLS[i]]
        return (x + w / 2, y + h / 2, max(w, h) * 0.7)

    def small_mouse(self):
        if not hasattr(self, "_mouse"):
            self._mouse = self.p["MOUSE"].resize((160, 160), Image.LANCZOS)
        return self._mouse

    def frames(self, fps=25):
        n = int(round(self.seconds * fps))
        for k in range(n):
            yield self.frame(k / fps)


def generate(assets, pictures, recorder):
    """Writes the videos; returns [(path, width, height, fps, frames)]. The instruction 190 is
    recorded from the game by the recorder program."""
    written = []
    for name, draw in PRAISE_ANIMATIONS:
        path = os.path.join(assets, "shell", name + ".ogv")
        n = encode((draw(k / 12) for k in range(PRAISE_FRAMES)), (320, 240), 12, path, "400k")
        written.append((path, 320, 240, 12, n))
    with open(os.path.join(HERE, "out", "narration_timing.json"), encoding="utf-8") as f:
        timing = json.load(f)
    path = os.path.join(assets, "exercise", "190.ogv")
    n = encode(recorded_instruction(recorder, pictures, timing), (800, 600), 25, path, "550k")
    written.append((path, 800, 600, 25, n))
    return written


# -- the instruction recorded from the game itself ---------------------------
# The recorder (tools/video/RecordInstruction.cpp) plays the real game screen
# headless along the demonstration's route and hands over each frame with the
# pointer's position; the captions, the pointer, the wheel picture and the rings
# are added here, in the same drawing as the rest of the project's art.
RECORDER_CUES = ("HOLD", "PATCH", "PRESS", "DIVE", "RISE", "BOTTOM", "TAKE", "JUNK")
HEADER_BYTES = 24
FRAME_BYTES = HEADER_BYTES + 800 * 600 * 3


def recorded_caption(t, s):
    """The caption of the moment: the sentence being spoken, put in a child's few words."""
    if t < s["MAP"]:
        return "Найди на дне озера сокровища!"
    if t < s["ARROWS"]:
        return "Светлые пятна на карте: там что-то лежит"
    if t < s["HOLD"]:
        return "Лодку ведут жёлтые стрелки"
    if t < s["REACH"]:
        return "Нажми на стрелку и держи кнопку мыши"
    if t < s["PATCH"]:
        return "Подведи лодку к светлому пятну"
    if t < s["PRESS"]:
        return "Под водой видно тёмное пятно"
    if t < s["DIVE"]:
        return "Нажми на колесо мыши"
    if t < s["RISE"]:
        return "Крути колесо от себя: ныряем!"
    if t < s["BOTTOM"]:
        return "Крути колесо к себе: всплываем"
    if t < s["TAKE"]:
        return "На дне сокровища и мусор"
    if t < s["JUNK"]:
        return "Щёлкни по сокровищу!"
    if t < s["LAST"]:
        return "Мусор не бери: нажми на колесо"
    if t < s["ALL"]:
        return "Последнее сокровище найдётся в конце"
    return "Найди все шесть сокровищ! Удачи!"


def read_exactly(stream, size):
    data = bytearray()
    while len(data) < size:
        chunk = stream.read(size - len(data))
        if not chunk:
            raise RuntimeError("the recorder stopped early")
        data += chunk
    return bytes(data)


def recorded_instruction(recorder, pictures, timing, fps=25):
    """Yields the instruction's frames, recorded from the game and captioned."""
    helper = Instruction.__new__(Instruction)
    helper.p = pictures
    helper.timing = timing["sentences"]
    s = {name: helper.cue(name) for name in Instruction.CUES}
    n = int(round(timing["seconds"] * fps))
    args = [recorder, str(n)] + [f"{name}={s[name]}" for name in RECORDER_CUES]
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # The recorder names the spots' markers, the demonstrated treasure and its
    # bowl before its first frame.
    markers, target, bowl = {}, None, None
    while bowl is None:
        line = proc.stderr.readline().decode()
        if not line:
            raise RuntimeError("the recorder ended before its first frame")
        words = line.split()
        if words[0] == "marker":
            markers[int(words[1])] = (int(words[2]), int(words[3]))
        elif words[0] == "target":
            target = int(words[1])
        elif words[0] == "bowl":
            bowl = tuple(int(w) for w in words[1:4])
    taken = None
    for k in range(n):
        t = k / fps
        data = read_exactly(proc.stdout, FRAME_BYTES)
        x, y, pressed, wheel, px, py = (int(v) for v in np.frombuffer(data[:HEADER_BYTES], dtype="<i4"))
        screen = Image.frombuffer("RGB", (800, 600), data[HEADER_BYTES:], "raw", "RGB", 0, 1).convert("RGBA")
        rings = []
        if s["MAP"] <= t < s["ARROWS"]:
            rings = [(mx, my, 12) for mx, my in markers.values()]
        elif s["REACH"] <= t < s["PATCH"]:
            rings = [markers[target] + (12,)]
        elif s["TAKE"] <= t < s["JUNK"]:
            # The bowl rings from the frame its icon first shows.
            if taken is None and t > s["TAKE"] + 2.5:
                taken = t
            if taken is not None:
                rings = [bowl]
        if px >= 0:
            rings.append((px, py, 40))
        for rx, ry, r in rings:
            glow_ring(screen, rx, ry, r, t)
        pointer(screen, x, y, bool(pressed))
        if wheel:
            screen.alpha_composite(helper.small_mouse(), dest=(610, 200))
        caption(screen, recorded_caption(t, s))
        yield screen.convert("RGB")
    proc.stdout.close()
    proc.stderr.read()
    if proc.wait() != 0:
        raise RuntimeError("the recorder failed")


def preview_recorded(recorder, pictures, times, out):
    """Writes the recorded instruction's frames at the given seconds as PNG, for review."""
    with open(os.path.join(HERE, "out", "narration_timing.json"), encoding="utf-8") as f:
        timing = json.load(f)
    wanted = {int(round(t * 25)): t for t in times}
    for k, frame in enumerate(recorded_instruction(recorder, pictures, timing)):
        if k in wanted:
            frame.save(os.path.join(out, f"recorded_{wanted[k]:05.1f}.png"))
