"""Looking inside opened volumes in 3D: the crop box, the clip plane, capped
cut faces and slices through the cursor, each picture against one computed
from the file's own voxels and affine (nibabel, pydicom); the crop box's
faces dragged and the view plane frozen into the volume. Bad values: test_refusals."""
import copy
import os
import pathlib
import re
import tempfile
import unittest

import numpy

import marker_volumes as mv
import slice_oracle
from harness import Framing, Viewer, framed_screenshot, pixels, screenshot, wait_until, written

SIDE = 300  # window pixels each way
MODEL_PER_MM = Framing.LONGEST / (mv.SIZE * mv.SPACING)
SMALL = ("--size", "%dx%d" % (SIDE, SIDE))
GREY = ("--preset", "grayscale", "--window", "0:1000")
ORTHO = SMALL + GREY + ("--projection", "orthographic", "--clean")  # framed small volumes reach the overlays
# The screen's right, its up and the way toward the viewer: (RAS axis, sign).
VIEWS = {"anterior": ((0, -1), (2, 1), (1, 1)),
         "left": ((1, -1), (2, 1), (0, -1)),
         "superior": ((0, 1), (1, 1), (2, 1))}
SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="volview-cuts-"))


# --- phantoms, indexed [x, y, z] as marker_volumes builds them ----------------
def left_right_markers():
    """A bright ball on the patient's left and anterior, a dim one on the right
    and posterior, and a bar of 700 across the midline, low down."""
    volume = numpy.zeros((mv.SIZE,) * 3, numpy.int16)
    volume[8:56, 29:35, 8:14] = 700
    volume[mv.ball((18, 44, 28), 6)] = 500
    volume[mv.ball((44, 20, 40), 6)] = 1000
    return volume


def body():
    """A ball of tissue (200..800) filling most of the volume, its values
    varying along every axis so that slices through it differ."""
    x, y, z = numpy.meshgrid(*[numpy.arange(mv.SIZE, dtype=float) - (mv.SIZE - 1) / 2] * 3, indexing="ij")
    tissue = 500 + 180 * numpy.sin(x / 4) * numpy.cos(z / 5) + 120 * y / 26
    return numpy.where(x * x + y * y + z * z <= 26 ** 2, numpy.round(tissue), 0).astype(numpy.int16)


# --- the files as read back, in RAS mm ---------------------------------------------
class RasVolume(slice_oracle.FileVolume):
    """A file's voxels and affine as nibabel or pydicom read them (the volumes here lie along the
    anatomical axes), with the centre of their box and the spacing along R, A and S."""

    def __init__(self, path):
        read = (slice_oracle.FileVolume.dicom if os.path.isdir(path) else slice_oracle.FileVolume.nifti)(path)
        super().__init__(read.data, read.affine)
        self.centre = numpy.mean(self.box(), axis=0)
        self.spacing = numpy.abs(self.affine[:3, :3]).max(axis=1)

    def where(self, value):
        """RAS mm of the centre of the voxels holding value."""
        return self.to_ras(numpy.argwhere(self.data == value).mean(axis=0))

    def faces(self):
        """Per axis, the RAS mm of the low and high faces of the voxels' box."""
        return numpy.stack(self.box(), axis=1)

    def at(self, ras):
        """Trilinear values at RAS points (..., 3); NaN outside the voxel centres."""
        index = self.to_index(ras)
        within = numpy.all((index >= 0) & (index <= numpy.array(self.data.shape) - 1), axis=-1)
        return numpy.where(within, self.sample(ras)[0], numpy.nan)


# --- pictures ---------------------------------------------------------------------
def screen_points(volume, view, framing, depth_mm=0.0):
    """RAS mm where the line of sight through every pixel's centre meets the
    plane depth_mm toward the viewer from the volume's centre."""
    (right, rs), (up, us), (toward, ts) = VIEWS[view]
    ys, xs = numpy.mgrid[0:SIDE, 0:SIDE]
    across, along = framing.units(xs + 0.5, ys + 0.5, depth_mm * MODEL_PER_MM)
    ras = numpy.empty((SIDE, SIDE, 3))
    ras[..., right] = volume.centre[right] + rs * across / MODEL_PER_MM
    ras[..., up] = volume.centre[up] + us * along / MODEL_PER_MM
    ras[..., toward] = volume.centre[toward] + ts * depth_mm
    return ras


def mip(volume, view, framing, low, high):
    """The greys of a maximum intensity projection of the whole volume, windowed
    to low..high: per pixel the brightest of the slices along the view, each
    interpolated between its voxel centres; NaN off them. What the grayscale
    table shows nothing of (up to a tenth of the window) stays black."""
    greys = copy.copy(volume)
    greys.data = windowed(volume.data, low, high)
    points = volume.to_index(screen_points(volume, view, framing))
    along = numpy.argmax(numpy.abs(volume.affine[VIEWS[view][2][0], :3]))  # the file axis toward the eye
    brightest = numpy.full(points.shape[:-1], -numpy.inf)
    for k in range(volume.data.shape[along]):
        points[..., along] = k
        brightest = numpy.fmax(brightest, greys.at(volume.to_ras(points)))
    brightest[numpy.isinf(brightest)] = numpy.nan
    return numpy.where(numpy.round(brightest * 255) <= 25, 0.0, brightest)


def pane_pixel(volume, view, ras, framing):
    """Window pixel (x right, y down) of a RAS point."""
    mm = (numpy.asarray(ras, float) - volume.centre) * MODEL_PER_MM
    (right, rs), (up, us), (toward, ts) = VIEWS[view]
    return framing.pixel(rs * mm[right], us * mm[up], ts * mm[toward])


def overlays():
    # The frame rate at the top, the orientation marker at the bottom left,
    # the logo at the bottom right and the status line along the bottom edge:
    # left out of every comparison.
    mask = numpy.zeros((SIDE, SIDE), bool)
    mask[:30, :] = True
    mask[SIDE - 18:, :] = True
    mask[SIDE - 100:, :100] = True
    x0, y0, x1, y1 = slice_oracle.logo_box(SIDE, SIDE)
    mask[y0:y1, x0:x1] = True
    return mask


OVERLAYS = overlays()


def assert_like(picture, expected, least_correlation, where=True, label=""):
    """Greys (0..1) alike over the pixels where expected is known (within the
    voxel centres) and either shows something, so that empty background agreeing
    does not hide what differs: correlated for the shapes, and close for the
    greys themselves, which correlation leaves free to scale and shift."""
    where = where & ~OVERLAYS & numpy.isfinite(expected) & ((picture > 0) | (expected > 0))
    correlation = numpy.corrcoef(picture[where], expected[where])[0, 1]
    error = numpy.abs(picture[where] - expected[where]).mean()
    if correlation < least_correlation or error > 0.03:
        raise AssertionError("%s: correlation %.3f, mean difference %.3f" % (label, correlation, error))


def windowed(values, low, high):
    return numpy.clip((values - low) / (high - low), 0, 1)


def grown(mask, by):
    """mask with every pixel within `by` pixels (a square) of it set too."""
    padded = numpy.pad(mask, by)
    out = numpy.zeros_like(mask)
    for dy in range(2 * by + 1):
        for dx in range(2 * by + 1):
            out |= padded[dy:dy + mask.shape[0], dx:dx + mask.shape[1]]
    return out


def differs(a, b, tolerance=8):
    return numpy.abs(a - b).max(axis=-1) > tolerance


def tissue(picture):
    # Not the background (0, 0, 51).
    return numpy.abs(picture - (0, 0, 51)).max(axis=-1) > 12


def yellow(picture):
    # The lit face of the crop box.
    return (picture[..., 0] > 200) & (picture[..., 1] > 150) & (picture[..., 1] < 230) & (picture[..., 2] < 100)


def crop_lines(output):
    """The faces of each Crop line printed: [[R low, R high], [A ...], [S ...]]."""
    pair = r"(-?\d+\.\d)\.\.(-?\d+\.\d)"
    lines = re.findall(r"^Crop \(RAS mm\): R %s, A %s, S %s$" % (pair, pair, pair), output, re.M)
    return [numpy.array(line, float).reshape(3, 2) for line in lines]


