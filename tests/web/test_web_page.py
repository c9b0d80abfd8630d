"""The page's recordings, files, links and tabs, and what goes between them
and the desktop."""

import os
import re
import unittest
from pathlib import Path

from pexe2e import (DEMO_DIR, changed_from, demo_path, editor_at_rest, expected_line,
                    game_at_rest, menu_at_rest, splash_at_rest)
from pexweb import Tab, WebTestCase, downloaded
from test_screens import cell_centre, current_row
from test_web_game import AWAY, ENDED, LEVEL_BOX, LEVEL_FILE, cell_painted, stored_cell

DEMO_LINE = re.compile("demo: ").match
LEVEL = os.path.join(DEMO_DIR, "hero.level")  # a level other than the shipped one
# The text of a note of the page's, null while it is hidden.
NOTE = ("(document.getElementById('{0}-note').hidden ? null :"
        " document.getElementById('{0}-text').textContent)")
# Every file of the player's store (IndexedDB) with its time.
STORE = """new Promise(done => indexedDB.open('/pex-store').onsuccess = event => {
  const get = event.target.result.transaction('FILE_DATA').objectStore('FILE_DATA').getAll();
  get.onsuccess = () => done(JSON.stringify(get.result)); })"""
# Each write to the store, with its time, on the console.
WRITES_LOGGED = """for (const name of ['put', 'add', 'delete', 'clear']) {
  const write = IDBObjectStore.prototype[name];
  IDBObjectStore.prototype[name] = function() {
    console.log('store write ' + Date.now());
    return write.apply(this, arguments); }; }"""


def write_times(browser):
    return [int(text.split()[2]) for _, text in browser.console if text.startswith("store write ")]


def wait_note(browser, name, text):
    browser.wait_until("%s === %r" % (NOTE.format(name), text), what=text)


def to_editor(press, enter="Enter"):
    """To the editor, with the page's or the desktop's presses."""
    press("Escape", menu_at_rest, "the menu")
    press("Down", current_row(1), "the editor item")
    return press(enter, editor_at_rest, "the editor")


class WebPageTest(WebTestCase):
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
        self.assertEqual(desktop.stdout_text(), browser.wait_console(DEMO_LINE) + "\n")

        # The page has ended; a demo given to it through the picker replays.
        browser.console.clear()
        picker = browser.call("DOM.querySelector", selector="#file-picker",
                              nodeId=browser.call("DOM.getDocument")["root"]["nodeId"])["nodeId"]
        browser.call("DOM.setFileInputFiles", files=[demo_path("walk")], nodeId=picker)
        self.assertEqual(browser.wait_console(DEMO_LINE) + "\n", expected_line("walk"))

    def test_links_go_between_profiles_and_the_desktop(self):
        level = Path(LEVEL).read_bytes()
        page = self.browser("maker")
        page.call("Browser.grantPermissions",
                  permissions=["clipboardReadWrite", "clipboardSanitizedWrite"])
        page.open(self.url())
        page.wait_for(splash_at_rest, what="the splash")
        # The page starts anew with the file dropped on it.
        drag = {"items": [], "files": [LEVEL], "dragOperationsMask": 1}
        page.loaded(lambda: [page.call("Input.dispatchDragEvent", type=kind, x=320, y=240, data=drag)
                             for kind in ("dragEnter", "dragOver", "drop")])
        page.wait_for(game_at_rest, what="the dropped level in the game")
        to_editor(page.press_until)
        page.press("F2")
        wait_note(page, "notice", "The link to this level is on the clipboard.")
        page_link = page.evaluate("navigator.clipboard.readText()")
        self.assertTrue(page_link.startswith(self.url() + "#level="), page_link)

        desktop = self.desktop().start(["--open", LEVEL])
        desktop.wait_window()
        to_editor(desktop.press_key, "Return")
        desktop.press_key("F2", lambda: "#level=" in desktop.stdout_text(), screen=False)
        data = desktop.stdout_text().strip().split("#level=")[1]
        self.assertEqual(data, page_link.split("#level=")[1])
        desktop.press_key_to_exit()
        desktop.start(["--open", page_link])
        guest = desktop.path("level", "guest", "1.txt")
        desktop.wait_file(lambda: os.path.exists(guest) and Path(guest).read_bytes() == level)

        # The desktop's link in another profile, kept as the player's own.
        other = self.browser("other")
        other.open(self.url("#level=" + data))
        other.wait_for(game_at_rest, what="the linked level in the game")
        self.assertEqual(downloaded(other, "download-level"), ("1.txt", level))
        other.evaluate("document.getElementById('guest-keep').click(), 1")
        other.wait_until(NOTE.format("notice") + " !== null", what="the note on keeping")
        other.press("F10")
        other.wait_until(ENDED, what="the end")
        kept = other.evaluate(STORE)
        for damaged in [data[:len(data) // 2], data[:-3] + ("AB"[data[-3] == "A"]) + data[-2:],
                        data + "*", "9" + data[1:], ""]:
            with self.subTest(link=damaged):
                other.loaded(lambda: other.call("Page.navigate",
                                                url=self.url("#level=" + damaged)))
                other.wait_until(ENDED, what="the end")
                self.assertEqual(other.evaluate("document.getElementById('error-title')"
                                                ".textContent"), "This link cannot be opened")
                self.assertIn("pex: ", other.evaluate(NOTE.format("error")))
                self.assertEqual(other.evaluate(STORE), kept)
        self.assertEqual(downloaded(other, "download-level"), ("1.txt", level))

    def paint(self, browser, cell):
        """From the splash to the editor, where it paints a brick, unsaved."""
        browser.wait_for(splash_at_rest, what="the splash")
        before = to_editor(browser.press_until)
        browser.click_until(300, 300, changed_from(before, (0, 0, 640, 480)), "the brush",
                            button="right")
        browser.click_until(*cell_centre(*cell), cell_painted(before, *cell), "a painted cell")
        browser.mouse("mouseMoved", *AWAY)
        browser.wait_for(cell_painted(before, *cell), what="the painted cell without the pointer")

    def test_two_tabs_never_both_write_the_store(self):
        first = self.browser()
        first.call("Page.addScriptToEvaluateOnNewDocument", source=WRITES_LOGGED)
        first.open(self.url())
        self.paint(first, (4, 7))
        second = Tab(first)  # in front: the first tab hides
        self.addCleanup(second.stop)
        second.call("Page.addScriptToEvaluateOnNewDocument", source=WRITES_LOGGED)
        second.open(self.url())
        wait_note(second, "tab", "Pex is open in another tab")
        self.assertEqual(second.evaluate("typeof Module.pexPage"), "undefined")

        # Taking over ends the first tab's game as F10 does: the editor saves.
        second.evaluate("document.getElementById('take-over').click(), 1")
        wait_note(first, "tab", "Pex moved to another tab")
        self.paint(second, (4, 9))
        self.assertEqual(second.evaluate(stored_cell(LEVEL_FILE, 4, 7)), "1")
        second.press("F10")
        second.wait_until(ENDED, what="the end")
        self.assertEqual(second.evaluate(stored_cell(LEVEL_FILE, 4, 9)), "1")
        first_writes, second_writes = write_times(first), write_times(second)
        self.assertTrue(first_writes and second_writes, (first_writes, second_writes))
        self.assertLessEqual(max(first_writes), min(second_writes))


if __name__ == "__main__":
    unittest.main()
