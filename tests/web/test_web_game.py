"""Pex in headless Chromium, played through the page with real key and mouse
events: the splash, the menu, the game and the editor by their pixels, the hero
under a held key, painting with the mouse, the music through a tap beside the
sound's output, the level kept across a reload and a new browser process, the
editor's unsaved painting kept across a hidden page and a killed browser, and
the page after the program has ended.
"""

import unittest

from pexe2e import (changed_from, editor_at_rest, game_at_rest, in_game, menu_at_rest,
                    splash_at_rest)
from pexweb import WebTestCase
from test_screens import CELL, LEVEL_TOP, cell_centre, current_row, white_pixels

# The level's rows as the game draws them.
LEVEL_BOX = (0, LEVEL_TOP, 640, 10 * CELL)
# A place for the mouse in the editor away from the cells the tests look at.
AWAY = (630, 10)

# The loudness of the sound's output over about a second: an AnalyserNode fed
# from the same node as the speakers, its root mean square taken every 50 ms,
# the loudest kept.
MUSIC_RMS = """
new Promise(done => {
  const sdl = Module.SDL2;
  if (!sdl || !sdl.audio || !sdl.audio.scriptProcessorNode) { done(-1); return; }
  const tap = sdl.audioContext.createAnalyser();
  tap.fftSize = 2048;
  sdl.audio.scriptProcessorNode.connect(tap);
  const samples = new Float32Array(tap.fftSize);
  let loudest = 0, left = 24;
  const timer = setInterval(() => {
    tap.getFloatTimeDomainData(samples);
    let sum = 0;
    for (const s of samples) sum += s * s;
    loudest = Math.max(loudest, Math.sqrt(sum / samples.length));
    if (--left === 0) {
      clearInterval(timer);
      sdl.audio.scriptProcessorNode.disconnect(tap);
      done(loudest);
    }
  }, 50);
})
"""

# Where the canvas is shown in the window: x, y, width and height.
CANVAS_PLACE = ("(r => [r.x, r.y, r.width, r.height])"
                "(document.getElementById('canvas').getBoundingClientRect())")

# Whether the page keeps a key press from the browser.
KEPT = ("(e => (window.dispatchEvent(e), e.defaultPrevented))"
        "(new KeyboardEvent('keydown', {key: '%s', cancelable: true}))")

# The kind of a cell ("0" for none) in the file of the browser's store
# (IndexedDB, as the program's last sync left it) whose path starts with the
# name given; null when the store has no such file.
STORED_CELL = """
new Promise(done => { const open = indexedDB.open('/pex-store'); open.onsuccess = () => {
  const get = open.result.transaction('FILE_DATA').objectStore('FILE_DATA')
      .getAll(IDBKeyRange.bound('%(name)s', '%(name)s\\uffff'));
  get.onsuccess = () => {
    open.result.close();
    const file = get.result.pop();
    const row = file && new TextDecoder().decode(file.contents).split('\\r\\n')
        .find(line => line.startsWith('row\\t%(row)d\\t'));
    done(row ? row.split('\\t')[2 + %(column)d] : null);
  }; }; })
"""
LEVEL_FILE = "/pex-store/level/default/1.txt"
JOURNAL_FILE = "/pex-store/pex/journal-"


def stored_cell(name, row, column):
    return STORED_CELL % {"name": name, "row": row, "column": column}


# The page's end: the note shown, the last frame covered.
ENDED = ("!document.getElementById('end-note').hidden && "
         "document.getElementById('canvas').style.visibility === 'hidden'")


