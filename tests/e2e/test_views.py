"""How an opened volume is shown: the anatomical views in every storage
order, the projections checked against the voxels, the iso-surface, the
camera and mode keys and the wheel, and turntables. Bad values: test_refusals."""
import pathlib
import re
import tempfile
import unittest

import nibabel
import numpy
from pydicom.uid import generate_uid

import marker_volumes as mv
from harness import Framing, Image, Viewer, framed_screenshot, pixels, run_without_display, screenshot, written

UNITS_PER_MM = Framing.LONGEST / (mv.SIZE * mv.SPACING)
CENTRE = 249.5  # between the middle pixels of a 500-pixel window
# Where the viewer stands and which way the patient's left / posterior /
# superior then point on the screen: (right, up) for each.
VIEWS = {
    "anterior": {"L": (1, 0), "P": (0, 0), "S": (0, 1)},
    "posterior": {"L": (-1, 0), "P": (0, 0), "S": (0, 1)},
    "left": {"L": (0, 0), "P": (1, 0), "S": (0, 1)},
    "right": {"L": (0, 0), "P": (-1, 0), "S": (0, 1)},
    "superior": {"L": (-1, 0), "P": (0, -1), "S": (0, 0)},
    "inferior": {"L": (1, 0), "P": (0, -1), "S": (0, 0)},
}
GREY = ("--preset", "grayscale")
# Framed, small volumes fill the window: no overlays over them.
ORTHO = ("--projection", "orthographic", "--window", "0:1000", "--clean", *GREY)
ORTHO_MIP = ORTHO + ("--mode", "mip")
PICTURE = (0, 30, 500, 500)  # all but the frame rate
SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="volview-views-"))


def expected_pixel(view, voxel, framing):
    # Window pixel (x right, y down, pixel centres at whole numbers) of a
    # voxel's centre in an orthographic view.
    mm = [(v - (mv.SIZE - 1) / 2) * mv.SPACING for v in voxel]
    axes = VIEWS[view]
    right = sum(m * axes[k][0] for m, k in zip(mm, "LPS"))
    up = sum(m * axes[k][1] for m, k in zip(mm, "LPS"))
    x, y = framing.pixel(right * UNITS_PER_MM, up * UNITS_PER_MM)
    return x - 0.5, y - 0.5


def centroid(image, test, away_from=None, distance=150, box=(0, 0, 500, 500)):
    points = [(x, y) for y in range(box[1], box[3], 2) for x in range(box[0], box[2], 2) if test(image.pixel(x, y))
              and (away_from is None or numpy.hypot(x - away_from[0], y - away_from[1]) > distance)]
    assert points, "no such pixel"
    return tuple(numpy.mean(points, axis=0))


