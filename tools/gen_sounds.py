#!/usr/bin/env python3
"""Makes the nine alarm sound clips (WAVE resources 174-177 and 179-183).

Every clip is mono, 8 bits per sample, synthesised here from simple shapes (tones, sweeps,
noise) so that anyone can remake them; the rates, lengths and encodings (PCM or mu-law) are
the ones the program's sound table gives.

    python3 tools/gen_sounds.py            # writes res/sounds/*.wav
"""
import math
import os
import random
import struct
import sys

PCM, MULAW = 1, 7


def envelope(t, length, attack=0.01, release=0.05):
    """A soft start and end, so no clip clicks."""
    a = min(1.0, t / attack) if attack > 0 else 1.0
    r = min(1.0, (length - t) / release) if release > 0 else 1.0
    return max(0.0, min(a, r))


def tone(t, freq):
    return math.sin(2 * math.pi * freq * t)


def cuckoo(t, length):
    # Two falling notes, the bird's call, sung twice as one.
    notes = [(0.00, 0.28, 740.0), (0.34, 0.66, 590.0)]
    for start, end, f in notes:
        if start <= t < end:
            local = t - start
            return 0.8 * envelope(local, end - start, 0.02, 0.08) * (tone(t, f) + 0.25 * tone(t, 2 * f)) / 1.25
    return 0.0


def dive(t, length):
    # The falling whistle of a diving plane.
    f0, f1 = 1800.0, 300.0
    phase = 2 * math.pi * (f0 * t + (f1 - f0) * t * t / (2 * length))
    return 0.8 * envelope(t, length, 0.02, 0.15) * math.sin(phase)


def dogbark(t, length, rng=random.Random(176)):
    # Two short barks: a low buzz with noise, dropping in pitch.
    for start in (0.05, 0.45):
        local = t - start
        if 0 <= local < 0.25:
            f = 420.0 - 500.0 * local
            buzz = math.copysign(1.0, tone(local, f)) * 0.5 + tone(local, 2 * f) * 0.3
            return 0.9 * envelope(local, 0.25, 0.005, 0.12) * (buzz + 0.4 * rng.uniform(-1, 1))
    return 0.0


def elephant(t, length):
    # A trumpet call: a rising, wavering sawtooth with a bright edge.
    f = 300.0 + 250.0 * min(1.0, t / 0.4) + 15.0 * math.sin(2 * math.pi * 7 * t)
    phase = (f * t) % 1.0
    saw = 2.0 * phase - 1.0
    return 0.7 * envelope(t, length, 0.05, 0.25) * (0.7 * saw + 0.3 * tone(t, 2 * f))


def jap(t, length):
    # A temple chime: five bell notes of a pentatonic scale, each ringing out.
    notes = [880.0, 784.0, 659.3, 587.3, 523.3]
    out = 0.0
    for i, f in enumerate(notes):
        start = i * 0.38
        local = t - start
        if local >= 0:
            ring = math.exp(-3.0 * local)
            out += ring * (tone(local, f) + 0.4 * tone(local, 2.76 * f) * math.exp(-6 * local))
    return 0.45 * envelope(t, length, 0.002, 0.2) * out


def jiihaah(t, length):
    # "Yee-haw": a rising vowel, then a falling one.
    if t < 0.35:
        f = 500.0 + 700.0 * t / 0.35
    else:
        f = 1100.0 - 600.0 * (t - 0.35) / (length - 0.35)
    vowel = tone(t, f) + 0.5 * tone(t, 2 * f) + 0.25 * tone(t, 3 * f)
    gap = 0.0 if 0.33 < t < 0.38 else 1.0
    return 0.5 * gap * envelope(t, length, 0.02, 0.1) * vowel


def icq(t, length):
    # Two quick notes, up then down: a message has come.
    if t < 0.2:
        return 0.8 * envelope(t, 0.2, 0.005, 0.05) * tone(t, 880.0)
    if 0.22 <= t < 0.45:
        local = t - 0.22
        return 0.8 * envelope(local, 0.23, 0.005, 0.08) * tone(t, 660.0)
    return 0.0


