"""Sign-in, settings, feedback and help windows of the real program against a fake service."""
import json
import os
import re
import stat
import unittest

from fake_service import FakeService
from harness import World, write_ini

PHONE = "13800138000"
# Blank, "&" and "+" would cut or change the pair if sent raw; "Ä" goes as its UTF-8 bytes.
PASSWORD = "s3 cr&t+\u00c4x"
PASSWORD_ESCAPED = "s3%20cr%26t%2B\u00c4x"
SIGNED_IN = {"rc": "0", "msg": "ok", "data": {"id": 42, "phone": PHONE, "password": "srvpw99",
                                               "name": "n"}}


class AccountTest(unittest.TestCase):
    def setUp(self):
        self.service = FakeService()
        self.service.reply("/api/showCountryCodeList.json",
                           [{"countryCode": "86", "countryCn": "a"}, {"countryCode": "852"}])
        self.service.reply("/api/getLoginVerifyCode.json", {"rc": "0", "msg": "sent"})
        self.service.reply("/api/freeback.json", {"rc": "0"})
        self.service.reply("/api/addUserFeedback.json", {"rc": "0"})
        self.world = World()
        write_ini(os.path.join(self.world.home, "endpoints.ini"),
                  {"endpoints": {"service": self.service.url(), "web": "http://web.example.test"}})

    def tearDown(self):
        self.world.stop()
        self.service.close()

    # --- driving helpers ---------------------------------------------------------------------

    def start(self, extra_env=None):
        w = self.world
        w.sim("plug", "mouse")
        proc = w.start(extra_env)
        w.wait_event("debug", text="Enter MouseProc...\n")
        since = w.last_seq()
        w.sim("tray", "left")
        w.wait_event("window", since, name="MainWnd", visible=True)
        return proc

    def open_window(self, opener_window, opener, name):
        since = self.world.last_seq()
        self.world.sim("click", opener_window, opener)
        self.world.wait_event("window", since, name=name, visible=True)
        return since

    def open_from_tray(self, button, name):
        since = self.world.last_seq()
        self.world.sim("tray", "right")
        self.world.wait_event("window", since, name="MenuWnd", visible=True)
        return self.open_window("MenuWnd", button, name)

    def query(self, window, control):
        return json.loads(self.world.sim("query", window, control).stdout)

    def sign_in_by_password(self, remember):
        w = self.world
        since = self.open_window("MainWnd", "head_btn", "LoginWnd")
        if remember:
            w.sim("click", "LoginWnd", "rem_box")
        w.sim("type", "LoginWnd", "pw_tel_edit", PHONE)
        w.sim("type", "LoginWnd", "pw_edit", PASSWORD)
        w.sim("click", "LoginWnd", "login_btn")
        return since

    # --- sign-in -----------------------------------------------------------------------------

    def test_password_sign_in_closes_shows_the_phone_and_reports_the_device(self):
        w = self.world
        self.service.reply("/api/recordLogin.json", SIGNED_IN)
        self.start()
        since = self.sign_in_by_password(remember=True)

        w.wait_event("window", since, name="LoginWnd", visible=False)
        w.wait_event("control", since, window="MainWnd", control="user_btn", text=PHONE)
        login = self.service.to("/api/recordLogin.json")
        # The server reads the target's bytes as Latin-1: "Ä" arrives as its two UTF-8 bytes.
        sent = f"/api/recordLogin.json?name={PHONE}&password={PASSWORD_ESCAPED}"
        self.assertEqual([r[1] for r in login], [sent.encode("utf-8").decode("latin-1")])
        info = self.service.wait_for("/api/addDeviceInfo.json")
        self.assertTrue(info[-1][2].endswith(b"&userId=42"), info[-1][2])
        self.assertEqual(self.query("MainWnd", "user_btn")["text"], PHONE)

        user = w.settings()["user"]
        self.assertEqual((user["remember"], user["name"], user["password"]),
                         ("on", PHONE, PASSWORD))
        mode = stat.S_IMODE(os.stat(os.path.join(w.home, "custom.ini")).st_mode)
        self.assertEqual(mode, 0o600)

        # Signed in: the head button opens nothing.
        since = w.last_seq()
        w.sim("click", "MainWnd", "head_btn")
        self.assertEqual(w.matching("window", since, name="LoginWnd", visible=True), [])

    def test_a_refusal_shows_the_services_message(self):
        self.service.reply("/api/recordLogin.json", {"rc": "3", "msg": "密码错误"})
        self.start()
        since = self.sign_in_by_password(remember=False)
        box = self.world.wait_event("msgbox", since, text="密码错误")
        self.assertEqual(box["caption"], "")
        self.assertEqual(box["buttons"], "ok")
        self.assertTrue(self.query("LoginWnd", "login_btn")["visible"])

    def test_the_password_reaches_neither_log_nor_debug_channel_nor_events(self):
        w = self.world
        self.service.reply("/api/recordLogin.json", SIGNED_IN)
        proc = self.start({"VELMORA_DEBUG": "1"})
        since = self.sign_in_by_password(remember=True)
        w.wait_event("control", since, window="MainWnd", control="user_btn", text=PHONE)
        events = json.dumps(w.events(), ensure_ascii=False)
        for p in w.procs:
            p.terminate()
        _, err = proc.communicate(timeout=60)
        w.procs.clear()
        with open(os.path.join(w.home, "log.log"), encoding="utf-8", errors="replace") as f:
            log = f.read()
        for secret in (PASSWORD, PASSWORD_ESCAPED, "srvpw99"):
            with self.subTest(secret=secret):
                self.assertNotIn(secret, log)
                self.assertNotIn(secret, err.decode("utf-8", errors="replace"))
                self.assertNotIn(secret, events)
        self.assertIn("passLogin success", err.decode("utf-8", errors="replace"))

    def test_validation_texts_and_nothing_sent(self):
        w = self.world
        self.start()
        since = self.open_window("MainWnd", "head_btn", "LoginWnd")
        w.sim("click", "LoginWnd", "login_btn")
        w.wait_event("msgbox", since, text="手机号或密码不能为空", caption="")
        w.sim("click", "LoginWnd", "code_toreg_btn")
        for fields, text in (((), "手机号不能为空"),
                             ((("reg_tel_edit", "1"), ("reg_code_edit", "2"), ("reg_pw_edit", "12345")),
                              "密码不得少于6位")):
            since = w.last_seq()
            for control, value in fields:
                w.sim("type", "LoginWnd", control, value)
            w.sim("click", "LoginWnd", "reg_getcode_btn" if not fields else "reg_btn")
            w.wait_event("msgbox", since, text=text, caption="")
        self.assertEqual(self.service.to("/api/recordLogin"), [])
        self.assertEqual(self.service.to("/api/registerAndModifyPwd"), [])
        self.assertEqual(self.service.to("/api/getLoginVerifyCode"), [])

    def test_the_code_button_counts_down_and_refuses_clicks(self):
        w = self.world
        self.start()
        self.open_window("MainWnd", "head_btn", "LoginWnd")
        w.sim("click", "LoginWnd", "code_opt")
        w.sim("type", "LoginWnd", "code_tel_edit", "139 0")
        since = w.last_seq()
        w.sim("click", "LoginWnd", "code_getcode_btn")
        w.wait_event("control", since, window="LoginWnd", control="code_getcode_btn", text="59s")
        state = self.query("LoginWnd", "code_getcode_btn")
        self.assertFalse(state["enabled"])
        w.wait_event("control", since, window="LoginWnd", control="code_getcode_btn", text="58s")
        self.assertEqual(w.sim("click", "LoginWnd", "code_getcode_btn", check=False).returncode, 1)
        asked = self.service.wait_for("/api/getLoginVerifyCode.json")
        self.assertEqual(asked[0][1], "/api/getLoginVerifyCode.json?phone=139%200&country=86&mark=code")

    def test_a_refusal_box_is_answered_and_the_window_stays_for_another_try(self):
        w = self.world
        self.service.reply("/api/recordLogin.json", {"rc": "2", "msg": "no such user"})
        self.start()
        # A queued answer the box has no button for is spent on it; the box takes its OK.
        w.sim("answer", "cancel")
        since = self.sign_in_by_password(remember=False)
        box = w.wait_event("msgbox", since, text="no such user")
        self.assertEqual((box["buttons"], box["answer"]), ("ok", "ok"))
        self.assertTrue(self.query("LoginWnd", "login_btn")["visible"])
        self.assertNotEqual(self.query("MainWnd", "user_btn")["text"], PHONE)
        self.assertEqual(w.matching("message", since, msg=1138), [])

        self.service.reply("/api/recordLogin.json", SIGNED_IN)
        since = w.last_seq()
        w.sim("click", "LoginWnd", "login_btn")
        w.wait_event("window", since, name="LoginWnd", visible=False)
        w.wait_event("control", since, window="MainWnd", control="user_btn", text=PHONE)
        self.assertEqual(len(self.service.to("/api/recordLogin.json")), 2)

    # --- calling code pop-up -----------------------------------------------------------------

    def test_an_area_choice_sets_both_area_buttons_and_the_next_country(self):
        w = self.world
        self.start()
        since = self.open_window("MainWnd", "commom_set_btn", "CommonWnd")
        # The codes reach the window as its own message: the event names the window.
        ready = w.wait_event("message", since, msg=1139, window="CommonWnd")
        self.assertEqual(ready["wparam"], 0)
        # Messages the main window handles carry no window name.
        shown = w.matching("message", 0, msg=1025)
        self.assertTrue(shown)
        self.assertTrue(all("window" not in e for e in shown), shown)

        w.sim("click", "CommonWnd", "user_opt")
        w.sim("click", "CommonWnd", "to_bycode_btn")
        self.assertEqual(self.query("CommonWnd", "code_area_btn")["text"], "+86")
        since = self.open_window("CommonWnd", "code_area_btn", "AreaWnd")
        # The pop-up waits for a choice: taking the focus chose nothing.
        popup = self.query("AreaWnd", "area_list")
        self.assertTrue(popup["visible"], popup)
        self.assertEqual(popup["selected"], -1)
        self.assertEqual([i["text"] for i in popup["items"]], ["+86", "+852"])
        self.assertEqual(w.matching("message", since, msg=1161), [])

        since = w.last_seq()
        w.sim("choose", "AreaWnd", "area_list", "--index", "1")
        chosen = w.wait_event("message", since, msg=1161, window="CommonWnd")
        self.assertEqual(chosen["wparam"], 852)
        w.wait_event("window", since, name="AreaWnd", visible=False)
        for button in ("code_area_btn", "reg_area_btn"):
            w.wait_event("control", since, window="CommonWnd", control=button, text="+852")
            self.assertEqual(self.query("CommonWnd", button)["text"], "+852")

        w.sim("type", "CommonWnd", "code_tel_edit", "1390")
        w.sim("click", "CommonWnd", "code_getcode_btn")
        asked = self.service.wait_for("/api/getLoginVerifyCode.json")
        self.assertEqual(asked[0][1], "/api/getLoginVerifyCode.json?phone=1390&country=852&mark=code")

    # --- feedback, settings, help ------------------------------------------------------------

    def feedback_body(self, path, dev_type, ids):
        body = self.service.wait_for(path)[0][2].decode("utf-8")
        settings = self.world.settings()
        head = f"devType={dev_type}&content=a%26b%20c&phone=1%2B2"
        if ids:
            head += "&vid=6352&pid=C098&sn=" + settings["device"].get("sn", "")
        pattern = (re.escape(head + f"&channelName={self.world.channel}&macAddr=")
                   + r"[0-9A-F-]*" + re.escape("&clientversion=1.0.0&feedbackTime=")
                   + r"\d{4}-\d\d-\d\d%20\d\d:\d\d:\d\d")
        self.assertRegex(body, "^" + pattern + "$")

    def test_stand_alone_feedback_is_sent_byte_for_byte_then_closes(self):
        w = self.world
        self.start()
        since = self.open_from_tray("freeback_btn", "FreebackWnd")
        self.assertEqual(self.query("FreebackWnd", "device_com")["text"], "Dravel")
        w.sim("type", "FreebackWnd", "content_edit", "a&b c")
        w.sim("type", "FreebackWnd", "tel_edit", "1+2")
        w.sim("click", "FreebackWnd", "submit_btn")
        self.feedback_body("/api/freeback.json", "mouse", True)
        w.wait_event("window", since, name="FreebackWnd", visible=False)

    def test_combined_window_feedback_says_success(self):
        w = self.world
        self.start()
        self.open_window("MainWnd", "commom_set_btn", "CommonWnd")
        w.sim("click", "CommonWnd", "feedback_opt")
        w.sim("type", "CommonWnd", "content_edit", "a&b c")
        w.sim("type", "CommonWnd", "tel_edit", "1+2")
        since = w.last_seq()
        w.sim("click", "CommonWnd", "submit_btn")
        self.feedback_body("/api/addUserFeedback.json", "mouse", True)
        w.wait_event("msgbox", since, text="Success!", caption="")
        usage = self.service.wait_for("/api/addEventLog.json", 3)
        self.assertTrue(any(r[2].startswith(b"eventTypeId=26&") for r in usage))

    def test_autorun_box_and_language_list_in_the_settings_window(self):
        w = self.world
        self.start()
        self.open_from_tray("set_btn", "SetWnd")
        w.sim("click", "SetWnd", "common_opt")
        autostart = os.path.join(w.home, "xdg", "autostart", w.channel + ".desktop")
        self.assertTrue(self.query("SetWnd", "autorun_box")["checked"])
        w.sim("click", "SetWnd", "autorun_box")
        self.assertFalse(os.path.exists(autostart))
        self.assertEqual(w.settings()["client"]["autoRun"], "off")
        w.sim("click", "SetWnd", "autorun_box")
        self.assertTrue(os.path.exists(autostart))
        self.assertEqual(w.settings()["client"]["autoRun"], "on")

        w.sim("choose", "SetWnd", "ui_com", "lan_en")
        self.assertEqual(w.settings()["client"]["uiLanguage"], "lan_en")
        kinds = [r[2].split(b"&")[0] for r in self.service.wait_for("/api/addEventLog.json", 5)]
        for kind in (b"eventTypeId=19", b"eventTypeId=20", b"eventTypeId=18"):
            self.assertIn(kind, kinds)
        switch = [r[2] for r in self.service.to("/api/addEventLog.json")
                  if r[2].startswith(b"eventTypeId=18&")]
        self.assertTrue(switch[0].endswith(b"&eventInfo1=lan_en"), switch)
        self.assertEqual(self.query("SetWnd", "login_btn")["text"], "Sign in")

    def test_contact_browser_opens_the_web_site(self):
        w = self.world
        self.start()
        self.open_from_tray("help_btn", "HelpWnd")
        since = w.last_seq()
        w.sim("click", "HelpWnd", "contact_browser")
        opened = w.wait_event("open", since, via="help")
        self.assertEqual(opened["target"].rstrip("/"), "http://web.example.test")


if __name__ == "__main__":
    unittest.main()
