"""The pen's laser dot and magnifier lens end to end: pen keys through velmora-sim."""
import os
import unittest

import pngfile
from harness import World

LASER_ON, MAGNIFIER = 1154, 1155
DEFAULT_DOT = 0xFF92A300
BLUE_DOT = 4278190335  # 0xFF0000FF


def pattern_screen(path, width=1920, height=1080):
    """A screen whose pixels tell where they are: red = x / 8, green = y / 8 (mod 256)."""
    reds = bytes((x // 8) % 256 for x in range(width))
    rows = []
    for band in range((height + 7) // 8):
        green = band % 256
        row = bytearray(width * 3)
        row[0::3] = reds
        row[1::3] = bytes([green]) * width
        rows.extend([bytes(row)] * min(8, height - band * 8))
    pngfile.write_rgb(path, width, height, rows)


class ScreenToolsTest(unittest.TestCase):
    def setUp(self):
        self.world = None

    def tearDown(self):
        if self.world:
            self.world.stop()

    def start(self, client=None, extra_env=None):
        settings = {"client": {"uiLanguage": "lan_en"}}
        settings["client"].update(client or {})
        self.world = World(settings)
        self.world.sim("plug", "pen")
        self.world.start(extra_env)
        self.world.wait_event("debug", text="Enter LpProcProc...\n")
        return self.world

    def key(self, name, state):
        self.world.sim("key", "pen", name, state)

    def test_laser_dot_follows_the_pointer_in_its_colour_while_the_pointer_is_hidden(self):
        w = self.start({"lp_color": str(BLUE_DOT)})
        w.sim("cursor", "500", "300")
        since = w.last_seq()
        self.key("laser", "down")
        w.wait_event("message", since, msg=LASER_ON, wparam=1)
        w.wait_event("cursor_visible", since, visible=False)
        dot = w.wait_event("laser", since, visible=True, x=476, y=276)
        self.assertEqual((dot["w"], dot["h"], dot["color"]), (49, 49, 0xFF0000FF))

        w.sim("cursor", "900", "700")
        w.wait_event("laser", since, visible=True, x=876, y=676)

        # The second laser-on key while on, then one off: the pointer is back, the dot gone.
        self.key("laser2", "down")
        self.key("laser", "up")
        off = w.wait_event("message", since, msg=LASER_ON, wparam=2)
        w.wait_event("laser", off["seq"], visible=False)
        w.wait_event("cursor_visible", off["seq"], visible=True)
        self.assertEqual(len(w.matching("message", since, msg=LASER_ON, wparam=1)), 2)
        self.assertEqual(len(w.matching("cursor_visible", since, visible=False)), 1)

        # Timer 1 stopped: while the lens follows the pointer for several ticks, no dot moves.
        self.key("magnifier", "down")
        w.sim("cursor", "700", "400")
        w.wait_event("magnifier", off["seq"], visible=True, x=550, y=310)
        w.sim("cursor", "710", "410")
        w.wait_event("magnifier", off["seq"], visible=True, x=560, y=320)
        hidden = w.matching("laser", off["seq"])
        self.assertEqual([e["visible"] for e in hidden], [False])

    def test_magnifier_shows_the_screen_around_the_pointer_enlarged_by_the_stored_zoom(self):
        w = self.start({"lp_multiple": "4"})
        picture = os.path.join(w.home, "screen.png")
        pattern_screen(picture)
        w.sim("screen-image", picture)
        w.sim("cursor", "1000", "500")
        since = w.last_seq()
        self.key("magnifier", "down")
        w.wait_event("message", since, msg=MAGNIFIER, wparam=1)
        lens = w.wait_event("magnifier", since, visible=True)
        self.assertEqual((lens["x"], lens["y"], lens["w"], lens["h"]), (850, 410, 300, 180))
        self.assertEqual((lens["zoom"], lens["src_x"], lens["src_y"]), (4.0, 963, 478))
        # The pointer stays: only the laser hides it.
        self.assertEqual(w.matching("cursor_visible", since), [])

        shot = os.path.join(w.home, "lens.png")
        w.sim("grab", "MagWnd", shot)
        face = pngfile.read(shot)
        self.assertEqual((face.width, face.height), (300, 180))
        for lx, ly in ((150, 90), (22, 22), (278, 158)):
            sx, sy = 963 + lx // 4, 478 + ly // 4
            r, g, _ = face.pixel(lx, ly)
            self.assertLessEqual(abs(r - (sx // 8) % 256), 1, (lx, ly))
            self.assertLessEqual(abs(g - (sy // 8) % 256), 1, (lx, ly))

        self.key("magnifier", "up")
        off = w.wait_event("message", since, msg=MAGNIFIER, wparam=2)
        w.wait_event("magnifier", off["seq"], visible=False)

    def test_a_picture_that_cannot_be_read_gives_a_black_lens(self):
        w = self.start()
        broken = os.path.join(w.home, "broken.png")
        with open(broken, "wb") as f:
            f.write(b"not a picture")
        w.sim("screen-image", broken)
        since = w.last_seq()
        self.key("magnifier", "down")
        w.wait_event("magnifier", since, visible=True, zoom=2.0)
        shot = os.path.join(w.home, "lens.png")
        w.sim("grab", "MagWnd", shot)
        self.assertEqual(pngfile.read(shot).pixel(150, 90), (0, 0, 0))

    def test_a_zoom_chosen_on_the_pen_page_applies_to_the_shown_lens_at_once(self):
        w = self.start({"lp_multiple": "2.0f"})
        since = w.last_seq()
        w.sim("tray", "left")
        w.wait_event("window", since, name="MainWnd", visible=True)
        # With the pen alone the chooser is hidden and the pen's page is the one shown.
        w.sim("click", "MainWnd", "set_opt_lp")
        w.sim("cursor", "1000", "500")
        since = w.last_seq()
        self.key("magnifier", "down")
        w.wait_event("magnifier", since, visible=True, zoom=2.0)
        chosen = w.last_seq()
        w.sim("choose", "MainWnd", "mul_com", "4")
        # The next tick shows the new zoom, the key still held and the pointer not moved.
        lens = w.wait_event("magnifier", chosen, visible=True, zoom=4.0)
        self.assertEqual((lens["x"], lens["y"], lens["src_x"], lens["src_y"]), (850, 410, 963, 478))
        self.assertEqual(w.settings()["client"]["lp_multiple"], "4")
        self.key("magnifier", "up")
        w.wait_event("magnifier", chosen, visible=False)

    def test_unplugging_the_pen_switches_both_tools_off_and_shows_the_pointer(self):
        # At 200 % the dot still sits on the pointer's screen pixel.
        w = self.start(extra_env={"QT_SCALE_FACTOR": "2"})
        w.sim("cursor", "301", "201")
        since = w.last_seq()
        self.key("laser", "down")
        self.key("magnifier", "down")
        w.wait_event("laser", since, visible=True, x=277, y=177)
        w.wait_event("magnifier", since, visible=True, x=151, y=111)
        unplugged = w.last_seq()
        w.sim("unplug", "pen")
        w.wait_event("laser", unplugged, visible=False)
        w.wait_event("magnifier", unplugged, visible=False)
        w.wait_event("cursor_visible", unplugged, visible=True)


if __name__ == "__main__":
    unittest.main()
