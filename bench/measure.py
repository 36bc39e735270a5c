#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Measures printing the clipboard's picture the command-line way and with Mirablot, on a
started harness (DISPLAY, CUPS_SERVER, E2E_PDF_DIR and E2E_SPOOL_DIR set). See bench/run."""
import argparse
import csv
import datetime
import glob
import os
import platform
import random
import re
import statistics
import subprocess
import tempfile
import time

from PIL import Image, ImageChops, ImageDraw

SIZES = [(1920, 1080), (3840, 2160), (7680, 4320)]
KINDS = ["screenshot", "photo", "dark"]
COMMAND_LINE = "xclip -selection clipboard -t image/png -o | lp -o fit-to-page"
METHODS = [
    ("command line", None, []),
    ("mirablot fit", "1", []),
    ("mirablot natural", "0", []),
]
# A dark capture is printed light as well: the whole picture looked at, and turned.
LIGHT = ("mirablot light", "1", ["--light"])
MB = 1024 * 1024


def screenshot_picture(width, height):
    """Flat colours, window frames and lines of small text, like a desktop."""
    rng = random.Random(width)
    image = Image.new("RGB", (width, height), (46, 52, 64))
    draw = ImageDraw.Draw(image)
    scale = max(1, width // 1920)
    for _ in range(8):
        x, y = rng.randrange(width * 2 // 3), rng.randrange(height * 2 // 3)
        w, h = rng.randrange(width // 4, width // 2), rng.randrange(height // 4, height // 2)
        draw.rectangle((x, y, x + w, y + h), fill=(250, 250, 250), outline=(90, 90, 90))
        draw.rectangle((x, y, x + w, y + 28 * scale), fill=(60, 110, 180))
        for line in range(y + 40 * scale, y + h - 16 * scale, 18 * scale):
            words = " ".join(rng.choice(["print", "clipboard", "margin", "page", "12.5 mm"])
                             for _ in range(rng.randrange(3, w // (60 * scale) + 4)))
            draw.text((x + 10, line), words, fill=(20, 20, 20))
    return image


def dark_picture(width, height):
    """A dark editor: lines of light, red and blue words on a near-black background."""
    rng = random.Random(height)
    image = Image.new("RGB", (width, height), (30, 30, 30))
    draw = ImageDraw.Draw(image)
    scale = max(1, width // 1920)
    for line in range(8 * scale, height - 16 * scale, 18 * scale):
        words = " ".join(rng.choice(["int", "main()", "return", "margin", "// page"])
                         for _ in range(rng.randrange(2, 12)))
        colour = rng.choice([(212, 212, 212), (212, 212, 212), (244, 71, 71), (86, 156, 214)])
        draw.text((10 + 40 * rng.randrange(4), line), words, fill=colour)
    return image


def photo_picture(width, height):
    """Smooth gradients under fine noise, like a photograph."""
    horizontal = Image.linear_gradient("L").rotate(90).resize((width, height))
    vertical = Image.linear_gradient("L").resize((width, height))
    radial = Image.radial_gradient("L").resize((width, height))
    channels = [ImageChops.add(base, Image.effect_noise((width, height), 24 + 8 * i), 2)
                for i, base in enumerate((horizontal, vertical, radial))]
    return Image.merge("RGB", channels)


def own_clipboard(path):
    owner = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-quiet", "-i", path],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        targets = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"],
                                 capture_output=True, text=True).stdout.split()
        if "image/png" in targets:
            return owner
        time.sleep(0.05)
    raise SystemExit("xclip did not take the clipboard")


def queue_empty():
    return not subprocess.run(["lpstat", "-o"], capture_output=True, text=True).stdout.strip()


def store_zoom(zoom):
    folder = os.path.join(os.environ["XDG_CONFIG_HOME"], "Quillery")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "Quillery.conf"), "w") as conf:
        conf.write(f"[Startup]\nZoom={zoom}\n")


def same_pixels(pdf, source):
    """Whether the PDF's largest picture holds exactly the source picture's pixels."""
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["pdfimages", pdf, os.path.join(folder, "image")], check=True)
        images = sorted(glob.glob(os.path.join(folder, "image*")), key=os.path.getsize)
        if not images:
            return False
        with Image.open(images[-1]) as printed, Image.open(source) as original:
            return printed.size == original.size and \
                printed.convert("RGB").tobytes() == original.convert("RGB").tobytes()


def run_once(program, method_zoom, picture, options=()):
    for old in glob.glob(os.path.join(os.environ["E2E_PDF_DIR"], "*")):
        os.remove(old)
    spool = os.environ["E2E_SPOOL_DIR"]
    before = set(glob.glob(os.path.join(spool, "d*")))
    command = ["sh", "-c", COMMAND_LINE] if method_zoom is None else [program, *options]
    with tempfile.NamedTemporaryFile("r") as usage:
        start = time.perf_counter()
        result = subprocess.run(["/usr/bin/time", "-v", "-o", usage.name] + command,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        exited = time.perf_counter() - start
        if result.returncode != 0:
            raise SystemExit(f"{command} failed ({result.returncode}): {result.stderr}")
        peak_kb = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", usage.read()).group(1))
    deadline = time.monotonic() + 600
    while not queue_empty():
        if time.monotonic() > deadline:
            raise SystemExit("the print job did not complete within 10 minutes (see the scheduler's error_log)")
        time.sleep(0.01)
    completed = time.perf_counter() - start
    job = sum(os.path.getsize(f) for f in set(glob.glob(os.path.join(spool, "d*"))) - before)
    pdfs = glob.glob(os.path.join(os.environ["E2E_PDF_DIR"], "*.pdf"))
    if len(pdfs) != 1:
        raise SystemExit(f"expected one printed PDF, found {len(pdfs)}")
    return {
        "exit_ms": exited * 1000, "completed_ms": completed * 1000, "peak_mb": peak_kb / 1024,
        "job_bytes": job, "pdf_bytes": os.path.getsize(pdfs[0]),
        "identical": same_pixels(pdfs[0], picture),
    }


def summarise(runs):
    exits = [r["exit_ms"] for r in runs]
    completions = [r["completed_ms"] for r in runs]
    return {
        "runs": len(runs),
        "exit_ms_median": statistics.median(exits), "exit_ms_min": min(exits), "exit_ms_max": max(exits),
        "completed_ms_median": statistics.median(completions),
        "completed_ms_min": min(completions), "completed_ms_max": max(completions),
        "peak_mb": max(r["peak_mb"] for r in runs),
        "job_bytes": max(r["job_bytes"] for r in runs), "pdf_bytes": max(r["pdf_bytes"] for r in runs),
        "identical": all(r["identical"] for r in runs),
    }


def spread(summary, key):
    return f"{summary[key + '_median']:.0f} ({summary[key + '_min']:.0f}-{summary[key + '_max']:.0f})"


def machine():
    model = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                  if line.startswith("model name")), platform.machine())
    memory = next(int(line.split()[1]) for line in open("/proc/meminfo") if line.startswith("MemTotal"))
    debian = open("/etc/debian_version").read().strip() if os.path.exists("/etc/debian_version") else "?"
    return f"{model}, {os.cpu_count()} cores, {memory / MB:.0f} GiB, Debian {debian}, Linux {platform.release()}"


def targets(picture_bytes, cli, fit):
    # The PNG passes through as it arrives: neither the time nor the memory may grow with it
    # beyond the command line's.
    memory_limit = 48
    return [
        ("exit", fit["exit_ms_median"] <= cli["exit_ms_median"],
         f"{fit['exit_ms_median']:.0f} <= {cli['exit_ms_median']:.0f} ms"),
        ("job", fit["job_bytes"] <= 1.1 * picture_bytes,
         f"{fit['job_bytes'] / MB:.2f} <= {1.1 * picture_bytes / MB:.2f} MB"),
        ("memory", fit["peak_mb"] <= memory_limit, f"{fit['peak_mb']:.0f} <= {memory_limit} MB"),
        ("lossless", fit["identical"], "bit-identical" if fit["identical"] else "pixels differ"),
    ]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--mode", choices=["full", "smoke"], default="full")
    parser.add_argument("--repetitions", type=int, default=3)
    parser.add_argument("--work", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--only", help="one picture, such as screenshot-3840x2160")
    args = parser.parse_args()

    cases = [(k, w, h) for (w, h) in SIZES for k in KINDS]
    if args.mode == "smoke":
        cases = cases[:1]
    if args.only:
        cases = [c for c in cases if f"{c[0]}-{c[1]}x{c[2]}" == args.only]
        if not cases:
            raise SystemExit(f"no picture {args.only}")
    rows, missed = [], []
    print(f"Machine: {machine()}")
    header = f"{'picture':<22}{'method':<18}{'exit ms':>18}{'completed ms':>20}{'peak MB':>9}" \
             f"{'job MB':>9}{'PDF MB':>9}  lossless"
    print(header)
    for kind, width, height in cases:
        picture = os.path.join(args.work, "pictures", f"{kind}-{width}x{height}.png")
        image = {"screenshot": screenshot_picture, "photo": photo_picture,
                 "dark": dark_picture}[kind](width, height)
        image.save(picture)
        picture_bytes = os.path.getsize(picture)
        owner = own_clipboard(picture)
        summaries = {}
        try:
            for name, zoom, options in METHODS + ([LIGHT] if kind == "dark" else []):
                if zoom is not None:
                    store_zoom(zoom)
                summaries[name] = summarise([run_once(args.program, zoom, picture, options)
                                             for _ in range(args.repetitions)])
        finally:
            owner.kill()
        label = f"{kind} {width}x{height}"
        for name, summary in summaries.items():
            s = summary
            print(f"{label:<22}{name:<18}{spread(s, 'exit_ms'):>18}{spread(s, 'completed_ms'):>20}"
                  f"{s['peak_mb']:>9.0f}{s['job_bytes'] / MB:>9.2f}{s['pdf_bytes'] / MB:>9.2f}  "
                  f"{'yes' if s['identical'] else 'no'}")
            rows.append({"picture": kind, "width": width, "height": height, "png_bytes": picture_bytes,
                         "method": name, **{k: (round(v, 1) if isinstance(v, float) else v)
                                            for k, v in s.items()}})
            label = ""
        cli, fit = summaries["command line"], summaries["mirablot fit"]
        checks = targets(picture_bytes, cli, fit)
        if kind == "dark":
            light = summaries["mirablot light"]
            checks.append(("light", light["exit_ms_median"] <= 4 * fit["exit_ms_median"],
                           f"{light['exit_ms_median']:.0f} <= 4 x {fit['exit_ms_median']:.0f} ms"))
        print(f"{'':<22}{'fit / cli':<18}{fit['exit_ms_median'] / cli['exit_ms_median']:>18.2f}"
              f"{fit['completed_ms_median'] / cli['completed_ms_median']:>20.2f}"
              f"   PNG {picture_bytes / MB:.2f} MB; targets: " +
              ", ".join(f"{name} {'met' if ok else 'MISSED'} ({detail})" for name, ok, detail in checks))
        missed += [f"{kind} {width}x{height}: {name} ({detail})" for name, ok, detail in checks if not ok]

    os.makedirs(args.results, exist_ok=True)
    stamp = datetime.datetime.now().strftime("%Y-%m-%d-%H%M%S")
    path = os.path.join(args.results, f"{args.mode}-{stamp}.csv")
    with open(path, "w", newline="") as out:
        writer = csv.DictWriter(out, fieldnames=list(rows[0].keys()))
        writer.writeheader()
        writer.writerows(rows)
    print(f"Written: {path}")
    if missed:
        print("Targets missed:\n  " + "\n  ".join(missed))


if __name__ == "__main__":
    main()
