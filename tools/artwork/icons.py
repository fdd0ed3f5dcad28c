"""The icons: a shield-and-scanner family drawn in a 64-unit design space
and rendered at each size they are used at."""
import math

from raster import (Image, arc, box, circle, clamp, ellipse, intersect, mix,
                    offset, polygon, polyline, radial, rgb, segment, subtract,
                    union, vgradient)


def scaled(f, s, dx=0.0, dy=0.0):
    return lambda x, y: f(x / s - dx, y / s - dy) * s


def bezier(p0, p1, p2, n):
    pts = []
    for i in range(1, n + 1):
        t = i / n
        a, b, c = (1 - t) ** 2, 2 * (1 - t) * t, t * t
        pts.append((a * p0[0] + b * p1[0] + c * p2[0], a * p0[1] + b * p1[1] + c * p2[1]))
    return pts


def shield_points(cx=32.0, top=5.0, half=22.0, bottom=60.0, shoulder=30.0):
    right = [(cx + half, top + 5)]
    right += [(cx + half, shoulder)]
    right += bezier((cx + half, shoulder), (cx + half - 1, bottom - 12), (cx, bottom), 12)
    left = [(2 * cx - x, y) for x, y in reversed(right[:-1])]
    top_curve = bezier((cx - half, top + 5), (cx, top - 3), (cx + half, top + 5), 10)
    return top_curve + right[1:] + left


SHIELD = polygon(shield_points())
SHIELD_SMALL = polygon(shield_points(cx=26, top=6, half=17, bottom=50, shoulder=24))

PALETTE = {
    'normal': dict(body=(rgb('#1f6fb2'), rgb('#0b2a4e')), rim=rgb('#d6f1ff'),
                   beam=rgb('#5dffb0'), glass=rgb('#b6f3ff', 0.55), metal=rgb('#e8eef2'),
                   red=rgb('#d9262b'), green=rgb('#14a84a'), steel=(rgb('#b9c6cf'), rgb('#56656f'))),
    'hot': dict(body=(rgb('#3a9bf0'), rgb('#12467e')), rim=rgb('#fff7b8'),
                beam=rgb('#b4ffd8'), glass=rgb('#e4fbff', 0.7), metal=rgb('#ffffff'),
                red=rgb('#ff4a3d'), green=rgb('#2fd466'), steel=(rgb('#e6eef3'), rgb('#7a8c98'))),
    'disabled': dict(body=(rgb('#9aa3a8'), rgb('#5f676c')), rim=rgb('#e3e6e8'),
                     beam=rgb('#c9cfd2'), glass=rgb('#e8ecee', 0.5), metal=rgb('#eceff0'),
                     red=rgb('#8c9194'), green=rgb('#8c9194'), steel=(rgb('#c7cccf'), rgb('#80888d'))),
}
GLOW = rgb('#fffbd0')
SHADOW = rgb('#003018')


class Painter:
    def __init__(self, size, variant):
        self.s = size / 64.0
        self.img = Image(size, size)
        self.p = PALETTE[variant]
        self.variant = variant

    def sdf(self, f):
        return scaled(f, self.s)

    def paint(self, p):
        if callable(p):
            s = self.s
            return lambda x, y: p(x / s, y / s)
        return p

    def fill(self, f, p):
        self.img.fill(self.sdf(f), self.paint(p))

    def backdrop(self, f):
        """Halo for the hot face, a soft drop shadow for the others."""
        if self.variant == 'hot':
            self.img.glow(self.sdf(f), GLOW, max(2.0, 5 * self.s), 0.9)
        elif self.s >= 0.5:
            sh = self.sdf(lambda x, y: f(x - 1.5, y - 2.0))
            self.img.glow(sh, SHADOW, max(1.5, 3 * self.s), 0.35)

    def shield(self, f=SHIELD, y0=4, y1=60):
        p = self.p
        self.fill(f, p['rim'])
        self.fill(offset(f, -2.2), vgradient(*p['body'], y0, y1))
        # a glossy upper-left half
        gloss = intersect(offset(f, -3.5), lambda x, y: (x - 32) * 0.7 + (y - 30))
        self.fill(gloss, (1, 1, 1, 0.12))