class ViewTest(unittest.TestCase):
    def assert_markers(self, image, framing, view, label):
        bright = centroid(image, lambda p: p[0] > 230)
        dim = centroid(image, lambda p: 100 < p[0] < 150, away_from=bright)
        for found, voxel, what in ((bright, mv.BRIGHT, "bright"), (dim, mv.DIM, "dim")):
            want = expected_pixel(view, voxel, framing)
            self.assertLess(numpy.hypot(found[0] - want[0], found[1] - want[1]), 8,
                            "%s: %s marker at %s, expected %s" % (label, what, found, want))

    def test_markers_land_where_each_view_says_in_every_storage_order(self):
        volume = mv.markers()
        files = {"nifti-lps": written(SCRATCH / "markers.nii.gz", volume, mv.write_nifti_lps_order),
                 "nifti-coronal": written(SCRATCH / "coronal.nii.gz", volume, mv.write_nifti_coronal),
                 "dicom": written(SCRATCH / "markers_dicom", volume, mv.write_dicom_series)}
        for label, path in files.items():
            for view in VIEWS if label == "nifti-lps" else ("anterior", "left", "superior"):
                image, _, framing = framed_screenshot("view-%s-%s" % (label, view), path, *ORTHO_MIP,
                                                      "--view", view)
                self.assert_markers(image, framing, view, "%s %s" % (label, view))

    def test_projections_equal_the_voxels_projected_along_the_view(self):
        field = mv.smooth_field()
        path = written(SCRATCH / "field.nii.gz", field, mv.write_nifti_lps_order)
        ys, xs = numpy.mgrid[0:500, 0:500]
        windowed = field / 1000.0
        for mode, reduce in (("mip", numpy.max), ("minip", numpy.min), ("average", numpy.mean)):
            image, _, framing = framed_screenshot("projection-" + mode, path, *ORTHO, "--mode", mode)
            # Anterior: the screen's x is the patient's left (volume x), up is superior (z).
            right, up = framing.units(xs + 0.5, ys + 0.5)
            vx = right / (UNITS_PER_MM * mv.SPACING) + (mv.SIZE - 1) / 2
            vz = up / (UNITS_PER_MM * mv.SPACING) + (mv.SIZE - 1) / 2
            inside = (vx > 1) & (vx < mv.SIZE - 2) & (vz > 1) & (vz < mv.SIZE - 2)
            along = reduce(windowed, axis=1)  # [x, z]
            # Bilinear between voxel centres, as the texture samples.
            x0, z0 = numpy.floor(vx[inside]).astype(int), numpy.floor(vz[inside]).astype(int)
            fx, fz = vx[inside] - x0, vz[inside] - z0
            want = (along[x0, z0] * (1 - fx) * (1 - fz) + along[x0 + 1, z0] * fx * (1 - fz) +
                    along[x0, z0 + 1] * (1 - fx) * fz + along[x0 + 1, z0 + 1] * fx * fz)
            # Values the grayscale table shows nothing of (its entries up to a
            # tenth of the window) leave the background, whose red is 0; those
            # within an entry of that step may fall on either side.
            decided = numpy.abs(want * 255 - 25.5) > 1.5
            want = numpy.where(numpy.round(want * 255) <= 25, 0.0, want)
            grey = numpy.frombuffer(image.data, numpy.uint8).reshape(500, 500, 3)[..., 0] / 255.0
            error = numpy.abs(grey[inside] - want)[decided]
            self.assertLess(error.mean(), 0.015, mode)
            self.assertLess(numpy.percentile(error, 99), 0.05, mode)

    def test_iso_surface_of_a_sphere_has_its_radius(self):
        radius = 20
        path = written(SCRATCH / "sphere.nii.gz", mv.soft_sphere(radius), mv.write_nifti_lps_order)
        image, _, framing = framed_screenshot("iso-sphere", path, *ORTHO, "--mode", "iso", "--iso", "500")
        row = [x for x in range(500) if image.pixel(x, 250) != (0, 0, 51)]
        measured = (max(row) - min(row) + 1) / 2 / (framing.per_unit * UNITS_PER_MM * mv.SPACING)
        self.assertAlmostEqual(measured, radius, delta=1.0)


class FitTest(unittest.TestCase):
    def test_the_start_view_frames_what_shows_in_every_view(self):
        # A CT, an MR head and a flat slab (its start view looks through it):
        # what differs from the background spans 85-90 % of the window's
        # smaller side, centred, whichever side the viewer stands on.
        slab = numpy.zeros((128, 128, 10), numpy.int16)
        slab[20:110, 30:100, 2:8] = 800
        volumes = {"ct": "samples/ct.nrrd", "mr": "samples/mr.nii.gz",
                   "slab": written(SCRATCH / "slab.nii.gz", slab, lambda v, p: nibabel.save(
                       nibabel.Nifti1Image(v, numpy.diag([1.0, 1.0, 1.0, 1.0])), p))}
        for name, path in volumes.items():
            for view in VIEWS:
                image, _ = screenshot("fit-%s-%s" % (name, view), path, "--clean", "--view", view,
                                      geometry="400x300+0+0")
                shown = numpy.abs(pixels(image) - (0, 0, 51)).max(axis=-1) > 12
                ys, xs = numpy.nonzero(shown)
                span = max(xs.max() - xs.min() + 1, ys.max() - ys.min() + 1) / 300
                self.assertTrue(0.85 <= span <= 0.90, "%s from %s: spans %.3f" % (name, view, span))
                self.assertLess(abs((xs.min() + xs.max()) / 2 - 199.5), 3, (name, view))
                self.assertLess(abs((ys.min() + ys.max()) / 2 - 149.5), 3, (name, view))


