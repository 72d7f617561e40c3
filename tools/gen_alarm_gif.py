#!/usr/bin/env python3
"""Makes the alarm popup's picture (GIF 171): a brass bell swinging under its beam, ringing.

100 x 115 pixels, 14 frames of 100 ms, looping for ever (NETSCAPE2.0 extension). The bell swings
from side to side, its clapper trailing, and strikes at each end of the swing; red sound waves
then spread from its mouth. Every frame is the whole picture over a transparent background and
is cleared after its delay (disposal 2), so the picture sits on the dialog's own colour. Frames
are LZW-compressed with a 256-colour global table made by median cut; the output is the same
byte for byte on every run.

    python3 tools/gen_alarm_gif.py                    # writes res/pictures/alarm.gif
    python3 tools/gen_alarm_gif.py out.gif            # writes elsewhere
    python3 tools/gen_alarm_gif.py --preview out.ppm  # every frame enlarged, in one row
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 100, 115
FRAMES = 14
DELAY = 10          # hundredths of a second
SUPER = 4           # samples per pixel and axis
SWING = math.radians(12)

BACKGROUND = (240, 240, 240)   # transparent; edge pixels are blended towards it
PIVOT = (50.0, 17.0)
WAVE = (205, 45, 45)
OUTLINE = (92, 58, 12)
IRON = (70, 70, 78)
WOOD = (122, 78, 40)
WOOD_LIGHT = (168, 116, 66)
BRASS_DARK = (128, 84, 8)
BRASS = (226, 170, 38)
BRASS_LIGHT = (255, 236, 150)
MOUTH = (60, 38, 8)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def rotate(x, y, angle):
    c, s = math.cos(angle), math.sin(angle)
    return x * c - y * s, x * s + y * c


# The bell in its own frame: origin at the pivot, y downwards.
DOME_TOP, DOME_CENTRE, LIP = 8.0, 23.0, 64.0
DOME_R = 15.0


def half_width(y):
    if y < DOME_TOP or y > LIP + 4:
        return -1.0
    if y <= DOME_CENTRE:
        d = DOME_CENTRE - y
        return math.sqrt(max(0.0, DOME_R * DOME_R - d * d))
    if y <= LIP:
        t = (y - DOME_CENTRE) / (LIP - DOME_CENTRE)
        return DOME_R + 14.0 * t ** 2.4
    return DOME_R + 14.0 + 1.5  # the rim


def brass(u, y):
    """Brass lit from the upper left: u is -1 at the left edge, 1 at the right."""
    light = 1.0 - 0.75 * (u + 0.25) ** 2
    shine = 0.55 * math.exp(-((u + 0.5) / 0.13) ** 2)
    colour = mix(BRASS_DARK, BRASS, light)
    colour = mix(colour, BRASS_LIGHT, shine)
    if y > LIP:  # the rim a little darker, so it reads as a band
        colour = mix(colour, BRASS_DARK, 0.35)
    return colour


def bell_colour(x, y):
    """Colour of the bell at local x, y, or None outside it."""
    # Crown: a ring the bell hangs by.
    d = math.hypot(x, y - 4.0)
    if 2.2 <= d <= 5.2:
        return IRON if d < 4.3 else OUTLINE
    hw = half_width(y)
    if hw < 0 or abs(x) > hw:
        return None
    if hw - abs(x) < 1.3 or y > LIP + 2.7:
        return OUTLINE
    if y < DOME_CENTRE and math.hypot(x, y - DOME_CENTRE) > DOME_R - 1.3:
        return OUTLINE
    if abs(y - LIP) < 0.7:
        return OUTLINE
    return brass(x / hw, y)


def wave_opacity(x, y, angle, frame):
    """Sound waves from the bell's mouth for a while after each strike."""
    since = min((frame - 3) % FRAMES, (frame - 10) % FRAMES)
    if since > 3:
        return 0.0
    mx, my = rotate(0.0, LIP - 6.0, angle)
    dx, dy = x - (PIVOT[0] + mx), y - (PIVOT[1] + my)
    r = math.hypot(dx, dy)
    direction = math.degrees(math.atan2(dy, abs(dx)))  # 0 sideways, 90 straight down
    if not -35.0 <= direction <= 45.0:
        return 0.0
    strength = 1.0 - since / 4.0
    for k in range(2):
        radius = 30.0 + 4.0 * since + 6.0 * k
        if abs(r - radius) < 1.3:
            return strength * (1.0 - 0.3 * k)
    return 0.0


