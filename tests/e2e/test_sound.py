"""Music in the real program: sound output goes to a file (SDL's disk audio
driver) instead of a device, and the captured audio is matched sample for
sample against the shipped modules rendered here by the same module player
(libopenmpt), so a check tells which song plays, not only that something does.
"""

import ctypes
import os
import unittest

from pexe2e import PexTestCase, in_game, in_menu, wait_for_splash

# The sound library mixes 1024 stereo frames of 32-bit floats at a time, and
# the disk driver writes each buffer whole: a song that starts playing starts
# at a multiple of this many bytes into the capture.
RATE = 44100
BLOCK_FRAMES = 1024
BLOCK = BLOCK_FRAMES * 2 * 4
MATCH_BLOCKS = 87  # two seconds


def loud_fraction(data):
    """Share of non-zero bytes: silence in any sample format is all zero bytes."""
    if not data:
        return 0.0
    return sum(1 for b in data if b) / len(data)


def load_openmpt():
    lib = ctypes.CDLL("libopenmpt.so.0")
    lib.openmpt_module_create_from_memory2.restype = ctypes.c_void_p
    lib.openmpt_module_create_from_memory2.argtypes = [
        ctypes.c_void_p, ctypes.c_size_t, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
        ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.c_void_p, ctypes.c_void_p]
    lib.openmpt_module_set_repeat_count.argtypes = [ctypes.c_void_p, ctypes.c_int32]
    lib.openmpt_module_set_position_order_row.restype = ctypes.c_double
    lib.openmpt_module_set_position_order_row.argtypes = [ctypes.c_void_p, ctypes.c_int32,
                                                          ctypes.c_int32]
    lib.openmpt_module_read_interleaved_float_stereo.restype = ctypes.c_size_t
    lib.openmpt_module_read_interleaved_float_stereo.argtypes = [
        ctypes.c_void_p, ctypes.c_int32, ctypes.c_size_t, ctypes.c_void_p]
    lib.openmpt_module_destroy.argtypes = [ctypes.c_void_p]
    return lib


def render_song(path, blocks):
    """The first blocks of a module as the sound library plays it: looping,
    from its first row, in buffers of BLOCK_FRAMES frames."""
    lib = load_openmpt()
    with open(path, "rb") as f:
        data = f.read()
    error = ctypes.c_int(0)
    module = lib.openmpt_module_create_from_memory2(
        data, len(data), ctypes.cast(lib.openmpt_log_func_silent, ctypes.c_void_p), None,
        ctypes.cast(lib.openmpt_error_func_ignore, ctypes.c_void_p), None, ctypes.byref(error),
        None, None)
    if not module:
        raise AssertionError("libopenmpt cannot read %s (error %d)" % (path, error.value))
    try:
        lib.openmpt_module_set_repeat_count(module, -1)
        lib.openmpt_module_set_position_order_row(module, 0, 0)
        buffer = ctypes.create_string_buffer(BLOCK)
        out = []
        for _ in range(blocks):
            frames = lib.openmpt_module_read_interleaved_float_stereo(
                module, RATE, BLOCK_FRAMES, buffer)
            out.append(buffer.raw[:frames * 8] + bytes(BLOCK - frames * 8))
        return b"".join(out)
    finally:
        lib.openmpt_module_destroy(module)


def read_capture(path, start=0):
    with open(path, "rb") as f:
        f.seek(start)
        return f.read()


def song_start(capture, song, start):
    """Offset in the capture file, at or after start, where the song's opening
    MATCH_BLOCKS blocks were played; None until they all are there."""
    at = read_capture(capture, start).find(song[:MATCH_BLOCKS * BLOCK])
    return None if at < 0 else start + at


class SoundTest(PexTestCase):
    def test_splash_music_then_game_music_reach_the_audio_output(self):
        pex = self.pex()
        splash = render_song(pex.path("music", "splash.oxm"), MATCH_BLOCKS)
        game = render_song(pex.path("music", "game.oxm"), MATCH_BLOCKS)
        # Both songs are loud from their first bar and differ, so a match below
        # can only be the right song.
        self.assertGreater(loud_fraction(splash), 0.5)
        self.assertGreater(loud_fraction(game), 0.5)
        self.assertNotEqual(splash[:BLOCK], game[:BLOCK])

        capture = os.path.join(pex.work, "audio.raw")
        pex.env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": capture})
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        splash_at = pex.wait_file(lambda: song_start(capture, splash, 0),
                                  what="the splash music in the audio output")
        self.assertEqual(splash_at % BLOCK, 0)
        self.assertIsNone(song_start(capture, game, 0), "the game music plays on the splash")

        # Escape leads to the menu; the title music goes on there.
        pex.press_key("Escape", in_menu, what="the menu")
        menu_at = os.path.getsize(capture) // BLOCK * BLOCK
        played = (menu_at - splash_at) // BLOCK
        pex.wait_file(lambda: os.path.getsize(capture) >= menu_at + MATCH_BLOCKS * BLOCK,
                      what="two seconds of audio in the menu")
        self.assertEqual(
            read_capture(capture, menu_at)[:MATCH_BLOCKS * BLOCK],
            render_song(pex.path("music", "splash.oxm"), played + MATCH_BLOCKS)[played * BLOCK:],
            "the splash music goes on in the menu")

        # Enter on the menu's first item starts the game, and its music from the start.
        pex.press_key("Return", in_game, what="the game screen")
        game_at = pex.wait_file(lambda: song_start(capture, game, menu_at),
                                what="the game music in the audio output")
        self.assertEqual(game_at % BLOCK, 0)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)

    def test_program_runs_silently_without_the_sound_library(self):
        pex = self.pex()
        os.remove(pex.path("libfmod.so"))
        pex.start()
        pex.wait_window()
        wait_for_splash(pex)
        self.assertEqual(pex.press_key_to_exit("F10"), 0)
        self.assertEqual(pex.stderr_text(), "")


if __name__ == "__main__":
    unittest.main()
