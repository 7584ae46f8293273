"""Local stand-ins for the streaming recognition vendors: HTTP(S) services and a WebSocket
server (plain or TLS) that record what they are sent and answer through a script."""
import base64
import hashlib
import http.server
import json
import os
import socket
import ssl
import struct
import subprocess
import threading

WS_GUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


def make_pki(directory):
    """A test CA and a certificate it signed for localhost; returns (ca, cert, key)."""
    def run(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)
    ca, ca_key = os.path.join(directory, "ca.pem"), os.path.join(directory, "ca.key")
    cert, key = os.path.join(directory, "server.pem"), os.path.join(directory, "server.key")
    csr, ext = os.path.join(directory, "server.csr"), os.path.join(directory, "server.ext")
    run("req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-days", "2", "-subj", "/CN=Velmora e2e CA", "-keyout", ca_key, "-out", ca,
        "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")
    with open(ext, "w") as f:
        f.write("basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:localhost\n")
    run("req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
        "-subj", "/CN=localhost", "-keyout", key, "-out", csr)
    run("x509", "-req", "-days", "2", "-in", csr, "-CA", ca, "-CAkey", ca_key,
        "-CAcreateserial", "-extfile", ext, "-out", cert)
    return ca, cert, key


def server_context(cert, key):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


class HttpService:
    """Answers every request with the current (status, body); records (method, path, headers, body)."""

    def __init__(self, status=200, body="", tls=None):
        self.reply = (status, body)
        self.requests = []
        self.lock = threading.Lock()
        service = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def answer(self):
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length).decode("utf-8", "replace") if length else ""
                with service.lock:
                    service.requests.append((self.command, self.path, dict(self.headers), body))
                    status, text = service.reply
                data = text.encode()
                self.send_response(status)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            do_GET = answer
            do_POST = answer

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        if tls:
            self.server.socket = server_context(*tls).wrap_socket(self.server.socket, server_side=True)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def set_reply(self, status, body):
        with self.lock:
            self.reply = (status, body)

    def taken(self):
        with self.lock:
            return list(self.requests)

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class WsConnection:
    def __init__(self, sock):
        self.sock = sock
        self.send_lock = threading.Lock()

    def _send_frame(self, opcode, payload):
        header = bytes([0x80 | opcode])
        n = len(payload)
        if n < 126:
            header += bytes([n])
        elif n < 65536:
            header += bytes([126]) + struct.pack("!H", n)
        else:
            header += bytes([127]) + struct.pack("!Q", n)
        with self.send_lock:
            try:
                self.sock.sendall(header + payload)
            except OSError:
                pass

    def send(self, text):
        self._send_frame(0x1, text.encode())

    def close(self, code=1000):
        self._send_frame(0x8, struct.pack("!H", code))

    def _read_exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError
            data += chunk
        return data

    def read_frame(self):
        first, second = self._read_exact(2)
        opcode, n = first & 0x0F, second & 0x7F
        if n == 126:
            n = struct.unpack("!H", self._read_exact(2))[0]
        elif n == 127:
            n = struct.unpack("!Q", self._read_exact(8))[0]
        mask = self._read_exact(4) if second & 0x80 else b"\0\0\0\0"
        payload = bytes(b ^ mask[i % 4] for i, b in enumerate(self._read_exact(n)))
        return opcode, payload


class WsServer:
    """A WebSocket server; script(conn, text) runs for every text frame. Records the request
    target of each upgrade, every text frame and the client's close codes."""

    def __init__(self, script, tls=None):
        self.script = script
        self.refuse_status = 0
        self.targets, self.frames, self.close_codes = [], [], []
        self.lock = threading.Lock()
        self.context = server_context(*tls) if tls else None
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.running = True
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while self.running:
            try:
                sock, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(sock,), daemon=True).start()

    def _handshake(self, sock):
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = sock.recv(4096)
            if not chunk:
                return None
            request += chunk
        lines = request.decode("latin-1").split("\r\n")
        target = lines[0].split(" ")[1]
        headers = {l.split(":", 1)[0].strip().lower(): l.split(":", 1)[1].strip()
                   for l in lines[1:] if ":" in l}
        with self.lock:
            self.targets.append(target)
            refuse = self.refuse_status
        if refuse:
            sock.sendall(f"HTTP/1.1 {refuse} Refused\r\nContent-Length: 0\r\nConnection: close\r\n\r\n".encode())
            return None
        accept = base64.b64encode(hashlib.sha1((headers["sec-websocket-key"] + WS_GUID).encode()).digest())
        sock.sendall(b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                     b"Sec-WebSocket-Accept: " + accept + b"\r\n\r\n")
        return WsConnection(sock)

    def _serve(self, sock):
        try:
            if self.context:
                sock = self.context.wrap_socket(sock, server_side=True)
            conn = self._handshake(sock)
            while conn:
                opcode, payload = conn.read_frame()
                if opcode == 0x8:
                    code = struct.unpack("!H", payload[:2])[0] if len(payload) >= 2 else 1005
                    with self.lock:
                        self.close_codes.append(code)
                    conn.close(code)
                    break
                if opcode == 0x9:
                    conn._send_frame(0xA, payload)
                elif opcode == 0x1:
                    text = payload.decode()
                    with self.lock:
                        self.frames.append(text)
                    self.script(conn, text)
        except (OSError, ConnectionError, ssl.SSLError, ValueError):
            pass
        finally:
            try:
                sock.close()
            except OSError:
                pass

    def taken(self):
        with self.lock:
            return list(self.targets), list(self.frames), list(self.close_codes)

    def clear(self):
        with self.lock:
            self.targets, self.frames, self.close_codes = [], [], []

    def close(self):
        self.running = False
        self.listener.close()


def audio_of(frames, decode):
    """The bytes of every audio frame, in order, by decode(frame) -> bytes or None."""
    return b"".join(a for a in (decode(f) for f in frames) if a is not None)


def sg_audio(frame):
    value = json.loads(frame)
    return base64.b64decode(value["content"]) if isinstance(value, dict) and "content" in value else None


def sh_audio(frame):
    value = json.loads(frame)
    return base64.b64decode(value["body"]["audiobuffer"]) if value.get("cmd") == 26 else None
