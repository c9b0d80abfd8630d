"""A fatal error in the browser: with a picture missing from the preloaded
data, the page shows the program's error message, as the desktop shows it in
its error box, and ends with the exit code; the console has it too.
"""

import re
import unittest

from pexweb import WebTestCase


def without_packaged_file(name):
    """A change of pex.js that leaves the file out of the preloaded data."""
    entry = r'\{"filename":\s*"%s"[^}]*\}' % re.escape(name)

    def change(script):
        text = script.decode()
        changed = re.sub(entry + r",\s*|,\s*" + entry, "", text, count=1)
        assert changed != text, "no %s in the package" % name
        return changed.encode()
    return change


class WebFailureTest(WebTestCase):
    def test_a_missing_picture_shows_the_error_on_the_page(self):
        browser = self.browser()
        browser.rewrite("*/pex.js", without_packaged_file("/pex/pic/gui.tga"))
        browser.open(self.url())
        browser.wait_until("!document.getElementById('end-note').hidden", what="the end")
        message = 'Cannot open file "/pex/pic/gui.tga". No such file or directory'
        page = browser.evaluate("[document.getElementById('error-note').hidden,"
                                " document.getElementById('error-title').textContent,"
                                " document.getElementById('error-text').textContent,"
                                " document.getElementById('end-text').textContent]")
        self.assertEqual(page, [False, "Application Error", message, "Exit code 1"])
        self.assertIn(("error", "Application Error: " + message), browser.console)


if __name__ == "__main__":
    unittest.main()
