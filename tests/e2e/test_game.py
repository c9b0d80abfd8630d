"""The game screen with the real program: entering it from the menu, walking the
hero with a held arrow key, and Escape back to the menu.

Where the hero stops depends on the frame the key goes up in, so the walk that
stops with the key is a demo (tests/demos/hero.dem, recorded on this file's
level, kept beside it as hero.level): its replay gives every frame the recorded time and events, whatever
the load on the machine.
"""

import unittest

from pexe2e import PexTestCase, expected_line, in_game, in_menu

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


def hero_right(shot):
    """Right edge of the hero, the rightmost sprite in the row above the floor."""
    return max(sprite_columns(shot, BAND_TOP), default=0)


def enemy_left(shot):
    """Left edge of the enemy, which starts left of the hero and chases it."""
    return min(sprite_columns(shot, BAND_TOP), default=0)


def hero_stopped():
    """A test of successive screenshots that holds once the hero has stood still
    while the enemy closed in by 4 pixels; a walking hero would have moved 10."""
    shots = []

    def test(shot):
        earlier = [old for old in shots if enemy_left(shot) - enemy_left(old) >= 4]
        shots.append(shot)
        return bool(earlier) and hero_right(earlier[-1]) == hero_right(shot)
    return test


def on_the_floor(shot):
    """The game screen with the hero landed: both entities fall from y 100 onto
    the floor and stand in the row above it."""
    return in_game(shot) and hero_right(shot) >= HERO_START_X + 8


class GameTest(PexTestCase):
    def test_held_right_walks_the_hero_and_escape_returns_to_the_menu(self):
        pex = self.pex()
        with open(pex.path("level", "default", "1.txt"), "wb") as f:
            f.write(level_text())
        pex.start()
        pex.wait_window()
        # Splash, Escape to the menu, Enter on its first item: the game.
        pex.press_key("Escape", in_menu, what="the menu")
        pex.press_key("Return", in_game, what="the game screen")
        start = pex.wait_for(on_the_floor, timeout=60, what="the hero standing on the floor")
        self.assertLess(hero_right(start), HERO_START_X + 16)
        # The hero moving a cell right shows that the held key arrived.
        pex.press_key("Right", lambda shot: hero_right(shot) >= hero_right(start) + 16,
                      what="the hero walking right")
        pex.press_key("Escape", in_menu, what="the menu after Escape")
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_the_hero_walks_on_the_floor_and_stops_with_the_key(self):
        """Replays the demo of a walk: the program runs in short steps, stopped
        while the test looks at each picture."""
        pex = self.pex()
        pex.play("hero")
        pex.wait_window()
        pex.pause()
        try:
            start = pex.step_until(on_the_floor, what="the hero standing on the floor")
            start_right = hero_right(start)
            self.assertLess(start_right, HERO_START_X + 16)
            walked = pex.step_until(lambda shot: hero_right(shot) >= start_right + 16,
                                    what="the hero walking right")
            self.assertTrue(sprite_columns(walked, BAND_TOP), "no sprite in the row above the floor")
            # Standing, not falling or climbing: nothing of it in the row above.
            above = [x for x in sprite_columns(walked, BAND_TOP - 16) if x > start_right]
            self.assertEqual(above, [])
            still = pex.step_until(hero_stopped(), what="the hero standing still")
            stopped_right = hero_right(still)
            self.assertGreaterEqual(stopped_right, start_right + 16)
            # Short of the right edge, where it would stop by itself.
            self.assertLess(stopped_right, 16 * COLUMNS - 16)
            pex.step_until(in_menu, what="the menu after Escape")
        finally:
            pex.resume()
        self.assertEqual(pex.wait_exit(600), 0, pex.stderr_text())
        self.assertEqual(pex.stdout_text(), expected_line("hero"))
        self.assertNotIn("demo:", pex.stderr_text())


if __name__ == "__main__":
    unittest.main()
