#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Checks a picture printed across pages in the document the scheduler received: the picture is
in it once, pixel for pixel; each page shows a slice of it; the slices, stacked with the rows
they repeat removed, give back every row; no cut passes through a row that is not blank; and the
document is at most 1.1 times the PNG. Prints the number of pages.

    longcheck.py DOCUMENT SOURCE.png"""
import os
import re
import subprocess
import sys
import tempfile

from PIL import Image

FLOAT = rb"(-?[\d.]+)"
DRAW = re.compile(rb"q " + rb" ".join([FLOAT] * 4) + rb" re W n " + FLOAT + rb" 0 0 " + FLOAT +
                  rb" " + FLOAT + rb" " + FLOAT + rb" cm /Im\d+ Do Q")


def main():
    document, source = sys.argv[1], sys.argv[2]
    picture = Image.open(source).convert("RGB")
    width, rows = picture.size
    failures = []
    if os.path.getsize(document) > 1.1 * os.path.getsize(source):
        failures.append(f"the document has {os.path.getsize(document)} bytes, the PNG "
                        f"{os.path.getsize(source)}")
    listing = subprocess.run(["pdfimages", "-list", document], check=True, capture_output=True,
                             text=True).stdout.splitlines()[2:]
    if len({line.split()[10] for line in listing}) != 1:  # the object of each page's picture
        failures.append(f"not one picture in the document: {listing}")
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["pdfimages", "-png", "-l", "1", document, os.path.join(tmp, "img")],
                       check=True)
        shown = Image.open(os.path.join(tmp, "img-000.png")).convert("RGB")
        if shown.tobytes() != picture.tobytes():
            failures.append("the picture in the document is not the one copied")
    # The rows each page shows: the clip rectangle over the image's rows, top to bottom.
    slices = []
    for match in DRAW.finditer(open(document, "rb").read()):
        _, clip_bottom, _, clip_height, _, height, _, bottom = (float(v) for v in match.groups())
        row = height / rows
        slices.append((round((bottom + height - clip_bottom - clip_height) / row),
                       round((bottom + height - clip_bottom) / row)))
    blank = [len(set(picture.crop((0, y, width, y + 1)).getdata())) == 1 for y in range(rows)]
    if not slices or slices[0][0] != 0 or slices[-1][1] != rows:
        failures.append(f"the slices do not run from the first row to the last: {slices}")
    for (_, end), (start, _) in zip(slices, slices[1:]):
        if start > end:
            failures.append(f"rows {end} to {start} are on no page")
        elif start < end or not blank[end - 1]:
            failures.append(f"a cut at row {end} passes through the picture's content")
    print(f"{len(slices)} pages: {slices}")
    for failure in failures:
        print("FAIL:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
