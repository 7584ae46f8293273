"""The update check and the contact picture of the real program against a local update server."""
import hashlib
import http.server
import os
import stat
import threading
import time
import unittest
import urllib.parse

from harness import HANG_GUARD, World, write_ini

QUESTION_EN = "Is the software found a new version, is it updated?"
QUESTION_CN = "软件发现新版本,是否更新？"
PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 4


class UpdateServer(http.server.ThreadingHTTPServer):
    """Serves fixed bodies by path (everything else: 404) and records the paths asked for."""

    def __init__(self):
        super().__init__(("127.0.0.1", 0), UpdateHandler)
        self.routes = {}
        self.paths = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}/"

    def asked(self):
        with self.lock:
            return list(self.paths)

    def close(self):
        self.shutdown()
        self.server_close()


class UpdateHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with self.server.lock:
            self.server.paths.append(self.path)
        status, body = self.server.routes.get(self.path, (404, b"<html>not found</html>"))
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class UpdateTest(unittest.TestCase):
    def setUp(self):
        self.server = UpdateServer()

    def tearDown(self):
        if hasattr(self, "world"):
            self.world.stop()
        self.server.close()

    def make_world(self, language="lan_en"):
        self.world = World(settings={"client": {"uiLanguage": language}})
        write_ini(os.path.join(self.world.home, "endpoints.ini"),
                  {"endpoints": {"update": self.server.url()}})
        return self.world

    def path(self, name):
        return f"/{self.world.channel}/{name}"

    def picture_path(self):
        return os.path.join(self.world.home, "skin", "Orvanta", "contact", "contact.png")

    def package_path(self):
        return os.path.join(self.world.home, "Velmora_.deb")

    def serve_newer(self, package, digest=None):
        channel = self.world.channel
        digest = digest or hashlib.sha256(package).hexdigest()
        self.server.routes[self.path("update.txt")] = (200, b"1.0.1\r\n")
        self.server.routes[self.path(f"{channel}.deb.sha256")] = (
            200, f"{digest}  {channel}.deb\n".encode())
        self.server.routes[self.path(f"{channel}.deb")] = (200, package)

    def wait_for(self, predicate, what):
        deadline = time.monotonic() + HANG_GUARD
        while not predicate():
            if time.monotonic() > deadline:
                self.fail(f"timed out waiting for {what}")
            time.sleep(0.05)

    def log_text(self):
        path = os.path.join(self.world.home, "log.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_start_up_fetches_the_version_file_and_the_picture_byte_for_byte(self):
        w = self.make_world()
        self.server.routes[self.path("update.txt")] = (200, b"1.0.0\n")
        self.server.routes[self.path("contact.png")] = (200, PNG)
        w.start()
        self.wait_for(lambda: os.path.exists(self.picture_path()) and
                      self.read(self.picture_path()) == PNG, "the contact picture")
        self.wait_for(lambda: self.path("update.txt") in self.server.asked(), "the version file")
        self.assertFalse(os.path.exists(self.package_path()))
        self.assertEqual(w.matching("msgbox"), [], "no box for a check nobody asked for")

    def test_a_missing_picture_keeps_the_old_one(self):
        w = self.make_world()
        os.makedirs(os.path.dirname(self.picture_path()))
        old = PNG[:-1] + b"o"
        with open(self.picture_path(), "wb") as f:
            f.write(old)
        w.start()
        self.wait_for(lambda: "contact picture not refreshed: status 404" in self.log_text(),
                      "the refused picture in the log")
        self.assertIn(self.path("contact.png"), self.server.asked())
        self.assertEqual(self.read(self.picture_path()), old)

    def test_newer_version_asks_and_ok_hands_the_package_over_then_exits_0(self):
        w = self.make_world()
        package = os.urandom(200000)
        self.serve_newer(package)
        w.sim("answer", "ok")
        proc = w.start()
        box = w.wait_event("msgbox", text=QUESTION_EN)
        self.assertEqual(box["buttons"], "okcancel")
        self.assertEqual(box["icon"], "warning")
        self.assertEqual(box.get("caption", ""), "")
        opened = w.wait_event("open", via="update")
        url = "file://" + urllib.parse.quote(self.package_path())
        self.assertEqual(opened["target"], url)
        self.assertEqual(proc.wait(timeout=HANG_GUARD), 0)
        self.assertEqual(len(w.matching("open", via="update")), 1)
        self.assertEqual(self.read(self.package_path()), package)
        mode = os.stat(self.package_path()).st_mode
        self.assertEqual(mode & (stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH), 0)

    def test_cancel_keeps_the_package_and_the_program(self):
        w = self.make_world(language="lan_cn")
        package = os.urandom(5000)
        self.serve_newer(package)
        w.sim("answer", "cancel")
        proc = w.start()
        w.wait_event("msgbox", text=QUESTION_CN)
        self.wait_for(lambda: "message loop running" in self.log_text(), "the end of start-up")
        self.assertEqual(w.matching("open", via="update"), [])
        self.assertIsNone(proc.poll())
        self.assertEqual(self.read(self.package_path()), package)

    def test_wrong_checksum_asks_nothing_and_leaves_no_file(self):
        w = self.make_world()
        package = os.urandom(5000)
        self.serve_newer(package, digest="0" * 64)
        w.start()
        self.wait_for(lambda: "package download failed" in self.log_text(),
                      "the failed download in the log")
        self.assertIn(self.path(f"{w.channel}.deb"), self.server.asked())
        self.assertEqual(w.matching("msgbox"), [])
        self.assertFalse(os.path.exists(self.package_path()))
        self.assertFalse(os.path.exists(self.package_path() + ".part"))

    # --- checks the user asks for -------------------------------------------------------------

    def press_update_button(self):
        """Opens the settings window from the tray menu and presses its update button once the
        start-up check is over; returns the event sequence number before the press."""
        w = self.world
        self.wait_for(lambda: "message loop running" in self.log_text(), "the end of start-up")
        since = w.last_seq()
        w.sim("tray", "right")
        w.wait_event("window", since, name="MenuWnd", visible=True)
        w.sim("click", "MenuWnd", "set_btn")
        w.wait_event("window", since, name="SetWnd", visible=True)
        w.sim("click", "SetWnd", "about_opt")
        since = w.last_seq()
        w.sim("click", "SetWnd", "update_btn")
        return since

    def test_update_button_with_a_wrong_checksum_says_update_failed(self):
        w = self.make_world()
        package = os.urandom(5000)
        self.serve_newer(package, digest="0" * 64)
        w.start()
        # The start-up check fails quietly; the asked one says so.
        self.wait_for(lambda: "package download failed" in self.log_text(),
                      "the start-up check's failed download")
        since = self.press_update_button()
        box = w.wait_event("msgbox", since, text="Update failed!")
        self.assertEqual((box["buttons"], box.get("caption", "")), ("ok", ""))
        self.assertEqual(w.matching("msgbox", text=QUESTION_EN), [])
        self.assertEqual(w.matching("open", via="update"), [])
        self.assertFalse(os.path.exists(self.package_path()))
        self.assertFalse(os.path.exists(self.package_path() + ".part"))
        # The press either found the start-up check still ending (it then showed the outcome)
        # or ran a check of its own.
        self.assertIn(self.server.asked().count(self.path(f"{w.channel}.deb")), (1, 2))

    def test_update_button_with_equal_versions_says_current_and_fetches_no_package(self):
        w = self.make_world()
        self.server.routes[self.path("update.txt")] = (200, b"1.0.0\r\n")
        w.start()
        self.wait_for(lambda: self.path("update.txt") in self.server.asked(),
                      "the start-up check")
        since = self.press_update_button()
        box = w.wait_event("msgbox", since,
                           text="The current software is the latest version!")
        self.assertEqual((box["buttons"], box.get("caption", "")), ("ok", ""))
        self.assertEqual([p for p in self.server.asked() if ".deb" in p], [])
        self.assertEqual(w.matching("msgbox", 0, text=QUESTION_EN), [])
        self.assertFalse(os.path.exists(self.package_path()))


if __name__ == "__main__":
    unittest.main()
