#!/usr/bin/env python3
"""Start-up time of velmora: from process start to the first turn of its message loop.

Starts and quits the program N times (default 10) with no device, once with the maker's
service reachable (a local server that answers at once) and once unreachable (a local port
that accepts connections and never answers), and prints the median and spread of each; then
the time of `velmora --version` (process start to exit).
Usage: startup_time.py BIN_DIR [RUNS]  (BIN_DIR may be an installed copy's bin folder, such as
the usr/bin of `dpkg-deb -x velmora_*.deb DIR`)
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


class Quiet(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


def one_start(bin_dir, service):
    home = tempfile.mkdtemp(prefix="velmora-bench-")
    try:
        with open(os.path.join(home, "custom.ini"), "w") as f:
            f.write(f"[client]\nchannelName=bench-{os.getpid()}-{time.monotonic_ns()}\nfirst=no\n")
        with open(os.path.join(home, "endpoints.ini"), "w") as f:
            f.write(f"[endpoints]\nservice={service}\n")
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, VELMORA_HOME=home, QT_QPA_PLATFORM="offscreen",
                   XDG_CONFIG_HOME=os.path.join(home, "xdg"), XDG_RUNTIME_DIR=runtime)
        env.pop("VELMORA_SIMULATOR", None)
        log = os.path.join(home, "log.log")
        started = time.monotonic()
        proc = subprocess.Popen([os.path.join(bin_dir, "velmora")], env=env,
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


def version_time(bin_dir, runs):
    times = []
    for _ in range(runs):
        started = time.monotonic()
        subprocess.run([os.path.join(bin_dir, "velmora"), "--version"], check=True,
                       stdout=subprocess.DEVNULL)
        times.append((time.monotonic() - started) * 1000)
    return (f"median {statistics.median(times):.1f} ms, min {min(times):.1f} ms,"
            f" max {max(times):.1f} ms over {runs} runs")


def measure(bin_dir, service, runs):
    times = [one_start(bin_dir, service) for _ in range(runs)]
    ok = [t * 1000 for t in times if t is not None]
    if not ok:
        return "no start reached its message loop"
    return (f"median {statistics.median(ok):.0f} ms, min {min(ok):.0f} ms, max {max(ok):.0f} ms"
            f" over {len(ok)}/{runs} starts")


def main():
    bin_dir = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    reachable = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Quiet)
    threading.Thread(target=reachable.serve_forever, daemon=True).start()
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(64)  # never accepted: connections hang until the client's limits
    print(f"service reachable:   {measure(bin_dir, f'http://127.0.0.1:{reachable.server_address[1]}', runs)}")
    print(f"service unreachable: {measure(bin_dir, f'http://127.0.0.1:{silent.getsockname()[1]}', runs)}")
    reachable.shutdown()
    silent.close()
    print(f"velmora --version:   {version_time(bin_dir, runs)}")


if __name__ == "__main__":
    main()