class CameraTest(unittest.TestCase):
    def test_view_keys_zero_projection_wheel_and_shift_drag(self):
        path = written(SCRATCH / "markers.nii.gz", mv.markers(), mv.write_nifti_lps_order)
        sides = (("L", "left"), ("S", "superior"), ("P", "posterior"), ("I", "inferior"), ("R", "right"),
                 ("A", "anterior"))
        # A view key frames the volume as the start view from that side does.
        framings = {view: framed_screenshot("camera-" + view, path, *ORTHO_MIP, "--iso", "500", "--view", view)[2]
                    for _, view in sides}
        with Viewer("camera", path, *ORTHO_MIP, "--iso", "500") as v:
            first = v.wait_first_frame()
            bright = lambda im: centroid(im, lambda p: p[0] > 230)
            for key, view in sides:
                want = expected_pixel(view, mv.BRIGHT, framings[view])
                v.key(key, then=lambda im: numpy.hypot(*numpy.subtract(bright(im), want)) < 8,
                      what="the %s view" % view)
            # Wheel up zooms about the window's centre: the marker moves outwards.
            v.move(250, 250)
            for _ in range(3):
                v.xdotool("click", 4)
            start = numpy.subtract(expected_pixel("anterior", mv.BRIGHT, framings["anterior"]), CENTRE)
            v.wait_picture(lambda im: numpy.allclose(numpy.subtract(bright(im), CENTRE), start * 1.1 ** 3,
                                                     atol=8), what="zoomed in three steps")
            # Shift + middle drag pans by the drag.
            before = bright(v.screenshot())
            v.xdotool("keydown", "shift")
            v.drag(2, (260, 240), (200, 220), 6)
            v.xdotool("keyup", "shift")
            v.wait_picture(lambda im: numpy.allclose(bright(im), numpy.add(before, (-60, -20)), atol=8),
                           what="panned")
            # A middle drag without shift turns the volume; 0 brings back the start.
            v.drag(2, (250, 250), (330, 250), 8, then=lambda im: im.differing_pixels(first, PICTURE) > 500)
            v.key("0", then=lambda im: im.differing_pixels(first, PICTURE) < 50, what="the start view")
            perspective = v.key("o", then=lambda im: im.differing_pixels(first, PICTURE) > 100,
                                what="the perspective")
            v.wait_output("^Projection: perspective$")
            # m cycles minip, average, iso, composite, mip: each a different picture. In iso
            # mode ] lifts the surface above the dim marker's 500: that marker goes.
            shown = perspective
            for mode in ("minip", "average", "iso", "composite", "mip"):
                shown = v.key("m", then=lambda im, s=shown: im.differing_pixels(s, PICTURE) > 200,
                              what="mode " + mode)
                v.wait_output("^Render mode: %s$" % mode)
                if mode == "iso":
                    v.key("bracketright", then=lambda im, s=shown: im.differing_pixels(s, PICTURE) > 200)
                    v.key("bracketleft")
                    v.wait_output(r"^Iso value: 510\nIso value: 500$")
            v.key("q")
            self.assertEqual(v.proc.wait(60), 0)


    def test_light_steering_lights_an_opened_volume(self):
        # Composite draws opened volumes with a program of its own: it must take the light too.
        with Viewer("light", "samples/ct.nii.gz") as v:
            first = v.wait_first_frame()
            v.key("l")
            v.drag(1, (100, 250), (400, 250), 10)
            # Frames drawn while the button is down are coarser: compare one after them.
            lit = v.wait_frames(3)
            self.assertGreater(lit.differing_pixels(first, PICTURE), 2000)


class OutputTest(unittest.TestCase):
    def test_turntable_writes_every_turn_and_size_sets_the_picture(self):
        path = written(SCRATCH / "markers.nii.gz", mv.markers(), mv.write_nifti_lps_order)
        out = pathlib.Path(tempfile.mkdtemp(prefix="volview-turn-"))
        with Viewer("turntable", path, *ORTHO_MIP, "--size", "320x240", "--turntable", "4",
                    "--screenshot", str(out / "turn.png")) as v:
            self.assertEqual(v.proc.wait(180), 0, v.stderr())
        names = sorted(p.name for p in out.iterdir())
        self.assertEqual(names, ["turn_000.png", "turn_001.png", "turn_002.png", "turn_003.png"])
        frames = [Image(str(out / n)) for n in names]
        self.assertEqual({(f.width, f.height) for f in frames}, {(320, 240)})
        # A quarter turn about the vertical axis each, from the front: half-way
        # round, the patient's left, and its marker, are on the screen's left.
        xs = [centroid(f, lambda p: p[0] > 230, box=(0, 0, 320, 240))[0] for f in frames]
        self.assertGreater(xs[0], 160)
        self.assertLess(xs[2], 160)


