#!/usr/bin/env python3
"""Draws the program's pictures, cursors, icons and sounds from the text sources in src/res/art
and writes them, with a resource script that names them, into the build tree.

    make_resources.py ART_DIR OUT_DIR

Each source file in ART_DIR describes one image, one drawing or one sound; the format is
described in ART_DIR/README.md. Resource ids are numbers, names from ART_DIR/../resource.h, or
quoted names ("generic"). Everything is computed from the sources alone, so two runs give the
same bytes. Only the standard library is used: the build machine needs nothing but Python.
"""
import math
import os
import re
import struct
import sys

# The three greys LoadImage's LR_LOADMAP3DCOLORS swaps for the user's 3-D colours. The button
# face is the background of every bitmap; the other two are kept out of the drawn pictures so
# that no colour in them changes on a non-grey desktop theme.
BUTTON_FACE = (192, 192, 192)
MAPPED_GREYS = {(128, 128, 128), (192, 192, 192), (223, 223, 223)}

TRANSPARENT = "transparent"
INVERT = "invert"


class SourceError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Reading the sources


class Source:
    def __init__(self, path):
        self.path = path
        self.file = os.path.basename(path)
        self.kind = None          # bitmap, cursor, icon, picture, wave, font
        self.ids = []             # resource ids: ints or upper-case names
        self.size = None          # (width, height)
        self.hotspot = None       # cursors
        self.colours = {}         # character -> (r, g, b), TRANSPARENT or INVERT
        self.rows = []
        self.settings = {}        # other "key value" lines, e.g. of drawings and sounds
        self.notes = []           # sounds: (start, pitch, length, level)
        self.glyphs = {}          # fonts: character -> rows

    def fail(self, line_no, message):
        raise SourceError(f"{self.path}:{line_no}: {message}")


KINDS = ("bitmap", "cursor", "icon", "picture", "wave", "font")


def parse_id(token, names, source, line_no):
    if token.isdigit():
        return int(token)
    if len(token) >= 2 and token[0] == token[-1] == '"':
        name = token[1:-1]
        if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", name):
            source.fail(line_no, f"resource name {token} must be a plain word")
        # The resource compiler stores names upper-case; lookups ignore case.
        return name.upper()
    if token in names:
        return names[token]
    source.fail(line_no, f"{token} is neither a number, a quoted name nor an id in resource.h")


def parse_colour(words, source, line_no):
    if words and words[0] in (TRANSPARENT, INVERT):
        return words[0]
    try:
        rgb = tuple(int(w) for w in words[:3])
    except ValueError:
        rgb = ()
    if len(rgb) != 3 or not all(0 <= c <= 255 for c in rgb):
        source.fail(line_no, "a colour is three numbers 0-255, 'transparent' or 'invert'")
    return rgb


def read_source(path, names):
    source = Source(path)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i = 0
    glyph = None
    while i < len(lines):
        line_no, line = i + 1, lines[i].rstrip()
        i += 1
        if glyph is not None:
            if line == "":
                glyph = None
            else:
                source.glyphs[glyph].append(line)
            continue
        if line == "" or line.startswith("#"):
            continue
        try:
            glyph = read_line(source, line, line_no, names)
        except (ValueError, IndexError):
            source.fail(line_no, f"cannot read {line!r}")
        if line.split()[0] == "pixels":
            while i < len(lines) and lines[i].rstrip() != "":
                source.rows.append(lines[i].rstrip())
                i += 1
    if not source.kind:
        raise SourceError(f"{path}: says nothing about what it is ({', '.join(KINDS)})")
    check_source(source)
    return source


