"""Pictures whose rows are not a whole number of 4-byte words, drawn in a real
window: a 24-bit splash picture 1023 pixels wide (rows of 3069 bytes) whose
colour depends only on x must reach the screen as upright stripes, every
screen column one colour. Read with padded rows, each row would start one pixel
further along and the stripes would lean."""

import os
import struct
import time
import unittest

from pexe2e import BUILD_DIR, PexTestCase, wait_for_splash

WIDTH, HEIGHT = 1023, 512
STRIPE = 8  # pixels per stripe; the stripes run red, green, blue, red, ...
SHOWN_WIDTH, SHOWN_HEIGHT = 640, 480  # the part of the picture the splash shows


def stripe_tga():
    """An uncompressed 24-bit TGA, stored blue, green, red, bottom row first."""
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, WIDTH, HEIGHT, 24, 0)
    row = bytearray()
    for x in range(WIDTH):
        channel = (x // STRIPE) % 3  # 0 red, 1 green, 2 blue
        rgb = [0, 0, 0]
        rgb[channel] = 255
        row += bytes((rgb[2], rgb[1], rgb[0]))
    return header + bytes(row) * HEIGHT


def column(shot, x):
    return [shot.pixel(x, y) for y in range(shot.height)]


def spread(pixels):
    """Largest difference of one channel between the pixels."""
    return max(max(p[k] for p in pixels) - min(p[k] for p in pixels) for k in range(3))


class TextureUploadTest(PexTestCase):
    def test_odd_width_picture_arrives_with_every_column_one_colour(self):
        pex = self.pex()
        with open(pex.path("pic", "splash.tga"), "wb") as f:
            f.write(stripe_tga())
        pex.start()
        pex.wait_window()
        shot = wait_for_splash(pex).crop(0, 0, SHOWN_WIDTH, SHOWN_HEIGHT)

        try:
            # The fade covers the window evenly, so even a frame in the middle
            # of it keeps each column one colour.
            leaning = [x for x in range(SHOWN_WIDTH) if spread(column(shot, x)) > 8]
            self.assertEqual(leaning, [], "columns that are not one colour")

            # The stripes stand where the picture has them, in their order.
            for stripe in range(SHOWN_WIDTH // STRIPE - 1):
                middle = stripe * STRIPE + STRIPE // 2
                pixel = shot.pixel(middle, SHOWN_HEIGHT // 2)
                self.assertEqual(pixel.index(max(pixel)), stripe % 3,
                                 "stripe %d at x %d is %r" % (stripe, middle, pixel))
                self.assertGreater(max(pixel), 60)
        except AssertionError:
            shot.save_png(os.path.join(BUILD_DIR, "e2e-texture-upload-%d.png" % int(time.time())))
            raise

        # A close request stays pending until a frame sees it, even on a busy machine.
        pex.close_request()
        self.assertEqual(pex.wait_exit(60), 0)


if __name__ == "__main__":
    unittest.main()
