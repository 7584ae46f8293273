#!/usr/bin/env python3
"""Sign-in figures of the account windows, against a local fake of the maker's service.

1. Password sign-ins: from the sign-in button's click (sent straight on the simulator socket) to
   the main window's user button showing the phone (its "control" event); both stamps use
   CLOCK_MONOTONIC in whole milliseconds. Between sign-ins the settings window signs out.
2. A service that never answers: sign-in clicks and left clicks on the tray icon, each timed
   from sending the request to the simulator's reply, which comes once the program's UI thread
   has carried the input out: the handling delay the user feels while requests hang.
Usage: account_sign_in.py BIN_DIR [SIGN_INS] [HANGING_CLICKS] [TRAY_CLICKS]
"""
import json
import os
import socket
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
os.environ["VELMORA_BIN_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin")
from fake_service import FakeService  # noqa: E402
from harness import World, write_ini  # noqa: E402

PHONE = "13800138000"


def ask(world, request):
    """Sends one tool request on its own connection; returns (milliseconds, reply)."""
    conn = socket.socket(socket.AF_UNIX)
    conn.connect(world.socket)
    started = time.monotonic()
    conn.sendall((json.dumps(request) + "\n").encode())
    reply = json.loads(conn.makefile("r").readline())
    elapsed = (time.monotonic() - started) * 1000.0
    conn.close()
    if not reply.get("ok"):
        raise RuntimeError(f"{request}: {reply.get('error')}")
    return elapsed, reply


def click(world, window, control):
    return ask(world, {"op": "click", "window": window, "control": control})


def spread(values):
    values = sorted(values)
    p99 = values[min(len(values) - 1, int(len(values) * 0.99))]
    return (f"median {statistics.median(values):.1f} ms, p99 {p99:.1f} ms, "
            f"max {values[-1]:.1f} ms over {len(values)}")


def start(service):
    w = World()
    write_ini(os.path.join(w.home, "endpoints.ini"), {"endpoints": {"service": service.url()}})
    w.sim("plug", "mouse")
    w.start()
    w.wait_event("debug", text="Enter MouseProc...\n")
    since = w.last_seq()
    w.sim("tray", "left")
    w.wait_event("window", since, name="MainWnd", visible=True)
    return w


def open_sign_in(w):
    since = w.last_seq()
    click(w, "MainWnd", "head_btn")
    w.wait_event("window", since, name="LoginWnd", visible=True)
    w.sim("type", "LoginWnd", "pw_tel_edit", PHONE)
    w.sim("type", "LoginWnd", "pw_edit", "secret99")


def sign_out(w):
    since = w.last_seq()
    w.sim("tray", "right")
    w.wait_event("window", since, name="MenuWnd", visible=True)
    click(w, "MenuWnd", "set_btn")
    w.wait_event("window", since, name="SetWnd", visible=True)
    click(w, "SetWnd", "login_btn")
    w.wait_event("control", since, window="MainWnd", control="user_btn", text="未登录")


def sign_ins(count):
    service = FakeService()
    service.reply("/api/recordLogin.json", {"rc": "0", "data": {"id": 7, "phone": PHONE}})
    service.reply("/api/showCountryCodeList.json", [{"countryCode": "86"}])
    w = start(service)
    try:
        latencies = []
        for _ in range(count):
            open_sign_in(w)
            since = w.last_seq()
            click(w, "LoginWnd", "login_btn")
            shown = w.wait_event("control", since, window="MainWnd", control="user_btn", text=PHONE)
            pressed = w.matching("ui_input", since, window="LoginWnd", control="login_btn")[0]
            latencies.append(shown["t"] - pressed["t"])
            sign_out(w)
        print(f"password sign-in, click -> user_btn shows the phone (1 ms resolution): "
              f"{spread(latencies)}")
    finally:
        w.stop()
        service.close()


def hanging_service(clicks, trays):
    service = FakeService()
    service.silent.update({"/api/recordLogin.json", "/api/showCountryCodeList.json"})
    w = start(service)
    try:
        open_sign_in(w)
        delays = [click(w, "LoginWnd", "login_btn")[0] for _ in range(clicks)]
        delays += [ask(w, {"op": "tray", "button": "left"})[0] for _ in range(trays)]
        print(f"service never answers, {clicks} sign-in clicks and {trays} tray left clicks, "
              f"request -> input handled: {spread(delays)}")
    finally:
        w.stop()
        service.close()


def main():
    sign_ins(int(sys.argv[2]) if len(sys.argv) > 2 else 100)
    hanging_service(int(sys.argv[3]) if len(sys.argv) > 3 else 20,
                    int(sys.argv[4]) if len(sys.argv) > 4 else 50)


if __name__ == "__main__":
    main()
