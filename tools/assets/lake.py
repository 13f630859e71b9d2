"""The lake's one shape: the mask picture 118, the map on the background and the spot placement simulation."""

import numpy as np

MAP_W, MAP_H = 541, 352
BOAT_START = (280, 170)
BOAT_W, BOAT_H = 14, 35
SPOT_COUNT = 14
SUPER = 4
# The lens centre (204, 398) of the background in map coordinates, and the
# radius round it in which the map stays land.
MAGNIFIER_CENTRE = (204 - 229, 398 - 29)
MAGNIFIER_CLEAR = 196

# Water is where the sum of these soft blobs rises above one half; islands
# subtract. Each entry: centre x, centre y, radius x, radius y, weight.
WATER_BLOBS = [
    (285, 175, 145, 100, 1.0),
    (150, 135, 112, 95, 0.95),
    (415, 170, 110, 110, 0.95),
    (250, 268, 90, 58, 0.8),
    (340, 68, 92, 52, 0.8),
    (105, 72, 66, 48, 0.8),
    (462, 288, 70, 50, 0.75),
    (62, 160, 50, 58, 0.7),
    (485, 66, 50, 46, 0.7),
]
ISLANDS = [
    (340, 290, 22, 22, 1.3),
    (230, 26, 24, 24, 1.2),
]


def _field(xs, ys):
    w = np.zeros(np.broadcast(xs, ys).shape)
    for cx, cy, rx, ry, k in WATER_BLOBS:
        w += k * np.exp(-(((xs - cx) / rx) ** 2 + ((ys - cy) / ry) ** 2))
    for cx, cy, rx, ry, k in ISLANDS:
        w -= k * np.exp(-(((xs - cx) / rx) ** 2 + ((ys - cy) / ry) ** 2) ** 1.5)
    # A gentle ripple of the coast so it looks drawn by hand, not computed.
    ang = np.arctan2(ys - 176, xs - 270)
    w += 0.05 * np.sin(5 * ang + 0.7) + 0.035 * np.sin(9 * ang + 2.1) + 0.02 * np.sin(15 * ang + 0.3)
    # The magnifier lies over the map's lower-left corner (its frame reaches
    # about 178 pixels from the lens centre); the lake keeps clear of it, so no
    # buoy and no boat ever hides under the frame.
    d = np.hypot(xs - MAGNIFIER_CENTRE[0], ys - MAGNIFIER_CENTRE[1])
    w -= np.clip((MAGNIFIER_CLEAR - d) / 20.0, 0, None) * 2.0
    # Keep a band of land along the map's edges.
    edge = np.minimum(np.minimum(xs, MAP_W - xs), np.minimum(ys, MAP_H - ys))
    w -= np.clip((14 - edge) / 14.0, 0, None) * 2.0
    return w


def land_coverage():
    """Fraction of every map pixel that is land, 0 … 1 (anti-aliased by supersampling)."""
    offs = (np.arange(SUPER) + 0.5) / SUPER
    ys = (np.arange(MAP_H)[:, None] + offs[None, :]).reshape(-1)
    xs = (np.arange(MAP_W)[:, None] + offs[None, :]).reshape(-1)
    land = (_field(xs[None, :], ys[:, None]) < 0.5).astype(np.float64)
    return land.reshape(MAP_H, SUPER, MAP_W, SUPER).mean(axis=(1, 3))


def mask_alpha():
    """Alpha of the mask picture: 0 over water, 255 over land, soft at the coast."""
    return np.round(land_coverage() * 255).astype(np.uint8)


class Rand:
    """The runtime's srand/rand pair that the placement uses."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def __call__(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF


def candidate_table(alpha):
    """ok[Y][X]: the marker box corners and the four probes of candidate (X, Y) are water."""
    water = (alpha & 1) == 0

    def at(x, y):
        if 0 <= x < MAP_W and 0 <= y < MAP_H:
            return bool(water[y, x])
        return False

    pad = np.zeros((MAP_H + 80, MAP_W + 80), dtype=bool)
    pad[40:40 + MAP_H, 40:40 + MAP_W] = water

    def shifted(dx, dy):
        return pad[40 + dy:40 + dy + MAP_H, 40 + dx:40 + dx + MAP_W]

    ok = np.ones((MAP_H, MAP_W), dtype=bool)
    for dx, dy in [(0, 0), (9, 17), (9, 0), (0, 17), (4 + 25, 9), (4, 9 + 25), (4 - 25, 9), (4, 9 - 25)]:
        ok &= shifted(dx, dy)
    return ok


def place_spots(ok, seed, limit=2_000_000):
    """Runs the placement for one seed; returns (spots, candidates drawn).

    The limit only protects the tuning of the shape: a placement that needs
    more candidates has jammed, and the shape is too small."""
    rand = Rand(seed)
    spots = []
    drawn = 0
    while len(spots) < SPOT_COUNT and drawn < limit:
        x = rand() % MAP_W
        y = rand() % MAP_H
        drawn += 1
        if not ok[y, x]:
            continue
        cx, cy = x + 4, y + 9
        if any(abs(sx - cx) < 55.5 and abs(sy - cy) < 334 / 6 for sx, sy in spots):
            continue
        spots.append((cx, cy))
    return spots, drawn


def smallest_room(ok, spots):
    """The fewest candidate positions that were left free for a spot of this placement."""
    free = ok.copy()
    room = int(free.sum())
    ys = np.arange(MAP_H)[:, None] + 9
    xs = np.arange(MAP_W)[None, :] + 4
    for sx, sy in spots[:-1]:
        free &= ~((np.abs(xs - sx) <= 55) & (np.abs(ys - sy) <= 55))
        room = min(room, int(free.sum()))
    return room


def jamming_counts(ok, runs, seed=1):
    """How many spots fit before no room is left, placing each at a random free position.

    The game's placement has no retry limit, so a lake that could fill up
    before the fourteenth spot would hang it; this measures the margin."""
    rng = np.random.RandomState(seed)
    ys = np.arange(MAP_H)[:, None] + 9
    xs = np.arange(MAP_W)[None, :] + 4
    counts = []
    for _ in range(runs):
        free = ok.copy()
        n = 0
        while True:
            idx = np.flatnonzero(free)
            if len(idx) == 0:
                break
            y, x = divmod(int(idx[rng.randint(len(idx))]), MAP_W)
            free &= ~((np.abs(xs - (x + 4)) <= 55) & (np.abs(ys - (y + 9)) <= 55))
            n += 1
        counts.append(n)
    return np.array(counts)


def placement_statistics(alpha, seeds, room=False):
    ok = candidate_table(alpha)
    runs = [place_spots(ok, s, 200_000) for s in seeds]
    counts = np.array([drawn for _, drawn in runs])
    rooms = [smallest_room(ok, spots) for spots, _ in runs] if room else [0]
    return {
        "jammed": int(sum(len(spots) < SPOT_COUNT for spots, _ in runs)),
        "smallest_room": min(rooms),
        "seeds": len(counts),
        "mean": float(counts.mean()),
        "median": float(np.median(counts)),
        "p99": float(np.percentile(counts, 99)),
        "max": int(counts.max()),
        "valid_fraction": float(ok.mean()),
    }


def boat_start_on_water(alpha):
    x, y = BOAT_START
    return bool((alpha[y:y + BOAT_H, x:x + BOAT_W] == 0).all())


if __name__ == "__main__":
    import sys
    a = mask_alpha()
    n = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
    print("water fraction", float((a == 0).mean()), "start ok", boat_start_on_water(a))
    print(placement_statistics(a, range(1700000000, 1700000000 + n), room=True))
