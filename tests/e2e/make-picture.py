#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes an 8-bit RGB test picture of noise, so that a turn, a resampling or a change of
colours on the way to the paper shows.

    make-picture.py PATH WIDTH HEIGHT [FORMAT]

FORMAT is a Pillow format (by default the file name's extension's); RGBA for an opaque PNG with
an alpha channel (as many programs copy screenshots); TEXT for a page of text-like lines
(quick to make at any size); DARK for the same in a dark editor's colours; HEADER for a PNG that declares the size but holds no pixels."""
import random
import struct
import sys
import zlib

from PIL import Image, ImageDraw


def header_png(path, width, height):
    """Chunks and checksums all sound, but no rows in the image data."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b""))


def text_picture(width, height, paper=(255, 255, 255), inks=((20, 20, 20),), thin=False):
    """Lines of word-like marks, 16 rows high with 8 blank rows between them; thin ones are
    outlines, as sparse as a text's strokes."""
    image = Image.new("RGB", (width, height), paper)
    draw = ImageDraw.Draw(image)
    rng = random.Random(height)
    for top in range(4, height - 16, 24):
        x = 8
        while x < width - 40:
            word = rng.randrange(8, 40)
            mark = {"outline" if thin else "fill": rng.choice(inks)}
            draw.rectangle((x, top + rng.randrange(0, 4), x + word, top + 15), **mark)
            x += word + 8
    return image


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    extension = {"JPG": "JPEG"}.get(path.rsplit(".", 1)[-1].upper(), path.rsplit(".", 1)[-1].upper())
    kind = sys.argv[4] if len(sys.argv) > 4 else extension
    if kind == "HEADER":
        return header_png(path, width, height)
    if kind == "TEXT":
        image = text_picture(width, height)
    elif kind == "DARK":
        editor = ((212, 212, 212), (244, 71, 71), (86, 156, 214))  # text, an error, a link
        image = text_picture(width, height, (30, 30, 30), editor, thin=True)
    else:
        image = Image.frombytes("RGB", (width, height), random.Random(width * height).randbytes(width * height * 3))
    (image.convert("RGBA") if kind == "RGBA" else image).save(path, extension)


if __name__ == "__main__":
    main()
