# The other volumes on the real viewer: a window onto the large raw file,
# "result128.raw", and the live fluid; then a window-manager close. Stirring
# and the window's other moves are the fluid driver's and the loaders' unit tests.
import os
import unittest

from harness import BACKGROUND, Viewer

VOLUME = (110, 110, 390, 390)
FLUID = (60, 40, 440, 400)  # clear of the FPS text and the logo
BIG = "g:/Ima3D_234c.raw"


def changed(before, box=VOLUME, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


def filled(image, box):
    return sum(1 for p in image.region(*box) if p != BACKGROUND)


def make_sparse_big_file(workdir):
    # The large file's size, empty but for a slab of vertical bars in its middle.
    os.makedirs(os.path.join(workdir, "g:"), exist_ok=True)
    row = bytes([200 if (x // 32) % 2 else 0 for x in range(1024)])
    with open(os.path.join(workdir, BIG), "wb") as f:
        f.truncate(1024 * 1024 * 741)
        for z in range(300, 460):
            f.seek((z * 1024 + 400) * 1024)
            f.write(row * 200)


class VolumesTest(unittest.TestCase):
    def test_sub_volume_raw_volume_and_fluid(self):
        with Viewer("volumes", remove=("g:",)) as v:  # never write through to a real large file
            make_sparse_big_file(v.workdir)
            julia = v.wait_first_frame()
            v.key("plus")
            v.wait_output(r"^5\.670588 5\.670588 5\.670588$")
            zoomed = v.wait_picture(changed(julia, VOLUME, 2000), what="the zoomed sub-volume")
            v.screenshot(save_as="subvolume.png")
            v.key("6")
            v.wait_output(r"^5\.670588 5\.670588 5\.670588\n5\.670588 5\.670588 5\.670588$")
            moved = v.wait_picture(changed(zoomed, VOLUME, 200), what="the window to move right")

            # Key f twice: "result128.raw" stays on show with fluid mode off again.
            v.key("f")
            v.key("f")
            phantom = v.wait_picture(changed(moved, VOLUME, 2000), what="result128.raw")
            v.wait_frames()
            self.assertLess(v.screenshot().differing_pixels(phantom, VOLUME), 50)

            v.key("f")
            v.key("r")
            empty = v.wait_picture(lambda im: filled(im, FLUID) == 0, 120, "the fluid to empty")
            self.check_fluid(v, empty)
            v.send_wm_delete()
            self.assertEqual(v.wait_exit(), 0)

    def check_fluid(self, v, empty):
        # Holding the right button pours density under the pointer, and only there.
        v.move(250, 250)
        v.xdotool("mousedown", 3)
        poured = v.wait_picture(lambda im: filled(im, (238, 238, 262, 262)) >= 4, 120, "density at the pointer")
        v.xdotool("mouseup", 3)
        self.assertEqual(filled(poured, (60, 40, 200, 400)), 0, "density far from the pointer")
        v.screenshot(save_as="fluid_poured.png")
        # Paused, the volume stays still (the FPS text still changes).
        v.key("p")
        v.wait_frames(2)
        frozen = v.screenshot()
        v.wait_frames(3)
        self.assertEqual(v.screenshot().differing_pixels(frozen, FLUID, 0), 0)
        v.key("p")
        v.key("r")
        v.wait_picture(lambda im: filled(im, FLUID) == 0, 120, "the fluid to empty again")
        self.assertLess(empty.differing_pixels(v.screenshot(), FLUID), 5)


if __name__ == "__main__":
    unittest.main()
