#!/usr/bin/env python3
"""The maker's service and a recognition vendor failing in every way, on the real program.

One local server stands in for all of them (service, update server, vendor token service and
streaming address, over TLS with a test CA) and fails in one way at a time:
  refused     nothing listens on the port
  silent      connections are accepted and never answered
  cut         the reply's headers promise more body than comes, then the connection closes
  500         HTTP 500
  junk        10 MB of random bytes after a 200 status line
  wrong-host  the TLS certificate names another host
In each way the program, started with VELMORA_LOOP_WATCH=1, goes through a sign-in, a command
list fetch (the mouse plugged in again), an update check from the settings window and a
dictation; then the benchmark waits for its threads to come back to what they were before.

Prints, per way and overall, the longest gap between two turns of the UI message loop (the
program's `loop` events) and the threads before and after. Targets: longest gap < 100 ms, no
thread left behind. Usage: service_faults.py BIN_DIR [--engine xf|sg ...] [--ways w1,w2]
"""
import argparse
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from simlink import GUARD, SimLink, proc_figures  # noqa: E402

WAYS = ["refused", "silent", "cut", "500", "junk", "wrong-host"]
JUNK_BYTES = 10 * 1024 * 1024
CLIP = "/usr/share/pocketsphinx/test/data/goforward.raw"
XF_CREDENTIALS = {"xf_appid": "0a1b2c3d", "xf_api_key": "00112233445566778899aabbccddeeff",
                  "xf_api_secret": "ffeeddccbbaa99887766554433221100"}
SG_CREDENTIALS = {"sg_appid": "AppIdFaults0123456789abcdef", "sg_appkey": "c2dBcHBLZXk=" * 4}


def make_pki(directory):
    """A test CA and two certificates it signed: one for localhost, one for another host."""
    def run(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)
    ca, ca_key = os.path.join(directory, "ca.pem"), os.path.join(directory, "ca.key")
    run("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-days", "2", "-subj", "/CN=Velmora faults CA", "-keyout", ca_key, "-out", ca,
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
    pairs = {}
    for name, host in (("right", "localhost"), ("wrong", "other.example")):
        key, csr = os.path.join(directory, f"{name}.key"), os.path.join(directory, f"{name}.csr")
        cert, ext = os.path.join(directory, f"{name}.pem"), os.path.join(directory, f"{name}.ext")
        with open(ext, "w") as f:
            f.write(f"basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:{host}\n")
        run("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
            "-subj", f"/CN={host}", "-keyout", key, "-out", csr)
        run("x509", "-req", "-days", "2", "-in", csr, "-CA", ca, "-CAkey", ca_key,
            "-CAcreateserial", "-extfile", ext, "-out", cert)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        pairs[name] = context
    return ca, pairs


class FaultServer:
    """A TLS server on a fixed port that fails every request in the current way."""

    def __init__(self, contexts):
        self.contexts = contexts
        self.way = "500"
        self.lock = threading.Lock()
        self.held = []
        self.requests = 0
        self.junk = os.urandom(JUNK_BYTES)
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        self.listener = None
        self._listen()

    def _listen(self):
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", self.port))
        listener.listen(64)
        self.listener = listener
        threading.Thread(target=self._accept, args=(listener,), daemon=True).start()

    def set_way(self, way):
        with self.lock:
            self.way = way
            for sock in self.held:
                try:
                    sock.close()
                except OSError:
                    pass
            self.held = []
        if way == "refused" and self.listener:
            self.listener.close()
            self.listener = None
        elif way != "refused" and not self.listener:
            self._listen()

    def _accept(self, listener):
        while True:
            try:
                sock, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(sock,), daemon=True).start()

    def _serve(self, sock):
        with self.lock:
            way = self.way
            self.requests += 1
            if way == "silent":
                self.held.append(sock)
                return
        try:
            sock.settimeout(30)
            tls = self.contexts["wrong" if way == "wrong-host" else "right"].wrap_socket(
                sock, server_side=True)
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = tls.recv(65536)
                if not chunk:
                    return
                request += chunk
            if way == "cut":
                body = b'{"rc":"0","msg":"ok","data":{"id":42,"phone":"13800138000"}}'
                tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                            b"Content-Length: %d\r\n\r\n" % len(body) + body[:len(body) // 2])
            elif way == "500":
                tls.sendall(b"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 21\r\n"
                            b"Connection: close\r\n\r\nInternal Server Error")
            elif way == "junk":
                tls.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n"
                            % len(self.junk) + self.junk)
            tls.close()
        except (OSError, ssl.SSLError):
            pass
        finally:
            try:
                sock.close()
            except OSError:
                pass

    def close(self):
        self.set_way("refused")


