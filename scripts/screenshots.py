#!/usr/bin/env python3
"""Screenshots for the README and the AppStream data: starts Velmora under Xvfb with the
device simulator (a voice mouse and a pen plugged) once per interface language and scale
(100 % and 200 %) and saves the main window with each settings page of both devices and the
voice tip as PNGs.

usage: scripts/screenshots.py BIN_DIR OUT_DIR

A window of a later feature joins by one more entry in SHOTS.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

LANGUAGES = {"en": "lan_en", "cn": "lan_cn", "cht": "lan_cht", "jp": "lan_jp"}


def show_main_window(w):
    since = w.last_seq()
    # A second start wakes the running instance, which shows its main window.
    w.start().wait(timeout=60)
    w.wait_event("window", since, name="MainWnd", visible=True)
    return "MainWnd", None


def show_voice_tip(w):
    since = w.last_seq()
    w.sim("key", "mouse", "voice1", "down")
    w.wait_event("window", since, name="VoiceTipWnd", visible=True)
    w.wait_event("audio", since, state="start")

    def release():
        w.sim("key", "mouse", "voice1", "up")
    return "VoiceTipWnd", release


def show_page(device, option):
    """The main window on one device's sub-page (its option clicked)."""
    def show(w):
        # Each command returns once the window has taken it.
        w.sim("choose", "MainWnd", "device_com", device)
        w.sim("click", "MainWnd", option)
        return "MainWnd", None
    return show


# (file name stem, how to bring the window up)
# The voice tip comes before the pages: after the pen's pages the pen is the current device.
SHOTS = [("mainwnd", show_main_window),
         ("voicetip", show_voice_tip),
         ("mouse-voice", show_page("mouse", "voicefunc_opt")),
         ("mouse-commands", show_page("mouse", "cusset_opt")),
         ("mouse-common", show_page("mouse", "comset_opt")),
         ("mouse-device", show_page("mouse", "set_opt")),
         ("pen-voice", show_page("lp", "voicefunc_opt_lp")),
         ("pen-commands", show_page("lp", "cusset_opt_lp")),
         ("pen-common", show_page("lp", "comset_opt_lp")),
         ("pen-device", show_page("lp", "set_opt_lp"))]
# File name suffix and Qt scale factor.
SCALES = {"": "1", "-200": "2"}


def free_display():
    for n in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise RuntimeError("no free X display number")


def start_xvfb():
    display = free_display()
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    socket = f"/tmp/.X11-unix/X{display[1:]}"
    for _ in range(200):
        if os.path.exists(socket):
            return xvfb, display
        if xvfb.poll() is not None:
            break
        time.sleep(0.05)
    xvfb.kill()
    raise RuntimeError("Xvfb did not start")


def shoot_language(code, setting, display, out_dir, suffix, scale):
    from harness import World
    w = World({"client": {"uiLanguage": setting, "first": "no"}})
    try:
        w.env.update({"DISPLAY": display, "QT_QPA_PLATFORM": "xcb", "QT_SCALE_FACTOR": scale})
        w.sim("plug", "mouse")
        w.sim("plug", "pen")
        w.start()
        w.wait_event("debug", text="Enter MouseProc...\n", timeout=30)
        for stem, show in SHOTS:
            window, undo = show(w)
            path = os.path.abspath(os.path.join(out_dir, f"{stem}-{code}{suffix}.png"))
            w.sim("grab", window, path)
            print(f"screenshots: {path}")
            if undo:
                undo()
    finally:
        w.stop()


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    os.environ["VELMORA_BIN_DIR"] = os.path.abspath(sys.argv[1])
    out_dir = sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    xvfb, display = start_xvfb()
    try:
        for suffix, scale in SCALES.items():
            for code, setting in LANGUAGES.items():
                shoot_language(code, setting, display, out_dir, suffix, scale)
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
