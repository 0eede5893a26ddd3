"""Picture fidelity and speed of opened volumes: one smooth shell where the
table has one sharp step, --slices, --benchmark, and the level of detail
while a button is held."""
import pathlib
import re
import tempfile
import unittest

import nibabel
import numpy

from harness import Viewer, framed_screenshot, pixels, screenshot

PICTURE = (0, 30, 500, 400)  # below the frame rate, above the logo and the marker
# A real MR scan from python3-nibabel's test data: 128 x 96 x 24, two volumes.
REAL_MR = "/usr/lib/python3/dist-packages/nibabel/tests/data/example4d.nii.gz"


def setUpModule():
    global SCRATCH
    SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="volview-fidelity-"))


def radial_ramp():
    """int16 from 1000 at the centre down to 0 at 30 voxels, smooth: any step
    in the picture comes from the renderer."""
    path = SCRATCH / "ramp.nii.gz"
    if not path.exists():
        x, y, z = numpy.meshgrid(*[numpy.arange(64, dtype=float) - 31.5] * 3, indexing="ij")
        ramp = 1000 * numpy.clip(1 - numpy.sqrt(x * x + y * y + z * z) / 30, 0, 1)
        nibabel.save(nibabel.Nifti1Image(numpy.round(ramp).astype(numpy.int16), numpy.eye(4)), str(path))
    return str(path)


def sharp_step_map():
    """White, transparent below 500 and an opacity of 0.3 from 501: a shell at
    15 voxels, seen through a little, so that slices sampling the step at
    different depths would show as bands."""
    path = SCRATCH / "step.json"
    path.write_text('{"RGBPoints": [0, 1, 1, 1, 1000, 1, 1, 1],'
                    ' "Points": [0, 0, 0.5, 0, 499, 0, 0.5, 0, 501, 0.3, 0.5, 0, 1000, 0.3, 0.5, 0]}')
    return str(path)


def greys(image, y, x0, x1):
    return [sum(image.pixel(x, y)) / 3 for x in range(x0, x1)]


