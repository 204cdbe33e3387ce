#!/usr/bin/env python3
"""Batches at any size, beside zint --batch on the same payloads, on /dev/shm:

  stream  ROWS rows (default 1,000,000) to SVG: rows/s and peak RSS of each program, and
          quorlik-qr's peak RSS at a tenth of the rows, to show the memory does not grow;
  one     a one-row batch, runs interleaved: median start-to-exit times and their ratio;
  sheet   1,000 rows with --sheet against the same run without it: pages per second.

    bench/batch_stream.py [--quorlik build/default/cli/quorlik-qr] [--rows 1000000]
                          [--zint-rows N] [--runs 15] [--only stream|one|sheet]

--zint-rows caps zint's share of the stream (it is an order of magnitude slower); its rows/s
is then measured on that many rows.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def payload(i):
    return "https://tickets.example.com/event/2026/seat/%07d?holder=%d" % (i * 7919 % 10000000, i)


def write_inputs(folder, rows):
    """The CSV for quorlik-qr and the same payloads a line each for zint."""
    csv, lines = os.path.join(folder, "rows.csv"), os.path.join(folder, "rows.txt")
    with open(csv, "w") as c, open(lines, "w") as z:
        c.write("text\n")
        for i in range(rows):
            c.write(payload(i) + "\n")
            z.write(payload(i) + "\n")
    return csv, lines


def run(command):
    """Wall seconds and peak resident kilobytes of one run (GNU time's, which counts the program
    alone, not the interpreter it was forked from); exits on failure."""
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    errors = done.stderr.decode(errors="replace").strip().splitlines()
    if done.returncode != 0:
        sys.exit("%s: exit %d\n%s" % (command[0], done.returncode, "\n".join(errors[-20:])))
    return seconds, int(errors[-1])


def fresh(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def quorlik_batch(quorlik, csv, out, extra=()):
    return [quorlik, "--batch", csv, "--out-dir", out, "--format", "svg", "--scale", "1",
            "--jobs", "1"] + list(extra)


def zint_batch(lines, out, rows):
    digits = len(str(rows))
    return ["zint", "-b", "QRCODE", "--secure=3", "--batch", "--filetype=svg", "-i", lines,
            "-o", os.path.join(out, "~" * digits + ".svg")]


def stream(args, work):
    csv, lines = write_inputs(work, args.rows)
    tenth_csv, _ = write_inputs(fresh(os.path.join(work, "tenth")), max(1, args.rows // 10))
    seconds, rss = run(quorlik_batch(args.quorlik, csv, fresh(os.path.join(work, "q"))))
    shutil.rmtree(os.path.join(work, "q"))
    _, tenth_rss = run(quorlik_batch(args.quorlik, tenth_csv, fresh(os.path.join(work, "q"))))
    shutil.rmtree(os.path.join(work, "q"))
    zint_rows = min(args.rows, args.zint_rows or args.rows)
    if zint_rows < args.rows:
        with open(lines) as all_lines, open(lines + ".part", "w") as part:
            for _ in range(zint_rows):
                part.write(all_lines.readline())
        lines += ".part"
    zint_seconds, zint_rss = run(zint_batch(lines, fresh(os.path.join(work, "z")), zint_rows))
    shutil.rmtree(os.path.join(work, "z"))
    print("stream, one job, SVG on %s:" % work)
    print("  quorlik-qr %9d rows  %8.0f rows/s  peak RSS %6.1f MB (%d rows: %.1f MB)"
          % (args.rows, args.rows / seconds, rss / 1024, max(1, args.rows // 10), tenth_rss / 1024))
    print("  zint       %9d rows  %8.0f rows/s  peak RSS %6.1f MB"
          % (zint_rows, zint_rows / zint_seconds, zint_rss / 1024))
    print("  rows/s ratio %.1fx" % ((args.rows / seconds) / (zint_rows / zint_seconds)))


def one_row(args, work):
    csv, lines = write_inputs(fresh(os.path.join(work, "one")), 1)
    ours, theirs = [], []
    for _ in range(args.runs):
        ours.append(run(quorlik_batch(args.quorlik, csv, fresh(os.path.join(work, "q1"))))[0])
        theirs.append(run(zint_batch(lines, fresh(os.path.join(work, "z1")), 1))[0])
    q, z = statistics.median(ours), statistics.median(theirs)
    print("one-row batch: quorlik-qr %.1f ms, zint %.1f ms, ratio %.1fx" % (q * 1e3, z * 1e3, q / z))


def sheet(args, work):
    csv, _ = write_inputs(fresh(os.path.join(work, "s")), 1000)
    pdf = os.path.join(work, "sheet.pdf")
    plain, with_sheet = [], []
    for _ in range(max(3, args.runs // 5)):
        plain.append(run(quorlik_batch(args.quorlik, csv, fresh(os.path.join(work, "p"))))[0])
        with_sheet.append(run(quorlik_batch(args.quorlik, csv, fresh(os.path.join(work, "p")),
                                            ["--sheet", pdf]))[0])
    pages = (1000 + 34) // 35
    extra = statistics.median(with_sheet) - statistics.median(plain)
    print("1,000 rows: %.2f s plain, %.2f s with --sheet (%d A4 pages): %.0f pages/s for the sheet"
          % (statistics.median(plain), statistics.median(with_sheet), pages,
             pages / extra if extra > 0 else float("inf")))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quorlik", default="build/default/cli/quorlik-qr")
    parser.add_argument("--rows", type=int, default=1000000)
    parser.add_argument("--zint-rows", type=int, default=0)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--only", choices=["stream", "one", "sheet"])
    args = parser.parse_args()
    args.quorlik = os.path.abspath(args.quorlik)
    base = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(prefix="quorlik-stream-", dir=base) as work:
        for name, step in (("stream", stream), ("one", one_row), ("sheet", sheet)):
            if args.only in (None, name):
                step(args, work)


if __name__ == "__main__":
    main()
