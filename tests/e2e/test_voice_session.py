"""A voice session end to end: simulated mouse and microphone, the real program, local recognition."""
import json
import os
import socket
import time
import unittest

from harness import World

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SPEECH_SECONDS = os.path.getsize(SPEECH) / 32000
SENTENCE = "go forward ten meters"
# byte 7 of the mouse's reports: generation v6, sensor 3205 (1) or 3212 (2)
SENSOR_3205 = "01"
SENSOR_3212 = "02"


class VoiceSessionTest(unittest.TestCase):
    def setUp(self):
        self.world = None

    def tearDown(self):
        if self.world:
            self.world.stop()

    def start(self, model, settings=None):
        base = {"recognition": {"language": "english"}, "client": {"uiLanguage": "lan_en"}}
        for section, keys in (settings or {}).items():
            base.setdefault(section, {}).update(keys)
        self.world = World(base)
        self.world.sim("plug", "mouse", "--model", model)
        self.world.start()
        self.world.wait_event("debug", text="Enter MouseProc...\n")
        return self.world

    def dictate(self, w):
        since = w.last_seq()
        w.sim("key", "mouse", "voice1", "down")
        # Speech starts once the recogniser's own recorder (200 ms blocks) listens.
        w.wait_event("audio", since, state="start", block=6400)
        w.sim("mic", SPEECH)
        time.sleep(SPEECH_SECONDS + 0.5)
        released = w.last_seq()
        w.sim("key", "mouse", "voice1", "up")
        w.wait_event("window", released, timeout=60, name="VoiceTipWnd", visible=False)
        return since

    def typed_sentence(self, w, since, kind):
        """The text typed through `kind` events ("clipboard" or "char") once the whole sentence
        is out: typing runs after the tip hides, pieces and characters some time apart."""
        def typed():
            return "".join(e["text"] for e in w.matching(kind, since)).strip(" .")

        w._wait_for(lambda: len(typed()) >= len(SENTENCE), 30, f"the typed sentence ({kind})")
        return typed()

    def test_clipboard_and_ctrl_v_with_sensor_3205(self):
        w = self.start(SENSOR_3205)
        since = self.dictate(w)
        w.wait_event("message", since, msg=1127, wparam=0)
        w.wait_event("control", since, window="VoiceTipWnd", control="tip_text", text="Please speak")
        self.assertEqual(self.typed_sentence(w, since, "clipboard"), SENTENCE)
        # Each piece is pasted right after it reaches the clipboard.
        pieces = len(w.matching("clipboard", since))
        w._wait_for(lambda: len(w.matching("key", since)) >= pieces, 30, "a paste per piece")
        keys = w.matching("key", since)
        self.assertEqual(len(keys), pieces)
        self.assertTrue(all(k["keys"] == "ctrl+v" for k in keys))
        self.assertEqual(w.matching("hid_output", since), [])

    def test_mouse_types_ctrl_v_with_sensor_3212(self):
        w = self.start(SENSOR_3212)
        since = self.dictate(w)
        self.assertEqual(self.typed_sentence(w, since, "clipboard"), SENTENCE)
        self.assertEqual(w.matching("key", since), [])
        # The mouse's paste report follows each piece on the clipboard.
        pieces = len(w.matching("clipboard", since))
        w._wait_for(lambda: len(w.matching("hid_output", since)) >= pieces, 30, "a paste report per piece")
        outputs = w.matching("hid_output", since)
        self.assertTrue(all(o["bytes"].startswith("0aa30119") for o in outputs))

    def test_character_typing_mode(self):
        w = self.start(SENSOR_3205, {"client": {"typingMode": "mode1"}})
        since = self.dictate(w)
        self.assertEqual(self.typed_sentence(w, since, "char"), SENTENCE)
        self.assertEqual(w.matching("clipboard", since), [])

    def test_a_storm_of_key_presses_leaves_dictation_working(self):
        w = self.start(SENSOR_3205, {"recognition": {"ptt": "off"}})
        conn = socket.socket(socket.AF_UNIX)
        conn.connect(w.socket)
        replies = conn.makefile("r")
        since = w.last_seq()
        for i in range(1000):
            code = "21" if i % 2 == 0 else "22"
            request = {"op": "report", "device": "mouse", "bytes": f"0a00000000{code}00{SENSOR_3205}"}
            conn.sendall((json.dumps(request) + "\n").encode())
            replies.readline()
            time.sleep(0.008)
        conn.close()
        w.wait_event("message", since, timeout=60, msg=1128)
        time.sleep(2)
        self.assertEqual(w.matching("clipboard", since), [])
        self.assertIsNone(w.procs[0].poll())
        since = self.dictate(w)
        self.assertEqual(self.typed_sentence(w, since, "clipboard"), SENTENCE)

    def test_without_an_engine_keys_show_the_tip_and_start_no_capture(self):
        w = self.start(SENSOR_3205, {"recognition": {"engine": "ms"}})
        since = w.last_seq()
        w.sim("key", "mouse", "voice1", "down")
        w.wait_event("control", since, window="VoiceTipWnd", control="tip_text", text="Please speak")
        w.sim("key", "mouse", "voice1", "up")
        w.wait_event("control", since, window="VoiceTipWnd", control="tip_text", text="Processing...")
        time.sleep(1)
        self.assertEqual(w.matching("audio", since), [])


if __name__ == "__main__":
    unittest.main()
