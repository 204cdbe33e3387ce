#!/usr/bin/python3
"""How well readers scan the window's composed picture with a logo, version by version.

For every version 3-40 it composes the 240 x 240 picture (quorlik-qr --compose) of a payload
that fills the version at level Q, with the logo and without, and reports:
  - whether zbar (zbarimg), zxing-cpp (quorlik-qr --decode) and OpenCV's WeChat decoder read the
    picture with the logo as it is (and WeChat the picture without it, for comparison);
  - the degraded-scan rate: the share of degraded copies (downscaled, blurred, noisy, JPEG-crushed,
    rotated, and mixes of these, with fixed random seeds) that zxing-cpp still reads, with the
    logo and without. The logo's cost is the difference of the two rates in points.

  bench/logo/logo_scan.py [--quorlik-qr build/default/cli/quorlik-qr] [LOGO.png]

Needs zbar-tools and python3-opencv (with its wechat_qrcode module). Run it with Debian's
/usr/bin/python3, which has the cv2 module.
"""
import argparse
import os
import subprocess
import sys
import tempfile

import cv2
import numpy as np

BYTE_CAPACITY_AT_Q = [
    0, 11, 20, 32, 46, 60, 74, 86, 108, 130, 151, 177, 203, 241, 258, 292, 322, 364, 394, 442,
    482, 509, 565, 611, 661, 715, 751, 805, 868, 908, 982, 1030, 1112, 1168, 1228, 1283, 1351,
    1423, 1499, 1579, 1663]
VERSIONS = range(3, 41)


def payload_filling(version):
    pattern = "quorlik-erweima/"
    text = pattern * (BYTE_CAPACITY_AT_Q[version] // len(pattern) + 1)
    return text[:BYTE_CAPACITY_AT_Q[version]]


def compose(tool, version, logo, path):
    command = [tool, "--compose", "-o", path]
    if logo:
        command += ["--logo", logo]
    subprocess.run(command + ["--", payload_filling(version)], check=True)


def rotated(grey, degrees, scale):
    side = grey.shape[0]
    matrix = cv2.getRotationMatrix2D((side / 2, side / 2), degrees, scale)
    return cv2.warpAffine(grey, matrix, (side, side), flags=cv2.INTER_LINEAR,
                          borderValue=255)


def noisy(grey, sigma, seed):
    noise = np.random.default_rng(seed).normal(0, sigma, grey.shape)
    return np.clip(grey.astype(np.float64) + noise, 0, 255).astype(np.uint8)


def resized(grey, factor):
    side = max(1, round(grey.shape[0] * factor))
    return cv2.resize(grey, (side, side), interpolation=cv2.INTER_AREA)


def jpeg(grey, quality):
    ok, data = cv2.imencode(".jpg", grey, [cv2.IMWRITE_JPEG_QUALITY, quality])
    return cv2.imdecode(data, cv2.IMREAD_GRAYSCALE)


def degraded_copies(grey):
    """The fixed set of degraded copies of one picture, by name."""
    copies = {
        "down80": resized(grey, 0.8),
        "down65": resized(grey, 0.65),
        "blur0.9": cv2.GaussianBlur(grey, (0, 0), 0.9),
        "blur1.2": cv2.GaussianBlur(grey, (0, 0), 1.2),
        "jpeg12": jpeg(grey, 12),
        "rot5": rotated(grey, 5, 0.95),
    }
    for seed in range(3):
        copies[f"noise45-{seed}"] = noisy(grey, 45, seed)
        copies[f"mix-{seed}"] = noisy(cv2.GaussianBlur(resized(grey, 0.8), (0, 0), 0.6), 25,
                                      100 + seed)
        copies[f"rotnoise-{seed}"] = noisy(rotated(grey, 2 + 2 * seed, 0.9), 25, 200 + seed)
    return copies


def zxing_reads(tool, files, payloads):
    """The set of files whose symbol zxing-cpp reads as the expected payload."""
    result = subprocess.run([tool, "--decode"] + files, capture_output=True)
    output = result.stdout.decode("utf-8", "replace")
    if len(files) == 1:  # one file: the payload alone
        return set(files) if result.returncode == 0 and output == payloads[files[0]] else set()
    read = set()
    for line in output.splitlines():
        name, _, text = line.partition("\t")
        if payloads.get(name) == text:
            read.add(name)
    return read


def zbar_reads(path, payload):
    result = subprocess.run(["zbarimg", "-q", "--raw", "-Sbinary", path], capture_output=True)
    return result.returncode == 0 and result.stdout.decode("utf-8", "replace") == payload


def wechat_reads(detector, path, payload):
    texts, _ = detector.detectAndDecode(cv2.imread(path))
    return payload in texts


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("logo", nargs="?", default="resources/pictures/logo-fu.png")
    parser.add_argument("--quorlik-qr", default="build/default/cli/quorlik-qr")
    args = parser.parse_args()
    tool = args.quorlik_qr
    detector = cv2.wechat_qrcode_WeChatQRCode()

    failures = {"zbar": [], "zxing": [], "wechat": [], "wechat-plain": []}
    degraded = {True: [0, 0], False: [0, 0]}  # with logo: [read, tried]
    with tempfile.TemporaryDirectory() as folder:
        print("version zbar zxing wechat (without logo)  degraded-with-logo degraded-without")
        for version in VERSIONS:
            payload = payload_filling(version)
            row = {}
            for with_logo in (True, False):
                picture = os.path.join(folder, f"v{version}-{int(with_logo)}.png")
                compose(tool, version, args.logo if with_logo else None, picture)
                if with_logo:
                    row["zbar"] = zbar_reads(picture, payload)
                    row["zxing"] = bool(zxing_reads(tool, [picture], {picture: payload}))
                    row["wechat"] = wechat_reads(detector, picture, payload)
                else:
                    row["wechat-plain"] = wechat_reads(detector, picture, payload)
                grey = cv2.imread(picture, cv2.IMREAD_GRAYSCALE)
                files = {}
                for name, copy in degraded_copies(grey).items():
                    path = os.path.join(folder, f"v{version}-{int(with_logo)}-{name}.png")
                    cv2.imwrite(path, copy)
                    files[path] = payload
                read = zxing_reads(tool, list(files), files)
                degraded[with_logo][0] += len(read)
                degraded[with_logo][1] += len(files)
                row[with_logo] = f"{len(read)}/{len(files)}"
            for reader in failures:
                if not row[reader]:
                    failures[reader].append(version)
            marks = " ".join("yes  " if row[r] else "NO   " for r in failures)
            print(f"{version:7d} {marks}      {row[True]:>18} {row[False]:>16}", flush=True)

    for reader, versions in failures.items():
        print(f"{reader}: {'reads every version' if not versions else f'fails at {versions}'}")
    # A version the reader misses without the logo as well is not the logo's doing.
    logo_failures = {r: [v for v in failures[r] if r != "wechat" or v not in failures["wechat-plain"]]
                     for r in ("zbar", "zxing", "wechat")}
    rates = {k: 100.0 * v[0] / v[1] for k, v in degraded.items()}
    print(f"degraded-scan rate with logo {rates[True]:.1f}%, without {rates[False]:.1f}%, "
          f"logo cost {rates[False] - rates[True]:.1f} points")
    return 0 if not any(logo_failures.values()) and rates[False] - rates[True] <= 2.0 else 1


if __name__ == "__main__":
    sys.exit(main())
