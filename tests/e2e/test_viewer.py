# The default run of the real viewer, end to end: its reports, window and
# first picture, every key and drag of the shell, and the ways it ends.
import os
import unittest

from harness import BACKGROUND, Viewer, colourful, line_path

BANNER = "-=-=-=-=-=-=-=-=-=-=-=-=-"
GLUX_REPORT = "\n".join(["", BANNER, "      glux v1.51", BANNER, "-> initializing extensions",
                         "[ OK ] GL_ARB_multitexture", "[ OK ] GL_EXT_texture3D", BANNER, "", ""])
VOLUME = (110, 110, 390, 390)
PANEL = (255, 15, 485, 245)


def changed(before, box=VOLUME, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


class ViewerTest(unittest.TestCase):
    def test_default_run_then_without_logo_and_with_an_unreadable_raw_file(self):
        with Viewer("default") as v:
            first = self.check_start(v)
            self.check_keys_and_drags(v)
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)

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
            self.assertIn("Erreur VolRender\nLoadRawData: Erreur, impossible de charger le fichier raw\n", v.stderr())
            v.key("Return", box)
            self.assertEqual(v.wait_exit(), 0)

    def check_start(self, v):
        v.wait_first_frame()
        first = v.screenshot(save_as="startup.png")
        out = v.stdout().splitlines()
        self.assertRegex(out[0], r"^Vendor:   \S")
        self.assertRegex(out[1], r"^Renderer: \S")
        self.assertRegex(out[2], r"^Version:  \d")
        self.assertRegex(out[3], r"^Extensions: .*GL_EXT_texture3D")
        self.assertRegex(out[4], r"^Max 3D texture size = \d+$")
        self.assertEqual(len(out), 5)
        self.assertTrue(v.stderr().startswith(GLUX_REPORT), v.stderr())
        # Dark-blue background in the corners, light FPS text top-left, a coloured object.
        for corner in [(5, 490), (495, 5), (495, 300)]:
            self.assertEqual(first.pixel(*corner), BACKGROUND, corner)
        self.assertGreater(len([p for p in first.region(0, 2, 120, 24) if min(p) > 150]), 20)
        centre = first.region(200, 200, 300, 300)
        self.assertGreater(sum(1 for p in centre if colourful(p)), 2000)
        self.assertGreater(len(set(centre)), 50, "the centre is one flat colour")
        return first

    def check_keys_and_drags(self, v):
        # Each kind of input reaches the picture: a middle drag turns the
        # volume and back, key c cuts it and back, an editor drag recolours
        # it, a light-mode drag relights it. The commands themselves are unit-tested.
        start = v.screenshot()
        v.drag(2, line_path((250, 250), (310, 280), 6))
        v.wait_picture(changed(start, VOLUME, 2000), what="the volume to turn")
        v.drag(2, line_path((310, 280), (250, 250), 6))
        v.wait_picture(lambda im: im.differing_pixels(start, VOLUME) < 50, what="the first view again")
        v.key("c")
        v.wait_picture(changed(start), what="the cut")
        v.key("c")
        v.wait_picture(lambda im: im.differing_pixels(start, VOLUME) < 50, what="the cut to go")
        v.key("w")
        shown = v.wait_picture(lambda im: sum(1 for p in im.region(*PANEL) if p[0] > 150 and max(p[1:]) < 80) > 100,
                               what="the editor's red curve")
        v.drag(1, line_path((235, 60), (480, 60), 24))
        v.wait_picture(changed(shown, PANEL, 100), what="the red curve to change")
        v.wait_picture(changed(start, (110, 250, 250, 390), 300), what="the volume's colours to change")
        v.screenshot(save_as="edited.png")
        v.key("w")
        hidden = v.wait_picture(lambda im: im.differing_pixels(start, (410, 12, 488, 45)) == 0,
                                what="the panel to hide")
        v.key("l")
        v.drag(1, line_path((250, 250), (100, 250), 10))
        v.wait_picture(changed(hidden, VOLUME, 1000), what="the lighting to change")
        self.assertNotIn("rror", v.stderr())

if __name__ == "__main__":
    unittest.main()
