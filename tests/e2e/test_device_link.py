"""The device link seen from outside: velmora driven only through velmora-sim and custom.ini."""
import unittest

from harness import HANG_GUARD, World

KEY_VOICE1_DOWN = "0a00000000210000"


class DeviceLinkTest(unittest.TestCase):
    def setUp(self):
        self.world = None

    def tearDown(self):
        if self.world:
            self.world.stop()

    def start_world(self, settings=None, plug=()):
        self.world = World(settings)
        for args in plug:
            self.world.sim("plug", *args)
        self.world.start()
        return self.world

    def test_mouse_found_at_start_reads_and_goes_offline_on_unplug(self):
        w = self.start_world(plug=[("mouse", "--serial", "S1")])
        w.wait_event("debug", text="Enter MouseProc...\n")
        device = w.settings()["device"]
        self.assertEqual((device["vid"], device["pid"], device["sn"]), ("6352", "C098", "S1"))
        since = w.last_seq()
        w.sim("unplug", "mouse")
        w.wait_event("message", since, msg=1124, wparam=0)
        w.wait_event("tray", since, icon=133)

    def test_repeated_key_codes_post_one_message(self):
        w = self.start_world(plug=[("mouse",)])
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        for _ in range(10):
            w.sim("key", "mouse", "voice1", "down")
        w.sim("key", "mouse", "voice1", "up")
        w.wait_event("message", since, msg=1128)
        downs = w.matching("message", since, msg=1127)
        self.assertEqual([(e["wparam"]) for e in downs], [0])
        self.assertEqual(len(w.matching("message", since, msg=1128)), 1)

    def test_generation_sensor_and_resolution_are_stored(self):
        w = self.start_world(plug=[("mouse",)])
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        # byte 4 = 37 (resolution), byte 7 = 0x0A: generation v9, sensor 3212
        w.sim("report", "mouse", "0a0000002500000a")
        w.wait_event("message", since, msg=1132)
        self.assertEqual(len(w.matching("message", since, msg=1131, wparam=1)), 1)
        self.assertEqual(len(w.matching("message", since, msg=1132)), 1)
        device = w.settings()["device"]
        self.assertEqual((device["type"], device["photoIC"], device["dpi"]), ("v9", "3212", "0"))

    def test_second_layout_mouse_reports_its_serial(self):
        w = self.start_world(plug=[("mouse5698",)])
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.sim("report", "mouse5698", "0a" + "00" * 10 + "01ab00ff10")
        w.wait_event("message", since, msg=1152)
        self.assertEqual(w.settings()["device"]["sn"], "HMXWW01ab00ff10")

    def test_pen_record_key_with_saving_on(self):
        w = self.start_world({"client": {"lp_save": "on"}}, plug=[("pen",)])
        w.wait_event("debug", text="Enter LpProcProc...\n")
        since = w.last_seq()
        w.sim("key", "pen", "record", "down")
        w.wait_event("message", since, msg=1159)
        w.sim("key", "pen", "record", "up")
        w.wait_event("message", since, msg=1160)
        msgs = [e["msg"] for e in w.matching("message", since) if e["msg"] in (1127, 1128, 1159, 1160)]
        self.assertEqual(msgs, [1127, 1159, 1128, 1160])
        self.assertEqual(w.matching("message", since, msg=1127)[0]["wparam"], 3)

    def test_bluetooth_mouse_posts_nothing(self):
        w = self.start_world(plug=[("btmouse",)])
        w.wait_event("debug", text="Enter BTMouseProc...\n")
        w.wait_event("debug", text="Leave BTMouseProc...\n")
        # 1130 is the main window's own list refresh after the thread start's command download.
        device_messages = [e for e in w.matching("message") if e["msg"] != 1130]
        self.assertEqual(device_messages, [])

    def test_hot_plugged_mouse_starts_after_delay_and_pen_leaves_it_running(self):
        w = self.start_world()
        w.wait_event("tray", icon=133)
        plug = w.sim("plug", "mouse")
        plugged = w.wait_event("device", action="plug", device="mouse")
        w.wait_event("message", plugged["seq"], msg=1124, wparam=1)
        entered = w.wait_event("debug", plugged["seq"], text="Enter MouseProc...\n")
        self.assertGreaterEqual(entered["t"] - plugged["t"], 1800)
        since = w.last_seq()
        w.sim("plug", "pen")
        w.wait_event("message", since, msg=1126, wparam=1)
        import time
        time.sleep(2.5)
        self.assertEqual(w.matching("debug", since, text="Leave MouseProc...\n"), [])
        self.assertEqual(w.matching("debug", since, text="Enter LpProcProc...\n"), [])
        del plug

    def test_web_key_rule_waits_for_the_hidraw_node_of_a_plugged_mouse(self):
        w = self.start_world()
        w.wait_event("tray", icon=133)
        since = w.last_seq()
        # On Linux the USB add event comes before the mouse's hidraw node exists.
        w.sim("plug", "mouse", "--vid", "B75C", "--pid", "92CD", "--hid-later")
        w.wait_event("message", since, msg=1124, wparam=1)
        w.wait_event("tray", since, icon=107)
        w.sim("hidraw", "mouse")
        sent = w.wait_event("hid_output", since, device="mouse")
        self.assertEqual(sent["bytes"], "0aa755" + "0" * 58)
        self.assertEqual(w.settings()["device"]["url"], "off")

    def test_removing_the_mouse_hands_over_to_the_pen(self):
        w = self.start_world(plug=[("mouse",), ("pen",)])
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.sim("unplug", "mouse")
        removed = w.wait_event("message", since, msg=1124, wparam=0)
        entered = w.wait_event("debug", since, text="Enter LpProcProc...\n")
        self.assertGreaterEqual(entered["t"] - removed["t"], 150)
        self.assertEqual(w.matching("tray", since, icon=133), [])
        since = w.last_seq()
        w.sim("unplug", "pen")
        w.wait_event("message", since, msg=1126, wparam=0)
        w.wait_event("tray", since, icon=133)
        w.wait_event("debug", since, text="Leave LpProcProc...\n")

    def test_second_instance_shows_the_main_window_only_with_a_device(self):
        w = self.start_world(plug=[("mouse",)])
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.start().wait(timeout=HANG_GUARD)
        w.wait_event("window", since, name="MainWnd", visible=True)
        w.sim("unplug", "mouse")
        w.wait_event("window", since, name="MainWnd", visible=False)
        since = w.last_seq()
        w.start().wait(timeout=HANG_GUARD)
        w.wait_event("message", since, msg=1025, lparam=514)
        self.assertEqual(w.matching("window", since, name="MainWnd", visible=True), [])


if __name__ == "__main__":
    unittest.main()
