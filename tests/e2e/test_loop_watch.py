"""The message-loop stall watch of the real program: on request it reports the longest gap
between two turns of the UI loop once a second and logs the longest at exit; off, it is silent."""
import os
import time
import unittest

from harness import World


class LoopWatchTest(unittest.TestCase):
    def setUp(self):
        self.world = World()

    def tearDown(self):
        self.world.stop()

    def log(self):
        path = os.path.join(self.world.home, "log.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_on_request_each_second_brings_the_longest_gap(self):
        w = self.world
        w.start({"VELMORA_LOOP_WATCH": "1"})
        first = w.wait_event("loop")
        w.wait_event("loop", first["seq"])
        reports = w.matching("loop")
        self.assertGreaterEqual(len(reports), 2)
        for report in reports:
            # A 10 ms beat: no gap is shorter than about one beat, and each second has beats.
            self.assertGreaterEqual(report["max_gap_ms"], 5)
            self.assertGreater(report["beats"], 0)
        w.procs[0].terminate()
        w.procs[0].wait(timeout=30)
        self.assertRegex(self.log(), r"message loop: longest gap \d+ ms")

    def test_off_without_the_request(self):
        w = self.world
        w.start()
        w._wait_for(lambda: "message loop running" in self.log(), 30, "start-up")
        # The watch would have reported twice in this time; seen by a later event's sequence.
        time.sleep(2.5)
        self.assertEqual(w.matching("loop"), [])
        w.procs[0].terminate()
        w.procs[0].wait(timeout=30)
        self.assertNotIn("message loop: longest gap", self.log())


if __name__ == "__main__":
    unittest.main()
