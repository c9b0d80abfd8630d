"""What the real program says on standard error when the error box cannot be
shown, and when there is no sound device."""

import os
import unittest

from pexe2e import Pex, PexTestCase, Xvfb, wait_for_splash

BOX_REASON = "The error box cannot be shown: "


def stderr_lines(pex):
    return pex.stderr_text().splitlines()


class ErrorBoxUnavailableTest(unittest.TestCase):
    """The message comes first, then one line with SDL's reason for no box."""

    def check_message_then_reason(self, pex, message):
        lines = stderr_lines(pex)
        self.assertEqual(len(lines), 2, lines)
        self.assertEqual(lines[0], "Application Error: " + message)
        self.assertTrue(lines[1].startswith(BOX_REASON), lines)
        self.assertGreater(len(lines[1]), len(BOX_REASON), "the reason is given")

    def test_x_server_without_the_box_font(self):
        # Only the server's built-in fonts: "fixed" is not of the box's kind,
        # as on a machine without the X core font packages.
        xvfb = Xvfb(args=["-fp", "built-ins"])
        self.addCleanup(xvfb.stop)
        pex = Pex(xvfb)
        self.addCleanup(pex.stop)
        os.remove(pex.path("pic", "gui.tga"))
        pex.start()
        # No box to wait for: the program ends at once.
        self.assertEqual(pex.wait_exit(60), 1)
        self.check_message_then_reason(
            pex, 'Cannot open file "%s". No such file or directory' % pex.path("pic", "gui.tga"))

    def test_no_display_at_all(self):
        pex = Pex(None)  # no DISPLAY
        self.addCleanup(pex.stop)
        pex.env.pop("WAYLAND_DISPLAY", None)
        pex.start()
        self.assertEqual(pex.wait_exit(60), 1)
        lines = stderr_lines(pex)
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(lines[0].startswith("Application Error: "), lines)
        self.assertTrue(lines[1].startswith(BOX_REASON), lines)


class NoSoundDeviceTest(PexTestCase):
    def test_one_line_says_sound_is_off_and_the_game_runs_on(self):
        # ALSA with a device that does not exist, whatever this machine has.
        pex = self.pex(env={"SDL_AUDIODRIVER": "alsa", "AUDIODEV": "pex_no_such_pcm"})
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        lines = stderr_lines(pex)
        self.assertEqual(len(lines), 1, lines)
        self.assertTrue(lines[0].startswith("Sound is off: "), lines)
        self.assertIn("pex_no_such_pcm", lines[0])


if __name__ == "__main__":
    unittest.main()
