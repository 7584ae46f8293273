#!/usr/bin/env python3
"""A long run of dictation sessions through the simulator, on the real program.

Two programs run side by side, each in its own simulated world and for the whole run:
one on the "xf" engine (local recognition plus the live dictation stream, served here by a
local TLS fake of the vendor) and one on "ms" (no engine). Each session is: key down, the
recogniser listens, a short clip on the microphone, key up, the text typed; every few
sessions the mouse is unplugged and plugged in again. The engine switches every few sessions:
an "ms" session must type nothing and still end with "Processing...".

Prints sessions completed, sessions whose text was typed exactly once, resident memory at
session 10 and at the last session, and open file descriptors and threads before (after the
first session) and after (after the last), read from /proc/PID.

Usage: soak_sessions.py BIN_DIR [--sessions N] [--replug-every N] [--switch-every N]
Targets: every session typed exactly once, growth < 5 MiB, no descriptor or thread left.
"""
import argparse
import json
import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from simlink import GUARD, SimLink, proc_figures  # noqa: E402

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SENTENCE = "go forward ten meters"
SENSOR_3205 = "01"
XF_APPID = "0a1b2c3d"
XF_KEY = "00112233445566778899aabbccddeeff"
XF_SECRET = "ffeeddccbbaa99887766554433221100"


def xf_vendor(conn, frame):
    """The live stream's vendor: hears the audio, answers the last frame with an empty final
    result (the local recogniser types the text, so the stream adds nothing)."""
    try:
        status = json.loads(frame).get("data", {}).get("status")
    except ValueError:
        return
    if status == 2:
        conn.send('{"code":0,"message":"success","sid":"soak",'
                  '"data":{"status":2,"result":{"sn":1,"ls":true,"ws":[]}}}')


