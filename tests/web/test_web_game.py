"""Pex in headless Chromium, played through the page with real key and mouse
events: the splash, the menu, the game and the editor by their pixels, the hero
under a held key, painting with the mouse, the music through a tap beside the
sound's output, the level kept across a reload and a new browser process, and
the page after the program has ended.
"""

import unittest

from pexe2e import (changed_from, editor_at_rest, game_at_rest, in_game, menu_at_rest,
                    splash_at_rest)
from pexweb import WebTestCase
from test_screens import CELL, LEVEL_TOP, cell_centre

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

    def test_screens_keys_mouse_music_and_the_end(self):
        browser = self.browser()
        self.start(browser)
        self.assertGreater(browser.evaluate(MUSIC_RMS), 0.02, "the splash is silent")

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


if __name__ == "__main__":
    unittest.main()
