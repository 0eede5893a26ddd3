"""Users' volumes on the real viewer: every sample format, --info, where files
written by other tools place their voxels, --screenshot, bad input, colour-map
files and the histogram, and keys + 4 on an opened volume."""
import io
import json
import os
import pathlib
import re
import subprocess
import tempfile
import unittest

import nibabel
import numpy
import pydicom
from pydicom.uid import generate_uid

import marker_volumes as mv
from harness import PANEL, SHOTS_DIR, Viewer, colourful, run_without_display, screenshot, wait_until

RAW = ("--raw", "128x128x64", "--type", "int16", "--big-endian", "--spacing", "1.5,1.5,3")
FORMATS = [("ct.nrrd", (), "NRRD"), ("ct.nii.gz", (), "NIfTI"), ("ct.mha", (), "MetaImage"),
           ("ct_dicom", (), "DICOM series"), ("ct_be.raw", RAW, "raw"), ("ct.vtk", (), "VTK"),
           ("ct.tif", ("--spacing", "1.5,1.5,3"), "TIFF")]  # TIFF keeps no slice spacing
PICTURE = (0, 30, 500, 500)  # all but the frame-rate text
TF_VOLUME = (110, 250, 390, 390)  # below the editor panel


def extent(image, bottom=390):
    """Width and height of the coloured part of the picture, above the logo."""
    xs, ys = zip(*[(x, y) for y in range(PICTURE[1], bottom, 2) for x in range(0, 500, 2)
                   if colourful(image.pixel(x, y), tolerance=40)])
    return max(xs) - min(xs), max(ys) - min(ys)


def bars(image):  # the histogram's grey-blue, lighter than the panel
    return image.count(PANEL, lambda p: 60 < p[0] < 120 and abs(p[0] - p[1]) < 6 and p[2] > p[0] + 10)


class CommandLineTest(unittest.TestCase):
    def test_info_for_each_sample_needs_no_display(self):
        # Signed CT values with negatives, the same in every format.
        # Shown in one order whatever the order each format stores (MetaImage's: P, I, L).
        ct = {"Value range": "-1008 to 1487", "Default window": "-1008:1487"}
        orientations, extents = [], []
        for name, extra, format_name in FORMATS + [("ct4d.nii.gz", (), "NIfTI")]:
            result = run_without_display("samples/" + name, *extra, "--info")
            self.assertEqual((result.returncode, result.stderr), (0, ""), name)
            info = dict(line.split(": ", 1) for line in result.stdout.splitlines())
            order = "L/P/S" if format_name in ("NRRD", "NIfTI", "MetaImage", "DICOM series") else "x/y/z"
            expected = {"File": "samples/" + name, "Format": format_name, "Voxel type": "int16",
                        **({"Dimensions": "64 x 64 x 32 (4 frames)", "Shown as": "64 x 64 x 32 in L/P/S order"}
                           if name == "ct4d.nii.gz" else dict(ct, **{"Shown as": "128 x 128 x 64 in %s order" % order})),
                        **({"Dimensions": "128 x 64 x 128", "Spacing": "1.5 x 3 x 1.5"} if name == "ct.mha" else {})}
            self.assertEqual({key: info.get(key) for key in expected}, expected)
            self.assertRegex(info["Orientation"], r"^[LRAPSI]{3}$")
            orientations.append(info["Orientation"])
            extents.append(mv.printed_extent(result.stdout))
        self.assertEqual(len(set(orientations[:3])), 3, "NRRD, NIfTI and MetaImage share one orientation")
        # One scan: one place in the patient from the anatomical formats, one plain x/y/z from raw, VTK, TIFF.
        self.assertEqual(len({str(e) for e in extents[:4]}) + len({str(e) for e in extents[4:7]}), 2, extents)
        self.assertEqual((extents[0][0], extents[4][0]), ("RAS", "xyz"))

    def test_each_bad_input_ends_with_one_line_before_any_window_and_help_and_version(self):
        scratch = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-bad-")))
        # Files that are no volume or are cut short: see test_volume_corpora; usage errors, test_refusals.
        empty, broken = scratch / "empty", scratch / "map.json"
        empty.mkdir()
        broken.write_text('[{"RGBPoints": [0, 1, 1, 1, -5, 0, 0, 0]}]')

        def named(name, reason=r"[^\n]+"):  # one line naming the file
            return r"[^\n]*%s: %s\n" % (re.escape(str(name)), reason)
        volumes = [[scratch / "missing.nrrd"], [empty],
                   ["samples/ct4d.nii.gz", "--frame", "4"],
                   ["samples/ct_be.raw", "--raw", "128x128x65", "--type", "int16"]]
        cases = [(args, 1, named(os.path.basename(args[0]))) for args in volumes]
        cases += [(["samples/ct.nrrd", "--tf", broken], 1,
                   named(broken, "RGBPoints not in increasing order of data value")),
                  (["samples/ct.nrrd", "--save-tf", "/no/dir/map.json"], 1,
                   named("/no/dir/map.json", "cannot write: No such file or directory"))]
        for args, code, stderr in cases + [(["--version"], 0, "")]:
            result = run_without_display(*args)
            self.assertEqual(result.returncode, code, args)
            self.assertRegex(result.stderr, r"\A%s\Z" % stderr)
            self.assertRegex(result.stdout, r"\Avolview \d+\.\d+\n\Z" if code == 0 else r"\A\Z")
        result = run_without_display("--help")
        self.assertEqual(result.returncode, 0)
        for option in ("--raw", "--type", "--window", "--spacing", "--max-size", "--frame", "--info",
                       "--tf", "--save-tf", "--screenshot", "--version"):
            self.assertIn(option, result.stdout)