def first_frame(viewer):
    viewer.window = viewer.find_window()
    return viewer.wait_picture(lambda im: (tissue(pixels(im)) & ~OVERLAYS).any() and
                               im.pixel(5, SIDE - 25) == (0, 0, 51), what="the first frame")


def settled(viewer):
    # The picture once the viewer stops drawing: the full-detail frame that follows keys. (Two
    # frames alike can both be interactive ones on a loaded machine.)
    return pixels(viewer.wait_frames(count=float("inf")))


def alike(a, b, tolerance=8):
    # Equal but for a few pixels where cuts of slightly different numbers fall.
    return numpy.count_nonzero(differs(a, b, tolerance) & ~OVERLAYS) < 200


class CropTest(unittest.TestCase):
    def test_crop_keeps_one_side_in_every_storage_order_as_the_voxels_say(self):
        volume = left_right_markers()
        files = {"nifti-lps": written(SCRATCH / "markers.nii.gz", volume, mv.write_nifti_lps_order),
                 "nifti-coronal": written(SCRATCH / "coronal.nii.gz", volume, mv.write_nifti_coronal),
                 "dicom": written(SCRATCH / "markers_dicom", volume, mv.write_dicom_series)}
        shown = {}
        for label, path in files.items():
            ras = RasVolume(path)
            # Just left of the midline in the file's own coordinates, within a voxel: the
            # patient's right half is kept, and a face rounded to whole voxels would show.
            middle = ras.centre[0] - 3
            image, _, framing = framed_screenshot("crop-" + label, path, *ORTHO, "--mode", "mip",
                                                  "--crop", "%.3f:,," % middle)
            picture = shown[label] = pixels(image)[..., 0] / 255
            # The face cuts the interpolated voxels where it lies, not at whole voxels.
            kept = screen_points(ras, "anterior", framing)[..., 0] >= middle
            expected = numpy.where(kept, mip(ras, "anterior", framing, 0, 1000), 0.0)
            assert_like(picture, expected, 0.95, label=label)
            # The dim marker shows, the bright one is gone.
            for value, grey in ((500, 0.5), (1000, 0)):
                px, py = (round(c) for c in pane_pixel(ras, "anterior", ras.where(value), framing))
                self.assertAlmostEqual(picture[py, px], grey, delta=0.05, msg=label)
            # The bar ends at the crop's face, within a pixel.
            row = picture[round(pane_pixel(ras, "anterior", ras.where(700), framing)[1])]
            end = max(numpy.nonzero(row > 0.35)[0]) + 1
            self.assertAlmostEqual(end, pane_pixel(ras, "anterior", (middle, 0, 0), framing)[0], delta=1.0, msg=label)
        for a, b in (("nifti-lps", "nifti-coronal"), ("nifti-lps", "dicom"), ("nifti-coronal", "dicom")):
            self.assertLess(numpy.abs(shown[a] - shown[b])[~OVERLAYS].max(), 0.03, (a, b))


