"""Start-up, single instance, first run, log file, telemetry and crash dumps of the real program."""
import hashlib
import http.server
import os
import re
import signal
import socket
import subprocess
import threading
import time
import unittest

from harness import HANG_GUARD, World, write_ini
from x11close import close_window

LOG_RECORD = re.compile(
    r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{6} 0x[0-9a-f]+ (info|warning|error)\] .+$")
# Logged on the first turn of the message loop, after every start-up step.
STARTED = "message loop running"


class RecordingServer(http.server.ThreadingHTTPServer):
    def __init__(self):
        super().__init__(("127.0.0.1", 0), RecordingHandler)
        self.requests = []
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}"

    def close(self):
        self.shutdown()
        self.server_close()


class RecordingHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.server.requests.append((self.path, body))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


class SilentServer:
    """Accepts HTTP connections and never answers: a service that has become very slow."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.connections = []
        self.thread = threading.Thread(target=self._accept, daemon=True)
        self.thread.start()

    def _accept(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            self.connections.append(conn)

    def url(self):
        return f"http://127.0.0.1:{self.sock.getsockname()[1]}"

    def close(self):
        self.sock.close()
        for conn in self.connections:
            conn.close()


class AppShellTest(unittest.TestCase):
    def setUp(self):
        self.world = World(simulator=False)

    def tearDown(self):
        self.world.stop()

    def wait_for_file(self, path, timeout=HANG_GUARD):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if os.path.exists(path) and os.path.getsize(path) > 0:
                return
            time.sleep(0.05)
        self.fail(f"{path} did not appear")

    def wait_for_starts(self, home, count=1):
        """Waits until the program in home has finished starting count times."""
        path = os.path.join(home, "log.log")
        deadline = time.monotonic() + HANG_GUARD
        while time.monotonic() < deadline:
            if os.path.exists(path):
                with open(path, encoding="utf-8") as f:
                    if f.read().count(STARTED) >= count:
                        return
            time.sleep(0.05)
        self.fail(f"{path} does not show {count} finished start(s)")

    def stop_all(self):
        for proc in self.world.procs:
            proc.send_signal(signal.SIGTERM)
            proc.communicate(timeout=HANG_GUARD)
        self.world.procs.clear()

    def test_first_start_then_second_start(self):
        w = self.world
        w.start()
        autostart = os.path.join(w.home, "xdg", "autostart", w.channel + ".desktop")
        self.wait_for_file(autostart)
        self.wait_for_starts(w.home)
        self.stop_all()
        client = w.settings()["client"]
        self.assertEqual((client["first"], client["autoRun"]), ("no", "on"))
        with open(os.path.join(w.home, "log.log"), encoding="utf-8") as f:
            records = f.read().splitlines()
        self.assertTrue(records)
        for record in records:
            self.assertRegex(record, LOG_RECORD)
        # A second start runs no first-run action: a removed autostart entry stays removed.
        os.remove(autostart)
        w.start()
        self.wait_for_starts(w.home, 2)
        self.stop_all()
        self.assertFalse(os.path.exists(autostart))

    def test_second_instance_exits_and_other_channel_keeps_running(self):
        w = self.world
        first = w.start()
        self.wait_for_starts(w.home)
        second = subprocess.run([w.procs[0].args[0]], env=w.env, timeout=HANG_GUARD,
                                capture_output=True)
        self.assertEqual(second.returncode, 0)
        self.assertIsNone(first.poll())

        other = World(simulator=False)
        try:
            proc = other.start()
            self.wait_for_starts(other.home)
            self.assertIsNone(proc.poll())
        finally:
            other.stop()

    def test_start_reports_usage_events_byte_for_byte(self):
        server = RecordingServer()
        try:
            w = self.world
            write_ini(os.path.join(w.home, "endpoints.ini"), {"endpoints": {"service": server.url()}})
            w.start()
            deadline = time.monotonic() + HANG_GUARD
            while time.monotonic() < deadline and len(server.requests) < 2:
                time.sleep(0.05)
            self.stop_all()
        finally:
            server.close()
        mac = server.requests[0][1].split(b"&clientMac=")[1].split(b"&")[0]
        self.assertRegex(mac.decode(), r"^([0-9A-F]{2}(-[0-9A-F]{2}){5})?$")

        def body(kind, info):
            return (f"eventTypeId={kind}&eventTarget=&deviceVid=&devicePid=&clientMac={mac.decode()}"
                    f"&clientVersion=1.0.0&channelName={w.channel}&deviceType=MOUSE"
                    f"&eventInfo={info}&eventInfo1=").encode("utf-8")

        self.assertCountEqual(server.requests, [("/api/addEventLog.json", body(3, "软件启动")),
                                                ("/api/addEventLog.json", body(4, "新装软件"))])

    def wake_up_socket(self):
        token = hashlib.sha1(self.world.channel.encode()).hexdigest()[:16]
        return os.path.join(self.world.env["XDG_RUNTIME_DIR"], f"velmora-{token}.sock")

    def test_wake_up_channel_drops_other_messages_and_logs_once(self):
        w = self.world
        proc = w.start()
        log = os.path.join(w.home, "log.log")
        self.wait_for_file(log)
        for junk in (b"1124 1 0\n", b"1025 0 517\n", b"x" * 5000):
            with socket.socket(socket.AF_UNIX) as client:
                client.connect(self.wake_up_socket())
                client.sendall(junk)
                client.settimeout(10)
                self.assertEqual(client.recv(1), b"")  # the program hangs up after judging it
        second = subprocess.run([proc.args[0]], env=w.env, timeout=60, capture_output=True)
        self.assertEqual(second.returncode, 0)
        self.stop_all()
        with open(log, encoding="utf-8") as f:
            text = f.read()
        self.assertEqual(text.count("a message that is not the wake-up was dropped"), 1, text)
        self.assertNotIn("1124", text)

    def test_quitting_while_the_service_is_slow_is_clean(self):
        server = SilentServer()
        try:
            w = self.world
            write_ini(os.path.join(w.home, "endpoints.ini"), {"endpoints": {"service": server.url()}})
            workdir = os.path.join(w.home, "cwd")
            os.makedirs(workdir)
            proc = w.start(cwd=workdir)
            deadline = time.monotonic() + 15
            while time.monotonic() < deadline and len(server.connections) < 2:
                time.sleep(0.05)
            self.assertEqual(len(server.connections), 2, "start-up reports in flight")
            proc.send_signal(signal.SIGTERM)
            _, err = proc.communicate(timeout=30)
            w.procs.clear()
        finally:
            server.close()
        self.assertEqual(proc.returncode, 0, err.decode(errors="replace")[-2000:])
        self.assertEqual([f for f in os.listdir(workdir) if f.endswith(".dmp")], [])
        self.assertNotIn(b"Sanitizer", err)

    def test_main_window_closed_from_its_title_bar_comes_back_from_the_tray_alive(self):
        display = os.environ.get("VELMORA_TEST_DISPLAY")
        if not display:
            self.skipTest("needs the test X server of run-tests.sh")
        self.world.stop()
        self.world = w = World()
        w.sim("plug", "mouse5698")
        w.start(extra_env={"QT_QPA_PLATFORM": "xcb", "DISPLAY": display})
        w.wait_event("debug", text="Enter MouseProc...\n")

        def tray_click():  # a second instance wakes the first as its tray icon's left click does
            since = w.last_seq()
            second = subprocess.run([w.procs[0].args[0]], env=w.env, timeout=30, capture_output=True)
            self.assertEqual(second.returncode, 0)
            w.wait_event("window", since, name="MainWnd", visible=True)

        tray_click()
        since = w.last_seq()
        deadline = time.monotonic() + 15
        while not close_window(display, "OrvexMain") and time.monotonic() < deadline:
            time.sleep(0.05)
        w.wait_event("window", since, name="MainWnd", visible=False)
        tray_click()
        since = w.last_seq()
        w.sim("report", "mouse5698", "0a" + "00" * 10 + "01ab00ff10")
        w.wait_event("control", since, window="MainWnd", control="sn_lab", text="HMXWW01ab00ff10")

    def test_segmentation_fault_leaves_a_dump(self):
        w = self.world
        workdir = os.path.join(w.home, "cwd")
        os.makedirs(workdir)
        proc = w.start(cwd=workdir)
        self.wait_for_file(os.path.join(w.home, "log.log"))
        proc.send_signal(signal.SIGSEGV)
        proc.communicate(timeout=HANG_GUARD)
        w.procs.clear()
        dumps = [f for f in os.listdir(workdir) if f.endswith(".dmp")]
        self.assertEqual(len(dumps), 1, dumps)
        self.assertRegex(dumps[0], rf"^v1\.0-\d{{8}}-\d{{6}}-{proc.pid}-\d+\.dmp$")


if __name__ == "__main__":
    unittest.main()