class FidelityTest(unittest.TestCase):
    def test_a_sharp_step_of_the_table_on_smooth_data_is_one_smooth_shell(self):
        image, _, framing = framed_screenshot("contour-shell", radial_ramp(), "--window", "0:1000",
                                              "--tf", sharp_step_map(), "--projection", "orthographic", "--clean")
        # Along a radius through the shell's centre: shading that falls off
        # smoothly, then one edge to the background.
        x0, y0 = (round(c) for c in framing.pixel(0, 0))
        row = greys(image, y0, x0, 500)
        jumps = [x for x, (a, b) in enumerate(zip(row, row[1:])) if abs(a - b) > 12]
        # Neighbouring jumps are one edge spread over two pixels.
        edges = [x for x in jumps if x - 1 not in jumps]
        self.assertEqual(len(edges), 1, "jumps at %s" % jumps)
        radius_px = x0 + (jumps[0] + jumps[-1]) / 2 + 1 - framing.pixel(0, 0)[0]
        px_per_voxel = framing.per_unit * framing.LONGEST / 64
        self.assertAlmostEqual(radius_px / px_per_voxel, 15, delta=1)

    def test_slices_and_benchmark(self):
        path = radial_ramp()
        many, _ = screenshot("slices-200", path, "--window", "0:1000", "--tf", sharp_step_map())
        few, _ = screenshot("slices-4", path, "--window", "0:1000", "--tf", sharp_step_map(), "--slices", "4")
        self.assertGreater(few.differing_pixels(many, PICTURE), 2000)

        # A target no frame meets: the interactive frames must cost less than the still ones.
        with Viewer("benchmark", path, "--window", "0:1000", "--tf", sharp_step_map(), "--benchmark", "6",
                    "--slices", "100", "--interactive-ms", "5") as v:
            self.assertEqual(v.proc.wait(300), 0, v.stderr())
            out = v.stdout()
        line = r"^%s: median ([\d.]+) ms, 90th percentile ([\d.]+) ms, ([\d.]+) frames per second$"
        self.assertRegex(out, r"(?m)^Benchmark: 6 frames turning once, 500x500 window, 100 slices$")
        full = [float(g) for g in re.search(line % "Full detail", out, re.M).groups()]
        interactive = [float(g) for g in re.search(line % "Interactive", out, re.M).groups()]
        self.assertLessEqual(full[0], full[1])
        self.assertRegex(out, r"(?m)^Interactive detail: \d+ slices, viewport [\d.]+ of the window$")
        # Outside the shell's ball the table shows nothing: those bricks are skipped.
        skipped, cut = map(int, re.search(r"(?m)^Empty space: (\d+)% of the bricks skipped, slices cut to "
                                          r"(\d+)% of the volume's box$", out).groups())
        self.assertGreater(skipped, 30)
        self.assertLess(cut, 60)
        self.assertLess(interactive[0], full[0])

    def test_front_to_back_with_early_stops_keeps_the_picture_and_shades_less(self):
        x0, y0, x1, y1 = PICTURE
        # The most each may rasterize and blend of what back to front does
        # (today about 0.75 and 0.2, 0.7 and 0.33, 0.7 and 0.11): the MR
        # scans hide most of their depth behind the first tissue, the CT's
        # translucent skin less.
        for volume, most in ((REAL_MR, (0.85, 0.35)), ("samples/ct.nrrd", (0.8, 0.5)),
                             ("samples/mr.nii.gz", (0.8, 0.25))):
            name = pathlib.Path(volume).name
            new, _ = screenshot("front-to-back-" + name, volume, "--slices", "150")
            old, _ = screenshot("back-to-front-" + name, volume, "--slices", "150", "--back-to-front")
            difference = numpy.abs(pixels(new) - pixels(old))[y0:y1, x0:x1] / 255
            self.assertLessEqual(difference.mean(), 0.004, name)
            self.assertGreater(new.count(PICTURE, lambda p: sum(p) > 150), 2000, name)
            # Counted by the GL, not timed: the stops and the skipped empty
            # space must leave work undone.
            counts = []
            for order in ((), ("--back-to-front",)):
                with Viewer("fragments", volume, "--slices", "150", "--benchmark", "2", *order) as v:
                    self.assertEqual(v.proc.wait(300), 0, v.stderr())
                    found = re.search(r"(?m)^Fragments per frame: ([\d.]+) million rasterized, ([\d.]+) million "
                                      r"blended at full detail \(([\d.]+) and ([\d.]+) per window pixel\); "
                                      r"([\d.]+) and ([\d.]+) million interactive$", v.stdout())
                    self.assertIsNotNone(found, v.stdout())
                    counts.append([float(g) for g in found.groups()])
            (rasterized, blended, *_), (all_rasterized, all_blended, *_) = counts
            self.assertLessEqual(rasterized, most[0] * all_rasterized, name)
            self.assertLess(blended, most[1] * all_blended, name)

    def test_a_long_benchmark_says_how_far_it_is(self):
        with Viewer("benchmark-long", "samples/ct.nrrd", "--benchmark", "6", "--slices", "2000") as v:
            self.assertEqual(v.proc.wait(600), 0, v.stderr())
            out = v.stdout()
        progress = [tuple(map(int, m)) for m in re.findall(r"(?m)^Benchmark: (\d+) of 12 frames, about (\d+) s left$", out)]
        # A line every 10 s of drawing: frames that took 12 s in all print one.
        medians = [float(m) for m in re.findall(r"(?m)^(?:Full detail|Interactive): median ([\d.]+) ms", out)]
        self.assertEqual(len(medians), 2, out)
        if 6 * sum(medians) > 12000:
            self.assertGreater(len(progress), 0, out)
        self.assertEqual([done for done, _ in progress], sorted({done for done, _ in progress}))
        self.assertRegex(out, r"(?m)^Benchmark: 6 frames turning once, 500x500 window, 2000 slices$")

    def test_holding_a_button_lowers_the_detail_and_the_still_frame_after_release_is_the_same(self):
        with Viewer("detail", radial_ramp(), "--window", "0:1000", "--tf", sharp_step_map(),
                    "--interactive-ms", "5") as v:
            v.wait_first_frame()
            still = v.wait_frames(2)
            v.move(250, 250)
            v.xdotool("mousedown", 2)
            v.wait_picture(lambda im: im.differing_pixels(still, PICTURE) > 200, what="a lower detail")
            v.xdotool("mouseup", 2)
            v.wait_picture(lambda im: im.differing_pixels(still, PICTURE, 0) == 0,
                           what="the same still frame again")


if __name__ == "__main__":
    unittest.main()
