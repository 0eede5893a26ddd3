"""The slice views end to end: pictures and printed values checked against
what the files themselves say (slice_oracle), in a permuted and flipped
NIfTI and a coronal DICOM series; full resolution beyond the 3D texture;
the probe and slice steps, the window drag, the ruler and the cursor's
clamp. Bad values: test_refusals."""
import os
import pathlib
import re
import shutil
import tempfile
import unittest

import nibabel
import numpy

import marker_volumes as mv
import slice_oracle as so
from harness import Image, Viewer, screenshot, wait_until

SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="volview-slices-"))
WINDOW = (400.0, 1800.0)
SLICE_WINDOW = ("--slice-window", "%g:%g" % WINDOW)
SINGLE = (0, 0, 500, 500 - so.STATUS)  # the pane of a single-slice layout in a 500 x 500 window
PLANES = ("axial", "coronal", "sagittal")
COLOURS = {"axial": (242, 89, 89), "coronal": (102, 230, 102), "sagittal": (242, 217, 77)}
RULER = (77, 230, 255)
# The phantom, in mm from the voxels' box centre (R, A, S): a bright blob on
# the patient's left, anterior and superior, a broad dim one right-posterior-inferior.
BRIGHT, DIM = numpy.array([-18.0, 22.0, 16.0]), numpy.array([14.0, -22.0, -10.0])
CURSOR = numpy.array([-8.3, 12.3, 8.4])  # between voxel planes in both files
# Where the bright blob lies in each pane: right of the centre, and up.
SIDES = {(False, "axial"): (True, True), (False, "coronal"): (True, True), (False, "sagittal"): (False, True),
         (True, "axial"): (False, True), (True, "coronal"): (False, True), (True, "sagittal"): (False, True)}
CURSOR_LINE = re.compile(r"^Cursor: ([RL]) (-?\d+\.\d) ([AP]) (-?\d+\.\d) ([SI]) (-?\d+\.\d) mm, "
                         r"voxel (\d+) (\d+) (\d+), value (-?\d+)$", re.M)


def phantom(offset):
    """Data values at mm offsets (..., 3) from the box centre: gradients along all three axes, two blobs."""
    def blob(centre, sigma):
        return numpy.exp(-numpy.sum((offset - centre) ** 2, axis=-1) / (2 * sigma ** 2))
    return 600 + offset @ [3.0, 5.0, 4.0] + 1500 * blob(BRIGHT, 9) + 600 * blob(DIM, 16)


def write_permuted_nifti(path):
    # File axes toward posterior, superior and the patient's left, 2.5 x 3 x 2 mm, voxel 0 at the
    # anterior right inferior corner (40, 60, -30 mm); int16 through a slope and intercept.
    affine = numpy.array([[0, 0, -2.0, 40.0], [-2.5, 0, 0, 60.0], [0, 3.0, 0, -30.0], [0, 0, 0, 1]])
    shape = (44, 30, 36)
    ras = so.FileVolume(numpy.zeros(shape), affine).to_ras(numpy.stack(numpy.indices(shape), -1))
    centre = affine[:3, :3] @ ((numpy.array(shape) - 1) / 2) + affine[:3, 3]
    stored = numpy.round((phantom(ras - centre) + 100) / 2).astype(numpy.int16)
    image = nibabel.Nifti1Image(stored, affine)
    image.header.set_slope_inter(2.0, -100.0)
    nibabel.save(image, path)


def write_coronal_dicom(folder):
    # Coronal images, 48 x 48 at 2 mm: rows toward the patient's right, columns toward inferior,
    # 40 slices 2 mm apart stepping anterior.
    os.makedirs(folder, exist_ok=True)
    series, size, slices = mv.generate_uid(), 48, 40
    first = numpy.array([50.0, 30.0, 80.0])  # LPS of slice 0's first voxel
    rows, columns = numpy.mgrid[0:size, 0:size]
    for s in range(slices):
        lps = numpy.stack([first[0] - 2.0 * columns, first[1] - 2.0 * s + 0 * rows, first[2] - 2.0 * rows], -1)
        centre = first + [-(size - 1), -(slices - 1), -(size - 1)]
        offset = (lps - centre) * [-1, -1, 1]
        pixels = numpy.round(phantom(offset)).astype("<i2").tobytes()
        with open(os.path.join(folder, "im%03d.dcm" % s), "wb") as out:
            out.write(mv.dicom_image(size, pixels, series, first - [0, 2.0 * s, 0],
                                     orientation=(-1.0, 0.0, 0.0, 0.0, 0.0, -1.0)))


