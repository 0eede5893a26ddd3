"""Keys and mouse gestures on the real viewer, checked on screenshots."""
import unittest

from harness import Viewer, line_path

VOLUME = (110, 110, 390, 390)
PANEL = (255, 15, 485, 245)


def changed(before, box, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


def panel_pixels(image, colour_test):
    x0, y0, x1, y1 = PANEL
    return sum(1 for p in image.region(x0, y0, x1, y1) if colour_test(p))


def reddish(p):
    return p[0] > 150 and p[1] < 80 and p[2] < 80


class InteractionTest(unittest.TestCase):
    def setUp(self):
        self.viewer = Viewer("interaction")
        self.start = self.viewer.wait_first_frame()

    def tearDown(self):
        self.viewer.close()

    def test_middle_drag_rotates_and_dragging_back_restores(self):
        v = self.viewer
        before = v.screenshot()
        v.drag(2, line_path((250, 250), (310, 280), 6))
        turned = v.wait_picture(changed(before, VOLUME, 2000), what="the volume to turn")
        v.screenshot(save_as="rotated.png")
        v.drag(2, line_path((310, 280), (250, 250), 6))
        v.wait_picture(lambda im: im.differing_pixels(before, VOLUME) < 50, what="the first view to come back")
        self.assertGreater(turned.differing_pixels(before, VOLUME), 2000)

    def test_clip_plane_cuts_the_front_and_moves(self):
        v = self.viewer
        before = v.screenshot()
        v.key("c")
        cut = v.wait_picture(changed(before, VOLUME), what="the cut")
        v.screenshot(save_as="clipped.png")
        for _ in range(10):
            v.key("b")
        v.wait_picture(changed(cut, VOLUME), what="the cut to move towards the viewer")
        for _ in range(20):
            v.key("n")
        v.wait_picture(changed(cut, VOLUME), what="the cut to move away")

    def test_slice_count_keys(self):
        v = self.viewer
        pictures = [v.screenshot()]
        for key in ["z", "s", "a"]:
            for _ in range(4 if key != "a" else 1):
                v.key(key)
            pictures.append(v.wait_picture(changed(pictures[-1], VOLUME, 50), what="key %s" % key))
        v.screenshot(save_as="thousand_slices.png")
        v.key("a")
        v.wait_frames()
        self.assertIsNone(v.proc.poll())
        self.assertNotIn("rror", v.stderr())

    def test_editor_panel_curves_edit_and_channel(self):
        v = self.viewer
        before = v.screenshot()
        v.key("w")
        shown = v.wait_picture(lambda im: panel_pixels(im, reddish) > 100, what="the editor panel")
        v.screenshot(save_as="editor.png")
        self.assertGreater(panel_pixels(shown, lambda p: p[1] > 150 and p[0] < 80 and p[2] < 80), 50)
        self.assertGreater(panel_pixels(shown, lambda p: p[2] > 150 and p[0] < 80 and p[1] < 80), 50)
        self.assertGreater(panel_pixels(shown, lambda p: min(p) > 170), 50)

        # A left drag across the panel redraws the red curve, and the volume follows.
        v.drag(1, line_path((235, 60), (480, 60), 24))
        edited = v.wait_picture(changed(shown, PANEL, 100), what="the red curve to change")
        v.wait_picture(changed(before, (110, 250, 250, 390), 300), what="the volume's colours to change")
        v.screenshot(save_as="edited.png")

        v.key("x")
        green_edit = v.wait_picture(lambda im: panel_pixels(im, reddish) != panel_pixels(edited, reddish),
                                    what="the highlight to move to green")
        self.assertIsNotNone(green_edit)

        # Hidden again: the panel's upper-right corner, clear of the volume, is background.
        corner = (410, 12, 488, 45)
        self.assertGreater(edited.differing_pixels(before, corner), 100)
        v.key("w")
        v.wait_picture(lambda im: im.differing_pixels(before, corner) == 0, what="the panel to hide")

    def test_light_steering(self):
        v = self.viewer
        before = v.screenshot()
        v.key("l")
        v.drag(1, line_path((250, 250), (100, 250), 10))
        v.wait_picture(changed(before, VOLUME, 1000), what="the lighting to change")
        v.screenshot(save_as="light.png")
        v.key("q")
        self.assertEqual(v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
