#!/usr/bin/env python3
"""Dictation demo: a simulated voice mouse, a recorded sentence as the microphone, and the real
Velmora in between. Prints the text Velmora typed into the (simulated) focused window.
Usage: demo.py BIN_DIR
"""
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"


def main():
    bin_dir = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
    sim_bin = os.path.join(bin_dir, "velmora-sim")
    home = tempfile.mkdtemp(prefix="velmora-demo-")
    socket = os.path.join(home, "sim.sock")
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700)
    with open(os.path.join(home, "custom.ini"), "w", encoding="utf-8") as f:
        f.write(f"[client]\nfirst=no\nchannelName=velmora-demo-{os.getpid()}\n"
                "[recognition]\nlanguage=english\nptt=off\n")
    shutil.copy(os.path.join(bin_dir, "languages.ini"), home)
    env = dict(os.environ, VELMORA_HOME=home, VELMORA_SIMULATOR=socket,
               QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(home, "xdg"))
    env.pop("DISPLAY", None)

    def sim(*args):
        return subprocess.run([sim_bin, *args], env=env, check=True, capture_output=True,
                              text=True).stdout

    def events(since):
        out = sim("events", "--since", str(since))
        return [json.loads(line) for line in out.splitlines() if line.strip()]

    def wait_for(predicate, since, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for event in events(since):
                if predicate(event):
                    return event
            time.sleep(0.05)
        raise SystemExit(f"demo: timed out; see {home}/log.log")

    world = subprocess.Popen([sim_bin, "serve", "--socket", socket], env=env)
    velmora = None
    try:
        while not os.path.exists(socket):
            time.sleep(0.05)
        sim("plug", "mouse", "--serial", "DEMO0001")
        velmora = subprocess.Popen([os.path.join(bin_dir, "velmora")], env=env,
                                   stderr=subprocess.DEVNULL)
        wait_for(lambda e: e.get("text") == "Enter MouseProc...\n", 0, 30)
        print("demo: voice mouse connected; holding voice key 1")
        start = events(0)[-1]["seq"]
        sim("key", "mouse", "voice1", "down")
        # Speak once the recogniser listens (its recorder takes 200 ms blocks), as a user
        # starts speaking once the tip says so.
        wait_for(lambda e: e.get("kind") == "audio" and e.get("state") == "start"
                 and e.get("block") == 6400, start, 30)
        print("demo: speaking \"go forward ten meters\"")
        sim("mic", SPEECH)
        time.sleep(os.path.getsize(SPEECH) / 32000 + 0.5)
        released = events(0)[-1]["seq"]
        sim("key", "mouse", "voice1", "up")
        # The tip hides 1 s after the final result has been typed.
        wait_for(lambda e: e.get("kind") == "window" and e.get("name") == "VoiceTipWnd"
                 and e.get("visible") is False, released, 60)
        typed = "".join(e["text"] for e in events(start) if e.get("kind") == "clipboard")
        typed += "".join(e["text"] for e in events(start) if e.get("kind") == "char")
        print(f"demo: Velmora typed: {typed}")
        return 0 if typed else 1
    finally:
        if velmora:
            velmora.send_signal(signal.SIGTERM)
            velmora.wait(timeout=30)
        subprocess.run([sim_bin, "stop"], env=env, capture_output=True)
        world.wait(timeout=10)
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
