#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes an 8-bit RGB test picture: a pattern that differs at every pixel, with a red marker
in its top-left corner and a blue one in its bottom-right, so that a copy, a turn or a
resampling on the way to the paper shows.

    make-picture.py PATH WIDTH HEIGHT [FORMAT]

FORMAT is a Pillow format (PNG, BMP, JPEG; by default the file name's last extension's), RGBA for an opaque PNG with an alpha channel (as many
programs copy screenshots), or FLAT for a screenshot-like PNG of flat panels (quick
to make at any size), NOISE for a photo-like PNG that compresses badly, HEADER for a PNG that
declares the size but holds almost no pixels, SHORT for one whose sound chunks hold only half
of its rows, or TEXT for a long page of text-like lines (16 rows of marks, 8 blank between)."""
import random
import struct
import sys
import zlib

from PIL import Image, ImageDraw


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def header_only_png(path, width, height):
    """A well-formed start of a PNG whose declared size a decoder would have to allocate."""
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(png_chunk(b"IDAT", zlib.compress(b"\0" * 64)))
        out.write(png_chunk(b"IEND", b""))


def short_png(path, width, height):
    """Chunks and checksums all sound, but the image data ends after half of the rows."""
    row = b"\0" + bytes(range(256)) * (width * 3 // 256) + bytes(width * 3 % 256)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(png_chunk(b"IDAT", zlib.compress(row * (height // 2))))
        out.write(png_chunk(b"IEND", b""))


def text_picture(width, height):
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


def noise_picture(width, height):
    bands = [Image.effect_noise((width, height), 60 + 20 * i) for i in range(3)]
    return Image.merge("RGB", bands)


def flat_picture(width, height):
    image = Image.new("RGB", (width, height), (236, 236, 236))
    draw = ImageDraw.Draw(image)
    rng = random.Random(width * 31 + height)
    for _ in range(200):
        x, y = rng.randrange(width), rng.randrange(height)
        colour = tuple(rng.randrange(256) for _ in range(3))
        draw.rectangle((x, y, x + rng.randrange(1, width // 4 + 2), y + rng.randrange(1, height // 4 + 2)), fill=colour)
    return image


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    extension = path.rsplit(".", 1)[-1].upper()
    image_format = sys.argv[4] if len(sys.argv) > 4 else {"JPG": "JPEG"}.get(extension, extension)
    if image_format in ("HEADER", "SHORT"):
        (header_only_png if image_format == "HEADER" else short_png)(path, width, height)
        return
    if image_format in ("FLAT", "NOISE", "TEXT"):
        make = {"FLAT": flat_picture, "NOISE": noise_picture, "TEXT": text_picture}[image_format]
        image = make(width, height)
        if image_format != "TEXT":
            mark(image)
        image.save(path, "PNG" if image_format != "TEXT" else extension.replace("JPG", "JPEG"))
        return
    rng = random.Random(width * 65537 + height)
    noise = bytes(rng.getrandbits(8) & 0x3F for _ in range(width * height))
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            n = noise[y * width + x]
            pixels += bytes(((x * 255 // max(width - 1, 1)) ^ n, (y * 255 // max(height - 1, 1)) ^ n, n * 3))
    image = Image.frombytes("RGB", (width, height), bytes(pixels))
    mark(image)
    if image_format == "RGBA":
        image.convert("RGBA").save(path, "PNG")
    else:
        image.save(path, image_format)


def mark(image):
    width, height = image.size
    marker = max(1, min(width, height) // 10)
    image.paste((255, 0, 0), (0, 0, marker, marker))
    image.paste((0, 0, 255), (width - marker, height - marker, width, height))


if __name__ == "__main__":
    main()
