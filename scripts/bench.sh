#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures what a user waits for: one launch of a release build, from start to exit, printing
# a screenshot-sized picture from the clipboard (the job then prints on its own). Runs on the
# private desktop of the end-to-end tests, so it needs root like them.
#
#   scripts/bench.sh [RUNS]     default 15 runs per picture size
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}

if [[ $(id -u) != 0 ]]; then
  exec sudo --preserve-env=PATH bash "$0" "$@"
fi
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

work=$PWD/build/bench
harness=$PWD/tests/e2e/harness.sh
"$harness" start "$work/desktop" >/dev/null
trap '[[ -z ${clip:-} ]] || kill "$clip" 2>/dev/null; "$harness" stop "$work/desktop"' EXIT
# shellcheck source=/dev/null
source "$work/desktop/env.sh"
export XDG_CONFIG_HOME=$work/config

# A desktop-like screenshot (flat colours, window frames, lines of text) is what users print;
# the test pattern, different at every pixel, is the worst case for the lossless compression.
desktop_picture() {
  /usr/bin/python3 - "$@" <<'PY'
import random, sys
from PIL import Image, ImageDraw
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(1)
image = Image.new("RGB", (width, height), (46, 52, 64))
draw = ImageDraw.Draw(image)
for _ in range(6):
    x, y = rng.randrange(width * 2 // 3), rng.randrange(height * 2 // 3)
    w, h = rng.randrange(width // 4, width // 2), rng.randrange(height // 4, height // 2)
    draw.rectangle((x, y, x + w, y + h), fill=(250, 250, 250), outline=(90, 90, 90))
    draw.rectangle((x, y, x + w, y + 28), fill=(60, 110, 180))
    for line in range(y + 40, y + h - 16, 18):
        words = " ".join(rng.choice(["print", "clipboard", "margin", "Mirablot", "page", "12.5 mm"])
                         for _ in range(rng.randrange(3, w // 60 + 4)))
        draw.text((x + 10, line), words, fill=(20, 20, 20))
image.save(path)
PY
}

for picture_kind in desktop pattern; do
for size in 1920x1080 3840x2160; do
  picture=$work/$picture_kind-$size.png
  if [[ $picture_kind == desktop ]]; then
    desktop_picture "$picture" "${size%x*}" "${size#*x}"
  else
    /usr/bin/python3 tests/e2e/make-picture.py "$picture" "${size%x*}" "${size#*x}"
  fi
  [[ -z ${clip:-} ]] || kill "$clip" 2>/dev/null || true
  xclip -selection clipboard -t image/png -quiet -i "$picture" >/dev/null 2>&1 &
  clip=$!
  until xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx image/png; do sleep 0.05; done
  echo "== $picture_kind $size, $(($(stat -c %s "$picture") / 1024)) KiB PNG, $runs runs"
  /usr/bin/python3 - "$PWD/build/release/src/app/mirablot" "$runs" <<'PY'
import resource, statistics, subprocess, sys, time
program, runs = sys.argv[1], int(sys.argv[2])
wall, cpu = [], []
for _ in range(runs):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([program], check=True)
    wall.append((time.perf_counter() - start) * 1000)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu.append((after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000)
    # Let the scheduler finish the job so that runs do not queue behind each other.
    while subprocess.run(["lpstat", "-o"], capture_output=True, text=True).stdout.strip():
        time.sleep(0.05)
print(f"wall ms: min {min(wall):.0f}  median {statistics.median(wall):.0f}  max {max(wall):.0f}")
print(f"cpu  ms: min {min(cpu):.0f}  median {statistics.median(cpu):.0f}  max {max(cpu):.0f}")
PY
  rm -f "$E2E_PDF_DIR"/*.pdf
done
done
