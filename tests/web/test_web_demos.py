"""Demos in the browser: every demo of tests/demos, served beside the page and
played with index.html?play=NAME.dem, prints on the console the line its
recording printed on Linux (NAME.out), on the level it was recorded on
(NAME.level) where it has one; a demo that is not there is reported on the
page.
"""

import glob
import os
import time
import unittest

from pexe2e import DEMO_DIR, expected_line
from pexweb import WebTestCase

DEMOS = sorted(os.path.splitext(os.path.basename(p))[0]
               for p in glob.glob(os.path.join(DEMO_DIR, "*.dem")))

ENDED = "!document.getElementById('end-note').hidden"
EMULATION_NOTE = "WARNING: using emscripten GL"


def demo_line(text):
    return text.startswith("demo: ")


class WebDemosTest(WebTestCase):
    def test_every_demo_replays_to_its_linux_digest(self):
        self.assertEqual(DEMOS, ["editor", "fall", "hero", "pad", "save_editor", "save_game",
                                 "settings", "walk"])
        # Two browsers at a time: a playback waits for the page's frames more
        # than it computes.
        browsers = [self.browser("demos-%d" % i) for i in range(2)]
        waiting, playing, results = list(DEMOS), {}, {}
        deadline = time.time() + 1500
        while waiting or playing:
            self.assertLess(time.time(), deadline, "the demos took too long: %s" % playing)
            for browser in browsers:
                if browser not in playing and waiting:
                    playing[browser] = waiting.pop(0)
                    browser.open(self.url("?play=%s.dem" % playing[browser]))
            for browser, name in list(playing.items()):
                browser.pump(0.2)
                lines = [text for _, text in browser.console if demo_line(text)]
                if lines and browser.evaluate(ENDED):
                    # Besides the line, nothing: no file differed from the
                    # recording, nothing diverged (the notes of Emscripten's
                    # GL emulation aside).
                    results[name] = lines + [text for kind, text in browser.console
                                             if kind == "error" and
                                             not text.startswith(EMULATION_NOTE)]
                    del playing[browser]
        for name in DEMOS:
            with self.subTest(demo=name):
                self.assertEqual(results[name], [expected_line(name).rstrip("\n")])

    def test_a_missing_demo_is_reported_on_the_page(self):
        browser = self.browser()
        browser.open(self.url("?play=nosuch.dem"))
        browser.wait_until(ENDED, what="the page's end note")
        self.assertEqual(browser.evaluate("document.getElementById('end-text').textContent"),
                         "Exit code 2")
        self.assertTrue(any('Cannot read file "/pex-demo/nosuch.dem"' in text
                            for _, text in browser.console), browser.console)


if __name__ == "__main__":
    unittest.main()
