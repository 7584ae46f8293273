"""The recording pen's records page of the real program: sign-in, the pen's volume, the scan,
identify (vendor or offline) with save and upload, deleting, editing and playing, against local
fakes of the maker's service and of the dictation vendor named in endpoints.ini."""
import base64
import ctypes
import ctypes.util
import json
import math
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import unittest
import urllib.parse

from fake_service import FakeService
from fake_vendors import WsServer, make_pki
from harness import HANG_GUARD, World, binary, write_ini

PHONE = "13800138000"
PASSWORD = "secret99"
USER_ID = 42
SIGNED_IN = {"rc": "0", "msg": "ok", "data": {"id": USER_ID, "phone": PHONE}}
BUSY = "有录音文件正在识别,请勿操作"
SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"  # pocketsphinx-testdata


def sim_knows(command):
    """Whether this build's velmora-sim has the command (it lists its commands in its usage)."""
    run = subprocess.run([binary("velmora-sim")], capture_output=True, text=True)
    return f"  {command} " in run.stdout + run.stderr


class Opus:
    """libopus through ctypes: the pen's 40-byte packets (16 kHz mono, hard CBR 16 kbit/s)."""

    def __init__(self):
        self.lib = ctypes.CDLL(ctypes.util.find_library("opus") or "libopus.so.0")
        self.lib.opus_encoder_create.restype = ctypes.c_void_p
        self.lib.opus_decoder_create.restype = ctypes.c_void_p

    def encode(self, pcm):
        error = ctypes.c_int()
        enc = ctypes.c_void_p(self.lib.opus_encoder_create(16000, 1, 2048, ctypes.byref(error)))
        self.lib.opus_encoder_ctl(enc, 4002, ctypes.c_int(16000))  # bitrate
        self.lib.opus_encoder_ctl(enc, 4006, ctypes.c_int(0))  # hard CBR
        out = bytearray()
        frame = 320 * 2
        pcm = pcm + b"\0" * (-len(pcm) % frame)
        packet = (ctypes.c_ubyte * 40)()
        for at in range(0, len(pcm), frame):
            samples = (ctypes.c_short * 320).from_buffer_copy(pcm[at:at + frame])
            size = self.lib.opus_encode(enc, samples, 320, packet, 40)
            assert size == 40, size
            out += bytes(packet)
        self.lib.opus_encoder_destroy(enc)
        return bytes(out)

    def decode(self, data):
        error = ctypes.c_int()
        dec = ctypes.c_void_p(self.lib.opus_decoder_create(16000, 1, ctypes.byref(error)))
        pcm = bytearray()
        samples = (ctypes.c_short * 1280)()
        for at in range(0, len(data) - len(data) % 40, 40):
            packet = (ctypes.c_ubyte * 40).from_buffer_copy(data[at:at + 40])
            n = self.lib.opus_decode(dec, packet, 40, samples, 1280, 0)
            if n > 0:
                pcm += bytes(samples)[:n * 2]
        self.lib.opus_decoder_destroy(dec)
        return bytes(pcm)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tone(seconds, pitch=0.05):
    return b"".join(struct.pack("<h", int(8000 * math.sin(i * pitch)))
                    for i in range(int(16000 * seconds)))


def multipart(headers, body):
    """(name, filename or None, data) of each part, in order."""
    boundary = headers["Content-Type"].split("boundary=")[1].encode()
    parts = []
    for chunk in body.split(b"--" + boundary)[1:]:
        if chunk.startswith(b"--"):
            break
        head, _, data = chunk[2:].partition(b"\r\n\r\n")
        head = head.decode("utf-8")
        name = head.split('name="')[1].split('"')[0]
        filename = head.split('filename="')[1].split('"')[0] if 'filename="' in head else None
        parts.append((name, filename, data[:-2]))
    return parts