class ObliqueTest(unittest.TestCase):
    def test_an_oblique_volume_is_shown_in_the_patients_frame(self):
        # A bar along the file's first axis with a block at its far end, saved as it is and with its
        # axes turned 30 degrees about the anterior axis: seen from the front, in 3D and on the coronal
        # slice, the picture turns by 30.
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-oblique-")))
        data = numpy.zeros((64, 64, 64), numpy.int16)
        data[8:56, 30:34, 30:34] = data[48:56, 26:38, 26:38] = 1000
        angles = {}
        for degrees in (0, 30):
            a = numpy.radians(degrees)
            turn = numpy.array([[numpy.cos(a), 0, -numpy.sin(a)], [0, 1, 0], [numpy.sin(a), 0, numpy.cos(a)]])
            affine = numpy.eye(4)
            affine[:3, :3], affine[:3, 3] = 2 * turn, -turn @ numpy.full(3, 64.0)
            path = folder / ("turned%d.nii.gz" % degrees)
            nibabel.save(nibabel.Nifti1Image(data, affine), path)
            info = run_without_display(str(path), "--info").stdout
            self.assertEqual("Note: axes turned 30.0\u00b0 from the patient's: resampled once onto the patient's axes, "
                             "1.73 x 2 x 1.73 mm in L/P/S order" in info, degrees == 30, info)
            for view in (("--view", "anterior", "--mode", "mip"), ("--layout", "coronal")):
                picture, _ = screenshot("oblique-%d%s" % (degrees, view[1]), str(path), *view, *ORTHO)
                ys, xs = numpy.nonzero(pixels(picture).min(axis=2) > 150)
                # The bar's long axis, and which way its block end lies (x right, y down).
                xs, ys = xs - xs.mean(), ys - ys.mean()
                values, vectors = numpy.linalg.eigh(numpy.cov([xs, ys]))
                axis = vectors[:, numpy.argmax(values)]
                axis = axis * numpy.sign(numpy.sign((xs * axis[0] + ys * axis[1]) ** 3).sum())  # the heavier end
                angles[degrees, view[1]] = numpy.degrees(numpy.arctan2(-axis[1], axis[0])) % 360  # counter-clockwise
        # The file's first axis runs toward the patient's right, shown on the screen's left; turned, it
        # rises toward the superior.
        for view in ("anterior", "coronal"):
            self.assertAlmostEqual(angles[0, view], 180, delta=1.5)
            self.assertAlmostEqual(angles[0, view] - angles[30, view], 30, delta=1.5)
        # A clip plane and a crop in RAS mm cut in the patient's frame: level (upright) on the screen,
        # across the turned bar.
        for cut, axis in ((("--clip", "0,0,1,0", "--caps", "off"), 1), (("--crop", "0:,,"), 0)):
            picture, _ = screenshot("oblique-cut", str(path), "--view", "anterior", *cut, *ORTHO_MIP)
            bright = pixels(picture).min(axis=2) > 150
            edge = numpy.nonzero(bright.any(axis=axis))[0][-1]
            across = [numpy.count_nonzero(bright.take(edge - inward, axis=1 - axis)) for inward in (1, 6)]
            self.assertGreater(across[0], 0.8 * across[1], cut)  # as wide at the edge as inside it