class ClipTest(unittest.TestCase):
    # The grayscale table shows values from a tenth of the window up: all of the
    # body, and only where a cut face shows those is it capped.
    SHOWN_FROM = 100
    # Caps show the slices' grey, not the 3D window's: this one is centred away
    # from the body's middle value (500), where the two would agree.
    SLICE_WINDOW = (300, 800)

    def setUp(self):
        self.path = written(SCRATCH / "body.nii.gz", body(), mv.write_nifti_lps_order)
        self.ras = RasVolume(self.path)

    def shot(self, name, normal, point, *args):
        normal = numpy.asarray(normal, float)
        clip = ",".join("%.6f" % c for c in (*normal, normal @ point))
        image, _, framing = framed_screenshot(name, self.path, *ORTHO, "--clip", clip,
                                              "--slice-window", "%d:%d" % self.SLICE_WINDOW, *args)
        return pixels(image), framing

    def cap(self, values):
        # A cap's grey where the table shows the value on the face, 0 where it shows nothing.
        grey = numpy.where(values > self.SHOWN_FROM, windowed(values, *self.SLICE_WINDOW), 0.0)
        grey[numpy.isnan(values)] = numpy.nan
        return grey

    def test_a_capped_cut_through_the_centre_shows_its_slice_and_the_volume_ends_there(self):
        # Keeping the posterior half: seen from the front, the cut face is the coronal slice.
        centre = self.ras.centre
        front, framing = self.shot("clip-front", (0, -1, 0), centre)
        face = self.cap(self.ras.at(screen_points(self.ras, "anterior", framing)))
        assert_like(front[..., 0] / 255, face, 0.9, label="the cut face")
        # From the patient's left, posterior to the right: the volume starts at the plane.
        side, framing = self.shot("clip-side", (0, -1, 0), centre, "--view", "left")
        edge = numpy.nonzero((tissue(side) & ~OVERLAYS).any(axis=0))[0].min()
        self.assertAlmostEqual(edge, pane_pixel(self.ras, "left", centre, framing)[0],
                               delta=self.ras.spacing[1] * MODEL_PER_MM * framing.per_unit)

    def test_caps_change_only_the_cut_face(self):
        # An oblique plane through the centre: from the front, part of the body's own
        # surface shows beside the cut face.
        normal = numpy.array([1, -1, 0]) / numpy.sqrt(2)
        centre = self.ras.centre
        (on, framing), (off, _) = (self.shot("caps-" + caps, normal, centre, "--caps", caps) for caps in ("on", "off"))
        # Where the line of sight through each pixel meets the plane.
        points = screen_points(self.ras, "anterior", framing)
        points[..., 1] = centre[1] - (normal[0] * (points[..., 0] - centre[0]) +
                                      normal[2] * (points[..., 2] - centre[2])) / normal[1]
        values = self.ras.at(points)
        capped = values > self.SHOWN_FROM
        outside = ~grown(capped, 2) & ~OVERLAYS
        inside = ~grown(~capped, 2) & ~OVERLAYS
        self.assertGreater(numpy.count_nonzero(tissue(on) & outside), 1000, "no surface beside the cut face")
        self.assertLess(numpy.count_nonzero(differs(on, off) & outside), 0.005 * numpy.count_nonzero(outside))
        self.assertGreater(numpy.count_nonzero(differs(on, off) & inside), 0.5 * numpy.count_nonzero(inside))
        # What the cap shows: the values on the oblique face.
        assert_like(on[..., 0] / 255, self.cap(values), 0.9, inside, "the oblique cut face")


class InteractionTest(unittest.TestCase):
    def test_dragging_a_crop_face_u_resetting_and_freezing_the_view_plane(self):
        path = written(SCRATCH / "body.nii.gz", body(), mv.write_nifti_lps_order)
        ras = RasVolume(path)
        # The patient's left end, seen in perspective from the front: its face toward
        # the right shows to the eye, obliquely, between the box's front and back edges.
        face = ras.centre[0] - 37
        args = (path, *SMALL, *GREY, "--caps", "off")
        # Cuts leave the framing as the uncut volume has it.
        framing = framed_screenshot("cut-keys-framing", *args)[2]
        with Viewer("cut-keys", *args, "--crop", ":%.1f,," % face, geometry="%dx%d+0+0" % (SIDE, SIDE)) as v:
            first_frame(v)
            v.key("B")
            v.wait_output("^Crop box: shown; drag its faces$")
            start = [round(c) for c in pane_pixel(ras, "anterior", (face, *ras.centre[1:]), framing)]
            v.move(*start)
            v.wait_picture(lambda im: numpy.count_nonzero(yellow(pixels(im))[:, start[0] - 30:start[0] + 30]) > 100,
                           what="the face under the pointer lit")
            # Toward the screen's right, the patient's left: the face follows the pointer.
            v.drag(1, start, (start[0] + 30, start[1]), 6)
            whole = ras.faces()
            moved = whole.copy()
            moved[0, 1] = face - 30 / (MODEL_PER_MM * framing.per_unit)
            printed = lambda count: wait_until(lambda: len(crop_lines(v.stdout())) == count, what="a Crop line")
            printed(1)
            self.assertTrue(numpy.allclose(crop_lines(v.stdout())[0], moved, atol=2), v.stdout())
            v.key("U")
            printed(2)
            self.assertTrue(numpy.allclose(crop_lines(v.stdout())[1], whole, atol=0.051), v.stdout())
            # The view plane (key c), moved off the centre (b), then frozen (F): a plane fixed
            # to the volume, printed as the option reproducing it, which turns with the volume.
            v.key("B")
            v.key("F")
            v.wait_output("^Clip: key c first shows the plane to freeze$")
            v.key("c")
            for _ in range(8):
                v.key("b")
            viewed = settled(v)
            v.key("F")
            clip = v.wait_output(r"^Clip: --clip (\S+)$")[1]
            front, _ = screenshot("frozen-front", *args, "--clip", clip)
            side, _ = screenshot("frozen-left", *args, "--clip", clip, "--view", "left")
            # The view plane clips the slices, the frozen one each slab where it crosses: the
            # rim of the cut differs a little.
            self.assertTrue(alike(viewed, pixels(front), tolerance=32), "the printed plane cuts elsewhere")
            v.wait_picture(lambda im: alike(pixels(im), pixels(front)), what="the frozen plane where it was")
            v.key("L")
            v.wait_picture(lambda im: alike(pixels(im), pixels(side)), what="the cut turned with the volume")
            v.key("F")
            v.wait_output("^Clip: released$")


