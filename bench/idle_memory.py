#!/usr/bin/env python3
"""Idle resident memory of the real program, and how fast its first session starts capture.

For each run a fresh program starts in a fresh home under the simulator, English local
recognition ("xf"): once start-up has settled (the recognition model is loaded at start) its
resident memory is read with no device; then a mouse is plugged in and the first session runs
(key down -> the shared capture running, on the simulator's CLOCK_MONOTONIC stamps), and once
the program is idle again its resident memory is read with the mouse connected and the model
warm. Prints the median of each over the runs.

--whole-dictionary puts a file where the program's cache folder would be, so the recogniser
cannot keep its cut dictionary and loads the whole pronunciation dictionary (the figures of
the program before the cut). --where prints, for the last run, where the resident memory with
the mouse connected lies: per mapped file, the heap and anonymous mappings (/proc/PID/smaps).
Usage: idle_memory.py BIN_DIR [--runs N] [--whole-dictionary] [--where]
Targets: idle with a mouse < 120 MiB; first session key-down -> capture median < 30 ms.
"""
import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from simlink import SimLink, proc_figures  # noqa: E402

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SENTENCE = "go forward ten meters"


def settled_rss(pid, steady_seconds=3.0, timeout=60):
    """Resident memory once it has stayed within 0.25 MiB for steady_seconds."""
    deadline = time.monotonic() + timeout
    last = proc_figures(pid)["rss"]
    since = time.monotonic()
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = proc_figures(pid)["rss"]
        if abs(now - last) > 0.25:
            last, since = now, time.monotonic()
        elif time.monotonic() - since >= steady_seconds:
            return now
    return last


def resident_by_mapping(pid):
    """Resident KiB per mapping name: the file, "[heap]", "[stack]" or "anonymous"."""
    sizes = {}
    name = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            fields = line.split()
            if "-" in fields[0] and len(fields) >= 5 and ":" in fields[3]:
                name = fields[5] if len(fields) > 5 else "anonymous"
                if name.startswith("[stack:") or name.startswith("[anon"):
                    name = "anonymous"
            elif fields[0] == "Rss:":
                sizes[name] = sizes.get(name, 0) + int(fields[1])
    return sizes


def one_run(whole_dictionary, pcm_hex):
    from harness import World
    w = World({"recognition": {"engine": "xf", "language": "english", "ptt": "off"},
               "client": {"uiLanguage": "lan_en"}})
    link = None
    try:
        if whole_dictionary:
            with open(os.path.join(w.home, "cache"), "w") as f:
                f.write("not a folder\n")
        link = SimLink(w.socket)
        proc = w.start()
        log = os.path.join(w.home, "log.log")
        link.wait_until(lambda: os.path.exists(log) and "message loop running" in open(log).read(), 60)
        bare = settled_rss(proc.pid)

        mark = link.mark()
        link.ask("plug", device="mouse", model=1)
        link.wait(mark, "debug", text="Enter MouseProc...\n")
        time.sleep(1)  # the engine's worker has opened its recorders
        mark = link.mark()
        pressed = time.monotonic() * 1000.0
        link.ask("key", device="mouse", name="voice1", state="down")
        capture = link.wait(mark, "audio", state="start", block=3200)["t"] - pressed
        link.wait(mark, "audio", state="start", block=6400)
        link.ask("mic", pcm=pcm_hex)
        time.sleep(len(pcm_hex) / 2 / 32000 + 0.5)
        up = link.mark()
        link.ask("key", device="mouse", name="voice1", state="up")
        link.wait(up, "audio", state="stop")
        link.wait_until(lambda: len("".join(e["text"] for e in link.matching(mark, "clipboard"))
                                    .strip(" .")) >= len(SENTENCE), 60)
        typed = "".join(e["text"] for e in link.matching(mark, "clipboard")).strip(" .")
        connected = settled_rss(proc.pid)
        return bare, connected, capture, typed, resident_by_mapping(proc.pid)
    finally:
        if link:
            link.close()
        w.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--whole-dictionary", action="store_true")
    parser.add_argument("--where", action="store_true")
    args = parser.parse_args()
    os.environ["VELMORA_BIN_DIR"] = os.path.abspath(args.bin_dir)
    with open(SPEECH, "rb") as f:
        pcm_hex = f.read().hex()
    runs = [one_run(args.whole_dictionary, pcm_hex) for _ in range(args.runs)]
    bare = [r[0] for r in runs]
    connected = [r[1] for r in runs]
    capture = [r[2] for r in runs]
    texts = sorted({r[3] for r in runs})
    what = "whole dictionary" if args.whole_dictionary else "cut dictionary"
    print(f"{what}, {args.runs} fresh programs:")
    print(f"  idle, no device:              median {statistics.median(bare):.1f} MiB "
          f"(min {min(bare):.1f}, max {max(bare):.1f})")
    print(f"  idle, mouse, model warm:      median {statistics.median(connected):.1f} MiB "
          f"(min {min(connected):.1f}, max {max(connected):.1f})")
    print(f"  first session key-down -> capture: median {statistics.median(capture):.1f} ms "
          f"(min {min(capture):.1f}, max {max(capture):.1f})")
    print(f"  typed: {texts}")
    if args.where:
        sizes = runs[-1][4]
        total = sum(sizes.values())
        print(f"  where it lies (last run, {total / 1024:.1f} MiB resident):")
        for name, kib in sorted(sizes.items(), key=lambda item: -item[1])[:20]:
            print(f"    {kib / 1024:7.1f} MiB  {name}")


if __name__ == "__main__":
    main()