def scratch(name, writer):
    path = SCRATCH / name
    if not path.exists():
        writer(str(path))
    return str(path)


def permuted():
    return scratch("permuted.nii.gz", write_permuted_nifti)


def box_centre(volume):
    low, high = volume.box()
    return (low + high) / 2


def ras_option(point):
    return "%.4f,%.4f,%.4f" % tuple(point)


def cursor_lines(viewer):
    return [(tuple(float(m[i]) for i in (2, 4, 6)), tuple(int(m[i]) for i in (7, 8, 9)), int(m[10]), m.group(0))
            for m in CURSOR_LINE.finditer(viewer.stdout())]


def next_cursor(viewer, count):
    # The count-th Cursor line (1-based), once printed: position, file voxel, value.
    lines = wait_for(lambda: cursor_lines(viewer), count, "Cursor line %d" % count)
    return lines[count - 1]


def wait_for(lines, count, what):
    # lines() once it holds count of them.
    return wait_until(lambda: found if len(found := lines()) >= count else None, what=what)


def open_window(viewer):
    # Slice layouts start with the status strip drawn along the bottom.
    viewer.window = viewer.find_window()
    return viewer.wait_picture(lambda im: im.pixel(499, 499) == (31, 31, 36), what="the first frame")


def pane_changed(before, box):
    # Below the frame rate, which changes by itself.
    x, y, w, h = box
    top = max(y, so.FPS_BOX[3])
    return lambda im: im.differing_pixels(before, (x, top, x + w, y + h), tolerance=2) > 0


class SliceTest(unittest.TestCase):
    def assert_agrees(self, image, box, want, label, correlation=0.95, error=1.0):
        r, mae = so.agreement(image, box, want)
        self.assertGreaterEqual(r, correlation, "%s: correlation %.3f" % (label, r))
        self.assertLess(mae, error, "%s: mean absolute error %.2f grey levels" % (label, mae))