class PlacementTest(unittest.TestCase):
    def assert_extent(self, path, affine, shape=(5, 6, 7)):
        # `volview --info` prints where the voxel centres lie under the affine (voxel to RAS mm).
        result = run_without_display(str(path), "--info")
        self.assertEqual((result.returncode, result.stderr), (0, ""), path)
        letters, error = mv.extent_error(result.stdout, affine, shape)
        self.assertEqual(letters, "RAS", result.stdout)
        self.assertLess(error, 0.051, result.stdout)
        if str(path).endswith(".nii.gz"):  # sizes and spacing in the file's storage order, as nibabel reads them
            image = nibabel.load(path)
            info = dict(line.split(": ", 1) for line in result.stdout.splitlines())
            self.assertEqual((info["Dimensions"], info["Spacing"], info["Orientation"]),
                             (" x ".join(map(str, image.shape)), " x ".join("%g" % z for z in image.header.get_zooms()),
                              "".join(nibabel.aff2axcodes(image.affine))))

    def test_files_of_other_tools_place_their_voxels_where_their_affines_say(self):
        scratch = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-placed-")))
        data = numpy.arange(5 * 6 * 7, dtype=numpy.int16).reshape(5, 6, 7)

        def affine(*columns, origin=(-30.5, 41.0, -12.25)):  # mm per file index step, then the first voxel
            return numpy.vstack([numpy.column_stack(columns + (origin,)), [0, 0, 0, 1]])
        # NIfTI by nibabel in four storage orders, coronal slices (file axes L, S, P) among them.
        for name, columns in [("ras", ((1.5, 0, 0), (0, 2, 0), (0, 0, 2.5))),
                              ("las", ((-1.5, 0, 0), (0, 2, 0), (0, 0, 2.5))),
                              ("lps", ((-1.5, 0, 0), (0, -2, 0), (0, 0, 2.5))),
                              ("coronal", ((-1.5, 0, 0), (0, 0, 2), (0, -2.5, 0)))]:
            nibabel.save(nibabel.Nifti1Image(data, affine(*columns)), scratch / (name + ".nii.gz"))
            self.assert_extent(scratch / (name + ".nii.gz"), affine(*columns))
        # A DICOM series by pydicom, coronal as scanners write it: along a row toward the left, down a
        # column toward inferior, slices 3 mm apart toward posterior.
        first, row, column, normal = numpy.array([-20.5, 10.0, 35.0]), (1, 0, 0), (0, 0, -1), numpy.array((0, 1, 0))
        (scratch / "dicom").mkdir()
        series = generate_uid()
        for k in range(5):
            (scratch / "dicom" / ("%d.dcm" % k)).write_bytes(
                mv.dicom_image(4, bytes(32), series, tuple(first + 3 * k * normal), orientation=row + column))
        lps = affine(numpy.multiply(row, mv.SPACING), numpy.multiply(column, mv.SPACING), 3 * normal, origin=first)
        self.assert_extent(scratch / "dicom", numpy.diag([-1, -1, 1, 1]) @ lps, shape=(4, 4, 5))
        # NRRD in RAS space, file axes A, S, L.
        (scratch / "ras.nrrd").write_bytes(
            b"NRRD0004\ntype: int16\ndimension: 3\nspace: right-anterior-superior\nsizes: 5 6 7\n"
            b"space directions: (0,1.5,0) (0,0,2) (-2.5,0,0)\nspace origin: (-30.5,41,-12.25)\n"
            b"endian: little\nencoding: raw\n\n" + data.tobytes(order="F"))
        self.assert_extent(scratch / "ras.nrrd", affine((0, 1.5, 0), (0, 0, 2), (-2.5, 0, 0)))


