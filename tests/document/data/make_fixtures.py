#!/usr/bin/python3
"""The files hostile_files_test.cpp opens. Run: /usr/bin/python3 make_fixtures.py"""
import os
import struct
import subprocess
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind.encode("ascii") + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def pack_row(pixels, depth):
    samples = [s for pixel in pixels for s in pixel]
    return b"".join(struct.pack(">H", s) for s in samples) if depth == 16 else bytes(samples)


def scanlines(rows, depth, interlaced):
    height, width = len(rows), len(rows[0])
    if not interlaced:
        return b"".join(b"\0" + pack_row(row, depth) for row in rows)
    out = b""
    for x0, y0, dx, dy in ADAM7:
        for y in range(y0, height, dy):
            part = [rows[y][x] for x in range(x0, width, dx)]
            if part:
                out += b"\0" + pack_row(part, depth)
    return out


def png(rows, depth, interlaced=False, text=None, idat_pieces=1):
    height, width = len(rows), len(rows[0])
    ihdr = struct.pack(">IIBBBBB", width, height, depth, 6, 0, 0, 1 if interlaced else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr)
    if text:
        out += chunk("tEXt", text[0].encode() + b"\0" + text[1].encode())
    data = zlib.compress(scanlines(rows, depth, interlaced), 9)
    step = -(-len(data) // idat_pieces)
    for i in range(0, len(data), step):
        out += chunk("IDAT", data[i:i + step])
    return out + chunk("IEND", b"")


def to8(v):
    return (v + 128) // 257


def straight(r, g, b, a):
    return (0, 0, 0, 0) if a == 0 else (r, g, b, a)


rgba16 = [[(0xFFFF, 0x12FF, 0x0000, 0xFFFF), (0x4000, 0x8000, 0xC000, 0xFFFF)],
          [(0x1234, 0x5678, 0x9ABC, 0x0000), (0xFFFF, 0xFFFF, 0xFFFF, 0x8080)]]
# Adam7, the colour mode chunk ahead of the image data split over four IDATs.
rgba_i = [[(20 * x + 10, 20 * y + 5, (7 * x * y) % 256, 0 if (x + y) % 5 == 0 else 255)
           for x in range(9)] for y in range(10)]
# name -> (samples, the RGBA pixels a correct decoder produces, png() options)
FIXTURES = {
    "rgba16.png": (rgba16, [[straight(*(to8(s) for s in p)) for p in row] for row in rgba16],
                   dict(depth=16)),
    "interlaced_rgba.png": (rgba_i, [[straight(*p) for p in row] for row in rgba_i],
                            dict(depth=8, interlaced=True, idat_pieces=4,
                                 text=("pixmoraColorMode", "sixteenColor"))),
}


def main():
    for name, (rows, rgba, options) in FIXTURES.items():
        path = os.path.join(HERE, name)
        with open(path, "wb") as f:
            f.write(png(rows, **options))
        got = list(Image.open(path).convert("RGBA").getdata())
        want = [p for row in rgba for p in row]
        assert len(got) == len(want), name
        # Pillow truncates 16-bit samples; allow that one step.
        for g, w in zip(got, want):
            assert g[3] == 0 if w[3] == 0 else all(abs(a - b) <= 1 for a, b in zip(g, w)), (name, g, w)
        subprocess.run(["/usr/bin/pngcheck", "-q", path], check=True)

    # CMYK JPEG: left block red, right block blue, on 8 x 8 block edges.
    cmyk = Image.new("CMYK", (16, 8))
    cmyk.paste((0, 255, 255, 0), (0, 0, 8, 8))
    cmyk.paste((255, 255, 0, 0), (8, 0, 16, 8))
    cmyk.save(os.path.join(HERE, "cmyk.jpg"), quality=95)


if __name__ == "__main__":
    main()
