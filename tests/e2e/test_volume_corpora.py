"""Files as users bring them and as a tester forges them, through `--info`
without a display: the DICOM files python3-pydicom ships, the scans in
python3-nibabel's test data, and the hostile corpus of make_hostile_volumes.
Each opens (exit 0) or is refused with exactly one stderr line naming it and
exit 1; none is killed by a signal."""
import concurrent.futures
import os
import pathlib
import re
import subprocess
import tempfile
import unittest

from harness import BIN, RUN_DIR, run_without_display

import make_hostile_volumes

PYDICOM = pathlib.Path("/usr/lib/python3/dist-packages/pydicom/data/test_files")
NIBABEL = pathlib.Path("/usr/lib/python3/dist-packages/nibabel/tests/data")
SCAN_ENDINGS = (".nii", ".nii.gz", ".hdr", ".img", ".mnc", ".mgz", ".dcm", ".BRIK.gz", ".HEAD", ".REC")
TIME = "/usr/bin/time"


def info(path, *extra, timeout=60):
    """Exit code, stdout, stderr and peak memory in KiB of `volview PATH --info`."""
    with tempfile.NamedTemporaryFile("r") as peak:
        result = subprocess.run([TIME, "-q", "-f", "%M", "-o", peak.name, BIN, str(path), "--info", *extra],
                                capture_output=True, text=True, errors="replace", timeout=timeout,
                                env=dict(os.environ, DISPLAY=":599"))
        text = peak.read().split()
    return result.returncode, result.stdout, result.stderr, int(text[-1]) if text else 0


def run_all(paths, **kwargs):
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        return dict(zip(paths, pool.map(lambda p: info(p, **kwargs), paths)))


def shown(path):
    return str(path).encode("unicode_escape").decode().replace("\\\\", "\\")


class RealWorldCorpusTest(unittest.TestCase):
    def check_one_line_each(self, results):
        for path, (code, out, err, _) in results.items():
            with self.subTest(file=path.name):
                self.assertIn(code, (0, 1), "killed by a signal or a usage error: %r" % err)
                if code == 0:
                    self.assertEqual(err, "")
                    self.assertIn("Dimensions: ", out)
                else:
                    self.assertEqual(out, "")
                    self.assertRegex(err, r"\A%s: [^\n]+\n\Z" % re.escape(str(path)))

    @unittest.skipUnless(PYDICOM.is_dir(), "python3-pydicom is not installed")
    def test_every_pydicom_file(self):
        paths = sorted(p for p in PYDICOM.rglob("*") if p.is_file() and "__pycache__" not in p.parts)
        results = run_all(paths)
        self.check_one_line_each(results)
        # The valid CT and MR slices open with their sizes.
        expected = {"CT_small.dcm": "128 x 128 x 1", "MR_small.dcm": "64 x 64 x 1",
                    "MR_small_implicit.dcm": "64 x 64 x 1", "MR_small_bigendian.dcm": "64 x 64 x 1",
                    "MR_small_RLE.dcm": "64 x 64 x 1", "MR_small_padded.dcm": "64 x 64 x 1"}
        for path, (code, out, err, _) in results.items():
            if path.name in expected:
                self.assertEqual(code, 0, "%s: %s" % (path.name, err))
                self.assertIn("Dimensions: %s\n" % expected[path.name], out)
        # Slow machines (sanitizers) add progress lines, which hold no ": ".
        ct = dict(line.split(": ", 1) for line in results[PYDICOM / "CT_small.dcm"][1].splitlines() if ": " in line)
        self.assertEqual((ct["Format"], ct["Voxel type"]), ("DICOM", "int16"))

    @unittest.skipUnless(NIBABEL.is_dir(), "python3-nibabel is not installed")
    def test_nibabel_scans(self):
        paths = sorted(p for p in NIBABEL.iterdir() if p.is_file() and p.name.endswith(SCAN_ENDINGS))
        results = run_all(paths)
        self.check_one_line_each(results)
        # NIfTI-2, as nibabel reads it: int16, 2 x 2 x 2.2 mm, left-anterior-superior.
        code, out, err, _ = results[NIBABEL / "example_nifti2.nii.gz"]
        self.assertEqual((code, err), (0, ""))
        for line in ("Format: NIfTI-2", "Dimensions: 32 x 20 x 12 (2 frames)", "Voxel type: int16",
                     "Spacing: 2 x 2 x 2.2", "Orientation: LAS", "Value range: 49 to 742"):
            self.assertIn(line + "\n", out)


class HostileCorpusTest(unittest.TestCase):
    def test_each_refused_in_one_line_within_5_s_and_1_gb(self):
        folder = self.enterContext(tempfile.TemporaryDirectory(prefix="volview-hostile-"))
        cases = make_hostile_volumes.make(folder)
        results = run_all([path for _, path, _ in cases], timeout=5)
        for name, path, reason in cases:
            code, out, err, peak_kib = results[path]
            with self.subTest(case=name):
                self.assertEqual((code, out), (1, ""), err)
                self.assertRegex(err, r"\A%s: %s\n\Z" % (re.escape(shown(path)), reason))
                self.assertLess(peak_kib, 1 << 20)


class OptionValueTest(unittest.TestCase):
    def test_negative_header_bytes_is_a_usage_error_and_a_folder_for_save_tf_is_refused_at_start(self):
        ct = os.path.join(RUN_DIR, "samples", "ct_be.raw")
        result = run_without_display(ct, "--raw", "128x128x64", "--type", "int16", "--header-bytes", "-1", "--info")
        self.assertEqual(result.returncode, 2)
        self.assertIn("--header-bytes: must not be negative", result.stderr)
        folder = self.enterContext(tempfile.TemporaryDirectory())
        result = run_without_display(os.path.join(RUN_DIR, "samples", "ct.nrrd"), "--save-tf", folder)
        self.assertEqual((result.returncode, result.stderr), (1, folder + ": cannot write: is a folder\n"))

    def test_nearly_orthonormal_directions_open_with_a_note(self):
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))
        path = folder / "resampled.nrrd"
        path.write_bytes(make_hostile_volumes.nrrd(
            sizes=(2, 2, 2), extra="space: left-posterior-superior\nspace directions: (1,0,0) (0.002,1,0) (0,0,1)\n",
            data=bytes(range(8))))
        code, out, err, _ = info(path)
        self.assertEqual((code, err), (0, ""))
        self.assertIn("Note: direction cosines off orthonormal by 0.002: the nearest orthonormal frame is used\n", out)

    def test_a_colour_file_opens_as_luminance_with_a_note(self):
        path = PYDICOM / "SC_rgb_rle.dcm"
        if not path.exists():
            self.skipTest("python3-pydicom is not installed")
        code, out, err, _ = info(path)
        self.assertEqual((code, err), (0, ""))
        self.assertIn("Note: colour voxels shown as luminance (Rec. 709 weights)\n", out)


if __name__ == "__main__":
    unittest.main()