def read_line(source, line, line_no, names):
    """Takes in one line outside pixel rows and glyphs; returns the glyph it opens, if any."""
    words = line.split()
    key, args = words[0], words[1:]
    if key in KINDS:
        if source.kind:
            source.fail(line_no, "one image or sound per file")
        source.kind = key
        source.ids = [parse_id(a, names, source, line_no) for a in args]
    elif key == "size":
        source.size = (int(args[0]), int(args[1]))
    elif key == "hotspot":
        source.hotspot = (int(args[0]), int(args[1]))
    elif key == "colour":
        # The character stands alone so that '#' and '.' can be colours too.
        char = args[0]
        if len(char) != 1:
            source.fail(line_no, "a colour is named by a single character")
        if char in source.colours:
            source.fail(line_no, f"colour {char!r} given twice")
        source.colours[char] = parse_colour(args[1:], source, line_no)
    elif key == "note":
        start, pitch, length, level = args
        source.notes.append((float(start), pitch_frequency(pitch, source, line_no),
                             float(length), float(level)))
    elif key == "glyph":
        source.glyphs[args[0]] = []
        return args[0]
    elif key != "pixels":
        source.settings[key] = " ".join(args)
    return None


SETTINGS = {"picture": {"draw", "text", "scale", "text-top"},
            "wave": {"rate", "bits", "length", "volume"}}


def check_source(source):
    unknown = sorted(set(source.settings) - SETTINGS.get(source.kind, set()))
    if unknown:
        raise SourceError(f"{source.path}: {source.kind} does not know {', '.join(unknown)}")
    if source.kind == "font":
        heights = {len(rows) for rows in source.glyphs.values()}
        if len(heights) > 1:
            raise SourceError(f"{source.path}: glyphs of different heights {sorted(heights)}")
        for char, rows in source.glyphs.items():
            if any(set(row) - {"#", "."} for row in rows):
                raise SourceError(f"{source.path}: glyph {char!r} uses more than '#' and '.'")
    check_pixels(source)


def check_pixels(source):
    if source.kind not in ("bitmap", "cursor", "icon"):
        return
    if not source.size:
        raise SourceError(f"{source.path}: has no size")
    width, height = source.size
    if len(source.rows) != height:
        raise SourceError(f"{source.path}: {len(source.rows)} rows of pixels, size says {height}")
    for n, row in enumerate(source.rows):
        if len(row) != width:
            raise SourceError(f"{source.path}: pixel row {n} is {len(row)} wide, not {width}")
        for char in row:
            if char not in source.colours:
                raise SourceError(f"{source.path}: pixel row {n} uses {char!r}, not in the legend")
    used = set("".join(source.rows))
    unused = sorted(set(source.colours) - used)
    if unused:
        raise SourceError(f"{source.path}: legend colours {''.join(unused)!r} are never used")
    if source.kind == "bitmap":
        if any(not isinstance(c, tuple) for c in source.colours.values()):
            raise SourceError(f"{source.path}: a bitmap has no transparent or inverted pixels")
    if source.kind == "icon" and INVERT in source.colours.values():
        raise SourceError(f"{source.path}: an icon has no inverted pixels")
    if source.kind == "cursor":
        for colour in source.colours.values():
            if isinstance(colour, tuple) and colour not in ((0, 0, 0), (255, 255, 255)):
                raise SourceError(f"{source.path}: a monochrome cursor is black and white only")
        if not source.hotspot:
            raise SourceError(f"{source.path}: a cursor needs a hotspot")


def read_resource_ids(header):
    names = {}
    with open(header, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*#define\s+(\w+)\s+(\d+)\b", line)
            if m:
                names[m.group(1)] = int(m.group(2))
    return names


NOTE_STEPS = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}


def pitch_frequency(pitch, source, line_no):
    """Equal temperament from A4 = 440 Hz: 'C6', 'F#5', 'Bb4'."""
    m = re.fullmatch(r"([A-G])([#b]?)(\d)", pitch)
    if not m:
        source.fail(line_no, f"pitch {pitch!r} is not a note name such as C6 or F#5")
    step = NOTE_STEPS[m.group(1)] + {"#": 1, "b": -1, "": 0}[m.group(2)]
    step += 12 * (int(m.group(3)) - 4)
    return 440.0 * 2.0 ** (step / 12.0)


