"""Users' volumes on the real viewer: every sample format, --info, --screenshot,
bad input, colour-map files and the histogram, and keys + 4 on an opened volume."""
import json
import os
import pathlib
import re
import shutil
import tempfile
import unittest

from harness import (PANEL, RUN_DIR, SHOTS_DIR, Viewer, colourful, line_path, run_without_display, screenshot,
                     wait_until)

SAMPLES = os.path.join(RUN_DIR, "samples")
RAW = ("--raw", "128x128x64", "--type", "int16", "--big-endian", "--spacing", "1.5,1.5,3")
FORMATS = [("ct.nrrd", (), "NRRD"), ("ct.nii.gz", (), "NIfTI"), ("ct.mha", (), "MetaImage"),
           ("ct_dicom", (), "DICOM series"), ("ct_be.raw", RAW, "raw"), ("ct.vtk", (), "VTK"),
           ("ct.tif", ("--spacing", "1.5,1.5,3"), "TIFF")]  # TIFF keeps no slice spacing
PICTURE = (0, 30, 500, 500)  # all but the frame-rate text
TF_VOLUME = (110, 250, 390, 390)  # below the editor panel


def extent(image):
    """Width and height of the coloured part of the picture."""
    xs, ys = [], []
    for y in range(PICTURE[1], 390, 2):  # above the logo
        for x in range(0, 500, 2):
            if colourful(image.pixel(x, y), tolerance=40):
                xs.append(x)
                ys.append(y)
    return max(xs) - min(xs), max(ys) - min(ys)


def bars(image):  # the histogram's grey-blue, lighter than the panel
    return sum(1 for p in image.region(*PANEL) if 60 < p[0] < 120 and abs(p[0] - p[1]) < 6 and p[2] > p[0] + 10)


class InfoTest(unittest.TestCase):
    def test_info_for_each_sample_needs_no_display(self):
        orientations = set()
        for name, extra, format_name in FORMATS + [("ct4d.nii.gz", (), "NIfTI")]:
            result = run_without_display(os.path.join("samples", name), *extra, "--info")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "")
            info = dict(line.split(": ", 1) for line in result.stdout.splitlines())
            self.assertEqual(info["File"], os.path.join("samples", name))
            self.assertEqual(info["Format"], format_name)
            self.assertEqual(info["Voxel type"], "int16")
            self.assertRegex(info["Orientation"], r"^[LR][AP][SI]$|^[LRAPSI]{3}$")
            if name in ("ct.nrrd", "ct.nii.gz", "ct.mha"):
                orientations.add(info["Orientation"])
            if name == "ct4d.nii.gz":
                self.assertEqual(info["Dimensions"], "64 x 64 x 32 (4 frames)")
                continue
            self.assertEqual(info["Dimensions"], "128 x 128 x 64")
            self.assertEqual(info["Spacing"], "1.5 x 1.5 x 3")
            # Signed CT values with negatives, the same in every format.
            self.assertEqual(info["Value range"], "-1008 to 1487")
            self.assertEqual(info["Default window"], "-21:976")
        self.assertEqual(len(orientations), 3, "the samples share one orientation")


