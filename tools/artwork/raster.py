"""A tiny deterministic rasteriser: signed-distance shapes composited over
straight-alpha RGBA float pixels, and writers for PNG, BMP and ICO.

Shapes are functions (x, y) -> signed distance in pixels, negative inside;
sampling at pixel centres with a one-pixel ramp gives the anti-aliasing.
"""
import math
import struct
import subprocess
import zlib


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def rgb(hexstr, a=1.0):
    v = int(hexstr.lstrip('#'), 16)
    return ((v >> 16 & 255) / 255.0, (v >> 8 & 255) / 255.0, (v & 255) / 255.0, a)


class Image:
    def __init__(self, w, h, fill=(0.0, 0.0, 0.0, 0.0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def blend(self, i, c, cov):
        a = c[3] * cov
        if a <= 0.0:
            return
        d = self.px[i]
        da = d[3]
        oa = a + da * (1.0 - a)
        if oa <= 0.0:
            return
        k = da * (1.0 - a)
        d[0] = (c[0] * a + d[0] * k) / oa
        d[1] = (c[1] * a + d[1] * k) / oa
        d[2] = (c[2] * a + d[2] * k) / oa
        d[3] = oa

    def fill(self, sdf, paint, box=None, soft=1.0):
        """Composites paint (a colour or a function (x, y) -> colour) inside sdf."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        fn = paint if callable(paint) else None
        for y in range(y0, y1):
            cy = y + 0.5
            row = y * self.w
            for x in range(x0, x1):
                cx = x + 0.5
                d = sdf(cx, cy)
                cov = 0.5 - d / soft
                if cov <= 0.0:
                    continue
                if cov > 1.0:
                    cov = 1.0
                self.blend(row + x, fn(cx, cy) if fn else paint, cov)

    def glow(self, sdf, colour, radius, strength=1.0, box=None):
        """A soft halo outside sdf fading over radius pixels."""
        def halo(x, y):
            d = sdf(x, y)
            return -1.0 if d <= 0 else d
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0)), min(self.h, int(y1))):
            for x in range(max(0, int(x0)), min(self.w, int(x1))):
                d = sdf(x + 0.5, y + 0.5)
                if d < 0:
                    d = 0
                t = 1.0 - d / radius
                if t > 0:
                    self.blend(y * self.w + x, colour, strength * t * t)

    def paste(self, other, ox, oy):
        for y in range(other.h):
            ty = y + oy
            if not 0 <= ty < self.h:
                continue
            for x in range(other.w):
                tx = x + ox
                if 0 <= tx < self.w:
                    c = other.px[y * other.w + x]
                    self.blend(ty * self.w + tx, c, 1.0)

    def mask_fill(self, mask, mw, mh, ox, oy, paint):
        """Composites paint through an 8-bit coverage mask placed at (ox, oy)."""
        fn = paint if callable(paint) else None
        for y in range(mh):
            ty = y + oy
            if not 0 <= ty < self.h:
                continue
            for x in range(mw):
                m = mask[y * mw + x]
                tx = x + ox
                if m and 0 <= tx < self.w:
                    self.blend(ty * self.w + tx, fn(tx + 0.5, ty + 0.5) if fn else paint, m / 255.0)

    def flattened(self, bg):
        out = Image(self.w, self.h)
        for i, c in enumerate(self.px):
            a = c[3]
            out.px[i] = [c[0] * a + bg[0] * (1 - a), c[1] * a + bg[1] * (1 - a),
                         c[2] * a + bg[2] * (1 - a), 1.0]
        return out

    def bytes_rgba(self):
        out = bytearray()
        for c in self.px:
            out += bytes(int(clamp(v) * 255 + 0.5) for v in c)
        return out


# Signed distance functions -------------------------------------------------

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Approximate but smooth enough for anti-aliasing.
    def f(x, y):
        dx, dy = (x - cx) / rx, (y - cy) / ry
        k = math.hypot(dx, dy)
        if k == 0:
            return -min(rx, ry)
        g = math.hypot(dx / rx, dy / ry)
        return (k - 1.0) * k / g
    return f


def box(cx, cy, hw, hh, r=0.0):
    def f(x, y):
        qx = abs(x - cx) - hw + r
        qy = abs(y - cy) - hh + r
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return f


def segment(ax, ay, bx, by, r):
    def f(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        vv = vx * vx + vy * vy
        t = clamp((px * vx + py * vy) / vv) if vv else 0.0
        return math.hypot(px - vx * t, py - vy * t) - r
    return f


def polyline(points, r):
    segs = [segment(*points[i], *points[i + 1], r) for i in range(len(points) - 1)]
    return lambda x, y: min(s(x, y) for s in segs)


def polygon(points):
    n = len(points)

    def f(x, y):
        d = float('inf')
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            vx, vy = bx - ax, by - ay
            px, py = x - ax, y - ay
            vv = vx * vx + vy * vy
            t = clamp((px * vx + py * vy) / vv) if vv else 0.0
            dd = math.hypot(px - vx * t, py - vy * t)
            if dd < d:
                d = dd
            if (ay > y) != (by > y) and x < ax + (y - ay) * vx / vy:
                inside = not inside
        return -d if inside else d
    return f


def arc(cx, cy, r, w, a0, a1):
    """Ring segment from angle a0 to a1 (radians, y down), round ends."""
    e0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
    e1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))

    def f(x, y):
        a = math.atan2(y - cy, x - cx)
        while a < a0:
            a += 2 * math.pi
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - w
        return min(math.hypot(x - e0[0], y - e0[1]), math.hypot(x - e1[0], y - e1[1])) - w
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def intersect(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def offset(f, d):
    return lambda x, y: f(x, y) - d


def vgradient(top, bottom, y0, y1):
    def p(x, y):
        return mix(top, bottom, clamp((y - y0) / (y1 - y0)))
    return p


def radial(inner, outer, cx, cy, r):
    def p(x, y):
        return mix(inner, outer, clamp(math.hypot(x - cx, y - cy) / r))
    return p


# Text through ImageMagick: an 8-bit coverage mask ---------------------------

FONT_BOLD = '/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf'
FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf'


def text_mask(text, font, points, w, h, x, y):
    """Renders text (baseline at y) into a w x h coverage mask."""
    out = subprocess.run(
        ['convert', '-size', f'{w}x{h}', 'xc:black', '-font', font,
         '-pointsize', str(points), '-fill', 'white',
         '-annotate', f'+{x}+{y}', text, '-depth', '8', 'gray:-'],
        check=True, capture_output=True).stdout
    assert len(out) == w * h, 'unexpected mask size'
    return out


# Writers -------------------------------------------------------------------

def png_bytes(img):
    raw = bytearray()
    data = img.bytes_rgba()
    stride = img.w * 4
    for y in range(img.h):
        raw.append(0)
        raw += data[y * stride:(y + 1) * stride]

    def chunk(tag, body):
        c = tag + body
        return struct.pack('>I', len(body)) + c + struct.pack('>I', zlib.crc32(c) & 0xffffffff)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', img.w, img.h, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def bgr_rows(img, bottom_up=True, bpp=24):
    """DIB pixel rows, padded to 4 bytes, bottom row first when bottom_up."""
    data = img.bytes_rgba()
    rows = []
    for y in range(img.h):
        row = bytearray()
        for x in range(img.w):
            i = (y * img.w + x) * 4
            row += bytes((data[i + 2], data[i + 1], data[i]))
            if bpp == 32:
                row.append(data[i + 3])
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    if bottom_up:
        rows.reverse()
    return b''.join(rows)


def bmp_bytes(img):
    """A 24-bit .bmp file (bottom-up rows, as every reader expects)."""
    pixels = bgr_rows(img)
    header = struct.pack('<IiiHHIIiiII', 40, img.w, img.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + 40 + len(pixels), 0, 0, 54) + header + pixels


def ico_bytes(images):
    """An .ico with one 32-bit image (alpha plus AND mask) per size."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        xor = bgr_rows(img, True, 32)
        mask_stride = ((img.w + 31) // 32) * 4
        mask = bytearray()
        data = img.bytes_rgba()
        for y in reversed(range(img.h)):
            row = bytearray(mask_stride)
            for x in range(img.w):
                if data[(y * img.w + x) * 4 + 3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack('<IiiHHIIiiII', 40, img.w, img.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + xor + bytes(mask)
        entries.append(struct.pack('<BBBBHHII', img.w % 256, img.h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)
