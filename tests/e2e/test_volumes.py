"""Users' volumes on the real viewer: every sample format, --info, --screenshot,
bad input, and keys + - 4 6 on an opened volume."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import BIN, RUN_DIR, SHOTS_DIR, Image, Viewer, colourful

SAMPLES = os.path.join(RUN_DIR, "samples")
RAW = ("--raw", "128x128x64", "--type", "int16", "--big-endian", "--spacing", "1.5,1.5,3")
FORMATS = [("ct.nrrd", (), "NRRD"), ("ct.nii.gz", (), "NIfTI"), ("ct.mha", (), "MetaImage"),
           ("ct_dicom", (), "DICOM series"), ("ct_be.raw", RAW, "raw"), ("ct.vtk", (), "VTK"),
           ("ct.tif", ("--spacing", "1.5,1.5,3"), "TIFF")]  # TIFF keeps no slice spacing
PICTURE = (0, 30, 500, 500)  # all but the frame-rate text


def run_without_display(*args):
    """Anything that would open a window fails here, with more than one line."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    return subprocess.run([os.path.abspath(BIN)] + list(args), cwd=RUN_DIR, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)


def screenshot(name, *args, geometry="500x500+0+0"):
    """Runs the viewer with --screenshot; returns its exit code, picture and stdout."""
    with Viewer(name, args=("-geometry", geometry) + args + ("--screenshot", "shot.png")) as v:
        code = v.wait_exit(180)
        png = os.path.join(v.workdir, "shot.png")
        if not os.path.exists(png):
            return code, None, v.stdout() + v.stderr()
        os.makedirs(SHOTS_DIR, exist_ok=True)
        shutil.copy(png, os.path.join(SHOTS_DIR, name + ".png"))
        ppm = subprocess.run(["convert", png, "ppm:-"], stdout=subprocess.PIPE, check=True).stdout
        return code, Image.from_ppm(ppm), v.stdout()


def extent(image):
    """Width and height of the coloured part of the picture."""
    xs, ys = [], []
    for y in range(PICTURE[1], 390, 2):  # above the logo
        for x in range(0, 500, 2):
            if colourful(image.pixel(x, y), tolerance=40):
                xs.append(x)
                ys.append(y)
    return max(xs) - min(xs), max(ys) - min(ys)


class InfoTest(unittest.TestCase):
    def test_info_for_each_sample_needs_no_display(self):
        for name, extra, format_name in FORMATS + [("ct4d.nii.gz", (), "NIfTI")]:
            result = run_without_display(os.path.join("samples", name), *extra, "--info")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "")
            info = dict(line.split(": ", 1) for line in result.stdout.splitlines())
            self.assertEqual(info["File"], os.path.join("samples", name))
            self.assertEqual(info["Format"], format_name)
            self.assertEqual(info["Voxel type"], "int16")
            self.assertRegex(info["Orientation"], r"^[LR][AP][SI]$|^[LRAPSI]{3}$")
            if name == "ct4d.nii.gz":
                self.assertEqual(info["Dimensions"], "64 x 64 x 32 (4 frames)")
                continue
            self.assertEqual(info["Dimensions"], "128 x 128 x 64")
            self.assertEqual(info["Spacing"], "1.5 x 1.5 x 3")
            # Signed CT values with negatives, the same in every format.
            self.assertEqual(info["Value range"], "-1008 to 1487")
            self.assertEqual(info["Default window"], "-21:976")
        orientations = {name: run_without_display("samples/" + name, "--info").stdout for name in
                        ("ct.nrrd", "ct.nii.gz", "ct.mha")}
        self.assertEqual(len({re.search(r"Orientation: (\w+)", text).group(1)
                              for text in orientations.values()}), 3, "the samples share one orientation")


