"""A local stand-in for the maker's HTTP service: records every request and answers by path."""
import http.server
import json
import socket
import threading


class FakeService(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), _Handler)
        self.requests = []  # (method, target, body bytes)
        self.request_headers = []  # the headers of each request, in the same order
        self.lock = threading.Lock()
        self.replies = {}  # path prefix -> (status, body text)
        self.silent = set()  # path prefixes never answered
        self.changed = threading.Condition(self.lock)
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def url(self):
        return f"http://127.0.0.1:{self.server_address[1]}"

    def reply(self, prefix, body, status=200):
        with self.lock:
            self.replies[prefix] = (status, body if isinstance(body, str) else json.dumps(body))

    def to(self, prefix):
        with self.lock:
            return [r for r in self.requests if r[1].startswith(prefix)]

    def headers(self, prefix):
        with self.lock:
            return [h for r, h in zip(self.requests, self.request_headers)
                    if r[1].startswith(prefix)]

    def wait_for(self, prefix, count=1, timeout=30):
        with self.lock:
            self.changed.wait_for(
                lambda: len([r for r in self.requests if r[1].startswith(prefix)]) >= count, timeout)
        found = self.to(prefix)
        if len(found) < count:
            raise AssertionError(f"no {count} request(s) to {prefix}: {self.requests}")
        return found

    def close(self):
        self.shutdown()
        self.server_close()


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def _serve(self):
        length = int(self.headers.get("Content-Length", 0) or 0)
        body = self.rfile.read(length) if length else b""
        server = self.server
        with server.lock:
            server.requests.append((self.command, self.path, body))
            server.request_headers.append(dict(self.headers))
            server.changed.notify_all()
            silent = any(self.path.startswith(p) for p in server.silent)
            status, text = 200, ""
            for prefix, answer in server.replies.items():
                if self.path.startswith(prefix):
                    status, text = answer
        if silent:
            threading.Event().wait(3600)
            return
        data = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = _serve
    do_POST = _serve

    def log_message(self, *args):
        pass
