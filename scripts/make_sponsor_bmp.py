#!/usr/bin/env python3
"""Draws the sample sponsor picture (server/sample/sponsor/sponsor.bmp): an 88x31 banner, 24-bit
BMP, well under the ticker's 20000-byte picture buffer. Run it again after changing the art."""
import struct
import sys

WIDTH, HEIGHT = 88, 31

# A 5x7 pixel font for the few letters the banner needs.
FONT = {
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "X": ["10001", "01010", "00100", "00100", "00100", "01010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
}


def draw():
    # Rows top to bottom of (r, g, b): a purple gradient with a white frame.
    pixels = [[(90 + y * 3, 20, 140 + y * 2) for x in range(WIDTH)] for y in range(HEIGHT)]
    for x in range(WIDTH):
        pixels[0][x] = pixels[HEIGHT - 1][x] = (255, 255, 255)
    for y in range(HEIGHT):
        pixels[y][0] = pixels[y][WIDTH - 1] = (255, 255, 255)
    text, scale = "VEXLO!", 2
    left = (WIDTH - len(text) * 6 * scale + scale) // 2
    top = (HEIGHT - 7 * scale) // 2
    for i, letter in enumerate(text):
        for row, bits in enumerate(FONT[letter]):
            for col, bit in enumerate(bits):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = left + (i * 6 + col) * scale + dx
                        y = top + row * scale + dy
                        pixels[y][x] = (255, 230, 0)
    return pixels


def bmp(pixels):
    stride = (WIDTH * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):  # BMP rows run bottom to top
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        body += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + bytes(body)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "server/sample/sponsor/sponsor.bmp"
    with open(out, "wb") as f:
        f.write(bmp(draw()))
