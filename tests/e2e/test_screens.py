"""The splash, menu, editor and game screens with the real program and real X
events: the way from the splash through the menu, painting and saving in the
editor, the full-screen checkbox written to the settings file, and F10 from
every screen.

Run with "--screenshots DIR" to write splash.png, menu.png, game.png and
editor.png of the shipped data into DIR instead of running the tests.
"""

import os
import sys
import time
import unittest

import pexe2e
from pexe2e import (PexTestCase, changed_from, editor_at_rest, game_at_rest, in_menu,
                    in_splash, menu_at_rest, splash_at_rest)

LEVEL_TOP = 96  # window y of level row 0
CELL = 16
ROWS, COLUMNS = 10, 20


def empty_level_text(rows=ROWS, columns=COLUMNS, kind=0):
    lines = ["mole_ladder.level", "height %d" % rows, "width %d" % columns, "data"]
    for row in range(rows):
        lines.append("row\t%d" % row + ("\t%d" % kind) * columns)
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def read_level(path):
    """The grid of a level file written by the program, as a list of rows."""
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    assert lines[0] == "mole_ladder.level", lines[0]
    rows = int(lines[1].split(" ")[1])
    columns = int(lines[2].split(" ")[1])
    assert lines[3] == "data"
    grid = []
    for row in range(rows):
        fields = lines[4 + row].split("\t")
        assert fields[0] == "row" and int(fields[1]) == row, lines[4 + row]
        assert len(fields) == 2 + columns
        grid.append([int(v) for v in fields[2:]])
    assert lines[4 + rows:] == [""], "extra lines after the rows"
    return grid


def cell_centre(row, column):
    return CELL * column + CELL // 2, LEVEL_TOP + CELL * row + CELL // 2


# ---- The menu's rows -------------------------------------------------------------

MENU_ROWS = 4  # game, editor, setup, exit; the setup submenu shows one row


def is_green(r, g, b):
    return g > 180 and r < 100 and b < 100  # the current row's title, not the cyan arrow


def current_row(row):
    """A test that the menu shows the given row (0 at y 160) as the current item."""
    def test(shot):
        greens = [count_pixels(shot, 240, 160 + 32 * k, 240, 16, is_green)
                  for k in range(MENU_ROWS)]
        return in_menu(shot) and greens[row] > 30 and \
            all(n == 0 for k, n in enumerate(greens) if k != row)
    return test


