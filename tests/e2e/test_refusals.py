"""Inputs beside the volume, as a tester tries them: option values, presets,
colour maps and output paths that once crashed, hung, lost files or passed
silently. Each ends before any window (no display is reachable) with its exit
code and one line naming the input, escaped, within 5 s and under 1 GB. Run
by the sanitizer build too (VOLVIEW_RUN_DIR)."""
import concurrent.futures
import os
import pathlib
import re
import subprocess
import tempfile
import time
import unittest

from harness import BIN, RUN_DIR

CT = os.path.join(os.path.abspath(RUN_DIR), "samples", "ct.nrrd")
USAGE = "Usage: volview [GLUT options] [VOLUME] [options]"
# Root writes any file: the read-only case runs as nobody.
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.geteuid() == 0 else []


def run(*args, cwd=RUN_DIR, as_user=False, timeout=60):
    """Exit code, stdout, stderr, peak memory (KiB) and seconds of one run without a display."""
    with tempfile.NamedTemporaryFile("r") as peak:
        command = ["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name] + (AS_USER if as_user else []) + [BIN, *args]
        started = time.monotonic()
        result = subprocess.run(command, cwd=cwd, capture_output=True, text=True, errors="replace",
                                timeout=timeout, env=dict(os.environ, DISPLAY=":599"))
        seconds = time.monotonic() - started
        text = peak.read().split()
    return result.returncode, result.stdout, result.stderr, int(text[-1]) if text else 0, seconds


class RefusalTest(unittest.TestCase):
    def assert_refused(self, args, code, line, cwd=RUN_DIR, as_user=False):
        """Exit `code`, the one line `line` (or a line matching it) on stderr, before the usage for
        code 2, and nothing on stdout."""
        got_code, out, err, peak_kib, seconds = run(*args, cwd=cwd, as_user=as_user)
        with self.subTest(args=args):
            self.assertEqual((got_code, out), (code, ""), err)
            first, _, rest = err.partition("\n")
            if isinstance(line, re.Pattern):
                self.assertRegex(first, line)
            else:
                self.assertEqual(first, line)
            self.assertIn(USAGE, rest) if code == 2 else self.assertEqual(rest, "")
            self.assertLess(seconds, 5)
            self.assertLess(peak_kib, 1 << 20)

    def test_values_that_cannot_mean_anything_are_usage_errors(self):
        for args, line in [
                ((CT, "--screenshot", ""), "volview: --screenshot: an empty value"),
                ((CT, "--screenshot", "", "--turntable", "4"), "volview: --screenshot: an empty value"),
                ((CT, "--zoom", ""), "volview: --zoom: an empty value"),
                ((CT, "--preset", ""), "volview: --preset: an empty value"),
                ((CT, "--interactive-ms", "nan"), "volview: --interactive-ms: 'nan' is not a number"),
                ((CT, "--slices", "0x40"), "volview: --slices: '0x40' is not a number"),
                ((CT, "--zoom", "1e-310"), "volview: --zoom: '1e-310' is out of range"),
                ((CT, "--spacing", "1e307,1,1", "--info"), "volview: --spacing: spacings lie between 1e-07 and 1e+07 mm"),
                (("-geometry", "20000x20000", CT, "--screenshot", "x.png"),
                 "volview: -geometry: sizes must be whole numbers from 16 to 16384, got '20000x20000'"),
                (("-geometry", "big", CT), "volview: -geometry: expected WxH+X+Y, got 'big'"),
                ((CT, "--preset", "no\x1b[2Jsuch"), "volview: --preset: no preset 'no\\x1b[2Jsuch' in presets/ (see --preset list)")]:
            self.assert_refused(args, 2, line)

    def test_output_paths_are_checked_before_the_volume_is_read(self):
        # Given a volume that does not exist, the line is about the output, not the volume.
        missing = "/no/such/volume.nrrd"
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-out-")))
        os.chmod(folder, 0o777)
        (folder / "turn_002.png").write_bytes(b"kept")
        os.chmod(folder / "turn_002.png", 0o444)
        self.assert_refused((missing, "--screenshot", str(folder / "turn.png"), "--turntable", "4"), 1,
                            "%s/turn.png: cannot write the turntable: %s/turn_002.png: Permission denied" % (folder, folder),
                            as_user=True)
        self.assertEqual((folder / "turn_002.png").read_bytes(), b"kept")
        self.assert_refused((missing, "--screenshot", str(folder / "big.png"), "--turntable", "3600", "--size", "16384x16384"),
                            1, re.compile(r"%s/big\.png: cannot write the turntable: %s: 3600 frames of 16384x16384 need "
                                          r"about 362388 MB, \d+ MB free\Z" % ((re.escape(str(folder)),) * 2)))
        self.assert_refused((missing, "--screenshot", "/no/such\n\x1b[31m/shot.png"), 1,
                            "/no/such\\n\\x1b[31m/shot.png: cannot write the screenshot: /no/such\\n\\x1b[31m: "
                            "No such file or directory")
        self.assert_refused((missing, "--save-tf", "/no/dir/\x1b]0;owned\x07.json"), 1,
                            "/no/dir/\\x1b]0;owned\\x07.json: cannot write: No such file or directory")
        self.assert_refused((missing, "--tf", "/proc/self/mem"), 1, "/proc/self/mem: cannot read: Input/output error")

    def test_colour_maps_and_presets_are_bounded_and_named_escaped(self):
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-maps-")))
        presets = folder / "presets"
        presets.mkdir()
        # Deep nesting costs far more as a tree than as text; a huge file is refused unread.
        (presets / "deep.json").write_text("[" * 500000 + "]" * 500000)
        (presets / "huge.json").write_text("[" * 31000000 + "]" * 31000000)
        (presets / "odd\x1b[2J.json").write_text('{"Description": "clears\\u001b[2Jthe screen", '
                                                 '"RGBPoints": [0, 0, 0, 0, 1, 1, 1, 1], "RelativeToWindow": true}')
        (presets / "..json").write_text('{"RGBPoints": [0, 0, 0, 0]}')
        code, out, err, peak_kib, seconds = run("--preset", "list", cwd=folder)
        self.assertEqual((code, out), (0, "odd\\x1b[2J       clears\\x1b[2Jthe screen\n"))
        self.assertEqual(err, "presets/deep.json: warning: nested deeper than a colour map, preset skipped\n"
                              "presets/huge.json: warning: too large for a colour map (over 1 MiB), preset skipped\n")
        self.assertLess((seconds, peak_kib), (5, 1 << 20))
        self.assert_refused((CT, "--preset", "huge"), 1, "presets/huge.json: too large for a colour map (over 1 MiB)",
                            cwd=folder)
        tf = folder / "map\n\x1b[31m.json"
        tf.write_text("{")
        self.assert_refused((CT, "--tf", str(tf)), 1, "%s/map\\n\\x1b[31m.json: not valid JSON (at byte 2)" % folder)

    def test_info_never_stalls_in_the_reading_child(self):
        # The reading child is forked before any other thread starts: a lock
        # held at the fork would hang it (seen under the sanitizers).
        runs = int(os.environ.get("VOLVIEW_INFO_RUNS", "20"))
        with concurrent.futures.ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
            results = list(pool.map(lambda _: run(CT, "--info", timeout=120), range(runs)))
        stalled = [err for code, _, err, _, _ in results if code != 0]
        self.assertEqual(stalled, [], "%d of %d runs failed" % (len(stalled), runs))


if __name__ == "__main__":
    unittest.main()
