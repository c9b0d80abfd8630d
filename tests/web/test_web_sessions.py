"""The page's sessions: a game recorded with ?record downloads as a demo that
the desktop replays to the page's digest, and a Linux demo given through the
file picker replays in the page to its Linux digest; two tabs never both write
the player's store, and taking over ends the holder's game as F10 does, which
saves its painting.
"""

import os
import unittest

from pexe2e import (changed_from, demo_path, editor_at_rest, expected_line, game_at_rest,
                    menu_at_rest, splash_at_rest)
from pexweb import Tab, WebTestCase, downloaded
from test_screens import cell_centre
from test_web_game import AWAY, LEVEL_BOX, LEVEL_FILE, cell_painted, stored_cell

# Every write to the store (IndexedDB), with its time, on the console.
WRITES_LOGGED = """
for (const name of ['put', 'add', 'delete', 'clear']) {
  const write = IDBObjectStore.prototype[name];
  IDBObjectStore.prototype[name] = function() {
    console.log('store write ' + Date.now());
    return write.apply(this, arguments);
  };
}
"""
# The text of the note about another tab, null while it is hidden.
TAB_TEXT = ("(document.getElementById('tab-note').hidden ? null :"
            " document.getElementById('tab-text').textContent)")


def write_times(browser):
    return [int(text.split()[2]) for _, text in browser.console if text.startswith("store write ")]


def demo_line(text):
    return text.startswith("demo: ")


class WebSessionsTest(WebTestCase):
    def test_recordings_go_between_the_page_and_linux(self):
        browser = self.browser()
        browser.open(self.url("?record"))
        browser.wait_for(splash_at_rest, what="the splash")
        browser.press_until("Escape", menu_at_rest, "the menu")
        still = browser.press_until("Enter", game_at_rest, "the game")
        browser.press_until("Right", changed_from(still, LEVEL_BOX), "the hero walking right")
        name, demo = downloaded(browser, "stop-recording")
        self.assertRegex(name, r"^pex-\d{4}-\d\d-\d\d-\d{6}\.dem$")
        path = os.path.join(self.profile_root, name)
        with open(path, "wb") as f:
            f.write(demo)
        desktop = self.desktop().start(["--play", path])
        self.assertEqual(desktop.wait_exit(300), 0, desktop.stderr_text())
        self.assertEqual(desktop.stdout_text(), browser.wait_console(demo_line) + "\n")

        # The page has ended; a demo given to it replays, once.
        browser.console.clear()
        self.give_file(browser, demo_path("walk"))
        self.assertEqual(browser.wait_console(demo_line) + "\n", expected_line("walk"))
        self.assertIsNone(browser.evaluate("sessionStorage.getItem('pex-file')"))

    def paint_in_editor(self, browser, cell):
        """From the splash to the editor, where it paints a brick, unsaved."""
        browser.wait_for(splash_at_rest, what="the splash")
        browser.press_until("Escape", menu_at_rest, "the menu")
        browser.press("Down")
        before = browser.press_until("Enter", editor_at_rest, "the editor")
        browser.click_until(300, 300, changed_from(before, (0, 0, 640, 480)), "the brush",
                            button="right")
        browser.click_until(*cell_centre(*cell), cell_painted(before, *cell), "a painted cell")
        browser.mouse("mouseMoved", *AWAY)
        browser.wait_for(cell_painted(before, *cell), what="the painted cell without the pointer")

    def take_over(self, taker, holder):
        taker.evaluate("document.getElementById('take-over').click(), 1")
        holder.wait_until(TAB_TEXT + " === 'Pex moved to another tab'", what="the moved note")

    def test_two_tabs_never_both_write_the_store(self):
        first = self.browser()
        first.call("Page.addScriptToEvaluateOnNewDocument", source=WRITES_LOGGED)
        first.open(self.url())
        self.paint_in_editor(first, (4, 7))
        second = Tab(first)  # in front: the first tab hides
        self.addCleanup(second.stop)
        second.call("Page.addScriptToEvaluateOnNewDocument", source=WRITES_LOGGED)
        second.open(self.url())
        second.wait_until(TAB_TEXT + " === 'Pex is open in another tab'", what="the tab note")
        self.assertEqual(second.evaluate("typeof Module.pexPage"), "undefined")

        self.take_over(second, first)
        self.paint_in_editor(second, (4, 9))
        self.assertEqual(second.evaluate(stored_cell(LEVEL_FILE, 4, 7)), "1")
        first_writes = write_times(first)
        # Taken back from a new page of the first tab's.
        first.call("Page.bringToFront")
        first.loaded(lambda: self.take_over(first, second))
        first.wait_for(splash_at_rest, what="the splash back in the first tab")
        self.assertEqual(first.evaluate(stored_cell(LEVEL_FILE, 4, 9)), "1")
        # Each tab wrote only while it held the store.
        second_writes = write_times(second)
        self.assertTrue(first_writes and second_writes, (first_writes, second_writes))
        self.assertLessEqual(max(first_writes), min(second_writes))


if __name__ == "__main__":
    unittest.main()
