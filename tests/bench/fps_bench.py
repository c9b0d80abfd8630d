#!/usr/bin/env python3
"""Frame rate of the real game screen for levels of several sizes.

For each size it copies the application folder to a temporary folder, writes a
level of that size there, runs pex under its own Xvfb, goes from the splash
through the menu into the game screen with real key events, and counts the
frames pex shows over a measured interval. The frames are counted by
libpexswapcount.so (SwapCount.c), loaded with LD_PRELOAD, which wraps the
windowing library's buffer swap; pex itself runs unchanged.

A level of R x C cells holds the shipped 24 x 40 level in its top-left corner,
so the hero and the enemy play as on the shipped level, and a pattern of every
tile kind elsewhere.

    tests/bench/fps_bench.py [--build build] [--seconds 5] [--rounds 3] \\
        [SIZE ...]      SIZE is "shipped" or RxC, e.g. 640x640

The sizes are measured one after the other in every round, so that the ratios
to the first size come from back-to-back runs under the same machine load.
Needs what the real-window tests need (Xvfb, xdotool, xwd, ImageMagick) and a
build with tests (cmake --build build).
"""

import argparse
import os
import statistics
import struct
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))

import pexe2e  # noqa: E402

SHIPPED_LEVEL = os.path.join(SOURCE_DIR, "data", "level", "default", "1.txt")


