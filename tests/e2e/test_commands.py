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
ADD_PATH = "/api/editiorAddSiDeviceCmd.json"
DELETE_PATH = "/api/deleteSiDeviceCmd.json"


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

    def open_command_page(self, w):
        w.wait_event("command_list", control="cmd_list")
        w.sim("tray", "left")
        w.sim("click", "MainWnd", "cusset_opt")

    def query(self, control):
        return json.loads(self.world.sim("query", "MainWnd", control).stdout)

    def test_deleting_a_row_empties_the_list_and_the_speech_becomes_a_search(self):
        w = self.start()
        self.open_command_page(w)
        self.service.answer(DELETE_PATH, command_list([]))
        since = w.last_seq()
        w.sim("click", "MainWnd", "item_del_btn", "--tag", "0")
        [deleted] = self.service.wait_requests(DELETE_PATH, 1)
        self.assertTrue(deleted.startswith(
            DELETE_PATH + "?customCmd=go+forward&vid=6352&pid=C098&sn="), deleted)
        self.assertEqual(w.wait_event("command_list", since, control="cmd_list")["rows"], [])
        since = self.speak(w)
        opened = w.wait_event("open", since, timeout=60)
        self.assertEqual(opened["via"], "web")
        self.assertTrue(opened["target"].startswith("https://www.baidu.com/s?ie=utf-8&wd=go+forward"),
                        opened["target"])
        [question] = self.semantic.paths()
        self.assertTrue(question.startswith("/dbzy/saapi.json?question=go+forward"), question)
        self.assertTrue(question.endswith(f"&engineid={ENGINE_ID}"), question)

    def test_adding_sends_the_encoded_command_and_usage_event_and_empties_the_boxes(self):
        w = self.start()
        self.open_command_page(w)
        w.sim("choose", "MainWnd", "cmdtype_com", "website")
        w.sim("type", "MainWnd", "cmd_edit", "天气 A&B")
        w.sim("type", "MainWnd", "url_edit", "https://w.example/?a=1&b=2")
        w.sim("click", "MainWnd", "add_cmd_btn")
        self.assertEqual(self.query("cmd_edit")["text"], "")
        self.assertEqual(self.query("url_edit")["text"], "")
        [added] = self.service.wait_requests(ADD_PATH, 1)
        self.assertTrue(added.startswith(
            ADD_PATH + "?customName=https%3A%2F%2Fw.example%2F%3Fa%3D1%26b%3D2"
            "&customCmd=%E5%A4%A9%E6%B0%94+A%26B&cmdType=website&vid=6352&pid=C098&sn="), added)
        # Start-up reports its own usage events; the add's is the one of kind 7.
        self.service.wait_requests("/api/addEventLog.json eventTypeId=7&", 1)
        [usage] = self.service.paths("/api/addEventLog.json eventTypeId=7&")
        self.assertIn("&eventInfo=新建网页指令&", usage)

    def test_an_empty_word_shows_the_box_and_sends_nothing(self):
        w = self.start()
        self.open_command_page(w)
        since = w.last_seq()
        w.sim("type", "MainWnd", "url_edit", "https://w.example/")
        w.sim("click", "MainWnd", "add_cmd_btn")
        box = w.wait_event("msgbox", since)
        self.assertEqual((box["text"], box["caption"], box["buttons"]),
                         ("命令词或路径不能为空！", "提示", "ok"))
        # A valid add after it is the only one the service sees.
        w.sim("type", "MainWnd", "cmd_edit", "x")
        w.sim("type", "MainWnd", "url_edit", "https://x.example/")
        w.sim("click", "MainWnd", "add_cmd_btn")
        self.service.wait_requests(ADD_PATH, 1)
        self.assertEqual(len(self.service.paths(ADD_PATH)), 1)
        self.assertIn("customCmd=x&", self.service.paths(ADD_PATH)[0])

    def test_the_file_picker_fills_the_target(self):
        w = self.start()
        self.open_command_page(w)
        since = w.last_seq()
        w.sim("choose", "MainWnd", "cmdtype_com", "file")
        w.sim("file", "/usr/bin/true")
        w.sim("click", "MainWnd", "url_btn")
        dialog = w.wait_event("dialog", since, type="file")
        self.assertIn("all file(*)", dialog.get("filters", []))
        w.wait_event("control", since, window="MainWnd", control="url_edit", text="/usr/bin/true")

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
