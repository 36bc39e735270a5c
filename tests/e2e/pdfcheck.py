#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks a PDF that the test queue printed: one page, one picture, the page's orientation, the
picture's place and size on the page, its pixels against the source picture, and nothing else
on the sheet (no border, no label).

Positions are in points from the page's top-left corner, in the page's own orientation. The
queue prints a landscape page on a portrait sheet turned a quarter counter-clockwise (the page's
top-left at the sheet's bottom-left); the check turns it back.
"""
import argparse
import glob
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from PIL import Image

XLINK = "{http://www.w3.org/1999/xlink}href"


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def multiply(m, n):
    a, b, c, d, e, f = m
    p, q, r, s, t, u = n
    return (a * p + c * q, b * p + d * q, a * r + c * s, b * r + d * s, a * t + c * u + e, b * t + d * u + f)


def parse_transform(text):
    matrix = (1, 0, 0, 1, 0, 0)
    for name, args in re.findall(r"(\w+)\(([^)]*)\)", text or ""):
        values = [float(v) for v in re.split(r"[ ,]+", args.strip())]
        if name == "matrix":
            step = tuple(values)
        elif name == "translate":
            step = (1, 0, 0, 1, values[0], values[1] if len(values) > 1 else 0)
        elif name == "scale":
            step = (values[0], 0, 0, values[-1], 0, 0)
        else:
            raise SystemExit(f"unexpected SVG transform {name}")
        matrix = multiply(matrix, step)
    return matrix


def placements(pdf):
    """(matrix, width px, height px) of every picture drawn, sheet coordinates in points."""
    with tempfile.TemporaryDirectory() as tmp:
        svg = os.path.join(tmp, "page.svg")
        run("pdftocairo", "-svg", pdf, svg)
        root = ET.parse(svg).getroot()
    images = {el.get("id"): el for el in root.iter() if el.tag.endswith("}image")}
    found = []

    def walk(element, matrix):
        matrix = multiply(matrix, parse_transform(element.get("transform")))
        if element.tag.endswith("}use") and element.get(XLINK, "").lstrip("#") in images:
            image = images[element.get(XLINK).lstrip("#")]
            found.append((matrix, float(image.get("width")), float(image.get("height"))))
        for child in element:
            if not child.tag.endswith("}defs"):
                walk(child, matrix)

    walk(root, (1, 0, 0, 1, 0, 0))
    return found


def marks_outside(pdf, tmp, matrix, width_px, height_px):
    """Whether anything but white lies outside the picture, on the sheet rendered at 72 dpi."""
    run("pdftoppm", "-r", "72", "-singlefile", "-png", pdf, os.path.join(tmp, "sheet"))
    sheet = Image.open(os.path.join(tmp, "sheet.png")).convert("L")
    a, b, c, d, e, f = matrix
    corners = [(a * u + c * v + e, b * u + d * v + f) for u in (0, width_px) for v in (0, height_px)]
    # One point of room around the picture for the rendering's edge pixels.
    box = (min(x for x, _ in corners) - 1, min(y for _, y in corners) - 1,
           max(x for x, _ in corners) + 1, max(y for _, y in corners) + 1)
    sheet.paste(255, tuple(round(v) for v in box))
    return sheet.getextrema()[0] < 250


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pdf")
    parser.add_argument("--source", required=True, help="the picture put on the clipboard")
    parser.add_argument("--orientation", choices=["portrait", "landscape"], required=True)
    parser.add_argument("--place", nargs=4, type=float, required=True, metavar=("X", "Y", "W", "H"))
    parser.add_argument("--sheet", nargs=2, type=float, default=(595, 842))
    parser.add_argument("--dpi", type=float, default=1200, help="the printer's resolution: one dot is the tolerance")
    parser.add_argument("--any-colours", action="store_true",
                        help="the queue changes the colours (say, grey printing): skip the pixel comparison")
    args = parser.parse_args()
    tolerance = 72 / args.dpi
    failures = []

    info = run("pdfinfo", args.pdf)
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    sheet = tuple(float(v) for v in re.search(r"^Page size:\s+([\d.]+) x ([\d.]+)", info, re.M).groups())
    rotation = re.search(r"^Page rot:\s+(\d+)", info, re.M)
    # A page turned by its /Rotate entry (as PostScript drivers print landscape) is drawn in the
    # turned page's own coordinates.
    turned = rotation is not None and int(rotation.group(1)) % 180 == 90
    if pages != 1:
        failures.append(f"{pages} pages, expected 1")
    if any(abs(a - b) > 0.5 for a, b in zip(sheet, args.sheet)):
        failures.append(f"sheet {sheet}, expected {tuple(args.sheet)}")

    drawn = placements(args.pdf)
    if len(drawn) != 1:
        raise SystemExit(f"FAIL: {len(drawn)} pictures drawn, expected 1")
    (a, b, c, d, e, f), width_px, height_px = drawn[0]
    # A printer that takes rows from the bottom up (as Windows bitmaps come) stores them so and
    # draws them flipped; the page shows the same.
    flipped = False
    upright = "landscape" if turned else "portrait"
    if abs(b) < 1e-9 and abs(c) < 1e-9 and a > 0 and d > 0:
        orientation, place = upright, (e, f, a * width_px, d * height_px)
    elif abs(b) < 1e-9 and abs(c) < 1e-9 and a > 0 and d < 0:
        flipped = True
        orientation, place = upright, (e, f + d * height_px, a * width_px, -d * height_px)
    elif abs(a) < 1e-9 and abs(d) < 1e-9 and b < 0 and c > 0:
        # Picture pixel (u, v) lands on the sheet at (c v + e, b u + f); the landscape page's
        # point (X, Y) is the sheet's (Y, sheet height - X).
        orientation, place = "landscape", (sheet[1] - f, e, -b * width_px, c * height_px)
    else:
        raise SystemExit(f"FAIL: picture drawn with an unexpected transform {drawn[0][0]}")
    if orientation != args.orientation:
        failures.append(f"page is {orientation}, expected {args.orientation}")
    for name, got, want in zip(("x", "y", "width", "height"), place, args.place):
        if abs(got - want) > tolerance:
            failures.append(f"{name} {got:.4f} pt, expected {want:.4f} pt")

    listing = run("pdfimages", "-list", args.pdf).splitlines()[2:]
    if len(listing) != 1:
        failures.append(f"{len(listing)} images embedded, expected 1")
    with tempfile.TemporaryDirectory() as tmp:
        run("pdfimages", "-png", args.pdf, os.path.join(tmp, "img"))
        extracted = sorted(glob.glob(os.path.join(tmp, "img-*.png")))
        source = Image.open(args.source).convert("RGB")
        printed = Image.open(extracted[0]).convert("RGB") if extracted else None
        if printed is not None and flipped:
            printed = printed.transpose(Image.Transpose.FLIP_TOP_BOTTOM)
        if printed is None or printed.size != source.size:
            failures.append("the printed picture has another size than the source")
        elif not args.any_colours and printed.tobytes() != source.tobytes():
            failures.append("printed pixels differ from the source picture")
        if marks_outside(args.pdf, tmp, drawn[0][0], width_px, height_px):
            failures.append("the sheet has marks outside the picture (a border, a label…)")

    print(f"{orientation} page, picture at ({place[0]:.3f}, {place[1]:.3f}) pt, "
          f"{place[2]:.3f} x {place[3]:.3f} pt, {width_px:.0f} x {height_px:.0f} px")
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