class Program:
    def __init__(self, engine, server, ca):
        from harness import World, write_ini
        self.engine = engine
        self.world = World({"recognition": {"engine": engine, "language": "english", "ptt": "off"},
                            "client": {"uiLanguage": "lan_en"}})
        base = f"https://localhost:{server.port}"
        write_ini(os.path.join(self.world.home, "endpoints.ini"), {
            "endpoints": {"service": base, "update": base + "/update/",
                          "xf_iat": f"wss://localhost:{server.port}/v2/iat",
                          "sg_token": base + "/apis/auth/v1/create_token",
                          "sg_stream": f"wss://localhost:{server.port}/wss/asr/v1/streaming_recognize"},
            "credentials": dict(XF_CREDENTIALS, **SG_CREDENTIALS),
            "tls": {"ca_file": ca}})
        self.link = SimLink(self.world.socket)
        with open(CLIP, "rb") as f:
            self.clip = f.read()[:32000].hex()
        self.proc = None
        self.notes = []

    def start(self):
        mark = self.link.mark()
        self.link.ask("plug", device="mouse", model=1)
        self.proc = self.world.start({"VELMORA_LOOP_WATCH": "1"})
        self.link.wait(mark, "debug", text="Enter MouseProc...\n")
        self.link.wait(mark, "loop")
        mark = self.link.mark()
        self.link.ask("tray", button="left")
        self.link.wait(mark, "window", name="MainWnd", visible=True)

    def run_steps(self):
        for what, action in (("sign-in", self.sign_in), ("command fetch", self.fetch_commands),
                             ("update check", self.check_update), ("dictation", self.dictate)):
            self.step(what, action)

    def step(self, what, action):
        try:
            action()
        except (TimeoutError, RuntimeError) as e:
            self.notes.append(f"{what}: {e}")

    def sign_in(self):
        link = self.link
        mark = link.mark()
        if not link.matching(0, "window", name="LoginWnd") or \
                link.matching(0, "window", name="LoginWnd")[-1].get("visible") is False:
            link.ask("click", window="MainWnd", control="head_btn")
            link.wait(mark, "window", name="LoginWnd", visible=True)
        link.ask("type", window="LoginWnd", control="pw_tel_edit", text="13800138000")
        link.ask("type", window="LoginWnd", control="pw_edit", text="secret99")
        self.click_and_wait_for_the_call(link, "LoginWnd", "login_btn")

    def fetch_commands(self):
        mark = self.link.mark()
        self.link.ask("unplug", device="mouse")
        self.link.wait(mark, "device", action="unplug")
        self.link.ask("plug", device="mouse", model=1)
        self.link.wait(mark, "debug", text="Enter MouseProc...\n")

    def check_update(self):
        link = self.link
        mark = link.mark()
        shown = link.matching(0, "window", name="SetWnd")
        if not shown or shown[-1].get("visible") is False:
            link.ask("tray", button="right")
            link.wait(mark, "window", name="MenuWnd", visible=True)
            link.ask("click", window="MenuWnd", control="set_btn")
            link.wait(mark, "window", name="SetWnd", visible=True)
            link.ask("click", window="SetWnd", control="about_opt")
        self.click_and_wait_for_the_call(link, "SetWnd", "update_btn")

    def click_and_wait_for_the_call(self, link, window, control, timeout=25):
        """Clicks a button that starts a service call on its own thread, and waits until the
        call answered with a box or its thread ended (a failed transfer shows no box)."""
        threads = proc_figures(self.proc.pid)["threads"]
        mark = link.mark()
        link.ask("click", window=window, control=control)
        started = time.monotonic()
        while time.monotonic() - started < timeout:
            if link.matching(mark, "msgbox"):
                return
            if time.monotonic() - started > 0.5 and proc_figures(self.proc.pid)["threads"] <= threads:
                return
            time.sleep(0.1)
        raise TimeoutError(f"the call of {window}.{control} neither answered nor ended in {timeout} s")

    def dictate(self):
        link = self.link
        mark = link.mark()
        link.ask("key", device="mouse", name="voice1", state="down")
        link.wait(mark, "control", window="VoiceTipWnd", control="tip_text", text="Please speak")
        if self.engine == "xf":
            link.wait(mark, "audio", state="start", block=6400)
            link.ask("mic", pcm=self.clip)
            time.sleep(len(self.clip) / 2 / 32000 + 0.3)
        else:
            link.wait(mark, "engine", engine=self.engine, state="failed")
        link.ask("key", device="mouse", name="voice1", state="up")

    def longest_gap(self, mark):
        gaps = [e["max_gap_ms"] for e in self.link.matching(mark, "loop")]
        return max(gaps) if gaps else None

    def settle(self, want, timeout):
        """Threads once back to `want` (or when the wait ran out)."""
        deadline = time.monotonic() + timeout
        threads = proc_figures(self.proc.pid)["threads"]
        while threads > want and time.monotonic() < deadline:
            time.sleep(0.25)
            threads = proc_figures(self.proc.pid)["threads"]
        return threads

    def stop(self):
        self.link.close()
        self.world.stop()


