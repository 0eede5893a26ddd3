# Writes the hostile corpus: one small file (or pair) per way a header can lie
# or a path can trap a reader. `make(dir)` writes it into dir and returns
# (name, path, reason) with `reason` a regular expression the one stderr line
# must match after the name.
# The cases in LOCKED need a user other than root.
import gzip
import os
import pathlib
import struct
import zlib

from pydicom.uid import generate_uid

from marker_volumes import dicom_image

HUGE = (2048,) * 3  # 2048^3 voxels: 8 GiB claimed by files of a few hundred bytes
CUT = r"file is cut short.*"
LPS = "space: left-posterior-superior\nspace directions: "
LOCKED = ("locked.nrrd", "locked_slice", "locked_slice/slice0.dcm")  # cases root reads anyway


def nrrd(dimension=3, sizes=HUGE, encoding="raw", extra="", data=b"\0" * 64):
    header = "NRRD0004\ntype: uint8\ndimension: %d\nsizes: %s\nencoding: %s\n%s\n" % (
        dimension, " ".join(map(str, sizes)), encoding, extra)
    return header.encode() + data


def nifti(magic=b"n+1", dims=(2, 2, 2), vox_offset=352.0, qform=(0,) * 6, sform=(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0),
          datatype=2, data=b"\0" * 12, codes=(1, 1)):
    h = bytearray(348)
    struct.pack_into("<i", h, 0, 348)
    struct.pack_into("<8h", h, 40, len(dims), *dims, *[1] * (7 - len(dims)))
    struct.pack_into("<3h10f", h, 70, datatype, 8, 0, *[1] * 8, vox_offset, 1.0)
    struct.pack_into("<2h18f", h, 252, *codes, *qform, *sform)
    h[344:348] = magic + b"\0"
    return bytes(h) + data


def meta(element_file, extra=""):
    return ("ObjectType = Image\nNDims = 3\nDimSize = %d %d %d\nElementType = MET_UCHAR\n%s"
            "ElementDataFile = %s\n" % (*HUGE, extra, element_file)).encode()


def vtk(mode, data):
    return ("# vtk DataFile Version 3.0\nhostile\n%s\nDATASET STRUCTURED_POINTS\nDIMENSIONS %d %d %d\n"
            "SPACING 1 1 1\nORIGIN 0 0 0\nPOINT_DATA %d\nSCALARS v unsigned_char 1\nLOOKUP_TABLE default\n"
            % (mode, *HUGE, HUGE[0] ** 3)).encode() + data


def tiff_with_false_strip():
    entries = [(256, 3, 64), (257, 3, 64), (258, 3, 8), (259, 3, 1), (262, 3, 1), (273, 4, 8 + 2 + 12 * 8 + 4),
               (278, 3, 64), (279, 4, 10 ** 6)]
    ifd = b"".join(struct.pack("<HHII", tag, kind, 1, value) for tag, kind, value in entries)
    return b"II*\0" + struct.pack("<IH", 8, len(entries)) + ifd + struct.pack("<I", 0) + b"\0" * 100


def overlong_pixel_data():
    # Rows and columns met, but the element claims a gigabyte the file does not hold.
    image = bytearray(dicom_image(2, b"\0" * 8, generate_uid()))
    at = image.rfind(b"\xe0\x7f\x10\x00")
    struct.pack_into("<I", image, at + (8 if image[at + 4:at + 6] == b"OW" else 4), 1 << 30)  # explicit or implicit VR
    return bytes(image)


