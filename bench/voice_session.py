#!/usr/bin/env python3
"""Voice session figures through the simulator, on the real program with local recognition:

- key-down report -> capture running (the sim's audio start event of the shared recorder)
- key-up report -> final text typed (the last clipboard event of the session)
- idle with a mouse connected and no session: CPU share of one core and resident memory

Times come from one clock: the simulator stamps events with CLOCK_MONOTONIC milliseconds, the
same clock as time.monotonic() here. Usage: voice_session.py BIN_DIR [SESSIONS] [IDLE_SECONDS]
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
os.environ["VELMORA_BIN_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
from harness import World  # noqa: E402

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"


def now_ms():
    return time.monotonic() * 1000.0


def one_session(w):
    since = w.last_seq()
    pressed = now_ms()
    w.sim("key", "mouse", "voice1", "down")
    capture = w.wait_event("audio", since, state="start", block=3200)
    w.wait_event("audio", since, state="start", block=6400)
    w.sim("mic", SPEECH)
    time.sleep(os.path.getsize(SPEECH) / 32000 + 0.6)
    released_seq = w.last_seq()
    released = now_ms()
    w.sim("key", "mouse", "voice1", "up")
    w.wait_event("window", released_seq, timeout=60, name="VoiceTipWnd", visible=False)
    typed = w.matching("clipboard", since)
    last = max(e["t"] for e in typed) if typed else None
    text = "".join(e["text"] for e in typed)
    return capture["t"] - pressed, (last - released) if last else None, text


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def main():
    sessions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    idle_seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 20
    w = World({"recognition": {"language": "english", "ptt": "off"}})
    try:
        w.sim("plug", "mouse", "--model", "01")
        proc = w.start()
        w.wait_event("debug", text="Enter MouseProc...\n")
        down, up, texts = [], [], []
        for _ in range(sessions):
            d, u, text = one_session(w)
            down.append(d)
            if u is not None:
                up.append(u)
            texts.append(text)
        print(f"key-down -> capture running: median {statistics.median(down):.1f} ms "
              f"(min {min(down):.1f}, max {max(down):.1f}) over {len(down)} sessions")
        if up:
            # Negative: the whole text was already typed while the key was held (results are
            # typed as they arrive) and the key-up brought no further text.
            print(f"key-up -> last text typed:   median {statistics.median(up):.1f} ms "
                  f"(min {min(up):.1f}, max {max(up):.1f}) over {len(up)} sessions")
        print(f"typed: {sorted(set(texts))}")
        time.sleep(2)
        start_cpu, start = cpu_seconds(proc.pid), time.monotonic()
        time.sleep(idle_seconds)
        share = (cpu_seconds(proc.pid) - start_cpu) / (time.monotonic() - start) * 100
        print(f"idle with a mouse connected: {share:.2f} % of one core over {idle_seconds:.0f} s, "
              f"resident memory {rss_mib(proc.pid):.0f} MiB")
    finally:
        w.stop()


if __name__ == "__main__":
    main()
