# Files as users bring them and as a tester forges them, through `--info`
# without a display: the DICOM files python3-pydicom ships, the scans in
# python3-nibabel's test data, and the hostile corpus of make_hostile_volumes.
# Each opens (exit 0) or is refused with exactly one stderr line naming it and
# exit 1 (hostile files under 1 GB); none is killed by a signal.
import concurrent.futures
import os
import pathlib
import re
import subprocess
import tempfile
import unittest

import nibabel
import pydicom

from harness import AS_USER, BIN, measured

import make_hostile_volumes
import marker_volumes

PYDICOM = pathlib.Path("/usr/lib/python3/dist-packages/pydicom/data/test_files")
NIBABEL = pathlib.Path("/usr/lib/python3/dist-packages/nibabel/tests/data")
SCAN_ENDINGS = (".nii", ".nii.gz", ".hdr", ".img", ".mnc", ".mgz", ".dcm", ".BRIK.gz", ".HEAD", ".REC")


def info(path, timeout=60, as_user=False):
    # Exit code, stdout, stderr and peak memory in KiB of `volview PATH --info`.
    return measured(str(path), "--info", timeout=timeout, as_user=as_user)[:4]


def decodable(path):
    # Whether pydicom itself decodes the file's pixels.
    try:
        return pydicom.dcmread(path).pixel_array.size > 0
    except Exception:
        return False


def run_all(paths, timeout=60, as_user=()):
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        return dict(zip(paths, pool.map(lambda path: info(path, timeout, path in as_user), paths)))


class CorpusTest(unittest.TestCase):
    def check_each(self, results, reasons=None):
        # Exit 0 with the dimensions and a silent stderr, or exit 1 with one stderr line naming the
        # file; with `reasons` (a pattern per path), exit 1 for that reason.
        for path, (code, out, err, peak_kib) in results.items():
            with self.subTest(file=str(path)):
                self.assertIn(code, (1,) if reasons else (0, 1), "killed by a signal or a usage error: %r" % err)
                self.assertEqual(out if code else err, "")
                name = re.escape(str(path).encode("unicode_escape").decode().replace("\\\\", "\\"))
                line = r"\A%s: %s\n\Z" % (name, reasons[path] if reasons else "[^\n]+")
                self.assertRegex(err if code else out, line if code else "Dimensions: ")
                self.assertLess(peak_kib, 1 << 20 if reasons else 1 << 40)  # real-world files may take more

    def assert_lines(self, out, *lines):
        # Slow machines (sanitizers) add progress lines, each a line of its own.
        self.assertLessEqual(set(lines), set(out.splitlines()), out)

    @unittest.skipUnless(PYDICOM.is_dir(), "python3-pydicom is not installed")
    def test_every_pydicom_file(self):
        results = run_all(sorted(p for p in PYDICOM.rglob("*") if p.is_file() and "__pycache__" not in p.parts))
        self.check_each(results)
        # Whatever pydicom itself decodes opens, or (a series with a gap) names the way to open it alone.
        for path, (code, _, err, _) in results.items():
            if decodable(path) and not err.endswith("; --single-file opens this file alone\n"):
                self.assertEqual(code, 0, err)
        self.assert_lines(results[PYDICOM / "CT_small.dcm"][1], "Format: DICOM", "Dimensions: 128 x 128 x 1",
                          "Voxel type: int16")
        for variant in ("", "_implicit", "_bigendian", "_RLE", "_padded"):
            self.assert_lines(results[PYDICOM / ("MR_small%s.dcm" % variant)][1], "Dimensions: 64 x 64 x 1")
        self.assert_lines(results[PYDICOM / "SC_rgb_rle.dcm"][1],
                          "Note: colour voxels shown as luminance (Rec. 709 weights)")
        # RT dose grids without Number of Frames (GDCM aborts on them as written).
        for variant in ("", "_expb", "_rle"):
            self.assert_lines(results[PYDICOM / ("rtdose%s_1frame.dcm" % variant)][1], "Dimensions: 10 x 10 x 1")
        # Two localizers of one series, in two planes: no volume to stack.
        self.assertTrue(results[PYDICOM / "dicomdirtests/98892001/CT2N/6293"][2].endswith(
            ": its slices lie in 2 different planes (localizer images?); --single-file opens this file alone\n"))
        self.assertTrue(results[PYDICOM / "MR_truncated.dcm"][2].endswith(
            ": file is cut short (pixel data holds 8130 of 8192 bytes)\n"))

    @unittest.skipUnless(NIBABEL.is_dir(), "python3-nibabel is not installed")
    def test_nibabel_scans(self):
        results = run_all(sorted(p for p in NIBABEL.iterdir() if p.is_file() and p.name.endswith(SCAN_ENDINGS)))
        self.check_each(results)
        # NIfTI-2, as nibabel reads it: int16, 2 x 2 x 2.2 mm, left-anterior-superior.
        self.assert_lines(results[NIBABEL / "example_nifti2.nii.gz"][1], "Format: NIfTI-2",
                          "Dimensions: 32 x 20 x 12 (2 frames)", "Voxel type: int16", "Spacing: 2 x 2 x 2.2",
                          "Orientation: LAS", "Value range: 49 to 742")
        # Where nibabel places the voxel centres, an oblique scan and MINC's RAS world among them.
        for name in ("anatomical.nii", "example4d.nii.gz", "example_nifti2.nii.gz", "minc1_1_scale.mnc",
                     "minc2_1_scale.mnc", "small.mnc"):
            image, out = nibabel.load(NIBABEL / name), results[NIBABEL / name][1]
            letters, error = marker_volumes.extent_error(out, image.affine, image.shape[:3])
            self.assertEqual(letters, "RAS", out)
            self.assertLess(error, 0.051, out)

    def test_each_hostile_file_refused_in_one_line_within_5_s_and_1_gb(self):
        folder = self.enterContext(tempfile.TemporaryDirectory(prefix="volview-hostile-"))
        os.chmod(folder, 0o755)
        cases = make_hostile_volumes.make(folder)
        locked = {path for name, path, _ in cases if name in make_hostile_volumes.LOCKED}
        if AS_USER and subprocess.run(AS_USER + ["test", "-x", BIN, "-a", "-r", folder]).returncode != 0:
            cases = [case for case in cases if case[1] not in locked]  # nobody cannot reach the viewer here
        self.check_each(run_all([path for _, path, _ in cases], timeout=5, as_user=locked),
                        {path: why for _, path, why in cases})