def siren(t, length):
    # A rising and falling siren, two seconds a cycle.
    cycle = 2.0
    x = (t % cycle) / cycle
    sweep = x * 2 if x < 0.5 else 2 - 2 * x
    # Integrate the frequency for a clean phase: f(t) = 600 + 600 * sweep.
    n = int(t / cycle)
    def phase_of(u):  # cycles completed u seconds into one siren cycle
        half = cycle / 2
        if u <= half:
            return 600 * u + 600 * u * u / cycle
        v = u - half
        return phase_of(half) + 1200 * v - 600 * v * v / cycle
    phase = n * phase_of(cycle) + phase_of(t - n * cycle)
    return 0.8 * envelope(t, length, 0.05, 0.3) * math.sin(2 * math.pi * phase) * (0.8 + 0.2 * sweep)


def smash(t, length, rng=random.Random(182)):
    # Breaking glass: a sharp noise burst with ringing splinters, dying away.
    noise = rng.uniform(-1, 1) * math.exp(-7 * t)
    splinters = sum(math.exp(-(4 + i) * t) * tone(t, f) for i, f in enumerate((2300.0, 3100.0, 4270.0)))
    return 0.7 * envelope(t, length, 0.001, 0.1) * (noise + 0.25 * splinters)


CLIPS = [  # resource id, file, rate, seconds, encoding, shape
    (174, "cuckoo.wav", 11025, 0.7, PCM, cuckoo),
    (175, "dive.wav", 11025, 0.9, PCM, dive),
    (176, "dogbark.wav", 11025, 1.0, MULAW, dogbark),
    (177, "elephant.wav", 11025, 1.0, MULAW, elephant),
    (179, "jiihaah.wav", 18839, 0.8, PCM, jiihaah),
    (180, "icqmsg.wav", 22050, 0.45, PCM, icq),
    (181, "siren.wav", 11025, 12.0, MULAW, siren),
    (182, "smash.wav", 18839, 1.2, PCM, smash),
    (183, "jap.wav", 25031, 2.4, PCM, jap),
]


def mulaw(sample):
    """G.711 mu-law byte of a sample in -1..1."""
    bias, clip = 0x84, 32635
    x = int(max(-1.0, min(1.0, sample)) * 32767)
    sign = 0x80 if x < 0 else 0
    x = min(abs(x), clip) + bias
    exponent = 7
    mask = 0x4000
    while exponent > 0 and not (x & mask):
        exponent -= 1
        mask >>= 1
    mantissa = (x >> (exponent + 3)) & 0x0F
    return ~(sign | (exponent << 4) | mantissa) & 0xFF


def render(rate, seconds, encoding, shape):
    frames = int(round(rate * seconds))
    data = bytearray()
    for i in range(frames):
        s = max(-1.0, min(1.0, shape(i / rate, seconds)))
        data.append(mulaw(s) if encoding == MULAW else int(round(128 + 127 * s)))
    return bytes(data)


def wave_file(rate, encoding, data):
    if encoding == PCM:
        fmt = struct.pack("<HHIIHH", PCM, 1, rate, rate, 1, 8)
    else:
        fmt = struct.pack("<HHIIHHH", MULAW, 1, rate, rate, 1, 8, 0)
    pad = b"\0" if len(data) % 2 else b""
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if encoding != PCM:  # compressed formats carry a fact chunk with the sample count
        body += b"fact" + struct.pack("<II", 4, len(data))
    body += b"data" + struct.pack("<I", len(data)) + data + pad
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "sounds")
    os.makedirs(out, exist_ok=True)
    for rid, name, rate, seconds, encoding, shape in CLIPS:
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(wave_file(rate, encoding, render(rate, seconds, encoding, shape)))
        print("wrote", path, "(WAVE %d)" % rid)


if __name__ == "__main__":
    main()
