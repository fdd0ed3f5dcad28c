#!/usr/bin/env python3
"""Writes the program's icons and bitmaps into res/art/. Deterministic:
the same sources give the same bytes. Usage: make_art.py [--preview DIR]."""
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from icons import ICONS, render  # noqa: E402
from pictures import (about, background, flipped, header, icon_frames,  # noqa: E402
                      installer_header, installer_welcome, splash)
from raster import bmp_bytes, ico_bytes, png_bytes  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
OUT = os.path.join(ROOT, 'res', 'art')
PACKAGING = os.path.join(ROOT, 'packaging', 'art')


def write(name, data, folder=OUT):
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def main():
    preview = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == '--preview' else None
    os.makedirs(OUT, exist_ok=True)
    for rid, (draw, variant, sizes) in sorted(ICONS.items()):
        images = [render(draw, s, variant) for s in sizes]
        write(f'icon{rid}.ico', ico_bytes(images))
        if preview:
            with open(os.path.join(preview, f'icon{rid}.png'), 'wb') as f:
                f.write(png_bytes(images[0]))
    pictures = {
        'background129': background(),
        'frames136': icon_frames(),
        'splash168': splash(),
        'header175': header(),
    }
    upright = about()
    pictures['about173'] = flipped(upright)
    for name, img in pictures.items():
        write(f'{name}.bmp', bmp_bytes(img))
        if preview:
            shown = upright if name == 'about173' else img
            with open(os.path.join(preview, f'{name}.png'), 'wb') as f:
                f.write(png_bytes(shown))
    os.makedirs(PACKAGING, exist_ok=True)
    for name, img in (('welcome', installer_welcome()), ('header', installer_header())):
        write(f'{name}.bmp', bmp_bytes(img), PACKAGING)
        if preview:
            with open(os.path.join(preview, f'installer-{name}.png'), 'wb') as f:
                f.write(png_bytes(img))


if __name__ == '__main__':
    main()