def magnifier(pt, cx, cy, r, angle=math.radians(45)):
    p = pt.p
    hx, hy = cx + math.cos(angle) * r * 1.05, cy + math.sin(angle) * r * 1.05
    ex, ey = cx + math.cos(angle) * r * 2.0, cy + math.sin(angle) * r * 2.0
    handle = segment(hx, hy, ex, ey, r * 0.28)
    ring = subtract(circle(cx, cy, r * 1.0), circle(cx, cy, r * 0.72))
    pt.fill(offset(union(handle, ring), 1.2), rgb('#0a1f33', 0.8))
    pt.fill(handle, vgradient(rgb('#3b2a1a'), rgb('#1a120b'), cy, ey))
    pt.fill(circle(cx, cy, r * 0.75), p['glass'])
    pt.fill(ring, vgradient(p['metal'], p['steel'][1], cy - r, cy + r))
    pt.fill(arc(cx, cy, r * 0.5, r * 0.08, math.radians(200), math.radians(260)), (1, 1, 1, 0.9))


def scan_beam(pt, y, f=SHIELD):
    p = pt.p
    inside = intersect(offset(f, -2.2), lambda x, yy: abs(yy - y) - 6)
    fade = lambda x, yy: (p['beam'][0], p['beam'][1], p['beam'][2], 0.45 * clamp(1 - abs(yy - y) / 6))
    pt.fill(inside, fade)
    pt.fill(intersect(offset(f, -2.2), lambda x, yy: abs(yy - y) - 1.1), p['beam'])


def gear(pt, cx, cy, r, teeth=8):
    p = pt.p
    def f(x, y):
        d = math.hypot(x - cx, y - cy) - r * 0.78
        a = math.atan2(y - cy, x - cx)
        best = float('inf')
        for i in range(teeth):
            t = 2 * math.pi * i / teeth
            c, s = math.cos(-t), math.sin(-t)
            lx = (x - cx) * c - (y - cy) * s
            ly = (x - cx) * s + (y - cy) * c
            qx, qy = abs(lx - r * 0.85) - r * 0.2, abs(ly) - r * 0.17
            best = min(best, math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0))
        return min(d, best)
    body = subtract(f, circle(cx, cy, r * 0.32))
    pt.backdrop(body)
    pt.fill(body, radial(p['steel'][0], p['steel'][1], cx - r * 0.3, cy - r * 0.3, r * 1.6))
    pt.fill(subtract(circle(cx, cy, r * 0.55), circle(cx, cy, r * 0.42)), (0, 0, 0, 0.18))


def cylinder(pt, cx, top, rx, ry, h, colours):
    light, dark = colours
    body = union(box(cx, top + h / 2, rx, h / 2), ellipse(cx, top + h, rx, ry))
    pt.fill(offset(union(body, ellipse(cx, top, rx, ry)), 1.3), rgb('#0a1f33', 0.9))
    pt.fill(body, lambda x, y: mix(light, dark, clamp(abs(x - cx) / rx) ** 1.5))
    for k in (1, 2):
        yy = top + h * k / 3
        band = intersect(box(cx, yy, rx, h), lambda x, y, yy=yy: abs(y - yy - ry * math.sqrt(max(0.0, 1 - ((x - cx) / rx) ** 2))) - 0.9)
        pt.fill(band, (0, 0, 0, 0.25))
    pt.fill(ellipse(cx, top, rx, ry), mix(light, (1, 1, 1, 1), 0.35))


def badge(pt, cx, cy, r, colour):
    dark = mix(colour, (0, 0, 0, 1), 0.45)
    pt.fill(circle(cx, cy, r + 1.5), (1, 1, 1, 1))
    pt.fill(circle(cx, cy, r), radial(mix(colour, (1, 1, 1, 1), 0.25), dark, cx - r * 0.4, cy - r * 0.4, r * 1.8))


def check_mark(pt, pts, w):
    pt.fill(polyline(pts, w), (1, 1, 1, 1))


def cross(pt, cx, cy, k, w):
    pt.fill(union(segment(cx - k, cy - k, cx + k, cy + k, w), segment(cx - k, cy + k, cx + k, cy - k, w)), (1, 1, 1, 1))


