"""A simulated world seen from a benchmark: requests on one connection, every event pushed on
a second one (a subscription) and collected by a reader thread, so that waiting for an event
costs no process start. Also the figures of a running process from /proc."""
import json
import os
import socket
import threading
import time

# Generous limits: they only keep a hang from running forever on a loaded machine.
GUARD = 60


class SimLink:
    """One simulated world seen through two connections: requests on one, and every event
    pushed on the other (a subscription), collected by a reader thread."""

    def __init__(self, path):
        self.requests = socket.socket(socket.AF_UNIX)
        self.requests.connect(path)
        self.replies = self.requests.makefile("r", encoding="utf-8")
        self.events = []
        self.changed = threading.Condition()
        self.feed = socket.socket(socket.AF_UNIX)
        self.feed.connect(path)
        self.feed.sendall(b'{"op":"subscribe","since":0}\n')
        self.feed_lines = self.feed.makefile("r", encoding="utf-8")
        self.feed_lines.readline()
        threading.Thread(target=self._read_events, daemon=True).start()

    def _read_events(self):
        for line in self.feed_lines:
            try:
                event = json.loads(line)
            except ValueError:
                continue
            with self.changed:
                self.events.append(event)
                self.changed.notify_all()

    def ask(self, op, **fields):
        fields["op"] = op
        self.requests.sendall((json.dumps(fields) + "\n").encode())
        reply = json.loads(self.replies.readline())
        if not reply.get("ok"):
            raise RuntimeError(f"{op} refused: {reply.get('error')}")
        return reply

    def mark(self):
        with self.changed:
            return len(self.events)

    def matching(self, mark, kind, **where):
        with self.changed:
            found = self.events[mark:]
        return [e for e in found if e.get("kind") == kind and
                all(e.get(k) == v for k, v in where.items())]

    def wait(self, mark, kind, timeout=GUARD, **where):
        deadline = time.monotonic() + timeout
        with self.changed:
            while True:
                for e in self.events[mark:]:
                    if e.get("kind") == kind and all(e.get(k) == v for k, v in where.items()):
                        return e
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"no {kind} event {where}")
                self.changed.wait(left)

    def wait_until(self, predicate, timeout=GUARD):
        deadline = time.monotonic() + timeout
        with self.changed:
            while not predicate():
                left = deadline - time.monotonic()
                if left <= 0:
                    return False
                self.changed.wait(min(left, 0.5))
        return True

    def close(self):
        for s in (self.requests, self.feed):
            try:
                s.close()
            except OSError:
                pass


def proc_figures(pid):
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:")) / 1024
    return {"rss": rss, "fds": len(os.listdir(f"/proc/{pid}/fd")),
            "threads": len(os.listdir(f"/proc/{pid}/task"))}
