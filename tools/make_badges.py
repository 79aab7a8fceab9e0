#!/usr/bin/python3
"""Draws the three badge pictures and the program icon into assets/.

    assets/game_not_running.png   "流星未启动"
    assets/hotkeys_on.png         "热键已开启"
    assets/hotkeys_off.png        "热键已关闭"
    assets/quelvin.ico            16x16, 32x32 and 48x48, 32-bit with alpha

The build does not run this script; the pictures it writes are committed and embedded
into the program by cmake/assets.cmake. Run it after changing the art, look at the
results enlarged, and commit them.

What it needs (Debian 12):
    apt-get install python3-pil fonts-wqy-zenhei icc-profiles-free
Debian's own python3 is the one with Pillow, hence the shebang. It finds assets/ from its
own path, so any working directory will do:
    tools/make_badges.py
    convert assets/hotkeys_on.png -scale 800% /tmp/hotkeys_on_big.png   # to look at one

Reruns write the same bytes: the sky texture comes from an integer hash, not from a
random generator, every PNG chunk is written here with a fixed zlib level, and nothing
records a time. The output changes only when the art here, the font, the ICC profile or
zlib change (the versions used last are checked below and a difference is reported).
"""

import hashlib
import math
import os
import struct
import sys
import zlib

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ASSETS = os.path.join(ROOT, "assets")

# WenQuanYi Zen Hei's "Sharp" face carries hand-tuned monochrome bitmaps for 12 to 16
# pixels; at the badge's size they read far better than anti-aliased outlines.
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"  # package fonts-wqy-zenhei
FONT_FACE = "WenQuanYi Zen Hei Sharp"
# sRGB v2 profile (lcms-generated, "no copyright, use freely") from icc-profiles-free.
ICC_PATH = "/usr/share/color/icc/sRGB.icc"
ICC_NAME = b"sRGB"

# What the committed files were made from; another version may draw other bytes.
KNOWN_INPUTS = {
    FONT_PATH: "79c18ebe7b811951e8311bad7103ebeae8c337ed9988ea69e8a78a66cfe029b9",
    ICC_PATH: "2a92d4bae450b76d8b0aa42193df974d75f62738ecebf74f01c5e75b12a95796",
}
KNOWN_ZLIB = "1.2.13"

WIDTH, HEIGHT = 123, 40
DIVIDER_X = 36

# "current state", in two lines left of the divider.
LABEL_LINES = ("\u5f53\u524d", "\u72b6\u6001")  # 当前 / 状态
LABEL_SIZE = 13
STATE_SIZE = 15
BADGES = (
    ("game_not_running.png", "\u6d41\u661f\u672a\u542f\u52a8"),  # 流星未启动
    ("hotkeys_on.png", "\u70ed\u952e\u5df2\u5f00\u542f"),  # 热键已开启
    ("hotkeys_off.png", "\u70ed\u952e\u5df2\u5173\u95ed"),  # 热键已关闭
)

WHITE = (255, 255, 255)
STATE_BLUE = (184, 232, 255)
TEXT_OUTLINE = (14, 44, 92)
HALO_OFFSETS = ((-1, 0), (1, 0), (0, -1), (0, 1))
HALO_ALPHA = 110
SHADOW_OFFSETS = ((1, 1),)
SHADOW_ALPHA = 210
EDGE_BLUE = (30, 76, 140)
# The soft outline. With these the outermost ring gets alpha of about 4 at the sides, 31
# along the top and 37 along the bottom, and the panel is reached 3 to 4 pixels in.
CORNER_RADIUS = 5.0
EDGE_INSETS = (0.2, -0.333, -0.425)  # sides, top, bottom
EDGE_RAMP = 3.4
SKY_TOP = (58, 128, 206)
SKY_BOTTOM = (104, 170, 232)
CLOUD = (196, 226, 250)
CLOUD_STRENGTH = 0.38
DOT_BLUE = (64, 132, 204)


# ---------------------------------------------------------------- small numeric helpers


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(lo, hi, v):
    t = clamp01((v - lo) / (hi - lo))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def to_byte(v):
    return max(0, min(255, int(v + 0.5)))


def hash01(ix, iy, seed):
    """A fixed pseudo-random value in [0, 1) for a lattice point (pure integer math)."""
    h = (ix * 374761393 + iy * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFFFF) / float(0x1000000)


