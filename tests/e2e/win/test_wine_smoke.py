"""The Windows build under Wine, in a private Xvfb: pex.exe goes through its
screens, paints a cell in the editor and quits, writing its settings file and
the level; the session's end saves them as well; the demos recorded on Linux
replay to their digests; and a missing picture ends it through the
"Application Error" box.

Needs the Wine that CTest's fixture "wine" sets up (tests/win: WINEPREFIX and
a running Wine server) and PEX_APP_DIR naming a Windows application folder.
"""

import os
import re
import subprocess
import time
import unittest

from pexe2e import (DEMO_DIR, Pex, PexTestCase, editor_at_rest, expected_line, in_game,
                    in_menu, in_splash, menu_at_rest)
from test_screens import (CELL, COLUMNS, LEVEL_TOP, ROWS, current_row,
                          empty_level_text, read_level)

WINE = os.environ.get("PEX_WINE", "wine")
# Sends a program's windows what Windows sends them when the session ends.
END_SESSION = os.environ.get("PEX_END_SESSION", "end-session.exe")
DEFAULT_SETTINGS = b"[Screen]\r\nFullScreen=0\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\n\r\n"


def displayless_desktops():
    """The process ids of this Wine prefix's desktop processes that run without
    a display. The desktop process serves every program of the prefix and
    gives them its own display driver, so a program started while one lingers
    (the fixture's start and the unit tests leave one behind for a few seconds)
    gets no display at all."""
    prefix = os.environ.get("WINEPREFIX", "").encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if b"explorer.exe" not in f.read():
                    continue
            with open("/proc/%s/environ" % pid, "rb") as f:
                env = dict(v.split(b"=", 1) for v in f.read().split(b"\0") if b"=" in v)
        except OSError:
            continue  # ended meanwhile, or another user's
        if env.get(b"WINEPREFIX", b"") == prefix and not env.get(b"DISPLAY"):
            found.append(int(pid))
    return found


class WinePex(Pex):
    """pex.exe under Wine: a starter named pex beside it runs it through Wine, so
    that the process the harness starts, waits for and ends is the program."""

    def __init__(self, xvfb):
        super().__init__(xvfb)
        deadline = time.monotonic() + 60
        while displayless_desktops():
            if time.monotonic() > deadline:
                raise RuntimeError("Wine's desktop without a display did not end: %s"
                                   % displayless_desktops())
            time.sleep(0.2)
        starter = os.path.join(self.app, "pex")
        with open(starter, "w") as f:
            f.write('#!/bin/sh\nexec "%s" "$(dirname "$0")/pex.exe" "$@"\n' % WINE)
        os.chmod(starter, 0o755)

    # Wine draws the frame of an unmanaged window itself; the picture is in a
    # child window, which is what the screenshots and the pointer use.
    def client(self):
        tree = subprocess.run(["xwininfo", "-tree", "-id", str(self.wid)], env=self.env,
                              capture_output=True, text=True).stdout
        children = re.findall(r"^\s*(0x[0-9a-f]+) .*?(\d+)x(\d+)[+-]\d+[+-]\d+", tree, re.M)
        if not children:
            return self.wid
        wid, _, _ = max(children, key=lambda c: int(c[1]) * int(c[2]))
        return int(wid, 16)

    def geometry(self, wid=None):
        if wid is not None and wid != self.wid:
            return super().geometry(wid)
        info = subprocess.run(["xwininfo", "-id", str(self.client())], env=self.env,
                              capture_output=True, text=True).stdout
        values = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s*(-?\d+)",
                                 info, re.M))
        try:
            return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                    int(values["Width"]), int(values["Height"]))
        except KeyError:
            return None

    def screenshot(self):
        """The picture of the child window alone, so that the screens' pixel
        positions are the same as in the Linux build."""
        if getattr(self, "client_of", None) != self.wid:
            self.client_of, self.client_wid = self.wid, self.client()
        top = self.wid
        self.wid = self.client_wid
        try:
            return super().screenshot()
        finally:
            self.wid = top

    def move(self, x, y):
        self.x("mousemove", "--window", self.client(), x, y)
        time.sleep(0.05)

    def windows_titled(self, title):
        """Ids of the windows anywhere in the tree with exactly this title: Wine
        may keep its top-level windows below a window of its own."""
        tree = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env,
                              capture_output=True, text=True).stdout
        found = []
        for line in tree.splitlines():
            match = re.match(r'\s*(0x[0-9a-f]+) "(.*)": ', line)
            if match and match.group(2) == title:
                found.append(int(match.group(1), 16))
        return found


