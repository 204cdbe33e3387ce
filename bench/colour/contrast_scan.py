#!/usr/bin/python3
"""Where QR readers stop reading coloured symbols: a contrast sweep over colour pairs.

Symbols (versions 1, 2, 10, 25 and 40 at level Q, 8 px per module, 4-module margin) come from
quorlik-qr, or from qrencode when quorlik-qr is not built. Their dark modules are recoloured to a
colour D and their light modules to a colour L, for:
  - grey on grey (a dark grey level on a lighter one),
  - red, green, blue, yellow, cyan, magenta, orange, purple and brown in shades from dark to pale,
    on white and on light tints (light grey, cream, pale blue, and a pale tint of the same hue),
  - light-on-dark (inverted) pairs, which are reported separately.
Each picture is read clean and degraded as a phone might see it (a slight blur, downscaled to
3 px per module, JPEG quality 75 with the usual 4:2:0 colour subsampling) by three readers:
zbar (zbarimg), zxing-cpp (its Python binding) and OpenCV's WeChat decoder (without its CNN
models). A read counts only when it returns the exact payload.

For every pair it records the WCAG contrast ratio ((L1 + 0.05) / (L2 + 0.05), L the relative
luminance of the sRGB colour), the difference of the relative luminances, and the difference and
ratio of the BT.601 luma (0-255, the grey value most readers turn a colour picture into). It prints, per
reader and condition, the highest contrast ratio at which that reader still failed, the ratio
above which all three read every clean and degraded case, a recommended threshold, and which
of the measures separates reads from failures best (fewest errors of the best single cut, and
fewest readable pairs refused by the lowest cut that refuses every failure).

zxing-cpp 1.4 (Debian 12) is the strictest reader, and on the crisp 8 px pictures it fails some
pairs it reads once degraded: with its default local-average binarizer, module-aligned areas
of one colour read as dark only when their luma is at most about half the light modules' (grey
#7F7F7F on white fails at 8 px per module, #787878 reads; at 2-3 px per module up to #B8B8B8
reads). That is why the
"clean" zxing failures reach higher ratios than the degraded ones, and why a luma ratio
separates its reads best.

  bench/colour/contrast_scan.py [--quick] [--jobs N] [--csv FILE] [--quorlik-qr PATH]

Needs python3-opencv, python3-numpy, python3-zxing-cpp and zbar-tools (qrencode only as the
fallback symbol source). Run it with Debian's /usr/bin/python3. --quick runs a ~30 s subset.
Exit status 1 when a reader fails a pair of ratio above 7 (printed as an anomaly: not a
contrast effect), else 0.
"""
import argparse
import csv
import multiprocessing
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

import cv2
import numpy as np
import zxingcpp

SCALE = 8            # pixels per module of the clean picture
MARGIN = 4           # light modules around the symbol
DEGRADED_PPM = 3.0   # pixels per module after the degrading downscale
BLUR_MODULES = 0.15  # Gaussian sigma of the degrading blur, in modules
JPEG_QUALITY = 75
MARGIN_ANY = 1.1       # the recommended threshold: 10 % above every failure seen,
MARGIN_DEGRADED = 1.4  # and 40 % above every failure on the camera-like pictures
HIGH_CONTRAST = 7.0  # a failure above this ratio is not a contrast effect: reported as anomaly

BYTE_CAPACITY_AT_Q = {1: 11, 2: 20, 10: 151, 25: 715, 40: 1663}
READERS = ("zbar", "zxing", "wechat")
CONDITIONS = ("clean", "degraded")


# ---------------------------------------------------------------------------------------------
# Colour arithmetic

def linear(channel):
    c = channel / 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def luminance(rgb):
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def luma601(rgb):
    r, g, b = rgb
    return 0.299 * r + 0.587 * g + 0.114 * b