class OptionValueTest(unittest.TestCase):
    def test_a_spacing_in_a_file_beyond_what_stays_finite_is_refused(self):
        # Given on the command line, a usage error: test_refusals.
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))
        (folder / "wide.nrrd").write_bytes(make_hostile_volumes.nrrd(
            sizes=(2, 2, 2), extra=make_hostile_volumes.LPS + "(1e8,0,0) (0,1,0) (0,0,1)\n", data=bytes(range(8))))
        code, out, err, _ = info(folder / "wide.nrrd")
        self.assertEqual((code, out), (1, ""))
        self.assertEqual(err, "%s: a spacing of 1e+08 mm, outside 1e-07 to 1e+07 mm\n" % (folder / "wide.nrrd"))

    def test_nearly_orthonormal_directions_open_with_a_note(self):
        # NRRD through ITK; NIfTI with only an sform, single and as a pair, which ITK refuses.
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))
        (folder / "resampled.nrrd").write_bytes(make_hostile_volumes.nrrd(
            sizes=(2, 2, 2), extra=make_hostile_volumes.LPS + "(1,0,0) (0.002,1,0) (0,0,1)\n", data=bytes(range(8))))
        sform = (1, 0.002, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0)
        (folder / "resampled.nii").write_bytes(make_hostile_volumes.nifti(sform=sform, codes=(0, 1),
                                                                           data=b"\0" * 4 + bytes(range(8))))
        (folder / "pair.hdr").write_bytes(make_hostile_volumes.nifti(magic=b"ni1", sform=sform, codes=(0, 1),
                                                                     vox_offset=0, data=b""))
        (folder / "pair.img").write_bytes(bytes(range(8)))
        for name in ("resampled.nrrd", "resampled.nii", "pair.hdr"):
            code, out, err, _ = info(folder / name)
            self.assertEqual((code, err), (0, ""), name)
            self.assertLessEqual({"Dimensions: 2 x 2 x 2", "Value range: 0 to 7",
                                  "Note: direction cosines off orthonormal by 0.002: the nearest orthonormal frame is used"},
                                 set(out.splitlines()), out)


if __name__ == "__main__":
    unittest.main()
