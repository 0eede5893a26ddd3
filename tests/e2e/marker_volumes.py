"""Test volumes with features at known anatomical places, written as other
tools write them: NIfTI in two storage orders and a DICOM series.

Volumes are built in the patient frame: index x runs toward the patient's
left, y toward posterior, z toward superior, 2 mm voxels."""
import datetime
import os

import nibabel
import numpy
import pydicom
from pydicom.dataset import FileDataset, FileMetaDataset
from pydicom.uid import CTImageStorage, ExplicitVRLittleEndian, generate_uid

SIZE = 64
SPACING = 2.0
BRIGHT = (48, 16, 48)  # superior, left, anterior corner
DIM = (32, 52, 32)     # posterior, on the midline


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


def write_dicom_series(volume, folder):
    # One axial slice per file, rows toward posterior and columns toward the left (LPS).
    os.makedirs(folder, exist_ok=True)
    study, series = generate_uid(), generate_uid()
    for z in range(SIZE):
        meta = FileMetaDataset()
        meta.MediaStorageSOPClassUID = CTImageStorage
        meta.MediaStorageSOPInstanceUID = generate_uid()
        meta.TransferSyntaxUID = ExplicitVRLittleEndian
        path = os.path.join(folder, "slice%03d.dcm" % z)
        ds = FileDataset(path, {}, file_meta=meta, preamble=b"\0" * 128)
        ds.SOPClassUID, ds.SOPInstanceUID = CTImageStorage, meta.MediaStorageSOPInstanceUID
        ds.StudyInstanceUID, ds.SeriesInstanceUID = study, series
        ds.Modality, ds.PatientName, ds.StudyDate = "CT", "Markers^Test", datetime.date.today().strftime("%Y%m%d")
        ds.InstanceNumber = z + 1
        ds.ImagePositionPatient = [0.0, 0.0, z * SPACING]
        ds.ImageOrientationPatient = [1.0, 0.0, 0.0, 0.0, 1.0, 0.0]
        ds.PixelSpacing = [SPACING, SPACING]
        ds.SliceThickness = SPACING
        ds.Rows = ds.Columns = SIZE
        ds.SamplesPerPixel, ds.PhotometricInterpretation = 1, "MONOCHROME2"
        ds.BitsAllocated, ds.BitsStored, ds.HighBit, ds.PixelRepresentation = 16, 16, 15, 1
        ds.RescaleIntercept, ds.RescaleSlope = 0, 1
        ds.PixelData = numpy.ascontiguousarray(volume[:, :, z].T).astype("<i2").tobytes()  # [row=y, column=x]
        ds.is_little_endian, ds.is_implicit_VR = True, False
        ds.save_as(path, write_like_original=False)
