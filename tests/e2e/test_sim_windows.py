"""Window requests of the simulator's tools (velmora-sim grab) on the real program."""
import os
import struct
import unittest

from harness import World


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", header[16:24])


class SimWindowsTest(unittest.TestCase):
    def setUp(self):
        self.world = World()

    def tearDown(self):
        self.world.stop()

    def test_grab_before_a_program_attaches_is_refused(self):
        run = self.world.sim("grab", "MainWnd", os.path.join(self.world.home, "x.png"), check=False)
        self.assertEqual(run.returncode, 1)
        self.assertIn("no program is attached", run.stderr)

    def test_grab_writes_a_shown_window_and_refuses_absent_or_hidden_ones(self):
        w = self.world
        w.sim("plug", "mouse")
        w.start()
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.start().wait(timeout=60)
        shown = w.wait_event("window", since, name="MainWnd", visible=True)

        picture = os.path.join(w.home, "main.png")
        w.sim("grab", "MainWnd", picture)
        self.assertEqual(png_size(picture), (shown["w"], shown["h"]))

        for window, error in (("VoiceTipWnd", "is hidden"), ("NoSuchWnd", "no window NoSuchWnd")):
            with self.subTest(window=window):
                path = os.path.join(w.home, window + ".png")
                run = w.sim("grab", window, path, check=False)
                self.assertEqual(run.returncode, 1)
                self.assertIn(error, run.stderr)
                self.assertFalse(os.path.exists(path))


if __name__ == "__main__":
    unittest.main()
