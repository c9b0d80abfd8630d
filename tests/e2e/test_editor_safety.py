"""The editor never loses the user's work, with the real program and real X
events: Ctrl+Z brings back what F11 cleared, a level file pex cannot read is
kept when the editor saves over it, a termination signal and the display's loss
end pex the way F10 does (level and settings saved, exit code 0), a second SIGINT ends it at once
with the files on disk whole and no temporary file left, and nothing pex
started (the error box, its window) outlives it.
"""

import os
import shutil
import signal
import tempfile
import time
import unittest

from pexe2e import PexTestCase, in_editor, in_menu, in_splash
from test_screens import (COLUMNS, ROWS, CELL, LEVEL_TOP, cell_centre, empty_level_text,
                          read_level)

# pex keeps a termination signal ignored when it starts with it ignored (as under
# nohup); a test runner started in the background may hand that on, so the
# children of this process get the default dispositions.
signal.signal(signal.SIGINT, signal.default_int_handler)
signal.signal(signal.SIGTERM, signal.SIG_DFL)
signal.signal(signal.SIGHUP, signal.SIG_DFL)

PARK = (620, 100)  # pointer position away from the cells the tests look at
PARK_CELL = (0, 19)  # the cell under it, where the brush preview shows
WINDOW = (0, 0, 640, 480)
PAINTED = [(2, 3), (5, 10), (7, 6)]
BRICK = 1


def cell_pixels(shot, row, column):
    return shot.crop(CELL * column, LEVEL_TOP + CELL * row, CELL, CELL).data


def difference(a, b):
    """Mean difference per colour byte of two equal-sized pixel runs."""
    return sum(abs(x - y) for x, y in zip(a, b)) / len(a)


def level_text(grid):
    """The level file the program writes for grid."""
    lines = ["mole_ladder.level", "height %d" % len(grid), "width %d" % len(grid[0]), "data"]
    for row, cells in enumerate(grid):
        lines.append("row\t%d" % row + "".join("\t%d" % v for v in cells))
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def caught_signals(pid):
    """The set of signals the process has a handler for, from /proc."""
    return signal_set(pid, "SigCgt:")


def pending_signals(pid):
    """The signals sent to the process and not yet delivered, from /proc."""
    return signal_set(pid, "SigPnd:") | signal_set(pid, "ShdPnd:")


def signal_set(pid, field):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith(field):
                    mask = int(line.split()[1], 16)
                    return {n for n in range(1, 65) if mask & (1 << (n - 1))}
    except OSError:
        pass
    return set()


