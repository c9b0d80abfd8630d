"""Window sides of 0 in the settings file, in a real window: both 0 open a
640 x 480 window, one 0 takes that side from the other at 4:3. The window is
centred at the size it got, and the settings file keeps what the user wrote."""

import unittest

from pexe2e import PexTestCase

DESKTOP = (1024, 768)  # the private X server's screen


def settings(width, height):
    return ("[Screen]\r\nFullScreen=0\r\nWidth=%d\r\nHeight=%d\r\nBPP=32\r\n"
            % (width, height)).encode()


class WindowSidesTest(PexTestCase):
    def test_zero_sides_open_as_the_version_2_call_opened_them(self):
        for asked, opened in (((0, 0), (640, 480)), ((800, 0), (800, 600)),
                              ((0, 300), (400, 300))):
            with self.subTest(asked=asked):
                pex = self.pex()
                with open(pex.path("pex.ini"), "wb") as f:
                    f.write(settings(*asked))
                pex.start()
                pex.wait_window()
                x, y, width, height = pex.geometry()
                self.assertEqual((width, height), opened)
                self.assertEqual((x, y), ((DESKTOP[0] - width) // 2, (DESKTOP[1] - height) // 2))
                # A close request stays pending until a frame sees it, even on a busy machine.
                pex.close_request()
                self.assertEqual(pex.wait_exit(60), 0)
                with open(pex.path("pex.ini"), "rb") as f:
                    written = [line for line in f.read().split(b"\r\n") if line]
                self.assertEqual(written, settings(*asked).split(b"\r\n")[:-1])
                pex.stop()


if __name__ == "__main__":
    unittest.main()
