"""Re-makes every asset under assets/ from our own generators, then the contact sheet and the screen composites.

Run through `make assets`; `--only pictures,icons,sounds,videos,review` limits the work while drawing."""

import argparse
import os
import subprocess
import sys
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import audio  # noqa: E402
import composite  # noqa: E402
import lake  # noqa: E402
import objects  # noqa: E402
import scene  # noqa: E402
import shell  # noqa: E402
import skin  # noqa: E402
import video  # noqa: E402
from canvas import FONT_REGULAR, save_png  # noqa: E402

ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
ASSETS = os.path.join(ROOT, "assets")
PACKAGE_ICONS = os.path.join(ROOT, "packaging", "icons")
OUT = os.path.join(HERE, "out")


def log(*args):
    print(*args, flush=True)


def make_pictures():
    """Writes every PNG; returns {key: picture} where exercise keys are numbers and others their stems."""
    pictures, listing = {}, []
    for number, pic in objects.generate():
        pictures[number] = pic
        listing.append((f"exercise/{number}.png", pic, "RGBA"))
    icons = {n: pictures[n] for n in range(136, 142)}
    for number, pic, mode in scene.generate(icons):
        pictures[number] = pic
        listing.append((f"exercise/{number}.png", pic, mode))
    for name, pic, mode in skin.generate():
        pictures[name] = pic
        listing.append((f"skin/{name}.png", pic, mode))
    for rel, pic, mode in shell.generate():
        pictures[os.path.splitext(os.path.basename(rel))[0]] = pic
        listing.append((rel, pic, mode))
    for rel, pic, mode in listing:
        save_png(pic, os.path.join(ASSETS, rel), mode)
    log(f"pictures: {len(listing)} written")
    return pictures, listing


