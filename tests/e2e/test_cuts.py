"""Looking inside opened volumes in 3D: the crop box, the clip plane, capped
cut faces and slices through the cursor, each picture against one computed
from the file's own voxels and affine (nibabel, pydicom); the crop box's
faces dragged, the view plane frozen into the volume, and bad values."""
import glob
import os
import pathlib
import re
import tempfile
import unittest

import nibabel
import numpy
import pydicom

import marker_volumes as mv
from harness import Viewer, run_without_display, screenshot

SIDE = 300  # window pixels each way
HALF_HEIGHT = 250 * numpy.tan(numpy.radians(30))  # model units from the centre to the top at zoom 1
EYE = 600.0  # model units from the eye to the volume's centre in perspective
MODEL_PER_MM = 200 / (mv.SIZE * mv.SPACING)  # the longest side is 200 model units
PX_PER_MM = SIDE / 2 / HALF_HEIGHT * MODEL_PER_MM
SMALL = ("--size", "%dx%d" % (SIDE, SIDE))
GREY = ("--preset", "grayscale", "--window", "0:1000")
ORTHO = SMALL + GREY + ("--projection", "orthographic")
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


def written(name, volume, writer):
    path = SCRATCH / name
    if not path.exists():
        writer(volume, str(path))
    return str(path)


# --- the files as read back, along R, A and S ----------------------------------
class RasVolume:
    """A file's voxels along increasing R, A, S (the volumes here lie along the
    anatomical axes), the RAS mm of the first voxel's centre and the spacing."""

    def __init__(self, path):
        image = dicom_image(path) if os.path.isdir(path) else nibabel.load(path)
        canonical = nibabel.as_closest_canonical(image)
        self.voxels = numpy.asarray(canonical.dataobj, dtype=float)
        self.origin = canonical.affine[:3, 3]
        self.spacing = numpy.diag(canonical.affine)[:3]
        self.centre = self.origin + self.spacing * (numpy.array(self.voxels.shape) - 1) / 2

    def where(self, value):
        """RAS mm of the centre of the voxels holding value."""
        return self.origin + self.spacing * numpy.argwhere(self.voxels == value).mean(axis=0)

    def at(self, ras):
        """Trilinear values at RAS points (..., 3); NaN outside the voxel centres."""
        return multilinear(self.voxels, (ras - self.origin) / self.spacing)


def dicom_image(folder):
    # The series as pydicom reads it, its LPS frame turned to RAS for nibabel.
    slices = [pydicom.dcmread(p) for p in glob.glob(os.path.join(folder, "*.dcm"))]
    along, down = (numpy.array(slices[0].ImageOrientationPatient[i:i + 3], float) for i in (0, 3))
    slices.sort(key=lambda s: numpy.dot(numpy.cross(along, down), s.ImagePositionPatient))
    first, last = (numpy.array(s.ImagePositionPatient, float) for s in (slices[0], slices[-1]))
    rows, columns = (float(s) for s in slices[0].PixelSpacing)
    lps = numpy.eye(4)
    lps[:3, 0], lps[:3, 1] = along * columns, down * rows
    lps[:3, 2], lps[:3, 3] = (last - first) / (len(slices) - 1), first
    data = numpy.stack([s.pixel_array.T for s in slices], axis=2)  # [column, row, slice]
    return nibabel.Nifti1Image(data, numpy.diag([-1, -1, 1, 1]) @ lps)


def multilinear(array, index):
    # Linear interpolation of an n-dimensional array at fractional indices (..., n).
    index = numpy.asarray(index, float)
    n = array.ndim
    inside = numpy.all((index >= 0) & (index <= numpy.array(array.shape) - 1), axis=-1)
    base = numpy.clip(numpy.floor(index), 0, numpy.array(array.shape) - 2).astype(int)
    fraction = index - base
    result = numpy.zeros(index.shape[:-1])
    for corner in range(2 ** n):
        bits = [(corner >> k) & 1 for k in range(n)]
        weight = numpy.prod([fraction[..., k] if b else 1 - fraction[..., k] for k, b in enumerate(bits)], axis=0)
        result += weight * array[tuple(base[..., k] + b for k, b in enumerate(bits))]
    return numpy.where(inside, result, numpy.nan)


