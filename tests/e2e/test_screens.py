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
from pexe2e import PexTestCase

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


# ---- Which screen is showing --------------------------------------------------

def white_title_pixels(shot):
    # "level:1" in white at x 240..351, y 16..31: the editor's title (and the HUD's).
    return sum(1 for y in range(16, 32) for x in range(240, 352) if min(shot.pixel(x, y)) > 200)


def in_game(shot):
    # The HUD's green bar at x 512..575, y 16..31.
    r, g, b = shot.mean(512, 16, 64, 16)
    return g > 150 and r < 60 and b < 60


def in_menu(shot):
    # The menu's background is tinted navy.
    r, g, b = shot.mean(0, 200, 640, 200)
    return b > r + 30 and b > 40 and not in_game(shot)


def in_editor(shot):
    return white_title_pixels(shot) > 150 and not in_game(shot)


def in_splash(shot):
    r, g, b = shot.mean(0, 0, 640, 480)
    return (r + g + b) / 3 > 30 and not in_menu(shot) and not in_editor(shot) \
        and not in_game(shot)


class ScreensTest(PexTestCase):
    def start(self, level=None):
        pex = self.pex()
        if level is not None:
            with open(self.level_path(pex), "wb") as f:
                f.write(level)
        pex.start()
        pex.wait_window()
        pex.wait_for(in_splash, timeout=60, what="the splash picture")
        return pex

    @staticmethod
    def level_path(pex):
        return pex.path("level", "default", "1.txt")

    def press_until(self, pex, key, predicate, what, timeout=60):
        """Presses key until predicate holds; a press made during a fade may be cleared."""
        deadline = time.time() + timeout
        while True:
            pex.key(key)
            try:
                return pex.wait_for(predicate, timeout=5, what=what)
            except AssertionError:
                if time.time() > deadline or not pex.running():
                    raise

    def to_menu(self, pex):
        self.press_until(pex, "Escape", in_menu, "the menu")
        # Let the fade-in finish so that the rows are in full colour.
        time.sleep(0.5)

    def to_editor(self, pex):
        self.to_menu(pex)
        pex.key("Down")
        pex.key("Return")
        pex.wait_for(in_editor, timeout=30, what="the editor")
        time.sleep(0.5)

    def to_game(self, pex):
        self.to_menu(pex)
        pex.key("Return")
        pex.wait_for(in_game, timeout=30, what="the game screen")
        time.sleep(0.5)

    # ---- Splash and menu -----------------------------------------------------------

    def test_escape_leads_from_the_splash_to_the_menu_and_f10_exits(self):
        pex = self.start()
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
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_held_key_acts_once(self):
        # Key repeat stays off: Down held for a second and a half moves the
        # selection by one item only.
        pex = self.start()
        self.to_menu(pex)
        pex.keydown("Down")
        time.sleep(1.5)
        pex.keyup("Down")
        time.sleep(0.3)
        shot = pex.screenshot()
        is_green = lambda r, g, b: g > 180 and r < 100 and b < 100  # not the cyan arrow
        self.assertEqual(count_pixels(shot, 240, 160, 240, 16, is_green), 0)
        self.assertGreater(count_pixels(shot, 240, 192, 240, 16, is_green), 30)
        self.assertEqual(count_pixels(shot, 240, 224, 240, 16, is_green), 0)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_f10_on_the_splash_exits(self):
        pex = self.start()
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_game_and_back_to_the_menu(self):
        pex = self.start()
        self.to_game(pex)
        pex.key("Escape")
        pex.wait_for(in_menu, timeout=30, what="the menu after the game")
        self.to_game(pex)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_fullscreen_checkbox_is_saved_in_the_settings_file(self):
        pex = self.start()
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertIn(b"FullScreen=0", f.read())
        self.to_menu(pex)
        # game, editor, setup: Enter opens the setup submenu with the checkbox.
        pex.key("Down")
        pex.key("Down")
        pex.key("Return")
        time.sleep(0.5)
        box = (208, 152, 32, 32)
        before = pex.screenshot()
        # Only the submenu's row shows: nothing at the second row's place.
        self.assertLess(white_pixels(before, 240, 192, 320, 16), 10)
        pex.key("Return")
        time.sleep(0.5)
        after = pex.screenshot()
        self.assertNotEqual(before.crop(*box).data, after.crop(*box).data)
        # Back to setup, down to exit, and Enter ends the program.
        pex.key("Escape")
        pex.key("Down")
        pex.key("Return")
        self.assertEqual(pex.wait_exit(), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            text = f.read()
        self.assertIn(b"FullScreen=1", text)

    # ---- Editor --------------------------------------------------------------------

    def test_painted_cells_are_saved_on_escape(self):
        pex = self.start(empty_level_text())
        self.to_editor(pex)
        pex.click(300, 300, button=3)          # brush: brick
        pex.click(*cell_centre(2, 3))
        pex.click(*cell_centre(5, 10))
        pex.click(300, 300, button=3)          # brush: steel
        pex.click(CELL * 19 + 8, 50)           # in the band above the level: row 0
        pex.click(600, LEVEL_TOP + CELL * 7 + 4)  # right of the grid: last column
        pex.move(620, 400)
        pex.key("Escape")
        pex.wait_for(in_menu, timeout=30, what="the menu after the editor")
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[2][3] = 1
        expected[5][10] = 1
        expected[0][19] = 2
        expected[7][19] = 2
        self.assertEqual(read_level(self.level_path(pex)), expected)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_f11_then_escape_saves_an_empty_grid(self):
        pex = self.start(empty_level_text(6, 12, kind=5))
        self.to_editor(pex)
        pex.key("F11")
        pex.key("Escape")
        pex.wait_for(in_menu, timeout=30, what="the menu after the editor")
        self.assertEqual(read_level(self.level_path(pex)), [[0] * 12 for _ in range(6)])
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_f10_in_the_editor_exits_and_saves_the_level(self):
        pex = self.start(empty_level_text())
        self.to_editor(pex)
        for _ in range(3):
            pex.click(300, 300, button=3)      # brush: ladder
        pex.click(*cell_centre(9, 0))
        pex.move(620, 400)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)
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
        pex.wait_for(in_splash, timeout=60, what="the splash picture")
        # The opening fade-in is slow: wait until the picture stops brightening.
        last = None
        for _ in range(100):
            shot = pex.screenshot()
            level = shot.mean(0, 0, 640, 480)
            if last is not None and sum(abs(a - b) for a, b in zip(level, last)) < 0.5:
                break
            last = level
            time.sleep(0.3)
        shot.crop(0, 0, 640, 480).save_png(os.path.join(directory, "splash.png"))
        case.to_menu(pex)
        pex.screenshot().crop(0, 0, 640, 480).save_png(os.path.join(directory, "menu.png"))
        pex.key("Return")
        pex.wait_for(in_game, timeout=30, what="the game screen")
        time.sleep(2)
        pex.screenshot().crop(0, 0, 640, 480).save_png(os.path.join(directory, "game.png"))
        pex.key("Escape")
        pex.wait_for(in_menu, timeout=30, what="the menu after the game")
        time.sleep(0.5)
        pex.key("Down")
        pex.key("Return")
        pex.wait_for(in_editor, timeout=30, what="the editor")
        time.sleep(0.5)
        pex.click(300, 300, button=3)
        pex.move(*cell_centre(5, 6))
        time.sleep(0.5)
        pex.screenshot().crop(0, 0, 640, 480).save_png(os.path.join(directory, "editor.png"))
        pex.key("F10")
        pex.wait_exit()
    finally:
        pex.stop()
        xvfb.stop()


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshots":
        take_screenshots(sys.argv[2])
    else:
        unittest.main()
