#!/usr/bin/python3
"""Writes the files hostile_files_test.cpp opens: PNGs encoded by hand (so each
has exactly the layout its row names) and checked by Pillow, and a CMYK JPEG and
an animated GIF from Pillow. Run: /usr/bin/python3 make_fixtures.py"""
import os
import struct
import subprocess
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    body = kind.encode("ascii") + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def pack_row(pixels, depth):
    """pixels: list of sample tuples. Sub-byte samples are packed MSB first."""
    samples = [s for pixel in pixels for s in pixel]
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
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


def png(rows, depth, color_type, interlaced=False, plte=None, trns=None, text=None, idat_pieces=1):
    height, width = len(rows), len(rows[0])
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlaced else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr)
    if text:
        out += chunk("tEXt", text[0].encode() + b"\0" + text[1].encode())
    if plte:
        out += chunk("PLTE", b"".join(bytes(c) for c in plte))
    if trns is not None:
        out += chunk("tRNS", trns)
    data = zlib.compress(scanlines(rows, depth, interlaced), 9)
    step = -(-len(data) // idat_pieces)
    for i in range(0, len(data), step):
        out += chunk("IDAT", data[i:i + step])
    return out + chunk("IEND", b"")


def grid(width, height, sample):
    return [[sample(x, y) for x in range(width)] for y in range(height)]


def to8(v):
    return (v + 128) // 257


FIXTURES = {}  # name -> (bytes, the RGBA pixels a correct decoder produces)


def add_png(name, rows, depth, color_type, rgba, **options):
    FIXTURES[name] = (png(rows, depth, color_type, **options), rgba)


def straight(r, g, b, a):
    return (0, 0, 0, 0) if a == 0 else (r, g, b, a)


# 1-bit grey, odd width so rows end in padding bits.
g1 = [[(0,) if c == "#" else (1,) for c in line] for line in ["#.#.#", ".#.#.", "##..#"]]
add_png("grey1.png", g1, 1, 0, [[(v[0] * 255,) * 3 + (255,) for v in row] for row in g1])

# 4-bit grey with a tRNS key: level 5 (85) is transparent.
g4 = [[(0,), (5,), (10,), (15,)], [(15,), (10,), (5,), (0,)]]
add_png("grey4_trns.png", g4, 4, 0, [[straight(v[0] * 17, v[0] * 17, v[0] * 17, 0 if v[0] == 5 else 255)
                                      for v in row] for row in g4], trns=struct.pack(">H", 5))

g8 = [[(0,), (51,), (200,), (255,)], [(17,), (128,), (254,), (1,)]]
add_png("grey8.png", g8, 8, 0, [[(v[0],) * 3 + (255,) for v in row] for row in g8])

# 16-bit samples that are not multiples of 257, so truncating and rounding differ.
g16 = [[(0x0000,), (0x12FF,), (0x8080,)], [(0xFFFF,), (0x00FF,), (0x7F80,)]]
add_png("grey16.png", g16, 16, 0, [[(to8(v[0]),) * 3 + (255,) for v in row] for row in g16])

rgba16 = [[(0xFFFF, 0x12FF, 0x0000, 0xFFFF), (0x4000, 0x8000, 0xC000, 0xFFFF)],
          [(0x1234, 0x5678, 0x9ABC, 0x0000), (0xFFFF, 0xFFFF, 0xFFFF, 0x8080)]]
add_png("rgba16.png", rgba16, 16, 6, [[straight(*(to8(s) for s in p)) for p in row] for row in rgba16])


# 4-bit palette, odd width; tRNS covers only the first three entries.
plte = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (10, 20, 30), (255, 255, 255)]
trns = bytes([0, 128, 255])
p4 = [[(0,), (1,), (2,), (3,), (4,)], [(5,), (4,), (3,), (2,), (1,)]]
alpha = lambda i: trns[i] if i < len(trns) else 255
add_png("palette4.png", p4, 4, 3, [[straight(*plte[i[0]], alpha(i[0])) for i in row] for row in p4],
        plte=plte, trns=trns)

# Adam7, the colour mode chunk ahead of the image data split over four IDATs.
rgba_i = grid(9, 10, lambda x, y: (20 * x + 10, 20 * y + 5, (7 * x * y) % 256,
                                   0 if (x + y) % 5 == 0 else 255))
add_png("interlaced_rgba.png", rgba_i, 8, 6, [[straight(*p) for p in row] for row in rgba_i],
        interlaced=True, text=("pixmoraColorMode", "sixteenColor"), idat_pieces=4)



def check_png(name, data, rgba):
    image = Image.open(os.path.join(HERE, name))
    depth = data[24]
    if image.mode == "L" and depth < 8 and "transparency" in image.info:
        # Pillow keeps a sub-byte grey key unscaled; scale it as the samples are.
        image.info["transparency"] *= 255 // ((1 << depth) - 1)
    if image.mode.startswith("I"):
        # Pillow keeps 16-bit grey as raw integers; its RGBA conversion clips them.
        grey = Image.new("L", image.size)
        grey.putdata([to8(v) for v in image.getdata()])
        image = grey
    got = list(image.convert("RGBA").getdata())
    want = [tuple(p) for row in rgba for p in row]
    assert len(got) == len(want), name
    # Pillow truncates 16-bit samples; allow that one step.
    for g, w in zip(got, want):
        assert g[3] == 0 if w[3] == 0 else all(abs(a - b) <= 1 for a, b in zip(g, w)), (name, g, w)
    subprocess.run(["/usr/bin/pngcheck", "-q", os.path.join(HERE, name)], check=True)


def main():
    for name, (data, rgba) in FIXTURES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        check_png(name, data, rgba)

    # CMYK JPEG: left block red, right block blue, on 8 x 8 block edges.
    cmyk = Image.new("CMYK", (16, 8))
    cmyk.paste((0, 255, 255, 0), (0, 0, 8, 8))
    cmyk.paste((255, 255, 0, 0), (8, 0, 16, 8))
    cmyk.save(os.path.join(HERE, "cmyk.jpg"), quality=95)

    # Two frames: red, then blue. Only the first may be used.
    frames = [Image.new("RGB", (8, 8), c) for c in ((255, 0, 0), (0, 0, 255))]
    frames[0].save(os.path.join(HERE, "animated.gif"), save_all=True, append_images=frames[1:],
                   duration=100, loop=0)
    assert Image.open(os.path.join(HERE, "animated.gif")).n_frames == 2


if __name__ == "__main__":
    main()
