"""Demos replayed in the real window: each demo in tests/demos/ (recorded by
tests/demos/record.py) must replay to the line its recording printed, also
while two other processes keep both cores busy, and must leave the user's
files as they were. F10 and a close request end a playback early; a damaged
demo is refused before any window opens.
"""

import glob
import hashlib
import os
import subprocess
import sys
import unittest

import pexe2e
from pexe2e import DEMO_DIR, PexTestCase, demo_path, expected_line

DEMOS = sorted(os.path.splitext(os.path.basename(p))[0]
               for p in glob.glob(os.path.join(DEMO_DIR, "*.dem")))
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
        self.assertEqual(DEMOS, ["editor", "fall", "hero", "settings", "walk"])
        for name in DEMOS:
            with self.subTest(demo=name):
                self.replay_and_check(name)

    def test_replays_give_the_recorded_digest_with_both_cores_busy(self):
        with Busy():
            for name in DEMOS:
                with self.subTest(demo=name):
                    self.replay_and_check(name)

    def test_f10_ends_the_playback_early(self):
        self.check_early_end(lambda pex: pex.key("F10"))

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

if __name__ == "__main__":
    unittest.main()
