"""The bitmaps: main window background and header strip, splash, About
picture, the caption icon's animation frames and the installer's pictures."""
import math

from icons import SHIELD, draw_main, render, scaled
from raster import (FONT, FONT_BOLD, Image, arc, box, clamp, intersect,
                    mix, offset, polygon, rgb, text_mask, vgradient)

SKIN = rgb('#2affca')          # dialog background RGB(42, 255, 202)
FACE = rgb('#00ff00')          # main window button faces RGB(0, 255, 0)
BODY_TOP = rgb('#0f5c57')
BODY_BOTTOM = rgb('#05282c')
MINT = rgb('#b8ffe4')

# Where the main window's controls fall on the background picture, in its
# pixels: measured under Wine from template 102 (the picture's top-left is
# the window's (3, 67)). Panels are padded, so other font metrics still fit.
MAIN = dict(buttons=(75, 36, 523, 104), list=(54, 120, 545, 260),
            small_left=(62, 269, 95, 298), small_right=(504, 269, 537, 298),
            progress=(62, 309, 539, 318), status_top=322)


def scanlines(img, alpha, step=3, box_=None):
    x0, y0, x1, y1 = box_ if box_ else (0, 0, img.w, img.h)
    for y in range(y0, y1, step):
        for x in range(x0, x1):
            img.blend(y * img.w + x, (0, 0, 0, 1), alpha)


def panel(img, rect, radius, colour, rim_dark, rim_light, pad=6):
    x0, y0, x1, y1 = rect
    x0, y0, x1, y1 = x0 - pad, y0 - pad, x1 + pad, y1 + pad
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
    b = (x0 - 8, y0 - 8, x1 + 8, y1 + 8)
    img.glow(box(cx, cy, hw, hh, radius), (0, 0, 0, 1), 7, 0.45, b)
    img.fill(box(cx, cy, hw + 2, hh + 2, radius + 2), rim_light, b)
    img.fill(box(cx, cy + 0.8, hw + 1, hh + 0.8, radius + 1), rim_dark, b)
    img.fill(box(cx, cy, hw, hh, radius), colour, b)


