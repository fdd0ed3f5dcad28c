#!/usr/bin/env python3
"""Writes the program's wave resources into res/art/: short synthesised
tones, deterministic (no random source but a fixed LCG)."""
import math
import os
import struct

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
OUT = os.path.join(ROOT, 'res', 'art')
RATE = 22050


def wav(samples, rate, bits):
    peak = max(abs(v) for v in samples)
    if peak > 0.9:
        samples = [v * 0.9 / peak for v in samples]
    if bits == 8:
        data = bytes(int(max(-1.0, min(1.0, s)) * 127 + 128) for s in samples)
    else:
        data = b''.join(struct.pack('<h', int(max(-1.0, min(1.0, s)) * 32767)) for s in samples)
    if len(data) % 2:
        data += b'\x00'
    block = bits // 8
    fmt = struct.pack('<HHIIHH', 1, 1, rate, rate * block, block, bits)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
    return b'RIFF' + struct.pack('<I', len(body)) + body


def envelope(t, length, attack=0.005, release=0.06):
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def bell(freq, length, rate=RATE, decay=6.0, partials=((1, 1.0), (2.0, 0.35), (3.01, 0.12))):
    out = []
    for i in range(int(length * rate)):
        t = i / rate
        v = sum(a * math.sin(2 * math.pi * freq * k * t) for k, a in partials)
        out.append(v * math.exp(-decay * t) * envelope(t, length, 0.004, 0.03))
    return out


def sweep(f0, f1, length, rate=RATE, shape='sine'):
    out, phase = [], 0.0
    n = int(length * rate)
    for i in range(n):
        t = i / rate
        f = f0 * (f1 / f0) ** (i / n)
        phase += 2 * math.pi * f / rate
        v = math.sin(phase)
        if shape == 'soft-square':
            v = math.tanh(3 * v)
        out.append(v * envelope(t, length, 0.008, 0.08))
    return out


def silence(length, rate=RATE):
    return [0.0] * int(length * rate)


def mixed(parts, rate=RATE):
    """parts: (start seconds, samples, gain)."""
    n = max(int(s * rate) + len(x) for s, x, _ in parts)
    out = [0.0] * n
    for s, x, g in parts:
        o = int(s * rate)
        for i, v in enumerate(x):
            out[o + i] += v * g
    return out


def noise_burst(length, rate=RATE, seed=12345):
    out, state, low = [], seed, 0.0
    n = int(length * rate)
    for i in range(n):
        state = (state * 1103515245 + 12345) & 0x7fffffff
        white = state / 0x3fffffff - 1.0
        k = 0.02 + 0.3 * (1 - i / n)
        low += (white - low) * k
        out.append(low * (1 - i / n) ** 2 * min(1.0, i / (0.004 * rate)))
    return out


def note(name):
    names = {'C': -9, 'D': -7, 'E': -5, 'F': -4, 'G': -2, 'A': 0, 'B': 2}
    return 440.0 * 2 ** ((names[name[0]] + 12 * (int(name[1]) - 4)) / 12)


def click():
    """Wave 130: 8-bit PCM, 8000 Hz, 0.25 s, a soft wooden tick."""
    rate = 8000
    out = []
    for i in range(2000):
        t = i / rate
        v = 0.8 * math.sin(2 * math.pi * 1400 * t) * math.exp(-38 * t)
        v += 0.35 * math.sin(2 * math.pi * 700 * t) * math.exp(-20 * t)
        out.append(v * envelope(t, 0.25, 0.001, 0.05))
    return wav(out, rate, 8)


def sounds():
    yield 130, click()
    alarm = []
    for k in range(2):
        alarm += sweep(1200, 700, 0.16, shape='soft-square') + silence(0.04)
    yield 176, wav([v * 0.55 for v in alarm], RATE, 16)                      # virus found
    yield 177, wav(mixed([(0.0, bell(note('C5'), 0.3), 0.4), (0.09, bell(note('E5'), 0.3), 0.4),
                          (0.18, bell(note('G5'), 0.4), 0.4)]), RATE, 16)    # cured
    yield 178, wav(mixed([(0.0, noise_burst(0.3), 1.6), (0.05, sweep(500, 90, 0.33), 0.45)]), RATE, 16)  # deleted
    yield 179, wav(mixed([(0.0, sweep(220, 200, 0.16, shape='soft-square'), 0.35),
                          (0.2, sweep(200, 180, 0.18, shape='soft-square'), 0.35)]), RATE, 16)  # failed
    yield 180, wav(mixed([(0.0, bell(note('G5'), 0.5, decay=4), 0.45),
                          (0.16, bell(note('C6'), 0.7, decay=3.5), 0.45)]), RATE, 16)  # scan ended
    yield 181, wav([v * 0.45 for v in sweep(300, 1100, 0.38)], RATE, 16)     # moved
    yield 182, wav(mixed([(0.0, bell(2200, 0.08, decay=40), 0.5), (0.12, bell(2600, 0.24, decay=30), 0.5)]), RATE, 16)  # renamed
    yield 185, wav(mixed([(0.0, bell(note('C5'), 0.5), 0.3), (0.12, bell(note('G5'), 0.5), 0.3),
                          (0.24, bell(note('C6'), 0.5), 0.3), (0.36, bell(note('E6'), 0.9, decay=3), 0.3)]), RATE, 16)  # opened
    yield 186, wav(mixed([(0.0, bell(note('E6'), 0.4), 0.3), (0.12, bell(note('C6'), 0.4), 0.3),
                          (0.24, bell(note('G5'), 0.4), 0.3), (0.36, bell(note('C5'), 0.8, decay=3), 0.3)]), RATE, 16)  # closing


def main():
    os.makedirs(OUT, exist_ok=True)
    for rid, data in sounds():
        with open(os.path.join(OUT, f'wave{rid}.wav'), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
