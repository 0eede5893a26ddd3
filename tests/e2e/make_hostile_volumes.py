#!/usr/bin/env python3
"""Writes the hostile corpus: one small file (or pair) per way a header can lie
or a path can trap a reader. Run as `make_hostile_volumes.py DIR` to keep the
files; the tests import `make(dir)`, which returns (name, path, reason) with
`reason` a regular expression the one stderr line must match after the name."""
import gzip
import os
import pathlib
import struct
import sys
import zlib

HUGE = 2048  # 2048^3 voxels: 8 GiB claimed by files of a few hundred bytes


def nrrd(dimension=3, sizes=(HUGE,) * 3, encoding="raw", extra="", data=b"\0" * 64):
    header = "NRRD0004\ntype: uint8\ndimension: %d\nsizes: %s\nencoding: %s\n%s\n" % (
        dimension, " ".join(map(str, sizes)), encoding, extra)
    return header.encode() + data


def nifti(magic=b"n+1", dims=(HUGE,) * 3, vox_offset=352.0, qform=None, sform=None, datatype=2, bitpix=8):
    h = bytearray(348)
    struct.pack_into("<i", h, 0, 348)
    dim = [len(dims)] + list(dims) + [1] * (7 - len(dims))
    struct.pack_into("<8h", h, 40, *dim)
    struct.pack_into("<hh", h, 70, datatype, bitpix)
    struct.pack_into("<8f", h, 76, 1, 1, 1, 1, 1, 1, 1, 1)
    struct.pack_into("<f", h, 108, vox_offset)
    struct.pack_into("<f", h, 112, 1.0)
    if qform:
        struct.pack_into("<h", h, 252, 1)
        struct.pack_into("<6f", h, 256, *qform)
    if sform:
        struct.pack_into("<h", h, 254, 1)
        struct.pack_into("<12f", h, 280, *sform)
    h[344:348] = magic + b"\0"
    return bytes(h) + (b"\0" * 4 if magic == b"n+1" else b"")


def meta(element_file, extra=""):
    return ("ObjectType = Image\nNDims = 3\nDimSize = %d %d %d\nElementType = MET_UCHAR\n%s"
            "ElementDataFile = %s\n" % (HUGE, HUGE, HUGE, extra, element_file)).encode()


def vtk(mode, data):
    return ("# vtk DataFile Version 3.0\nhostile\n%s\nDATASET STRUCTURED_POINTS\nDIMENSIONS %d %d %d\n"
            "SPACING 1 1 1\nORIGIN 0 0 0\nPOINT_DATA %d\nSCALARS v unsigned_char 1\nLOOKUP_TABLE default\n"
            % (mode, HUGE, HUGE, HUGE, HUGE ** 3)).encode() + data


def tiff_with_false_strip():
    entries = [(256, 3, 1, 64), (257, 3, 1, 64), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, 8 + 2 + 12 * 8 + 4), (278, 3, 1, 64), (279, 4, 1, 10 ** 6)]
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        ifd += struct.pack("<HHII", tag, kind, count, value)
    return b"II*\0" + struct.pack("<I", 8) + ifd + struct.pack("<I", 0) + b"\0" * 100