def sample(x, y, frame):
    """Colour and opacity of the picture at x, y."""
    angle = SWING * math.sin(2.0 * math.pi * frame / FRAMES)
    clapper = 0.5 * SWING * math.sin(2.0 * math.pi * (frame - 2) / FRAMES)

    colour, alpha = None, 0.0
    w = wave_opacity(x, y, angle, frame)
    if w > 0:
        colour, alpha = WAVE, w

    # The beam, fixed, with its bracket.
    if 20.0 <= x <= 80.0 and 6.0 <= y <= 13.0:
        edge = x < 21.2 or x > 78.8 or y < 7.2 or y > 11.8
        colour, alpha = (OUTLINE if edge else mix(WOOD_LIGHT, WOOD, (y - 6.0) / 7.0)), 1.0
    if abs(x - PIVOT[0]) <= 2.5 and 13.0 <= y <= 18.0:
        colour, alpha = IRON, 1.0

    lx, ly = rotate(x - PIVOT[0], y - PIVOT[1], -angle)
    bell = bell_colour(lx, ly)
    if bell is not None:
        colour, alpha = bell, 1.0

    # Inside of the mouth, then the clapper's ball hanging out of it.
    if ((lx / 26.5) ** 2 + ((ly - LIP - 2.0) / 2.2) ** 2) <= 1.0:
        colour, alpha = MOUTH, 1.0
    cx, cy = rotate(0.0, LIP + 7.0, clapper)
    cd = math.hypot(x - PIVOT[0] - cx, y - PIVOT[1] - cy)
    if cd <= 5.5:
        shade = math.hypot(x - PIVOT[0] - cx + 2.0, y - PIVOT[1] - cy + 2.0) / 7.5
        colour, alpha = (OUTLINE if cd > 4.4 else mix((150, 150, 160), IRON, shade)), 1.0
    return colour, alpha


def render(frame):
    """Pixels of one frame: (r, g, b) or None for transparent."""
    pixels = []
    n = SUPER * SUPER
    for py in range(HEIGHT):
        for px in range(WIDTH):
            acc = [0.0, 0.0, 0.0]
            cover = 0.0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    c, a = sample(px + (sx + 0.5) / SUPER, py + (sy + 0.5) / SUPER, frame)
                    if c is None or a <= 0:
                        continue
                    cover += a
                    for i in range(3):
                        acc[i] += c[i] * a
            cover /= n
            if cover < 0.25:
                pixels.append(None)
                continue
            # Partly covered pixels take the background's share.
            rgb = tuple(acc[i] / n + BACKGROUND[i] * (1.0 - cover) for i in range(3))
            pixels.append(tuple(min(255, max(0, round(v))) for v in rgb))
    return pixels


def median_cut(counts, boxes_wanted):
    """A palette of at most boxes_wanted colours for the weighted colours in counts."""
    boxes = [sorted(counts.items())]

    def spread(box):
        ranges = [max(c[i] for c, _ in box) - min(c[i] for c, _ in box) for i in range(3)]
        return max(ranges), ranges.index(max(ranges))

    while len(boxes) < boxes_wanted:
        candidates = [(spread(b)[0] * sum(w for _, w in b), i) for i, b in enumerate(boxes)
                      if len(b) > 1]
        if not candidates:
            break
        _, index = max(candidates)
        box = boxes.pop(index)
        channel = spread(box)[1]
        box.sort(key=lambda cw: (cw[0][channel], cw[0]))
        total = sum(w for _, w in box)
        running, cut = 0, 1
        for i, (_, w) in enumerate(box):
            running += w
            if running * 2 >= total:
                cut = max(1, min(len(box) - 1, i + 1))
                break
        boxes[index:index] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(w for _, w in box)
        palette.append(tuple(round(sum(c[i] * w for c, w in box) / total) for i in range(3)))
    return palette


def nearest(palette, colour):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = sum((a - b) ** 2 for a, b in zip(p, colour))
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def lzw(indices, min_code_size=8):
    """GIF LZW: variable code width up to 12 bits, a clear code when the table is full."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bits, nbits = 0, 0

    def emit(code, width):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def fresh():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = fresh()
    emit(clear, width)
    prefix = (indices[0],)
    for index in indices[1:]:
        candidate = prefix + (index,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = fresh()
        prefix = (index,)
    emit(table[prefix], width)
    emit(end, width)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        piece = data[i:i + 255]
        out.append(len(piece))
        out += piece
    out.append(0)
    return bytes(out)


def build():
    frames = [render(f) for f in range(FRAMES)]
    counts = {}
    for pixels in frames:
        for p in pixels:
            if p is not None:
                counts[p] = counts.get(p, 0) + 1
    palette = [BACKGROUND] + median_cut(counts, 255)   # index 0 is transparent
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}

    def index_of(p):
        if p is None:
            return 0
        if p not in cache:
            cache[p] = 1 + nearest(palette[1:256], p)
        return cache[p]

    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", WIDTH, HEIGHT, 0xF7, 0, 0)  # global table of 256 colours
    for colour in palette:
        gif += bytes(colour)
    gif += b"\x21\xFF\x0BNETSCAPE2.0" + struct.pack("<BBHB", 3, 1, 0, 0)  # loop for ever
    for pixels in frames:
        # Restore to background after the delay; index 0 transparent.
        gif += b"\x21\xF9\x04" + struct.pack("<BHBB", (2 << 2) | 1, DELAY, 0, 0)
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0)
        gif += b"\x08" + sub_blocks(lzw([index_of(p) for p in pixels]))
    gif += b"\x3B"
    return bytes(gif), frames


def write_preview(path, frames, scale=4):
    """All frames side by side, enlarged, over the background, as a binary PPM."""
    w, h = WIDTH * scale * len(frames), HEIGHT * scale
    rows = []
    for y in range(h):
        row = bytearray()
        for pixels in frames:
            for x in range(WIDTH):
                p = pixels[(y // scale) * WIDTH + x] or BACKGROUND
                row += bytes(p) * scale
        rows.append(bytes(row))
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        f.writelines(rows)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    gif, frames = build()
    if len(sys.argv) > 2 and sys.argv[1] == "--preview":
        write_preview(sys.argv[2], frames)
        return
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "pictures", "alarm.gif")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(gif)


if __name__ == "__main__":
    main()
