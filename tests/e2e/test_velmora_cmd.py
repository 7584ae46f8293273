"""velmora-cmd in the simulator: the dispatcher against local command and semantic services."""
import json
import os
import shutil
import subprocess
import unittest

from fakeservices import FakeService, command_list
from harness import HANG_GUARD, World, binary

ENGINE_ID = "0123456789abcdef0123456789abcdef"
WEATHER = "%E5%A4%A9%E6%B0%94"
REFUSED = json.dumps({"rc": "1"})
# Desktop entries start `true`, found through PATH like any program.
TRUE = shutil.which("true")
DEVICE = {"vid": "6352", "pid": "C098", "sn": "HMXWW0102030405",
          "lp_vid": "B75C", "lp_pid": "A217", "lp_sn": "PEN7"}


class VelmoraCmdTest(unittest.TestCase):
    def setUp(self):
        self.service = FakeService()
        self.semantic = FakeService({"/dbzy/saapi.json": (200, REFUSED, 0)})
        self.world = World({"device": DEVICE, "search": {"engine": "baidu", "lp_engine": "yahoo"},
                            "client": {"version": "1.0.0"}})
        home = self.world.home
        with open(os.path.join(home, "endpoints.ini"), "w", encoding="utf-8") as f:
            f.write(f"[endpoints]\nservice={self.service.url()}\nsemantic={self.semantic.url()}\n"
                    f"[credentials]\nsemantic_engineid={ENGINE_ID}\n")
        self.apps = os.path.join(home, "data", "applications")
        os.makedirs(self.apps)
        self.world.env["XDG_DATA_HOME"] = os.path.join(home, "data")
        self.world.env["XDG_DATA_DIRS"] = os.path.join(home, "nothing")

    def tearDown(self):
        self.world.stop()
        self.service.close()
        self.semantic.close()

    def run_cmd(self, *args):
        since = self.world.last_seq()
        run = subprocess.run([binary("velmora-cmd"), *args], env=self.world.env,
                             capture_output=True, text=True, timeout=HANG_GUARD)
        events = [e for e in self.world.events(since)
                  if e["kind"] in ("open", "run", "refused", "file_search")]
        return run, events

    def actions(self, events):
        return [e for e in events if e["kind"] != "file_search"]

    def desktop_entry(self, name, body):
        path = os.path.join(self.apps, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write("[Desktop Entry]\nType=Application\nName=X\n" + body)
        return path

    def test_weather_is_a_web_search_after_the_semantic_question(self):
        run, events = self.run_cmd("天气")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertEqual(self.semantic.paths(),
                         [f"/dbzy/saapi.json?question={WEATHER}&engineid={ENGINE_ID}"])
        self.assertEqual([(e["kind"], e["target"], e["via"]) for e in self.actions(events)],
                         [("open", f"https://www.baidu.com/s?ie=utf-8&wd={WEATHER}", "web")])

    def test_the_pen_searches_with_its_own_engine(self):
        run, events = self.run_cmd("--device", "pen", "天气")
        self.assertEqual(run.returncode, 0)
        target = self.actions(events)[0]["target"]
        self.assertTrue(target.startswith("https://search.yahoo.co.jp/search;_ylt="), target)
        self.assertTrue(target.endswith(f"?ei=UTF-8&p={WEATHER}"), target)

    def test_a_semantic_answer_opens_without_a_web_search(self):
        self.semantic.answer("/dbzy/saapi.json", json.dumps(
            {"rc": "0", "semantic": [{"pars": [{"value": "https://weather.example/today"}]}]}))
        run, events = self.run_cmd("天气")
        self.assertEqual(run.returncode, 0)
        self.assertEqual([(e["kind"], e["target"], e["via"]) for e in self.actions(events)],
                         [("open", "https://weather.example/today", "semantic")])

    def test_a_reply_that_is_not_json_opens_nothing(self):
        self.semantic.answer("/dbzy/saapi.json", "<html>busy</html>")
        run, events = self.run_cmd("天气")
        self.assertEqual(run.returncode, 1)
        self.assertEqual(self.actions(events), [])

    def test_a_reply_after_three_seconds_gives_the_web_search_within_four(self):
        self.semantic.answer("/dbzy/saapi.json", REFUSED, delay=6)
        run, events = self.run_cmd("天气")
        self.assertEqual(run.returncode, 0)
        asked_at = self.semantic.requests[0][0]
        opened = self.actions(events)
        self.assertEqual([(e["kind"], e["via"]) for e in opened], [("open", "web")])
        # Both clocks are CLOCK_MONOTONIC: from the question's arrival to the browser's turn.
        self.assertLess(opened[0]["t"] / 1000.0 - asked_at, 4.0)

    def test_open_qq_music_with_only_its_desktop_file(self):
        entry = self.desktop_entry("qqmusic.desktop", "Exec=true --from-menu %U\n")
        self.world.sim("index", entry)
        run, events = self.run_cmd("打开QQ音乐")
        self.assertEqual(run.returncode, 0, run.stdout)
        searches = [(e["name"], e["results"]) for e in events if e["kind"] == "file_search"]
        self.assertEqual(searches, [("qq.desktop", []), ("qqmusic.desktop", [entry])])
        self.assertEqual([(e["kind"], e["argv"], e["entry"], e["via"]) for e in self.actions(events)],
                         [("run", [TRUE, "--from-menu"], entry, "app")])

    def test_calculator_runs_the_calculator(self):
        self.desktop_entry("org.example.Calc.desktop", "Exec=true --calc\nCategories=Utility;Calculator;\n")
        run, events = self.run_cmd("计算器")
        self.assertEqual(run.returncode, 0)
        [action] = self.actions(events)
        self.assertEqual((action["kind"], action["argv"], action["via"]),
                         ("run", [TRUE, "--calc"], "system"))

    def test_a_service_program_stays_untrusted_until_listed(self):
        tool = os.path.join(self.world.home, "tool.sh")
        with open(tool, "w") as f:
            f.write("#!/bin/sh\n")
        os.chmod(tool, 0o755)
        self.service.answer("/api/getSiDeviceCmdList.json", command_list([("工具", tool, "file")]))
        run, events = self.run_cmd("--fetch", "工具")
        self.assertEqual(self.service.paths(), [
            "/api/getSiDeviceCmdList.json?vid=6352&pid=C098&sn=HMXWW0102030405"
            f"&channelName={self.world.channel}&macAddr={self.sent_mac()}&clientversion=1.0.0"])
        actions = self.actions(events)
        self.assertEqual((actions[0]["kind"], actions[0]["target"], actions[0]["reason"],
                          actions[0]["via"]), ("refused", tool, "untrusted", "custom"))
        self.assertEqual([e["via"] for e in actions[1:]], ["web"])
        self.assertEqual([e for e in events if e["kind"] == "run"], [])

        with open(os.path.join(self.world.home, "trusted_programs.txt"), "w") as f:
            f.write(tool + "\n")
        run, events = self.run_cmd("--fetch", "工具")
        self.assertEqual(run.returncode, 0)
        self.assertEqual([(e["kind"], e.get("argv"), e["via"]) for e in self.actions(events)],
                         [("run", [tool], "custom")])

    def sent_mac(self):
        """The MAC text the program sent: the test machine's own, whatever it is."""
        path = self.service.paths("/api/getSiDeviceCmdList.json")[0]
        return path.split("&macAddr=")[1].split("&")[0]


if __name__ == "__main__":
    unittest.main()
