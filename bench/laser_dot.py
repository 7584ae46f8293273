#!/usr/bin/env python3
"""Laser dot figures through the simulator, on the real program with a pen plugged:

- 300 random pointer moves while the laser key is held: the sim's `cursor` event -> the
  program's `laser` event at that place (minus 24)
- CPU share of one core of the program while the dot follows the moves
- after laser-off: laser events over the quiet period (timer 1 must not run) and CPU share

Times come from one clock: the simulator stamps events with CLOCK_MONOTONIC milliseconds.
Usage: laser_dot.py BIN_DIR [MOVES] [QUIET_SECONDS]
"""
import os
import random
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
os.environ["VELMORA_BIN_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
from harness import World  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def figures(name, values):
    values = sorted(values)
    p99 = values[min(len(values) - 1, len(values) * 99 // 100)]
    print(f"{name:44s} median {statistics.median(values):7.2f} ms  p99 {p99:7.2f} ms  "
          f"max {values[-1]:7.2f} ms  (n={len(values)})")


def main():
    moves = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    quiet = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
    w = World({"client": {"uiLanguage": "lan_en"}})
    try:
        w.sim("plug", "pen")
        proc = w.start()
        w.wait_event("debug", text="Enter LpProcProc...\n")
        since = w.last_seq()
        w.sim("key", "pen", "laser", "down")
        w.wait_event("laser", since, visible=True)
        rng = random.Random(13)
        latencies = []
        cpu_start, wall_start = cpu_seconds(proc.pid), time.monotonic()
        for _ in range(moves):
            x, y = rng.randrange(30, 1890), rng.randrange(30, 1050)
            before = w.last_seq()
            w.sim("cursor", str(x), str(y))
            moved = w.wait_event("cursor", before, x=x, y=y)
            dot = w.wait_event("laser", before, visible=True, x=x - 24, y=y - 24)
            latencies.append(dot["t"] - moved["t"])
        cpu_moving = (cpu_seconds(proc.pid) - cpu_start) / (time.monotonic() - wall_start)
        figures("cursor -> laser event", latencies)
        print(f"{'CPU while following':44s} {cpu_moving * 100:6.2f} % of one core")

        off = w.last_seq()
        w.sim("key", "pen", "laser", "up")
        w.wait_event("laser", off, visible=False)
        settled = w.last_seq()
        cpu_start, wall_start = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(quiet)
        cpu_quiet = (cpu_seconds(proc.pid) - cpu_start) / (time.monotonic() - wall_start)
        print(f"{'laser events after off, over %.0f s' % quiet:44s} "
              f"{len(w.matching('laser', settled))}")
        print(f"{'CPU with both tools off':44s} {cpu_quiet * 100:6.2f} % of one core")
    finally:
        w.stop()


if __name__ == "__main__":
    main()