# ---------------------------------------------------------------------------------------------
# File formats


def le(fmt, *values):
    return struct.pack("<" + fmt, *values)


def palette_bytes(palette):
    """A full 256-entry colour table: every reader finds the pixels after it, whether it sizes
    the table by the bit count or by the header's colour count."""
    padded = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    return b"".join(le("BBBB", b, g, r, 0) for (r, g, b) in padded)


def dib_header(width, height, bits, image_size):
    colours = 256 if bits == 8 else 0
    return le("IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def rows_8bit(width, height, indices):
    """Bottom-up rows of one byte per pixel, each padded to four bytes."""
    stride = (width + 3) & ~3
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytes(indices[y * width:(y + 1) * width])
        out += row + b"\0" * (stride - width)
    return bytes(out)


def rows_1bit(width, height, bits):
    """Bottom-up rows of one bit per pixel, most significant first, padded to four bytes."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            if bits[y * width + x]:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def bmp_8bit(width, height, palette, indices):
    if len(palette) > 256:
        raise SourceError("more than 256 colours")
    pixels = rows_8bit(width, height, indices)
    table = palette_bytes(palette)
    offset = 14 + 40 + len(table)
    header = b"BM" + le("IHHI", offset + len(pixels), 0, 0, offset)
    return header + dib_header(width, height, 8, len(pixels)) + table + pixels


def icon_image_8bit(width, height, palette, indices, transparent):
    """The DIB of one icon image: colour rows then the AND mask, height counted for both."""
    colour = rows_8bit(width, height, indices)
    mask = rows_1bit(width, height, transparent)
    header = dib_header(width, height * 2, 8, len(colour) + len(mask))
    return header + palette_bytes(palette) + colour + mask


def cursor_image_1bit(width, height, xor_bits, and_bits):
    colour = rows_1bit(width, height, xor_bits)
    mask = rows_1bit(width, height, and_bits)
    header = le("IiiHHIIiiII", 40, width, height * 2, 1, 1, 0, len(colour) + len(mask), 0, 0, 2, 0)
    return header + le("BBBB", 0, 0, 0, 0) + le("BBBB", 255, 255, 255, 0) + colour + mask


def icon_file(kind, entries):
    """An .ico (kind 1) or .cur (kind 2) file. entries: (width, height, colours, planes_or_x,
    bits_or_y, image bytes); a cursor's directory carries its hot spot where an icon's has
    planes and bit count."""
    out = le("HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for width, height, colours, a, b, image in entries:
        out += le("BBBBHHII", width % 256, height % 256, colours, 0, a, b, len(image),
                  offset + len(body))
        body += image
    return out + body


def wave_file(rate, bits, samples):
    if bits == 16:
        data = b"".join(le("h", s) for s in samples)
    else:
        data = bytes(s + 128 for s in samples)
    block = bits // 8
    fmt = le("HHIIHH", 1, 1, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + le("I", len(fmt)) + fmt + b"data" + le("I", len(data)) + data
    if len(data) % 2:
        body += b"\0"
    return b"RIFF" + le("I", len(body)) + body


# ---------------------------------------------------------------------------------------------
# Character maps


def legend_palette(source):
    """The colour table of a map: its legend's colours in the order given."""
    palette = []
    for colour in source.colours.values():
        if isinstance(colour, tuple) and colour not in palette:
            palette.append(colour)
    return palette


def map_indices(source, palette):
    indices, transparent = [], []
    for row in source.rows:
        for char in row:
            colour = source.colours[char]
            indices.append(palette.index(colour) if isinstance(colour, tuple) else 0)
            transparent.append(1 if colour == TRANSPARENT else 0)
    return indices, transparent


def make_bitmap(source):
    palette = legend_palette(source)
    if BUTTON_FACE not in palette:
        raise SourceError(f"{source.path}: a bitmap's background is the button face 192 192 192")
    indices, _ = map_indices(source, palette)
    return bmp_8bit(*source.size, palette, indices)


def make_cursor(source):
    width, height = source.size
    xor_bits, and_bits = [], []
    for row in source.rows:
        for char in row:
            colour = source.colours[char]
            and_bits.append(1 if colour in (TRANSPARENT, INVERT) else 0)
            xor_bits.append(1 if colour in ((255, 255, 255), INVERT) else 0)
    x, y = source.hotspot
    if not (0 <= x < width and 0 <= y < height):
        raise SourceError(f"{source.path}: the hot spot lies outside the cursor")
    image = cursor_image_1bit(width, height, xor_bits, and_bits)
    return icon_file(2, [(width, height, 2, x, y, image)])


def make_icon(sources):
    entries = []
    for source in sorted(sources, key=lambda s: -s.size[0]):
        width, height = source.size
        palette = legend_palette(source)
        if len(palette) > 256:
            raise SourceError(f"{source.path}: more than 256 colours")
        indices, transparent = map_indices(source, palette)
        image = icon_image_8bit(width, height, palette, indices, transparent)
        entries.append((width, height, 0, 1, 8, image))
    sizes = [e[0] for e in entries]
    if len(set(sizes)) != len(sizes):
        raise SourceError(f"{sources[0].path}: two images of icon {sources[0].ids} share a size")
    return icon_file(1, entries)


# ---------------------------------------------------------------------------------------------
# Drawings: the About page's two 256-colour pictures


class Canvas:
    def __init__(self, width, height, background=BUTTON_FACE):
        self.width, self.height = width, height
        self.pixels = [background] * (width * height)

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = colour

    def fill(self, left, top, right, bottom, colour):
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, colour)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ramp(stops, t):
    """The colour at t (0..1) along a list of evenly spaced colours."""
    t = max(0.0, min(1.0, t)) * (len(stops) - 1)
    i = min(int(t), len(stops) - 2)
    return mix(stops[i], stops[i + 1], t - i)