def make_package_icons():
    """The icon theme's other sizes and the scalable icon, for the package (not carried by the executable)."""
    for name, content in shell.package_icons():
        path = os.path.join(PACKAGE_ICONS, name)
        if isinstance(content, str):
            os.makedirs(PACKAGE_ICONS, exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(content)
        else:
            save_png(content, path, "RGBA")
    log(f"package icons written to {os.path.relpath(PACKAGE_ICONS, ROOT)}")


def load_pictures():
    pictures, listing = {}, []
    for folder in ("exercise", "skin", "shell", "text", "icon"):
        d = os.path.join(ASSETS, folder)
        for f in sorted(os.listdir(d)):
            if f.endswith(".png"):
                pic = Image.open(os.path.join(d, f))
                pic.load()
                stem = f[:-4]
                pictures[int(stem) if stem.isdigit() else stem] = pic
                listing.append((f"{folder}/{f}", pic, pic.mode))
    return pictures, listing


def placement_report(seeds=10000):
    alpha = lake.mask_alpha()
    stats = lake.placement_statistics(alpha, range(1700000000, 1700000000 + seeds), room=True)
    lines = [
        "Spot placement over the lake mask (picture 118), simulated with the runtime's rand",
        f"seeds: {stats['seeds']} consecutive calendar seconds from 1700000000",
        f"candidates per placement of 14 spots: mean {stats['mean']:.1f}, median {stats['median']:.0f}, "
        f"99th percentile {stats['p99']:.0f}, max {stats['max']}",
        f"placements that jammed (no room left): {stats['jammed']}",
        f"fewest candidate positions left free for a spot: {stats['smallest_room']}",
        f"map positions that pass every shore probe: {stats['valid_fraction'] * 100:.1f} %",
        f"water (alpha 0): {(alpha == 0).mean() * 100:.1f} % of the map",
        f"boat start (280, 170) with its 14 x 35 block on water: {lake.boat_start_on_water(alpha)}",
    ]
    jams = lake.jamming_counts(lake.candidate_table(alpha), 2000)
    lines.append(f"spots that fit before the lake is full (2000 random fillings): min {jams.min()}, "
                 f"mean {jams.mean():.1f}, standard deviation {jams.std():.2f}")
    with open(os.path.join(OUT, "placement.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    log("\n".join(lines))


def checker(w, h, cell=8):
    ys, xs = np.mgrid[0:h, 0:w]
    v = np.where(((xs // cell) + (ys // cell)) % 2 == 0, 205, 235).astype(np.uint8)
    return Image.fromarray(np.stack([v, v, v, np.full_like(v, 255)], -1), "RGBA")


def contact_sheet(listing):
    width, pad, label_h = 1640, 12, 18
    font = ImageFont.truetype(FONT_REGULAR, 12)
    items = sorted(listing, key=lambda e: (-e[1].height, e[0]))
    placed, x, y, row_h = [], pad, pad, 0
    for rel, pic, _ in items:
        w = max(pic.width, font.getbbox(f"{rel}  {pic.width}x{pic.height}")[2]) + pad
        if x + w > width:
            x, y, row_h = pad, y + row_h + label_h + pad, 0
        placed.append((rel, pic, x, y))
        x += w
        row_h = max(row_h, pic.height)
    height = y + row_h + label_h + pad
    sheet = Image.new("RGBA", (width, height), (250, 250, 250, 255))
    d = ImageDraw.Draw(sheet)
    for rel, pic, x, y in placed:
        sheet.alpha_composite(checker(pic.width, pic.height), dest=(x, y + label_h))
        sheet.alpha_composite(pic.convert("RGBA"), dest=(x, y + label_h))
        d.text((x, y + 2), f"{rel}  {pic.width}x{pic.height}", fill=(20, 20, 20), font=font)
    save_png(sheet.convert("RGB"), os.path.join(OUT, "contact_sheet.png"), "RGB")


def composites(pictures):
    g = composite.Game(pictures)
    save_png(g.render(), os.path.join(OUT, "screen_depth0.png"), "RGB")
    # Deep over a treasure: the boat sits on the crown's spot, one treasure already in its bowl.
    g.boat = [int(g.spots[2][0]), int(g.spots[2][1])]
    g.depth, g.arrows_visible = 40, False
    g.cleared, g.found = {0}, {136}
    save_png(g.render(), os.path.join(OUT, "screen_depth40.png"), "RGB")
    # Near a spot at the surface: its dark patch shows beside the boat.
    g = composite.Game(pictures)
    g.boat = [int(g.spots[2][0]) + 8, int(g.spots[2][1]) + 5]
    save_png(g.render(), os.path.join(OUT, "screen_near_spot.png"), "RGB")


def probe(path):
    """Figures of a sound or video file as ffprobe reads them."""
    import json
    import subprocess
    out = subprocess.run(["ffprobe", "-v", "error", "-show_streams", "-show_format", "-of", "json", path],
                         check=True, capture_output=True, text=True).stdout
    info = json.loads(out)
    s = info["streams"][0]
    seconds = float(info["format"]["duration"])
    if s["codec_type"] == "audio":
        return f"Vorbis, {s['channels']} channels, {s['sample_rate']} Hz, {seconds:.2f} s"
    num, den = s["r_frame_rate"].split("/")
    fps = int(num) / int(den)
    # Unchanged frames are empty packets that ffprobe does not count, so the
    # frame count comes from the stream's duration.
    return f"Theora, {s['width']}x{s['height']}, {fps:g} fps, {round(seconds * fps)} frames, {seconds:.2f} s"


def inventory():
    """Lists every committed asset with its figures, for the review."""
    lines, total = [], 0
    for folder in ("exercise", "skin", "shell", "text", "icon"):
        d = os.path.join(ASSETS, folder)
        for f in sorted(os.listdir(d), key=lambda n: (len(n.split(".")[0]) if n[0].isdigit() else 99, n)):
            path = os.path.join(d, f)
            size = os.path.getsize(path)
            total += size
            if f.endswith(".png"):
                with Image.open(path) as pic:
                    figures = f"PNG {pic.width}x{pic.height} {pic.mode}"
            else:
                figures = probe(path)
            lines.append(f"{folder}/{f}: {figures}, {size} bytes")
    lines.append(f"total: {len(lines)} files, {total} bytes")
    with open(os.path.join(OUT, "inventory.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    log(lines[-1])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--only", default="pictures,icons,placement,sounds,videos,review")
    ap.add_argument("--build", default=os.path.join(ROOT, "build"),
                    help="the configured CMake build where the instruction's recorder is built")
    args = ap.parse_args()
    parts = set(args.only.split(","))
    os.makedirs(OUT, exist_ok=True)
    start = time.time()
    if "pictures" in parts:
        pictures, listing = make_pictures()
    else:
        pictures, listing = load_pictures()
    if "icons" in parts:
        make_package_icons()
    if "placement" in parts:
        placement_report()
    if "sounds" in parts:
        for path, rate, seconds in audio.generate(ASSETS):
            log(f"{os.path.relpath(path, ROOT)}: {rate} Hz, {seconds:.2f} s, {os.path.getsize(path)} bytes")
    if "videos" in parts:
        # The instruction is recorded from the game built with the pictures and sounds just made.
        subprocess.run(["cmake", "--build", args.build, "--target", "zeltarik_record_instruction"], check=True)
        recorder = os.path.join(args.build, "tools", "video", "zeltarik_record_instruction")
        for path, w, h, fps, n in video.generate(ASSETS, pictures, recorder):
            log(f"{os.path.relpath(path, ROOT)}: {w}x{h}, {fps} fps, {n} frames, {os.path.getsize(path)} bytes")
    if "review" in parts:
        contact_sheet(listing)
        composites(pictures)
        inventory()
        log(f"review pictures in {os.path.relpath(OUT, ROOT)}")
    log(f"done in {time.time() - start:.0f} s")


if __name__ == "__main__":
    main()
