"""Start-up, the settings file and the error box, with the real program."""

import os
import unittest

from pexe2e import PexTestCase, wait_for_splash

DEFAULT_SETTINGS = b"[Screen]\r\nFullScreen=0\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\n\r\n"


class StartupTest(PexTestCase):
    def test_normal_start_fades_in_the_splash_and_writes_the_settings_file(self):
        pex = self.pex()
        os.remove(pex.path("pex.ini"))
        pex.start()
        pex.wait_window()
        # The splash shows (its fade from black is checked with the window).
        wait_for_splash(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)

    def test_window_size_comes_from_the_settings_file_and_a_side_too_long_is_corrected(self):
        pex = self.pex()
        with open(pex.path("pex.ini"), "wb") as f:
            f.write(b"[Screen]\r\nWidth=800\r\nHeight=100000\r\n[Other]\r\nKey=kept\r\n")
        pex.start()
        pex.wait_window()
        self.assertEqual(pex.geometry()[2:], (800, 480))
        self.assertEqual(pex.stderr_text(), "pex: the setting Height=100000 is more than 16384 "
                                            "pixels; 480 is used instead\n")
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[Screen]\r\nWidth=800\r\nHeight=480\r\nFullScreen=0\r\n"
                                       b"BPP=32\r\n\r\n[Other]\r\nKey=kept\r\n\r\n")

    def test_missing_picture_shows_the_error_box_and_exits_with_code_1(self):
        pex = self.pex()
        os.remove(pex.path("pic", "gui.tga"))
        os.remove(pex.path("pex.ini"))
        pex.start()
        box = pex.find_window("Application Error", timeout=60)
        self.assertTrue(pex.running(), "the box is modal: the program waits for it")
        message = pex.stderr_text()
        self.assertIn('Cannot open file "%s". No such file or directory'
                      % pex.path("pic", "gui.tga"), message)
        pex.close_request(box)
        self.assertEqual(pex.wait_exit(), 1)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)

    def test_missing_menu_script_ends_start_up_before_the_window_opens(self):
        pex = self.pex()
        os.remove(pex.path("main.menu"))
        pex.start()
        box = pex.find_window("Application Error", timeout=60)
        self.assertIn("main.menu", pex.stderr_text())
        self.assertEqual(pex.windows_titled("Pex"), [])
        pex.close_request(box)
        self.assertEqual(pex.wait_exit(), 1)
        self.assertTrue(os.path.exists(pex.path("pex.ini")))

    def test_unwritable_settings_file_ends_through_the_error_path(self):
        pex = self.pex()
        # A folder where the settings file should be: it can be neither read nor
        # replaced, whoever runs the test.
        os.remove(pex.path("pex.ini"))
        os.mkdir(pex.path("pex.ini"))
        pex.start()
        pex.wait_window()
        pex.press_key("F10", lambda: pex.windows_titled("Application Error"),
                      what="the error box", screen=False)
        box = pex.find_window("Application Error", timeout=60)
        self.assertIn("pex.ini", pex.stderr_text())
        pex.close_request(box)
        self.assertEqual(pex.wait_exit(), 1)


if __name__ == "__main__":
    unittest.main()
