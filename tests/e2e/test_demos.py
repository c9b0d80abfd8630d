"""Demos replayed in the real window: each demo in tests/demos/ (recorded by
tests/demos/record.py) must replay to the line its recording printed, also
while two other processes keep both cores busy, and must leave the user's
files as they were; among them sessions that save the level in the editor and
load it again in the game or the editor. F10 and a close request end a
playback early; a damaged demo is refused before any window opens. A recording
ended by a termination signal in the middle of a fade replays to its digest;
a recording never replaces a file that is not a demo, and one that cannot be
written says so at once and ends with exit code 3. A demo far longer than any
file read whole plays to its end in a fraction of its size.
"""

import glob
import hashlib
import os
import resource
import signal
import subprocess
import sys
import time
import unittest

import pexe2e
from pexe2e import DEMO_DIR, PexTestCase, demo_path, expected_line

DEMOS = sorted(os.path.splitext(os.path.basename(p))[0]
               for p in glob.glob(os.path.join(DEMO_DIR, "*.dem")))
MAX_WHOLE_FILE = 64 << 20  # MaxWholeFileSize, src/platform/PexPlatform.h
USER_FILES = [("pex.ini",), ("level", "default", "1.txt")]


def file_state(pex):
    """Each user file's digest, or None when it does not exist."""
    state = {}
    for parts in USER_FILES:
        path = pex.path(*parts)
        if os.path.exists(path):
            with open(path, "rb") as f:
                state[parts] = hashlib.sha256(f.read()).hexdigest()
        else:
            state[parts] = None
    return state


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


class Busy:
    """Two processes that keep both cores busy while alive."""

    def __enter__(self):
        self.procs = [subprocess.Popen([sys.executable, "-c", "while True: pass"])
                      for _ in range(2)]
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            proc.kill()
            proc.wait()