class ShearTest(unittest.TestCase):
    def test_a_sheared_volume_is_drawn_in_its_true_shape(self):
        # A rod along the slices and a slab, acquired with 15 degrees of gantry tilt: the columns tilt
        # about the left-right axis while the slices stack straight up. Written as a DICOM series and as
        # a NIfTI whose sform carries the shear, both seen from the left in a MIP must match the
        # projection of the voxels resampled here from their true positions.
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-shear-")))
        t, sizes = numpy.radians(15), (48, 48, 32)
        data = numpy.zeros(sizes, numpy.int16)
        data[20:28, 8:12, 2:30] = 1000
        data[16:32, 30:44, 10:16] = 600
        steps = numpy.array([[2, 0, 0], [0, 2 * numpy.cos(t), 0], [0, 2 * numpy.sin(t), 2.5]])  # LPS, per index axis
        origin = numpy.array([-48.0, -40.0, -30.0])
        lps = numpy.eye(4)
        lps[:3, :3], lps[:3, 3] = steps, origin
        nibabel.save(nibabel.Nifti1Image(data, numpy.diag([-1, -1, 1, 1]) @ lps), folder / "tilt.nii.gz")
        (folder / "dicom").mkdir()
        series = generate_uid()
        for k in range(sizes[2]):
            (folder / "dicom" / ("%02d.dcm" % k)).write_bytes(mv.dicom_image(
                48, numpy.ascontiguousarray(data[:, :, k].T).astype("<i2").tobytes(), series,
                tuple(origin + steps[:, 2] * k), orientation=(1, 0, 0, 0, numpy.cos(t), numpy.sin(t))))
        # Seen from the left, P runs right and S up; the x axis (along rows) is projected away.
        side = data.max(axis=0).astype(float)
        inverse = numpy.linalg.inv(steps[1:, 1:])
        for path in (folder / "dicom", folder / "tilt.nii.gz"):
            info = run_without_display(str(path), "--info").stdout
            note = ("Note: voxel axes sheared 15.0\u00b0 (gantry tilt or a sheared frame) and turned 15.0\u00b0 from the "
                    "patient's: resampled once onto the patient's axes, 2 x 1.93 x 2.5 mm in L/P/S order")
            self.assertIn(note, info)
            shown = [int(n) for n in re.search(r"^Shown as: (\d+) x (\d+) x (\d+)", info, re.M).groups()]
            spacing = (2, 2 * numpy.cos(t), 2.5)
            longest = max(n * s for n, s in zip(shown, spacing))
            # The new grid starts at the least corner of the voxels' extent; its centre, in LPS y and z:
            _, extent = mv.printed_extent(info)
            centre = [-extent[1][1] + (shown[1] - 1) * spacing[1] / 2, extent[2][0] + (shown[2] - 1) * spacing[2] / 2]
            picture, _, framing = framed_screenshot("shear-" + path.name, str(path), "--view", "left", *ORTHO_MIP)
            shot = pixels(picture).min(axis=2)[::2, ::2] / 255.0
            ys, xs = numpy.mgrid[0:500:2, 0:500:2] + 0.5
            right, up = framing.units(xs, ys)
            per_mm = Framing.LONGEST / longest
            mm = numpy.stack([centre[0] + right / per_mm, centre[1] + up / per_mm])
            j, k = numpy.tensordot(inverse, mm - origin[1:, None, None], axes=1)
            expected = bilinear(side, j, k) / 1000
            correlation = numpy.corrcoef(shot[15:].ravel(), expected[15:].ravel())[0, 1]
            self.assertGreaterEqual(correlation, 0.9, path)
            # Drawn upright instead, the same picture would not pass.
            upright = bilinear(side, (mm[0] - origin[1]) / 2, (mm[1] - origin[2]) / 2.5) / 1000
            self.assertLess(numpy.corrcoef(shot[15:].ravel(), upright[15:].ravel())[0, 1], 0.8, path)
        # python3-dipy's sheared and oblique scans open with their notes.
        dipy = pathlib.Path("/usr/lib/python3/dist-packages/dipy/data/files")
        for name, note in (("S0_10slices.nii.gz", "voxel axes sheared 53.0\u00b0 (gantry tilt or a sheared frame): "
                                                  "resampled once onto the patient's axes, 2 x 2 x 32 mm"),
                           ("aniso_vox.nii.gz", "axes turned 35.5\u00b0 from the patient's: resampled once")):
            _, output = screenshot("dipy-" + name, str(dipy / name))
            self.assertIn(note, output)


def bilinear(image, i, j):
    # image[i, j] at fractional indices; 0 beyond the outermost centres.
    inside = (i >= 0) & (i <= image.shape[0] - 1) & (j >= 0) & (j <= image.shape[1] - 1)
    i, j = numpy.clip(i, 0, image.shape[0] - 1), numpy.clip(j, 0, image.shape[1] - 1)
    i0, j0 = numpy.minimum(i.astype(int), image.shape[0] - 2), numpy.minimum(j.astype(int), image.shape[1] - 2)
    u, v = i - i0, j - j0
    value = ((image[i0, j0] * (1 - u) + image[i0 + 1, j0] * u) * (1 - v) +
             (image[i0, j0 + 1] * (1 - u) + image[i0 + 1, j0 + 1] * u) * v)
    return numpy.where(inside, value, 0.0)

if __name__ == "__main__":
    unittest.main()