class SeveralSeriesTest(unittest.TestCase):
    def test_a_folder_of_two_series_names_both_and_opens_either(self):
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-series-")))
        uids = {}
        # Listed by series number, not by the order of their files or UIDs.
        for name, number, description, slices, value in (("b", 2, "T2 axial", 3, 100), ("a", 1, "T1 axial", 5, 200)):
            uids[number] = generate_uid()
            for k in range(slices):
                image = pydicom.dcmread(io.BytesIO(mv.dicom_image(4, numpy.full(16, value, "<i2").tobytes(), uids[number],
                                                                  (0.0, 0.0, 2.0 * k))))
                image.SeriesNumber, image.SeriesDescription = number, description
                image.save_as(folder / ("%s%d.dcm" % (name, k)))
        refused = run_without_display(str(folder))
        self.assertEqual((refused.returncode, refused.stdout, refused.stderr),
                         (1, "", "%s: folder holds 2 DICOM series: 1: T1 axial, 4 x 4 x 5; 2: T2 axial, 4 x 4 x 3; "
                                 "open one with --series N\n" % folder))
        listed = run_without_display(str(folder), "--info")
        self.assertEqual((listed.returncode, listed.stderr), (0, ""))
        self.assertEqual(listed.stdout.splitlines()[2:], ["Series: 2 (open one with --series N)",
                                                          "  1: T1 axial, 4 x 4 x 5", "  2: T2 axial, 4 x 4 x 3"])
        for choice, dimensions, values in (("2", "4 x 4 x 3", "100 to 100"), (uids[1][:-2], "4 x 4 x 5", "200 to 200")):
            info = run_without_display(str(folder), "--series", choice, "--info")
            self.assertEqual((info.returncode, info.stderr), (0, ""), choice)
            self.assertLessEqual({"Dimensions: " + dimensions, "Value range: " + values}, set(info.stdout.splitlines()))
        missing = run_without_display(str(folder), "--series", "3", "--info")
        self.assertEqual((missing.returncode, missing.stderr), (1, "%s: no DICOM series 3 (the folder holds 2)\n" % folder))


