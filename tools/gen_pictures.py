#!/usr/bin/env python3
"""Makes Horolux's icons and background bitmaps (standard library only, deterministic).

    python3 tools/gen_pictures.py [output-root]     (default: the repository's res/)

Writes icons/horolux.ico (icon 128), icons/sync_151.ico ... icons/sync_162.ico (the tray
animation frames), bitmaps/background_163.bmp and bitmaps/pattern_166.bmp.
"""
import math
import os
import struct
import sys

# ---------------------------------------------------------------------------------------------
# Small colour and geometry helpers. Colours are (r, g, b) floats 0..255; a layer colour with
# coverage is (r, g, b, a) with a in 0..1.


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def clamp01(x):
    return 0.0 if x < 0 else 1.0 if x > 1 else x


def over(dst, src):
    """src over dst, both (r, g, b, a) with straight colour."""
    sa = src[3]
    if sa <= 0:
        return dst
    da = dst[3] * (1 - sa)
    a = sa + da
    if a <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da) / a for i in range(3)) + (a,)


def seg_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = clamp01(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy))
    dx, dy = px - (ax + vx * t), py - (ay + vy * t)
    return math.hypot(dx, dy)


def point_in_polygon(x, y, poly):
    inside = False
    n = len(poly)
    j = n - 1
    for i in range(n):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


# ---------------------------------------------------------------------------------------------
# The world, coarsely: continents as (longitude, latitude) outlines. At icon size only their
# rough shapes and the blue between them matter.

CONTINENTS = [
    # North America
    [(-166, 66), (-156, 71), (-128, 70), (-95, 72), (-82, 68), (-64, 60), (-56, 52), (-66, 45),
     (-70, 42), (-76, 35), (-81, 31), (-80, 25), (-84, 30), (-90, 30), (-97, 27), (-97, 21),
     (-92, 18), (-88, 21), (-87, 15), (-83, 9), (-78, 8), (-86, 12), (-95, 16), (-105, 20),
     (-110, 24), (-117, 32), (-123, 38), (-124, 46), (-131, 54), (-140, 60), (-152, 59),
     (-164, 55), (-160, 60)],
    # Greenland
    [(-55, 60), (-43, 60), (-22, 70), (-18, 80), (-35, 83), (-62, 82), (-72, 77), (-56, 69)],
    # South America
    [(-80, 9), (-72, 12), (-62, 11), (-51, 4), (-35, -6), (-39, -14), (-41, -22), (-48, -26),
     (-53, -34), (-58, -39), (-65, -42), (-66, -48), (-69, -55), (-74, -52), (-73, -42),
     (-71, -30), (-70, -18), (-76, -13), (-81, -5), (-78, 2)],
    # Europe and Asia
    [(-9, 37), (-9, 43), (-2, 44), (-4, 48), (2, 51), (8, 54), (9, 57), (5, 62), (15, 69),
     (28, 71), (42, 67), (60, 70), (78, 72), (100, 77), (130, 72), (160, 70), (180, 68),
     (180, 64), (163, 60), (156, 51), (140, 54), (135, 44), (129, 35), (122, 40), (121, 31),
     (117, 24), (108, 21), (109, 12), (104, 9), (101, 14), (98, 8), (104, 1), (100, 5),
     (97, 16), (92, 22), (87, 21), (80, 15), (77, 8), (72, 20), (67, 25), (57, 25), (50, 30),
     (48, 29), (56, 24), (59, 22), (52, 16), (43, 13), (35, 28), (34, 35), (27, 36), (26, 40),
     (22, 37), (19, 40), (13, 45), (16, 41), (12, 38), (8, 44), (3, 43), (-1, 37)],
    # Britain
    [(-5, 50), (1, 51), (0, 53), (-3, 56), (-5, 58), (-6, 55), (-3, 54)],
    # Africa
    [(-17, 15), (-17, 21), (-13, 28), (-6, 36), (10, 37), (11, 33), (20, 31), (32, 31),
     (34, 28), (43, 13), (51, 12), (48, 5), (40, -3), (40, -11), (35, -20), (33, -26),
     (27, -34), (19, -35), (14, -23), (12, -16), (13, -6), (9, -1), (9, 4), (4, 6), (-8, 4),
     (-13, 8)],
    # Madagascar
    [(44, -25), (47, -25), (50, -15), (49, -12), (44, -17)],
    # Japan
    [(130, 31), (135, 34), (140, 35), (142, 40), (141, 45), (139, 40), (133, 35)],
    # Indonesia, roughly
    [(95, 5), (106, -6), (115, -8), (120, -9), (125, -8), (119, -4), (117, 1), (109, 2),
     (104, 1)],
    # Australia
    [(114, -22), (122, -18), (130, -12), (137, -12), (136, -16), (141, -11), (146, -19),
     (153, -25), (151, -33), (146, -39), (140, -38), (138, -34), (131, -31), (124, -33),
     (115, -34)],
    # New Zealand
    [(172, -34), (178, -38), (174, -42), (167, -46), (171, -41)],
]


