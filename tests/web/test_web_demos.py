"""Demos in the browser: every demo of tests/demos, served beside the page and
played with index.html?play=NAME.dem, prints on the console the line its
recording printed on Linux (NAME.out), on the level it was recorded on
(NAME.level) where it has one; a demo that is not there is reported on the
page.
"""

import glob
import os
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
        self.assertEqual(DEMOS, ["editor", "fall", "hero", "settings", "walk"])
        browser = self.browser()
        for name in DEMOS:
            with self.subTest(demo=name):
                browser.open(self.url("?play=%s.dem" % name))
                line = browser.wait_console(demo_line, timeout=600, what="the demo's line")
                self.assertEqual(line + "\n", expected_line(name))
                browser.wait_until(ENDED, what="the page's end note")
                # Nothing differed from the recording, nothing diverged (the
                # notes of Emscripten's GL emulation aside).
                self.assertEqual([text for kind, text in browser.console if kind == "error" and
                                  not text.startswith(EMULATION_NOTE)], [])

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
