"""Drives the real velmora program and the velmora-sim world from end-to-end tests."""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import threading
import time
import uuid

BIN = os.environ.get("VELMORA_BIN_DIR", "")
# Limits on waits only guard against a hang: under a sanitizer on a loaded machine one start of
# the program or one velmora-sim call can take seconds.
HANG_GUARD = 30


def binary(name):
    path = os.path.join(BIN, name)
    if not os.path.exists(path):
        raise RuntimeError(f"{name} not found in VELMORA_BIN_DIR={BIN!r}")
    return path


def write_ini(path, sections):
    with open(path, "w", encoding="utf-8") as f:
        for section, keys in sections.items():
            f.write(f"[{section}]\n")
            for key, value in keys.items():
                f.write(f"{key}={value}\n")


def read_ini(path):
    result, section = {}, None
    if not os.path.exists(path):
        return result
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
                result.setdefault(section, {})
            elif "=" in line and section:
                key, value = line.split("=", 1)
                result[section][key] = value
    return result


class DrainedPopen(subprocess.Popen):
    """A program whose output is read as it comes. A pipe nobody reads holds 64 KiB; a long run
    that logs a line per session would fill it and then block on its next line, on whatever
    thread wrote it. communicate() gives everything the program wrote."""

    def __init__(self, args, **kwargs):
        super().__init__(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kwargs)
        self._out, self._err = bytearray(), bytearray()
        self._readers = [threading.Thread(target=self._drain, args=(stream, buffer), daemon=True)
                         for stream, buffer in ((self.stdout, self._out), (self.stderr, self._err))]
        for reader in self._readers:
            reader.start()

    @staticmethod
    def _drain(stream, buffer):
        for chunk in iter(lambda: stream.read1(65536), b""):
            buffer.extend(chunk)

    def communicate(self, input=None, timeout=None):
        self.wait(timeout)
        for reader in self._readers:
            reader.join()
        return bytes(self._out), bytes(self._err)


class World:
    """A temporary program home, a simulator world and, once started, one velmora process."""

    def __init__(self, settings=None, simulator=True):
        self.home = tempfile.mkdtemp(prefix="velmora-e2e-")
        self.channel = "e2e-" + uuid.uuid4().hex[:12]
        sections = {"client": {"channelName": self.channel}}
        for section, keys in (settings or {}).items():
            sections.setdefault(section, {}).update(keys)
        write_ini(os.path.join(self.home, "custom.ini"), sections)
        shutil.copy(binary("languages.ini"), self.home)
        self.env = dict(os.environ)
        self.env.update({
            "VELMORA_HOME": self.home,
            "QT_QPA_PLATFORM": "offscreen",
            "XDG_CONFIG_HOME": os.path.join(self.home, "xdg"),
        })
        self.env.pop("VELMORA_SIMULATOR", None)
        self.env.pop("DISPLAY", None)
        runtime = os.path.join(self.home, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.sim_proc = None
        self.procs = []
        self.sanitizer_dir = self._route_thread_sanitizer_reports()
        if simulator:
            self.socket = os.path.join(self.home, "sim.sock")
            self.env["VELMORA_SIMULATOR"] = self.socket
            self.sim_proc = subprocess.Popen([binary("velmora-sim"), "serve", "--socket", self.socket],
                                             env=self.env, stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL)
            self._wait_for(lambda: os.path.exists(self.socket), HANG_GUARD, "simulator socket")

    def _route_thread_sanitizer_reports(self):
        # Under the thread sanitizer every process started here writes its reports to files of
        # its own, so that a race in velmora or velmora-sim fails the test that provoked it even
        # when nobody reads that process's output.
        options = self.env.get("TSAN_OPTIONS")
        if options is None:
            return None
        folder = tempfile.mkdtemp(prefix="velmora-e2e-tsan-")
        self.env["TSAN_OPTIONS"] = options + ":log_path=" + os.path.join(folder, "report")
        return folder

    def _collect_sanitizer_reports(self):
        if not self.sanitizer_dir:
            return []
        reports = []
        for name in sorted(os.listdir(self.sanitizer_dir)):
            with open(os.path.join(self.sanitizer_dir, name), errors="replace") as f:
                reports.append(f.read())
        shutil.rmtree(self.sanitizer_dir, ignore_errors=True)
        return reports

    def _wait_for(self, predicate, timeout, what):
        # The condition is looked at once more after the deadline, so a slow check near the end
        # is not counted as a time-out.
        deadline = time.monotonic() + timeout
        while True:
            past = time.monotonic() > deadline
            if predicate():
                return
            if past:
                raise AssertionError(f"timed out waiting for {what}")
            time.sleep(0.05)

    def sim(self, *args, check=True):
        run = subprocess.run([binary("velmora-sim"), *args], env=self.env, capture_output=True,
                             text=True, timeout=30)
        if check and run.returncode != 0:
            raise AssertionError(f"velmora-sim {' '.join(args)} failed: {run.stderr}")
        return run

    def start(self, extra_env=None, cwd=None):
        env = dict(self.env)
        env.update(extra_env or {})
        proc = DrainedPopen([binary("velmora")], env=env, cwd=cwd or self.home)
        self.procs.append(proc)
        return proc

    def events(self, since=0):
        out = self.sim("events", "--since", str(since)).stdout
        return [json.loads(line) for line in out.splitlines() if line.strip()]

    def last_seq(self):
        events = self.events()
        return events[-1]["seq"] if events else 0

    def wait_event(self, kind, since=0, timeout=HANG_GUARD, **where):
        found = []

        def match():
            for e in self.events(since):
                if e.get("kind") == kind and all(e.get(k) == v for k, v in where.items()):
                    found.append(e)
                    return True
            return False

        self._wait_for(match, timeout, f"{kind} event {where}")
        return found[0]

    def matching(self, kind, since=0, **where):
        return [e for e in self.events(since)
                if e.get("kind") == kind and all(e.get(k) == v for k, v in where.items())]

    def settings(self):
        return read_ini(os.path.join(self.home, "custom.ini"))

    def stop(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
        for proc in self.procs:
            try:
                proc.communicate(timeout=HANG_GUARD)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.communicate()
        if self.sim_proc:
            self.sim("stop", check=False)
            try:
                self.sim_proc.wait(timeout=HANG_GUARD)
            except subprocess.TimeoutExpired:
                self.sim_proc.kill()
        shutil.rmtree(self.home, ignore_errors=True)
        reports = self._collect_sanitizer_reports()
        if reports:
            raise AssertionError("sanitizer reports from the programs:\n" + "\n".join(reports))
