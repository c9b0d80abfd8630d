"""The window, the frame loop and the ways the program ends, in a real window."""

import os
import signal
import time
import unittest

from pexe2e import Pex, PexTestCase, brightness, splash_at_rest


class WindowTest(PexTestCase):
    def test_opens_a_640_by_480_window_titled_pex_that_starts_black(self):
        pex = self.pex().start()
        # The first switch fades out over the empty start state, and the splash
        # then fades in slowly: the picture is the fade's black for the first
        # fifty-odd frames. The program is stopped as soon as its window shows,
        # so that the screenshot is taken within those frames however busy the
        # machine is.
        deadline = time.time() + 60
        while not pex.visible_windows_titled("Pex"):
            self.assertTrue(pex.running(), "pex ended before its window appeared")
            self.assertLess(time.time(), deadline, "no window titled Pex within 60 s")
        os.kill(pex.proc.pid, signal.SIGSTOP)
        try:
            pex.wid = pex.find_window("Pex")
            self.assertEqual(pex.window_name(), "Pex")
            self.assertEqual(pex.geometry()[2:], (640, 480))
            shot = pex.screenshot()
        finally:
            os.kill(pex.proc.pid, signal.SIGCONT)
        self.assertLess(brightness(shot.mean(0, 0, 640, 480)), 8)
        # And the splash emerges from it.
        pex.focus()
        pex.wait_for(splash_at_rest, timeout=120, what="the splash after its fade-in")
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_f10_ends_the_program_with_code_0(self):
        pex = self.pex().start()
        pex.wait_window()
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
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
