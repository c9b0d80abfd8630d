"""The game screen with the real program: entering it from the menu, walking the
hero with a held arrow key, and Escape back to the menu."""

import time
import unittest

from pexe2e import PexTestCase

ROWS, COLUMNS = 24, 40
FLOOR_ROW = 10       # all brick; the hero and the enemy land on it
LEVEL_TOP = 96       # window y of level row 0
HERO_START_X = 340
# The hero and the enemy stand in the row above the floor.
BAND_TOP = LEVEL_TOP + 16 * (FLOOR_ROW - 1)


def level_text():
    lines = ["mole_ladder.level", "height %d" % ROWS, "width %d" % COLUMNS, "data"]
    for row in range(ROWS):
        kind = "1" if row == FLOOR_ROW else "0"
        lines.append("row\t%d" % row + "\t%s" % kind * COLUMNS)
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def in_game(shot):
    # The HUD's green bar at x 512..575, y 16..31.
    r, g, b = shot.mean(512, 16, 64, 16)
    return g > 150 and r < 60 and b < 60


def in_menu(shot):
    # The menu's background is tinted navy; the game's is tinted dark red.
    r, g, b = shot.mean(0, 200, 640, 200)
    return b > r + 10 and not in_game(shot)


def sprite_pixel(pixel):
    # The entities' image is light brown, grey and yellow; empty cells over the
    # red-tinted background stay dark with little green.
    return pixel[1] > 70


def sprite_columns(shot, top, height=16):
    """Window x of every column with sprite pixels between top and top + height."""
    columns = []
    for x in range(shot.width):
        if sum(sprite_pixel(shot.pixel(x, y)) for y in range(top, top + height)) >= 2:
            columns.append(x)
    return columns


class GameTest(PexTestCase):
    def start_game(self):
        pex = self.pex()
        with open(pex.path("level", "default", "1.txt"), "wb") as f:
            f.write(level_text())
        pex.start()
        pex.wait_window()
        # Splash, Escape to the menu, Enter on its first item: the game.
        pex.key("Escape")
        pex.wait_for(in_menu, timeout=60, what="the menu")
        deadline = time.time() + 60
        while True:
            pex.key("Return")
            try:
                pex.wait_for(in_game, timeout=5, what="the game screen")
                break
            except AssertionError:
                if time.time() > deadline:
                    raise
        return pex

    def test_held_right_walks_the_hero_along_the_floor_and_escape_returns_to_the_menu(self):
        pex = self.start_game()
        # Both entities fall from y 100 onto the floor and stand in the row above it.
        start = pex.wait_for(lambda shot: max(sprite_columns(shot, BAND_TOP), default=0)
                             >= HERO_START_X + 8,
                             timeout=30, what="the hero standing on the floor")
        hero_right = max(sprite_columns(start, BAND_TOP))
        self.assertLess(hero_right, HERO_START_X + 16)

        pex.keydown("Right")
        time.sleep(1.5)
        pex.keyup("Right")
        time.sleep(0.3)
        shot = pex.screenshot()
        columns = sprite_columns(shot, BAND_TOP)
        self.assertTrue(columns, "no sprite in the row above the floor")
        moved_right = max(columns)
        # 100 pixels per second, with frame times of at most 0.1 s.
        self.assertGreater(moved_right, hero_right + 40)
        self.assertLess(moved_right, 16 * COLUMNS)
        # Standing, not falling or climbing: nothing of it in the row above.
        above = [x for x in sprite_columns(shot, BAND_TOP - 16) if x > hero_right]
        self.assertEqual(above, [])
        # It stopped with the key.
        time.sleep(0.5)
        self.assertEqual(max(sprite_columns(pex.screenshot(), BAND_TOP)), moved_right)

        pex.key("Escape")
        pex.wait_for(in_menu, timeout=30, what="the menu after Escape")
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