def question(pt, cx, cy, k):
    hook = arc(cx, cy - 0.35 * k, 0.42 * k, 0.12 * k, math.radians(180), math.radians(400))
    stem = segment(cx + 0.42 * k * math.cos(math.radians(40)), cy - 0.35 * k + 0.42 * k * math.sin(math.radians(40)),
                   cx, cy + 0.3 * k, 0.12 * k)
    pt.fill(union(hook, stem, circle(cx, cy + 0.62 * k, 0.14 * k)), (1, 1, 1, 1))


# One function per picture; each draws into a Painter ------------------------

def draw_main(pt):
    pt.backdrop(SHIELD)
    pt.shield()
    scan_beam(pt, 34)
    f = offset(SHIELD, -2.2)
    for r in (9, 16):
        pt.fill(intersect(f, arc(32, 34, r, 0.7, math.radians(200), math.radians(340))), rgb('#8fffd0', 0.7))
    pt.fill(circle(32, 34, 2.4), pt.p['beam'])


def draw_scan(pt):
    pt.backdrop(union(SHIELD_SMALL, circle(42, 40, 16)))
    pt.shield(SHIELD_SMALL, 6, 50)
    scan_beam(pt, 26, SHIELD_SMALL)
    magnifier(pt, 40, 38, 12)


def draw_stop(pt):
    pt.backdrop(union(SHIELD_SMALL, circle(44, 42, 15)))
    pt.shield(SHIELD_SMALL, 6, 50)
    scan_beam(pt, 26, SHIELD_SMALL)
    oct_pts = [(44 + 14 * math.cos(math.radians(22.5 + 45 * i)), 42 + 14 * math.sin(math.radians(22.5 + 45 * i))) for i in range(8)]
    octagon = polygon(oct_pts)
    pt.fill(offset(octagon, 1.6), (1, 1, 1, 1))
    pt.fill(octagon, radial(mix(pt.p['red'], (1, 1, 1, 1), 0.2), mix(pt.p['red'], (0, 0, 0, 1), 0.35), 40, 37, 20))
    pt.fill(box(44, 42, 8, 2.6, 1.2), (1, 1, 1, 1))


def draw_settings(pt):
    gear(pt, 30, 30, 22)
    pt.fill(offset(SHIELD_SMALL, 0), (0, 0, 0, 0))
    small = polygon(shield_points(cx=30, top=20, half=8, bottom=43, shoulder=29))
    pt.fill(offset(small, 1.2), pt.p['rim'])
    pt.fill(small, vgradient(*pt.p['body'], 18, 43))


def draw_help(pt):
    pt.backdrop(circle(32, 32, 26))
    pt.fill(circle(32, 32, 26), pt.p['rim'])
    pt.fill(circle(32, 32, 23.5), radial(pt.p['body'][0], pt.p['body'][1], 24, 22, 36))
    question(pt, 32, 32, 26)


def draw_about(pt):
    pt.backdrop(SHIELD)
    pt.shield()
    pt.fill(circle(32, 19, 4.2), (1, 1, 1, 1))
    pt.fill(union(box(32, 38, 4, 12, 1.5), box(29.5, 27.5, 6.5, 2.2, 1)), (1, 1, 1, 1))
    pt.fill(box(32, 49.5, 8.5, 2.2, 1), (1, 1, 1, 1))


def draw_exit(pt):
    pt.backdrop(circle(32, 32, 26))
    pt.fill(circle(32, 32, 26), pt.p['rim'])
    pt.fill(circle(32, 32, 23.5), radial(mix(pt.p['red'], (1, 1, 1, 1), 0.25), mix(pt.p['red'], (0, 0, 0, 1), 0.5), 24, 22, 36))
    pt.fill(arc(32, 34, 12, 2.6, math.radians(-55), math.radians(235)), (1, 1, 1, 1))
    pt.fill(segment(32, 15, 32, 32, 2.8), (1, 1, 1, 1))


def draw_database(pt):
    c = pt.p['steel']
    pt.backdrop(union(box(28, 32, 19, 22, 8), circle(46, 46, 12)))
    cylinder(pt, 28, 14, 19, 6.5, 34, c)
    small = polygon(shield_points(cx=46, top=32, half=10, bottom=60, shoulder=43))
    pt.fill(offset(small, 1.5), pt.p['rim'])
    pt.fill(small, vgradient(*pt.p['body'], 30, 60))
    pt.fill(intersect(small, lambda x, y: abs(y - 45) - 1.0), pt.p['beam'])