class WineSmokeTest(PexTestCase):
    def wine_pex(self):
        pex = WinePex(self.xvfb)
        self.addCleanup(pex.stop)
        return pex

    def test_screens_editor_and_files(self):
        pex = self.wine_pex()
        os.remove(pex.path("pex.ini"))
        level = pex.path("level", "default", "1.txt")
        with open(level, "wb") as f:
            f.write(empty_level_text())
        pex.start()
        pex.wait_window()
        self.assertEqual(pex.geometry()[2:], (640, 480))
        pex.wait_for(in_splash, timeout=60, what="the splash picture")
        # Splash -> menu -> game -> menu -> editor, each screen waited for until
        # its fade-in has ended, when keys act again.
        pex.press_key("Escape", menu_at_rest, what="the menu")
        pex.press_key("Return", in_game, what="the game screen")
        pex.press_key("Escape", menu_at_rest, what="the menu after the game")
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Return", editor_at_rest, what="the editor")
        # Brush: brick; paint the cell of row 4, column 6.
        pex.click_seen(300, 300, button=3)
        pex.click_seen(CELL * 6 + CELL // 2, LEVEL_TOP + CELL * 4 + CELL // 2)
        pex.move(620, 400)
        pex.press_key("Escape", in_menu, what="the menu after the editor")
        expected = [[0] * COLUMNS for _ in range(ROWS)]
        expected[4][6] = 1
        self.assertEqual(read_level(level), expected)
        with open(level, "rb") as f:
            self.assertEqual(f.read(), empty_level_text().replace(
                b"row\t4" + b"\t0" * 7, b"row\t4" + b"\t0" * 6 + b"\t1"))
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)
        self.assertEqual(sorted(n for n in os.listdir(pex.path("level", "default"))), ["1.txt"])

    def test_session_end_saves_the_level_and_the_settings(self):
        pex = self.wine_pex()
        os.remove(pex.path("pex.ini"))
        level = pex.path("level", "default", "1.txt")
        with open(level, "wb") as f:
            f.write(empty_level_text())
        pex.start()
        pex.wait_window()
        pex.press_key("Escape", menu_at_rest, what="the menu")
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Return", editor_at_rest, what="the editor")
        pex.click_seen(300, 300, button=3)
        pex.click_seen(CELL * 6 + CELL // 2, LEVEL_TOP + CELL * 4 + CELL // 2)
        told = subprocess.run([WINE, END_SESSION, "Pex"], env=pex.env, capture_output=True,
                              text=True, timeout=300)
        self.assertEqual(told.returncode, 0, told.stderr)
        self.assertEqual(pex.wait_exit(60), 0)
        self.assertEqual(read_level(level)[4][6], 1)
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)
        # Wine adds lines of its own (a missing 32-bit part); pex's are these.
        said = [line for line in pex.stderr_text().splitlines() if line.startswith("pex: ")]
        self.assertEqual(said, ["pex: the Windows session is ending; ending as on a termination "
                                "signal"])

    def test_demos_recorded_on_linux_replay_to_the_same_digests(self):
        """The demos of the Linux real-window tests, played by pex.exe: the same
        frames and the same final state, on another system and compiler."""
        names = sorted(n[:-4] for n in os.listdir(DEMO_DIR) if n.endswith(".dem"))
        self.assertIn("walk", names)
        for name in names:
            with self.subTest(demo=name):
                pex = self.wine_pex()
                pex.play(name)
                self.assertEqual(pex.wait_exit(600), 0, pex.stderr_text())
                # Windows ends the printed line with CR LF.
                self.assertEqual(pex.stdout_text().replace("\r\n", "\n"), expected_line(name))
                self.assertNotIn("demo:", pex.stderr_text())

    def test_missing_picture_shows_the_error_box_and_exits_with_code_1(self):
        pex = self.wine_pex()
        os.remove(pex.path("pic", "gui.tga"))
        pex.start()
        box = pex.find_window("Application Error", timeout=60)
        self.assertTrue(pex.running(), "the box is modal: the program waits for it")
        # Wine shows the folder as drive Z:, with the system's separator.
        picture = "Z:" + pex.path("pic", "gui.tga").replace("/", "\\")
        self.assertIn('Application Error: Cannot open file "%s". No such file or directory'
                      % picture, pex.stderr_text())
        # The box's own button: Return presses it.
        pex.wid = box
        pex.focus()
        self.assertEqual(pex.press_key_to_exit("Return"), 1)
        # The settings file is still written.
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)


if __name__ == "__main__":
    unittest.main()