class PlanesTest(unittest.TestCase):
    def test_an_axial_plane_seen_from_above_is_the_slice_at_the_cursor(self):
        path = written(SCRATCH / "body.nii.gz", body(), mv.write_nifti_lps_order)
        ras = RasVolume(path)
        # Under this window the table shows none of the body: nothing covers the plane,
        # which shows the slices' window. In perspective, where it shows and how large
        # says how high it lies.
        above = 17.0
        cursor = ras.centre + (0, 0, above)
        image, _, framing = framed_screenshot("planes-axial", path, *SMALL, "--preset", "grayscale",
                                              "--window", "900:1000", "--slice-window", "0:1000", "--view", "superior",
                                              "--planes", "axial", "--cursor", "%.3f,%.3f,%.3f" % tuple(cursor))
        shown = pixels(image)
        points = screen_points(ras, "superior", framing, above)
        assert_like(shown[..., 0] / 255, windowed(ras.at(points), 0, 1000), 0.95, label="the axial plane")
        # The plane, grey, spans the voxels' box where it cuts it: the columns and rows
        # mostly grey, against those mostly within the box's faces.
        faces = ras.faces()
        within = numpy.all((points >= faces[:, 0]) & (points <= faces[:, 1]), axis=-1) & ~OVERLAYS
        grey = (shown[..., 0] == shown[..., 1]) & (shown[..., 1] == shown[..., 2]) & ~OVERLAYS
        for axis in (0, 1):
            ends = [numpy.nonzero(mask.sum(axis=axis) > SIDE / 3)[0][[0, -1]] for mask in (grey, within)]
            self.assertLessEqual(numpy.abs(ends[0] - ends[1]).max(), 1, "the plane spans %s, not %s" % tuple(ends))

    def test_a_coronal_plane_hides_what_lies_behind_and_shows_what_lies_in_front(self):
        # The bright marker lies in front of the centre, the dim one behind it.
        path = written(SCRATCH / "markers.nii.gz", left_right_markers(), mv.write_nifti_lps_order)
        ras = RasVolume(path)
        (without, framing), (with_plane, _) = (
            framed_screenshot("planes-coronal-%s" % name, path, *SMALL, *GREY, *args)[::2]
            for name, args in (("none", ()), ("shown", ("--planes", "coronal"))))
        without, with_plane = pixels(without), pixels(with_plane)
        behind = [round(c) for c in pane_pixel(ras, "anterior", ras.where(500), framing)]
        self.assertGreater(without[behind[1], behind[0], 0], 100, "the dim marker is not where it should be")
        # The plane's grey there: the slice through the cursor holds nothing at the marker.
        self.assertLess(with_plane[behind[1], behind[0]].max(), 10)
        # Blended over the plane (black there) as over the background (no red).
        x, y = (round(c) for c in pane_pixel(ras, "anterior", ras.where(1000), framing))
        front = (slice(y - 6, y + 7), slice(x - 6, x + 7))
        self.assertGreater(with_plane[front][..., 0].max(), 200)
        self.assertLess(numpy.abs(with_plane[front][..., 0] - without[front][..., 0]).max(), 8)


if __name__ == "__main__":
    unittest.main()