def run_engine(engine, server, ca, ways, show):
    program = Program(engine, server, ca)
    rows = []
    try:
        server.set_way("500")
        program.start()
        # One warm-up round against the 500 server starts the threads that stay for the
        # program's life (the engine's worker, the recogniser); the baseline is read after it.
        program.run_steps()
        program.link.wait_until(lambda: False, 5)
        baseline = proc_figures(program.proc.pid)["threads"]
        for way in ways:
            server.set_way(way)
            mark = program.link.mark()
            program.notes = []
            program.run_steps()
            peak = proc_figures(program.proc.pid)["threads"]
            after = program.settle(baseline, GUARD)
            # One more period, so that the loop's report covers the settling too.
            end = program.link.mark()
            program.link.wait(end, "loop")
            row = (way, program.longest_gap(mark), baseline, peak, after, list(program.notes))
            show(row)
            rows.append(row)
            baseline = min(baseline, after)
        server.set_way("500")
    finally:
        program.stop()
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("--engine", action="append", choices=["xf", "sg"])
    parser.add_argument("--ways", default=",".join(WAYS))
    args = parser.parse_args()
    os.environ["VELMORA_BIN_DIR"] = os.path.abspath(args.bin_dir)
    ways = [w for w in args.ways.split(",") if w]
    pki = tempfile.mkdtemp(prefix="velmora-faults-")
    ca, contexts = make_pki(pki)
    server = FaultServer(contexts)
    worst, left = 0, 0
    try:
        for engine in args.engine or ["xf", "sg"]:
            print(f"engine \"{engine}\":", flush=True)
            def show(row):
                nonlocal worst, left
                way, gap, before, peak, after, notes = row
                worst = max(worst, gap or 0)
                left += max(0, after - before)
                print(f"  {way:<10} longest loop gap {gap if gap is not None else '-':>5} ms, "
                      f"threads {before} before, {peak} at the peak, {after} after", flush=True)
                for note in notes:
                    print(f"             ({note})", flush=True)

            run_engine(engine, server, ca, ways, show)
    finally:
        server.close()
        shutil.rmtree(pki, ignore_errors=True)
    print(f"longest gap between two turns of the message loop: {worst} ms (target < 100 ms)")
    print(f"threads left behind: {left}")


if __name__ == "__main__":
    main()
