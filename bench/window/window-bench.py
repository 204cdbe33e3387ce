#!/usr/bin/python3
"""Time to a mapped window and memory at rest of the window program against a Qt Widgets
hello-world, run interleaved on one private Xvfb display so that both see the same machine.

    window-bench.py QUORLIK HELLO [--runs N]

Each run starts the program, waits for its top-level window's MapNotify on the display (X
events, no polling), then lets it rest a second and reads its resident and proportional memory
from /proc. Prints the medians and the ratios ours / hello-world. Needs Xvfb and python3-xlib.
"""
import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay, error as xerror


def start_display():
    """A private Xvfb; returns the process and the display name."""
    for number in range(90, 140):
        if not os.path.exists(f"/tmp/.X11-unix/X{number}") and not os.path.exists(f"/tmp/.X{number}-lock"):
            server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    time.sleep(0.2)
                    return server, f":{number}"
                time.sleep(0.05)
            server.kill()
    sys.exit("no free display for Xvfb")


def memory_kib(pid):
    """Rss and Pss of the process, in KiB."""
    values = {}
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            parts = line.split()
            if parts[0] in ("Rss:", "Pss:"):
                values[parts[0][:-1]] = int(parts[1])
    return values["Rss"], values["Pss"]


def run_once(command, connection, environment, rest):
    """Seconds to the first mapped top-level window, and memory after `rest` seconds."""
    root = connection.screen().root
    while connection.pending_events():
        connection.next_event()
    start = time.perf_counter()
    process = subprocess.Popen(command, env=environment, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mapped = None
    deadline = start + 20
    while mapped is None and time.perf_counter() < deadline:
        if not connection.pending_events():
            select.select([connection.fileno()], [], [], 0.5)
        while connection.pending_events():
            event = connection.next_event()
            if event.type == X.MapNotify and not event.override:
                mapped = time.perf_counter() - start
                break
        if process.poll() is not None:
            break
    if mapped is None:
        process.kill()
        sys.exit(f"{command[0]} mapped no window (status {process.poll()})")
    time.sleep(rest)
    rss, pss = memory_kib(process.pid)
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
    return mapped, rss, pss


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("quorlik")
    parser.add_argument("hello")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--rest", type=float, default=1.0)
    arguments = parser.parse_args()
    if not shutil.which("Xvfb"):
        sys.exit("Xvfb is not installed (Debian package xvfb)")
    server, name = start_display()
    home = tempfile.mkdtemp(prefix="window-bench-")
    try:
        environment = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb", HOME=home,
                           XDG_CONFIG_HOME=os.path.join(home, ".config"))
        connection = xdisplay.Display(name)
        connection.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        connection.sync()
        results = ([], [])
        commands = ([arguments.quorlik], [arguments.hello])
        for i in range(arguments.runs + 2):
            order = (0, 1) if i % 2 == 0 else (1, 0)
            for side in order:
                measured = run_once(commands[side], connection, environment, arguments.rest)
                if i >= 2:  # two rounds warm the page cache and the font cache
                    results[side].append(measured)
        medians = [tuple(statistics.median(column) for column in zip(*side)) for side in results]
        ours, hello = medians
        print(f"{arguments.runs} interleaved runs each on Xvfb {name}")
        print(f"mapped   ours {ours[0] * 1000:7.1f} ms   hello {hello[0] * 1000:7.1f} ms   "
              f"ratio {ours[0] / hello[0]:4.2f}")
        print(f"Rss      ours {ours[1] / 1024:7.1f} MiB  hello {hello[1] / 1024:7.1f} MiB  "
              f"ratio {ours[1] / hello[1]:4.2f}")
        print(f"Pss      ours {ours[2] / 1024:7.1f} MiB  hello {hello[2] / 1024:7.1f} MiB  "
              f"ratio {ours[2] / hello[2]:4.2f}")
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
