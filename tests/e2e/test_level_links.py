"""Level links with the real program: pex --open LINK starts the game at once
on the guest level and leaves the player's own level as it was; F2 in the
editor prints a link to the guest level; a damaged link ends with exit code 2
and writes nothing. The link is made here as docs/level-link.md describes it,
apart from the program's own writer."""

import base64
import itertools
import os
import struct
import unittest
import zlib

from pexe2e import PexTestCase, brightest, in_editor, in_game, in_menu, in_splash, menu_at_rest
from test_editor_safety import level_text


def link_data(grid):
    """The link's data of the grid, as the editor writes it: runs, the check."""
    def varint(value):
        return bytes([value & 0x7F | 0x80]) + varint(value >> 7) if value >= 0x80 else bytes([value])
    runs = b""
    for value, group in itertools.groupby(sum(grid, [])):
        length = len(list(group))
        runs += bytes([min(value, 15) | min(length - 1, 15) << 4])
        runs += bytes([value]) * (value >= 15) + (varint(length - 16) if length > 15 else b"")
    data = varint(len(grid)) + varint(len(grid[0])) + b"\x00" + runs
    data += struct.pack("<I", zlib.crc32(data))
    return "1." + base64.urlsafe_b64encode(data).decode().rstrip("=")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class LevelLinkTest(PexTestCase):
    def test_open_plays_the_guest_level_and_f2_links_it(self):
        pex = self.pex()
        own_path = pex.path("level", "default", "1.txt")
        guest_path = pex.path("level", "guest", "1.txt")
        own = read(own_path)
        grid = [[(r * 3 + c) % 6 if r > 3 else 0 for c in range(20)] for r in range(8)]
        grid[3][0], grid[3][19] = 6, 7  # the hero and the enemy
        grid[7][3:] = [200] * 17  # a value no tile has, in a run longer than 15
        pex.start(["--open", "https://example.org/pex/#level=" + link_data(grid)])
        pex.wait_window()
        first = pex.wait_for(lambda s: in_game(s) or in_menu(s) or in_splash(s), timeout=60,
                             what="the first screen")
        self.assertTrue(in_game(first), "the first screen is not the game")
        guest = read(guest_path)
        self.assertEqual(guest, level_text(grid))

        pex.press_key("Escape", menu_at_rest, "the menu")
        # The selected row is green, the others white.
        pex.press_key("Down", lambda s: brightest(s, 240, 192, 240, 16, 0) < 200, "the editor's row")
        pex.press_key("Return", in_editor, "the editor")
        pex.press_key("F2", lambda: "#level=" in pex.stdout_text(), "the link", screen=False)
        link = pex.stdout_text().split()[0]
        self.assertEqual(link, "#level=" + link_data(grid))
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        self.assertEqual((read(own_path), read(guest_path)), (own, guest))

        # A damaged link: exit code 2, before any window, and no file changes.
        before = sorted(os.walk(pex.path("level")))
        damaged = link[:-3] + ("A" if link[-3] != "A" else "B") + link[-2:]
        pex.start(["--open", damaged])
        self.assertEqual(pex.wait_exit(), 2)
        self.assertIn("pex: cannot open the level link: the link is damaged", pex.stderr_text())
        self.assertEqual(sorted(os.walk(pex.path("level"))), before)
        self.assertEqual(read(guest_path), guest)


if __name__ == "__main__":
    unittest.main()
