"""Scale=0 in full screen on a 1920 x 1080 screen: the layout twice its size in
the middle of the desktop's own mode, black around it; the editor paints the
cell under the pointer, and a press on the black border paints nothing.
"""

import unittest

import pexe2e
from pexe2e import PexTestCase, changed_from, editor_at_rest, in_menu, menu_at_rest
from test_screens import COLUMNS, ROWS, cell_centre, current_row, empty_level_text, read_level

LEFT, TOP = (1920 - 2 * 640) // 2, (1080 - 2 * 480) // 2
SETTINGS = b"[Screen]\r\nFullScreen=1\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\nScale=0\r\n\r\n"


def layout(test):
    """test on the picture in layout pixels: one of each 2 x 2 screen pixels."""
    def on(shot):
        rows = (shot.data[((TOP + 2 * y) * shot.width + LEFT) * 3:][:2 * 640 * 3]
                for y in range(480))
        return test(pexe2e.Image(640, 480, b"".join(
            b"".join(row[i:i + 3] for i in range(0, len(row), 6)) for row in rows)))
    return on


def at(x, y):
    return LEFT + 2 * x, TOP + 2 * y


class ScaleTest(PexTestCase):
    def setUp(self):
        self.xvfb = pexe2e.Xvfb(1920, 1080)
        self.addCleanup(self.xvfb.stop)

    def test_editor_paints_through_the_scaled_picture_and_not_from_its_border(self):
        pex = self.pex()
        for name, text in (("pex.ini", SETTINGS), ("level/default/1.txt", empty_level_text())):
            with open(pex.path(name), "wb") as f:
                f.write(text)
        pex.start()
        pex.wait_window()
        pex.press_key("Escape", layout(menu_at_rest), what="the menu")
        pex.press_key("Down", layout(current_row(1)), what="the editor item selected")
        shot = pex.press_key("Return", layout(editor_at_rest), what="the editor")
        self.assertEqual(pex.geometry(), (0, 0, 1920, 1080))
        for x, y in ((0, 0), (LEFT - 1, 540), (LEFT + 1280, 540), (960, 1079)):
            self.assertEqual(shot.pixel(x, y), (0, 0, 0), (x, y))
        pex.click_seen(*at(300, 300), button=3)  # brush: brick
        # Pressed on the border, the button is not taken, also once the
        # pointer moves into the picture over cell (4, 6) while it is held.
        before = pex.screenshot()
        pex.move(LEFT // 2, at(0, 200)[1])
        before = pex.wait_for(changed_from(before), what="the pointer off the picture")
        pex.x("mousedown", 1)
        try:
            pex.move(*at(*cell_centre(4, 6)))
            pex.wait_for(changed_from(before), what="the pointer over cell (4, 6), held")
        finally:
            pex.x("mouseup", 1)
        pex.click_seen(*at(*cell_centre(2, 3)))
        pex.move(*at(620, 400))
        pex.press_key("Escape", layout(in_menu), what="the menu after the editor")
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[2][3] = 1
        self.assertEqual(read_level(pex.path("level", "default", "1.txt")), expected)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)


if __name__ == "__main__":
    unittest.main()