def is_land(lon, lat):
    if lat < -68:
        return True  # Antarctica
    for poly in CONTINENTS:
        if point_in_polygon(lon, lat, poly):
            return True
    return False


def normalise(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


LIGHT = normalise((-0.55, 0.65, 0.75))  # from the top left, towards the viewer
HALF = normalise((LIGHT[0], LIGHT[1], LIGHT[2] + 1.0))


# ---------------------------------------------------------------------------------------------
# The icon: a white clock face and a globe beside it, in front at the lower right.

NAVY = (30, 46, 72)
RIM_LIGHT = (78, 98, 128)
RIM_DARK = (24, 34, 54)
FACE_CENTRE = (255, 255, 255)
FACE_EDGE = (226, 232, 240)
SECTOR_RED = (214, 36, 40)
SWEEP_LEAD = 30.0     # degrees past the frame's hour where the sweep's edge stands
SWEEP_LENGTH = 80.0   # degrees of fading trace behind it
OCEAN = (34, 104, 190)
OCEAN_DEEP = (16, 52, 120)
LAND = (84, 168, 70)
LAND_DARK = (40, 96, 40)
ICE = (236, 242, 246)
GLOBE_EDGE = (18, 44, 92)


class IconDesign:
    """Geometry of the picture at one pixel size (coordinates in pixels, y downwards)."""

    def __init__(self, size):
        self.size = size
        if size >= 24:
            # Drawn for 32 pixels; larger and slightly smaller sizes are the same design scaled.
            k = size / 32.0
            self.cx, self.cy, self.r = 12.6 * k, 12.6 * k, 11.9 * k
            self.rim = 1.7 * k
            self.gx, self.gy, self.gr = 23.0 * k, 23.0 * k, 8.4 * k
            self.gap = 1.1 * k
            self.ticks = [(h, (7.4 if h % 3 == 0 else 8.4) * k, 9.6 * k,
                           (1.25 if h % 3 == 0 else 0.85) * k) for h in range(12)]
            self.hour = (5.2 * k, 1.9 * k)
            self.minute = (8.0 * k, 1.3 * k)
            self.cap = 1.5 * k
            self.globe_edge = 0.9 * k
        else:
            # At 16 pixels ticks only blur the face: a bold rim and two hands read better (20 is
            # the same, scaled).
            k = size / 16.0
            self.cx, self.cy, self.r = 6.5 * k, 6.5 * k, 6.3 * k
            self.rim = 1.25 * k
            self.gx, self.gy, self.gr = 11.6 * k, 11.6 * k, 4.4 * k
            self.gap = 0.8 * k
            self.ticks = []
            self.hour = (2.7 * k, 1.5 * k)
            self.minute = (3.9 * k, 1.25 * k)
            self.cap = 0.0
            self.globe_edge = 0.8 * k


def hand_end(cx, cy, angle_deg, length):
    a = math.radians(angle_deg)
    return cx + math.sin(a) * length, cy - math.cos(a) * length


def clock_layer(d, x, y, sector):
    """The clock at point x, y: colour with coverage, or None outside it."""
    dx, dy = x - d.cx, y - d.cy
    dist = math.hypot(dx, dy)
    if dist > d.r:
        return None
    face_r = d.r - d.rim
    if dist > face_r:
        # Rim: lit at the top left, shaded at the bottom right.
        t = clamp01(0.5 + (dx + dy) / (2.4 * d.r))
        return mix(RIM_LIGHT, RIM_DARK, t) + (1.0,)
    # Face: white, a touch darker towards the rim, as if slightly domed.
    t = (dist / face_r) ** 2.2
    colour = mix(FACE_CENTRE, FACE_EDGE, t)
    # An inner shadow under the rim at the top left.
    shadow = clamp01((dist - (face_r - 1.2)) / 1.2) * clamp01(-(dx + dy) / (1.4 * face_r) + 0.2)
    colour = mix(colour, (190, 198, 210), 0.55 * shadow)
    c = colour + (1.0,)
    if sector is not None and dist < face_r - 0.35:
        # A sweep: solid at its leading edge, fading out behind it like a radar trace.
        ang = (math.degrees(math.atan2(dx, -dy)) + 360.0) % 360.0
        behind = (sector + SWEEP_LEAD - ang) % 360.0
        if behind < SWEEP_LENGTH:
            c = over(c, SECTOR_RED + (0.92 * (1.0 - behind / SWEEP_LENGTH) ** 0.8,))
    for hour, r0, r1, width in d.ticks:
        ax, ay = hand_end(d.cx, d.cy, hour * 30, r0)
        bx, by = hand_end(d.cx, d.cy, hour * 30, r1)
        cov = clamp01(width / 2 + 0.5 - seg_distance(x, y, ax, ay, bx, by))
        if cov > 0:
            c = over(c, NAVY + (cov,))
    # Ten past ten: the hands frame the face and leave the globe's corner free.
    for angle, (length, width) in ((305.0, d.hour), (60.0, d.minute)):
        bx, by = hand_end(d.cx, d.cy, angle, length)
        cov = clamp01(width / 2 + 0.5 - seg_distance(x, y, d.cx, d.cy, bx, by))
        if cov > 0:
            c = over(c, NAVY + (cov,))
    cap = clamp01(d.cap + 0.5 - dist)
    if cap > 0:
        c = over(c, NAVY + (cap,))
    return c


def globe_layer(d, x, y, turn_deg):
    dx, dy = (x - d.gx) / d.gr, (y - d.gy) / d.gr
    rr = dx * dx + dy * dy
    if rr > 1.0:
        return None
    z = math.sqrt(1.0 - rr)
    n = (dx, -dy, z)
    # The earth's axis leans 20 degrees towards the right.
    tilt = math.radians(20)
    px = n[0] * math.cos(tilt) - n[1] * math.sin(tilt)
    py = n[0] * math.sin(tilt) + n[1] * math.cos(tilt)
    lat = math.degrees(math.asin(max(-1.0, min(1.0, py))))
    lon = math.degrees(math.atan2(px, n[2])) - turn_deg + 10.0
    lon = (lon + 180.0) % 360.0 - 180.0
    diffuse = max(0.0, sum(a * b for a, b in zip(n, LIGHT)))
    light = 0.38 + 0.72 * diffuse
    if is_land(lon, lat):
        base = ICE if lat < -68 or lat > 78 else mix(LAND_DARK, LAND, clamp01(light))
    else:
        base = mix(OCEAN_DEEP, OCEAN, clamp01(light))
    colour = tuple(min(255.0, c * (0.55 + 0.55 * light)) for c in base)
    spec = max(0.0, sum(a * b for a, b in zip(n, HALF))) ** 24
    colour = mix(colour, (255, 255, 255), 0.45 * spec)
    # A fine dark outline keeps the ball round against any taskbar.
    edge_px = (1.0 - math.sqrt(rr)) * d.gr
    outline = clamp01(d.globe_edge + 0.5 - edge_px)
    colour = mix(colour, GLOBE_EDGE, outline)
    return colour + (1.0,)


def icon_pixel(d, x, y, sector, turn):
    c = (0.0, 0.0, 0.0, 0.0)
    clock = clock_layer(d, x, y, sector)
    if clock is not None:
        # Knock the clock out around the globe so the two read as separate things.
        gdist = math.hypot(x - d.gx, y - d.gy)
        if gdist > d.gr + d.gap:
            c = over(c, clock)
    globe = globe_layer(d, x, y, turn)
    if globe is not None:
        c = over(c, globe)
    return c


def render_icon(size, sector, turn, samples=6, want_alpha=False):
    """Rows of pixels: (r, g, b) or None (transparent); with want_alpha, (r, g, b, a) with the
    coverage as a, for the 32-bit images."""
    d = IconDesign(size)
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            coverage = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    c = icon_pixel(d, x, y, sector, turn)
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    coverage += c[3]
            n = samples * samples
            a = coverage / n
            if want_alpha:
                # Edges keep their coverage as alpha: smooth on any background.
                if a <= 0.0:
                    row.append(None)
                else:
                    colour = tuple(acc[i] / coverage for i in range(3))
                    row.append(tuple(int(round(max(0, min(255, v)))) for v in colour) +
                               (int(round(a * 255)),))
                continue
            if a < 0.45:
                row.append(None)  # transparent
            else:
                colour = tuple(acc[i] / coverage for i in range(3))
                # A partly covered edge pixel becomes opaque: lean it towards the dark outline
                # so the silhouette stays crisp on light and dark backgrounds alike.
                if a < 0.999:
                    colour = mix(colour, NAVY, (1 - a) * 0.9)
                row.append(tuple(int(round(max(0, min(255, v)))) for v in colour))
        pixels.append(row)
    return pixels


def ico_image(pixels):
    """One icon image: header, colour rows and the 1-bit transparency mask. 24-bit, or 32-bit
    with an alpha channel when the pixels carry one."""
    size = len(pixels)
    bits = 32 if any(p is not None and len(p) == 4 for row in pixels for p in row) else 24
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    xor_rows = []
    and_rows = []
    for row in reversed(pixels):
        data = bytearray()
        mask_bits = 0
        mask = bytearray()
        for i, p in enumerate(row):
            if p is None:
                data += b'\0' * (bits // 8)
                mask_bits |= 0x80 >> (i % 8)
            else:
                data += bytes((p[2], p[1], p[0]) + tuple(p[3:4]))
            if i % 8 == 7:
                mask.append(mask_bits)
                mask_bits = 0
        if len(row) % 8:
            mask.append(mask_bits)  # a width that is no multiple of 8 ends in a partial byte
        while len(data) % 4:
            data.append(0)
        while len(mask) % 4:
            mask.append(0)
        xor_rows.append(bytes(data))
        and_rows.append(bytes(mask))
    return header + b''.join(xor_rows) + b''.join(and_rows)


def write_ico(path, images):
    count = len(images)
    out = bytearray(struct.pack('<HHH', 0, 1, count))
    offset = 6 + 16 * count
    blobs = []
    for pixels in images:
        blob = ico_image(pixels)
        size = len(pixels)
        bits = struct.unpack_from('<H', blob, 14)[0]
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    for blob in blobs:
        out += blob
    with open(path, 'wb') as f:
        f.write(out)


# ---------------------------------------------------------------------------------------------
# Bitmap 163: a calm sky-to-paper wash with the faint grid of a large globe at the lower right.

def dither(x, y):
    """An ordered, repeatable offset of under half a step, against banding in soft gradients."""
    bayer = (0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5)
    return (bayer[(y % 4) * 4 + (x % 4)] + 0.5) / 16.0 - 0.5


def grid_coords(x, y, cx, cy, r, tilt):
    dx, dy = (x - cx) / r, (y - cy) / r
    rr = dx * dx + dy * dy
    if rr >= 1.0:
        return None
    z = math.sqrt(1.0 - rr)
    nx, ny = dx, -dy
    px = nx * math.cos(tilt) - ny * math.sin(tilt)
    py = nx * math.sin(tilt) + ny * math.cos(tilt)
    lat = math.degrees(math.asin(max(-1.0, min(1.0, py))))
    lon = math.degrees(math.atan2(px, z))
    return lat, lon, rr


def background(width=448, height=270):
    top = (214, 228, 242)
    middle = (236, 242, 247)
    bottom = (246, 243, 235)
    line = (112, 140, 176)
    cx, cy, r = width * 0.80, height * 1.02, 232.0
    tilt = math.radians(-18)
    step = 15.0
    rows = []
    for y in range(height):
        t = y / (height - 1)
        base = mix(top, middle, t / 0.55) if t < 0.55 else mix(middle, bottom, (t - 0.55) / 0.45)
        row = []
        for x in range(width):
            c = base
            # A soft glow from the top left keeps the heading's corner the lightest.
            glow = clamp01(1.0 - math.hypot(x / width, y / height * 0.8) / 0.75) ** 2
            c = mix(c, (250, 252, 254), 0.45 * glow)
            g = grid_coords(x + 0.5, y + 0.5, cx, cy, r, tilt)
            edge = math.hypot(x + 0.5 - cx, y + 0.5 - cy) - r
            if g is not None:
                lat, lon, rr = g
                # The ball itself: a breath lighter, a little shaded towards its edge.
                c = mix(c, (255, 255, 255), 0.16 * (1 - rr) ** 0.5)
                strength = 0.0
                for value, scale_fn in ((lat, None), (lon, None)):
                    f = value / step
                    frac = abs(f - round(f))
                    # Screen width of one grid step, from the neighbouring pixel: keeps lines
                    # one pixel wide where the sphere foreshortens them.
                    g2 = grid_coords(x + 1.5, y + 0.5, cx, cy, r, tilt)
                    g3 = grid_coords(x + 0.5, y + 1.5, cx, cy, r, tilt)
                    if g2 is None or g3 is None:
                        continue
                    idx = 0 if value is lat else 1
                    dfx = (g2[idx] - value)
                    dfy = (g3[idx] - value)
                    if idx == 1:
                        dfx = (dfx + 180) % 360 - 180
                        dfy = (dfy + 180) % 360 - 180
                    grad = math.hypot(dfx, dfy) / step
                    if grad <= 0:
                        continue
                    pix = frac / grad
                    cov = clamp01(0.9 - pix)
                    if idx == 0 and abs(round(f)) * step > 75:
                        cov = 0.0
                    strength = max(strength, cov)
                c = mix(c, line, 0.16 * strength)
            # The limb: a thin line round the ball.
            limb = clamp01(0.9 - abs(edge))
            c = mix(c, line, 0.20 * limb)
            d = dither(x, y)
            row.append(tuple(int(max(0, min(255, round(v + d)))) for v in c))
        rows.append(row)
    return rows


def write_bmp24(path, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for p in row:
            line += bytes((p[2], p[1], p[0]))
        line += b'\0' * (stride - len(line))
        data += line
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    fileheader = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 14 + 40)
    with open(path, 'wb') as f:
        f.write(fileheader + header + data)


# ---------------------------------------------------------------------------------------------
# Bitmap 166: an 8 x 8 tile of 16 colours, a quiet woven diamond that tiles without seams.

PATTERN_PALETTE = [
    (234, 239, 244),  # 0 ground
    (222, 230, 238),  # 1 thread
    (247, 249, 251),  # 2 light side of a thread
    (208, 218, 229),  # 3 crossing
    (228, 235, 241),  # 4 half-tone between ground and thread
    (240, 244, 248),  # 5 half-tone between ground and light
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),  # the rest of the usual 16
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192), (128, 128, 128),
    (255, 255, 255),
]

