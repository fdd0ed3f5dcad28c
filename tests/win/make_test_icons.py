#!/usr/bin/env python3
"""Writes the solid-colour icons the Windows tests load by resource id.

Usage: make_test_icons.py OUTDIR
"""
import struct
import sys


def icon(size, bgr):
    """One 32-bit image of `size` pixels, every pixel opaque `bgr`."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytes(bgr + (255,)) * (size * size)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    image = header + pixels + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', size, size, 0, 0, 1, 32, len(image), 22) + image


def main():
    out = sys.argv[1]
    for name, size, bgr in [('red32', 32, (0, 0, 255)), ('blue32', 32, (255, 0, 0)),
                            ('red16', 16, (0, 0, 255))]:
        with open(f'{out}/{name}.ico', 'wb') as f:
            f.write(icon(size, bgr))


main()