def descendants(pid):
    """The processes started by pid, and by them, from /proc."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open("/proc/%s/stat" % name) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(name))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


class EditorSafetyTest(PexTestCase):
    def start(self, level, env=None):
        pex = self.pex(env=env)
        with open(self.level_path(pex), "wb") as f:
            f.write(level)
        pex.start()
        pex.wait_window()
        pex.wait_for(in_splash, timeout=60, what="the splash picture")
        return pex

    @staticmethod
    def level_path(pex):
        return pex.path("level", "default", "1.txt")

    @staticmethod
    def wait_still(pex, box, what):
        """Waits until two screenshots in a row show the same pixels in box."""
        seen = []

        def still(shot):
            seen.append(shot.crop(*box).data)
            return len(seen) >= 2 and seen[-1] == seen[-2]

        return pex.wait_for(still, timeout=60, what=what)

    def menu_key(self, pex, key, predicate=None, what=None):
        """Presses key on the menu once it is still, until the menu changes."""
        before = self.wait_still(pex, WINDOW, "a still menu").crop(*WINDOW).data
        changed = predicate or (lambda shot: shot.crop(*WINDOW).data != before)
        return pex.press_key(key, changed, what=what or "the menu after " + key)

    def enter_editor(self, pex, from_setup=False):
        """From the menu's first row (or from its setup row) into the editor,
        with the pointer parked; returns the still editor screen."""
        self.menu_key(pex, "Up" if from_setup else "Down")
        self.menu_key(pex, "Return", in_editor, "the editor")
        pex.move(*PARK)
        return self.wait_still(pex, WINDOW, "the editor after its fade-in")

    def toggle_fullscreen(self, pex):
        """Ticks the full-screen checkbox of the setup submenu and goes back up
        to the setup row, checking on screen that the tick arrived."""
        self.menu_key(pex, "Down")
        self.menu_key(pex, "Down")
        self.menu_key(pex, "Return")
        box = (208, 152, 32, 32)
        before = pex.screenshot().crop(*box).data
        self.menu_key(pex, "Return", lambda shot: shot.crop(*box).data != before,
                      "the ticked checkbox")
        self.menu_key(pex, "Escape")

    def paint(self, pex, before, park_cell=PARK_CELL):
        """Picks the brick brush and paints the cells of PAINTED, each confirmed
        on screen; returns the screen with all of them painted. park_cell is
        where the brush preview shows for the parked pointer: the cell under
        it, or the last column's when the grid ends to its left."""
        row, column = park_cell
        pex.press_button(3, lambda shot: difference(cell_pixels(shot, row, column),
                                                    cell_pixels(before, row, column)) > 10,
                         what="the brick brush under the pointer")
        for row, column in PAINTED:
            # A painted cell shows only once the pointer has left it (the brush
            # preview covers the cell under it); a click that was not seen is
            # made again, and painting a cell twice with one kind is no change.
            for attempt in range(10):
                pex.click(*cell_centre(row, column))
                pex.move(*PARK)
                try:
                    pex.wait_for(lambda shot: difference(cell_pixels(shot, row, column),
                                                         cell_pixels(before, row, column)) > 10,
                                 timeout=5, what="the painted cell %d, %d" % (row, column))
                    break
                except AssertionError:
                    if attempt == 9 or not pex.running():
                        raise
        return self.wait_still(pex, WINDOW, "the painted level")

    def expected_grid(self):
        grid = [[0] * COLUMNS for _ in range(ROWS)]
        for row, column in PAINTED:
            grid[row][column] = BRICK
        return grid

    # ---- Undo ----------------------------------------------------------------------

    def test_ctrl_z_brings_back_the_cells_f11_cleared(self):
        pex = self.start(empty_level_text())
        pex.press_key("Escape", in_menu, what="the menu")
        empty = self.enter_editor(pex)
        painted = self.paint(pex, empty)

        pex.press_key("F11",
            lambda shot: all(difference(cell_pixels(shot, r, c), cell_pixels(empty, r, c)) < 3
                             for r, c in PAINTED),
            "the cleared cells")
        # Held together over several frames, Ctrl+Z still acts once.
        pex.press_key(["ctrl", "z"],
            lambda shot: all(difference(cell_pixels(shot, r, c), cell_pixels(painted, r, c)) < 3
                             for r, c in PAINTED),
            "the cells brought back by Ctrl+Z")

        pex.press_key("Escape", in_menu, "the menu after the editor")
        self.assertEqual(read_level(self.level_path(pex)), self.expected_grid())
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_level_file_pex_cannot_read_is_kept_when_the_editor_saves_over_it(self):
        # A byte-order mark in front: the editor shows its empty grid, and
        # leaving it saves that grid, but the user's file is not lost.
        marked = b"\xef\xbb\xbf" + level_text(self.expected_grid())
        pex = self.start(marked)
        pex.press_key("Escape", in_menu, what="the menu")
        self.enter_editor(pex)
        pex.press_key("Escape", in_menu, "the menu after the editor")
        path = self.level_path(pex)
        with open(path + ".unreadable", "rb") as f:
            self.assertEqual(f.read(), marked)
        self.assertEqual(read_level(path), [[0] * COLUMNS for _ in range(ROWS)])
        self.assertIn('pex: the level file "%s" could not be read as a level; its bytes are kept '
                      'as "%s.unreadable"' % (path, path), pex.stderr_text())
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    # ---- A killed program ----------------------------------------------------------------

    def test_kill_9_in_the_editor_loses_nothing_the_journal_had(self):
        state = os.path.join(self.state_folder(), "state")
        pex = self.start(empty_level_text(), env={"XDG_STATE_HOME": state})
        pex.press_key("Escape", in_menu, what="the menu")
        self.paint(pex, self.enter_editor(pex))
        painted = level_text(self.expected_grid())

        def journal():
            folder = os.path.join(state, "pex")
            for name in os.listdir(folder) if os.path.isdir(folder) else ():
                with open(os.path.join(folder, name), "rb") as f:
                    if f.read().endswith(painted):
                        return name
            return None

        name = pex.wait_file(journal, what="the journal with every painted cell")
        pex.proc.kill()
        pex.wait_exit(60)
        self.assertEqual(read_level(self.level_path(pex)), [[0] * COLUMNS for _ in range(ROWS)])

        # The next start says so, and the editor opens with the cells.
        pex.start()
        pex.wait_window()
        pex.wait_for(in_splash, timeout=60, what="the splash picture")
        self.assertIn("that were not saved when Pex last ended are restored", pex.stderr_text())
        pex.press_key("Escape", in_menu, what="the menu")
        self.enter_editor(pex)
        pex.press_key("Escape", in_menu, "the menu after the editor")
        self.assertEqual(read_level(self.level_path(pex)), self.expected_grid())
        self.assertFalse(os.path.exists(os.path.join(state, "pex", name)))
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def state_folder(self):
        folder = tempfile.mkdtemp(prefix="pex-state-")
        self.addCleanup(shutil.rmtree, folder, True)
        return folder

    # ---- Termination signals ----------------------------------------------------------

    def check_ends_like_f10(self, end):
        """Paints in the editor after ticking full screen, then end(pex)."""
        pex = self.start(empty_level_text())
        pex.press_key("Escape", in_menu, what="the menu")
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertIn(b"FullScreen=0", f.read())
        self.toggle_fullscreen(pex)
        empty = self.enter_editor(pex, from_setup=True)
        self.paint(pex, empty)

        end(pex)
        self.assertEqual(pex.wait_exit(60), 0)
        self.assertEqual(read_level(self.level_path(pex)), self.expected_grid())
        with open(pex.path("pex.ini"), "rb") as f:
            self.assertIn(b"FullScreen=1", f.read())
        return pex

    def test_sigterm_saves_the_level_and_the_settings(self):
        self.check_ends_like_f10(lambda pex: pex.proc.send_signal(signal.SIGTERM))

    def test_sigint_saves_the_level_and_the_settings(self):
        self.check_ends_like_f10(lambda pex: pex.proc.send_signal(signal.SIGINT))

    def test_lost_display_saves_the_level_and_the_settings(self):
        # The X server goes at once, as when the session's display closes.
        pex = self.check_ends_like_f10(lambda pex: self.xvfb.proc.kill())
        self.assertEqual(pex.stderr_text(), 'pex: the display "%s" was lost; ending as on a '
                                            'termination signal\n' % self.xvfb.display)

    def test_second_sigint_ends_at_once_and_leaves_whole_files(self):
        # A large level, so that its save takes a while: the second signal
        # comes while the new file is being written.
        rows, columns = 1500, 1500
        old_level = empty_level_text(rows, columns)
        grid = [[0] * columns for _ in range(rows)]
        for row, column in PAINTED:
            grid[row][column] = BRICK
        # The orderly end may finish before the second signal arrives; that run
        # proves nothing about the second signal, so the scenario is repeated.
        for attempt in range(5):
            pex = self.start(old_level)
            with open(pex.path("pex.ini"), "rb") as f:
                old_settings = f.read()
            pex.press_key("Escape", in_menu, what="the menu")
            empty = self.enter_editor(pex)
            self.paint(pex, empty, (0, PARK[0] // CELL))

            pid = pex.proc.pid
            self.assertIn(signal.SIGINT, caught_signals(pid))
            pex.proc.send_signal(signal.SIGINT)
            # The second signal is sent once the first was delivered: two
            # signals of a kind pending together would count as one.
            deadline = time.time() + 30
            while pex.running() and signal.SIGINT in pending_signals(pid):
                self.assertLess(time.time(), deadline, "the first SIGINT was never taken")
            if pex.running():
                pex.proc.send_signal(signal.SIGINT)
            code = pex.wait_exit(60)

            with open(self.level_path(pex), "rb") as f:
                level = f.read()
            self.assertTrue(level in (old_level, level_text(grid)), "the level is half-written")
            # A save the second signal cut short leaves no new file behind.
            self.assertEqual(os.listdir(os.path.dirname(self.level_path(pex))), ["1.txt"])
            self.assertEqual([n for n in os.listdir(pex.app) if n.startswith("pex.ini")],
                             ["pex.ini"])
            with open(pex.path("pex.ini"), "rb") as f:
                settings = f.read()
            self.assertTrue(settings == old_settings or
                            settings.startswith(b"[Screen]\r\n") and
                            settings.endswith(b"BPP=32\r\n"), settings)
            if code != 0:
                self.assertEqual(code, -signal.SIGINT)
                return
            pex.stop()
        self.fail("the orderly end always finished before the second SIGINT")

    def test_termination_signal_ends_the_program_and_its_box_while_the_box_waits(self):
        # No frame runs under the modal error box: the signal takes its usual
        # effect, and the box and the game's window go with the program.
        pex = self.pex()
        os.remove(pex.path("pic", "gui.tga"))
        pex.start()
        pex.find_window("Application Error", timeout=60)
        self.assertTrue(pex.running(), "the box is modal: the program waits for it")
        self.assertTrue(pex.windows_titled("Pex"))
        started = descendants(pex.proc.pid)
        self.assertTrue(started, "the box runs in a process of its own")
        pex.proc.send_signal(signal.SIGTERM)
        self.assertEqual(pex.wait_exit(60), -signal.SIGTERM)
        deadline = time.time() + 60
        while (pex.windows_titled("Application Error") or pex.windows_titled("Pex") or
               any(os.path.exists("/proc/%d" % pid) for pid in started)):
            self.assertLess(time.time(), deadline, "the box or its window outlived pex")
            time.sleep(0.2)


if __name__ == "__main__":
    unittest.main()
