"""The mouse and pen settings pages of the main window, driven through the simulator: loads
show what custom.ini holds and change nothing, user changes are stored, reported to the
service and reach the mouse."""
import json
import os
import unittest

import pngfile
from fake_service import FakeService
from harness import World, write_ini

LANGUAGES = {
    "recognition_xf_lans": {"chinese": "普通话", "english": "English"},
    "translate_baidu_lans": {"zh": "中文", "en": "English", "jp": "日本語"},
}
STORED = {
    "client": {"first": "no", "typingMode": "mode1", "lp_color": "4278190335",
               "lp_subtitleColor": "4294901760", "lp_multiple": "3", "lp_save": "on",
               "subtitle": "on"},
    "recognition": {"engine": "xf", "language": "english", "ptt": "off",
                    "lp_language": "chinese", "lp_ptt": "on"},
    "search": {"engine": "google", "lp_engine": "yahoo"},
    "translate": {"switch": "on", "language": "jp", "lp_switch": "off", "lp_language": "zh"},
    "getword": {"switch": "off", "lp_switch": "off"},
    "device": {"light": "on", "url": "on"},
}
# What each control shows after the load: list boxes by item name, check boxes, colours.
LOADED = [
    ("iat_lang_com", "selected", "english"), ("trans_lang_com", "selected", "jp"),
    ("typing_com", "selected", "mode1"), ("search_com", "selected", "google"),
    ("ptt_box", "checked", False), ("original_box", "checked", True),
    ("getword_box", "checked", False), ("subtitle_box", "checked", True),
    ("light_box", "checked", True), ("url_box", "checked", True),
    ("iat_lang_com_lp", "selected", "chinese"), ("trans_lang_com_lp", "selected", "zh"),
    ("search_com_lp", "selected", "yahoo"), ("ptt_box_lp", "checked", True),
    ("mul_com", "selected", "3"), ("save_box_lp", "checked", True),
    ("laser_btn", "bkcolor", 0xFF0000FF), ("font_btn", "bkcolor", 0xFFFF0000),
]
# Start-up reports (kind 3) are the only usage events a start sends.
START_KIND = "eventTypeId=3&"


