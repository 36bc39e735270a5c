#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes an 8-bit RGB test picture: a pattern that differs at every pixel, with a red marker
in its top-left corner and a blue one in its bottom-right, so that a copy, a turn or a
resampling on the way to the paper shows.

    make-picture.py PATH WIDTH HEIGHT [FORMAT]

FORMAT is a Pillow format (by default the file name's extension's); RGBA for an opaque PNG with
an alpha channel (as many programs copy screenshots); FLAT for a screenshot-like PNG of flat
panels (quick to make at any size); TEXT for a long page of text-like lines; HEADER for a PNG
that declares the size but holds almost no pixels; SHORT for one whose sound chunks hold only
half of its rows."""
import random
import struct
import sys
import zlib

from PIL import Image, ImageDraw


def damaged_png(path, width, height, rows):
    """Chunks and checksums all sound, but the image data holds only this many rows."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    row = b"\0" + bytes(range(256)) * (width * 3 // 256) + bytes(width * 3 % 256)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(row * rows)) + chunk(b"IEND", b""))


def text_picture(width, height):
    """Lines of word-like marks, 16 rows high with 8 blank rows between them."""
    image = Image.new("RGB", (width, height), (255, 255, 255))
    draw = ImageDraw.Draw(image)
    rng = random.Random(height)
    for top in range(4, height - 16, 24):
        x = 8
        while x < width - 40:
            word = rng.randrange(8, 40)
            draw.rectangle((x, top + rng.randrange(0, 4), x + word, top + 15), fill=(20, 20, 20))
            x += word + 8
    return image


def flat_picture(width, height):
    image = Image.new("RGB", (width, height), (236, 236, 236))
    draw = ImageDraw.Draw(image)
    rng = random.Random(width * 31 + height)
    for _ in range(200):
        x, y = rng.randrange(width), rng.randrange(height)
        colour = tuple(rng.randrange(256) for _ in range(3))
        draw.rectangle((x, y, x + rng.randrange(1, width // 4 + 2), y + rng.randrange(1, height // 4 + 2)), fill=colour)
    return image


def pattern_picture(width, height):
    rng = random.Random(width * 65537 + height)
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            n = rng.getrandbits(8) & 0x3F
            pixels += bytes(((x * 255 // max(width - 1, 1)) ^ n, (y * 255 // max(height - 1, 1)) ^ n, n * 3))
    return Image.frombytes("RGB", (width, height), bytes(pixels))


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    extension = {"JPG": "JPEG"}.get(path.rsplit(".", 1)[-1].upper(), path.rsplit(".", 1)[-1].upper())
    kind = sys.argv[4] if len(sys.argv) > 4 else extension
    if kind in ("HEADER", "SHORT"):
        return damaged_png(path, width, height, 0 if kind == "HEADER" else height // 2)
    image = {"FLAT": flat_picture, "TEXT": text_picture}.get(kind, pattern_picture)(width, height)
    if kind != "TEXT":
        marker = max(1, min(width, height) // 10)
        image.paste((255, 0, 0), (0, 0, marker, marker))
        image.paste((0, 0, 255), (width - marker, height - marker, width, height))
    (image.convert("RGBA") if kind == "RGBA" else image).save(path, extension)


if __name__ == "__main__":
    main()
