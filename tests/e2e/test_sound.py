"""Music in the real program: sound output goes to a file (SDL's disk audio
driver) instead of a device, and the captured audio is checked."""

import os
import time
import unittest

from pexe2e import PexTestCase, wait_for_splash


def loud_fraction(data):
    """Share of non-zero bytes: silence in any sample format is all zero bytes."""
    if not data:
        return 0.0
    return sum(1 for b in data if b) / len(data)


class SoundTest(PexTestCase):
    def test_splash_music_then_game_music_reach_the_audio_output(self):
        pex = self.pex()
        capture = os.path.join(pex.work, "audio.raw")
        pex.env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": capture})
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        time.sleep(2)
        with open(capture, "rb") as f:
            splash_audio = f.read()
        self.assertGreater(len(splash_audio), 44100, "a second of audio or more was mixed")
        self.assertGreater(loud_fraction(splash_audio[-88200:]), 0.2, "the splash music plays")

        # Escape to the menu, Enter on its first item starts the game.
        pex.key("Escape")
        time.sleep(1.5)
        pex.key("Return")
        time.sleep(1.5)
        mark = os.path.getsize(capture)
        time.sleep(2)
        with open(capture, "rb") as f:
            f.seek(mark)
            game_audio = f.read()
        self.assertGreater(len(game_audio), 44100)
        self.assertGreater(loud_fraction(game_audio), 0.2, "the game music plays")
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)

    def test_program_runs_silently_without_the_sound_library(self):
        pex = self.pex()
        os.remove(pex.path("libfmod.so"))
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        pex.key("F10")
        self.assertEqual(pex.wait_exit(), 0)
        self.assertEqual(pex.stderr_text(), "")


if __name__ == "__main__":
    unittest.main()