# --- pictures ---------------------------------------------------------------------
def pixels(image):
    return numpy.frombuffer(image.data, numpy.uint8).reshape(image.height, image.width, 3).astype(float)


def screen_points(volume, view, depth_mm=0.0):
    """RAS mm of every pixel's centre in an orthographic view, on the plane
    depth_mm toward the viewer from the volume's centre."""
    (right, rs), (up, us), (toward, ts) = VIEWS[view]
    ys, xs = numpy.mgrid[0:SIDE, 0:SIDE]
    ras = numpy.empty((SIDE, SIDE, 3))
    ras[..., right] = volume.centre[right] + rs * (xs + 0.5 - SIDE / 2) / PX_PER_MM
    ras[..., up] = volume.centre[up] + us * (SIDE / 2 - ys - 0.5) / PX_PER_MM
    ras[..., toward] = volume.centre[toward] + ts * depth_mm
    return ras


def pane_pixel(volume, view, ras, perspective=False):
    """Window pixel (x right, y down) of a RAS point."""
    mm = numpy.asarray(ras, float) - volume.centre
    (right, rs), (up, us), (toward, ts) = VIEWS[view]
    scale = EYE / (EYE - ts * mm[toward] * MODEL_PER_MM) if perspective else 1.0
    return (SIDE / 2 + rs * mm[right] * PX_PER_MM * scale, SIDE / 2 - us * mm[up] * PX_PER_MM * scale)


# Left out of every comparison: the frame rate at the top and the orientation
# marker at the bottom left.
OVERLAYS = numpy.zeros((SIDE, SIDE), bool)
OVERLAYS[:30, :] = True
OVERLAYS[SIDE - 100:, :100] = True


def correlation(picture, expected, where):
    where = where & ~OVERLAYS & numpy.isfinite(expected)
    return numpy.corrcoef(picture[where], expected[where])[0, 1]


def windowed(values, low, high):
    return numpy.clip((values - low) / (high - low), 0, 1)


class CropTest(unittest.TestCase):
    def test_crop_keeps_one_side_in_every_storage_order_as_the_voxels_say(self):
        volume = left_right_markers()
        files = {"nifti-lps": written("markers.nii.gz", volume, mv.write_nifti_lps_order),
                 "nifti-coronal": written("coronal.nii.gz", volume, mv.write_nifti_coronal),
                 "dicom": written("markers_dicom", volume, mv.write_dicom_series)}
        shown = {}
        for label, path in files.items():
            ras = RasVolume(path)
            # Just left of the midline in the file's own coordinates, within a voxel: the
            # patient's right half is kept, and a face rounded to whole voxels would show.
            middle = ras.centre[0] - 3
            image, _ = screenshot("crop-" + label, path, *ORTHO, "--mode", "mip", "--crop", "%.3f:,," % middle)
            picture = shown[label] = pixels(image)[..., 0] / 255
            kept = numpy.where((ras.origin[0] + ras.spacing[0] * numpy.arange(ras.voxels.shape[0]) >= middle)
                               [:, None, None], windowed(ras.voxels, 0, 1000), 0)
            along = kept.max(axis=1)  # [R, S]
            points = screen_points(ras, "anterior")
            expected = multilinear(along, (points[..., [0, 2]] - ras.origin[[0, 2]]) / ras.spacing[[0, 2]])
            self.assertGreaterEqual(correlation(picture, expected, numpy.ones_like(OVERLAYS)), 0.95, label)
            # The dim marker shows, the bright one is gone.
            for value, grey in ((500, 0.5), (1000, 0)):
                px, py = (round(c) for c in pane_pixel(ras, "anterior", ras.where(value)))
                self.assertAlmostEqual(picture[py, px], grey, delta=0.05, msg=label)
            # The bar ends at the crop's face, within a pixel.
            row = picture[round(pane_pixel(ras, "anterior", ras.where(700))[1])]
            end = max(numpy.nonzero(row > 0.35)[0]) + 1
            self.assertAlmostEqual(end, pane_pixel(ras, "anterior", (middle, 0, 0))[0], delta=1.0, msg=label)
        for a, b in (("nifti-lps", "nifti-coronal"), ("nifti-lps", "dicom"), ("nifti-coronal", "dicom")):
            self.assertLess(numpy.abs(shown[a] - shown[b])[~OVERLAYS].max(), 0.03, (a, b))


if __name__ == "__main__":
    unittest.main()
