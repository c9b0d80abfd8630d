"""The Debian package as a user gets it: installed with dpkg, /usr/games/pex run
under a private Xvfb as an ordinary user with a fresh home (user 65534 when
the tests run as root), through the splash, the menu, the game and the editor;
the settings file and the level land in the user's data folder, the installed
files stay as they were; then the package is removed without a trace.

Installing needs root (or sudo without a password); a pex package installed
already is left alone and the test skipped.
"""

import os
import shutil
import subprocess
import tempfile
import unittest

from pexe2e import NOBODY, Pex, PexTestCase, changed_from, editor_at_rest, in_game, in_menu, \
    menu_at_rest, unprivileged, wait_for_splash
from test_screens import CELL, LEVEL_TOP, current_row, read_level

DEB = os.environ.get("PEX_DEB", "")
DEFAULT_SETTINGS = b"[Screen]\r\nFullScreen=0\r\nWidth=640\r\nHeight=480\r\nBPP=32\r\n\r\n"
INSTALLED = ["/usr/games/pex", "/usr/lib/games/pex", "/usr/share/games/pex"]
SKIP = 77  # CTest's SKIP_RETURN_CODE for this test


def as_root(command):
    return command if os.geteuid() == 0 else ["sudo", "-n"] + command


def package_status():
    """dpkg's status of the package pex, "" when dpkg does not know it."""
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "pex"], capture_output=True,
                            text=True)
    return result.stdout.strip() if result.returncode == 0 else ""


def window_icon_sides(pex):
    """The sides of the pictures in the window's _NET_WM_ICON, and the first
    picture's top-left and centre pixels as ARGB values."""
    # The property's numbers as they are, not xprop's drawing of the icon.
    out = subprocess.run(["xprop", "-id", str(pex.wid), "-notype", "-f", "_NET_WM_ICON", "32c",
                          " = $0+", "_NET_WM_ICON"],
                         env=pex.env, capture_output=True, text=True).stdout
    values = [int(v, 0) for v in out.split("=", 1)[1].split(",")] if "=" in out else []
    sides, pixels, at = [], None, 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        if pixels is None:
            first = values[at + 2:at + 2 + width * height]
            pixels = (first[0], first[(height // 2) * width + width // 2])
        sides.append((width, height))
        at += 2 + width * height
    return sides, pixels


def tree_state(top):
    """Every path under top with its kind, size, mode and link target."""
    state = {}
    for folder, dirs, files in os.walk(top):
        for name in [folder] + [os.path.join(folder, n) for n in dirs + files]:
            info = os.lstat(name)
            link = os.readlink(name) if os.path.islink(name) else None
            state[name] = (info.st_mode, info.st_size, info.st_mtime_ns, link)
    return state


class InstalledPex(Pex):
    """/usr/games/pex, run as an ordinary user whose home is a fresh folder."""

    def __init__(self, xvfb):
        nothing = tempfile.mkdtemp(prefix="pex-deb-")  # no application folder to copy
        try:
            super().__init__(xvfb, app_dir=nothing)
        finally:
            shutil.rmtree(nothing)
        self.home = os.path.join(self.work, "home")
        os.mkdir(self.home)
        self.env["HOME"] = self.home
        self.env.pop("XDG_DATA_HOME", None)
        if os.geteuid() == 0:
            os.chmod(self.work, 0o755)
            os.chown(self.home, NOBODY, NOBODY)

    def data(self, *parts):
        return os.path.join(self.home, ".local", "share", "pex", *parts)

    def command(self, args):
        return unprivileged(["/usr/games/pex"] + list(args))

    def start(self, args=()):
        return super().start(args, cwd=self.home)


class DebianPackageTest(PexTestCase):
    def test_installs_runs_as_a_user_and_removes_cleanly(self):
        self.assertTrue(os.path.isfile(DEB), "no package at PEX_DEB=%r" % DEB)
        subprocess.run(as_root(["dpkg", "-i", DEB]), check=True, stdout=subprocess.DEVNULL)
        try:
            self.check_installed_program()
        finally:
            subprocess.run(as_root(["dpkg", "--purge", "pex"]), check=True,
                           stdout=subprocess.DEVNULL)
        self.assertEqual(package_status(), "")
        for path in INSTALLED:
            self.assertFalse(os.path.lexists(path), "%s is left after the removal" % path)

    def check_installed_program(self):
        self.assertEqual(package_status(), "install ok installed")
        self.assertEqual(os.path.realpath("/usr/games/pex"), "/usr/lib/games/pex/pex")
        installed = {top: tree_state(top) for top in INSTALLED[1:]}

        pex = InstalledPex(self.xvfb)
        self.addCleanup(pex.stop)
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        # The window carries the hero as its icon: clear corners, an opaque middle.
        sides, pixels = window_icon_sides(pex)
        self.assertEqual(sides, [(16, 16), (32, 32), (48, 48)])
        self.assertEqual(pixels[0] >> 24, 0)
        self.assertEqual(pixels[1] >> 24, 255)
        pex.press_key("Escape", menu_at_rest, timeout=120, what="the menu")
        pex.press_key("Return", in_game, timeout=120, what="the game screen")
        pex.press_key("Escape", menu_at_rest, timeout=120, what="the menu after the game")
        pex.press_key("Down", current_row(1), what="the editor item selected")
        pex.press_key("Return", editor_at_rest, timeout=120, what="the editor")
        # F11 clears the shipped level; then a brick (the brush's next kind)
        # goes into row 4, column 6.
        pex.press_key("F11", changed_from(pex.screenshot()), what="the level cleared")
        pex.click_seen(300, 300, button=3)
        pex.click_seen(CELL * 6 + CELL // 2, LEVEL_TOP + CELL * 4 + CELL // 2)
        pex.move(620, 400)
        pex.press_key("Escape", in_menu, timeout=120, what="the menu after the editor")
        self.assertEqual(pex.press_key_to_exit("F10"), 0, pex.stderr_text())

        # The user's files in the user's folder, for the user alone.
        with open(pex.data("pex.ini"), "rb") as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)
        level = read_level(pex.data("level", "default", "1.txt"))
        self.assertEqual(level[4][6], 1)
        self.assertEqual(sum(map(sum, level)), 1, "the cleared level holds the one brick")
        shipped = read_level("/usr/share/games/pex/level/default/1.txt")
        self.assertEqual((len(level), len(level[0])), (len(shipped), len(shipped[0])))
        self.assertGreater(sum(map(sum, shipped)), 1, "the shipped level was not the one saved")
        self.assertEqual(os.stat(pex.data()).st_mode & 0o777, 0o700)
        # The installed files are untouched.
        for top, state in installed.items():
            self.assertEqual(tree_state(top), state, "%s changed" % top)


if __name__ == "__main__":
    if not DEB:
        print("PEX_DEB names no package")
        raise SystemExit(2)
    if os.geteuid() != 0 and subprocess.run(["sudo", "-n", "true"],
                                            capture_output=True).returncode != 0:
        print("installing a package needs root or sudo without a password: skipped")
        raise SystemExit(SKIP)
    if package_status():
        print("a pex package is installed already (%s): left alone, skipped" % package_status())
        raise SystemExit(SKIP)
    unittest.main()