class XfVendor:
    """The dictation vendor over TLS: collects every audio byte in order and answers the last
    frame with one final result. `hold` keeps that answer back until released; `drop_after`
    hangs up the first connection after that many frames."""

    def __init__(self, pki, text, drop_after=0):
        self.text = text
        self.audio = bytearray()
        self.languages = []
        self.hold = threading.Event()
        self.hold.set()
        self.drop_after = drop_after
        self.connections = 0
        self.lock = threading.Lock()
        self.server = WsServer(self.script, tls=pki[1:])

    def script(self, conn, text):
        frame = json.loads(text)
        data = frame.get("data", {})
        with self.lock:
            if "business" in frame:
                self.languages.append(frame["business"].get("language"))
            if data.get("audio"):
                self.audio += base64.b64decode(data["audio"])
            count = len(self.server.frames)
        if self.drop_after and count == self.drop_after:
            self.drop_after = 0
            conn.sock.close()
            return
        if data.get("status") == 2:
            self.hold.wait(HANG_GUARD)
            words = [{"cw": [{"w": self.text}]}]
            conn.send(json.dumps({"code": 0, "message": "success", "sid": "e2e",
                                  "data": {"status": 2, "result": {"sn": 1, "ls": True,
                                                                   "ws": words}}}))

    def url(self):
        return f"wss://localhost:{self.server.port}/v2/iat"

    def close(self):
        self.hold.set()
        self.server.close()


class RecordsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="velmora-records-")
        self.pen = os.path.join(self.dir, "pen")
        self.root = os.path.join(self.dir, "saved")
        os.makedirs(self.pen)
        self.service = FakeService()
        self.service.reply("/api/showCountryCodeList.json", [])
        self.service.reply("/api/recordLogin.json", SIGNED_IN)
        self.service.reply("/api/getRecords.json", {"rc": "0", "data": []})
        self.service.reply("/api/editiorSaveRecord", {"rc": "0", "data": {"id": 501,
                                                                          "userid": USER_ID}})
        self.service.reply("/api/recordUpload.json", {"rc": "0", "msg": "ok"})
        self.vendor = None
        self.world = None
        self.opus = Opus()

    def tearDown(self):
        if self.world:
            self.world.stop()
        if self.vendor:
            self.vendor.close()
        self.service.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    # --- driving helpers ---------------------------------------------------------------------

    def start(self, endpoints=None):
        self.world = w = World({"client": {"uiLanguage": "lan_en"}})
        sections = {"endpoints": {"service": self.service.url()}}
        for section, keys in (endpoints or {}).items():
            sections.setdefault(section, {}).update(keys)
        write_ini(os.path.join(w.home, "endpoints.ini"), sections)
        w.sim("plug", "recorder")
        w.start()
        since = 0
        w._wait_for(lambda: w.sim("tray", "left", check=False).returncode == 0, HANG_GUARD, "tray")
        w.wait_event("window", since, name="MainWnd", visible=True)
        return w

    def sign_in(self):
        w = self.world
        since = w.last_seq()
        w.sim("click", "MainWnd", "head_btn")
        w.wait_event("window", since, name="LoginWnd", visible=True)
        w.sim("type", "LoginWnd", "pw_tel_edit", PHONE)
        w.sim("type", "LoginWnd", "pw_edit", PASSWORD)
        w.sim("click", "LoginWnd", "login_btn")
        w.wait_event("control", since, window="MainWnd", control="user_btn_r", text=PHONE)
        return since

    def query(self, window, control, tag=None):
        args = ["query", window, control] + (["--tag", str(tag)] if tag is not None else [])
        return json.loads(self.world.sim(*args).stdout)

    def pen_file(self, name, pcm):
        data = self.opus.encode(pcm)
        with open(os.path.join(self.pen, name), "wb") as f:
            f.write(data)
        return data

    def scan(self):
        w = self.world
        since = w.last_seq()
        w.sim("type", "MainWnd", "opus_path_edit", self.pen)
        w.sim("type", "MainWnd", "wav_path_edit", self.root)
        w.sim("click", "MainWnd", "scan_btn")
        w.wait_event("debug", since, text="扫描完成\n")
        w.wait_event("message", since, msg=1144)
        w._wait_for(lambda: self.query("MainWnd", "scan_btn")["visible"], HANG_GUARD, "scan_btn")
        return since

    def rows(self, control):
        rows, tag = [], 0
        while self.query("MainWnd", control, tag)["exists"]:
            rows.append(self.query("MainWnd", control, tag))
            tag += 1
        return rows

    # --- sign-in and scan --------------------------------------------------------------------

    @unittest.skipUnless(sim_knows("volume"), "velmora-sim has no volume command in this build")
    def test_sign_in_fetches_the_records_and_finds_the_pens_volume(self):
        self.pen_file("REC000.opus", tone(0.2))
        w = self.start()
        w.sim("volume", "add", os.path.join(self.dir, "fixed"), "--fixed", check=False)
        w.sim("volume", "add", self.pen)
        self.sign_in()
        fetch = self.service.wait_for("/api/getRecords.json")
        self.assertEqual(fetch[0][:2], ("GET", f"/api/getRecords.json?userid={USER_ID}"))
        w._wait_for(lambda: self.query("MainWnd", "opus_path_edit")["text"] == self.pen,
                    HANG_GUARD, "the pen's volume in opus_path_edit")

    def test_scan_writes_the_decoded_audio_and_converts_only_new_names(self):
        first = self.pen_file("REC000.opus", tone(0.5))
        self.pen_file("REC001.OPUS", tone(0.3, 0.09))
        w = self.start()
        self.sign_in()
        self.scan()
        pcm = read(os.path.join(self.root, "pcm", "REC000.pcm"))
        self.assertEqual(pcm, self.opus.decode(first))
        wav = read(os.path.join(self.root, "wav", "REC000.wav"))
        self.assertEqual(wav[:4] + wav[8:16], b"RIFFWAVEfmt ")
        self.assertEqual(wav[44:], pcm)
        self.assertEqual(struct.unpack("<I", wav[40:44])[0], len(pcm))
        self.assertEqual([r["text"] for r in self.rows("local_name_lab")], ["REC000", "REC001"])
        language = self.query("MainWnd", "local_lang_com", 0)
        self.assertEqual([i["name"] for i in language["items"]], ["zh_cn", "en_us"])
        self.assertEqual(language["selected"], 0)

        # A second scan converts only what is new, even where old outputs were removed.
        os.remove(os.path.join(self.root, "wav", "REC000.wav"))
        self.pen_file("REC002.opus", tone(0.2))
        self.scan()
        self.assertFalse(os.path.exists(os.path.join(self.root, "wav", "REC000.wav")))
        self.assertTrue(os.path.exists(os.path.join(self.root, "wav", "REC002.wav")))
        self.assertEqual(len(self.rows("local_name_lab")), 3)

    def test_deleting_a_local_record_needs_yes(self):
        for name in ("REC000.opus", "REC001.opus", "REC002.opus"):
            self.pen_file(name, tone(0.2))
        w = self.start()
        self.sign_in()
        self.scan()
        since = w.last_seq()
        w.sim("answer", "no")
        w.sim("click", "MainWnd", "local_del_btn", "--tag", "1")
        box = w.wait_event("msgbox", since, text="是否删除录音笔本地录音文件?")
        self.assertEqual((box["caption"], box["buttons"], box["icon"]),
                         ("Warning", "yesno", "warning"))
        self.assertEqual(len(self.rows("local_name_lab")), 3)
        self.assertTrue(os.path.exists(os.path.join(self.pen, "REC001.opus")))
        w.sim("answer", "yes")
        w.sim("click", "MainWnd", "local_del_btn", "--tag", "1")
        w._wait_for(lambda: len(self.rows("local_name_lab")) == 2, HANG_GUARD, "two rows")
        self.assertEqual([r["text"] for r in self.rows("local_name_lab")], ["REC000", "REC002"])
        self.assertFalse(os.path.exists(os.path.join(self.pen, "REC001.opus")))

    # --- identify, save and upload -----------------------------------------------------------

    def identify_with_vendor(self, drop_after):
        pki = make_pki(self.dir)
        self.vendor = XfVendor(pki, "go forward ten meters", drop_after=drop_after)
        self.vendor.hold.clear()
        self.pen_file("REC000.opus", tone(0.3))
        self.pen_file("REC001.opus", tone(1.0, 0.07))
        w = self.start({"endpoints": {"xf_iat": self.vendor.url()},
                        "credentials": {"xf_appid": "e2eapp", "xf_api_key": "e2ekey",
                                        "xf_api_secret": "e2esecret"},
                        "tls": {"ca_file": pki[0]}})
        self.sign_in()
        self.scan()
        since = w.last_seq()
        w.sim("choose", "MainWnd", "local_lang_com", "en_us", "--tag", "1")
        w.sim("click", "MainWnd", "local_identify_btn", "--tag", "1")
        # The vendor keeps its final answer back: the chain is running.
        w._wait_for(lambda: any(json.loads(f).get("data", {}).get("status") == 2
                                for f in self.vendor.server.taken()[1]), HANG_GUARD, "last frame")
        w.sim("click", "MainWnd", "local_identify_btn", "--tag", "0")
        box = w.wait_event("msgbox", since, text=BUSY)
        self.assertEqual((box["caption"], box["buttons"]), ("Warning", "ok"))
        # Once uploaded, the service lists the record under the pen file's name.
        self.service.reply("/api/getRecords.json", {"rc": "0", "data": [
            {"id": 501, "filename": "REC001.wav", "filepath": "/upload/42/REC001.wav",
             "recognitionLanguage": "en_us"}]})
        self.vendor.hold.set()
        done = w.wait_event("message", since, msg=1148)
        self.assertEqual(done["wparam"], 1)
        pcm = read(os.path.join(self.root, "pcm", "REC001.pcm"))
        self.assertEqual(bytes(self.vendor.audio), pcm)
        self.assertEqual(set(self.vendor.languages), {"en_us"})
        with open(os.path.join(self.root, "txt", "REC001.txt"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "go forward ten meters")
        save = self.service.wait_for("/api/editiorSaveRecord")[0]
        body = json.loads(save[2].decode("utf-8"))
        self.assertEqual((body["content"], body["filename"], body["recognitionLanguage"],
                          body["userid"], body["type"], body["duration"]),
                         ("go forward ten meters", "REC001.wav", "en_us", str(USER_ID), "2", "1"))
        method, _, upload_body = self.service.wait_for("/api/recordUpload.json")[0]
        headers = self.service.headers("/api/recordUpload.json")[0]
        parts = multipart(headers, upload_body)
        self.assertEqual([p[0] for p in parts], ["content", "id", "userid", "productname", "name",
                                                 "bytepcm", "channalname", "times", "filepath"])
        wav_path = os.path.join(self.root, "wav", "REC001.wav")
        self.assertEqual(parts[5][1:], ("REC001.wav", read(wav_path)))
        self.assertEqual([p[2] for p in parts[:3]], [b"go forward ten meters", b"501", b"42"])
        self.assertEqual(parts[7][2], b"5")
        self.assertEqual(parts[8][2].decode(), wav_path)
        self.service.wait_for("/api/getRecords.json", count=2)
        w.wait_event("message", since, msg=1140)
        w._wait_for(lambda: not self.query("MainWnd", "local_identify_btn", 1)["enabled"],
                    HANG_GUARD, "the uploaded record's identify button disabled")
        self.assertIn("icon_finish.png", self.query("MainWnd", "local_identify_btn", 1)["image"])
        self.assertTrue(self.query("MainWnd", "local_identify_btn", 0)["enabled"])

    def test_identify_through_the_vendor_saves_uploads_and_refetches(self):
        self.identify_with_vendor(drop_after=0)

    def test_identify_resumes_across_a_dropped_connection(self):
        self.identify_with_vendor(drop_after=6)
        self.assertGreaterEqual(len(self.vendor.server.taken()[0]), 2)

    @unittest.skipUnless(os.path.exists(SPEECH), "pocketsphinx-testdata is not installed")
    def test_without_a_vendor_identify_transcribes_offline(self):
        with open(SPEECH, "rb") as f:
            self.pen_file("REC000.opus", f.read())
        w = self.start()
        self.sign_in()
        self.scan()
        since = w.last_seq()
        w.sim("choose", "MainWnd", "local_lang_com", "en_us", "--tag", "0")
        w.sim("click", "MainWnd", "local_identify_btn", "--tag", "0")
        w.wait_event("control", since, window="MainWnd", control="local_progress_lab",
                     text="100%", timeout=120)
        w.wait_event("message", since, msg=1148, timeout=120)
        save = json.loads(self.service.wait_for("/api/editiorSaveRecord")[0][2].decode("utf-8"))
        self.assertIn("forward", save["content"])

    # --- server records ----------------------------------------------------------------------

    def test_deleting_a_server_record_needs_yes_and_the_edit_form_decodes_to_the_typed_texts(self):
        self.service.reply("/api/getRecords.json", {"rc": "0", "data": [
            {"id": 7, "filename": "talk.part.wav", "content": "old", "userid": USER_ID,
             "recognitionLanguage": "zh_cn"},
            {"id": 9, "filename": "b.wav", "content": "", "userid": USER_ID}]})
        self.service.reply("/api/deleteRecord.json", {"rc": "0"})
        self.service.reply("/api/editiorAddRecord.json", {"rc": "0"})
        w = self.start()
        self.sign_in()
        w.sim("click", "MainWnd", "server_opt")
        w._wait_for(lambda: len(self.rows("server_name_lab")) == 2, HANG_GUARD, "server rows")
        self.assertEqual([r["text"] for r in self.rows("server_name_lab")], ["talk", "b"])

        since = w.last_seq()
        w.sim("answer", "no")
        w.sim("click", "MainWnd", "server_del_btn", "--tag", "1")
        w.wait_event("msgbox", since, text="是否删除录音笔云端录音文件?")
        w.sim("answer", "yes")
        w.sim("click", "MainWnd", "server_del_btn", "--tag", "1")
        deleted = self.service.wait_for("/api/deleteRecord.json")
        self.assertEqual([r[1] for r in deleted], ["/api/deleteRecord.json?id=9"])
        self.service.wait_for("/api/getRecords.json", count=2)

        since = w.last_seq()
        w.sim("click", "MainWnd", "server_edit_btn", "--tag", "0")
        w.wait_event("window", since, name="ModifyWnd", visible=True)
        self.assertEqual(self.query("ModifyWnd", "title")["text"], "talk")
        self.assertEqual(self.query("ModifyWnd", "recog_content")["text"], "old")
        title, content = "new & = + name 你好", "line one\nA&B=C + 100% 识别"
        w.sim("type", "ModifyWnd", "title", title)
        w.sim("type", "ModifyWnd", "recog_content", content)
        w.sim("click", "ModifyWnd", "modify_save")
        w.wait_event("window", since, name="ModifyWnd", visible=False)
        edit = self.service.wait_for("/api/editiorAddRecord.json")[0]
        self.assertEqual(edit[0], "POST")
        form = urllib.parse.parse_qs(edit[2].decode("ascii"), keep_blank_values=True,
                                     strict_parsing=True)
        self.assertEqual(form["filename"], [title + ".part.wav"])
        self.assertEqual(form["content"], [content])
        self.assertEqual((form["id"], form["type"]), (["7"], ["2"]))
        self.service.wait_for("/api/getRecords.json", count=3)

    def test_playback_honours_the_speed_and_ends_at_the_slider_end(self):
        self.pen_file("REC000.opus", tone(1.0))
        w = self.start()
        self.sign_in()
        self.scan()
        since = w.last_seq()
        w.sim("click", "MainWnd", "local_play_btn", "--tag", "0")
        w.wait_event("window", since, name="VoiceWnd", visible=True)
        w.sim("choose", "VoiceWnd", "combo_speed", "--index", "2")
        w.wait_event("playback", since, action="rate", rate=1.5)
        w.wait_event("playback", since, action="complete")
        w.wait_event("debug", since, text="stop\n")
        w._wait_for(lambda: self.query("VoiceWnd", "progress")["value"] == 1000, HANG_GUARD,
                    "slider at its end")


if __name__ == "__main__":
    unittest.main()
