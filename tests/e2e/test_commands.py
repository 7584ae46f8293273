"""Voice search and the command list in the real program, with a simulated mouse."""
import json
import os
import time
import unittest

from fakeservices import FakeService, command_list
from harness import World

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SPEECH_SECONDS = os.path.getsize(SPEECH) / 32000
SENSOR_3205 = "01"
ENGINE_ID = "fedcba9876543210fedcba9876543210"
LIST_PATH = "/api/getSiDeviceCmdList.json"


class CommandsTest(unittest.TestCase):
    def setUp(self):
        self.service = FakeService({LIST_PATH: (200, command_list(
            [("go forward", "https://forward.example/", "website"),
             ("项目", "/nowhere", "folder")]), 0)})
        self.semantic = FakeService({"/dbzy/saapi.json": (200, json.dumps({"rc": "1"}), 0)})
        self.world = World({"recognition": {"language": "english", "ptt": "off"},
                            "client": {"uiLanguage": "lan_en", "version": "1.0.0"}})
        with open(os.path.join(self.world.home, "endpoints.ini"), "w", encoding="utf-8") as f:
            f.write(f"[endpoints]\nservice={self.service.url()}\nsemantic={self.semantic.url()}\n"
                    f"[credentials]\nsemantic_engineid={ENGINE_ID}\n")

    def tearDown(self):
        self.world.stop()
        self.service.close()
        self.semantic.close()

    def start(self):
        w = self.world
        w.sim("plug", "mouse", "--model", SENSOR_3205, "--serial", "SN42")
        w.start()
        w.wait_event("debug", text="Enter MouseProc...\n")
        return w

    def speak(self, w):
        since = w.last_seq()
        w.sim("key", "mouse", "voice2", "down")
        w.wait_event("audio", since, state="start", block=6400)
        w.sim("mic", SPEECH)
        time.sleep(SPEECH_SECONDS + 0.5)
        w.sim("key", "mouse", "voice2", "up")
        return since

    def test_thread_start_fetches_the_list_and_shows_it(self):
        w = self.start()
        listed = w.wait_event("command_list", control="cmd_list")
        self.assertEqual(listed["rows"], [
            {"cmdType": "website", "customCmd": "go forward", "customName": "https://forward.example/"},
            {"cmdType": "folder", "customCmd": "项目", "customName": "/nowhere"}])
        first = self.service.paths(LIST_PATH)[0]
        query = first.split("?", 1)[1]
        keys = [pair.split("=", 1)[0] for pair in query.split("&")]
        self.assertEqual(keys, ["vid", "pid", "sn", "channelName", "macAddr", "clientversion"])
        self.assertTrue(query.startswith("vid=6352&pid=C098&sn="), query)
        self.assertIn(f"&channelName={w.channel}&macAddr=", query)
        self.assertTrue(query.endswith("&clientversion=1.0.0"), query)

    def test_voice_search_opens_the_command_whose_word_starts_the_sentence(self):
        w = self.start()
        w.wait_event("command_list", control="cmd_list")
        since = self.speak(w)
        opened = w.wait_event("open", since, timeout=60)
        self.assertEqual((opened["target"], opened["via"]), ("https://forward.example/", "custom"))
        self.assertEqual(self.semantic.paths(), [])

    def test_offline_no_list_request_is_made(self):
        w = self.world
        w.sim("network", "offline")
        w.sim("plug", "mouse", "--model", SENSOR_3205)
        w.start()
        w.wait_event("debug", text="Command list waits for the network\n")
        self.assertEqual(self.service.paths(LIST_PATH), [])
        w.sim("network", "online")
        self.service.wait_requests(LIST_PATH, 1)
        w.wait_event("command_list", control="cmd_list")


if __name__ == "__main__":
    unittest.main()
