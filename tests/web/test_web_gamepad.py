"""A scripted gamepad (navigator.getGamepads answers with window.pexPad, in the
standard layout) drives the menu and the hero in the browser."""

import unittest

from pexe2e import changed_from, game_at_rest, menu_at_rest, splash_at_rest
from pexweb import WebTestCase
from test_web_game import LEVEL_BOX

SCRIPTED_PAD = """
window.pexPad = {buttons: [], axes: [0, 0, 0, 0]};
Object.defineProperty(navigator, 'getGamepads', {configurable: true, value: () => [{
  id: 'scripted', index: 0, connected: true, mapping: 'standard', timestamp: performance.now(),
  axes: window.pexPad.axes, buttons: [...Array(17).keys()].map(i => window.pexPad.buttons.includes(i))
    .map(down => ({pressed: down, touched: down, value: +down}))}, null, null, null]});
"""
A, B, BACK = 0, 1, 8  # buttons of the standard layout


class WebGamepadTest(WebTestCase):
    def hold(self, browser, predicate, what, buttons=(), x=0):
        """Holds the pad so until the picture shows its effect, then lets go."""
        browser.evaluate("window.pexPad = {buttons: %s, axes: [%s, 0, 0, 0]}, 1"
                         % (list(buttons), x))
        try:
            return browser.wait_for(predicate, what=what)
        finally:
            browser.evaluate("window.pexPad = {buttons: [], axes: [0, 0, 0, 0]}, 1")

    def test_b_a_the_stick_and_back_drive_the_menu_and_the_hero(self):
        browser = self.browser()
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=SCRIPTED_PAD)
        browser.open(self.url())
        browser.wait_for(splash_at_rest, what="the splash at rest")
        self.hold(browser, menu_at_rest, "the menu after B", buttons=[B])
        still = self.hold(browser, game_at_rest, "the game after A", buttons=[A])
        self.hold(browser, changed_from(still, LEVEL_BOX), "the hero walking", x=0.9)
        self.hold(browser, menu_at_rest, "the menu after Back", buttons=[BACK])


if __name__ == "__main__":
    unittest.main()