def value_noise(x, y, seed):
    ix, iy = int(x // 1), int(y // 1)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a = hash01(ix, iy, seed)
    b = hash01(ix + 1, iy, seed)
    c = hash01(ix, iy + 1, seed)
    d = hash01(ix + 1, iy + 1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return top + (bottom - top) * sy


def clouds(x, y):
    """Soft, wide cloud banks in [0, 1]: three octaves of value noise, stretched sideways."""
    total, weight, amp, freq = 0.0, 0.0, 1.0, 1.0
    for octave in range(3):
        total += amp * value_noise(x * freq / 22.0, y * freq / 8.0, 11 + octave)
        weight += amp
        amp *= 0.5
        freq *= 2.0
    return total / weight


def over(dst, src):
    """Straight-alpha source-over of two (r, g, b, a) tuples with alpha in 0..1."""
    sr, sg, sb, sa = src
    dr, dg, db, da = dst
    oa = sa + da * (1.0 - sa)
    if oa <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    k = da * (1.0 - sa)
    return ((sr * sa + dr * k) / oa, (sg * sa + dg * k) / oa, (sb * sa + db * k) / oa, oa)


# ---------------------------------------------------------------- the shared background


def edge_depth(x, y, width, height, radius, insets):
    """How far the centre of pixel (x, y) lies inside a rounded rectangle, in pixels.

    `insets` place the rectangle's left/right, top and bottom edges that many pixels
    inside the image border (negative: outside it). The sides sit just inside, so the
    outermost column is all but transparent; top and bottom sit a little outside, so the
    outermost rows keep a faint line that still outlines the badge on bright scenery.
    """
    side, top, bottom = insets
    cx, cy = x + 0.5, y + 0.5
    left_d = cx - side
    right_d = (width - side) - cx
    top_d = cy - top
    bottom_d = (height - bottom) - cy
    dx = min(left_d, right_d)
    dy = min(top_d, bottom_d)
    if dx < radius and dy < radius:
        ox, oy = radius - dx, radius - dy
        return radius - math.sqrt(ox * ox + oy * oy)
    return min(dx, dy)


def badge_background():
    """The light-blue sky panel with its soft outline, as rows of float RGBA pixels."""
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            depth = edge_depth(x, y, WIDTH, HEIGHT, CORNER_RADIUS, EDGE_INSETS)
            ramp = smoothstep(0.0, EDGE_RAMP, depth)
            sky_t = y / (HEIGHT - 1.0)
            sky = mix(SKY_TOP, SKY_BOTTOM, sky_t)
            cloud = clouds(x, y)
            puff = smoothstep(0.45, 0.85, cloud)
            colour = mix(sky, CLOUD, CLOUD_STRENGTH * puff)
            # The rim darkens toward the edge so the shape reads on light scenery too.
            colour = mix(EDGE_BLUE, colour, smoothstep(0.3, 3.2, depth))
            alpha = (204.0 + 6.0 * puff) * ramp
            row.append((colour[0], colour[1], colour[2], alpha / 255.0))
        rows.append(row)
    return rows


# ---------------------------------------------------------------- text


def load_font(size):
    for index in range(4):
        try:
            font = ImageFont.truetype(FONT_PATH, size, index=index)
        except OSError:
            break
        if font.getname()[0] == FONT_FACE:
            return font
    sys.exit("make_badges: no face %r in %s (apt-get install fonts-wqy-zenhei)" % (FONT_FACE, FONT_PATH))


def text_mask(text, size):
    """The set of (x, y) ink pixels of one line, with its ink box starting at (0, 0)."""
    font = load_font(size)
    canvas = Image.new("L", (size * (len(text) + 2), size * 3), 0)
    ImageDraw.Draw(canvas).text((size, size), text, font=font, fill=255)
    values = set(canvas.getdata())
    if not values <= {0, 255}:
        sys.exit("make_badges: %s at %d px was anti-aliased, not drawn from its bitmaps" % (FONT_FACE, size))
    left, top, right, bottom = canvas.getbbox()
    ink = set()
    for y in range(top, bottom):
        for x in range(left, right):
            if canvas.getpixel((x, y)):
                ink.add((x - left, y - top))
    return ink, right - left, bottom - top


def place(ink, dx, dy):
    return {(x + dx, y + dy) for x, y in ink}


def draw_text(pixels, ink, colour):
    """Paints glyph pixels opaque over a dark drop shadow and a faint halo, so that light
    text keeps its strokes apart and stays legible over any game scenery."""
    def shade(offsets, alpha):
        spots = set()
        for x, y in ink:
            for ox, oy in offsets:
                spots.add((x + ox, y + oy))
        spots -= ink
        tone = TEXT_OUTLINE + (alpha / 255.0,)
        for x, y in sorted(spots):
            if 0 <= x < WIDTH and 0 <= y < HEIGHT:
                pixels[y][x] = over(pixels[y][x], tone)

    shade(HALO_OFFSETS, HALO_ALPHA)
    shade(SHADOW_OFFSETS, SHADOW_ALPHA)
    for x, y in sorted(ink):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            pixels[y][x] = colour + (1.0,)


def label_ink():
    """The two label lines (当前 over 状态), centred as a block left of the divider."""
    lines = [text_mask(line, LABEL_SIZE) for line in LABEL_LINES]
    gap = 3
    block_h = sum(h for _, _, h in lines) + gap
    y = (HEIGHT - block_h) // 2
    ink = set()
    for mask, w, h in lines:
        ink |= place(mask, (DIVIDER_X - w) // 2, y)
        y += h + gap
    check_inside(ink, 3, DIVIDER_X - 2, "the label")
    return ink


def state_ink(text):
    mask, w, h = text_mask(text, STATE_SIZE)
    left = DIVIDER_X + 1
    ink = place(mask, left + (WIDTH - left - w) // 2, (HEIGHT - h) // 2)
    check_inside(ink, DIVIDER_X + 2, WIDTH - 4, "the state text")
    return ink


def check_inside(ink, x0, x1, what):
    """Text with its shadow must clear the divider and the soft rim (3 px) on every side."""
    xs = [x for x, _ in ink]
    ys = [y for _, y in ink]
    if min(xs) < x0 or max(xs) + 1 > x1 or min(ys) < 3 or max(ys) + 1 > HEIGHT - 4:
        sys.exit("make_badges: %s does not fit its panel; use a smaller font size" % what)


def badge(text):
    pixels = badge_background()
    draw_text(pixels, label_ink(), WHITE)
    draw_text(pixels, state_ink(text), STATE_BLUE)
    rgba = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            r, g, b, a = pixels[y][x]
            if x == DIVIDER_X:
                row.append((255, 255, 255, 255))  # the divider runs through the outline too
            elif a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append((to_byte(r), to_byte(g), to_byte(b), to_byte(a * 255.0)))
        rgba.append(row)
    for x, y in ((0, 0), (WIDTH - 1, 0), (0, HEIGHT - 1), (WIDTH - 1, HEIGHT - 1)):
        assert rgba[y][x][3] == 0, "corner pixel (%d, %d) is not transparent" % (x, y)
    return rgba


# ---------------------------------------------------------------- PNG writer


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered_rows(rgba):
    """Each scanline with the filter whose residuals, read as signed bytes, have the
    smallest absolute sum (the usual heuristic); ties go to the lower filter number."""
    bpp = 4
    previous = bytes(len(rgba[0]) * bpp)
    out = bytearray()
    for row in rgba:
        raw = bytes(v for px in row for v in px)
        candidates = []
        for kind in range(5):
            line = bytearray(len(raw))
            for i, value in enumerate(raw):
                a = raw[i - bpp] if i >= bpp else 0
                b = previous[i]
                c = previous[i - bpp] if i >= bpp else 0
                predictor = (0, a, b, (a + b) // 2, paeth(a, b, c))[kind]
                line[i] = (value - predictor) & 0xFF
            cost = sum(v if v < 128 else 256 - v for v in line)
            candidates.append((cost, kind, line))
        _, kind, line = min(candidates, key=lambda c: (c[0], c[1]))
        out.append(kind)
        out += line
        previous = raw
    return bytes(out)


def compress(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_DEFAULT_STRATEGY)
    return packer.compress(data) + packer.flush()


def png_bytes(rgba, icc_profile):
    height, width = len(rgba), len(rgba[0])
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    phys = struct.pack(">IIB", 3780, 3780, 1)  # 96 dots per inch, the desktop's own
    iccp = ICC_NAME + b"\0\0" + compress(icc_profile)
    # The sRGB primaries and D65 white point, for readers that ignore iCCP.
    chrm = struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"pHYs", phys) + chunk(b"iCCP", iccp)
            + chunk(b"cHRM", chrm) + chunk(b"IDAT", compress(filtered_rows(rgba))) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- the program icon


def icon_pixels(size):
    """A sky tile with a soft rounded outline and a white speech bubble: sentences that
    go into the game's chat. Laid out on a 48-pixel grid and drawn with 8 x 8 samples
    per pixel, so every size comes out smooth."""
    n = 8
    s = size / 48.0
    radius, margin = 9.0 * s, 1.0 * s
    rim = max(1.0, 2.5 * s)

    def tile_depth(px, py):
        half_w = size / 2.0 - margin
        qx = abs(px - size / 2.0) - (half_w - radius)
        qy = abs(py - size / 2.0) - (half_w - radius)
        outside = math.sqrt(max(qx, 0.0) ** 2 + max(qy, 0.0) ** 2)
        return radius - outside - min(max(qx, qy), 0.0)

    def in_bubble(u, v):
        du, dv = (u - 24.0) / 17.0, (v - 21.0) / 12.0
        if du * du + dv * dv <= 1.0:
            return True
        # The tail, a triangle to the lower left.
        (x1, y1), (x2, y2), (x3, y3) = (13.0, 27.0), (22.0, 31.0), (9.5, 39.5)
        d1 = (x2 - x1) * (v - y1) - (y2 - y1) * (u - x1)
        d2 = (x3 - x2) * (v - y2) - (y3 - y2) * (u - x2)
        d3 = (x1 - x3) * (v - y3) - (y1 - y3) * (u - x3)
        return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)

    def in_dot(u, v):
        for cx in (15.0, 24.0, 33.0):
            du, dv = u - cx, v - 21.0
            if du * du + dv * dv <= 3.4 * 3.4:
                return True
        return False

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            sky = mix(SKY_TOP, SKY_BOTTOM, y / (size - 1.0))
            puff = smoothstep(0.45, 0.85, clouds(x / s / 2.0, y / s / 2.0))
            sky = mix(sky, CLOUD, CLOUD_STRENGTH * puff)
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied sums
            for j in range(n):
                for i in range(n):
                    px, py = x + (i + 0.5) / n, y + (j + 0.5) / n
                    depth = tile_depth(px, py)
                    if depth <= 0.0:
                        continue
                    # Opaque inside; the outermost pixel fades out like the badge's edge.
                    alpha = smoothstep(0.0, 1.0, depth)
                    colour = mix(EDGE_BLUE, sky, smoothstep(0.0, rim, depth))
                    u, v = px / s, py / s
                    if in_bubble(u, v):
                        colour = DOT_BLUE if in_dot(u, v) else WHITE
                    for k in range(3):
                        acc[k] += colour[k] * alpha
                    acc[3] += alpha
            if acc[3] <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(to_byte(acc[k] / acc[3]) for k in range(3)) + (to_byte(acc[3] / (n * n) * 255.0),))
        rows.append(row)
    return rows


def ico_bytes(images):
    """An icon file of 32-bit BGRA DIB images (with their AND masks), which every Windows
    version and resource compiler reads."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for rows in images:
        size = len(rows)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = bytearray()
        for row in reversed(rows):  # DIBs are stored bottom-up
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            line = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += line
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


# ---------------------------------------------------------------- main


def check_inputs():
    for path, digest in KNOWN_INPUTS.items():
        if not os.path.exists(path):
            sys.exit("make_badges: %s is missing (see the install line at the top of this script)" % path)
        with open(path, "rb") as f:
            if hashlib.sha256(f.read()).hexdigest() != digest:
                print("make_badges: note: %s differs from the one the committed pictures were drawn with" % path)
    if zlib.ZLIB_VERSION != KNOWN_ZLIB:
        print("make_badges: note: zlib %s, not %s: the PNG bytes may differ" % (zlib.ZLIB_VERSION, KNOWN_ZLIB))


def write(name, data):
    path = os.path.join(ASSETS, name)
    with open(path, "wb") as f:
        f.write(data)
    print("%-28s %6d bytes" % (os.path.relpath(path, ROOT), len(data)))


def main():
    check_inputs()
    with open(ICC_PATH, "rb") as f:
        icc_profile = f.read()
    os.makedirs(ASSETS, exist_ok=True)
    for name, text in BADGES:
        write(name, png_bytes(badge(text), icc_profile))
    write("quelvin.ico", ico_bytes([icon_pixels(size) for size in (16, 32, 48)]))


if __name__ == "__main__":
    main()