class PictureTest(unittest.TestCase):
    def test_every_format_shows_the_same_picture_in_true_proportions(self):
        reference, out = screenshot("ct-nrrd", "samples/ct.nrrd")
        self.assertIn("Screenshot written to shot.png\n", out)
        self.assertGreater(reference.count((200, 200, 300, 300), colourful), 5000)
        for name, extra, _ in FORMATS[1:]:
            picture, _ = screenshot("ct-" + name.replace(".", "-"), "samples/" + name, *extra)
            self.assertLess(picture.differing_pixels(reference, PICTURE), 500, name)

        # Voxels twice as wide along x: the picture twice as wide for its height.
        shapes = [extent(screenshot("ct-" + name, "samples/ct.nrrd", "--clean", *spacing)[0], 500)
                  for name, spacing in (("narrow", ()), ("wide", ("--spacing", "3,1.5,3")))]
        aspects = [width / height for width, height in shapes]
        self.assertAlmostEqual(aspects[1] / aspects[0], 2.0, delta=0.15)

    def test_screenshot_of_the_built_in_volume_and_with_a_map_written_elsewhere(self):
        picture, _ = screenshot("julia", geometry="320x240+0+0")
        self.assertEqual((picture.width, picture.height), (320, 240))  # GLUT's -geometry holds
        self.assertTrue(colourful(picture.pixel(160, 120)))

        path = pathlib.Path(SHOTS_DIR, "map.json")
        path.write_text(json.dumps([{"Name": "Greens", "ColorSpace": "Diverging", "NanColor": [1, 1, 0],
                                     "RGBPoints": [-1000, 0, 0.2, 0, 1000, 0.1, 1, 0.1],
                                     "Points": [0, 0, 0.5, 0, 1000, 1, 0.5, 0]}]))
        shot, _ = screenshot("tf-green", "samples/ct.nrrd", "--tf", path)
        self.assertGreater(shot.count(TF_VOLUME, lambda p: p[1] > p[0] + 40 and p[1] > p[2] + 40), 2000)


    def test_a_screenshot_on_a_full_disk_leaves_the_old_file_and_says_why(self):
        folder = self.enterContext(tempfile.TemporaryDirectory(prefix="volview-full-"))
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=96k", "tmpfs", folder], capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("no small file system can be mounted here: " + mounted.stderr.decode().strip())
        self.addCleanup(subprocess.run, ["umount", folder])
        shot = pathlib.Path(folder, "shot.png")
        shot.write_bytes(b"an older picture")
        pathlib.Path(folder, "filler").write_bytes(bytes(80000))  # the picture no longer fits
        with Viewer("full-disk", "samples/ct.nrrd", "--screenshot", str(shot)) as v:
            self.assertEqual(v.proc.wait(180), 1)
            # After the extension loader's report, one line.
            self.assertTrue(v.stderr().endswith("-=-\n\n%s: cannot write the screenshot: No space left on device\n"
                                                % shot), v.stderr())
        self.assertEqual(shot.read_bytes(), b"an older picture")
        self.assertEqual(sorted(os.listdir(folder)), ["filler", "shot.png"])  # no temporary left behind


class OpenedVolumeTest(unittest.TestCase):
    def test_histogram_edit_saved_on_release_reloads_the_same_then_plus_4_and_the_fluid_on_demand(self):
        saved = os.path.join(self.enterContext(tempfile.TemporaryDirectory()), "edited.json")
        reduced = ("samples/ct.nrrd", "--max-size", "64", "--zoom", "0.5")  # room to zoom into
        with Viewer("edit-keys", *reduced, "--save-tf", saved) as v:
            v.wait_first_frame()
            self.assertIn("Reduced 128x128x64 voxels to 64x64x32 to fit\n", v.stdout())
            shown = v.key("w", then=lambda im: bars(im) > 300, what="the histogram behind the curves")
            self.assertFalse(os.path.exists(saved))
            v.drag(1, (235, 60), (480, 60), 24)
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
            moved = v.key("4", then=lambda im: im.differing_pixels(zoomed, PICTURE) > 2000, what="move")
            v.wait_output(r"^Showing voxels x 17-100, y 22-105, z 11-52 at 64x64x32\n\Z")
            # The fluid's fields are made only when f asks for them.
            v.key("r")
            v.key("f", then=lambda im: im.differing_pixels(moved, PICTURE) > 2000, what="the fluid")
            v.wait_frames()
            v.key("q")
            self.assertEqual(v.proc.wait(60), 0)
        maps = json.loads(pathlib.Path(saved).read_text())
        self.assertEqual([len(m["RGBPoints"]) + len(m["Points"]) for m in maps], [2048])
        reloaded, _ = screenshot("tf-reloaded", *reduced, "--tf", saved)
        self.assertEqual(reloaded.differing_pixels(edited, TF_VOLUME, 2), 0)


if __name__ == "__main__":
    unittest.main()
