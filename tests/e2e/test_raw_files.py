"""Raw volumes and the logo on the real viewer."""
import os
import unittest

from harness import Viewer

VOLUME = (110, 110, 390, 390)
BIG = "g:/Ima3D_234c.raw"
BIG_SIZE = 1024 * 1024 * 741


def changed(before, box=VOLUME, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


def make_sparse_big_file(workdir):
    """A file of the large size, empty but for a slab of vertical bars in its middle."""
    os.makedirs(os.path.join(workdir, "g:"), exist_ok=True)
    path = os.path.join(workdir, BIG)
    row = bytes([200 if (x // 32) % 2 else 0 for x in range(1024)])
    with open(path, "wb") as f:
        f.truncate(BIG_SIZE)
        for z in range(300, 460):
            f.seek((z * 1024 + 400) * 1024)
            f.write(row * 200)
    return path


class RawFileTest(unittest.TestCase):
    def test_logo_in_the_lower_right(self):
        with Viewer("logo") as v:
            v.wait_first_frame()
            with_logo = v.screenshot(save_as="logo.png")
        with Viewer("nologo", remove=("zemaLogo Small.tga",)) as v:
            v.wait_first_frame()
            without = v.screenshot()
        logo_box = (350, 400, 500, 480)
        self.assertGreater(with_logo.differing_pixels(without, logo_box), 500)
        self.assertLess(with_logo.differing_pixels(without, (0, 30, 500, 380)), 200)

    def test_key_f_twice_shows_the_head_phantom(self):
        with Viewer("phantom") as v:
            julia = v.wait_first_frame()
            v.key("f")
            v.key("f")
            phantom = v.wait_picture(changed(julia, VOLUME, 2000), what="result128.raw")
            v.screenshot(save_as="phantom.png")
            v.wait_frames()
            # Fluid mode is off again: the picture stays the loaded volume.
            still = v.screenshot()
            self.assertLess(still.differing_pixels(phantom, VOLUME), 50)
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)

    def test_missing_raw_file_ends_in_the_error_box(self):
        with Viewer("noraw", remove=("result128.raw",)) as v:
            v.wait_first_frame()
            v.key("f")
            box = v.find_window("Erreur VolRender")
            v.screenshot(box, save_as="box-no-raw.png")
            self.assertIn("Erreur VolRender\nLoadRawData: Erreur, impossible de charger le fichier raw\n", v.stderr())
            v.key("Return", box)
            self.assertEqual(v.wait_exit(), 0)

    def test_sub_volume_zoom_and_move(self):
        with Viewer("big", remove=("g:",)) as v:  # never write through to a real large file
            make_sparse_big_file(v.workdir)
            julia = v.wait_first_frame()
            v.key("plus")
            v.wait_output(r"^5\.670588 5\.670588 5\.670588$")
            zoomed = v.wait_picture(changed(julia, VOLUME, 2000), what="the zoomed sub-volume")
            v.screenshot(save_as="subvolume.png")
            v.key("6")
            v.wait_output(r"^5\.670588 5\.670588 5\.670588\n5\.670588 5\.670588 5\.670588$")
            moved = v.wait_picture(changed(zoomed, VOLUME, 200), what="the window to move right")
            v.key("4")
            v.key("4")
            v.wait_picture(changed(moved, VOLUME, 200), what="the window to move left")
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