class DemosTest(PexTestCase):
    def play(self, name):
        """Starts pex --play on a demo in a fresh copy of the application folder."""
        pex = self.pex()
        pex.play(name)
        return pex

    def replay_and_check(self, name):
        pex = self.play(name)
        before = file_state(pex)
        self.assertEqual(pex.wait_exit(600), 0, pex.stderr_text())
        self.assertEqual(pex.stdout_text(), expected_line(name))
        # No digest mismatch and no divergence was reported.
        self.assertNotIn("demo:", pex.stderr_text())
        self.assertEqual(file_state(pex), before, "playback changed a user file")

    def test_every_demo_replays_to_its_recorded_digest(self):
        self.assertEqual(DEMOS, ["editor", "fall", "hero", "pad", "save_editor", "save_game",
                                 "settings", "walk"])
        for name in DEMOS:
            with self.subTest(demo=name):
                self.replay_and_check(name)

    def test_replays_give_the_recorded_digest_with_both_cores_busy(self):
        # A replay never waits for the clock: a slower machine gives the same
        # outcome. The two whose frames matter most show it.
        with Busy():
            for name in ["fall", "hero"]:
                with self.subTest(demo=name):
                    self.replay_and_check(name)

    def test_f10_ends_the_playback_early(self):
        self.check_early_end(lambda pex: pex.press_key_to_exit("F10"))

    def test_a_close_request_ends_the_playback_early(self):
        self.check_early_end(lambda pex: pex.close_request())

    def check_early_end(self, stop):
        pex = self.play("walk")
        before = file_state(pex)
        pex.wait_window()
        pex.wait_for(lambda shot: pexe2e.brightness(shot.mean(0, 0, 640, 480)) > 30,
                     timeout=60, what="the replayed splash")
        stop(pex)
        self.assertEqual(pex.wait_exit(120), 0, pex.stderr_text())
        out = pex.stdout_text()
        recorded = int(expected_line("walk").split()[1].split("=")[1])
        self.assertRegex(out, r"^demo: frames=\d+ digest=[0-9a-f]{16}\n$")
        # It ended before the demo did: fewer frames than recorded.
        self.assertLess(int(out.split()[1].split("=")[1]), recorded)
        self.assertEqual(file_state(pex), before)

    def test_damaged_or_truncated_demo_is_refused_with_the_line_named(self):
        with open(demo_path("walk")) as f:
            lines = f.read().split("\n")
        pex = self.pex()
        damaged = list(lines)
        damaged[6] = damaged[6].replace(" t0x", " t0y", 1)
        cases = [(damaged, 'line 7: bad value in item "t0y'),
                 (lines[:200], "line 200: the line is cut off (the demo is truncated)")]
        for text, message in cases:
            with self.subTest(message=message):
                path = os.path.join(pex.work, "damaged.dem")
                with open(path, "w") as f:
                    f.write("\n".join(text))
                result = subprocess.run([pex.path("pex"), "--play", path], cwd=pex.work,
                                        env=pex.env, capture_output=True, text=True, timeout=60)
                self.assertEqual(result.returncode, 2)
                self.assertIn('damaged.dem" ' + message, result.stderr)
                self.assertNotIn("Application Error", result.stderr)
                self.assertEqual(result.stdout, "")

    # ---- Recording where features meet ----------------------------------------------

    def test_recording_ended_by_sigterm_during_a_fade_replays_to_its_digest(self):
        pex = self.pex()
        demo = os.path.join(pex.work, "fade.dem")
        pex.start(["--record", demo])
        pex.wait_window()
        splash = pex.wait_for(pexe2e.splash_at_rest, timeout=60, what="the splash at rest")
        bright = pexe2e.brightness(splash.mean(0, 0, 640, 480))
        # Stopped while the switch to the menu darkens the screen, the program
        # gets the signal in the middle of that fade.
        pex.keydown("Escape")
        pex.pause()
        try:
            pex.step_until(lambda shot: 0.1 * bright < pexe2e.brightness(
                shot.mean(0, 0, 640, 480)) < 0.8 * bright, what="the fade to the menu", step=0.02)
        finally:
            pex.keyup("Escape")
        pex.proc.send_signal(signal.SIGTERM)
        pex.resume()
        self.assertEqual(pex.wait_exit(60), 0, pex.stderr_text())
        recorded = pex.stdout_text()
        self.assertRegex(recorded, r"^demo: frames=\d+ digest=[0-9a-f]{16}\n$")
        with open(demo) as f:
            self.assertIn(" s15", f.read())  # the signal went into the demo
        replay = self.pex()
        replay.start(["--play", demo])
        self.assertEqual(replay.wait_exit(120), 0, replay.stderr_text())
        self.assertEqual(replay.stdout_text(), recorded)
        self.assertNotIn("demo:", replay.stderr_text())

    def test_record_refuses_the_files_pex_reads_and_never_waits_on_a_pipe(self):
        pex = self.pex()
        os.mkfifo(os.path.join(pex.work, "pipe"))
        for name in ["pex.ini", "main.menu", os.path.join("level", "default", "1.txt"),
                     os.path.join("..", "pipe")]:
            with self.subTest(file=name):
                path = pex.path(name)
                before = read_bytes(path) if os.path.isfile(path) else None
                result = subprocess.run([pex.path("pex"), "--record", path], cwd=pex.work,
                                        env=pex.env, capture_output=True, text=True, timeout=60)
                self.assertEqual(result.returncode, 2, result.stderr)
                self.assertIn('pex: Cannot record into "%s": ' % path, result.stderr)
                if before is not None:
                    self.assertEqual(read_bytes(path), before)
        self.assertEqual(sorted(os.listdir(pex.work)), ["app", "pipe"])

    def test_recording_that_cannot_be_written_says_so_at_once_and_ends_with_code_3(self):
        def small_files():
            # A disk that takes 8 KiB a file: the settings fit, the demo does not.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))

        pex = self.pex()
        os.remove(pex.path("pex.ini"))
        demo = os.path.join(pex.work, "full.dem")
        pex.start(["--record", demo], preexec_fn=small_files)
        pex.wait_window()
        pex.wait_file(lambda: "the recording is abandoned" in pex.stderr_text(), timeout=300,
                      what="the report of the failed write")
        self.assertTrue(pex.running(), "the session goes on")
        self.assertEqual(pex.press_key_to_exit("F10"), 3)
        self.assertIn('pex: cannot write the demo "%s": File too large; the recording is '
                      "abandoned" % demo, pex.stderr_text())
        self.assertEqual(pex.stdout_text(), "")
        self.assertEqual(sorted(os.listdir(pex.work)), ["app", "stderr.txt", "stdout.txt"])
        self.assertTrue(os.path.exists(pex.path("pex.ini")), "the settings are still written")

    def test_demo_four_times_the_largest_whole_file_plays_to_its_end_in_little_memory(self):
        # walk, with character events (which the program ignores) added to each
        # frame: one line alone larger than a file read whole may be.
        pex = self.pex(env={"LP_NUM_THREADS": "2"})  # the same thread stacks on every machine
        path = os.path.join(pex.work, "long.dem")
        with open(demo_path("walk")) as f:
            lines = f.read().split("\n")[:-1]
        frames = [i for i, line in enumerate(lines) if line.startswith("f ")]
        events = " c0,1" * 30000
        with open(path, "w") as f:
            for i, line in enumerate(lines):
                f.write(line)
                for _ in range(500 if i == frames[1] else 1 if i in frames else 0):
                    f.write(events)
                f.write("\n")
        self.assertGreater(os.path.getsize(path), 4 * MAX_WHOLE_FILE)

        def little_memory():
            # The heap and every private mapping; the address space would count
            # what the graphics libraries reserve and never use.
            resource.setrlimit(resource.RLIMIT_DATA, (128 << 20, 128 << 20))

        result = subprocess.run([pex.path("pex"), "--play", path], cwd=pex.work, env=pex.env,
                                capture_output=True, text=True, timeout=600,
                                preexec_fn=little_memory)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, expected_line("walk"))
        self.assertNotIn("demo:", result.stderr)

    def test_options_that_take_no_value_or_get_an_option_as_one_are_refused(self):
        pex = self.pex()
        cases = [(["--help", "x"], "pex: --help takes no argument"),
                 (["--version", "x"], "pex: --version takes no argument"),
                 (["--record", "--play"], 'pex: --record takes one file name, not "--play"'),
                 (["--play"], "pex: --play takes one file name\n")]
        for args, message in cases:
            with self.subTest(args=args):
                result = subprocess.run([pex.path("pex")] + args, cwd=pex.work, env=pex.env,
                                        capture_output=True, text=True, timeout=60)
                self.assertEqual(result.returncode, 2)
                self.assertTrue(result.stderr.startswith(message), result.stderr)
                self.assertIn("Usage: pex", result.stderr)
        self.assertEqual(os.listdir(pex.work), ["app"])


if __name__ == "__main__":
    unittest.main()
