"""The shipped pictures as the engine loads and draws them: the picture viewer
shows the six textures in a real window, and the screenshot is checked and
kept as picview.png in the temporary folder's pex-e2e-artifacts for a look
by eye."""

import os
import subprocess
import unittest

from pexe2e import BUILD_DIR, SOURCE_DIR, PexTestCase, artifact_path, brightness

PICVIEW = os.path.join(BUILD_DIR, "tools", "picview", "picview")
PICTURES = os.path.join(SOURCE_DIR, "data", "pic")

# Where the viewer puts each picture's top-left corner in its 1024 x 768 window.
FONT, MENU, TILES, EDITOR = (0, 0), (256, 0), (512, 0), (768, 0)
SPLASH, GUI = (0, 272), (704, 272)


def is_checker(pixel):
    """The viewer's grey checker board, seen through transparent pixels."""
    return pixel in ((96, 96, 96), (128, 128, 128))


def bright_count(shot, x, y, width, height, level=200):
    return sum(1 for row in range(y, y + height) for col in range(x, x + width)
               if brightness(shot.pixel(col, row)) >= level)


class PicturesTest(PexTestCase):
    def start_viewer(self):
        # The viewer's private folder holds a copy of the pictures.
        viewer = self.pex(app_dir=PICTURES)
        viewer.stdout = open(os.path.join(viewer.work, "stdout.txt"), "wb")
        viewer.stderr = open(os.path.join(viewer.work, "stderr.txt"), "wb")
        self.addCleanup(viewer.stdout.close)
        self.addCleanup(viewer.stderr.close)
        viewer.proc = subprocess.Popen([PICVIEW, viewer.app], cwd=viewer.work, env=viewer.env,
                                       stdout=viewer.stdout, stderr=viewer.stderr,
                                       stdin=subprocess.DEVNULL)
        viewer.wid = viewer.find_window("Pex pictures")
        viewer.focus()
        return viewer

    def test_viewer_shows_the_six_pictures_upright_with_their_transparency(self):
        viewer = self.start_viewer()
        # The splash title is drawn once the first frame has run.
        shot = viewer.wait_for(
            lambda s: bright_count(s, SPLASH[0] + 150, SPLASH[1] + 40, 340, 140) > 1000,
            what="the splash picture")
        shot.save_png(artifact_path("picview.png"))

        # Font: the space cell is transparent; "T" is white and upright, its
        # bar in the top rows of the cell.
        self.assertTrue(all(is_checker(shot.pixel(FONT[0] + x, FONT[1] + 32 + y))
                            for y in range(16) for x in range(16)))
        tx, ty = FONT[0] + 4 * 16, FONT[1] + 5 * 16
        self.assertGreater(bright_count(shot, tx, ty, 16, 4),
                           2 * bright_count(shot, tx, ty + 8, 16, 4))

        # Menu: the background stones are opaque grey; the arrow's corner is clear.
        r, g, b = shot.mean(MENU[0] + 8, MENU[1] + 72, 100, 48)
        self.assertLess(max(r, g, b) - min(r, g, b), 12)
        self.assertTrue(is_checker(shot.pixel(MENU[0] + 0, MENU[1] + 160)))

        # Tiles: the brick cell is red, the steel cell blue-grey.
        r, g, b = shot.mean(TILES[0] + 16, TILES[1], 16, 16)
        self.assertGreater(r, g + 40)
        r, g, b = shot.mean(TILES[0] + 32, TILES[1], 16, 16)
        self.assertGreater(b, r)

        # Editor: the cursor frame surrounds a transparent hole.
        self.assertTrue(all(is_checker(shot.pixel(EDITOR[0] + x, EDITOR[1] + y))
                            for y in range(16, 32) for x in range(16, 32)))
        self.assertFalse(is_checker(shot.pixel(EDITOR[0] + 15, EDITOR[1] + 20)))

        # Pointer: the magenta key is gone and the tip is the dark outline.
        self.assertLess(brightness(shot.pixel(GUI[0] + 16, GUI[1] + 16)), 60)
        self.assertTrue(is_checker(shot.pixel(GUI[0] + 15, GUI[1] + 16)))
        self.assertFalse(any(shot.pixel(GUI[0] + x, GUI[1] + y) == (255, 0, 255)
                             for y in range(64) for x in range(64)))

        # Splash: the warm title letters are in the top half of the picture.
        r, g, b = shot.mean(SPLASH[0] + 150, SPLASH[1] + 40, 340, 140)
        self.assertGreater(r, b + 30)

        viewer.close_request()
        self.assertEqual(viewer.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
