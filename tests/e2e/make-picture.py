#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes an 8-bit RGB test picture: a pattern that differs at every pixel, with a red marker
in its top-left corner and a blue one in its bottom-right, so that a copy, a turn or a
resampling on the way to the paper shows."""
import random
import sys

from PIL import Image


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    image_format = sys.argv[4] if len(sys.argv) > 4 else "PNG"
    rng = random.Random(width * 65537 + height)
    noise = bytes(rng.getrandbits(8) & 0x3F for _ in range(width * height))
    pixels = bytearray()
    for y in range(height):
        for x in range(width):
            n = noise[y * width + x]
            pixels += bytes(((x * 255 // max(width - 1, 1)) ^ n, (y * 255 // max(height - 1, 1)) ^ n, n * 3))
    image = Image.frombytes("RGB", (width, height), bytes(pixels))
    marker = max(1, min(width, height) // 10)
    image.paste((255, 0, 0), (0, 0, marker, marker))
    image.paste((0, 0, 255), (width - marker, height - marker, width, height))
    image.save(path, image_format)


if __name__ == "__main__":
    main()
