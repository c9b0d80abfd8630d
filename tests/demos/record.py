#!/usr/bin/env python3
"""Records the demos the real-window tests replay (tests/e2e/test_demos.py).

Each demo is a session of the real pex under a private Xvfb, driven by real X
key and mouse events, recorded with "pex --record". The demo goes to
tests/demos/NAME.dem and the line the recording printed at its end
("demo: frames=N digest=H") to tests/demos/NAME.out: a replay must print the
same line.

    tests/demos/record.py [NAME ...]      (default: every demo)

The application folder is build-tests/tests/e2e/app (PEX_APP_DIR), a fresh
copy of data/ as shipped with the program: replays run on the same files.
Re-record a demo only when the behaviour it shows is meant to change.

The demo "fall" is recorded live and then given a crafted clock: each frame's
clock readings are 0.125 s apart, so that every frame runs with DeltaTime at
its upper limit of exactly 0.1 s, where the hero pressing Down passes through
a one-cell floor. A live 0.1 s frame time cannot be had on demand under Xvfb.
The demo "pad" is the walk of "walk" recorded live with keys, whose Escape,
Enter, Left and Right are then crafted into a gamepad's buttons and stick
(craft_gamepad): no gamepad can be made under Xvfb. The one kept here was
crafted from walk.dem and replays to walk's outcome.
"""

import os
import re
import shutil
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
os.environ.setdefault("PEX_APP_DIR",
                      os.path.join(SOURCE_DIR, "build-tests", "tests", "e2e", "app"))
os.environ.setdefault("PEX_SOURCE_DIR", SOURCE_DIR)

import pexe2e  # noqa: E402
from pexe2e import in_editor, in_game, in_menu  # noqa: E402
from test_game import HERO_START_X, hero_right, hero_stopped, level_text  # noqa: E402
from test_screens import CELL, LEVEL_TOP  # noqa: E402


def bright(shot):
    return pexe2e.brightness(shot.mean(0, 0, 640, 480)) > 30


class Session:
    """pex --record into a demo, with helpers that act and wait for the result."""

    def __init__(self, xvfb, demo, level=None):
        self.pex = pexe2e.Pex(xvfb)
        p = self.pex
        if level is not None:
            shutil.copyfile(level, p.path("level", "default", "1.txt"))
        p.start(["--record", demo])
        p.wait_window()
        p.wait_for(bright, timeout=60, what="the splash picture")

    def until(self, key, predicate, what):
        """Presses key until predicate holds, then lets the fade-in end."""
        self.pex.press_key(key, predicate, what=what)
        time.sleep(0.5)

    def changed(self, key, what):
        """Presses key until the menu's picture changes."""
        before = self.pex.screenshot().data
        self.until(key, lambda shot: shot.data != before, what)

    def finish(self):
        """F10, then the line the recording printed."""
        code = self.pex.press_key_to_exit("F10")
        out = self.pex.stdout_text()
        if code != 0 or not re.fullmatch(r"demo: frames=\d+ digest=[0-9a-f]{16}\n", out):
            raise RuntimeError("recording ended with code %s, output %r:\n%s"
                               % (code, out, self.pex.stderr_text()))
        self.pex.stop()
        return out


def record_walk(s):
    """Splash, menu, the game: walk right and left; F10 ends it in the game."""
    s.until("Escape", in_menu, "the menu")
    s.until("Return", in_game, "the game")
    s.pex.keydown("Right")
    time.sleep(1.0)
    s.pex.keyup("Right")
    s.pex.keydown("Left")
    time.sleep(0.6)
    s.pex.keyup("Left")
    time.sleep(0.5)


def record_hero(s):
    """The game on a level with one floor (test_game's): once the hero stands on
    it, Right is held until the hero has walked a cell, then released while the
    enemy closes in; Escape to the menu."""
    s.until("Escape", in_menu, "the menu")
    s.until("Return", in_game, "the game")
    p = s.pex
    start = p.wait_for(lambda shot: hero_right(shot) >= HERO_START_X + 8,
                       what="the hero standing on the floor")
    p.keydown("Right")
    try:
        p.wait_for(lambda shot: hero_right(shot) >= hero_right(start) + 16,
                   what="the hero walking right")
    finally:
        p.keyup("Right")
    p.wait_for(hero_stopped(), what="the hero standing still")
    s.until("Escape", in_menu, "the menu after the game")