def read_shipped_level():
    with open(SHIPPED_LEVEL, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    rows = int(lines[1].split(" ")[1])
    return [line.split("\t")[2:] for line in lines[4:4 + rows]]


def level_text(rows, columns):
    """A level of rows x columns cells with the shipped level in its top-left corner."""
    shipped = read_shipped_level()
    out = ["mole_ladder.level\r\nheight %d\r\nwidth %d\r\ndata\r\n" % (rows, columns)]
    pattern = [str(k % 8) for k in range(columns + 8)]
    for row in range(rows):
        if row < len(shipped):
            cells = (shipped[row] + pattern[len(shipped[row]) + row % 8:])[:columns]
        else:
            cells = pattern[row % 8:row % 8 + columns]
        out.append("row\t%d\t" % row + "\t".join(cells) + "\r\n")
    return "".join(out).encode("ascii")


def parse_size(text):
    if text == "shipped":
        return None
    rows, columns = text.lower().split("x")
    return int(rows), int(columns)


def in_game(shot):
    # The HUD's green bar at x 512..575, y 16..31 (green about 177 once the
    # fade-in has ended).
    r, g, b = shot.mean(512, 16, 64, 16)
    return g > 170 and r < 60 and b < 60


def in_menu(shot):
    # The menu's background is tinted navy; the game's is tinted dark red.
    r, g, b = shot.mean(0, 200, 640, 200)
    return b > r + 10 and not in_game(shot)


def cpu_seconds(pid):
    """Processor time all threads of a process have used so far, to the
    nanosecond (the scheduler's own account, not the sampled tick counts)."""
    total = 0
    task_dir = "/proc/%d/task" % pid
    for task in os.listdir(task_dir):
        try:
            with open(os.path.join(task_dir, task, "schedstat")) as f:
                total += int(f.read().split()[0])
        except FileNotFoundError:  # a thread that has just ended
            pass
    return total / 1e9


def measure(app_dir, swap_counter, size, seconds):
    """Frames per second of the game screen with a level of the given size, and
    frames per second of processor time used by pex and its X server."""
    with tempfile.TemporaryDirectory(prefix="pex-fps-") as work:
        pexe2e.BUILD_DIR = work  # where a failed wait leaves its screenshot
        count_file = os.path.join(work, "swaps")
        with open(count_file, "wb") as f:
            f.write(bytes(8))
        xvfb = pexe2e.Xvfb()
        pex = pexe2e.Pex(xvfb, app_dir=app_dir,
                         env={"LD_PRELOAD": swap_counter, "PEX_SWAP_COUNT_FILE": count_file})
        try:
            if size is None:
                with open(SHIPPED_LEVEL, "rb") as f:
                    text = f.read()
            else:
                text = level_text(*size)
            with open(pex.path("level", "default", "1.txt"), "wb") as f:
                f.write(text)
            pex.start()
            pex.wait_window(timeout=60)

            def swaps():
                with open(count_file, "rb") as f:
                    return struct.unpack("<Q", f.read(8))[0]

            # Frames are counted only while the window shows: a count that
            # does not grow means the counter is not in place.
            first = swaps()
            deadline = time.time() + 30
            while swaps() == first:
                if time.time() > deadline:
                    raise RuntimeError("no frames counted: is %s loaded?" % swap_counter)
                time.sleep(0.1)

            # A key pressed and released between two frames is not seen on a
            # busy machine: press again until the screen has changed. Escape
            # does nothing on the menu's top level, Return starts the game.
            # Huge levels draw slowly: generous bounds.
            pex.press_key("Escape", in_menu, what="the menu", timeout=300)
            pex.press_key("Return", in_game, what="the game screen", timeout=300)

            processes = (pex.proc.pid, xvfb.proc.pid)
            start_cpu = sum(cpu_seconds(pid) for pid in processes)
            start_swaps, start = swaps(), time.monotonic()
            time.sleep(seconds)
            end_swaps, end = swaps(), time.monotonic()
            end_cpu = sum(cpu_seconds(pid) for pid in processes)
            if not pex.running():
                raise RuntimeError("pex ended during the measurement:\n" + pex.stderr_text())
            # Still the game screen at the end: the frames were the game's.
            if not in_game(pex.screenshot()):
                raise RuntimeError("the game screen was left during the measurement")
            frames = end_swaps - start_swaps
            return frames / (end - start), frames / max(end_cpu - start_cpu, 1e-9)
        finally:
            pex.stop()
            xvfb.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("sizes", nargs="*", default=["shipped", "160x160", "640x640"],
                        help='"shipped" or RxC (default: shipped 160x160 640x640)')
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build"),
                        help="build folder (default: build)")
    parser.add_argument("--seconds", type=float, default=5, help="measured interval")
    parser.add_argument("--rounds", type=int, default=3, help="times each size is measured")
    args = parser.parse_args()

    app_dir = os.path.join(args.build, "app")
    swap_counter = os.path.join(args.build, "tests", "bench", "libpexswapcount.so")
    for path in (os.path.join(app_dir, "pex"), swap_counter):
        if not os.path.exists(path):
            sys.exit("missing %s: build with tests first" % path)
    sizes = [parse_size(s) for s in args.sizes]
    names = ["shipped 24x40" if s is None else "%dx%d" % s for s in sizes]

    wall = {name: [] for name in names}
    cpu = {name: [] for name in names}
    for round_number in range(1, args.rounds + 1):
        for name, size in zip(names, sizes):
            fps, cpu_fps = measure(app_dir, swap_counter, size, args.seconds)
            wall[name].append(fps)
            cpu[name].append(cpu_fps)
            print("round %d  %-14s %7.1f fps  %7.1f frames per processor second"
                  % (round_number, name, fps, cpu_fps), flush=True)

    # Frames per second depend on how much of the processor pex gets; on a
    # busy machine frames per processor second (pex and Xvfb together) compare
    # the sizes more steadily.
    for title, results in (("frames per second", wall),
                           ("frames per processor second", cpu)):
        print()
        print("%s; ratio to %s in the same round" % (title, names[0]))
        print("%-14s %s  %8s  %s" % ("level", "  ".join("round %d" % (i + 1)
                                                         for i in range(args.rounds)),
                                       "median", "ratios"))
        for name in names:
            rates = results[name]
            ratios = [r / b if b else 0 for r, b in zip(rates, results[names[0]])]
            print("%-14s %s  %8.1f  %s" % (name, "  ".join("%7.1f" % r for r in rates),
                                           statistics.median(rates),
                                           " ".join("%.2f" % q for q in ratios)))

if __name__ == "__main__":
    main()
