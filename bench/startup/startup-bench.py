#!/usr/bin/env python3
"""Start-up time of single-shot commands, run interleaved so that both sides see the same machine.

    startup-bench.py QUORLIK_QR                  quorlik-qr against qrencode: PNG, text art, SVG, colour PNG
    startup-bench.py QUORLIK_QR --against OLD    quorlik-qr against another build of itself,
                                                 for the commands the full program answers

Each command runs RUNS times (default 30) in alternation with its peer; the script prints the
median wall time of each and the ratio ours / peer, and the same for CPU time (user + system). In the first form the PNG and text-art
ratios must be at most 1.0 (exit status 1 otherwise); the SVG ratio is shown for information.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PAYLOAD = "hello"


def run_once(command, folder):
    """Wall time and CPU time (user + system) of one run, in seconds."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=folder, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    stderr = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    process.stderr.close()
    if process.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({process.returncode}): {stderr.decode()}")
    return elapsed, usage.ru_utime + usage.ru_stime


def interleaved(ours, peer, runs, folder):
    """Median wall and CPU seconds of each command, alternating which one goes first."""
    wall, cpu = ([], []), ([], [])
    for i in range(runs + 2):
        order = (0, 1) if i % 2 == 0 else (1, 0)
        for side in order:
            elapsed, used = run_once((ours, peer)[side], folder)
            if i >= 2:  # two rounds warm the page cache
                wall[side].append(elapsed)
                cpu[side].append(used)
    return [(statistics.median(w), statistics.median(c)) for w, c in zip(wall, cpu)]


def report(name, ours, peer, limit):
    """The verdict is on wall time; CPU time is shown because it hardly moves with the load of
    other processes on the machine."""
    ratio = ours[0] / peer[0]
    cpu_ratio = ours[1] / peer[1] if peer[1] > 0 else float("nan")
    verdict = "" if limit is None else ("  ok" if ratio <= limit else f"  SLOWER than {limit}")
    print(f"{name:22} wall ours {ours[0] * 1000:6.2f} ms peer {peer[0] * 1000:6.2f} ms "
          f"ratio {ratio:4.2f}   cpu ours {ours[1] * 1000:6.2f} ms peer {peer[1] * 1000:6.2f} ms "
          f"ratio {cpu_ratio:4.2f}{verdict}")
    return limit is None or ratio <= limit


def against_qrencode(binary, runs, folder):
    qrencode = shutil.which("qrencode")
    if not qrencode:
        sys.exit("qrencode is not installed (Debian package qrencode)")
    cases = [
        ("PNG (-o x.png)", [binary, "-o", "x.png", PAYLOAD],
         [qrencode, "-o", "x.png", PAYLOAD], 1.0),
        ("text art (stdout)", [binary, PAYLOAD], [qrencode, "-t", "UTF8", PAYLOAD], 1.0),
        ("SVG (-o x.svg)", [binary, "-o", "x.svg", PAYLOAD],
         [qrencode, "-t", "SVG", "-o", "x.svg", PAYLOAD], None),
        ("colour PNG", [binary, "--foreground", "1A237E", "--background", "FFF8E1", "-o", "x.png",
                        PAYLOAD],
         [qrencode, "--foreground=1A237E", "--background=FFF8E1", "-o", "x.png", PAYLOAD], 1.0),
    ]
    print(f"{runs} interleaved runs each; peer: {qrencode}")
    return all([report(name, *interleaved(ours, peer, runs, folder), limit)
                for name, ours, peer, limit in cases])


def against_build(binary, old, runs, folder):
    with open(os.path.join(folder, "rows.csv"), "w", encoding="utf-8") as csv:
        csv.write("file,kind,text\n")
        for row in range(20):
            csv.write(f"row{row},text,payload number {row}\n")
    os.makedirs(os.path.join(folder, "out"), exist_ok=True)
    cases = [
        ("--compose -o x.png", ["--compose", "-o", "x.png", PAYLOAD]),
        ("--batch (20 rows)", ["--batch", "rows.csv", "--out-dir", "out", "-j", "1"]),
        ("-o x.jpg", ["-o", "x.jpg", PAYLOAD]),
        ("--version", ["--version"]),
    ]
    print(f"{runs} interleaved runs each; peer: {old}")
    for name, arguments in cases:
        report(name, *interleaved([binary] + arguments, [old] + arguments, runs, folder), None)
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("binary", help="the quorlik-qr to measure")
    parser.add_argument("--against", metavar="OLD", help="another quorlik-qr build to compare")
    parser.add_argument("--runs", type=int, default=30)
    options = parser.parse_args()
    binary = os.path.abspath(options.binary)
    with tempfile.TemporaryDirectory(prefix="quorlik-startup-") as folder:
        if options.against:
            ok = against_build(binary, os.path.abspath(options.against), options.runs, folder)
        else:
            ok = against_qrencode(binary, options.runs, folder)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
