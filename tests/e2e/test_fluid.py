"""The live fluid on the real viewer: pour, stir, pause, empty."""
import unittest

from harness import BACKGROUND, Viewer, line_path

VOLUME = (60, 40, 440, 400)  # clear of the FPS text and the logo


def around(x, y, r=40):
    return (x - r, y - r, x + r, y + r)


def filled(image, box):
    x0, y0, x1, y1 = box
    return sum(1 for p in image.region(x0, y0, x1, y1) if p != BACKGROUND)


class FluidTest(unittest.TestCase):
    def test_pour_stir_pause_and_empty(self):
        with Viewer("fluid") as v:
            v.wait_first_frame()
            v.key("f")
            v.key("r")
            empty = v.wait_picture(lambda im: filled(im, VOLUME) == 0, 120, "the fluid to empty")

            # Holding the right button pours density under the pointer.
            v.move(250, 250)
            v.xdotool("mousedown", 3)
            poured = v.wait_picture(lambda im: filled(im, around(250, 250, 12)) >= 4, 120, "density at the pointer")
            v.xdotool("mouseup", 3)
            v.screenshot(save_as="fluid_poured.png")
            self.assertEqual(filled(poured, (60, 40, 200, 400)), 0, "density far from the pointer")

            # A left drag through it pushes it along.
            v.drag(1, line_path((230, 250), (300, 250), 14), step_pause=0.25)
            v.wait_picture(lambda im: filled(im, (262, 200, 440, 300)) > filled(poured, (262, 200, 440, 300)) + 3,
                           120, "density to move right")
            v.screenshot(save_as="fluid_stirred.png")

            # Paused, the picture of the volume stays still (the FPS text still changes).
            v.key("p")
            v.wait_frames(2)
            frozen = v.screenshot()
            v.wait_frames(3)
            self.assertEqual(v.screenshot().differing_pixels(frozen, VOLUME, 0), 0)

            # Resumed and emptied, the volume is gone again.
            v.key("p")
            v.key("r")
            v.wait_picture(lambda im: filled(im, VOLUME) == 0, 120, "the fluid to empty again")
            self.assertLess(empty.differing_pixels(v.screenshot(), VOLUME), 5)
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
