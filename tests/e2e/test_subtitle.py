"""The pen's record key end to end: the subtitle band and the session files it keeps."""
import glob
import os
import struct
import time
import unittest

from harness import HANG_GUARD, World

SPEECH = "/usr/share/pocketsphinx/test/data/goforward.raw"
SPEECH_SECONDS = os.path.getsize(SPEECH) / 32000
SCREEN_W, SCREEN_H = 1920, 1080


def joins_some_in_order(text, pieces):
    """Whether text is the concatenation of some of the pieces, kept in their order."""
    reachable = {0}
    for piece in pieces:
        reachable |= {i + len(piece) for i in reachable if text.startswith(piece, i)}
    return len(text) in reachable


class SubtitleTest(unittest.TestCase):
    def setUp(self):
        self.world = None

    def tearDown(self):
        if self.world:
            self.world.stop()

    def start(self, settings):
        base = {"recognition": {"lp_language": "english"}, "client": {"uiLanguage": "lan_en"}}
        for section, keys in settings.items():
            base.setdefault(section, {}).update(keys)
        self.world = World(base)
        self.world.sim("plug", "pen")
        self.world.start()
        self.world.wait_event("debug", text="Enter LpProcProc...\n")
        return self.world

    def present(self, w):
        """Holds the record key over one spoken sentence; returns the seq before the press."""
        since = w.last_seq()
        w.sim("key", "pen", "record", "down")
        shown = w.wait_event("window", since, name="SubtitleWnd", visible=True)
        # Speech starts once the recogniser's own recorder (200 ms blocks) listens.
        w.wait_event("audio", since, state="start", block=6400)
        w.sim("mic", SPEECH)
        time.sleep(SPEECH_SECONDS + 0.5)
        w.sim("key", "pen", "record", "up")
        return since, shown

    def wait_for_files(self, folder, pattern, count):
        found = []

        def ready():
            found[:] = sorted(glob.glob(os.path.join(folder, pattern)))
            return len(found) >= count

        self.world._wait_for(ready, HANG_GUARD, f"{count} {pattern} in {folder}")
        return found

    def test_band_spans_the_bottom_and_hides_a_second_after_release(self):
        w = self.start({})
        since, shown = self.present(w)
        self.assertEqual((shown["x"], shown["y"], shown["w"], shown["h"]),
                         (0, SCREEN_H - 184, SCREEN_W, 140))
        # The recognised words reach the source line; no translation engine is built in yet.
        w._wait_for(lambda: any(e.get("text") for e in w.matching(
            "control", since, window="SubtitleWnd", control="src_text")), HANG_GUARD,
            "recognised words on the source line")
        released = w.wait_event("message", since, msg=1128)
        hidden = w.wait_event("window", since, name="SubtitleWnd", visible=False)
        self.assertGreaterEqual(hidden["t"] - released["t"], 1000 - 50)
        # Saving is off: no session set is made.
        self.assertFalse(os.path.exists(os.path.join(w.home, "Subtitle")))

    def test_second_engine_right_aligns_both_lines_in_the_subtitle_colour(self):
        # Red with alpha 0 in the setting: drawn opaque, or the band would be invisible.
        w = self.start({"recognition": {"engine": "sh"},
                        "client": {"lp_subtitleColor": str(0x00FF0000)}})
        since = w.last_seq()
        w.sim("key", "pen", "record", "down")
        w.wait_event("window", since, name="SubtitleWnd", visible=True)
        for line in ("src_text", "des_text"):
            w.wait_event("control", since, window="SubtitleWnd", control=line, align="right")
            w.wait_event("control", since, window="SubtitleWnd", control=line, color=0xFFFF0000)
        w.sim("key", "pen", "record", "up")
        w.wait_event("window", since, name="SubtitleWnd", visible=False)

    def test_saving_keeps_pcm_text_and_wav(self):
        w = self.start({"client": {"lp_save": "on"}})
        since, _ = self.present(w)
        folder = os.path.join(w.home, "Subtitle")
        wav = self.wait_for_files(folder, "*.wav", 1)[0]
        base = wav[:-len(".wav")]
        pcm_size = os.path.getsize(base + ".pcm")
        self.assertGreater(pcm_size, 0)
        with open(wav, "rb") as f:
            data = f.read()
        data_size = pcm_size - pcm_size % 2
        self.assertEqual(len(data), 44 + data_size)
        self.assertEqual(data[:4], b"RIFF")
        self.assertEqual(struct.unpack("<I", data[40:44])[0], data_size)
        with open(base + ".txt", "rb") as f:
            text = f.read()
        self.assertEqual(text[:2], b"\xff\xfe")
        # The file holds the final ("apd") pieces, in order, of those the band showed (what
        # the recogniser makes of the sentence varies with the machine's load).
        kept = text[2:].decode("utf-16-le")
        shown = [e["text"] for e in w.matching("control", since, window="SubtitleWnd",
                                               control="src_text") if e.get("text")]
        self.assertTrue(joins_some_in_order(kept, shown), (kept, shown))
        self.assertRegex(os.path.basename(base), r"^\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d$")


if __name__ == "__main__":
    unittest.main()
