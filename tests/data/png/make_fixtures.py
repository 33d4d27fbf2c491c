#!/usr/bin/env python3
"""Writes the small PNG files of this folder with exactly known pixels.

Every file shows the same 9 x 7 picture (odd sizes exercise all seven
interlace passes) in another PNG flavour, so the tests can compare each one
with its 8-bit RGB or RGBA twin. Run from anywhere: python3 make_fixtures.py
"""
import os
import struct
import zlib

W, H = 9, 7
ALPHAS = [0, 1, 64, 127, 128, 200, 254, 255]
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def colour(x, y):
    return ((x * 29 + y * 5) & 255, (y * 37 + 11) & 255, (x * y * 13 + 70) & 255)


def alpha(x, y):
    return ALPHAS[(x + y * W) % len(ALPHAS)]


def grey(x, y):
    return (x * 28 + y * 3) & 255


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack_row(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def image_data(w, h, pixel, depth, interlace):
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    raw = bytearray()
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, w, dx))
        for y in range(y0, h, dy):
            if not xs:
                continue
            samples = [s for x in xs for s in pixel(x, y)]
            raw += b"\0" + pack_row(samples, depth)
    return zlib.compress(bytes(raw), 9)


def write_png(name, ctype, depth, pixel, w=W, h=H, plte=None, trns=None, interlace=False):
    ihdr = struct.pack(">IIBBBBB", w, h, depth, ctype, 0, 0, 1 if interlace else 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    if plte is not None:
        data += chunk(b"PLTE", plte)
    if trns is not None:
        data += chunk(b"tRNS", trns)
    data += chunk(b"IDAT", image_data(w, h, pixel, depth, interlace)) + chunk(b"IEND", b"")
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), name), "wb") as f:
        f.write(data)


def palette_of(entries):
    index = {}
    for e in entries:
        index.setdefault(e, len(index))
    return index


def main():
    rgb = lambda x, y: colour(x, y)
    rgba = lambda x, y: colour(x, y) + (alpha(x, y),)
    write_png("rgb8.png", 2, 8, rgb)
    write_png("rgb8_interlaced.png", 2, 8, rgb, interlace=True)
    write_png("rgb16.png", 2, 16, lambda x, y: tuple(c * 257 for c in colour(x, y)))
    write_png("rgba8.png", 6, 8, rgba)
    write_png("rgba8_interlaced.png", 6, 8, rgba, interlace=True)
    write_png("rgba16.png", 6, 16, lambda x, y: tuple(c * 257 for c in rgba(x, y)))
    write_png("rgba8_33x32.png", 6, 8, lambda x, y: (200, 100, 50, 255), w=33, h=32)

    pal = palette_of([colour(x, y) for y in range(H) for x in range(W)])
    write_png("palette8.png", 3, 8, lambda x, y: (pal[colour(x, y)],), plte=b"".join(bytes(c) for c in pal))
    pal_a = palette_of([rgba(x, y) for y in range(H) for x in range(W)])
    write_png("palette8_trns.png", 3, 8, lambda x, y: (pal_a[rgba(x, y)],),
              plte=b"".join(bytes(e[:3]) for e in pal_a), trns=bytes(e[3] for e in pal_a))
    write_png("grey1.png", 0, 1, lambda x, y: ((x + y) % 2,))
    write_png("grey_alpha8.png", 4, 8, lambda x, y: (grey(x, y), alpha(x, y)))
    write_png("grey_alpha16_interlaced.png", 4, 16, lambda x, y: (grey(x, y) * 257, alpha(x, y) * 257),
              interlace=True)


if __name__ == "__main__":
    main()
