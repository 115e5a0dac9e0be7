#!/usr/bin/python3
"""Composes the face guide's labelled set: camera frames with the astronaut's
portrait placed where the guide lines want it, and off by known amounts, on
plain and busy backgrounds, plus frames without a face.

Run with Debian's python3 (python3-skimage, python3-pil, python3-numpy):
    /usr/bin/python3 tests/guide/make_labelled_set.py tests/guide/data
It rewrites the pictures and labels.csv; the tests read only what it wrote.
The labels say what a person would say of each frame, from the placement
chosen here, not what any detector answers.
"""
import csv
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageOps

SOURCES = "/usr/lib/python3/dist-packages/skimage/data"
PANEL_W, PANEL_H = 228, 303

# Hand-read points of astronaut.png: the top of the hair, the chin and the
# middle between the eyes. Her head is 168 pixels from hair to chin.
HEAD_TOP, CHIN, EYES = (225, 14), (225, 182), (225, 102)
# Where the lines put a head: top at row 23, chin at row 230, centred on
# column 114, so her eyes come to row 131, inside the 120..160 band.
IDEAL_SCALE = (230 - 23) / (CHIN[1] - HEAD_TOP[1])
IDEAL_EYES = (114, 23 + (EYES[1] - HEAD_TOP[1]) * IDEAL_SCALE)


def source(name):
    return Image.open(os.path.join(SOURCES, name)).convert("RGB")


def portrait_cut():
    """Her head and shoulders with a soft mask, so no square edge shows."""
    image = source("astronaut.png").crop((90, 0, 370, 512))
    mask = Image.new("L", image.size, 0)
    draw = ImageDraw.Draw(mask)
    ox = 90
    draw.ellipse((228 - 84 - ox, 4, 228 + 84 - ox, 196), fill=255)
    draw.ellipse((230 - 135 - ox, 150, 230 + 135 - ox, 700), fill=255)
    return image, mask.filter(ImageFilter.GaussianBlur(5)), ox


PORTRAIT, MASK, CUT_X = portrait_cut()


def background(kind, size):
    w, h = size
    if kind.startswith("plain"):
        colours = {"plain-grey": (196, 196, 192), "plain-blue": (120, 160, 210),
                   "plain-white": (245, 245, 245), "plain-dark": (60, 62, 70)}
        return Image.new("RGB", size, colours[kind])
    files = {"brick": "brick.png", "grass": "grass.png", "gravel": "gravel.png",
             "coffee": "coffee.png", "rocket": "rocket.jpg", "chelsea": "chelsea.png"}
    image = source(files[kind])
    image = ImageOps.fit(image, size, Image.LANCZOS)
    # A room behind a sitter is out of focus; it also keeps the set small.
    return image.filter(ImageFilter.GaussianBlur(5))


def frame_geometry(w, h):
    strip = h * 228 / 303
    return strip, round((w - strip) / 2), h / PANEL_H


def place(frame, dx, dy, k, mirror=False, light=1.0, roll=0):
    """Pastes her portrait so that her eyes land dx, dy panel pixels off the
    ideal place and her head is k times the head the lines frame, tilted by
    `roll` degrees about her eyes."""
    w, h = frame.size
    strip, column, per_panel = frame_geometry(w, h)
    scale = IDEAL_SCALE * k * per_panel
    image, mask = PORTRAIT, MASK
    eyes_x = EYES[0] - CUT_X
    if mirror:
        image, mask = ImageOps.mirror(image), ImageOps.mirror(mask)
        eyes_x = image.width - eyes_x
    if light != 1.0:
        image = Image.eval(image, lambda v: min(255, int(v * light)))
    if roll:
        image = image.rotate(roll, Image.BICUBIC, center=(eyes_x, EYES[1]), fillcolor=(196, 196, 192))
        mask = mask.rotate(roll, Image.BICUBIC, center=(eyes_x, EYES[1]))
    size = (max(1, round(image.width * scale)), max(1, round(image.height * scale)))
    image, mask = image.resize(size, Image.LANCZOS), mask.resize(size, Image.LANCZOS)
    target_x = column + (IDEAL_EYES[0] + dx) * strip / PANEL_W
    target_y = (IDEAL_EYES[1] + dy) * per_panel
    frame.paste(image, (round(target_x - eyes_x * scale), round(target_y - EYES[1] * scale)), mask)


