"""One local fake for the translation API, its speech endpoint and the maker's service."""
import hashlib
import http.server
import json
import threading
import urllib.parse

APP_ID = "20150630000000001"
SALT = "1435660288"
KEY = "abcdefghij0123456789"
# What the speech endpoint answers: the start of an MP3 (the simulator plays nothing).
SOUND = b"ID3\x03\x00\x00\x00\x00\x00\x00" + b"\xff\xfb\x90\x00" * 64


def url_encode(text):
    out = []
    for byte in text.encode("utf-8"):
        c = chr(byte)
        if c.isascii() and (c.isalnum() or c in "-_.~"):
            out.append(c)
        elif c == " ":
            out.append("+")
        else:
            out.append("%%%02X" % byte)
    return "".join(out)


def translate_path(text, target):
    sign = hashlib.md5((APP_ID + text + SALT + KEY).encode("utf-8")).hexdigest()
    return (f"/api/trans/vip/translate?q={url_encode(text)}&from=auto&to={target}"
            f"&appid={APP_ID}&salt={SALT}&sign={sign}")


class FakeServices(http.server.ThreadingHTTPServer):
    """Translations are the source in angle brackets, in two "dst" parts; speech is SOUND."""

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.gets = []
        self.posts = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}"

    def close(self):
        self.shutdown()
        self.server_close()

    def requests(self, prefix):
        with self.lock:
            return [p for p in self.gets if p.startswith(prefix)]

    def usage_posts(self):
        with self.lock:
            return [urllib.parse.parse_qs(b.decode("utf-8")) for p, b in self.posts
                    if p == "/api/addEventLog.json"]

    def endpoints(self, tts_url=None):
        return {"endpoints": {"translate": self.url(), "tts": tts_url or self.url(),
                              "service": self.url()},
                "credentials": {"trans_appid": APP_ID, "trans_salt": SALT, "trans_key": KEY}}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with self.server.lock:
            self.server.gets.append(self.path)
        url = urllib.parse.urlparse(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        if url.path == "/api/trans/vip/translate":
            text = query.get("q", [""])[0]
            half = len(text) // 2
            body = json.dumps({"from": "en", "to": query.get("to", [""])[0], "trans_result": [
                {"src": text, "dst": "<" + text[:half]}, {"src": "", "dst": text[half:] + ">"}]},
                ensure_ascii=False).encode("utf-8")
            self.answer(200, body, "application/json")
        elif url.path == "/translate_tts":
            self.answer(200, SOUND, "audio/mpeg")
        else:
            self.answer(404, b"")

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with self.server.lock:
            self.server.posts.append((self.path, body))
        self.answer(200, b'{"rc":0,"msg":"ok","data":{}}', "application/json")

    def answer(self, status, body, kind="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass
