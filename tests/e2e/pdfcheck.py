#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks a PDF against the picture that was copied (SOURCE).

    pdfcheck.py PDF SOURCE --orientation O --place X Y W H [--sheet W H] [--dpi D] [--any-colours]
        what the test queue printed: one page of that sheet and orientation, holding the source
        alone, pixel for pixel, at X, Y (points from the page's top-left corner), W x H points
        large, to a printer dot. A landscape page comes on a portrait sheet turned a quarter
        counter-clockwise (its top-left at the sheet's bottom-left); the check turns it back.
    pdfcheck.py --long DOCUMENT SOURCE
        a picture across pages as sent: in it once, pixel for pixel, a slice on each page, the
        slices giving every row, cut only through blank rows; at most 1.1 times the PNG.
    pdfcheck.py --pixels DOCUMENT SOURCE
        the document holds the source, pixel for pixel.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from PIL import Image

XLINK = "{http://www.w3.org/1999/xlink}href"
FLOAT = rb"(-?[\d.]+)"
SLICE = re.compile(rb"q " + rb" ".join([FLOAT] * 4) + rb" re W n " + FLOAT + rb" 0 0 " + FLOAT +
                   rb" " + FLOAT + rb" " + FLOAT + rb" cm /Im\d+ Do Q")


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def embedded(pdf, source, failures, any_colours=False, flipped=False):
    """Checks that the PDF embeds one picture, the source's pixels (rows bottom up if flipped)."""
    objects = {line.split()[10] for line in run("pdfimages", "-list", pdf).splitlines()[2:]}
    if len(objects) != 1:
        failures.append(f"{len(objects)} pictures embedded, expected 1")
    with tempfile.TemporaryDirectory() as tmp:
        run("pdfimages", "-png", "-l", "1", pdf, os.path.join(tmp, "img"))
        printed = Image.open(os.path.join(tmp, "img-000.png")).convert("RGB")
    source = Image.open(source).convert("RGB")
    if flipped:
        printed = printed.transpose(Image.Transpose.FLIP_TOP_BOTTOM)
    if printed.size != source.size:
        failures.append(f"the picture embedded is {printed.size}, the source {source.size}")
    elif not any_colours and printed.tobytes() != source.tobytes():
        failures.append("the pixels embedded differ from the source picture")
    return source


def multiply(m, n):
    a, b, c, d, e, f = m
    p, q, r, s, t, u = n
    return (a * p + c * q, b * p + d * q, a * r + c * s, b * r + d * s, a * t + c * u + e, b * t + d * u + f)


def transform(element):
    """The element's own transform; cairo writes each as one matrix(...)."""
    found = re.search(r"matrix\(([^)]*)\)", element.get("transform") or "")
    return tuple(float(v) for v in re.split(r"[ ,]+", found.group(1).strip())) if found else (1, 0, 0, 1, 0, 0)


def placements(pdf, tmp):
    """(matrix, width px, height px) of every picture drawn, sheet coordinates in points."""
    svg = os.path.join(tmp, "page.svg")
    run("pdftocairo", "-svg", pdf, svg)
    root = ET.parse(svg).getroot()
    images = {el.get("id"): el for el in root.iter() if el.tag.endswith("}image")}
    found = []

    def walk(element, matrix):
        matrix = multiply(matrix, transform(element))
        image = images.get(element.get(XLINK, "").lstrip("#")) if element.tag.endswith("}use") else None
        if image is not None:
            found.append((matrix, float(image.get("width")), float(image.get("height"))))
        for child in element:
            if not child.tag.endswith("}defs"):
                walk(child, matrix)

    walk(root, (1, 0, 0, 1, 0, 0))
    return found


def marks_outside(pdf, tmp, matrix, width_px, height_px, stamp=False):
    """Whether anything but white lies outside the picture, on the sheet rendered at 72 dpi;
    with a stamp, outside the picture and the strip below the picture's room."""
    run("pdftoppm", "-r", "72", "-singlefile", "-png", pdf, os.path.join(tmp, "sheet"))
    sheet = Image.open(os.path.join(tmp, "sheet.png")).convert("L")
    if stamp:
        sheet.paste(255, (0, sheet.height - 35, sheet.width, sheet.height))
    a, b, c, d, e, f = matrix
    corners = [(a * u + c * v + e, b * u + d * v + f) for u in (0, width_px) for v in (0, height_px)]
    # One point of room around the picture for the rendering's edge pixels.
    box = (min(x for x, _ in corners) - 1, min(y for _, y in corners) - 1,
           max(x for x, _ in corners) + 1, max(y for _, y in corners) + 1)
    sheet.paste(255, tuple(round(v) for v in box))
    return sheet.getextrema()[0] < 250


def check_page(args, failures):
    info = run("pdfinfo", args.pdf)
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    sheet = tuple(float(v) for v in re.search(r"^Page size:\s+([\d.]+) x ([\d.]+)", info, re.M).groups())
    # A page turned by its /Rotate entry (as PostScript drivers print landscape) is drawn in the
    # turned page's own coordinates.
    upright = "landscape" if int(re.search(r"^Page rot:\s+(\d+)", info, re.M).group(1)) % 180 else "portrait"
    if pages != 1:
        failures.append(f"{pages} pages, expected 1")
    if any(abs(a - b) > 0.5 for a, b in zip(sheet, args.sheet)):
        failures.append(f"sheet {sheet}, expected {tuple(args.sheet)}")
    with tempfile.TemporaryDirectory() as tmp:
        drawn = placements(args.pdf, tmp)
        if len(drawn) != 1:
            sys.exit(f"FAIL: {len(drawn)} pictures drawn, expected 1")
        matrix, width_px, height_px = drawn[0]
        if marks_outside(args.pdf, tmp, *drawn[0], args.stamp):
            failures.append("the sheet has marks outside the picture (a border, a label…)")
    a, b, c, d, e, f = matrix
    # A printer that takes rows from the bottom up (as Windows bitmaps come) stores them so and
    # draws them flipped; the page shows the same.
    flipped = abs(b) < 1e-9 and abs(c) < 1e-9 and a > 0 and d < 0
    if abs(b) < 1e-9 and abs(c) < 1e-9 and a > 0:
        orientation, place = upright, (e, f + min(d, 0) * height_px, a * width_px, abs(d) * height_px)
    elif abs(a) < 1e-9 and abs(d) < 1e-9 and b < 0 and c > 0:
        # Picture pixel (u, v) lands on the sheet at (c v + e, b u + f); the landscape page's
        # point (X, Y) is the sheet's (Y, sheet height - X).
        orientation, place = "landscape", (sheet[1] - f, e, -b * width_px, c * height_px)
    else:
        sys.exit(f"FAIL: picture drawn with an unexpected transform {matrix}")
    if orientation != args.orientation:
        failures.append(f"page is {orientation}, expected {args.orientation}")
    for name, got, want in zip(("x", "y", "width", "height"), place, args.place):
        if abs(got - want) > 72 / args.dpi:
            failures.append(f"{name} {got:.4f} pt, expected {want:.4f} pt")
    embedded(args.pdf, args.source, failures, args.any_colours, flipped)
    print(f"{orientation} page, picture at ({place[0]:.3f}, {place[1]:.3f}) pt, "
          f"{place[2]:.3f} x {place[3]:.3f} pt, {width_px:.0f} x {height_px:.0f} px")


def check_long(args, failures):
    size, png = os.path.getsize(args.pdf), os.path.getsize(args.source)
    if size > 1.1 * png:
        failures.append(f"the document has {size} bytes, the PNG {png}")
    picture = embedded(args.pdf, args.source, failures)
    width, rows = picture.size
    # The rows each page shows: the clip rectangle over the picture's rows, top to bottom.
    slices = []
    for match in SLICE.finditer(open(args.pdf, "rb").read()):
        _, clip_bottom, _, clip_height, _, height, _, bottom = (float(v) for v in match.groups())
        row = height / rows
        slices.append((round((bottom + height - clip_bottom - clip_height) / row),
                       round((bottom + height - clip_bottom) / row)))
    blank = [len(set(picture.crop((0, y, width, y + 1)).getdata())) == 1 for y in range(rows)]
    if not slices or slices[0][0] != 0 or slices[-1][1] != rows:
        failures.append(f"the slices do not run from the first row to the last: {slices}")
    for (_, end), (start, _) in zip(slices, slices[1:]):
        # In the middle of a blank run: blank rows on both sides where there are two or more.
        if start != end or not blank[end - 1] or (blank[end - 2] and not blank[end]):
            failures.append(f"the cut between rows {end} and {start} is not inside a blank run")
    # A renderer samples the row past a clip edge at part coverage: at 600 dpi, a line of text
    # right beside a cut shows as a thin line at the page's edge. Two dots inside each cut edge
    # must be paper.
    with tempfile.TemporaryDirectory() as tmp:
        run("gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray", "-r600",
            f"-sOutputFile={tmp}/%d.png", args.pdf)
        for page, match in enumerate(SLICE.finditer(open(args.pdf, "rb").read())):
            left, bottom, clip_width, clip_height = (float(v) * 600 / 72 for v in match.groups()[:4])
            sheet = Image.open(f"{tmp}/{page + 1}.png")
            top = sheet.height - bottom - clip_height
            edges = ([top] if page > 0 else []) + ([top + clip_height - 2] if page < len(slices) - 1 else [])
            for edge in edges:
                strip = sheet.crop((round(left), round(edge), round(left + clip_width), round(edge) + 2))
                if strip.getextrema()[0] < 128:
                    failures.append(f"page {page + 1} shows ink at its cut edge, {edge / 600 * 72:.1f} pt down")
    print(f"{len(slices)} pages: {slices}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pdf")
    parser.add_argument("source", help="the picture copied")
    parser.add_argument("--long", action="store_true")
    parser.add_argument("--pixels", action="store_true")
    parser.add_argument("--orientation", choices=["portrait", "landscape"])
    parser.add_argument("--place", nargs=4, type=float, metavar=("X", "Y", "W", "H"))
    parser.add_argument("--sheet", nargs=2, type=float, default=(595, 842))
    parser.add_argument("--dpi", type=float, default=1200, help="the printer's: one dot is the tolerance")
    parser.add_argument("--any-colours", action="store_true", help="the queue changes the colours")
    parser.add_argument("--stamp", action="store_true", help="a stamp below the picture's room")
    args = parser.parse_args()
    failures = []
    if args.pixels:
        embedded(args.pdf, args.source, failures)
    else:
        (check_long if args.long else check_page)(args, failures)
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