def pattern(kind, size):
    w, h = size
    if kind == "bars":
        colours = [(235, 235, 235), (235, 235, 16), (16, 235, 235), (16, 235, 16),
                   (235, 16, 235), (235, 16, 16), (16, 16, 235), (16, 16, 16)]
        image = Image.new("RGB", size)
        draw = ImageDraw.Draw(image)
        for i, c in enumerate(colours):
            draw.rectangle((i * w // 8, 0, (i + 1) * w // 8, h), fill=c)
        return image
    if kind == "checker":
        cells = (np.add.outer(np.arange(h) // 40, np.arange(w) // 40) % 2) * 200 + 30
        return Image.fromarray(np.uint8(cells)).convert("RGB")
    if kind == "ramp":
        ramp = np.tile(np.linspace(0, 255, w), (h, 1))
        return Image.fromarray(np.uint8(ramp)).convert("RGB")
    if kind == "noise":
        rng = np.random.default_rng(7)
        return Image.fromarray(rng.integers(0, 256, (h, w, 3), dtype=np.uint8)).filter(ImageFilter.GaussianBlur(1))
    raise ValueError(kind)


VGA, HD = (640, 480), (1280, 720)
BACKS = ["plain-grey", "plain-blue", "brick", "grass", "plain-white", "gravel", "coffee", "plain-dark"]


def cases():
    """(name, size, background, [placements], verdict); a placement is
    (dx, dy, k, mirror, light)."""
    out = []
    # Where the lines want her: small slips of place and size.
    right = [(0, 0, 1.0), (6, 4, 0.95), (-7, 10, 1.05), (4, -6, 0.92), (-4, 16, 1.08),
             (8, 8, 1.0), (-8, -4, 0.97), (2, 14, 1.1), (0, 6, 0.9), (-5, 2, 1.03)]
    rolls = (0, 5, -7, 0, 9, -4, 0, 7, -9, 3)
    for i, (dx, dy, k) in enumerate(right):
        for j, back in enumerate((BACKS[i % 8], BACKS[(i + 3) % 8], BACKS[(i + 5) % 8])):
            size = HD if j == 2 and i % 2 == 0 else VGA
            light = (1.0, 0.7, 1.15)[j]
            roll = rolls[(i + j) % 10]
            out.append((f"right-{i}{j}", size, back, [(dx, dy, k, (i + j) % 2 == 1, light, roll)], "kPositionRight"))
    # Far too small and far too large for the head the lines frame.
    for i, k in enumerate((0.5, 0.55, 0.62, 0.68, 0.72, 0.58, 0.65, 0.7)):
        out.append((f"small-{i}", HD if i % 3 == 0 else VGA, BACKS[i % 8], [(i % 3 * 5 - 5, 8, k, i % 2 == 0, 1.0)], "kMoveCloser"))
    for i, k in enumerate((1.35, 1.42, 1.5, 1.6, 1.38, 1.45, 1.55, 1.4)):
        # Her head kept in the panel's middle, so only its size is wrong.
        dy = (PANEL_H / 2 - IDEAL_EYES[1]) * 0.6 - 8
        out.append((f"large-{i}", HD if i % 3 == 1 else VGA, BACKS[(i + 2) % 8], [(i % 3 * 4 - 4, dy, k, i % 2 == 1, 1.0)], "kMoveBack"))
    # Off to one side, above or below, in the picture as the panel shows it.
    for i, d in enumerate((32, 40, 48, 36, 55, 44)):
        back = BACKS[(i + 1) % 8]
        out.append((f"left-{i}", VGA, back, [(-d, 4, 1.0, i % 2 == 0, 1.0)], "kFaceLeft"))
        out.append((f"rightside-{i}", HD if i == 2 else VGA, back, [(d, 4, 1.0, i % 2 == 1, 1.0)], "kFaceRight"))
        out.append((f"high-{i}", VGA, back, [(2, -d + 4, 1.0, i % 2 == 1, 1.0)], "kFaceHigh"))
        out.append((f"low-{i}", HD if i == 4 else VGA, back, [(-2, d + 10, 0.95, i % 2 == 0, 1.0)], "kFaceLow"))
    # Cut off by the edge of the strip: the rest of her lies outside the portrait.
    out += [("cut-left-0", VGA, "plain-grey", [(-75, 4, 1.0, False, 1.0)], "kFaceLeft"),
            ("cut-left-1", VGA, "brick", [(-85, 0, 0.95, True, 1.0)], "kFaceLeft"),
            ("cut-right-0", VGA, "plain-blue", [(75, 4, 1.0, True, 1.0)], "kFaceRight"),
            ("cut-right-1", HD, "grass", [(85, 0, 0.95, False, 1.0)], "kFaceRight"),
            ("cut-top-0", VGA, "plain-white", [(0, -75, 1.0, False, 1.0)], "kFaceHigh"),
            ("cut-top-1", VGA, "gravel", [(4, -85, 1.0, True, 1.0)], "kFaceHigh")]
    # Two people in the portrait; and one in it with another beside it, outside the strip.
    for i, (k, gap) in enumerate(((0.55, 56), (0.6, 60), (0.5, 52), (0.58, 58))):
        out.append((f"two-{i}", HD if i == 1 else VGA, BACKS[i * 2], [(-gap, 20, k, False, 1.0), (gap, 30, k * 0.95, True, 0.9)], "kSeveralFaces"))
    out.append(("two-outside-0", VGA, "plain-grey", [(0, 4, 1.0, False, 1.0), (-190, 20, 0.8, True, 1.0)], "kPositionRight"))
    out.append(("two-outside-1", HD, "brick", [(0, 8, 0.97, True, 1.0), (200, 10, 0.85, False, 1.0)], "kPositionRight"))
    # No face at all.
    for kind in ("bars", "checker", "ramp", "noise"):
        out.append((f"none-{kind}", VGA, kind, [], "kNoFace"))
    for i, back in enumerate(BACKS + ["rocket", "chelsea"]):
        out.append((f"none-{back}", HD if i % 4 == 0 else VGA, back, [], "kNoFace"))
    out.append(("none-cat-close", VGA, "chelsea-close", [], "kNoFace"))
    return out


def compose(size, back, placements):
    if back in ("bars", "checker", "ramp", "noise"):
        return pattern(back, size)
    if back == "chelsea-close":
        cat = source("chelsea.png")
        w, h = size
        frame = ImageOps.fit(cat.crop((100, 0, 400, 300)), size, Image.LANCZOS)
        return frame
    frame = background(back, size)
    for placement in placements:
        place(frame, *placement)
    return frame


def as_a_webcam_sees(frame, how):
    """Sensor noise or a soft focus, as cheap cameras give them."""
    if how == "noise":
        rng = np.random.default_rng(11)
        pixels = np.asarray(frame, dtype=np.int16) + rng.normal(0, 4, (frame.height, frame.width, 1)).astype(np.int16)
        return Image.fromarray(np.uint8(np.clip(pixels, 0, 255)))
    if how == "soft":
        return frame.filter(ImageFilter.GaussianBlur(1.6))
    return frame


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        if old.endswith(".jpg"):
            os.remove(os.path.join(folder, old))
    rows = []
    for name, size, back, placements, verdict in cases():
        file = f"{name}-{size[0]}x{size[1]}.jpg"
        how = ("", "noise", "soft", "")[len(rows) % 4] if placements else ""
        as_a_webcam_sees(compose(size, back, placements), how).save(os.path.join(folder, file), quality=85)
        rows.append((file, verdict))
    with open(os.path.join(folder, "labels.csv"), "w", newline="") as f:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(("file", "verdict"))
        writer.writerows(rows)
    print(f"{len(rows)} pictures in {folder}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "data"))
