"""A viewer opened on a volume makes the fluid's fields only when f asks for them."""
import unittest

from harness import Viewer


class FluidOnDemandTest(unittest.TestCase):
    def test_r_before_any_fluid_then_f_runs_it(self):
        with Viewer("fluid-on-demand", args=("-geometry", "500x500+0+0", "samples/ct.nrrd")) as v:
            volume = v.wait_first_frame()
            v.key("r")  # no fields to clear yet
            v.key("f")
            v.wait_picture(lambda im: im.differing_pixels(volume, (0, 30, 500, 500)) > 2000, what="the fluid")
            v.wait_frames()
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
