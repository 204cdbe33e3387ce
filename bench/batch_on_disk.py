#!/usr/bin/env python3
"""2,000 rows written to a folder on a real disk: quorlik-qr --batch against zint --batch.

Both programs get the same payloads and write one PNG per row into a folder on the same
file system; runs are interleaved, the page cache is flushed (sync) before each run, and the
median wall times and their ratio are printed. quorlik-qr's files are durable when it exits
(one syncfs for the run); zint's are not, which only favours zint.

    bench/batch_on_disk.py [--quorlik build/default/cli/quorlik-qr] [--previous OLD-BINARY]
                           [--rows 2000] [--runs 9] [--dir FOLDER-ON-DISK]

--previous adds a third program, an earlier build, interleaved with the other two.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def file_system_type(path):
    """The type of the mount that holds path (the longest mount point that prefixes it)."""
    path = os.path.realpath(path)
    best, kind = "", "?"
    with open("/proc/mounts") as mounts:
        for line in mounts:
            fields = line.split()
            point = fields[1].replace("\\040", " ")
            if (path == point or path.startswith(point.rstrip("/") + "/")) and len(point) > len(best):
                best, kind = point, fields[2]
    return kind


def payloads(rows):
    return ["https://tickets.example.com/event/2026/seat/%06d?holder=%d" % (i * 7919 % 1000000, i)
            for i in range(rows)]


def empty(folder):
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))


def timed(command, folder, expected):
    empty(folder)
    subprocess.run(["sync"], check=True)
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    written = len(os.listdir(folder))
    if done.returncode != 0 or written != expected:
        sys.exit("%s: exit %d, %d files\n%s" % (command[0], done.returncode, written,
                                                  done.stderr.decode(errors="replace")))
    return seconds


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quorlik", default=os.path.join(here, "..", "build", "default", "cli",
                                                         "quorlik-qr"))
    parser.add_argument("--previous", help="an earlier quorlik-qr, interleaved as well")
    parser.add_argument("--rows", type=int, default=2000)
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--dir", default=os.path.join(here, "..", "build"),
                        help="where the work folder is made; must be on a disk, not tmpfs")
    args = parser.parse_args()
    if shutil.which("zint") is None:
        sys.exit("zint is not installed (Debian package zint)")
    kind = file_system_type(args.dir)
    if kind in ("tmpfs", "ramfs"):
        sys.exit("%s is on %s; give --dir a folder on a disk" % (args.dir, kind))

    work = tempfile.mkdtemp(prefix="batch-on-disk-", dir=args.dir)
    try:
        data = payloads(args.rows)
        csv = os.path.join(work, "rows.csv")
        with open(csv, "w") as out:
            out.write("file,text\n")
            out.writelines("r%05d,%s\n" % (i, text) for i, text in enumerate(data))
        lines = os.path.join(work, "rows.txt")
        with open(lines, "w") as out:
            out.writelines(text + "\n" for text in data)
        folder = os.path.join(work, "out")
        os.mkdir(folder)
        # The same pictures: level Q, 2 pixels a module, a 4-module margin, PNG.
        programs = {
            "quorlik-qr": [args.quorlik, "--batch", csv, "--out-dir", folder, "--scale", "2"],
            "zint": ["zint", "--barcode=QRCODE", "--secure=3", "--scale=1", "--quietzones",
                     "--batch", "--input=" + lines, "--output=" + folder + "/~~~~~.png"],
        }
        if args.previous:
            programs["previous"] = [args.previous] + programs["quorlik-qr"][1:]
        names = list(programs)
        times = {name: [] for name in names}
        for run in range(args.runs):
            order = names[run % len(names):] + names[:run % len(names)]
            for name in order:
                times[name].append(timed(programs[name], folder, args.rows))
        print("%d rows to PNG on %s (%s), %d interleaved runs, median wall time:"
              % (args.rows, os.path.realpath(args.dir), kind, args.runs))
        median = {name: statistics.median(times[name]) for name in names}
        for name in names:
            print("  %-11s %.3f s  (min %.3f, max %.3f)" % (name, median[name], min(times[name]),
                                                             max(times[name])))
        print("  quorlik-qr / zint = %.2f" % (median["quorlik-qr"] / median["zint"]))
        if args.previous:
            print("  quorlik-qr / previous = %.2f" % (median["quorlik-qr"] / median["previous"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
