"""The window, the frame loop and the ways the program ends, in a real window."""

import os
import unittest

from pexe2e import Pex, PexTestCase, brightness


class WindowTest(PexTestCase):
    def test_opens_a_640_by_480_window_titled_pex_that_starts_black(self):
        pex = self.pex().start()
        pex.wait_window()
        self.assertEqual(pex.window_name(), "Pex")
        self.assertEqual(pex.geometry()[2:], (640, 480))
        # The first switch fades out over the empty start state: the picture is
        # the fade's black over the black clear colour.
        shot = pex.screenshot()
        self.assertLess(brightness(shot.mean(0, 0, 640, 480)), 8)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_f10_ends_the_program_with_code_0(self):
        pex = self.pex().start()
        pex.wait_window()
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)
        self.assertTrue(os.path.exists(pex.path("pex.ini")))

    def test_close_request_ends_the_program_with_code_0(self):
        pex = self.pex().start()
        pex.wait_window()
        pex.close_request()
        self.assertEqual(pex.wait_exit(), 0)

    def test_without_a_display_it_exits_with_a_clear_message(self):
        pex = Pex(None)
        self.addCleanup(pex.stop)
        pex.start()
        self.assertEqual(pex.wait_exit(60), 1)
        self.assertIn("Application Error: Cannot open a 640 x 480 window", pex.stderr_text())
        # The settings file is still written on the error path.
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertIn(b"[Screen]\r\n", f.read())


if __name__ == "__main__":
    unittest.main()