class DevicePagesTest(unittest.TestCase):
    def setUp(self):
        self.service = FakeService()
        self.world = None

    def tearDown(self):
        if self.world:
            self.world.stop()
        self.service.close()

    def make_world(self, settings):
        self.world = World(settings)
        write_ini(os.path.join(self.world.home, "languages.ini"), LANGUAGES)
        write_ini(os.path.join(self.world.home, "endpoints.ini"),
                  {"endpoints": {"service": self.service.url(), "web": "http://web.example.test"}})
        return self.world

    def start(self, extra_env=None, settings=STORED):
        w = self.make_world(settings)
        w.sim("plug", "mouse")
        w.sim("plug", "pen")
        w.start(extra_env)
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.sim("tray", "left")
        w.wait_event("window", since, name="MainWnd", visible=True)

    def usage_events(self):
        return [body.decode("utf-8") for _, _, body in self.service.to("/api/addEventLog.json")
                if not body.decode("utf-8").startswith(START_KIND)]

    def show_pen_page(self, option):
        w = self.world
        since = w.last_seq()
        w.sim("choose", "MainWnd", "device_com", "lp")
        w.wait_event("control", since, window="MainWnd", control="main_tablayout", page=1)
        w.sim("click", "MainWnd", option)

    def test_loads_show_the_stored_values_and_report_nothing(self):
        self.start()
        w = self.world
        before = {s: dict(k) for s, k in STORED.items()}
        events = w.events()
        for control, field, value in LOADED:
            shown = [e[field] for e in events if e.get("kind") == "control"
                     and e.get("window") == "MainWnd" and e.get("control") == control
                     and field in e]
            self.assertTrue(shown, f"{control} was not loaded")
            self.assertEqual(shown[-1] & 0xFFFFFFFF if field == "bkcolor" else shown[-1], value,
                             control)
        mul = [e for e in events if e.get("control") == "mul_com" and "items" in e][-1]
        self.assertEqual([i["name"] for i in mul["items"]], ["1.5", "2.0f", "2.5", "3", "4"])
        self.assertEqual([i["text"] for i in mul["items"]], ["1.5", "2.0f", "2.5", "3", "4"])
        # The pages are not changes: the file keeps every stored value and no usage event goes.
        after = w.settings()
        for section, keys in before.items():
            for key, value in keys.items():
                self.assertEqual(after[section][key], value, f"{section}/{key}")
        self.service.wait_for("/api/addEventLog.json")  # the start-up report
        self.assertEqual(self.usage_events(), [])
        self.assertEqual(w.matching("hid_output"), [])

    def test_an_unlisted_code_selects_nothing(self):
        self.start(settings=dict(STORED, recognition={"engine": "xf", "language": "klingon"}))
        shown = self.world.matching("control", window="MainWnd", control="iat_lang_com")
        self.assertEqual([i["name"] for i in [e for e in shown if "items" in e][-1]["items"]],
                         ["chinese", "english"])
        self.assertIsNone([e for e in shown if "selected" in e][-1]["selected"])

    def test_changes_are_stored_and_reported(self):
        self.start()
        w = self.world
        # (how, control, item or None, section, key, stored, usage kind and text or None)
        changes = [
            ("choose", "iat_lang_com", "chinese", "recognition", "language", "chinese",
             "eventTypeId=8&", "eventInfo=切换识别语种&eventInfo1="),
            ("choose", "trans_lang_com", "en", "translate", "language", "en",
             "eventTypeId=9&", "eventInfo=切换翻译语种&eventInfo1="),
            ("choose", "search_com", "yahoo", "search", "engine", "yahoo",
             "eventTypeId=21&", "eventInfo=切换搜索引擎&eventInfo1="),
            ("click", "ptt_box", None, "recognition", "ptt", "on",
             "eventTypeId=15&", "eventInfo=开识别带标点符号&eventInfo1="),
            ("click", "original_box", None, "translate", "switch", "off",
             "eventTypeId=14&", "eventInfo=关显示翻译原文&eventInfo1="),
            ("choose", "typing_com", "--index=0", "client", "typingMode", "", None, None),
        ]
        for how, control, item, section, key, stored, kind, text in changes:
            before = len(self.usage_events())
            args = item.split("=") if item and item.startswith("--") else [item] if item else []
            w.sim(how, "MainWnd", control, *args)
            self.assertEqual(w.settings()[section][key], stored, control)
            if kind:
                self.service.wait_for("/api/addEventLog.json", before + 2)
                body = self.usage_events()[-1]
                self.assertTrue(body.startswith(kind), body)
                self.assertTrue(body.endswith(text), body)
        w.sim("click", "MainWnd", "comset_opt")
        w.sim("click", "MainWnd", "getword_box")
        self.assertEqual(w.settings()["getword"]["switch"], "on")
        w.wait_event("getword_capture", enabled=True)
        self.assertEqual(w.settings()["getword"]["lp_switch"], "off", "the pen keeps its own")

    def test_resolution_follows_the_mouse_and_choices_reach_it(self):
        self.start()
        w = self.world
        since = w.last_seq()
        # Byte 7 0x0A: the 3212 sensor; byte 4 37: the step stored as "0" (1400).
        w.sim("report", "mouse", "0a0000002500000a")
        w.wait_event("message", since, msg=1132)
        listed = w.wait_event("control", since, window="MainWnd", control="dpi_com",
                              selected="0")
        self.assertEqual(listed["text"], "1400")
        items = [e for e in w.events(since) if e.get("control") == "dpi_com" and "items" in e]
        self.assertEqual(len(items), 1, "one items report per rebuild")
        self.assertEqual([i["name"] for i in items[0]["items"]], ["5", "0", "1", "2", "3", "4"])

        w.sim("click", "MainWnd", "set_opt")
        since = w.last_seq()
        w.sim("choose", "MainWnd", "dpi_com", "3")
        self.assertEqual(w.settings()["device"]["dpi"], "3")
        sent = w.wait_event("hid_output", since)
        self.assertTrue(sent["bytes"].startswith("0aa236"), sent)
        self.service.wait_for("/api/addEventLog.json", 2)
        self.assertTrue(self.usage_events()[-1].startswith("eventTypeId=17&"))

        since = w.last_seq()
        w.sim("click", "MainWnd", "url_box")
        self.assertEqual(w.settings()["device"]["url"], "off")
        sent = w.wait_event("hid_output", since)
        self.assertTrue(sent["bytes"].startswith("0aa755"), sent)

    def test_pen_page_options_colours_and_save_folder(self):
        self.start()
        w = self.world
        self.show_pen_page("set_opt_lp")
        since = w.last_seq()
        w.sim("choose", "MainWnd", "mul_com", "2.0f")
        self.assertEqual(w.settings()["client"]["lp_multiple"], "2.0f")

        w.sim("click", "MainWnd", "laser_btn")
        w.wait_event("window", since, name="ColorWnd", visible=True)
        w.sim("pick", "ColorWnd", "Pallet", "0xFF00FF00")
        w.wait_event("control", since, window="MainWnd", control="laser_btn",
                     bkcolor=0xFF00FF00)
        self.assertEqual(w.settings()["client"]["lp_color"], str(0xFF00FF00))

        w.sim("click", "MainWnd", "comset_opt_lp")
        folder = os.path.join(w.home, "sessions")
        os.makedirs(folder)
        w.sim("folder", folder)
        w.sim("click", "MainWnd", "path_btn_lp")
        w.wait_event("control", since, window="MainWnd", control="save_edit_lp", text=folder)
        since = w.last_seq()
        w.sim("click", "MainWnd", "open_btn_lp")
        opened = w.wait_event("open", since, via="page")
        self.assertEqual(opened["target"], "file://" + folder)

        w.sim("type", "MainWnd", "save_edit_lp", os.path.join(w.home, "missing"))
        w.sim("click", "MainWnd", "open_btn_lp")
        w.sim("click", "MainWnd", "save_box_lp")
        self.assertEqual(w.settings()["client"]["lp_save"], "off")
        self.assertEqual(len(w.matching("open", since)), 1, "a missing folder opens nothing")

    @unittest.skipUnless(os.environ.get("VELMORA_TEST_DISPLAY"), "needs the test X server")
    def test_pen_colours_are_drawn_on_the_device_page(self):
        self.start({"DISPLAY": os.environ["VELMORA_TEST_DISPLAY"], "QT_QPA_PLATFORM": "xcb"})
        w = self.world
        self.show_pen_page("set_opt_lp")
        picture = os.path.join(w.home, "pen.png")
        w.sim("grab", "MainWnd", picture)
        face = pngfile.read(picture)
        counts = {}
        for y in range(face.height):
            for x in range(face.width):
                pixel = face.pixel(x, y)
                counts[pixel] = counts.get(pixel, 0) + 1
        # Each button is at least 64 x 24 pixels; most of it shows its colour.
        self.assertGreater(counts.get((0, 0, 255), 0), 500, "laser_btn in lp_color")
        self.assertGreater(counts.get((255, 0, 0), 0), 500, "font_btn in lp_subtitleColor")


if __name__ == "__main__":
    unittest.main()