class SliceViewTest(SliceTest):
    def test_slices_of_a_permuted_nifti_and_a_coronal_dicom_series_equal_the_files(self):
        files = {"nifti": (permuted(), so.FileVolume.nifti),
                 "dicom": (scratch("coronal_dicom", write_coronal_dicom), so.FileVolume.dicom)}
        for label, (path, reader) in files.items():
            volume = reader(path)
            cursor = box_centre(volume) + CURSOR
            for neurological in (False, True):
                for plane in PLANES:
                    name = "slice-%s-%s%s" % (label, plane, "-neuro" if neurological else "")
                    args = ("--layout", plane, "--cursor", ras_option(cursor)) + SLICE_WINDOW
                    image, _ = screenshot(name, path, *args, *(("--neurological",) if neurological else ()))
                    want = so.expected_pane(volume, plane, cursor, SINGLE[2:], WINDOW, neurological)
                    self.assert_agrees(image, SINGLE, want, name)
                    grey = so.pixels(image, SINGLE)[..., 0]
                    lx0, ly0, lx1, ly1 = so.logo_box(image.width, image.height)
                    grey[ly0:ly1, lx0:lx1] = 0  # the logo is white too
                    x, y = so.centroid(grey, lambda g: g > 180)
                    self.assertEqual((x > SINGLE[2] / 2, y < SINGLE[3] / 2), SIDES[neurological, plane],
                                     "%s: the bright blob at %.0f, %.0f" % (name, x, y))
                    self.assert_crosshair(image, plane, volume, cursor, neurological, name)

    def assert_crosshair(self, image, plane, volume, cursor, neurological, name):
        # The other two planes through the cursor: the line across the screen's right in the colour
        # of the plane normal to it, the line down in that of the plane normal to down.
        want = so.pane_position(volume, plane, cursor, *SINGLE[2:], neurological)
        rgb = so.pixels(image, SINGLE)
        for along, (axis, _) in enumerate(so.SCREEN[plane]):
            colour = COLOURS[next(p for p, normal in so.NORMAL.items() if normal == axis)]
            hits = (abs(rgb - colour).max(axis=2) <= 3).sum(axis=along)
            self.assertLessEqual(abs(numpy.argmax(hits) - want[along]), 1,
                                 "%s: the %s line" % (name, "vertical" if along == 0 else "horizontal"))

    def test_quad_panes_lie_where_the_layout_says_and_a_turntable_turns_only_the_3d_pane(self):
        path = permuted()
        volume = so.FileVolume.nifti(path)
        cursor = box_centre(volume) + CURSOR
        out = pathlib.Path(tempfile.mkdtemp(prefix="quad-", dir=SCRATCH))
        with Viewer("quad-turntable", path, "--layout", "quad", "--cursor", ras_option(cursor), *SLICE_WINDOW,
                    "--turntable", "2", "--screenshot", str(out / "quad.png")) as v:
            self.assertEqual(v.proc.wait(180), 0, v.stderr())
        frames = [Image(str(out / name), save_as="slice-" + name) for name in ("quad_000.png", "quad_001.png")]
        panes = so.quad_panes(500, 500)
        for plane in PLANES:
            x, y, w, h = box = panes[plane]
            self.assert_agrees(frames[0], box, so.expected_pane(volume, plane, cursor, (w, h), WINDOW),
                               "quad " + plane)
            # Its frame, down the middle of the left edge, in the plane's colour.
            edge = so.pixels(frames[0], (x, y + h // 3, 1, h // 3)).reshape(-1, 3)
            self.assertTrue(numpy.allclose(numpy.median(edge, axis=0), COLOURS[plane], atol=3), (plane, edge[:3]))
            masked = (max(x, so.FPS_BOX[2]) if y == 0 else x, y, x + w, y + h)
            self.assertEqual(frames[0].differing_pixels(frames[1], masked, tolerance=0), 0, plane)
        x, y, w, h = panes["3d"]
        view = so.pixels(frames[0], panes["3d"]).reshape(-1, 3)
        self.assertTrue((view == numpy.array([0, 0, 51])).all(axis=1).mean() > 0.3, "the 3D background")
        for plane, colour in COLOURS.items():  # the three slices outlined
            self.assertGreater((abs(view - colour).max(axis=1) <= 3).sum(), 40, plane + " outline")
        self.assertGreater(frames[0].differing_pixels(frames[1], (x, y, x + w, y + h)), 500, "the turn")


class FullResolutionTest(SliceTest):
    def test_a_one_voxel_checkerboard_beyond_the_texture_size_shows_zoomed_in(self):
        # 512 x 512 x 40 at 0.4 x 0.4 x 2.5 mm: the 3D texture keeps at most 256 a side.
        path = SCRATCH / "checker.nii"
        i, j = numpy.mgrid[0:512, 0:512]
        smooth = 1000 + 300 * numpy.sin(i / 40.0) * numpy.cos(j / 50.0)
        data = numpy.repeat(smooth[..., None], 40, axis=2) + 5 * numpy.arange(40)
        data[..., 17] += numpy.where((i + j) % 2, 400, -400)
        nibabel.save(nibabel.Nifti1Image(numpy.round(data).astype(numpy.int16),
                                         numpy.diag([0.4, 0.4, 2.5, 1.0])), str(path))
        volume = so.FileVolume.nifti(str(path))
        cursor = volume.to_ras([255, 255, 17])
        centre, zoom = (250, SINGLE[3] // 2), 1.25 ** 8
        under = (centre[0] + 0.5, centre[1] + 0.5)  # the point a click there names: the pixel's centre
        with Viewer("checker", str(path), "--layout", "axial", "--nearest", "--cursor-voxel", "255,255,17",
                    "--slice-window", "0:2000") as v:
            shown = open_window(v)
            v.move(*centre)
            for _ in range(8):
                v.xdotool("keydown", "ctrl")
                v.xdotool("click", 4)
                v.xdotool("keyup", "ctrl")
                shown = v.wait_picture(pane_changed(shown, SINGLE), what="a zoom step")
            pictures = {"nearest": v.screenshot(save_as="slice-checker-nearest.png")}
            v.key("i", then=pane_changed(shown, SINGLE))
            pictures["linear"] = v.screenshot(save_as="slice-checker-linear.png")
        wants = {s: so.expected_pane(volume, "axial", cursor, SINGLE[2:], (0, 2000), nearest=s == "nearest",
                                     zoom=zoom, about=under) for s in pictures}
        contrast = {}
        for (sampling, image), other in zip(pictures.items(), ("linear", "nearest")):
            self.assert_agrees(image, SINGLE, wants[sampling], "checkerboard " + sampling)
            self.assertLess(so.agreement(image, SINGLE, wants[sampling])[1],
                            so.agreement(image, SINGLE, wants[other])[1] / 2, sampling + " looks " + other)
            # Along a row: grey levels alternate every voxel (0.4 mm) at the zoomed pitch.
            row = so.pixels(image, SINGLE)[centre[1] + 7, 40:460, 0].astype(float)
            pitch = zoom * min(SINGLE[2], SINGLE[3]) / (512 * 0.4) * 0.4
            spectrum = numpy.abs(numpy.fft.rfft(row - row.mean()))
            spectrum[:len(row) // 30] = 0  # the smooth field's slow swell
            self.assertAlmostEqual(len(row) / numpy.argmax(spectrum), 2 * pitch, delta=0.1 * pitch, msg=sampling)
            contrast[sampling] = row.std()
        self.assertTrue(0.3 < contrast["linear"] / contrast["nearest"] < 0.95, contrast)


class InteractionTest(SliceTest):
    def test_click_prints_the_files_voxel_and_value_and_steps_go_one_voxel_each_way(self):
        path = permuted()
        volume = so.FileVolume.nifti(path)
        start = (20, 12, 14)  # file indices: along posterior, superior, left
        with Viewer("probe", path, "--layout", "quad", "--nearest", "--cursor-voxel", "%d,%d,%d" % start) as v:
            open_window(v)
            panes = so.quad_panes(500, 500)
            # Page Up over the axial pane: one voxel toward superior, the file's j.
            v.key("Page_Up")
            expected = volume.to_ras(start) + [0, 0, 3.0]
            self.assert_cursor(next_cursor(v, 1), expected, (20, 13, 14), volume)
            # A click on the axial pane near the bright blob, well inside a voxel.
            x, y = self.pixel_inside_a_voxel(volume, panes["axial"], expected)
            v.move(x, y)
            v.xdotool("click", 1)
            points = so.pane_points(volume, "axial", expected, *panes["axial"][2:])
            clicked = points[y, x]
            line = next_cursor(v, 2)
            self.assertLess(numpy.abs(numpy.subtract(line[0], clicked)).max(), 0.15, line[3])
            voxel = volume.voxel_of(clicked)
            self.assertEqual(line[1:3], (voxel, int(volume.data[voxel])), line[3])
            # Each pane steps along its normal: superior, anterior, the patient's left.
            # Wheel buttons: 4 away from the user, 5 towards; with shift ten voxels.
            steps = [("axial", 4, False, (0, 0, 3.0), (0, 1, 0)), ("coronal", 5, False, (0, -2.5, 0), (1, 0, 0)),
                     ("sagittal", 4, False, (-2.0, 0, 0), (0, 0, 1)), ("coronal", 4, True, (0, 25.0, 0), (-10, 0, 0))]
            position, voxel = numpy.array(line[0]), numpy.array(voxel)
            for n, (plane, button, shift, mm, index) in enumerate(steps, start=3):
                px, py, w, h = panes[plane]
                v.move(px + w // 3, py + h // 3)
                v.xdotool(*(("keydown", "shift", "click", button, "keyup", "shift") if shift else ("click", button)))
                position, voxel = position + mm, voxel + index
                self.assert_cursor(next_cursor(v, n), position, tuple(voxel), volume, "%s wheel %d" % (plane, button),
                                   0.11)
            v.key("Page_Down")
            self.assert_cursor(next_cursor(v, len(steps) + 3), position - [0, 0, 3.0], tuple(voxel - [0, 1, 0]),
                               volume, "Page Down", 0.11)

    def assert_cursor(self, line, position, voxel, volume, what="", tolerance=0.06):
        # Positions print to 0.1 mm: within rounding of the exact place, or of a printed one plus steps.
        self.assertLess(numpy.abs(numpy.subtract(line[0], position)).max(), tolerance, "%s: %s" % (what, line[3]))
        self.assertEqual(line[1:3], (voxel, int(volume.data[voxel])), "%s: %s" % (what, line[3]))
        letters = re.match(r"Cursor: (\w) \S+ (\w) \S+ (\w)", line[3]).groups()
        self.assertEqual(letters, tuple("RL"[p < 0] if a == 0 else "AP"[p < 0] if a == 1 else "SI"[p < 0]
                                        for a, p in enumerate(line[0])), line[3])

    @staticmethod
    def pixel_inside_a_voxel(volume, box, cursor):
        # The pixel nearest the bright blob whose point lies within 0.3 voxel of a voxel centre.
        x0, y0, w, h = box
        points = so.pane_points(volume, "axial", cursor, w, h)
        index = volume.to_index(points)
        central = numpy.all(numpy.abs(index - numpy.round(index)) < 0.3, axis=-1)
        target = box_centre(volume) + BRIGHT
        distance = numpy.linalg.norm((points - target)[..., :2], axis=-1) + 1e9 * ~central
        y, x = numpy.unravel_index(numpy.argmin(distance), distance.shape)
        return x0 + x, y0 + y

    def test_right_drag_sets_the_window_width_across_and_its_level_up(self):
        path = permuted()
        volume = so.FileVolume.nifti(path)
        cursor = box_centre(volume) + CURSOR
        with Viewer("window-drag", path, "--layout", "axial", "--cursor", ras_option(cursor), *SLICE_WINDOW) as v:
            pictures, windows = [open_window(v)], []
            for start, end in (((200, 300), (350, 300)), ((250, 300), (250, 240))):
                v.drag(3, start, end, 6)
                lines = wait_for(lambda: re.findall(r"^Window: (\S+):(\S+)$", v.stdout(), re.M),
                                 len(windows) + 1, "the Window line")
                windows.append(tuple(float(b) for b in lines[-1]))
                pictures.append(v.wait_picture(pane_changed(pictures[-1], SINGLE), what="the new window"))
                want = so.expected_pane(volume, "axial", cursor, SINGLE[2:], windows[-1])
                self.assert_agrees(pictures[-1], SINGLE, want, "window %g:%g" % windows[-1])
            # 150 pixels right double the width about the same level; 60 up raise the level
            # by a fifth of that width: the picture darkens.
            self.assertEqual(windows[0], (-300.0, 2500.0))
            self.assertEqual(windows[1], (260.0, 3060.0))
            mean = [so.pixels(im, SINGLE)[..., 0].mean() for im in pictures]
            self.assertLess(mean[2], mean[1] - 10)

    def test_ruler_lengths_scale_with_the_drag_and_span_a_sphere_in_true_millimetres(self):
        # A sphere of radius 30 mm in 1.2 x 1.6 x 2 mm voxels, its edge half-way up one voxel's ramp.
        spacing, sizes, radius = numpy.array([1.2, 1.6, 2.0]), numpy.array([81, 61, 41]), 30.0
        offset = (numpy.stack(numpy.indices(sizes), -1) - (sizes - 1) / 2) * spacing
        data = 1000 * numpy.clip(radius - numpy.linalg.norm(offset, axis=-1) + 0.5, 0, 1)
        path = SCRATCH / "sphere.nii.gz"
        nibabel.save(nibabel.Nifti1Image(data.astype(numpy.int16), numpy.diag([*spacing, 1.0])), str(path))
        centre = (sizes - 1) / 2 * spacing
        with Viewer("ruler", str(path), "--layout", "axial", "--slice-window", "0:1000",
                    "--cursor", ras_option(centre + [12, 14, 0])) as v:
            rgb = so.pixels(open_window(v), SINGLE)
            grey = numpy.where((rgb.min(axis=2) == rgb.max(axis=2)), rgb[..., 0], 0)  # not the marks
            # Just off the pane's centre lines, clear of the crosshair: the sphere from edge to edge.
            y, x = SINGLE[3] // 2 + 2, SINGLE[2] // 2 + 2
            (left, right), (top, bottom) = (numpy.nonzero(line >= 128)[0][[0, -1]] for line in (grey[y], grey[:, x]))
            drags = [((100, 60), (100 + n, 60)) for n in (60, 120)] + [((left, y), (right, y)), ((x, top), (x, bottom))]
            for start, end in drags:
                v.xdotool("keydown", "shift")
                v.drag(1, tuple(map(int, start)), tuple(map(int, end)), 6)
                v.xdotool("keyup", "shift")
            lengths = [float(d) for d in wait_for(lambda: re.findall(r"^Distance: (\d+\.\d) mm$", v.stdout(), re.M),
                                                  len(drags), "the Distance lines")]
            self.assertAlmostEqual(lengths[1] / lengths[0], 2, delta=0.04, msg=lengths)
            self.assertAlmostEqual(lengths[2], 2 * radius, delta=spacing[0], msg=("across, along R-L", lengths))
            self.assertAlmostEqual(lengths[3], 2 * radius, delta=spacing[1], msg=("down, along A-P", lengths))
            ruler = lambda im: (abs(so.pixels(im, SINGLE) - RULER).max(axis=2) <= 3).sum()
            v.wait_picture(lambda im: ruler(im) > 100, what="the last ruler")
            v.key("Escape", then=lambda im: ruler(im) == 0, what="the ruler cleared")
            self.assertEqual(len(cursor_lines(v)), 0, "a ruler drag moved the cursor")


class OptionTest(unittest.TestCase):
    def test_a_cursor_beyond_half_a_voxel_outside_is_clamped_to_the_outer_voxel_centres(self):
        path = permuted()
        volume = so.FileVolume.nifti(path)
        low, high = volume.box()
        centres = numpy.array([low + [1.0, 1.25, 1.5], high - [1.0, 1.25, 1.5]])  # half a voxel inside
        middle = centres.mean(axis=0)
        cases = [(["--cursor", ras_option([high[0] + 40, low[1] - 3, middle[2]])],
                  [centres[1][0], centres[0][1], middle[2]]),
                 (["--cursor-voxel", "50,-4,14"], volume.to_ras([43, 0, 14])),
                 (["--cursor", ras_option([middle[0], middle[1], centres[1][2] + 1.2])], None)]  # 0.4 voxel out
        for args, edge in cases:
            _, out = screenshot("slice-clamp", path, "--layout", "axial", *args)
            line = re.search(r"^Cursor outside the volume, moved to its edge: [RL] (-?\d+\.\d) [AP] (-?\d+\.\d) "
                             r"[SI] (-?\d+\.\d) mm$", out, re.M)
            if edge is None:
                self.assertIsNone(line, out)
                continue
            self.assertIsNotNone(line, args)
            self.assertLess(numpy.abs(numpy.array(line.groups(), float) - edge).max(), 0.06, (args, line[0]))


def tearDownModule():
    shutil.rmtree(SCRATCH, ignore_errors=True)  # the checkerboard alone is 20 MB


if __name__ == "__main__":
    unittest.main()
