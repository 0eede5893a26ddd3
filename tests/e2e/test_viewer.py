# The default run of the real viewer, end to end: its reports, window and
# first picture, every key and drag of the shell, the other built-in volumes
# (a window onto the large raw file, "result128.raw", the live fluid), and the
# ways it ends. Key q's clean exit is test_volumes' OpenedVolumeTest. Stirring and the
# window's other moves are the fluid driver's and the loaders' unit tests.
import os
import unittest

from harness import BACKGROUND, PANEL, VOLUME, Viewer, changed, colourful

BANNER = "-=-=-=-=-=-=-=-=-=-=-=-=-"
GLUX_REPORT = "\n".join(["", BANNER, "      glux v1.51", BANNER, "-> initializing extensions",
                         "[ OK ] GL_ARB_multitexture", "[ OK ] GL_EXT_texture3D", BANNER, "", ""])
FLUID = (60, 40, 440, 400)  # clear of the FPS text and the logo


def filled(image, box):
    return image.count(box, lambda p: p != BACKGROUND)


class ViewerTest(unittest.TestCase):
    def test_default_run_then_without_logo_and_with_an_unreadable_raw_file(self):
        with Viewer("default", remove=("g:",)) as v:  # never write through to a real large file
            # The large file's size, empty but for a slab of vertical bars in its middle.
            os.mkdir(os.path.join(v.workdir, "g:"))
            with open(os.path.join(v.workdir, "g:/Ima3D_234c.raw"), "wb") as f:
                f.truncate(1024 * 1024 * 741)
                for z in range(300, 460):
                    f.seek((z * 1024 + 400) * 1024)
                    f.write(bytes([200 if (x // 32) % 2 else 0 for x in range(1024)]) * 200)
            first = self.check_start(v)
            self.check_keys_and_drags(v)
            self.check_other_volumes(v)
            v.send_wm_delete()
            self.assertEqual(v.proc.wait(60), 0)

        # "result128.raw" a folder: it opens, but cannot be read.
        with Viewer("nologo", remove=("zemaLogo Small.tga", "result128.raw")) as v:
            os.mkdir(os.path.join(v.workdir, "result128.raw"))
            without = v.wait_first_frame()
            v.wait_output(r"^Could not open the tga file : zemaLogo Small\.tga$")
            self.assertGreater(first.differing_pixels(without, (350, 400, 500, 480)), 500)
            self.assertLess(first.differing_pixels(without, (0, 30, 500, 380)), 200)
            v.key("f")
            box = v.find_window("Erreur VolRender")
            v.screenshot(box, save_as="box-unreadable-raw.png")
            self.assertIn("Erreur VolRender\nLoadRawData: Erreur, impossible de charger le fichier raw\n",
                          v.stderr())
            v.key("Return", box)
            self.assertEqual(v.proc.wait(60), 0)

    def check_start(self, v):
        v.wait_first_frame()
        first = v.screenshot(save_as="startup.png")
        self.assertRegex(v.stdout(), r"\AVendor:   \S.*\nRenderer: \S.*\nVersion:  \d.*\n"
                                     r"Extensions: .*GL_EXT_texture3D.*\nMax 3D texture size = \d+\n\Z")
        self.assertTrue(v.stderr().startswith(GLUX_REPORT), v.stderr())
        # Dark-blue background in the corners, light FPS text top-left, a coloured object.
        for corner in [(5, 490), (495, 5), (495, 300)]:
            self.assertEqual(first.pixel(*corner), BACKGROUND, corner)
        self.assertGreater(first.count((0, 2, 120, 24), lambda p: min(p) > 150), 20)
        self.assertGreater(first.count((200, 200, 300, 300), colourful), 2000)
        self.assertGreater(len(set(first.region(200, 200, 300, 300))), 50, "the centre is one flat colour")
        return first

    def check_keys_and_drags(self, v):
        # Each kind of input reaches the picture: a middle drag turns the
        # volume and back, key c cuts it and back, an editor drag recolours
        # it, a light-mode drag relights it. The commands themselves are unit-tested.
        start = v.screenshot()
        back = lambda im: im.differing_pixels(start, VOLUME) < 50
        v.drag(2, (250, 250), (310, 280), 6, changed(start, VOLUME, 2000), "the volume to turn")
        v.drag(2, (310, 280), (250, 250), 6, back, "the first view again")
        v.key("c", then=changed(start), what="the cut")
        v.key("c", then=back, what="the cut to go")
        shown = v.key("w", then=lambda im: im.count(PANEL, lambda p: p[0] > 150 and max(p[1:]) < 80) > 100,
                      what="the editor's red curve")
        v.drag(1, (235, 60), (480, 60), 24, changed(shown, PANEL, 100), "the red curve to change")
        v.wait_picture(changed(start, (110, 250, 250, 390), 300), what="the volume's colours to change")
        v.screenshot(save_as="edited.png")
        hidden = v.key("w", then=lambda im: im.differing_pixels(start, (410, 12, 488, 45)) == 0,
                       what="the panel to hide")
        v.key("l")
        v.drag(1, (250, 250), (100, 250), 10, changed(hidden, VOLUME, 1000), "the lighting to change")
        self.assertNotIn("rror", v.stderr())

    def check_other_volumes(self, v):
        julia = v.screenshot()
        zoomed = v.key("plus", then=changed(julia, VOLUME, 2000), what="the zoomed sub-volume")
        v.wait_output(r"^5\.670588 5\.670588 5\.670588$")
        v.screenshot(save_as="subvolume.png")
        moved = v.key("6", then=changed(zoomed, VOLUME, 200), what="the window to move right")
        v.wait_output(r"^5\.670588 5\.670588 5\.670588\n5\.670588 5\.670588 5\.670588$")

        # Key f twice: "result128.raw" stays on show (fluid mode off again: the unit tests).
        v.key("f", then=changed(moved, VOLUME, 2000), what="key f to take effect")
        v.key("f")
        phantom = v.wait_frames()
        self.assertLess(v.wait_frames().differing_pixels(phantom, VOLUME), 50)

        v.key("f")
        empty = v.key("r", then=lambda im: filled(im, FLUID) == 0, what="the fluid to empty")
        # Holding the right button pours density under the pointer, and only there.
        v.move(250, 250)
        v.xdotool("mousedown", 3)
        poured = v.wait_picture(lambda im: filled(im, (238, 238, 262, 262)) >= 4, what="density poured")
        v.xdotool("mouseup", 3)
        self.assertEqual(filled(poured, (60, 40, 200, 400)), 0, "density far from the pointer")
        v.screenshot(save_as="fluid_poured.png")
        # Paused, the volume stays still (the FPS text still changes).
        v.key("p")
        frozen = v.wait_frames(2)
        self.assertEqual(v.wait_frames(3).differing_pixels(frozen, FLUID, 0), 0)
        v.key("p")
        v.key("r", then=lambda im: filled(im, FLUID) == 0, what="the fluid to empty again")
        self.assertLess(empty.differing_pixels(v.screenshot(), FLUID), 5)


if __name__ == "__main__":
    unittest.main()