class BadInputTest(unittest.TestCase):
    def test_each_bad_input_ends_with_one_line_before_any_window(self):
        scratch = tempfile.mkdtemp(prefix="volview-bad-")
        self.addCleanup(shutil.rmtree, scratch)
        notes, cut = pathlib.Path(scratch, "notes.nrrd"), pathlib.Path(scratch, "cut.nii.gz")
        notes.write_text("not a volume\n")
        data = pathlib.Path(SAMPLES, "ct.nii.gz").read_bytes()
        cut.write_bytes(data[:len(data) // 2])
        empty = os.path.join(scratch, "empty")
        os.mkdir(empty)
        cases = [((os.path.join(scratch, "missing.nrrd"),), "missing.nrrd"), ((str(notes),), "notes.nrrd"),
                 ((str(cut),), "cut.nii.gz"), ((empty,), "empty"),
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
        code, _, out = screenshot("shot-nowhere", "samples/ct.nrrd", to="no/such/dir/shot.png")
        self.assertEqual((code, out.splitlines()[-1]),
                         (1, "no/such/dir/shot.png: cannot write the screenshot: No such file or directory"))


class OpenedVolumeTest(unittest.TestCase):
    def test_histogram_edit_saved_on_release_reloads_the_same_then_plus_and_4_zoom_into_the_file(self):
        saved = os.path.join(SHOTS_DIR, "edited.json")
        if os.path.exists(saved):
            os.remove(saved)
        reduced = ("samples/ct.nrrd", "--max-size", "64")
        with Viewer("edit-keys", args=("-geometry", "500x500+0+0") + reduced + ("--save-tf", saved)) as v:
            v.wait_first_frame()
            self.assertIn("Reduced 128x128x64 voxels to 64x64x32 to fit\n", v.stdout())
            v.key("w")
            shown = v.wait_picture(lambda im: bars(im) > 300, what="the histogram behind the curves")
            self.assertFalse(os.path.exists(saved))
            v.drag(1, line_path((235, 60), (480, 60), 24))
            wait_until(lambda: os.path.exists(saved), what="the map written on release")
            v.key("w")
            v.wait_frames(2)
            edited = v.screenshot(save_as="tf-edited.png")
            self.assertGreater(edited.differing_pixels(shown, TF_VOLUME), 500)

            for _ in range(6):
                v.key("plus")
            v.wait_output(r"(^Showing .*\n){6}")
            zoomed = v.wait_picture(lambda im: extent(im)[0] > extent(edited)[0] * 1.4, what="zoom")
            v.screenshot(save_as="ct-zoomed.png")
            # 64 texels now span 84 of the file's voxels instead of all 128.
            self.assertTrue(v.stdout().endswith("Showing voxels x 22-105, y 22-105, z 11-52 at 64x64x32\n"))
            v.key("4")
            v.wait_output(r"^Showing voxels x 17-100, y 22-105, z 11-52 at 64x64x32\n\Z")
            v.wait_picture(lambda im: im.differing_pixels(zoomed, PICTURE) > 2000, what="move")
            v.key("q")
            self.assertEqual(v.wait_exit(), 0)
        with open(saved) as f:
            self.assertEqual([len(m["RGBPoints"]) + len(m["Points"]) for m in json.load(f)], [2048])
        _, reloaded, _ = screenshot("tf-reloaded", *reduced, "--tf", saved)
        self.assertEqual(reloaded.differing_pixels(edited, TF_VOLUME, 2), 0)

    def test_map_written_elsewhere_loads_and_broken_map_is_refused(self):
        path = os.path.join(SHOTS_DIR, "map.json")
        with open(path, "w") as f:
            json.dump([{"Name": "Greens", "ColorSpace": "Diverging", "NanColor": [1, 1, 0],
                        "RGBPoints": [-1000, 0, 0.2, 0, 1000, 0.1, 1, 0.1],
                        "Points": [0, 0, 0.5, 0, 1000, 1, 0.5, 0]}], f)
        code, shot, out = screenshot("tf-green", "samples/ct.nrrd", "--tf", path)
        self.assertEqual(code, 0, out)
        self.assertGreater(sum(1 for p in shot.region(*TF_VOLUME) if p[1] > p[0] + 40 and p[1] > p[2] + 40), 2000)

        with open(path, "w") as f:
            f.write('[{"RGBPoints": [0, 1, 1, 1, -5, 0, 0, 0]}]')
        for option, file, reason in [("--tf", path, "RGBPoints not in increasing order of data value"),
                                     ("--save-tf", "/no/dir/map.json", "cannot write: No such file or directory")]:
            run = run_without_display("samples/ct.nrrd", option, file)
            self.assertEqual((run.returncode, run.stdout, run.stderr), (1, "", "%s: %s\n" % (file, reason)))


if __name__ == "__main__":
    unittest.main()
