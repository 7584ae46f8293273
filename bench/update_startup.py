#!/usr/bin/env python3
"""Start-up time of velmora with an update server that never answers against one that answers.

Starts and quits the program N times (default 10) per case, with no device, and prints the
median time from process start to the first turn of its message loop. The update check runs on
its own thread, so a silent update server must not lengthen the start.
Usage: update_startup.py BIN_DIR [RUNS]
"""
import http.server
import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

PNG = b"\x89PNG\r\n\x1a\n" + bytes(1000)


class Answering(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"1.0.0\n" if self.path.endswith("/update.txt") else PNG
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


def one_start(bin_dir, service, update):
    home = tempfile.mkdtemp(prefix="velmora-bench-")
    try:
        with open(os.path.join(home, "custom.ini"), "w") as f:
            f.write(f"[client]\nchannelName=bench-{os.getpid()}-{time.monotonic_ns()}\nfirst=no\n")
        with open(os.path.join(home, "endpoints.ini"), "w") as f:
            f.write(f"[endpoints]\nservice={service}\nupdate={update}\n")
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, VELMORA_HOME=home, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=os.path.join(home, "xdg"), XDG_RUNTIME_DIR=runtime)
        env.pop("VELMORA_SIMULATOR", None)
        log = os.path.join(home, "log.log")
        started = time.monotonic()
        proc = subprocess.Popen([os.path.join(bin_dir, "velmora")], env=env, cwd=home,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        elapsed = None
        while time.monotonic() - started < 30:
            if os.path.exists(log):
                with open(log, encoding="utf-8", errors="replace") as f:
                    if "message loop running" in f.read():
                        elapsed = time.monotonic() - started
                        break
            time.sleep(0.002)
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=30)
        return elapsed
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bin_dir, runs = os.path.abspath(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 10
    answering = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Answering)
    threading.Thread(target=answering.serve_forever, daemon=True).start()
    answering_url = f"http://127.0.0.1:{answering.server_address[1]}"
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(64)  # connections wait in the backlog, never answered
    silent_url = f"http://127.0.0.1:{silent.getsockname()[1]}/"
    results = {}
    cases = [("answers", answering_url + "/"), ("never answers", silent_url)]
    # Interleaved, each case first in every other round, so that a machine getting busier and
    # the first start of a round hurt both cases alike.
    for round_number in range(runs):
        for name, update in cases if round_number % 2 == 0 else cases[::-1]:
            t = one_start(bin_dir, answering_url, update)
            if t is not None:
                results.setdefault(name, []).append(t * 1000)
    for name in ("answers", "never answers"):
        times = results.get(name, [])
        if times:
            print(f"update server {name}: median {statistics.median(times):.1f} ms, "
                  f"min {min(times):.1f} ms, max {max(times):.1f} ms over {len(times)} starts")
        else:
            print(f"update server {name}: no start finished")
    if len(results) == 2:
        a, s = statistics.median(results["answers"]), statistics.median(results["never answers"])
        print(f"difference: {100 * (s - a) / a:+.1f} % (limit 5 %)")
    answering.shutdown()
    silent.close()


if __name__ == "__main__":
    main()
