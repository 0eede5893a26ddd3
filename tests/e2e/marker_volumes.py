"""Test volumes with features at known anatomical places, written as other
tools write them: NIfTI in two storage orders and a DICOM series; and where
voxel centres lie under an affine, to compare with the extent --info prints.

Volumes are built in the patient frame: index x runs toward the patient's
left, y toward posterior, z toward superior, 2 mm voxels."""
import io
import os
import re

import nibabel
import numpy
from pydicom.dataset import FileDataset, FileMetaDataset
from pydicom.uid import CTImageStorage, ExplicitVRLittleEndian, generate_uid

SIZE = 64
SPACING = 2.0
BRIGHT = (48, 16, 48)  # superior, left, anterior corner
DIM = (32, 52, 32)     # posterior, on the midline
STUDY = generate_uid()
AXIAL = (1.0, 0.0, 0.0, 0.0, 1.0, 0.0)  # along a row toward the left, down a column toward posterior


def ball(centre, radius):
    x, y, z = numpy.meshgrid(*[numpy.arange(SIZE)] * 3, indexing="ij")
    return (x - centre[0]) ** 2 + (y - centre[1]) ** 2 + (z - centre[2]) ** 2 <= radius ** 2


def markers():
    """int16, indexed [x, y, z]: 1000 in the bright ball, 500 in the dim one, 0 elsewhere."""
    volume = numpy.zeros((SIZE,) * 3, numpy.int16)
    volume[ball(DIM, 6)] = 500
    volume[ball(BRIGHT, 6)] = 1000
    return volume


def smooth_field():
    """Smooth values over 0..1000 for the projection checks: two overlapping soft blobs."""
    x, y, z = numpy.meshgrid(*[numpy.arange(SIZE, dtype=float)] * 3, indexing="ij")
    a = numpy.exp(-((x - 40) ** 2 + (y - 30) ** 2 + (z - 36) ** 2) / 150.0)
    b = numpy.exp(-((x - 24) ** 2 + (y - 20) ** 2 + (z - 24) ** 2) / 60.0)
    return numpy.round(1000 * (0.7 * a + 0.6 * b)).clip(0, 1000).astype(numpy.int16)


def soft_sphere(radius):
    """1000 inside, 0 outside, a ramp 4 voxels wide centred on `radius`."""
    x, y, z = numpy.meshgrid(*[numpy.arange(SIZE, dtype=float)] * 3, indexing="ij")
    r = numpy.sqrt(sum((c - (SIZE - 1) / 2) ** 2 for c in (x, y, z)))
    return numpy.round(1000 * numpy.clip((radius + 2 - r) / 4, 0, 1)).astype(numpy.int16)


def write_nifti_lps_order(volume, path):
    # Index axes along the patient frame; NIfTI's affine maps them to RAS millimetres.
    nibabel.save(nibabel.Nifti1Image(volume, numpy.diag([-SPACING, -SPACING, SPACING, 1])), path)


def write_nifti_coronal(volume, path):
    # Stored as coronal slices: file axis i toward the right, j toward superior,
    # k toward anterior, as scanners often write them.
    stored = numpy.ascontiguousarray(volume[::-1, ::-1, :].transpose(0, 2, 1))
    affine = numpy.zeros((4, 4))
    affine[0, 0] = SPACING   # i: toward R
    affine[2, 1] = SPACING   # j: toward S
    affine[1, 2] = SPACING   # k: toward A
    affine[:3, 3] = [-(SIZE - 1) * SPACING, -(SIZE - 1) * SPACING, 0]  # voxel 0: left, posterior, inferior
    affine[3, 3] = 1
    nibabel.save(nibabel.Nifti1Image(stored, affine), path)


def dicom_image(size, pixels, series, position=None, frames=None, orientation=AXIAL):
    # A signed 16-bit CT image of size x size voxels (x `frames`) holding the bytes `pixels`; with
    # `position` (LPS mm of its first voxel), a slice of `series` whose rows and columns run along
    # `orientation` (ImageOrientationPatient), 2 mm apart.
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID, meta.MediaStorageSOPInstanceUID = CTImageStorage, generate_uid()
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = FileDataset("", {}, file_meta=meta, preamble=b"\0" * 128)
    ds.SOPClassUID, ds.SOPInstanceUID = CTImageStorage, meta.MediaStorageSOPInstanceUID
    ds.StudyInstanceUID, ds.SeriesInstanceUID, ds.Modality = STUDY, series, "CT"
    if position is not None:
        ds.ImagePositionPatient, ds.ImageOrientationPatient = list(position), list(orientation)
        ds.PixelSpacing, ds.SliceThickness = [SPACING, SPACING], SPACING
    if frames:
        ds.NumberOfFrames = frames
    ds.Rows = ds.Columns = size
    ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, "MONOCHROME2"
    ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 16, 15, 1
    ds.PixelData = pixels
    out = io.BytesIO()
    ds.save_as(out, write_like_original=False)
    return out.getvalue()


def write_dicom_series(volume, folder):
    os.makedirs(folder, exist_ok=True)
    series = generate_uid()
    for z in range(SIZE):
        pixels = numpy.ascontiguousarray(volume[:, :, z].T).astype("<i2").tobytes()  # [row=y, column=x]
        with open(os.path.join(folder, "slice%03d.dcm" % z), "wb") as out:
            out.write(dicom_image(SIZE, pixels, series, (0.0, 0.0, z * SPACING)))


def ras_extent(affine, shape):
    """Per axis, the least and greatest RAS mm of the voxel centres under a voxel-to-RAS affine."""
    corners = numpy.array([[i, j, k, 1] for i in (0, shape[0] - 1) for j in (0, shape[1] - 1)
                           for k in (0, shape[2] - 1)])
    ras = (numpy.asarray(affine) @ corners.T)[:3]
    return list(zip(ras.min(axis=1), ras.max(axis=1)))


def printed_extent(info):
    """The Extent line of `volview --info`: its axis letters ("RAS", or "xyz" without a patient frame)
    and (low, high) per axis."""
    pair = r"(\w) (-?\d+\.\d)\.\.(-?\d+\.\d)"
    line = re.search(r"^Extent \((?:RAS )?mm\): %s, %s, %s$" % (pair, pair, pair), info, re.M)
    if line is None:
        raise AssertionError("no Extent line in:\n" + info)
    parts = line.groups()
    return "".join(parts[::3]), [(float(parts[i + 1]), float(parts[i + 2])) for i in (0, 3, 6)]


def extent_error(info, affine, shape):
    """The letters of the Extent line in `info` and its greatest difference in mm from where the
    affine puts the voxel centres (printed to 0.1 mm, so up to 0.05 is rounding)."""
    letters, printed = printed_extent(info)
    return letters, max(abs(got - want) for pair, expected in zip(printed, ras_extent(affine, shape))
                        for got, want in zip(pair, expected))