NAVY = (18, 30, 84)
NAVY_LIGHT = (46, 78, 160)
INK = (12, 16, 40)
AMBER = (255, 220, 92)
ORANGE = (238, 124, 20)
RUST = (176, 58, 8)
RAIL = (176, 190, 214)
UP = (64, 208, 80)
DOWN = (236, 64, 56)
WORD = (246, 232, 160)
PAPER = (252, 252, 246)
PAPER_SHADE = (214, 218, 226)
TEXT_GREY = (140, 146, 160)
SHADOW = (96, 100, 116)


def font_mask(font, text, scale, spacing=1):
    """The pixels of text in a font of character maps, each map pixel drawn scale × scale."""
    height = max(len(rows) for rows in font.values())
    columns = []
    for n, char in enumerate(text):
        if char not in font:
            raise SourceError(f"the font has no glyph {char!r}")
        rows = font[char]
        width = max(len(r) for r in rows)
        if n:
            columns += [[0] * height] * spacing
        for x in range(width):
            columns.append([1 if x < len(r) and r[x] == "#" else 0 for r in rows])
    width = len(columns) * scale
    mask = set()
    for cx, column in enumerate(columns):
        for cy, on in enumerate(column):
            if on:
                for dy in range(scale):
                    for dx in range(scale):
                        mask.add((cx * scale + dx, cy * scale + dy))
    return mask, width, height * scale