def record_editor(s):
    """The editor: paint a row, step the brush, paint again, F11 clears, paint."""
    s.until("Escape", in_menu, "the menu")
    s.changed("Down", "the editor item")
    s.until("Return", in_editor, "the editor")
    p = s.pex

    def paint(row, columns):
        for column in columns:
            p.click(CELL * column + CELL // 2, LEVEL_TOP + CELL * row + CELL // 2)

    paint(3, range(2, 8))
    p.click(400, 60, button=3)  # the next brush
    paint(5, range(4, 10))
    p.move(600, 40)
    time.sleep(0.3)
    p.press_key("F11", pexe2e.changed_from(p.screenshot()), what="the cleared level")
    time.sleep(0.5)
    paint(7, range(1, 4))
    p.move(600, 40)
    time.sleep(0.3)
    s.until("Escape", in_menu, "the menu after the editor")


def paint_confirmed(p, row, columns):
    """Paints cells of a row with the brush, each click seen on screen."""
    for column in columns:
        p.click_seen(CELL * column + CELL // 2, LEVEL_TOP + CELL * row + CELL // 2)


def enter_editor_with_brick(s):
    """From the splash into the editor, with the brick brush under the pointer."""
    s.until("Escape", in_menu, "the menu")
    s.changed("Down", "the editor item")
    s.until("Return", in_editor, "the editor")
    s.pex.click_seen(400, 60, button=3)  # the next brush: brick


def record_save_game(s):
    """The editor saves a painted row; the game then loads and plays on it."""
    enter_editor_with_brick(s)
    paint_confirmed(s.pex, 4, range(3, 13))
    s.until("Escape", in_menu, "the menu after the editor")
    s.changed("Up", "the game item")
    s.until("Return", in_game, "the game on the painted level")
    time.sleep(1.0)


def record_save_editor(s):
    """The editor saves a painted row, is left for the menu and entered again:
    it loads what it saved; one more cell is painted and F10 saves again."""
    enter_editor_with_brick(s)
    paint_confirmed(s.pex, 6, range(2, 8))
    s.until("Escape", in_menu, "the menu after the editor")
    s.until("Return", in_editor, "the editor again")
    paint_confirmed(s.pex, 8, [5])
    s.pex.move(600, 40)
    time.sleep(0.3)


def record_settings(s):
    """The settings submenu: tick the full-screen checkbox, back out."""
    s.until("Escape", in_menu, "the menu")
    s.changed("Down", "the editor item")
    s.changed("Down", "the settings item")
    s.changed("Return", "the settings submenu")
    s.changed("Return", "the ticked checkbox")
    s.changed("Escape", "the menu's top level")


def record_fall(s):
    """The game with Down held: at 0.1 s a frame the hero drops through floors."""
    s.until("Escape", in_menu, "the menu")
    s.until("Return", in_game, "the game")
    time.sleep(1.0)  # the hero lands
    s.pex.keydown("Down")
    time.sleep(0.4)
    s.pex.keyup("Down")
    time.sleep(0.5)


def craft_clock(path, step=0.125):
    """Gives every frame of the demo its own clock reading, step seconds apart."""
    with open(path) as f:
        lines = f.read().split("\n")
    frame = 0
    for i, line in enumerate(lines):
        if line.startswith(("f", "x")):
            frame += 1
            reading = "t" + float.hex(frame * step)
            lines[i] = re.sub(r"\bt0x[0-9a-fA-Fx.p+-]+", reading, line)
    with open(path, "w") as f:
        f.write("\n".join(lines))


# The gamepad standing in for keys (GLFW's gamepad layout): B for Escape, A
# for Enter, the d-pad for Left, the stick pushed all the way for Right.
PAD_BUTTONS = {257: 1 << 1, 294: 1 << 0, 285: 1 << 14}
PAD_STICK_X = {286: 100}


def craft_gamepad(path):
    """Plays the keys of PAD_BUTTONS and PAD_STICK_X on a gamepad instead:
    their events leave the demo, and the gamepad, where it changed, goes where
    the program asks for it after each swap: the start of the next frame line."""
    with open(path) as f:
        lines = f.read().split("\n")
    held, ahead, written = set(), [], ["p0,0", "j0,0"]
    for i, line in enumerate(lines):
        if line.startswith(("f", "x")):
            items = line.split(" ")
            for key, action in re.findall(r" k(\d+),([01])(?= |$)", line):
                if int(key) in {**PAD_BUTTONS, **PAD_STICK_X}:
                    items.remove("k%s,%s" % (key, action))
                    (held.add if action == "1" else held.discard)(int(key))
            lines[i] = " ".join(items[:1] + ahead + items[1:])
            now = ["p%d,%d" % (int(bool(held) or written[0] != "p0,0"),
                               sum(PAD_BUTTONS.get(k, 0) for k in held)),
                   "j%d,0" % sum(PAD_STICK_X.get(k, 0) for k in held)]
            ahead = [item for item, was in zip(now, written) if item != was]
            written = now
    with open(path, "w") as f:
        f.write("\n".join(lines))


# Each demo: how it is recorded, what is crafted afterwards (its clock, or a
# gamepad for its keys), and the level file it is recorded on (None: the
# shipped level).
DEMOS = {
    "walk": (record_walk, False, None),
    "hero": (record_hero, False, level_text()),
    "editor": (record_editor, False, None),
    "settings": (record_settings, False, None),
    "fall": (record_fall, craft_clock, None),
    "save_game": (record_save_game, False, None),
    "save_editor": (record_save_editor, False, None),
    "pad": (record_walk, craft_gamepad, None),
}


def replay(name):
    """The line a replay prints (for a crafted demo, whose outcome may have changed)."""
    xvfb = pexe2e.Xvfb()
    pex = pexe2e.Pex(xvfb)
    try:
        pex.play(name)
        code = pex.wait_exit(600)
        if code != 0 or pex.stderr_text().count("demo:"):
            raise RuntimeError("replay of %s failed: %s" % (name, pex.stderr_text()))
        return pex.stdout_text()
    finally:
        pex.stop()
        xvfb.stop()


def record(name):
    action, crafted, level_bytes = DEMOS[name]
    demo = os.path.join(HERE, name + ".dem")
    level = os.path.join(HERE, name + ".level")
    if level_bytes is None:
        level = None
    else:
        with open(level, "wb") as f:
            f.write(level_bytes)
    xvfb = pexe2e.Xvfb()
    try:
        session = Session(xvfb, demo, level)
        try:
            action(session)
            out = session.finish()
        finally:
            session.pex.stop()
    finally:
        xvfb.stop()
    if crafted:
        crafted(demo)
        out = replay(name)
    with open(os.path.join(HERE, name + ".out"), "w") as f:
        f.write(out)
    print("%s: %s" % (name, out.strip()))


def main(argv):
    names = argv[1:] or list(DEMOS)
    for name in names:
        if name not in DEMOS:
            sys.exit("unknown demo %r (known: %s)" % (name, ", ".join(DEMOS)))
    for name in names:
        record(name)


if __name__ == "__main__":
    main(sys.argv)
