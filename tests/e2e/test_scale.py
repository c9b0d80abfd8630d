"""Scale=0 with full screen on a 1920 x 1080 screen: the 640 x 480 layout at
twice its size in the middle of the desktop's own mode, black around it; the
editor paints the cell under the pointer through the scaled picture, and a
press on the black border paints nothing.

Run with "--screenshot FILE" to write the editor's picture of the shipped
level at this scale, half size, into FILE (docs/scale0.png) instead of running
the test.
"""

import sys
import unittest

import pexe2e
from pexe2e import PexTestCase, changed_from, editor_at_rest, in_menu, menu_at_rest
from test_screens import COLUMNS, ROWS, cell_centre, current_row, empty_level_text, read_level

SCREEN_W, SCREEN_H = 1920, 1080
PIXEL = 2  # the largest whole multiple of 640 x 480 in 1920 x 1080
LEFT, TOP = (SCREEN_W - 640 * PIXEL) // 2, (SCREEN_H - 480 * PIXEL) // 2
SETTINGS = b"[Screen]\r\nFullScreen=1\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\nScale=0\r\n\r\n"


def layout(shot):
    """The picture in layout pixels: one screen pixel of each PIXEL x PIXEL square."""
    rows = []
    for y in range(480):
        start = ((TOP + y * PIXEL) * shot.width + LEFT) * 3
        line = shot.data[start:start + 640 * PIXEL * 3]
        rows.append(b"".join(line[i:i + 3] for i in range(0, len(line), 3 * PIXEL)))
    return pexe2e.Image(640, 480, b"".join(rows))


def on_screen(x, y):
    """The screen point over the middle of layout pixel x, y."""
    return LEFT + x * PIXEL + PIXEL // 2, TOP + y * PIXEL + PIXEL // 2


def in_layout(test):
    return lambda shot: test(layout(shot))


def start_in_editor(pex, level=None):
    with open(pex.path("pex.ini"), "wb") as f:
        f.write(SETTINGS)
    if level is not None:
        with open(pex.path("level", "default", "1.txt"), "wb") as f:
            f.write(level)
    pex.start()
    pex.wait_window()
    pex.press_key("Escape", in_layout(menu_at_rest), what="the menu")
    pex.press_key("Down", in_layout(current_row(1)), what="the editor item selected")
    shot = pex.press_key("Return", in_layout(editor_at_rest), what="the editor")
    pex.pointer = None
    return shot


class ScaleTest(PexTestCase):
    def setUp(self):
        self.xvfb = pexe2e.Xvfb(SCREEN_W, SCREEN_H)
        self.addCleanup(self.xvfb.stop)

    def test_editor_paints_through_the_scaled_picture_and_not_from_its_border(self):
        pex = self.pex()
        shot = start_in_editor(pex, empty_level_text())
        self.assertEqual(pex.geometry(), (0, 0, SCREEN_W, SCREEN_H))
        for x, y in ((0, 0), (LEFT - 1, 540), (LEFT + 640 * PIXEL, 540), (960, SCREEN_H - 1)):
            self.assertEqual(shot.pixel(x, y), (0, 0, 0), (x, y))
        pex.click_seen(*on_screen(300, 300), button=3)  # brush: brick
        # A press on the border is not taken, also once the pointer, held,
        # moves into the picture over cell (4, 6).
        before = pex.screenshot()
        pex.move(LEFT // 2, on_screen(0, 96 + 4 * 16)[1])
        before = pex.wait_for(changed_from(before), what="the pointer leaving the picture")
        pex.x("mousedown", 1)
        try:
            pex.move(*on_screen(*cell_centre(4, 6)))
            pex.wait_for(changed_from(before), what="the pointer over cell (4, 6), held")
        finally:
            pex.x("mouseup", 1)
        pex.click_seen(*on_screen(*cell_centre(2, 3)))
        pex.move(*on_screen(620, 400))
        pex.press_key("Escape", in_layout(in_menu), what="the menu after the editor")
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[2][3] = 1
        self.assertEqual(read_level(pex.path("level", "default", "1.txt")), expected)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), SETTINGS)


def take_screenshot(path):
    xvfb = pexe2e.Xvfb(SCREEN_W, SCREEN_H)
    pex = pexe2e.Pex(xvfb)
    try:
        start_in_editor(pex)
        pex.click_seen(*on_screen(300, 300), button=3)
        before = pex.screenshot()
        pex.move(*on_screen(*cell_centre(5, 6)))
        shot = pex.wait_for(changed_from(before), what="the pointer over the grid")
        half = pexe2e.Image(SCREEN_W // 2, SCREEN_H // 2, b"".join(
            shot.data[(y * 2 * SCREEN_W + x * 2) * 3:(y * 2 * SCREEN_W + x * 2) * 3 + 3]
            for y in range(SCREEN_H // 2) for x in range(SCREEN_W // 2)))
        half.save_png(path)
        pex.press_key_to_exit("F10")
    finally:
        pex.stop()
        xvfb.stop()


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
        take_screenshot(sys.argv[2])
    else:
        unittest.main()