def draw_lettering(canvas, mask, left, top, height):
    """Raised amber letters: a soft shadow, a dark outline, a vertical ramp and a bevel."""
    shifted = {(x + left, y + top) for (x, y) in mask}
    around = [(-1, -1), (0, -1), (1, -1), (-1, 0), (1, 0), (-1, 1), (0, 1), (1, 1)]
    outline = {(x + dx, y + dy) for (x, y) in shifted for dx, dy in around} - shifted
    solid = shifted | outline
    for (x, y) in solid:
        if (x + 2, y + 2) not in solid:
            canvas.put(x + 2, y + 2, SHADOW)
    for (x, y) in outline:
        canvas.put(x, y, INK)
    for (x, y) in shifted:
        t = (y - top) / max(1, height - 1)
        colour = ramp([AMBER, ORANGE, RUST], t)
        if (x, y - 1) not in shifted or (x - 1, y) not in shifted:
            colour = mix(colour, (255, 255, 230), 0.55)
        elif (x, y + 1) not in shifted or (x + 1, y) not in shifted:
            colour = mix(colour, (96, 24, 0), 0.45)
        canvas.put(x, y, colour)


def draw_strip(canvas, left, top, right, bottom, seed, arrow=False):
    """A ticker strip between two rails, outlined in ink: words, and quotes with up and down
    marks. With arrow set its right end narrows to a point."""
    half = (bottom - top) // 2
    middle = top + half
    taper = right - half - 1 if arrow else right
    for x in range(left, right):
        reach = half - max(0, x - taper)
        for y in range(middle - reach, middle + reach + 1):
            d = abs(y - middle)
            if d == reach:
                colour = INK
            elif d == reach - 1 and reach == half:
                colour = RAIL
            else:
                colour = mix(NAVY_LIGHT, NAVY, d / max(1, half - 1))
            canvas.put(x, y, colour)
    # The strip's content: a fixed, varied run of words and price marks, up and down in turn.
    x = left + 3
    word_top = middle - 1
    pattern = [5, 3, 7, 0, 4, 6, 2, 1, 8, 3, 5, 0, 6, 4]
    n, marks = seed, seed
    limit = taper - 2 if arrow else right - 3
    while x < limit:
        step = pattern[n % len(pattern)]
        n += 1
        if step == 0:
            colour = UP if marks % 2 == 0 else DOWN
            marks += 1
            for i in range(3):
                for dx in range(-i, i + 1):
                    y = word_top + (i if colour == UP else 2 - i)
                    if x + 2 + dx < limit:
                        canvas.put(x + 2 + dx, y, colour)
            x += 8
            continue
        length = 3 + step * 2
        for dx in range(min(length, limit - x)):
            canvas.put(x + dx, word_top, WORD)
            canvas.put(x + dx, word_top + 1, mix(WORD, NAVY, 0.35))
        x += length + (5 if n % 3 == 0 else 3)


def draw_banner(source, font):
    """The product name over a ticker strip, on the button face."""
    width, height = source.size
    canvas = Canvas(width, height)
    text = source.settings.get("text", "")
    scale = int(source.settings.get("scale", "3"))
    mask, text_width, text_height = font_mask(font, text, scale)
    left = (width - text_width) // 2
    top = int(source.settings.get("text-top", "2"))
    draw_lettering(canvas, mask, left, top, text_height)
    strip_top = top + text_height + 4
    draw_strip(canvas, 0, strip_top, width, min(height, strip_top + 9), seed=0)
    return canvas


