#!/usr/bin/env python3
"""From a mouse report's arrival to its posted message being handled on the UI thread.

Sends reports straight on the simulator socket (no process start in the measured path) and
compares the send time with the "message" event the main window reports when it handles the
message; both use CLOCK_MONOTONIC. Key code 0x1E is posted again on every report (1129).
Usage: report_to_message.py BIN_DIR [REPORTS]
"""
import json
import os
import socket
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
os.environ["VELMORA_BIN_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
from harness import World  # noqa: E402

REPORT = "0a000000001e0001"  # key 0x1E: the mouse switched itself to typing mode


def main():
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    w = World()
    try:
        w.sim("plug", "mouse")
        w.start()
        w.wait_event("debug", text="Enter MouseProc...\n")
        conn = socket.socket(socket.AF_UNIX)
        conn.connect(w.socket)
        reader = conn.makefile("r")
        since = w.last_seq()
        sent = []
        for _ in range(count):
            sent.append(time.monotonic() * 1000.0)
            conn.sendall((json.dumps({"op": "report", "device": "mouse", "bytes": REPORT}) + "\n").encode())
            reader.readline()
            time.sleep(0.02)
        time.sleep(1)
        handled = [e["t"] for e in w.matching("message", since, msg=1129)]
        conn.close()
        if len(handled) != count:
            print(f"{len(handled)} of {count} reports became handled messages")
        # Event stamps are whole milliseconds: compare with the send time cut the same way.
        lat = sorted(h - int(s) for s, h in zip(sent, handled))
        p99 = lat[min(len(lat) - 1, int(len(lat) * 0.99))]
        print(f"report -> handled message (1 ms resolution): median {statistics.median(lat):.1f} ms, "
              f"p99 {p99:.1f} ms, max {lat[-1]:.1f} ms over {len(lat)} reports")
    finally:
        w.stop()


if __name__ == "__main__":
    main()