PATTERN = [
    "30000003",
    "15000051",
    "01500510",
    "00122100",
    "00033000",
    "00144100",
    "01500510",
    "14000041",
]


def write_bmp4(path, rows, palette):
    height = len(rows)
    width = len(rows[0])
    stride = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for i in range(0, width, 2):
            hi = int(row[i], 16)
            lo = int(row[i + 1], 16) if i + 1 < width else 0
            line.append((hi << 4) | lo)
        line += b'\0' * (stride - len(line))
        data += line
    table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(data), 2835, 2835,
                         16, 0)
    fileheader = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(fileheader + header + table + data)


# ---------------------------------------------------------------------------------------------

ICON_SIZES = [32, 16, 20, 24, 40, 48, 64]
FRAME_SIZES = [32, 16, 20, 24]
# The first two sizes are the program's original 24-bit images with a mask; the others carry an
# alpha channel: smoother edges, and Wine's notification area mangles a masked 24-pixel icon.
ALPHA_SIZES = [20, 24, 40, 48, 64]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'res')
    icons = os.path.join(root, 'icons')
    bitmaps = os.path.join(root, 'bitmaps')
    os.makedirs(icons, exist_ok=True)
    os.makedirs(bitmaps, exist_ok=True)

    # An image at every size the system asks for at 96, 120, 144 and 192 DPI (small icons 16,
    # 20, 24, 32; large ones 32, 40, 48, 64), so no display scale shows a stretched icon. The
    # tray frames are only ever small.
    write_ico(os.path.join(icons, 'horolux.ico'),
              [render_icon(size, None, 0.0, want_alpha=size in ALPHA_SIZES)
               for size in ICON_SIZES])
    # Frame k shows the red sector at k o'clock and the globe turned k twelfths eastwards.
    for k in range(12):
        frame = [render_icon(size, k * 30.0, k * 30.0, want_alpha=size in ALPHA_SIZES)
                 for size in FRAME_SIZES]
        write_ico(os.path.join(icons, 'sync_%d.ico' % (151 + k)), frame)
    write_bmp24(os.path.join(bitmaps, 'background_163.bmp'), background())
    write_bmp4(os.path.join(bitmaps, 'pattern_166.bmp'), PATTERN, PATTERN_PALETTE)


if __name__ == '__main__':
    main()