def draw_emblem(source, font):
    """A newspaper on a blue disc, with a ticker strip running across both and out to the right
    as an arrow."""
    width, height = source.size
    canvas = Canvas(width, height)
    cx, cy, radius = 29, 24, 23.5

    def inside(x, y):
        return math.hypot(x - cx, y - cy) <= radius

    for y in range(height):
        for x in range(width):
            if not inside(x, y):
                continue
            if not all(inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                canvas.put(x, y, INK)
                continue
            d = math.hypot(x - cx, y - cy)
            # Lit from the upper left, darker towards the rim.
            t = ((x - cx) + (y - cy)) / (4 * radius) + 0.5
            colour = ramp([(150, 196, 248), (64, 120, 210), (24, 52, 128)], t)
            canvas.put(x, y, mix(colour, NAVY, max(0.0, d / radius - 0.75)))
    page = (16, 7, 40, 36)          # left, top, right, bottom (exclusive)
    behind = (19, 10, 43, 39)
    for (l, t, r, b), fill in ((behind, PAPER_SHADE), (page, PAPER)):
        for y in range(t + 1, b + 1):      # a drop shadow one pixel down and right
            canvas.put(r, y, SHADOW)
        for x in range(l + 1, r + 1):
            canvas.put(x, b, SHADOW)
        for y in range(t, b):
            for x in range(l, r):
                edge = x in (l, r - 1) or y in (t, b - 1)
                shade = (x - l) / (r - l) * 0.12
                canvas.put(x, y, INK if edge else mix(fill, PAPER_SHADE, shade))
    l, t, r, b = page
    # Masthead: a bold ink bar with a thin rule under it.
    canvas.fill(l + 3, t + 3, r - 3, t + 6, NAVY)
    canvas.fill(l + 4, t + 4, r - 4, t + 5, NAVY_LIGHT)
    canvas.fill(l + 3, t + 7, r - 3, t + 8, TEXT_GREY)
    # A picture in the left column, lines of text beside it.
    for y in range(t + 10, t + 17):
        for x in range(l + 3, l + 11):
            canvas.put(x, y, ramp([(120, 186, 236), (40, 110, 180)], (y - t - 10) / 6))
    canvas.fill(l + 3, t + 14, l + 11, t + 17, (56, 132, 72))
    for y in range(t + 10, t + 19, 2):
        canvas.fill(l + 13, y, r - 3 - (4 if y == t + 18 else 0), y + 1, TEXT_GREY)
    draw_strip(canvas, 1, 27, width - 1, 38, seed=3, arrow=True)
    return canvas


class Size:
    """Just the size of a drawing, for one drawn inside another."""
    def __init__(self, width, height):
        self.size = (width, height)
        self.settings = {}


def paste(canvas, picture, left, top, scale=1):
    """Draws picture onto canvas, each pixel scale × scale; its button face lets canvas show."""
    for y in range(picture.height):
        for x in range(picture.width):
            colour = picture.pixels[y * picture.width + x]
            if colour != BUTTON_FACE:
                canvas.fill(left + x * scale, top + y * scale, left + (x + 1) * scale,
                            top + (y + 1) * scale, colour)


def draw_setup_side(source, font):
    """The setup's welcome and finish pages: the emblem large over the product's name and strips
    running past, on a deep blue ground."""
    width, height = source.size
    canvas = Canvas(width, height)
    for y in range(height):
        canvas.fill(0, y, width, y + 1, ramp([NAVY, NAVY_LIGHT, NAVY], y / max(1, height - 1)))
    paste(canvas, draw_emblem(Size(58, 52), font), (width - 116) // 2, 36, scale=2)
    mask, text_width, text_height = font_mask(font, source.settings.get("text", ""), 2)
    draw_lettering(canvas, mask, (width - text_width) // 2, 160, text_height)
    for n, top in enumerate(range(206, height - 24, 26)):
        draw_strip(canvas, 0, top, width, top + 11, seed=n + 1, arrow=n % 2 == 1)
    return canvas


def draw_setup_header(source, font):
    """The setup's other pages: the emblem on the header's white, a strip running into it."""
    width, height = source.size
    canvas = Canvas(width, height, background=(255, 255, 255))
    left, top = width - 60, (height - 52) // 2
    draw_strip(canvas, 0, top + 27, left + 2, top + 38, seed=5)  # into the emblem's own strip
    paste(canvas, draw_emblem(Size(58, 52), font), left, top)
    return canvas


DRAWINGS = {"banner": draw_banner, "emblem": draw_emblem, "setup-side": draw_setup_side,
            "setup-header": draw_setup_header}


def avoid_mapped_greys(colour):
    """Nudges a colour off the greys that LR_LOADMAP3DCOLORS would replace."""
    if colour in MAPPED_GREYS and colour != BUTTON_FACE:
        return (colour[0], colour[1], min(255, colour[2] + 2))
    return colour


def shared_palette(canvases):
    """One 256-colour table for all the drawings, which the About page draws with one logical
    palette. The button face keeps its exact value; the rest is cut down by median cut."""
    counts = {}
    for canvas in canvases:
        for colour in canvas.pixels:
            if colour != BUTTON_FACE:
                counts[colour] = counts.get(colour, 0) + 1
    fixed = [BUTTON_FACE, (0, 0, 0), (255, 255, 255)]
    room = 256 - len(fixed)
    colours = sorted(counts)
    if len(colours) <= room:
        chosen = colours
    else:
        boxes = [colours]
        while len(boxes) < room:
            boxes.sort(key=lambda box: (-box_spread(box)[0], box[0]))
            box = boxes.pop(0)
            spread, channel = box_spread(box)
            if spread == 0:
                boxes.append(box)
                break
            box = sorted(box, key=lambda c: (c[channel], c))
            half = len(box) // 2
            boxes += [box[:half], box[half:]]
        chosen = []
        for box in boxes:
            weight = sum(counts[c] for c in box)
            chosen.append(tuple(int(round(sum(c[i] * counts[c] for c in box) / weight))
                                for i in range(3)))
    palette = fixed + [avoid_mapped_greys(c) for c in chosen if c not in fixed]
    return sorted(set(palette), key=palette.index)


def box_spread(box):
    spreads = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
    best = max(range(3), key=lambda i: spreads[i])
    return spreads[best], best


def distance(a, b):
    return sum((a[k] - b[k]) ** 2 for k in range(3))


def nearest_indices(canvas, palette):
    lookup = {colour: i for i, colour in enumerate(palette)}
    indices = []
    for colour in canvas.pixels:
        if colour not in lookup:
            lookup[colour] = min(range(len(palette)), key=lambda i: distance(palette[i], colour))
        indices.append(lookup[colour])
    return indices


# ---------------------------------------------------------------------------------------------
# Sounds


def synthesise(source):
    """Bell-like notes: a sine with two quieter overtones, a short attack so that nothing
    clicks, an exponential decay, and a fade to silence at the note's end."""
    rate = int(source.settings.get("rate", "22050"))
    bits = int(source.settings.get("bits", "16"))
    length = float(source.settings["length"])
    if rate not in (11025, 22050) or bits not in (8, 16):
        raise SourceError(f"{source.path}: rate 11025 or 22050, 8 or 16 bits")
    if not 0 < length <= 1.0:
        raise SourceError(f"{source.path}: a mail chime lasts at most one second")
    total = int(rate * length)
    mixed = [0.0] * total
    if not source.notes:
        raise SourceError(f"{source.path}: a sound needs notes")
    for start, frequency, note_length, level in source.notes:
        if start < 0 or note_length <= 0 or start + note_length > length + 1e-9:
            raise SourceError(f"{source.path}: a note must lie within the sound's length")
        first = int(start * rate)
        count = min(int(note_length * rate), total - first)
        decay = note_length / 4.0
        for n in range(count):
            t = n / rate
            envelope = level * min(1.0, t / 0.004) * math.exp(-t / decay)
            envelope *= min(1.0, (count - n) / (0.03 * rate))
            w = 2.0 * math.pi * frequency * t
            value = math.sin(w) + 0.3 * math.sin(2.0 * w) * math.exp(-t / (decay / 2)) \
                + 0.12 * math.sin(3.01 * w) * math.exp(-t / (decay / 3))
            mixed[first + n] += envelope * value
    peak = max(abs(v) for v in mixed) or 1.0
    full = 32767 if bits == 16 else 127
    gain = float(source.settings.get("volume", "0.7")) * full / peak
    samples = [int(round(v * gain)) for v in mixed]
    return wave_file(rate, bits, samples)


# ---------------------------------------------------------------------------------------------
# The resource script


RC_TYPES = {"bitmap": "BITMAP", "picture": "BITMAP", "cursor": "CURSOR", "icon": "ICON",
            "wave": "WAVE"}
EXTENSIONS = {"bitmap": "bmp", "picture": "bmp", "cursor": "cur", "icon": "ico", "wave": "wav"}


def rc_path(path):
    return os.path.abspath(path).replace("\\", "/").replace('"', '""')


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_resources.py ART_DIR OUT_DIR")
    art, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    names = read_resource_ids(os.path.join(art, os.pardir, "resource.h"))
    try:
        sources = [read_source(os.path.join(art, f), names)
                   for f in sorted(os.listdir(art)) if f.endswith(".txt")]
        outputs = build(sources, out)
    except (SourceError, KeyError, ValueError, IndexError) as e:
        sys.exit(f"make_resources.py: {e}")

    seen = set()
    lines = ["// Generated by scripts/make_resources.py from src/res/art: do not edit.\n"]
    for kind, ids, path, origin in outputs:
        for rid in ids:
            key = (RC_TYPES[kind], rid)
            if key in seen:
                sys.exit(f"make_resources.py: {RC_TYPES[kind]} {rid} is made twice ({origin})")
            seen.add(key)
            lines.append(f'{rid} {RC_TYPES[kind]} "{rc_path(path)}"  // {origin}\n')
    with open(os.path.join(out, "generated.rc"), "w", encoding="utf-8") as f:
        f.writelines(lines)


def build(sources, out):
    """Writes every file; returns (kind, ids, path, source names) for the resource script."""
    outputs = []
    fonts = [s for s in sources if s.kind == "font"]
    font = fonts[0].glyphs if fonts else {}

    written = set()

    def write(stem, kind, data):
        path = os.path.join(out, f"{stem}.{EXTENSIONS[kind]}")
        if path in written:
            raise SourceError(f"two sources would both write {os.path.basename(path)}")
        written.add(path)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def stem(source):
        return os.path.splitext(source.file)[0]

    makers = {"bitmap": make_bitmap, "cursor": make_cursor, "wave": synthesise}
    icons = {}
    for source in sources:
        # A picture without an id is a file for the setup, not a resource of the program.
        if not source.ids and source.kind not in ("font", "picture"):
            raise SourceError(f"{source.path}: names no resource id")
        if source.kind in makers:
            path = write(stem(source), source.kind, makers[source.kind](source))
            outputs.append((source.kind, source.ids, path, source.file))
        elif source.kind == "icon":
            icons.setdefault(tuple(source.ids), []).append(source)

    for ids, group in icons.items():
        name = os.path.commonprefix([stem(s) for s in group]).rstrip("_-") or stem(group[0])
        origin = ", ".join(s.file for s in group)
        outputs.append(("icon", list(ids), write(name, "icon", make_icon(group)), origin))

    drawings = [s for s in sources if s.kind == "picture"]
    canvases = []
    for source in drawings:
        what = source.settings.get("draw")
        if what not in DRAWINGS:
            raise SourceError(f"{source.path}: draw one of {', '.join(sorted(DRAWINGS))}")
        canvases.append(DRAWINGS[what](source, font))
    # The program's pictures share one palette; each of the setup's has its own.
    shared = [c for s, c in zip(drawings, canvases) if s.ids]
    palette = shared_palette(shared) if shared else None
    for source, canvas in zip(drawings, canvases):
        colours = palette if source.ids else shared_palette([canvas])
        data = bmp_8bit(canvas.width, canvas.height, colours, nearest_indices(canvas, colours))
        path = write(stem(source), "picture", data)
        outputs.append(("picture", source.ids, path, source.file))
    return outputs


if __name__ == "__main__":
    main()
