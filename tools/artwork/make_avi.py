#!/usr/bin/env python3
"""Writes the program's AVI clips into res/art/: uncompressed 24-bit
bottom-up frames (what the animation control plays everywhere), with an
idx1 index."""
import math
import os
import struct
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from icons import PALETTE, SHIELD, Painter, badge, check_mark, scan_beam  # noqa: E402
from raster import (FONT_BOLD, Image, bgr_rows, box, circle, clamp, intersect,  # noqa: E402
                    mix, offset, png_bytes, rgb, segment, text_mask, union, vgradient)

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
OUT = os.path.join(ROOT, 'res', 'art')
SKIN = rgb('#2affca')


def chunk(tag, data):
    pad = b'\x00' if len(data) % 2 else b''
    return tag + struct.pack('<I', len(data)) + data + pad


def riff_list(kind, tag, data):
    return kind + struct.pack('<I', len(data) + 4) + tag + data


def avi_bytes(frames, fps):
    w, h = frames[0].w, frames[0].h
    datas = [bgr_rows(f, True, 24) for f in frames]
    size = len(datas[0])
    avih = struct.pack('<IIIIIIIIII4I', 1000000 // fps, size * fps, 0, 0x10, len(frames), 0, 1,
                       size, w, h, 0, 0, 0, 0)
    strh = struct.pack('<4s4sIHHIIIIIIII4h', b'vids', b'DIB ', 0, 0, 0, 0, 1, fps, 0,
                       len(frames), size, 0xFFFFFFFF, 0, 0, 0, w, h)
    strf = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, size, 0, 0, 0, 0)
    hdrl = riff_list(b'LIST', b'hdrl', chunk(b'avih', avih) +
                     riff_list(b'LIST', b'strl', chunk(b'strh', strh) + chunk(b'strf', strf)))
    movi_body, index, pos = b'', b'', 4
    for d in datas:
        index += struct.pack('<4sIII', b'00db', 0x10, pos, len(d))
        c = chunk(b'00db', d)
        movi_body += c
        pos += len(c)
    body = b'AVI ' + hdrl + riff_list(b'LIST', b'movi', movi_body) + chunk(b'idx1', index)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def shield_frame(w, h, draw):
    """A frame on the skin colour with a 40-pixel shield in its middle."""
    pt = Painter(40, 'normal')
    draw(pt)
    img = Image(w, h, SKIN)
    img.paste(pt.img, (w - 40) // 2, (h - 40) // 2)
    return img


def clean_clip():
    """AVI 137: five frames, 80 x 48: the beam sweeps the shield, then a tick."""
    frames = []
    for k in range(5):
        def draw(pt, k=k):
            pt.shield()
            if k < 4:
                scan_beam(pt, 14 + k * 11)
            else:
                check_mark(pt, [(20, 32), (29, 42), (45, 20)], 5.0)
                pt.fill(offset(SHIELD, -2.2), (0.3, 1, 0.5, 0.0))
        frames.append(shield_frame(80, 48, draw))
    return frames


def infected_clip():
    """AVI 140: three frames, 80 x 48: the shield flashes a red warning."""
    frames = []
    for k in range(3):
        def draw(pt, k=k):
            pt.p = dict(PALETTE['normal'])
            if k != 1:
                pt.p['body'] = (rgb('#e0373a'), rgb('#6d0d12'))
                pt.p['rim'] = rgb('#ffe0d0')
            pt.shield()
            pt.fill(union(box(32, 28, 3.6, 12, 1.8), circle(32, 48, 4)), (1, 1, 1, 1))
        frames.append(shield_frame(80, 48, draw))
    return frames


def ok_clip():
    """AVI 138: 24 frames, 100 x 22, 12 a second: the Help box's OK face,
    a light sweeping across the caption."""
    w, h = 100, 22
    mask = text_mask('OK', FONT_BOLD, 14, w, h, 38, 16)
    frames = []
    for k in range(24):
        img = Image(w, h)
        img.fill(lambda x, y: -1, vgradient(rgb('#7dffd9'), rgb('#17b888'), 0, h))
        sx = -20 + k * (w + 40) / 24

        def sweep(x, y, sx=sx):
            return (1, 1, 1, 0.55 * clamp(1 - abs(x - sx - (h - y) * 0.5) / 12))
        img.fill(lambda x, y: -1, sweep)
        img.fill(lambda x, y: max(abs(y - 11) - 0.5, 6 - x, x - 28), rgb('#0b5a48', 0.5))
        img.fill(lambda x, y: max(abs(y - 11) - 0.5, 72 - x, x - 94), rgb('#0b5a48', 0.5))
        img.mask_fill(mask, w, h, 1, 1, (0, 0.2, 0.15, 0.5))
        img.mask_fill(mask, w, h, 0, 0, rgb('#063b2f'))
        frames.append(img)
    return frames


def main():
    preview = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == '--preview' else None
    os.makedirs(OUT, exist_ok=True)
    clips = {'clean137': (clean_clip(), 5), 'helpok138': (ok_clip(), 12), 'infected140': (infected_clip(), 5)}
    for name, (frames, fps) in clips.items():
        with open(os.path.join(OUT, f'{name}.avi'), 'wb') as f:
            f.write(avi_bytes(frames, fps))
        if preview:
            strip = Image(frames[0].w, frames[0].h * len(frames))
            for i, fr in enumerate(frames):
                strip.paste(fr, 0, i * fr.h)
            with open(os.path.join(preview, f'{name}.png'), 'wb') as f:
                f.write(png_bytes(strip))


if __name__ == '__main__':
    main()