class Program:
    """One velmora program in its own world, on one engine."""

    def __init__(self, engine, endpoints, pcm_hex):
        from harness import World, write_ini
        self.engine = engine
        self.pcm_hex = pcm_hex
        self.world = World({"recognition": {"engine": engine, "language": "english", "ptt": "off"},
                            "client": {"uiLanguage": "lan_en"}})
        write_ini(os.path.join(self.world.home, "endpoints.ini"), endpoints)
        self.link = SimLink(self.world.socket)
        self.proc = None
        self.completed = 0
        self.exact = 0
        self.faults = []
        self.streamed = 0

    def start(self):
        mark = self.link.mark()
        self.link.ask("plug", device="mouse", model=int(SENSOR_3205, 16))
        self.proc = self.world.start()
        self.link.wait(mark, "debug", text="Enter MouseProc...\n")

    def replug(self, number):
        """Unplugs and plugs the mouse; a plug-in the program misses is a fault, after which
        the mouse is plugged in once more so that the run goes on."""
        for attempt in range(2):
            mark = self.link.mark()
            self.link.ask("unplug", device="mouse")
            self.link.wait(mark, "device", action="unplug")
            self.link.ask("plug", device="mouse", model=int(SENSOR_3205, 16))
            try:
                self.link.wait(mark, "debug", text="Enter MouseProc...\n")
                return
            except TimeoutError:
                seen = [(e["kind"], e.get("msg", e.get("text", e.get("action", ""))))
                        for e in self.link.matching(mark, "message") + self.link.matching(mark, "debug")
                        + self.link.matching(mark, "device")]
                self.faults.append(f"before session {number} ({self.engine}): re-plug "
                                   f"{attempt + 1} not taken up; seen {seen[:12]}")

    def typed(self, mark):
        return "".join(e["text"] for e in self.link.matching(mark, "clipboard"))

    def session(self, number):
        """One dictation session; True when it completed. Counts the exactly-once typing."""
        link = self.link
        mark = link.mark()
        try:
            link.ask("key", device="mouse", name="voice1", state="down")
            link.wait(mark, "control", window="VoiceTipWnd", control="tip_text", text="Please speak")
            if self.engine == "xf":
                # Speech starts once the recogniser's own recorder (200 ms blocks) listens.
                link.wait(mark, "audio", state="start", block=6400)
                link.ask("mic", pcm=self.pcm_hex)
                # The queued clip plays in real time once capture runs: heard in full when the
                # microphone has delivered its length after the start.
                time.sleep(len(self.pcm_hex) / 2 / 32000 + 0.3)
            up = link.mark()
            link.ask("key", device="mouse", name="voice1", state="up")
            link.wait(up, "control", window="VoiceTipWnd", control="tip_text", text="Processing...")
            if self.engine == "xf":
                link.wait(up, "audio", state="stop")
                if not link.wait_until(lambda: len(self.typed(mark).strip(" .")) >= len(SENTENCE)):
                    raise TimeoutError("the sentence was not typed")
        except (TimeoutError, RuntimeError) as e:
            self.faults.append(f"session {number} ({self.engine}): {e}")
            return False
        self.completed += 1
        return True

    def judge(self, mark, number):
        """The session's typed text, read once the next session started (so a late or doubled
        piece is seen): the sentence exactly once for "xf", nothing for "ms"."""
        text = self.typed(mark).strip(" .")
        want = SENTENCE if self.engine == "xf" else ""
        if text == want:
            self.exact += 1
        else:
            self.faults.append(f"session {number} ({self.engine}) typed {text!r}")

    def settled(self, want, timeout=GUARD):
        """Figures once threads and descriptors are back to `want` (or the wait ran out)."""
        deadline = time.monotonic() + timeout
        figures = proc_figures(self.proc.pid)
        while time.monotonic() < deadline and (figures["threads"] > want["threads"] or
                                               figures["fds"] > want["fds"]):
            time.sleep(0.2)
            figures = proc_figures(self.proc.pid)
        return figures

    def stop(self):
        self.link.close()
        self.world.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bin_dir")
    parser.add_argument("--sessions", type=int, default=1000)
    parser.add_argument("--replug-every", type=int, default=7)
    parser.add_argument("--switch-every", type=int, default=10,
                        help="sessions on one engine before switching to the other")
    parser.add_argument("--ms-share", type=int, default=5,
                        help="of each 2*switch-every sessions, how many run on \"ms\"")
    args = parser.parse_args()
    os.environ["VELMORA_BIN_DIR"] = os.path.abspath(args.bin_dir)
    from fake_vendors import HttpService, WsServer, make_pki

    with open(SPEECH, "rb") as f:
        pcm_hex = f.read().hex()
    pki_dir = tempfile.mkdtemp(prefix="velmora-soak-")
    ca, cert, key = make_pki(pki_dir)
    service = HttpService(200, '{"rc":"0","msg":"ok","data":[]}')
    stream = WsServer(xf_vendor, tls=(cert, key))
    endpoints = {"endpoints": {"service": f"http://127.0.0.1:{service.port}",
                               "update": f"http://127.0.0.1:{service.port}/update/",
                               "xf_iat": f"wss://localhost:{stream.port}/v2/iat"},
                 "credentials": {"xf_appid": XF_APPID, "xf_api_key": XF_KEY,
                                 "xf_api_secret": XF_SECRET},
                 "tls": {"ca_file": ca}}
    programs = {name: Program(name, endpoints, pcm_hex) for name in ("xf", "ms")}
    figures = {}
    started = time.monotonic()
    try:
        for program in programs.values():
            program.start()
        # The "ms" program takes ms_share of every 2*switch_every sessions.
        cycle = 2 * args.switch_every
        plan = ["ms" if i % cycle >= cycle - args.ms_share else "xf" for i in range(args.sessions)]
        plan[0] = "xf"
        counts = {name: 0 for name in programs}
        pending = {}
        for number in range(1, args.sessions + 1):
            program = programs[plan[number - 1]]
            counts[program.engine] += 1
            if counts[program.engine] > 1 and counts[program.engine] % args.replug_every == 0:
                program.replug(number)
            mark = program.link.mark()
            if program.engine in pending:
                program.judge(*pending.pop(program.engine))
            program.session(number)
            pending[program.engine] = (mark, number)
            n = counts[program.engine]
            if n == 1:
                figures[(program.engine, "first")] = proc_figures(program.proc.pid)
            if n == 10:
                figures[(program.engine, "10")] = proc_figures(program.proc.pid)
            if number % 50 == 0:
                print(f"  {number} sessions, {time.monotonic() - started:.0f} s", flush=True)
        for name, (mark, number) in pending.items():
            programs[name].link.wait_until(lambda: False, 2)  # late pieces of the last session
            programs[name].judge(mark, number)
        programs["xf"].streamed = len(programs["xf"].link.matching(
            0, "debug", text="**********\u5f00\u59cb\u53d1\u9001\u8bed\u97f3\u6570\u636e*********\n"))
        for name, program in programs.items():
            if (name, "first") in figures:
                figures[(name, "last")] = program.settled(figures[(name, "first")])
    finally:
        for program in programs.values():
            program.stop()
        stream.close()
        service.close()
        shutil.rmtree(pki_dir, ignore_errors=True)

    total = args.sessions
    completed = sum(p.completed for p in programs.values())
    exact = sum(p.exact for p in programs.values())
    print(f"soak: {total} sessions in {time.monotonic() - started:.0f} s "
          f"({counts['xf']} on \"xf\", {counts['ms']} on \"ms\")")
    print(f"sessions completed:         {completed}/{total}")
    print(f"typed exactly once:         {exact}/{total} "
          "(\"xf\": the sentence once; \"ms\": no engine, nothing typed)")
    for name in programs:
        if (name, "last") not in figures:
            continue
        first, last = figures[(name, "first")], figures[(name, "last")]
        at10 = figures.get((name, "10"), first)
        print(f"\"{name}\" program: resident memory {at10['rss']:.1f} MiB at its session 10, "
              f"{last['rss']:.1f} MiB at its last ({last['rss'] - at10['rss']:+.1f} MiB); "
              f"descriptors {first['fds']} -> {last['fds']}, threads {first['threads']} -> "
              f"{last['threads']}")
    streamed = programs["xf"].streamed
    print(f"\"xf\" sessions whose audio went to the live stream: {streamed}/{counts['xf']}")
    faults = [f for p in programs.values() for f in p.faults]
    for fault in faults[:20]:
        print(f"  fault: {fault}")
    if len(faults) > 20:
        print(f"  ... {len(faults) - 20} more")


if __name__ == "__main__":
    main()
