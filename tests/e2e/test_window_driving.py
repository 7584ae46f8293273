"""The simulator's window-driving commands on the real program: tray, query, choose, click."""
import json
import time
import unittest

from harness import HANG_GUARD, World


class WindowDrivingTest(unittest.TestCase):
    def setUp(self):
        self.world = World()

    def tearDown(self):
        self.world.stop()

    def query(self, window, control):
        return json.loads(self.world.sim("query", window, control).stdout)

    def wait_attached(self):
        # The program takes window requests once its message loop runs.
        deadline = time.monotonic() + HANG_GUARD
        while True:
            run = self.world.sim("query", "MainWnd", "device_com", check=False)
            if run.returncode == 0 or time.monotonic() > deadline:
                return run
            self.assertIn("no program is attached", run.stderr)
            time.sleep(0.05)

    def test_tray_shows_the_main_window_whose_device_chooser_is_driven(self):
        w = self.world
        w.sim("plug", "mouse")
        w.sim("plug", "pen")
        w.start()
        self.assertEqual(self.wait_attached().returncode, 0)

        # Hidden at start: the chooser takes no input yet.
        run = w.sim("choose", "MainWnd", "device_com", "lp", check=False)
        self.assertEqual(run.returncode, 1)
        self.assertIn("window MainWnd is hidden", run.stderr)

        since = w.last_seq()
        w.sim("tray", "left")
        w.wait_event("message", since, msg=1025, lparam=514)
        w.wait_event("window", since, name="MainWnd", visible=True)
        w.wait_event("ui_input", since, action="tray", button="left")

        chooser = self.query("MainWnd", "device_com")
        self.assertTrue(chooser["exists"] and chooser["visible"] and chooser["enabled"])
        self.assertEqual([(i["name"], i["enabled"]) for i in chooser["items"]],
                         [("mouse", True), ("lp", True), ("recorder", False)])
        self.assertEqual(chooser["selected"], 0)
        self.assertEqual(self.query("MainWnd", "main_tablayout")["page"], 0)

        since = w.last_seq()
        w.sim("choose", "MainWnd", "device_com", "lp")
        self.assertEqual(self.query("MainWnd", "device_com")["selected"], 1)
        self.assertEqual(self.query("MainWnd", "main_tablayout")["page"], 1)
        w.wait_event("ui_input", since, action="choose", window="MainWnd", control="device_com",
                     item="lp", index=1)
        w.wait_event("control", since, window="MainWnd", control="main_tablayout", page=1)

        # A device that is not connected cannot be chosen; an absent control is reported.
        run = w.sim("choose", "MainWnd", "device_com", "--index", "2", check=False)
        self.assertEqual(run.returncode, 1)
        self.assertIn("hidden or disabled", run.stderr)
        self.assertEqual(self.query("MainWnd", "no_such_btn"), {"exists": False})

        since = w.last_seq()
        w.sim("click", "MainWnd", "close_btn")
        w.wait_event("window", since, name="MainWnd", visible=False)
        w.wait_event("ui_input", since, action="click", window="MainWnd", control="close_btn")

        since = w.last_seq()
        w.sim("tray", "right")
        w.wait_event("message", since, msg=1025, lparam=517)
        w.wait_event("window", since, name="MenuWnd", visible=True)


if __name__ == "__main__":
    unittest.main()
