"""Local stand-ins for the maker's command service and the semantic question service."""
import http.server
import threading
import time


class FakeService(http.server.ThreadingHTTPServer):
    """Answers GET requests by the longest matching path prefix with (status, body, delay).

    Every request is recorded as (arrival time on the monotonic clock, path and query). A path
    without an answer gets 404.
    """

    daemon_threads = True

    def __init__(self, answers=None):
        super().__init__(("127.0.0.1", 0), _Handler)
        self.answers = dict(answers or {})
        self.requests = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}"

    def answer(self, prefix, body, status=200, delay=0.0):
        with self.lock:
            self.answers[prefix] = (status, body, delay)

    def paths(self, prefix=""):
        with self.lock:
            return [path for _, path in self.requests if path.startswith(prefix)]

    def wait_requests(self, prefix, count, timeout=30):
        deadline = time.monotonic() + timeout
        while len(self.paths(prefix)) < count:
            if time.monotonic() > deadline:
                raise AssertionError(f"no {count} request(s) to {prefix}: {self.paths()}")
            time.sleep(0.02)
        return self.paths(prefix)

    def close(self):
        self.shutdown()
        self.server_close()


class _Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        # Reports (usage events): recorded with their form body after the path, answered 200.
        body = self.rfile.read(int(self.headers.get("Content-Length", 0))).decode("utf-8", "replace")
        with self.server.lock:
            self.server.requests.append((time.monotonic(), self.path + " " + body))
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        server = self.server
        with server.lock:
            server.requests.append((time.monotonic(), self.path))
            matches = [p for p in server.answers if self.path.startswith(p)]
            answer = server.answers[max(matches, key=len)] if matches else (404, "", 0.0)
        status, body, delay = answer
        if delay:
            time.sleep(delay)
        data = body.encode("utf-8")
        try:
            self.send_response(status)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
        except OSError:
            pass  # the client gave up first

    def log_message(self, *args):
        pass


def command_list(records):
    """A command service reply holding the given (word, target, type) records, all shown."""
    import json
    return json.dumps({"rc": "0", "data": [
        {"customCmd": word, "customName": target, "cmdType": kind, "isshow": "1"}
        for word, target, kind in records]}, ensure_ascii=False)
