"""The "sg" and "sh" streaming engines end to end: the real program, a simulated mouse and
microphone, and local fakes of the vendors named in endpoints.ini."""
import hashlib
import json
import os
import re
import shutil
import tempfile
import unittest

from fake_vendors import HttpService, WsServer, audio_of, make_pki, sg_audio, sh_audio
from harness import HANG_GUARD, World, write_ini

SG_APPID = "AppIdE2e0123456789abcdefgh"
SG_APPKEY = "c2dBcHBLZXlFMmVTZWNyZXQ=" * 3
SG_TOKEN = "sg-token-e2e.7f3a9b"
SH_APPKEY = "velmora.e2e_key.abcdefghijkl"
SH_SECRET = "e2esecret0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefgh"
CONFIG_FRAME = ('{\n\t"config" : \n\t{\n\t\t"encoding" : "LINEAR16",\n\t\t"language_code" : '
                '"zh-cmn-Hans-CN",\n\t\t"sample_rate_hertz" : 16000\n\t},\n\t"interim_results" : true\n}')
TIPS = {
    "unconfigured": "The speech recognition service is not set up",
    "unreachable": "Cannot reach the speech recognition service",
    "refused": "The speech recognition service refused the credentials",
}
# 0.4 s of speech-like samples that silence (the microphone's idle sound) never contains.
PCM = bytes((i * 7 + 1) % 251 + 1 for i in range(12800))


def state_of(frame):
    value = json.loads(frame)
    return value["body"]["body"] if value.get("cmd") == 27 else None


class StreamEnginesTest(unittest.TestCase):
    def setUp(self):
        self.world = None
        self.services = []
        self.dir = tempfile.mkdtemp(prefix="velmora-vendors-")
        self.pki = make_pki(self.dir)
        self.pcm = os.path.join(self.dir, "speech.raw")
        with open(self.pcm, "wb") as f:
            f.write(PCM)

    def tearDown(self):
        if self.world:
            self.world.stop()
        for service in self.services:
            service.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def service(self, service):
        self.services.append(service)
        return service

    def start(self, engine, endpoints):
        w = World({"recognition": {"engine": engine, "language": "en"},
                   "client": {"uiLanguage": "lan_en"}})
        self.world = w
        write_ini(os.path.join(w.home, "endpoints.ini"), endpoints)
        w.sim("plug", "mouse", "--model", "01")
        w.start()
        w.wait_event("debug", text="Enter MouseProc...\n")
        return w

    def press(self, w):
        self.logged = self.log(w)
        since = w.last_seq()
        w.sim("key", "mouse", "voice1", "down")
        return since

    def release(self, w):
        w.sim("key", "mouse", "voice1", "up")

    def speak(self, w, since, engine, server, decode):
        """One session that streams: the fake hears the microphone's audio, then the key goes up."""
        w.wait_event("engine", since, engine=engine, state="open")
        w.sim("mic", self.pcm)
        w._wait_for(lambda: PCM in audio_of(server.taken()[1], decode), HANG_GUARD, "speech at the fake")
        self.release(w)
        w.wait_event("engine", since, engine=engine, state="closed")
        return w.wait_event("clipboard", since)["text"]

    def expect_failure(self, w, since, engine, reason, status, line, opened=False):
        w.wait_event("engine", since, engine=engine, state="failed", reason=reason, status=status)
        w.wait_event("control", since, window="VoiceTipWnd", control="tip_text", text=TIPS[reason])
        self.release(w)
        # The same failure may have been logged (only) while the engine started.
        before = self.logged.count(line)
        w._wait_for(lambda: self.log(w).count(line) > before, HANG_GUARD, "log line " + line)
        # A refused start comes on an open stream, which then closes.
        if opened:
            w.wait_event("engine", since, engine=engine, state="closed")
        self.assertEqual(len(w.matching("engine", since, state="open")), 1 if opened else 0)
        self.assertEqual(w.matching("clipboard", since), [])
        # The key-up keeps the failure shown.
        self.assertEqual(w.matching("control", since, window="VoiceTipWnd", text="Processing..."), [])

    def log(self, w):
        path = os.path.join(w.home, "log.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def assert_nothing_secret(self, w, secrets):
        shown = self.log(w) + "".join(e.get("text", "") for e in w.matching("debug"))
        for secret in secrets:
            self.assertNotIn(secret, shown)

    def sg_world(self, token_status, token_body):
        """A program on "sg" whose token service answers as given and whose stream types
        你好世界 at the end of the audio; returns (world, token service, stream)."""
        tls = (self.pki[1], self.pki[2])
        token = self.service(HttpService(token_status, token_body, tls=tls))

        def vendor(conn, frame):
            if frame == "null":
                conn.send('{"results":[{"alternatives":[{"transcript":"你好世界"}],"is_final":true}]}')
                conn.close(1000)

        stream = self.service(WsServer(vendor, tls=tls))
        w = self.start("sg", {
            "endpoints": {"sg_token": f"https://localhost:{token.port}/apis/auth/v1/create_token",
                          "sg_stream": f"wss://localhost:{stream.port}/wss/asr/v1/streaming_recognize"},
            "credentials": {"sg_appid": SG_APPID, "sg_appkey": SG_APPKEY},
            "tls": {"ca_file": self.pki[0]}})
        return w, token, stream

    def test_sg_refused_token_then_dictation_is_typed(self):
        w, token, stream = self.sg_world(401, "")
        w.wait_event("audio_default", name="Dravel Microphone")

        since = self.press(w)
        self.expect_failure(w, since, "sg", "refused", 401,
                            "recognition sg: token request refused (HTTP 401)")
        self.assertEqual(w.matching("audio", since, state="start"), [])

        token.set_reply(200, json.dumps({"token": SG_TOKEN}))
        since = self.press(w)
        self.assertEqual(self.speak(w, since, "sg", stream, sg_audio), "你好世界")

        method, path, headers, body = token.taken()[-1]
        self.assertEqual((method, path), ("POST", "/apis/auth/v1/create_token"))
        self.assertEqual(headers.get("Content-Type"), "application/json;charset=UTF-8")
        uuid = json.loads(body)["uuid"]
        self.assertRegex(uuid, "^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")
        self.assertEqual(body, f'{{\n\t"appid" : "{SG_APPID}",\n\t"appkey" : "{SG_APPKEY}",\n'
                               f'\t"exp" : "3600s",\n\t"uuid" : "{uuid}"\n}}')
        targets, frames, _ = stream.taken()
        self.assertEqual(targets, [f"/wss/asr/v1/streaming_recognize?Appid={SG_APPID}"
                                   f"&Authorization=Bearer+{SG_TOKEN}&Uuid={uuid}"])
        self.assertEqual(frames[0], CONFIG_FRAME)
        self.assertEqual(frames[-1], "null")
        blocks = [sg_audio(f) for f in frames[1:-1]]
        self.assertTrue(blocks and all(b is not None and len(b) == 3200 for b in blocks))
        self.assertTrue(all(f == json.dumps({"content": json.loads(f)["content"]}, indent="\t",
                                            separators=(",", " : ")) for f in frames[1:-1]))
        self.assert_nothing_secret(w, [SG_APPID, SG_APPKEY, SG_TOKEN])

    def test_sh_unreachable_discovery_and_refused_start_then_dictation_is_typed(self):
        discovery = self.service(HttpService(500, ""))
        refuse = {"on": False}

        def vendor(conn, frame):
            state = state_of(frame)
            if state is not None and state["state"] == 0:
                code = 4003 if refuse["on"] else 8000
                conn.send(json.dumps({"cmd": 27, "body": {"content": json.dumps({"code": code, "state": 0})}}))
            elif state is not None and state["state"] == 1:
                for content in ({"code": "0", "isFinal": True, "completed": "0", "transcript": "hello "},
                                {"code": "0", "isFinal": True, "completed": "0", "transcript": "world"},
                                {"code": "0", "isFinal": False, "completed": "1", "transcript": ""}):
                    conn.send(json.dumps({"cmd": 26, "body": {"content": json.dumps(content)}}))

        stream = self.service(WsServer(vendor))
        w = self.start("sh", {
            "endpoints": {"sh_discovery": f"http://127.0.0.1:{discovery.port}/websocket"},
            "credentials": {"sh_appkey": SH_APPKEY, "sh_secret": SH_SECRET}})

        since = self.press(w)
        self.expect_failure(w, since, "sh", "unreachable", 500,
                            "recognition sh: server discovery unreachable (HTTP 500)")
        self.assertEqual(w.matching("audio", since, state="start"), [])

        discovery.set_reply(200, f" 127.0.0.1:{stream.port} ")
        since = self.press(w)
        self.assertEqual(self.speak(w, since, "sh", stream, sh_audio), "hello world")
        self.check_sh_frames(w, stream.taken()[1])

        refuse["on"] = True
        stream.clear()
        since = self.press(w)
        self.expect_failure(w, since, "sh", "refused", 4003,
                            "recognition sh: stream start refused (code 4003)", opened=True)
        _, frames, closes = stream.taken()
        self.assertEqual(len(frames), 1)
        self.assertEqual(closes, [1000])

        refuse["on"] = False
        stream.clear()
        since = self.press(w)
        self.assertEqual(self.speak(w, since, "sh", stream, sh_audio), "hello world")
        _, frames, _ = stream.taken()
        self.check_sh_frames(w, frames)
        signs = [state_of(f)["sign"] for f in frames if state_of(f)]
        self.assert_nothing_secret(w, [SH_APPKEY, SH_SECRET] + signs)

    def test_an_engine_without_its_credentials_says_so_at_every_key(self):
        w = self.start("sh", {"endpoints": {"sh_discovery": "http://127.0.0.1:9/websocket"}})
        for _ in range(2):
            since = self.press(w)
            self.expect_failure(w, since, "sh", "unconfigured", 0,
                                "recognition sh: setup unconfigured (sh_appkey missing)")
            self.assertEqual(w.matching("audio", since, state="start"), [])

    def dictation_world(self, engine):
        """A program whose engine reaches working fakes; returns (world, stream, decode, text)."""
        if engine == "sg":
            w, _, stream = self.sg_world(200, json.dumps({"token": SG_TOKEN}))
            return w, stream, sg_audio, "你好世界"

        def vendor(conn, frame):
            state = state_of(frame)
            if state is not None and state["state"] == 0:
                conn.send(json.dumps({"cmd": 27, "body": {"content": json.dumps({"code": 8000, "state": 0})}}))
            elif state is not None and state["state"] == 1:
                for content in ({"code": "0", "isFinal": True, "completed": "0", "transcript": "hello world"},
                                {"code": "0", "isFinal": False, "completed": "1", "transcript": ""}):
                    conn.send(json.dumps({"cmd": 26, "body": {"content": json.dumps(content)}}))

        stream = self.service(WsServer(vendor))
        discovery = self.service(HttpService(200, f"127.0.0.1:{stream.port}"))
        w = self.start("sh", {
            "endpoints": {"sh_discovery": f"http://127.0.0.1:{discovery.port}/websocket"},
            "credentials": {"sh_appkey": SH_APPKEY, "sh_secret": SH_SECRET}})
        return w, stream, sh_audio, "hello world"

    def unplug_mid_stream(self, engine):
        """The mouse goes while its user speaks: what reached the vendor is typed once, the
        stream ends, and once the mouse is back the next session types again."""
        w, stream, decode, text = self.dictation_world(engine)
        first = self.press(w)
        w.wait_event("engine", first, engine=engine, state="open")
        w.sim("mic", self.pcm)
        w._wait_for(lambda: PCM in audio_of(stream.taken()[1], decode), HANG_GUARD, "speech at the fake")
        w.sim("unplug", "mouse")
        w.wait_event("engine", first, engine=engine, state="closed")
        self.assertEqual(w.wait_event("clipboard", first)["text"], text)
        w._wait_for(lambda: stream.taken()[2] == [1000], HANG_GUARD, "a normal close")

        replug = w.last_seq()
        w.sim("plug", "mouse", "--model", "01")
        w.wait_event("debug", replug, text="Enter MouseProc...\n")
        stream.clear()
        second = self.press(w)
        self.assertEqual(self.speak(w, second, engine, stream, decode), text)
        self.assertEqual(len(stream.taken()[0]), 1)
        # The second session's text is the last thing typed: the first one's came only once.
        self.assertEqual([e["text"] for e in w.matching("clipboard", first)], [text, text])
        self.assertEqual(len(w.matching("engine", first, state="open")), 2)
        self.assertEqual(w.matching("engine", first, state="failed"), [])

    def test_sg_unplugged_mid_stream_types_once_and_the_next_session_types(self):
        self.unplug_mid_stream("sg")

    def test_sh_unplugged_mid_stream_types_once_and_the_next_session_types(self):
        self.unplug_mid_stream("sh")

    def check_sh_frames(self, w, frames):
        first, last = state_of(frames[0]), state_of(frames[-1])
        self.assertEqual((first["state"], last["state"]), (0, 1))
        device_id = w.settings()["device"]["sn"][-15:]
        for state in (first, last):
            self.assertEqual({k: v for k, v in state.items() if k not in ("salt", "sign", "state")},
                             {"appKey": SH_APPKEY, "lang": "en", "encoding": "1",
                              "deviceId": device_id, "messageId": "1001"})
            self.assertRegex(state["salt"], r"^\d{13}$")
            text = SH_APPKEY + device_id + "1" + "en" + state["salt"] + SH_SECRET
            self.assertEqual(state["sign"], hashlib.md5(text.encode()).hexdigest().upper())
        audio = [json.loads(f) for f in frames[1:-1]]
        self.assertTrue(audio and all(a["cmd"] == 26 and a["sessionId"] == 0 for a in audio))
        self.assertIn(PCM, audio_of(frames, sh_audio))


if __name__ == "__main__":
    unittest.main()