def make(folder):
    d = pathlib.Path(folder)
    d.mkdir(parents=True, exist_ok=True)
    for support in ("small.raw", "huge_pair.img"):
        (d / support).write_bytes(b"\0" * 1024)
    for fifo in ("data.fifo", "volume.fifo"):
        os.mkfifo(d / fifo)
    non_finite = r"NIfTI header holds a non-finite spacing or orientation matrix"
    crc = bytearray(gzip.compress(nifti(dims=(4, 4, 4), data=b"\0" * 68)))
    crc[-8] ^= 0xFF  # the gzip check value is wrong
    cases = [
        ("huge_raw.nrrd", nrrd(), CUT),
        ("huge_gzip.nrrd", nrrd(encoding="gzip", data=gzip.compress(b"\0" * 100)), CUT),
        ("huge_ascii.nrrd", nrrd(encoding="ascii", data=b"1 2 3\n"), CUT),
        ("zero_directions.nrrd", nrrd(sizes=(2, 2, 2), extra=LPS + "(0,0,0) (0,0,0) (0,0,0)\n", data=b"\0" * 8),
         r".*(degenerate|direction).*"),
        ("collinear.nrrd", nrrd(sizes=(2, 2, 2), extra=LPS + "(1,0,0) (1,0.001,0) (0,0,1)\n", data=b"\0" * 8),
         r"the voxel axes are collinear or zero"),
        # 1 TiB claimed and backed by a sparse file: only free memory can refuse it.
        ("beyond_memory.nrrd", nrrd(sizes=(1 << 14, 1 << 14, 1 << 12)),
         r"too large for memory: needs [\d.]+ GB, [\d.]+ GB free"),
        ("huge_pair.hdr", nifti(magic=b"ni1", dims=HUGE, vox_offset=0, data=b""), CUT),
        ("huge_single.nii", nifti(dims=HUGE), CUT),
        ("nan_sform.nii", nifti(sform=(1, 0, 0, 0, 0, float("nan"), 0, 0, 0, 0, 1, 0)), non_finite),
        ("inf_qform.nii", nifti(qform=(0, 0, 0, float("inf"), 0, 0)), non_finite),
        ("nan_vox_offset.nii", nifti(vox_offset=float("nan")), r".*invalid data offset.*"),
        ("huge_vox_offset.nii", nifti(vox_offset=1e30), r".*invalid data offset.*"),
        ("negative_dim.nii", nifti(dims=(2, -2, 2)), r"NIfTI header has a size below 1"),
        ("bad_datatype.nii", nifti(datatype=77), r".+"),
        ("huge_compressed.mha", meta("LOCAL", "CompressedData = True\n") + zlib.compress(b"\0" * 1000), CUT),
        ("missing_list.mhd", meta("LIST") + b"slice0.raw\nslice1.raw\n",
         r"data file .*slice0.raw: No such file or directory"),
        ("huge_ascii.vtk", vtk("ASCII", b"1 2 3\n"), CUT),
        ("huge_binary.vtk", vtk("BINARY", b"\0" * 64), CUT),
        ("false_strips.tif", tiff_with_false_strip(), CUT),
        ("huge_frames.dcm", dicom_image(2048, b"\0" * 64, generate_uid(), frames=1000),
         r"file is cut short \(pixel data holds 64 of 8388608000 bytes\)"),
        ("overlong_pixels.dcm", overlong_pixel_data(), r"file is cut short \(pixel data holds 8 of 1073741824 bytes\)"),
        ("volume.fifo", None, r"a FIFO, not a volume file"),
        ("bad\nname.nrrd", b"not a volume\n", r"not a volume file.*"),
        ("notes.txt", b"just some notes\n" * 10, r"not a volume file.*"),
        ("bad_crc.nii.gz", bytes(crc), r"damaged compressed data.*"),
        ("locked.nrrd", nrrd(sizes=(2, 2, 2), data=b"\0" * 8), r"cannot read: Permission denied"),
        ("locked_slice", None, r".*slice1.dcm: cannot read: Permission denied"),
        ("locked_slice/slice0.dcm", None,
         r"its series may be incomplete: .*slice1.dcm: cannot read: Permission denied; --single-file opens .*"),
    ]
    cases += [("dims%d.nrrd" % n, nrrd(dimension=n, sizes=(2,) * n), r"has %d dimensions; 2, 3 or 4 can be shown" % n)
              for n in (5, 10, 16)]
    # Data files named by a NRRD or MetaImage header: too small, a FIFO, the header itself.
    for ending, header in ((".nhdr", lambda name: nrrd(extra="data file: %s\n" % name, data=b"")), (".mhd", meta)):
        cases += [("huge_detached" + ending, header("small.raw"), CUT),
                  ("fifo_data" + ending, header("data.fifo"), r"data file .*data.fifo is a FIFO"),
                  ("self_data" + ending, header("self_data" + ending), r"data file .* is the header itself")]
    for name, content, _ in cases:
        if content is not None:
            (d / name).write_bytes(content)
    series = generate_uid()
    (d / "locked_slice").mkdir()
    for z in range(3):
        (d / "locked_slice" / ("slice%d.dcm" % z)).write_bytes(dicom_image(4, b"\0" * 32, series, (0.0, 0.0, z)))
    (d / "locked.nrrd").chmod(0)
    (d / "locked_slice" / "slice1.dcm").chmod(0)
    skip = set()
    try:
        os.truncate(d / "beyond_memory.nrrd", (1 << 40) + 4096)
    except OSError:
        skip.add("beyond_memory.nrrd")
    return [(name, str(d / name), reason) for name, _, reason in cases if name not in skip]

