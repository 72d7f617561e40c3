#!/usr/bin/env python3
"""Makes the sync clip (AVI 137) that the main window plays while a sync runs.

A small clock face with two arrows circling it, 12 frames, uncompressed 8-bit: the format the
common animation control plays everywhere. The top-left pixel is the background, which the
control draws transparently (ACS_TRANSPARENT).

    python3 tools/gen_clip.py                    # writes res/clips/sync.avi
    python3 tools/gen_clip.py --preview out.ppm  # every frame enlarged, to look at
"""
import math
import os
import struct
import sys

SIZE = 48          # pixels, square
FRAMES = 12
FPS = 12
SUPER = 4          # supersampling per axis for smooth edges

BACKGROUND = (236, 233, 216)
INKS = {            # name: colour; each gets a ramp from the background to the ink
    "rim": (40, 62, 112),
    "face": (255, 255, 255),
    "hand": (30, 30, 40),
    "arrow": (46, 140, 87),
    "head": (28, 110, 64),
}
LEVELS = 16


def build_palette():
    palette = [BACKGROUND]
    index = {}
    for name, ink in INKS.items():
        for level in range(1, LEVELS + 1):
            a = level / LEVELS
            colour = tuple(round(b + (i - b) * a) for b, i in zip(BACKGROUND, ink))
            index[(name, level)] = len(palette)
            palette.append(colour)
    # Ramps between the face and the hand, for hands drawn over the white face.
    for level in range(1, LEVELS + 1):
        a = level / LEVELS
        colour = tuple(round(f + (h - f) * a) for f, h in zip(INKS["face"], INKS["hand"]))
        index[("hand-on-face", level)] = len(palette)
        palette.append(colour)
    while len(palette) < 256:
        palette.append((0, 0, 0))
    return palette, index


def point_segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def inside_triangle(px, py, tri):
    (x1, y1), (x2, y2), (x3, y3) = tri
    d1 = (px - x2) * (y1 - y2) - (x1 - x2) * (py - y2)
    d2 = (px - x3) * (y2 - y3) - (x2 - x3) * (py - y3)
    d3 = (px - x1) * (y3 - y1) - (x3 - x1) * (py - y1)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def shape_at(x, y, frame):
    """Which ink covers the point (x, y) in pixel units, or None for the background."""
    c = SIZE / 2
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    # Clock face: white disc with a dark rim, hands at ten past ten.
    if r <= 12.5:
        if r >= 11.0:
            return "rim"
        for angle, length in ((math.radians(-30), 5.5), (math.radians(60), 8.5)):
            ex, ey = c + length * math.sin(angle), c - length * math.cos(angle)
            if point_segment_distance(x, y, c, c, ex, ey) <= 1.0:
                return "hand-on-face"
        if r <= 1.4:
            return "hand-on-face"
        return "face"
    # Two arrows on a ring around the face, turning clockwise; 180 degrees repeat the picture.
    turn = frame * (math.pi / FRAMES)
    ring_inner, ring_outer = 15.0, 18.5
    theta = math.atan2(dx, -dy)  # clockwise from 12 o'clock
    for k in range(2):
        start = turn + k * math.pi
        span = math.radians(118)
        rel = (theta - start) % (2 * math.pi)
        if rel <= span and ring_inner <= r <= ring_outer:
            return "arrow"
        # Arrowhead at the leading end.
        tip_angle = start + span + math.radians(26)
        base_angle = start + span
        mid = (ring_inner + ring_outer) / 2
        tip = (c + mid * math.sin(tip_angle), c - mid * math.cos(tip_angle))
        b1 = (c + (ring_inner - 3.5) * math.sin(base_angle), c - (ring_inner - 3.5) * math.cos(base_angle))
        b2 = (c + (ring_outer + 3.5) * math.sin(base_angle), c - (ring_outer + 3.5) * math.cos(base_angle))
        if inside_triangle(x, y, (tip, b1, b2)):
            return "head"
    return None


def render(frame, index):
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            counts = {}
            for sy in range(SUPER):
                for sx in range(SUPER):
                    ink = shape_at(px + (sx + 0.5) / SUPER, py + (sy + 0.5) / SUPER, frame)
                    counts[ink] = counts.get(ink, 0) + 1
            total = SUPER * SUPER
            # Draw the strongest ink with its coverage; the face counts as background for hands.
            inks = {k: v for k, v in counts.items() if k is not None}
            if not inks:
                row.append(0)
                continue
            ink, n = max(inks.items(), key=lambda kv: kv[1])
            if ink == "hand-on-face":
                level = max(1, round(LEVELS * n / (n + counts.get("face", 0))))
                if counts.get("face", 0) + n < total:  # at the rim's edge: keep it simple
                    level = LEVELS
                row.append(index[("hand-on-face", level)])
            else:
                level = max(1, round(LEVELS * sum(inks.values()) / total))
                row.append(index[(ink, level)])
        rows.append(bytes(row))
    return rows


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def make_list(kind, body):
    return chunk(b"LIST", kind + body)


def write_avi(path):
    palette, index = build_palette()
    stride = (SIZE + 3) & ~3
    frame_size = stride * SIZE
    frames = []
    for f in range(FRAMES):
        rows = render(f, index)
        data = b"".join(r + b"\0" * (stride - SIZE) for r in reversed(rows))  # bottom-up DIB
        frames.append(data)

    avih = struct.pack("<10I4I", 1000000 // FPS, frame_size * FPS, 0, 0x10, FRAMES, 0, 1,
                       frame_size, SIZE, SIZE, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIII4h", b"vids", b"DIB ", 0, 0, 0, 0, 1, FPS, 0, FRAMES,
                       frame_size, 0xFFFFFFFF, 0, 0, 0, SIZE, SIZE)
    bih = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, frame_size, 2835, 2835, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    strl = make_list(b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + pal))
    hdrl = make_list(b"hdrl", chunk(b"avih", avih) + strl)

    movi_body = b""
    index_entries = b""
    offset = 4  # offsets count from the 'movi' fourcc
    for data in frames:
        index_entries += struct.pack("<4sIII", b"00db", 0x10, offset, len(data))
        c = chunk(b"00db", data)
        movi_body += c
        offset += len(c)
    movi = make_list(b"movi", movi_body)
    idx1 = chunk(b"idx1", index_entries)
    riff = b"RIFF" + struct.pack("<I", 4 + len(hdrl) + len(movi) + len(idx1)) + b"AVI " + hdrl + movi + idx1
    with open(path, "wb") as f:
        f.write(riff)


def write_preview(path, scale=4):
    """All frames side by side, enlarged, as a PPM to look at."""
    palette, index = build_palette()
    strips = [render(f, index) for f in range(FRAMES)]
    width, height = SIZE * FRAMES * scale, SIZE * scale
    with open(path, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (width, height))
        for y in range(height):
            line = bytearray()
            for rows in strips:
                for x in range(SIZE * scale):
                    line += bytes(palette[rows[y // scale][x // scale]])
            f.write(line)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if len(sys.argv) > 2 and sys.argv[1] == "--preview":
        write_preview(sys.argv[2])
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "clips", "sync.avi")
    write_avi(out)
    print("wrote", out)


if __name__ == "__main__":
    main()