class ScreensTest(PexTestCase):
    def start(self, level=None, splash=False):
        """Starts the program; with splash, waits for the splash picture too.
        Otherwise the tests go on at once: Escape acts during the slow opening
        fade-in as well."""
        pex = self.pex()
        if level is not None:
            with open(self.level_path(pex), "wb") as f:
                f.write(level)
        pex.start()
        pex.wait_window()
        if splash:
            pex.wait_for(in_splash, timeout=60, what="the splash picture")
        return pex

    @staticmethod
    def level_path(pex):
        return pex.path("level", "default", "1.txt")

    def to_menu(self, pex):
        # Until the fade-in has ended, so that the rows are in full colour.
        pex.press_key("Escape", menu_at_rest, what="the menu")

    def to_editor(self, pex):
        self.to_menu(pex)
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Return", editor_at_rest, what="the editor")
        pex.pointer = None

    def to_game(self, pex):
        self.to_menu(pex)
        pex.press_key("Return", game_at_rest, what="the game screen")

    # ---- Splash and menu -----------------------------------------------------------

    def test_escape_leads_from_the_splash_to_the_menu_and_f10_exits(self):
        pex = self.start(splash=True)
        self.to_menu(pex)
        shot = pex.screenshot()
        # The heading "Меню:" in yellow at x 240, y 128.
        yellow = count_pixels(shot, 240, 128, 80, 16, lambda r, g, b: r > 180 and g > 180 and b < 100)
        self.assertGreater(yellow, 30)
        # The first item is current: its title is green, the second one white.
        green = count_pixels(shot, 240, 160, 160, 16, lambda r, g, b: g > 180 and r < 100)
        self.assertGreater(green, 30)
        self.assertGreater(white_pixels(shot, 240, 192, 240, 16), 30)
        self.assertEqual(count_pixels(shot, 240, 192, 240, 16,
                                      lambda r, g, b: g > 180 and r < 100), 0)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_held_key_acts_once(self):
        # Key repeat stays off: Down held for a second and a half moves the
        # selection by one item only.
        pex = self.start()
        self.to_menu(pex)
        pex.keydown("Down")
        try:
            pex.wait_for(current_row(1), what="the second item selected")
            held_until = time.time() + 1.5
            while time.time() < held_until:
                self.assertTrue(current_row(1)(pex.screenshot()),
                                "the held key moved the selection again")
        finally:
            pex.keyup("Down")
        # Events arrive in order: once Up has acted, whatever the held Down
        # produced has been seen too, and one step up reaches the first item.
        pex.press_key("Up", current_row(0), what="the first item selected again")
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_f10_on_the_splash_exits(self):
        pex = self.start(splash=True)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_game_and_back_to_the_menu(self):
        pex = self.start()
        self.to_game(pex)
        pex.press_key("Escape", in_menu, what="the menu after the game")
        self.to_game(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_fullscreen_checkbox_is_saved_in_the_settings_file(self):
        pex = self.start()
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertIn(b"FullScreen=0", f.read())
        self.to_menu(pex)
        # game, editor, setup: Enter opens the setup submenu with the checkbox.
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Down", current_row(2), what="the setup item selected")
        # Only the submenu's row shows: nothing at the second row's place.
        before = pex.press_key(
            "Return", lambda shot: current_row(0)(shot) and white_pixels(shot, 240, 192, 320, 16) < 10,
            what="the setup submenu")
        box = (208, 152, 32, 32)
        after = pex.press_key("Return", changed_from(before, box), what="the checkbox ticked")
        self.assertNotEqual(before.crop(*box).data, after.crop(*box).data)
        # Back to setup, down to exit, and Enter ends the program.
        pex.press_key("Escape", lambda shot: current_row(2)(shot) and
                      white_pixels(shot, 240, 192, 240, 16) > 30, what="the setup item again")
        pex.press_key("Down", current_row(3), what="the exit item selected")
        self.assertEqual(pex.press_key_to_exit("Return"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            text = f.read()
        self.assertIn(b"FullScreen=1", text)

    # ---- Editor --------------------------------------------------------------------

    def test_painted_cells_are_saved_on_escape(self):
        pex = self.start(empty_level_text())
        self.to_editor(pex)
        pex.click_seen(300, 300, button=3)          # brush: brick
        pex.click_seen(*cell_centre(2, 3))
        pex.click_seen(*cell_centre(5, 10))
        pex.click_seen(300, 300, button=3)          # brush: steel
        pex.click_seen(CELL * 19 + 8, 50)           # in the band above the level: row 0
        pex.click_seen(600, LEVEL_TOP + CELL * 7 + 4)  # right of the grid: last column
        pex.move(620, 400)
        pex.press_key("Escape", in_menu, what="the menu after the editor")
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[2][3] = 1
        expected[5][10] = 1
        expected[0][19] = 2
        expected[7][19] = 2
        self.assertEqual(read_level(self.level_path(pex)), expected)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_f11_then_escape_saves_an_empty_grid(self):
        pex = self.start(empty_level_text(6, 12, kind=5))
        self.to_editor(pex)
        # The coins vanish from the picture once F11 has cleared the grid.
        grid = (0, LEVEL_TOP, 12 * CELL, 6 * CELL)
        pex.press_key("F11", changed_from(pex.screenshot(), grid), what="the cleared grid")
        pex.press_key("Escape", in_menu, what="the menu after the editor")
        self.assertEqual(read_level(self.level_path(pex)), [[0] * 12 for _ in range(6)])
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_f10_in_the_editor_exits_and_saves_the_level(self):
        pex = self.start(empty_level_text())
        self.to_editor(pex)
        for _ in range(3):
            pex.click_seen(300, 300, button=3)      # brush: ladder
        pex.click_seen(*cell_centre(9, 0))
        pex.move(620, 400)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[9][0] = 3
        self.assertEqual(read_level(self.level_path(pex)), expected)


def count_pixels(shot, x, y, width, height, test):
    return sum(1 for row in range(y, y + height) for col in range(x, x + width)
               if test(*shot.pixel(col, row)))


def white_pixels(shot, x, y, width, height):
    return count_pixels(shot, x, y, width, height, lambda r, g, b: min(r, g, b) > 200)


def take_screenshots(directory):
    """Screenshots of the four screens with the shipped data."""
    os.makedirs(directory, exist_ok=True)
    xvfb = pexe2e.Xvfb()
    pex = pexe2e.Pex(xvfb)
    case = ScreensTest()
    try:
        pex.start()
        pex.wait_window()
        shot = pex.wait_for(splash_at_rest, timeout=120, what="the splash after its fade-in")
        shot.crop(0, 0, 640, 480).save_png(os.path.join(directory, "splash.png"))
        case.to_menu(pex)
        pex.screenshot().crop(0, 0, 640, 480).save_png(os.path.join(directory, "menu.png"))
        pex.press_key("Return", game_at_rest, what="the game screen")
        pex.screenshot().crop(0, 0, 640, 480).save_png(os.path.join(directory, "game.png"))
        pex.press_key("Escape", menu_at_rest, what="the menu after the game")
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Return", editor_at_rest, what="the editor")
        pex.pointer = None
        pex.click_seen(300, 300, button=3)
        before = pex.screenshot()
        pex.move(*cell_centre(5, 6))
        shot = pex.wait_for(changed_from(before), what="the pointer over the grid")
        shot.crop(0, 0, 640, 480).save_png(os.path.join(directory, "editor.png"))
        pex.press_key_to_exit("F10")
    finally:
        pex.stop()
        xvfb.stop()


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshots":
        take_screenshots(sys.argv[2])
    else:
        unittest.main()