class BadInputTest(unittest.TestCase):
    def test_each_bad_input_ends_with_one_line_before_any_window(self):
        scratch = tempfile.mkdtemp(prefix="volview-bad-")
        self.addCleanup(shutil.rmtree, scratch)
        notes = os.path.join(scratch, "notes.nrrd")
        with open(notes, "w") as f:
            f.write("not a volume\n")
        cut = os.path.join(scratch, "cut.nii.gz")
        with open(os.path.join(SAMPLES, "ct.nii.gz"), "rb") as f:
            data = f.read()
        with open(cut, "wb") as f:
            f.write(data[:len(data) // 2])
        empty = os.path.join(scratch, "empty")
        os.mkdir(empty)
        cases = [((os.path.join(scratch, "missing.nrrd"),), "missing.nrrd"),
                 ((notes,), "notes.nrrd"),
                 ((cut,), "cut.nii.gz"),
                 ((empty,), "empty"),
                 (("samples/ct_be.raw", "--raw", "128x128x65", "--type", "int16"), "ct_be.raw"),
                 (("samples/ct4d.nii.gz", "--frame", "4"), "ct4d.nii.gz")]
        for args, name in cases:
            result = run_without_display(*args)
            self.assertEqual(result.returncode, 1, args)
            self.assertEqual(result.stdout, "", args)
            self.assertRegex(result.stderr, r"^[^\n]*%s: [^\n]+\n$" % re.escape(name), args)

        for args in [("--bogus",), ("samples/ct.nrrd", "--window", "5:1"),
                     ("samples/ct.nrrd", "--raw", "1x2x3"), ("--info",), ("a.nrrd", "b.nrrd")]:
            result = run_without_display(*args)
            self.assertEqual(result.returncode, 2, args)
            self.assertEqual(result.stdout, "", args)
            self.assertIn("Usage: volview [GLUT options] [VOLUME] [options]", result.stderr)

    def test_help_and_version(self):
        result = run_without_display("--help")
        self.assertEqual(result.returncode, 0)
        for option in ("--raw", "--type", "--window", "--spacing", "--max-size", "--frame", "--info",
                       "--tf", "--save-tf", "--screenshot", "--version"):
            self.assertIn(option, result.stdout)
        result = run_without_display("--version")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertRegex(result.stdout, r"^volview \d+\.\d+\n$")


class PictureTest(unittest.TestCase):
    def test_every_format_shows_the_same_picture_in_true_proportions(self):
        code, reference, out = screenshot("ct-nrrd", "samples/ct.nrrd")
        self.assertEqual(code, 0, out)
        self.assertIn("Screenshot written to shot.png\n", out)
        centre = reference.region(200, 200, 300, 300)
        self.assertGreater(sum(1 for p in centre if colourful(p)), 5000)
        for name, extra, _ in FORMATS[1:]:
            code, picture, out = screenshot("ct-" + name.replace(".", "-"), "samples/" + name, *extra)
            self.assertEqual(code, 0, out)
            self.assertLess(picture.differing_pixels(reference, PICTURE), 500, name)

        # Voxels twice as wide along x: the picture keeps the width and halves the height.
        width, height = extent(reference)
        _, wide, _ = screenshot("ct-wide", "samples/ct.nrrd", "--spacing", "3,1.5,3")
        wide_width, wide_height = extent(wide)
        self.assertAlmostEqual(wide_width / width, 1.0, delta=0.1)
        self.assertAlmostEqual(wide_height / height, 0.5, delta=0.1)

    def test_screenshot_of_the_built_in_volume_and_into_a_missing_folder(self):
        code, picture, out = screenshot("julia", geometry="320x240+0+0")
        self.assertEqual(code, 0, out)
        self.assertEqual((picture.width, picture.height), (320, 240))  # GLUT's -geometry holds
        self.assertTrue(colourful(picture.pixel(160, 120)))
        with Viewer("shot-nowhere", args=("samples/ct.nrrd", "--screenshot", "no/such/dir/shot.png")) as v:
            self.assertEqual(v.wait_exit(180), 1)
            self.assertEqual(v.stderr().splitlines()[-1],
                             "no/such/dir/shot.png: cannot write the screenshot: No such file or directory")


class KeysTest(unittest.TestCase):
    def test_plus_and_4_look_into_the_full_resolution_volume(self):
        with Viewer("keys", args=("-geometry", "500x500+0+0", "samples/ct.nrrd", "--max-size", "64")) as v:
            whole = v.wait_first_frame()
            self.assertIn("Reduced 128x128x64 voxels to 64x64x32 to fit\n", v.stdout())
            for _ in range(6):
                v.key("plus")
            v.wait_output(r"(^Showing .*\n){6}")
            zoomed = v.wait_picture(lambda im: extent(im)[0] > extent(whole)[0] * 1.4, what="zoom")
            v.screenshot(save_as="ct-zoomed.png")
            # 64 texels now span 84 of the file's voxels instead of all 128.
            self.assertTrue(v.stdout().endswith("Showing voxels x 22-105, y 22-105, z 11-52 at 64x64x32\n"))
            v.key("4")
            v.wait_output(r"^Showing voxels x 17-100, y 22-105, z 11-52 at 64x64x32\n\Z")
            v.wait_picture(lambda im: im.differing_pixels(zoomed, PICTURE) > 2000, what="move")
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