def cell_painted(before, row, column):
    x, y = cell_centre(row, column)
    return changed_from(before, (x - CELL // 2, y - CELL // 2, CELL, CELL))


class WebGameTest(WebTestCase):
    def start(self, browser):
        browser.open(self.url())
        return browser.wait_for(splash_at_rest, what="the splash at rest")

    def to_menu(self, browser):
        browser.press_until("Escape", menu_at_rest, "the menu")

    def to_editor(self, browser):
        self.to_menu(browser)
        browser.press("Down")
        return browser.press_until("Enter", editor_at_rest, "the editor")

    def click(self, browser, x, y, button="left"):
        """Holds a mouse button at x, y until the program has updated with it."""
        browser.mouse("mouseMoved", x, y)
        browser.mouse("mousePressed", x, y, button)
        # Events reach the program after a frame's wait; the next frame updates.
        seen = browser.evaluate("Module.pexPage.frame") + 2
        browser.wait_until("Module.pexPage.frame >= %d" % seen, what="two frames")
        browser.mouse("mouseReleased", x, y, button)

    def paint(self, browser, before, cell):
        self.click(browser, *cell_centre(*cell))
        browser.mouse("mouseMoved", *AWAY)
        browser.wait_for(cell_painted(before, *cell), what="the painted cell %s" % (cell,))

    def test_screens_keys_mouse_music_and_the_end(self):
        browser = self.browser()
        self.start(browser)
        self.assertGreater(browser.evaluate(MUSIC_RMS), 0.02, "the splash is silent")

        # The picture at the largest whole multiple the window has room for,
        # in its middle; shrunk to fit a smaller window; nearest neighbour.
        for width, height, expected in [(1400, 1000, [60, 20, 1280, 960]),
                                        (500, 400, [0, 12.5, 500, 375]),
                                        (640, 480, [0, 0, 640, 480])]:
            browser.view(width, height)
            browser.frames(2)
            self.assertEqual(browser.evaluate(CANVAS_PLACE), expected)
        self.assertEqual(browser.evaluate(
            "getComputedStyle(document.getElementById('canvas')).imageRendering"), "pixelated")
        # The keys the game uses do nothing else in the browser; others do.
        self.assertEqual([browser.evaluate(KEPT % key) for key in ["F11", "ArrowDown", "a"]],
                         [True, True, False])

        # The game: the hero walks while the arrow key is held.
        self.to_menu(browser)
        still = browser.press_until("Enter", game_at_rest, "the game")
        browser.press_until("Right", changed_from(still, LEVEL_BOX), "the hero walking right")
        self.assertTrue(in_game(browser.screenshot()))
        self.assertGreater(browser.evaluate(MUSIC_RMS), 0.02, "the game is silent")

        # The editor: the right button picks brick, the left one paints it.
        browser.press_until("Escape", menu_at_rest, "the menu again")
        browser.press("Down")
        before = browser.press_until("Enter", editor_at_rest, "the editor")
        browser.click_until(300, 300, changed_from(before, (0, 0, 640, 480)),
                            "the brush preview", button="right")
        browser.click_until(*cell_centre(2, 3), cell_painted(before, 2, 3), "a painted cell")

        # F10 ends the program; the page says so instead of freezing.
        browser.press("F10")
        browser.wait_until(ENDED, what="the page's end note")
        self.assertEqual(browser.evaluate("document.getElementById('restart').textContent"),
                         "Start again")
        # Starting again runs the program anew, from the splash.
        browser.loaded(lambda: browser.evaluate("document.getElementById('restart').click(), 1"))
        browser.wait_for(splash_at_rest, what="the splash after starting again")

    def test_the_painted_level_survives_a_reload_and_a_new_browser(self):
        browser = self.browser()
        self.start(browser)
        before = self.to_editor(browser)
        browser.click_until(300, 300, changed_from(before, (0, 0, 640, 480)),
                            "the brush preview", button="right")
        browser.click_until(*cell_centre(4, 7), cell_painted(before, 4, 7), "a painted cell")
        x, y = cell_centre(4, 7)
        box = (x - CELL // 2, y - CELL // 2, CELL, CELL)
        # The pointer and the frame of the cell under it away from the cell.
        browser.mouse("mouseMoved", *AWAY)
        painted = browser.wait_for(changed_from(before, box), what="the cell without the pointer")
        # Leaving the editor saves the level, and the save returns only once the
        # browser's store holds it: the page may go right after.
        self.to_menu(browser)

        def shows_the_painted_cell(shot):
            return editor_at_rest(shot) and shot.crop(*box).data == painted.crop(*box).data

        browser.reload()
        self.start(browser)
        self.to_editor(browser)
        browser.mouse("mouseMoved", *AWAY)
        browser.wait_for(shows_the_painted_cell, what="the painted cell after a reload")
        self.to_menu(browser)
        # Not even the browser's own end: the process is killed.
        browser.kill()

        again = self.browser()  # the same profile
        self.start(again)
        self.to_editor(again)
        again.mouse("mouseMoved", *AWAY)
        again.wait_for(shows_the_painted_cell, what="the painted cell in a new browser")

    def test_painting_never_saved_survives_a_hidden_page_and_a_killed_browser(self):
        browser = self.browser()
        self.start(browser)
        before = self.to_editor(browser)
        # The program's clock stands still: after the first change the second's
        # interval never comes, and only the page hiding writes the journal.
        browser.evaluate("(now => performance.now = () => now)(performance.now()), 1")
        self.click(browser, 300, 300, "right")
        first, second = (1, 5), (1, 9)
        self.paint(browser, before, first)
        browser.wait_until(stored_cell(JOURNAL_FILE, *first) + ".then(kind => kind === '1')",
                           what="the first change in the stored journal")
        self.paint(browser, before, second)
        self.assertEqual(browser.evaluate(stored_cell(JOURNAL_FILE, *second)), "0")
        browser.call("Target.createTarget", url="about:blank")  # another tab hides the page
        browser.wait_until(stored_cell(JOURNAL_FILE, *second) + ".then(kind => kind === '1')",
                           what="the second change in the stored journal")
        browser.kill()

        # The next visit says so, and the editor opens with the changes. (A
        # browser killed right after a write may lose that write: only the
        # change stored long before is sure to be there.)
        again = self.browser()  # the same profile
        again.open(self.url())
        again.wait_until("!document.getElementById('notice-note').hidden", what="the note")
        self.assertEqual(again.evaluate("document.getElementById('notice-text').textContent"),
                         "Your changes in the editor that were not saved when Pex last ended "
                         "are kept: the editor opens with them.")
        again.evaluate("document.getElementById('notice-close').click()")
        again.wait_for(splash_at_rest, what="the splash")
        self.to_editor(again)
        again.mouse("mouseMoved", *AWAY)
        again.wait_for(cell_painted(before, *first), what="the restored cell")
        # Leaving the editor saves them to the level, and the journal goes.
        self.to_menu(again)
        self.assertEqual(again.evaluate(stored_cell(LEVEL_FILE, *first)), "1")
        self.assertIsNone(again.evaluate(stored_cell(JOURNAL_FILE, 0, 0)))

    def test_the_full_screen_setting_takes_the_page_full_screen_at_the_first_key(self):
        # Ticked in the setup submenu, kept in the browser's store when the
        # menu's exit item ends the program, and acted on at the next start.
        browser = self.browser()
        self.start(browser)
        self.to_menu(browser)
        browser.press_until("Down", current_row(1), "the editor item selected")
        browser.press_until("Down", current_row(2), "the setup item selected")
        before = browser.press_until(
            "Enter", lambda shot: current_row(0)(shot) and white_pixels(shot, 240, 192, 320, 16) < 10,
            "the setup submenu")
        browser.press_until("Enter", changed_from(before, (208, 152, 32, 32)), "the box ticked")
        browser.press_until("Escape", lambda shot: current_row(2)(shot) and
                            white_pixels(shot, 240, 192, 240, 16) > 30, "the setup item again")
        browser.press_until("Down", current_row(3), "the exit item selected")
        browser.press("Enter")
        browser.wait_until(ENDED, what="the end through the menu's exit")

        browser.reload()
        self.start(browser)
        self.assertFalse(browser.evaluate("document.fullscreenElement !== null"))
        # Escape is no gesture to the browser; an arrow key is.
        browser.press("Escape")
        browser.wait_for(menu_at_rest, what="the menu")
        self.assertFalse(browser.evaluate("document.fullscreenElement !== null"))
        browser.press("Down")
        browser.wait_until("document.fullscreenElement === document.getElementById('screen')",
                           what="the page in full screen")


if __name__ == "__main__":
    unittest.main()