def background():
    """Bitmap 129, 600 x 350: the body of the shaped main window."""
    w, h = 600, 350
    img = Image(w, h)
    img.fill(lambda x, y: -1, vgradient(BODY_TOP, BODY_BOTTOM, 0, h))
    # radar rings from behind the list, faint
    for r in range(40, 460, 38):
        img.fill(arc(300, 180, r, 0.6, math.radians(180), math.radians(360)), rgb('#6affd0', 0.07))
    scanlines(img, 0.10)
    # a soft light along the top of the body, under the lettering
    img.fill(lambda x, y: -1, lambda x, y: (0.7, 1, 0.9, 0.18 * clamp(1 - y / 30)))
    m = MAIN
    panel(img, m['buttons'], 12, FACE, rgb('#007a20'), rgb('#b6ffb0'))
    panel(img, m['list'], 6, rgb('#ffffcc'), rgb('#0a3a30'), rgb('#8fe8c8'), pad=3)
    for key in ('small_left', 'small_right'):
        panel(img, m[key], 9, FACE, rgb('#007a20'), rgb('#b6ffb0'), pad=4)
    x0, y0, x1, y1 = m['progress']
    img.fill(box((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 + 3, (y1 - y0) / 2 + 3, 4), rgb('#021a1c'))
    img.fill(box((x0 + x1) / 2, (y0 + y1) / 2 + 1, (x1 - x0) / 2 + 2, (y1 - y0) / 2 + 2, 3), rgb('#2a6f66', 0.6))
    # the status line sits on the skin colour, as every static does
    top = m['status_top']
    img.fill(lambda x, y: top - y, SKIN)
    img.fill(lambda x, y: abs(y - top - 0.5) - 1.0, rgb('#e8fff6'))
    img.fill(lambda x, y: abs(y - top + 1.5) - 1.0, rgb('#02241f', 0.6))
    return img


def header():
    """Bitmap 175, 600 x 53: seen through the lettering above the body."""
    w, h = 600, 53
    img = Image(w, h)

    def grad(x, y):
        t = y / (h - 1)
        if t < 0.45:
            c = mix(rgb('#f4fffa'), rgb('#54f0b4'), t / 0.45)
        else:
            c = mix(rgb('#54f0b4'), BODY_TOP, (t - 0.45) / 0.55)
        shine = 0.25 * clamp(1 - abs((x * 0.35 + y) % 140 - 70) / 18)
        return mix(c, (1, 1, 1, 1), shine)
    img.fill(lambda x, y: -1, grad)
    scanlines(img, 0.08)
    return img


def splash(w=401, h=143):
    """Bitmap 168: the splash window; its bottom band carries the wait text."""
    img = Image(w, h)
    band = 124
    img.fill(lambda x, y: -1, vgradient(rgb('#126b63'), BODY_BOTTOM, 0, band))
    for r in range(30, 420, 26):
        img.fill(arc(70, 62, r, 0.6, 0, 2 * math.pi - 0.001), rgb('#6affd0', 0.08 * clamp(1 - r / 420)))
    scanlines(img, 0.12, 3, (0, 0, w, band))
    logo = render(draw_main, 96)
    img.glow(scaled(SHIELD, 1.5, -10.0 / 1.5, -14.0 / 1.5), rgb('#7dffd2'), 14, 0.35)
    img.paste(logo, 22, 12)
    mask = text_mask('Vireskand', FONT_BOLD, 43, w, h, 134, 75)
    shadow = text_mask('Vireskand', FONT_BOLD, 43, w, h, 136, 78)
    img.mask_fill(shadow, w, h, 0, 0, (0, 0, 0, 0.5))
    img.mask_fill(mask, w, h, 0, 0, vgradient(rgb('#ffffff'), rgb('#5cf2b8'), 36, 78))
    # a scanner beam under the name
    img.fill(lambda x, y: max(abs(y - 92) - 1.0, 134 - x, x - 384), rgb('#7dffd2', 0.9))
    img.fill(lambda x, y: max(abs(y - 92) - 5.0, 134 - x, x - 384),
             lambda x, y: (0.5, 1, 0.85, 0.25 * clamp(1 - abs(y - 92) / 5)))
    img.fill(lambda x, y: band - y, SKIN)
    img.fill(lambda x, y: abs(y - band - 0.5) - 1.0, rgb('#e8fff6'))
    return img


def about(w=400, h=140):
    """Bitmap 173: the About picture the water ripples (returned upright)."""
    img = Image(w, h)

    def sea(x, y):
        t = y / h
        c = mix(rgb('#0b6f86'), rgb('#03303f'), t)
        wave = 0.5 + 0.5 * math.sin(x * 0.045 + math.sin(y * 0.09) * 2.2 + y * 0.02)
        return mix(c, rgb('#36d6c0'), 0.18 * wave * (1 - t * 0.6))
    img.fill(lambda x, y: -1, sea)
    for i in range(7):
        img.fill(polygon([(40 + i * 55, 0), (70 + i * 55, 0), (150 + i * 40, h), (110 + i * 40, h)]),
                 (0.8, 1, 0.95, 0.05))
    logo = render(draw_main, 100)
    img.glow(scaled(SHIELD, 100 / 64, -18 / (100 / 64), -18 / (100 / 64)), rgb('#9dfff0'), 16, 0.35)
    img.paste(logo, 18, 18)
    mask = text_mask('Vireskand', FONT_BOLD, 44, w, h, 132, 72)
    img.mask_fill(text_mask('Vireskand', FONT_BOLD, 44, w, h, 134, 75), w, h, 0, 0, (0, 0, 0, 0.45))
    img.mask_fill(mask, w, h, 0, 0, vgradient(rgb('#ffffff'), rgb('#8cf7dc'), 36, 74))
    sub = text_mask('сканер вирусов', FONT, 15, w, h, 136, 100)
    img.mask_fill(sub, w, h, 0, 0, rgb('#d9fff3', 0.9))
    return img


def flipped(img):
    out = Image(img.w, img.h)
    for y in range(img.h):
        out.px[y * img.w:(y + 1) * img.w] = img.px[(img.h - 1 - y) * img.w:(img.h - y) * img.w]
    return out


def icon_frames():
    """Bitmap 136, 64 x 16: four 16 x 16 frames, black is transparent."""
    img = Image(64, 16, (0, 0, 0, 1))
    s = 16 / 64
    f = scaled(SHIELD, s)
    for k in range(4):
        fr = Image(16, 16)
        fr.fill(f, rgb('#d6f1ff'))
        fr.fill(scaled(offset(SHIELD, -5), s), vgradient(rgb('#1f6fb2'), rgb('#0b2a4e'), 0, 16))
        y = 5 + k * 2.6
        fr.fill(intersect(scaled(offset(SHIELD, -5), s), lambda x, yy, y=y: abs(yy - y) - 0.6), rgb('#5dffb0'))
        flat = fr.flattened((0, 0, 0, 1))
        for i, c in enumerate(flat.px):
            if fr.px[i][3] > 0.02:
                # never pure black inside the shield: black is the mask colour
                c = [max(v, 2 / 255) for v in c[:3]] + [1.0]
            else:
                c = [0, 0, 0, 1]
            img.px[(i // 16) * 64 + k * 16 + i % 16] = c
    return img


def installer_welcome(w=164, h=314):
    """The installer's welcome and finish pages: the body's colours, the
    shield, the name upright under it and a scanner beam."""
    img = Image(w, h)
    img.fill(lambda x, y: -1, vgradient(rgb('#126b63'), BODY_BOTTOM, 0, h))
    for r in range(24, 420, 26):
        img.fill(arc(w / 2, 92, r, 0.6, 0, 2 * math.pi - 0.001), rgb('#6affd0', 0.08 * clamp(1 - r / 420)))
    scanlines(img, 0.12)
    logo = render(draw_main, 112)
    k = 112 / 64
    img.glow(scaled(SHIELD, k, -26 / k, -36 / k), rgb('#7dffd2'), 16, 0.35)
    img.paste(logo, 26, 36)
    mask = text_mask('Vireskand', FONT_BOLD, 25, w, h, 12, 200)
    img.mask_fill(text_mask('Vireskand', FONT_BOLD, 25, w, h, 13, 202), w, h, 0, 0, (0, 0, 0, 0.5))
    img.mask_fill(mask, w, h, 0, 0, vgradient(rgb('#ffffff'), rgb('#5cf2b8'), 180, 202))
    img.fill(lambda x, y: max(abs(y - 214) - 1.0, 12 - x, x - (w - 12)), rgb('#7dffd2', 0.9))
    img.fill(lambda x, y: max(abs(y - 214) - 5.0, 12 - x, x - (w - 12)),
             lambda x, y: (0.5, 1, 0.85, 0.25 * clamp(1 - abs(y - 214) / 5)))
    sub = text_mask('сканер вирусов', FONT, 12, w, h, 30, 236)
    img.mask_fill(sub, w, h, 0, 0, rgb('#d9fff3', 0.9))
    return img


def installer_header(w=150, h=57):
    """The strip at the right of the installer's inner pages' header."""
    img = Image(w, h, (1, 1, 1, 1))
    img.fill(lambda x, y: -1, lambda x, y: mix((1, 1, 1, 1), rgb('#54f0b4'), clamp((x - 40) / 110) * 0.35))
    logo = render(draw_main, 48)
    img.paste(logo, w - 54, 4)
    return img