def draw_add_record(pt):
    c = pt.p['steel']
    pt.backdrop(union(box(26, 32, 19, 22, 8), circle(46, 46, 13)))
    cylinder(pt, 26, 14, 19, 6.5, 34, c)
    badge(pt, 46, 46, 12, pt.p['green'])
    pt.fill(union(box(46, 46, 7, 2.2, 1), box(46, 46, 2.2, 7, 1)), (1, 1, 1, 1))


def draw_ok(pt):
    pt.backdrop(circle(32, 32, 26))
    badge(pt, 32, 32, 25, pt.p['green'])
    check_mark(pt, [(19, 33), (28, 42), (45, 22)], 4.2)


def draw_cancel(pt):
    pt.backdrop(circle(32, 32, 26))
    badge(pt, 32, 32, 25, pt.p['red'])
    cross(pt, 32, 32, 10, 4.2)


def draw_restore(pt):
    pt.backdrop(circle(32, 32, 26))
    badge(pt, 32, 32, 25, mix(pt.p['body'][0], pt.p['body'][1], 0.2))
    pt.fill(arc(32, 34, 12, 2.4, math.radians(-200), math.radians(60)), (1, 1, 1, 1))
    pt.fill(polygon([(13, 29), (27, 27), (19, 40)]), (1, 1, 1, 1))


def draw_purge(pt):
    c = pt.p['steel']
    can = union(box(26, 38, 13, 17, 3), box(26, 17, 17, 3, 1.5), box(26, 13, 5, 2.5, 1))
    pt.backdrop(union(can, circle(46, 46, 13)))
    pt.fill(offset(can, 1.3), rgb('#0a1f33', 0.9))
    pt.fill(can, lambda x, y: mix(c[0], c[1], clamp(abs(x - 26) / 14) ** 1.5))
    for x in (20, 26, 32):
        pt.fill(box(x, 38, 1.1, 12, 0.5), (0, 0, 0, 0.3))
    badge(pt, 46, 46, 12, pt.p['red'])
    cross(pt, 46, 46, 5, 2.4)


def draw_exit_small(pt):
    pt.backdrop(circle(32, 32, 27))
    badge(pt, 32, 32, 26, pt.p['red'])
    cross(pt, 32, 32, 11, 5.0)


def draw_minimize(pt):
    pt.backdrop(circle(32, 32, 27))
    badge(pt, 32, 32, 26, mix(pt.p['body'][0], pt.p['body'][1], 0.3))
    pt.fill(box(32, 40, 14, 4, 2), (1, 1, 1, 1))


def render(draw, size, variant='normal'):
    pt = Painter(size, variant)
    draw(pt)
    return pt.img


# id: (drawing, variant, sizes)
ICONS = {
    128: (draw_main, 'normal', (64, 48, 32, 16)),
    147: (draw_scan, 'normal', (64,)), 148: (draw_scan, 'hot', (64,)),
    149: (draw_settings, 'normal', (64,)), 150: (draw_settings, 'hot', (64,)),
    151: (draw_help, 'normal', (64,)), 152: (draw_help, 'hot', (64,)),
    153: (draw_about, 'normal', (64,)), 154: (draw_about, 'hot', (64,)),
    156: (draw_exit_small, 'normal', (32,)), 157: (draw_exit_small, 'hot', (32,)),
    158: (draw_minimize, 'normal', (32,)), 159: (draw_minimize, 'hot', (32,)),
    160: (draw_stop, 'normal', (64,)), 161: (draw_stop, 'hot', (64,)),
    162: (draw_settings, 'disabled', (64,)),
    163: (draw_exit, 'normal', (64,)), 164: (draw_exit, 'hot', (64,)),
    169: (draw_cancel, 'normal', (48,)), 170: (draw_cancel, 'hot', (48,)),
    171: (draw_ok, 'normal', (48,)), 172: (draw_ok, 'hot', (48,)),
    189: (draw_database, 'normal', (64,)), 190: (draw_database, 'hot', (64,)),
    191: (draw_database, 'disabled', (64,)),
    192: (draw_add_record, 'hot', (48,)), 193: (draw_add_record, 'normal', (48,)),
    194: (draw_restore, 'normal', (48,)), 195: (draw_restore, 'hot', (48,)),
    196: (draw_purge, 'normal', (48,)), 197: (draw_purge, 'hot', (48,)),
}
