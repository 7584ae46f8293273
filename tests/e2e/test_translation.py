"""Translation end to end: highlighted text in the get-word window, voice key 3 with the
translation switch on and off, all against one local fake for translate, speech and service."""
import json
import os
import socket
import time
import unittest

from fake_translate import FakeServices, translate_path
from harness import World, write_ini

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SPEECH_SECONDS = os.path.getsize(SPEECH) / 32000
SENSOR_3205 = "01"


class TranslationTest(unittest.TestCase):
    def setUp(self):
        self.world = None
        self.server = FakeServices()

    def tearDown(self):
        if self.world:
            self.world.stop()
        self.server.close()

    def start(self, settings, tts_url=None):
        base = {"recognition": {"language": "english"}, "client": {"uiLanguage": "lan_en"},
                "translate": {"engine": "baidu", "language": "jp"}}
        for section, keys in settings.items():
            base.setdefault(section, {}).update(keys)
        self.world = World(base)
        write_ini(os.path.join(self.world.home, "endpoints.ini"), self.server.endpoints(tts_url))
        self.world.sim("plug", "mouse", "--model", SENSOR_3205)
        self.world.start()
        self.world.wait_event("debug", text="Enter MouseProc...\n")
        return self.world

    def test_highlight_with_getword_on_shows_the_joined_translation(self):
        w = self.start({"getword": {"switch": "on"}})
        w.wait_event("getword_capture", enabled=True)
        w.sim("cursor", "300", "400")
        since = w.last_seq()
        w.sim("highlight", "hello world")
        w.wait_event("highlight", since, text="hello world")
        w.wait_event("window", since, name="GetwordWnd", visible=True)
        w.wait_event("control", since, window="GetwordWnd", control="original_edit",
                     text="hello world")
        w.wait_event("control", since, window="GetwordWnd", control="trans_edit",
                     text="<hello world>")
        self.assertEqual(self.server.requests("/api/trans/"), [translate_path("hello world", "jp")])

    def test_highlight_with_getword_off_is_not_captured(self):
        w = self.start({"getword": {"switch": "off"}})
        w.wait_event("getword_capture", enabled=False)
        self.assertEqual(w.matching("getword_capture", enabled=True), [])

    def show_get_word(self, w, text):
        w.wait_event("getword_capture", enabled=True)
        since = w.last_seq()
        w.sim("highlight", text)
        w.wait_event("control", since, window="GetwordWnd", control="trans_edit",
                     text="<" + text + ">")
        return since

    def play_and_wait_for_the_end(self, w):
        since = w.last_seq()
        w.sim("click", "GetwordWnd", "play_btn")
        w.wait_event("ui_input", since, action="click", window="GetwordWnd", control="play_btn")
        w.wait_event("control", since, window="GetwordWnd", control="play_btn", visible=True)
        state = json.loads(w.sim("query", "GetwordWnd", "play_btn").stdout)
        self.assertTrue(state["visible"])
        return since

    def test_play_fetches_each_piece_with_its_speech_code_and_plays_it(self):
        w = self.start({"getword": {"switch": "on"}})
        text = "speech " * 20  # 140 bytes: with the brackets two pieces
        self.show_get_word(w, text)
        since = self.play_and_wait_for_the_end(w)
        speech = self.server.requests("/translate_tts")
        self.assertEqual(len(speech), 2)
        for path in speech:
            self.assertIn("&tl=ja&ttsspeed=0.5&total=1&idx=0&client=tw-ob", path)
        plays = w.matching("playback", since)
        self.assertEqual([p["action"] for p in plays], ["play", "complete"] * 2)
        self.assertTrue(all(p["source"] == "service" and p["bytes"] > 0 for p in plays))

    def test_a_closed_speech_port_plays_the_local_voice(self):
        closed = socket.socket()
        closed.bind(("127.0.0.1", 0))
        port = closed.getsockname()[1]
        closed.close()
        w = self.start({"getword": {"switch": "on"}, "translate": {"language": "en"}},
                       tts_url=f"http://127.0.0.1:{port}")
        self.show_get_word(w, "hello")
        since = self.play_and_wait_for_the_end(w)
        plays = w.matching("playback", since)
        self.assertEqual([p["action"] for p in plays], ["play", "complete"])
        self.assertEqual(plays[0]["source"], "local")
        self.assertEqual(plays[0]["voice"], "en")
        self.assertGreater(plays[0]["bytes"], 44)

    def dictate_with_key_3(self, w):
        since = w.last_seq()
        w.sim("key", "mouse", "voice3", "down")
        w.wait_event("audio", since, state="start", block=6400)
        w.sim("mic", SPEECH)
        time.sleep(SPEECH_SECONDS + 0.5)
        w.sim("key", "mouse", "voice3", "up")
        return since

    def last_translated_source(self):
        path = self.server.requests("/api/trans/")[-1]
        from urllib.parse import parse_qs, urlparse
        return parse_qs(urlparse(path).query)["q"][0]

    def test_switch_on_shows_the_window_then_pastes_and_reports(self):
        w = self.start({"translate": {"switch": "on"}})
        since = self.dictate_with_key_3(w)
        w.wait_event("window", since, name="TransWnd", visible=True)
        pasted = w.wait_event("clipboard", since, timeout=60)
        w.wait_event("key", since, keys="ctrl+v")
        source = self.last_translated_source()
        self.assertEqual(source.strip(" ."), "go forward ten meters")
        self.assertEqual(pasted["text"], "<" + source + ">")
        w.wait_event("window", since, name="TransWnd", visible=False)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and not self.usage_of_kind(2):
            time.sleep(0.1)
        usage = self.usage_of_kind(2)
        self.assertEqual(len(usage), 1)
        self.assertEqual(usage[0]["eventInfo"], ["<" + source + ">"])
        self.assertEqual(usage[0]["eventInfo1"], [source])

    def usage_of_kind(self, kind):
        return [u for u in self.server.usage_posts() if u.get("eventTypeId") == [str(kind)]]

    def test_switch_off_types_the_translation(self):
        w = self.start({"translate": {"switch": "off"}})
        since = self.dictate_with_key_3(w)
        pasted = w.wait_event("clipboard", since, timeout=60)
        source = self.last_translated_source()
        self.assertEqual(source.strip(" ."), "go forward ten meters")
        self.assertEqual(pasted["text"], "<" + source + ">")
        w.wait_event("key", since, keys="ctrl+v")
        self.assertEqual(w.matching("window", since, name="TransWnd", visible=True), [])


if __name__ == "__main__":
    unittest.main()