def wcag_ratio(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def mix(colour, other, t):
    """colour moved the fraction t of the way to other."""
    return tuple(int(round(c + (o - c) * t)) for c, o in zip(colour, other))


def hexcolour(rgb):
    return "%02X%02X%02X" % rgb


WHITE, BLACK = (255, 255, 255), (0, 0, 0)
HUES = {
    "red": (255, 0, 0), "green": (0, 255, 0), "blue": (0, 0, 255), "yellow": (255, 255, 0),
    "cyan": (0, 255, 255), "magenta": (255, 0, 255), "orange": (255, 128, 0),
    "purple": (128, 0, 128), "brown": (160, 82, 45),
}
TINTS = {"light-grey": (238, 238, 238), "cream": (255, 246, 213), "pale-blue": (221, 238, 255)}


def grey_pairs(quick):
    """(name, dark, light) grey on grey: dark levels a step below each light level."""
    lights = (255, 224, 192, 160, 128, 96, 64) if not quick else (255, 192, 128)
    steps = ((8, 12, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 128, 160, 192, 255) if not quick
             else (12, 20, 28, 40, 56, 96, 255))
    pairs = []
    for light in lights:
        for dark in sorted({max(0, light - step) for step in steps}, reverse=True):
            pairs.append(("grey", (dark,) * 3, (light,) * 3))
    return pairs


def hue_pairs(quick):
    """(hue, dark, light): each hue in shades from dark to pale on white and light tints."""
    towards_black = (0.7, 0.5, 0.25, 0.0) if not quick else (0.5, 0.0)
    towards_white = (0.25, 0.45, 0.6, 0.72, 0.82) if not quick else (0.45, 0.72)
    pairs = []
    for hue, base in HUES.items():
        shades = [mix(base, BLACK, t) for t in towards_black] + \
                 [mix(base, WHITE, t) for t in towards_white]
        backgrounds = [WHITE] + ([] if quick else list(TINTS.values())) + \
                      [mix(base, WHITE, 0.88)]
        for shade in shades:
            for background in backgrounds:
                pairs.append((hue, shade, background))
    return pairs


def inverted_pairs(quick):
    """(name, light-coloured modules, dark background): light-on-dark symbols."""
    pairs = [("inv-grey", (255,) * 3, (0,) * 3), ("inv-grey", (200,) * 3, (64,) * 3),
             ("inv-yellow", (255, 255, 0), (0, 0, 128)), ("inv-cyan", (0, 255, 255), (64, 0, 64))]
    if not quick:
        pairs += [("inv-grey", (255,) * 3, (96,) * 3), ("inv-grey", (160,) * 3, (96,) * 3),
                  ("inv-white", WHITE, (0, 0, 255)), ("inv-white", WHITE, (128, 0, 0)),
                  ("inv-white", WHITE, (255, 0, 0)), ("inv-green", (0, 255, 0), (0, 64, 0)),
                  ("inv-cream", (255, 246, 213), (90, 40, 10)),
                  ("inv-pale-blue", (221, 238, 255), (0, 0, 80))]
    return pairs


# ---------------------------------------------------------------------------------------------
# Symbols

def payload_filling(version):
    pattern = "quorlik-erweima/"
    text = pattern * (BYTE_CAPACITY_AT_Q[version] // len(pattern) + 1)
    return text[:BYTE_CAPACITY_AT_Q[version]]


def symbol_mask(tool, version, folder):
    """The dark-module mask (True = dark) of a clean picture, and the tool that drew it."""
    path = os.path.join(folder, f"symbol-v{version}.png")
    payload = payload_filling(version)
    if tool:
        command = [tool, "-l", "Q", "-o", path, "--scale", str(SCALE), "--margin", str(MARGIN),
                   "--", payload]
    else:
        command = ["qrencode", "-l", "Q", "-8", "-s", str(SCALE), "-m", str(MARGIN), "-o", path,
                   payload]
    subprocess.run(command, check=True)
    grey = cv2.imread(path, cv2.IMREAD_GRAYSCALE)
    side = grey.shape[0] // SCALE - 2 * MARGIN
    got = (side - 17) // 4
    if got != version:
        raise SystemExit(f"symbol source drew version {got} for a version-{version} payload")
    return grey < 128


def quorlik_tool(path):
    if path and os.access(path, os.X_OK):
        try:
            subprocess.run([path, "--help"], capture_output=True, check=True, timeout=20)
            return path
        except (subprocess.SubprocessError, OSError):
            pass
    if not shutil.which("qrencode"):
        raise SystemExit("neither quorlik-qr nor qrencode is available")
    return None


def render(mask, dark, light):
    """BGR picture with dark modules in `dark` and light ones in `light` (RGB tuples)."""
    picture = np.empty(mask.shape + (3,), np.uint8)
    picture[mask] = dark[::-1]
    picture[~mask] = light[::-1]
    return picture


def degrade(picture):
    """Slight blur, downscale to ~3 px per module, JPEG 75: the JPEG bytes."""
    sigma = BLUR_MODULES * SCALE
    blurred = cv2.GaussianBlur(picture, (0, 0), sigma)
    side = max(1, round(picture.shape[0] * DEGRADED_PPM / SCALE))
    small = cv2.resize(blurred, (side, side), interpolation=cv2.INTER_AREA)
    ok, data = cv2.imencode(".jpg", small, [cv2.IMWRITE_JPEG_QUALITY, JPEG_QUALITY])
    assert ok
    return data.tobytes()


# ---------------------------------------------------------------------------------------------
# Readers (one worker process each; state kept per process)

WORKER = {}


def worker_init(masks, folder):
    cv2.setNumThreads(1)
    WORKER["masks"] = masks
    WORKER["folder"] = tempfile.mkdtemp(dir=folder)
    WORKER["wechat"] = cv2.wechat_qrcode_WeChatQRCode()


def zxing_reads(picture, payload):
    result = zxingcpp.read_barcode(picture, formats=zxingcpp.BarcodeFormat.QRCode)
    return bool(result) and result.valid and result.text == payload


def wechat_reads(picture, payload):
    texts, _ = WORKER["wechat"].detectAndDecode(picture)
    return payload in texts


def zbar_reads(files, payload, inverted=False):
    """Per file, whether zbarimg reads it as the payload (one zbarimg run for all files)."""
    command = ["zbarimg", "--nodbus", "--xml", "-Sdisable", "-Sqrcode.enable"]
    if inverted:
        command.append("-Stest-inverted")
    result = subprocess.run(command + files, capture_output=True)
    read = dict.fromkeys(files, False)
    ns = "{http://zbar.sourceforge.net/2008/barcode}"
    try:
        root = ET.fromstring(result.stdout.decode("utf-8", "replace"))
    except ET.ParseError:
        return read
    for source in root.iter(ns + "source"):
        texts = [d.text for d in source.iter(ns + "data")]
        if payload in texts:
            read[source.get("href")] = True
    return read


def scan_task(task):
    """Read every pair of one chunk at one version, clean and degraded, with all readers."""
    version, chunk = task
    mask = WORKER["masks"][version]
    payload = payload_filling(version)
    folder = WORKER["folder"]
    rows, files = [], []
    for index, (name, dark, light) in enumerate(chunk):
        clean = render(mask, dark, light)
        jpeg = degrade(clean)
        degraded = cv2.imdecode(np.frombuffer(jpeg, np.uint8), cv2.IMREAD_COLOR)
        clean_path = os.path.join(folder, f"{index}.ppm")
        degraded_path = os.path.join(folder, f"{index}.jpg")
        cv2.imwrite(clean_path, clean)
        with open(degraded_path, "wb") as out:
            out.write(jpeg)
        row = {"version": version, "family": name, "dark": hexcolour(dark),
               "light": hexcolour(light), "inverted": luminance(dark) > luminance(light),
               "ratio": wcag_ratio(dark, light),
               "dlum": abs(luminance(dark) - luminance(light)),
               "dluma": abs(luma601(dark) - luma601(light)),
               "lumaratio": (max(luma601(dark), luma601(light)) + 1) /
                            (min(luma601(dark), luma601(light)) + 1)}
        for condition, picture in (("clean", clean), ("degraded", degraded)):
            row[f"zxing-{condition}"] = zxing_reads(picture, payload)
            row[f"wechat-{condition}"] = wechat_reads(picture, payload)
        rows.append(row)
        files.append((clean_path, degraded_path))
    flat = [f for pair in files for f in pair]
    read = zbar_reads(flat, payload)
    inverted_read = zbar_reads(flat, payload, inverted=True) \
        if any(r["inverted"] for r in rows) else {}
    for row, (clean_path, degraded_path) in zip(rows, files):
        row["zbar-clean"] = read[clean_path]
        row["zbar-degraded"] = read[degraded_path]
        if row["inverted"]:
            row["zbar-inv-clean"] = inverted_read[clean_path]
            row["zbar-inv-degraded"] = inverted_read[degraded_path]
    for path in flat:
        os.unlink(path)
    return rows


# ---------------------------------------------------------------------------------------------
# Sweep and analysis

def plan(quick):
    """[(version, pairs)]: every pair at versions 2 and 10; at 1, 25 and 40 alternating
    halves (a third at 40) of the pairs below ratio 6 and a quarter of those above it (the
    high-contrast ones all read at 2 and 10), to keep the run under five minutes."""
    greys, hues, inverted = grey_pairs(quick), hue_pairs(quick), inverted_pairs(quick)
    everything = greys + hues + inverted
    if quick:
        return [(2, everything), (10, everything),
                (25, [p for p in greys + hues if 1.3 <= wcag_ratio(p[1], p[2]) <= 3.0][::3])]
    band = [p for p in greys + hues if wcag_ratio(p[1], p[2]) <= 6.0]
    above = [p for p in greys + hues if wcag_ratio(p[1], p[2]) > 6.0][::4]
    return [(1, band[::2] + above), (2, everything), (10, everything),
            (25, band[1::2] + above + inverted), (40, band[::3] + above[::3])]


def chunks(version, pairs):
    size = {1: 12, 2: 12, 10: 8, 25: 4, 40: 2}[version]
    return [(version, pairs[i:i + size]) for i in range(0, len(pairs), size)]


def failure_edge(rows, reader, condition):
    """(highest ratio with a failure, that row, number of failures, lowest ratio read)."""
    failed = [r for r in rows if not r[f"{reader}-{condition}"]]
    read = [r for r in rows if r[f"{reader}-{condition}"]]
    worst = max(failed, key=lambda r: r["ratio"]) if failed else None
    lowest = min(read, key=lambda r: r["ratio"])["ratio"] if read else float("nan")
    return worst, len(failed), lowest


def separation(rows, key):
    """How well one measure separates "all readers read" from "some reader failed".

    Returns (errors of the best single threshold, passing cases refused by the lowest threshold
    that refuses every failure)."""
    cases = sorted((r[key], all(r[f"{x}-{c}"] for x in READERS for c in CONDITIONS))
                   for r in rows)
    total_fail = sum(1 for _, ok in cases if not ok)
    best, fails_below, passes_below = total_fail, 0, 0
    for value, ok in cases:  # threshold just above `value`: refuse everything up to it
        if ok:
            passes_below += 1
        else:
            fails_below += 1
        best = min(best, passes_below + (total_fail - fails_below))
    top_fail = max((v for v, ok in cases if not ok), default=None)
    refused = sum(1 for v, ok in cases if ok and top_fail is not None and v <= top_fail)
    return best, refused, len(cases)


def describe(row):
    return f"#{row['dark']} on #{row['light']} v{row['version']} ({row['family']})"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="a ~30 s subset")
    parser.add_argument("--jobs", type=int, default=2, help="worker processes (default 2)")
    parser.add_argument("--csv", help="write every measured case to this CSV file")
    parser.add_argument("--quorlik-qr", default="build/default/cli/quorlik-qr",
                        help="symbol source; qrencode when this is not an executable")
    args = parser.parse_args()
    started = time.monotonic()
    tool = quorlik_tool(args.quorlik_qr)
    work = plan(args.quick)

    with tempfile.TemporaryDirectory(prefix="contrast-scan-") as folder:
        masks = {version: symbol_mask(tool, version, folder) for version, _ in work}
        tasks = [t for version, pairs in work for t in chunks(version, pairs)]
        tasks.sort(key=lambda t: -t[0])  # the big versions first, for an even finish
        rows = []
        with multiprocessing.Pool(args.jobs, worker_init, (masks, folder)) as pool:
            for done in pool.imap_unordered(scan_task, tasks):
                rows.extend(done)
    elapsed = time.monotonic() - started
    print(f"symbols from {tool or 'qrencode'}; {len(rows)} cases (pair x version), each read "
          f"clean and degraded by {', '.join(READERS)}; {elapsed:.0f} s")

    if args.csv:
        fields = ["version", "family", "dark", "light", "inverted", "ratio", "dlum", "dluma",
                  "lumaratio"] + \
                 [f"{x}-{c}" for x in READERS for c in CONDITIONS] + \
                 ["zbar-inv-clean", "zbar-inv-degraded"]
        with open(args.csv, "w", newline="") as out:
            writer = csv.DictWriter(out, fields, restval="")
            writer.writeheader()
            for row in sorted(rows, key=lambda r: (r["version"], r["ratio"])):
                writer.writerow({k: (round(v, 4) if isinstance(v, float) else v)
                                 for k, v in row.items()})

    normal = [r for r in rows if not r["inverted"]]
    inverted = [r for r in rows if r["inverted"]]

    print("\nDark on light: where each reader starts to fail (WCAG contrast ratio)")
    print(f"{'reader':8} {'condition':9} {'fails':>9} {'highest failing':>16} {'lowest read':>12}"
          f"  highest failing pair")
    anomalies = []
    for reader in READERS:
        for condition in CONDITIONS:
            worst, count, lowest = failure_edge(normal, reader, condition)
            where = f"{worst['ratio']:16.2f}" if worst else f"{'-':>16}"
            print(f"{reader:8} {condition:9} {count:4d}/{len(normal):<4d} {where} {lowest:12.2f}"
                  f"  {describe(worst) if worst else 'none'}")
            anomalies += [r for r in normal
                          if not r[f"{reader}-{condition}"] and r["ratio"] > HIGH_CONTRAST]

    every = [r for r in normal if all(r[f"{x}-{c}"] for x in READERS for c in CONDITIONS)]
    failing = [r for r in normal if r not in every]
    top = max(failing, key=lambda r: r["ratio"]) if failing else None
    print()
    if top:
        print(f"all three read every clean and degraded case above ratio {top['ratio']:.2f} "
              f"(highest failure: {describe(top)}, "
              f"ΔL {top['dlum']:.3f}, Δluma {top['dluma']:.0f})")
        # The same, pair by pair: for each family the highest ratio at which something failed.
        by_family = {}
        for r in failing:
            if r["ratio"] > by_family.get(r["family"], (0, None))[0]:
                by_family[r["family"]] = (r["ratio"], r)
        print("highest failing ratio per family: " + ", ".join(
            f"{f} {v[0]:.2f}" for f, v in sorted(by_family.items(), key=lambda i: -i[1][0])))
    else:
        print("all three read every clean and degraded case")

    print("\nWhich measure separates reads from failures (dark on light, all cases):")
    print(f"{'measure':28} {'best-threshold errors':>22} {'reads refused at zero misses':>29}")
    for key, label in (("ratio", "WCAG contrast ratio"), ("dlum", "luminance difference ΔL"),
                       ("dluma", "BT.601 luma difference"),
                       ("lumaratio", "BT.601 luma ratio")):
        best, refused, total = separation(normal, key)
        print(f"{label:28} {best:15d}/{total:<6d} {refused:22d}/{total}")

    inverted = [r for r in inverted if r["ratio"] >= 3.0]
    if inverted:
        print("\nLight on dark (inverted) pairs of ratio 3 or more, read counts clean/degraded:")
        for reader in READERS + ("zbar-inv",):
            counts = "  ".join(f"{c} {sum(1 for r in inverted if r.get(f'{reader}-{c}'))}"
                               f"/{len(inverted)}" for c in CONDITIONS)
            label = "zbar -Stest-inverted" if reader == "zbar-inv" else reader
            print(f"  {label:21} {counts}")

    if top:
        degraded_top = max((r["ratio"] for r in normal
                            if not all(r[f"{x}-degraded"] for x in READERS)), default=1.0)
        margin = max(top["ratio"] * MARGIN_ANY, degraded_top * MARGIN_DEGRADED)
        recommended = np.ceil(margin * 2) / 2
        print(f"\nrecommended threshold: WCAG ratio {recommended:.1f} (at least {MARGIN_ANY} x the "
              f"highest failure {top['ratio']:.2f}, and {MARGIN_DEGRADED} x the highest failure on "
              f"degraded pictures {degraded_top:.2f}, rounded up to a half)")
    if anomalies:
        print(f"\nanomalies: {len(anomalies)} failures above ratio {HIGH_CONTRAST}:")
        for r in anomalies[:10]:
            print(f"  {describe(r)} ratio {r['ratio']:.2f}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