def make(folder):
    d = pathlib.Path(folder)
    d.mkdir(parents=True, exist_ok=True)
    cases = []

    def add(name, content, reason):
        path = d / name
        if content is not None:
            path.write_bytes(content)
        cases.append((name, str(path), reason))
        return path

    cut = r"file is cut short.*"
    add("huge_raw.nrrd", nrrd(), cut)
    add("huge_gzip.nrrd", nrrd(encoding="gzip", data=gzip.compress(b"\0" * 100)), cut)
    add("huge_ascii.nrrd", nrrd(encoding="ascii", data=b"1 2 3\n"), cut)
    (d / "small.raw").write_bytes(b"\0" * 1024)
    add("huge_detached.nhdr", nrrd(extra="data file: small.raw\n", data=b""), cut)
    os.mkfifo(d / "data.fifo")
    add("fifo_data.nhdr", nrrd(extra="data file: data.fifo\n", data=b""), r"data file .*data.fifo is a FIFO")
    add("self_data.nhdr", nrrd(extra="data file: self_data.nhdr\n", data=b""), r"data file .* is the header itself")
    for n in (5, 10, 16):
        add("dims%d.nrrd" % n, nrrd(dimension=n, sizes=(2,) * n), r"has %d dimensions; 2, 3 or 4 can be shown" % n)
    add("zero_directions.nrrd",
        nrrd(sizes=(2, 2, 2), extra="space: left-posterior-superior\nspace directions: (0,0,0) (0,0,0) (0,0,0)\n",
             data=b"\0" * 8), r".*(degenerate|direction).*")
    add("sheared.nrrd",
        nrrd(sizes=(2, 2, 2), extra="space: left-posterior-superior\nspace directions: (1,0,0) (0.3,1,0) (0,0,1)\n",
             data=b"\0" * 8), r"direction cosines are not orthonormal \(off by 0.287; up to 0.01 is corrected\)")
    # 1 TiB claimed and backed by a sparse file: only free memory can refuse it.
    big = add("beyond_memory.nrrd", nrrd(sizes=(1 << 14, 1 << 14, 1 << 12)), r"too large for memory: needs [\d.]+ GB, [\d.]+ GB free")
    try:
        os.truncate(big, (1 << 40) + 4096)
    except OSError:
        cases.pop()

    add("huge_pair.hdr", nifti(magic=b"ni1", vox_offset=0), cut)
    (d / "huge_pair.img").write_bytes(b"\0" * 1024)
    add("huge_single.nii", nifti(), cut)
    nan, inf = float("nan"), float("inf")
    add("nan_sform.nii", nifti(dims=(2, 2, 2), sform=(1, 0, 0, 0, 0, nan, 0, 0, 0, 0, 1, 0)) + b"\0" * 8,
        r"NIfTI header holds a non-finite spacing or orientation matrix")
    add("inf_qform.nii", nifti(dims=(2, 2, 2), qform=(0, 0, 0, inf, 0, 0)) + b"\0" * 8,
        r"NIfTI header holds a non-finite spacing or orientation matrix")
    add("nan_vox_offset.nii", nifti(dims=(2, 2, 2), vox_offset=nan) + b"\0" * 8, r".*invalid data offset.*")
    add("huge_vox_offset.nii", nifti(dims=(2, 2, 2), vox_offset=1e30) + b"\0" * 8, r".*invalid data offset.*")
    add("negative_dim.nii", nifti(dims=(2, -2, 2)) + b"\0" * 8, r"NIfTI header has a size below 1")
    add("bad_datatype.nii", nifti(dims=(2, 2, 2), datatype=77, bitpix=8) + b"\0" * 8, r".+")

    (d / "tiny.raw").write_bytes(b"\0" * 1024)
    add("huge_detached.mhd", meta("tiny.raw"), cut)
    add("huge_compressed.mha", meta("LOCAL", "CompressedData = True\n") + zlib.compress(b"\0" * 1000), cut)
    add("self_data.mhd", meta("self_data.mhd"), r"data file .* is the header itself")
    add("fifo_data.mhd", meta("data.fifo"), r"data file .*data.fifo is a FIFO")
    add("missing_list.mhd", meta("LIST") + b"slice0.raw\nslice1.raw\n", r"data file .*slice0.raw: No such file or directory")

    add("huge_ascii.vtk", vtk("ASCII", b"1 2 3\n"), cut)
    add("huge_binary.vtk", vtk("BINARY", b"\0" * 64), cut)
    add("false_strips.tif", tiff_with_false_strip(), cut)

    os.mkfifo(d / "volume.fifo")
    add("volume.fifo", None, r"a FIFO, not a volume file")
    add("bad\nname.nrrd", b"not a volume\n", r"not a volume file.*")
    add("notes.txt", b"just some notes\n" * 10, r"not a volume file.*")
    # A gzip stream whose check value is wrong.
    stream = bytearray(gzip.compress(nifti(dims=(4, 4, 4)) + b"\0" * 64))
    stream[-8] ^= 0xFF
    add("bad_crc.nii.gz", bytes(stream), r"damaged compressed data.*")
    if os.geteuid() != 0:
        locked = add("locked.nrrd", nrrd(sizes=(2, 2, 2), data=b"\0" * 8), r"cannot read: Permission denied")
        locked.chmod(0)
    return cases


if __name__ == "__main__":
    for name, path, reason in make(sys.argv[1] if len(sys.argv) > 1 else "hostile"):
        print("%-24s %s" % (name.encode("unicode_escape").decode(), reason))
