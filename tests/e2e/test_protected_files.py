"""Files the user protected, and the executable replaced while the program runs,
with the real program.

Root may write any file, so when the tests run as root the program is started
as the unprivileged user 65534 (setpriv), in a copy of the application folder
that user owns. The X server accepts local clients of any user.
"""

import os
import shutil
import stat
import unittest

from pexe2e import NOBODY, Pex, PexTestCase, changed_from, in_editor, in_game, in_menu, \
    unprivileged, wait_for_splash
from test_screens import cell_centre, read_level

DEFAULT_SETTINGS = b"[Screen]\r\nFullScreen=0\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\n\r\n"


class UnprivilegedPex(Pex):
    """pex run as an ordinary user: as user 65534 when the tests run as root."""

    def __init__(self, xvfb, **kwargs):
        super().__init__(xvfb, **kwargs)
        self.env["HOME"] = self.work  # caches the libraries may write go here
        if os.geteuid() == 0:
            for folder, dirs, files in os.walk(self.work):
                for name in [folder] + [os.path.join(folder, n) for n in dirs + files]:
                    os.lchown(name, NOBODY, NOBODY)

    def command(self, args):
        return unprivileged(super().command(args))


def file_state(path):
    """Contents, mode, inode and change time: what any replacement would alter."""
    info = os.stat(path)
    with open(path, "rb") as f:
        return f.read(), stat.S_IMODE(info.st_mode), info.st_ino, info.st_ctime_ns


class ProtectedFilesTest(PexTestCase):
    def unprivileged_pex(self):
        pex = UnprivilegedPex(self.xvfb)
        self.addCleanup(pex.stop)
        return pex

    def expect_error_box(self, pex, message):
        box = pex.find_window("Application Error", timeout=60)
        self.assertTrue(pex.running(), "the box is modal: the program waits for it")
        self.assertIn(message, pex.stderr_text())
        pex.close_request(box)
        self.assertEqual(pex.wait_exit(), 1)

    def test_read_only_settings_file_that_holds_the_settings_is_no_error(self):
        # What counts is the settings, not the bytes: LF line ends, a comment,
        # keys left out that read as their defaults, another section.
        pex = self.unprivileged_pex()
        settings = pex.path("pex.ini")
        with open(settings, "wb") as f:
            f.write(b"; mine\n[Screen]\nWidth=640\nHeight=480\n\n[Mine]\nKept=1\n")
        os.chmod(settings, 0o444)
        before = file_state(settings)
        folder_before = sorted(os.listdir(pex.app))
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0, pex.stderr_text())
        self.assertEqual(file_state(settings), before)
        self.assertEqual(sorted(os.listdir(pex.app)), folder_before, "no file left behind")
        self.assertEqual(pex.stderr_text(), "")

    def test_read_only_level_file_keeps_the_painting_in_a_recovery_file(self):
        pex = self.unprivileged_pex()
        level = pex.path("level", "default", "1.txt")
        os.chmod(level, 0o444)
        before = file_state(level)
        os.remove(pex.path("pex.ini"))
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        pex.press_key("Escape", in_menu, what="the menu")
        pex.press_key("Down", changed_from(pex.screenshot()), what="the editor item")
        pex.press_key("Return", in_editor, what="the editor")
        pex.click_seen(400, 60, button=3)  # the brick brush
        pex.click_seen(*cell_centre(1, 10))  # a cell painted in open space
        pex.press_key("Escape", lambda: pex.windows_titled("Application Error"),
                      what="the save's error box", screen=False)
        recovery_folder = os.path.join(pex.work, ".local", "state", "pex")
        names = [n for n in os.listdir(recovery_folder) if ".recovered-" in n]
        self.assertEqual(len(names), 1, names)
        recovery = os.path.join(recovery_folder, names[0])
        self.expect_error_box(pex, 'Cannot create file "%s". Permission denied. The level was '
                                   'saved to "%s" instead.' % (level, recovery))
        self.assertEqual(read_level(recovery)[1][10], 1, "the painting is in the recovery file")
        self.assertEqual(file_state(level), before)
        self.assertEqual(os.listdir(os.path.dirname(level)), ["1.txt"], "no file left behind")
        # The settings file, which the user may write, is still written at the end.
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)


class NoHomeTest(PexTestCase):
    def test_user_without_a_home_plays_with_the_shipped_files(self):
        # A copy the user may not write into keeps the user's files in the home,
        # which cannot be made here (as for system users): pex says so once and
        # plays with the files it was shipped with, writing none of them.
        pex = UnprivilegedPex(self.xvfb)
        self.addCleanup(pex.stop)
        pex.env["HOME"] = "/nonexistent"
        before = {name: file_state(os.path.join(pex.app, name)) for name in ("pex.ini",)}
        os.chmod(pex.app, 0o555)
        self.addCleanup(os.chmod, pex.app, 0o755)
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        pex.press_key("Escape", in_menu, what="the menu")
        pex.press_key("Return", in_game, what="the game on the shipped level")
        pex.press_key("Escape", in_menu, what="the menu after the game")
        self.assertEqual(pex.press_key_to_exit("F10"), 0, pex.stderr_text())
        said = [line for line in pex.stderr_text().splitlines() if line.startswith("pex: ")]
        self.assertEqual(len(said), 1, said)
        self.assertIn('Cannot create folder "/nonexistent', said[0])
        self.assertIn("Pex plays with the files it was shipped with", said[0])
        self.assertEqual({name: file_state(os.path.join(pex.app, name)) for name in before},
                         before)


class ReplacedExecutableTest(PexTestCase):
    def test_settings_reach_pex_ini_after_the_executable_was_replaced(self):
        pex = self.pex()
        os.remove(pex.path("pex.ini"))
        pex.start()
        pex.wait_window()
        # A rebuild: a new file is renamed over the running one.
        executable = pex.path("pex")
        shutil.copy2(executable, executable + ".new")
        os.rename(executable + ".new", executable)
        self.assertTrue(os.readlink("/proc/%d/exe" % pex.proc.pid).endswith(" (deleted)"),
                        "the running file is gone")
        wait_for_splash(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)
        self.assertEqual([n for n in os.listdir(pex.app) if n.endswith(".ini")], ["pex.ini"])


if __name__ == "__main__":
    unittest.main()
