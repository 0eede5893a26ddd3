"""Inputs beside the volume, as a tester tries them: option values, presets,
colour maps and output paths that once crashed, hung, lost files or passed
silently. Each ends before any window (no display is reachable) with its exit
code and one line naming the input, escaped, within 5 s and under 1 GB. Run
by the sanitizer build too (VOLVIEW_RUN_DIR)."""
import concurrent.futures
import os
import pathlib
import re
import tempfile
import unittest

from harness import RUN_DIR, measured as run

CT = os.path.join(os.path.abspath(RUN_DIR), "samples", "ct.nrrd")
RAW = os.path.join(os.path.abspath(RUN_DIR), "samples", "ct_be.raw")
USAGE = "Usage: volview [GLUT options] [VOLUME] [options]"
NAN = "'%s' is not a number"
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
        for args, line in [(("--bogus",), "The following argument was not expected: --bogus"),
                           (("a.nrrd", "b.nrrd"), "The following argument was not expected: b.nrrd"),
                           (("--info",), "--info requires VOLUME"), (("--preset", "grayscale"),
                                                                     "--preset: needs a VOLUME (but for 'list')"),
                           (("-geometry", "big", CT), "-geometry: expected WxH+X+Y, got 'big'"),
                           (("-geometry", "20000x20000", CT, "--screenshot", "x.png"),
                            "-geometry: sizes must be whole numbers from 16 to 16384, got '20000x20000'"),
                           ((CT, "--screenshot", "", "--turntable", "4"), "--screenshot: an empty value"),
                           ((CT, "--cursor", "1,2,3", "--cursor-voxel", "1,2,3"), "--cursor excludes --cursor-voxel")]:
            self.assert_refused(args, 2, "volview: " + line)
        # Per option, a value and what is wrong with it; CT spans R -191.3..0.8, A the same, S -1.5..190.5 mm.
        ranges, empty = "expected three ranges X0:X1,Y0:Y1,Z0:Z1, got '%s'", "an empty value"
        numbers = "expected %d numbers separated by '%s', got '%s'"
        nothing = "the box keeps nothing of the volume, which spans R -191.3..0.8, A -191.3..0.8, S -1.5..190.5"
        colours, turn = "colours are black, white or R,G,B from 0 to 1 or 0 to 255", "--turntable requires --screenshot"
        for option, cases in {
                "--crop": [("0:10,0:10", ranges % "0:10,0:10"), ("0:10,0:10,0:10,0:10", ranges % "0:10,0:10,0:10,0:10"),
                           ("", empty), ("a:,,", NAN % "a"), ("0:x,,", NAN % "x"), ("10:20,,", nothing),
                           ("-10:-50,,", "LO must be below HI, got '-10:-50'"), (",,-50:-10", nothing)],
                "--clip": [("0,0,0,5", "the normal NX,NY,NZ must not be zero"), ("0,1,0", numbers % (4, ",", "0,1,0")),
                           ("0,1,0,5,6", numbers % (4, ",", "0,1,0,5,6")), ("", empty), ("nan,1,0,5", NAN % "nan"),
                           ("0,1,0,inf", NAN % "inf")],
                "--planes": [("axial,frontal", "expected axial, coronal or sagittal, got 'frontal'"), ("", empty),
                             ("axial,", "expected a list such as axial,coronal")],
                "--caps": [("yes", "yes not in {on,off}")],
                "--layout": [(v, v + " not in {3d,axial,coronal,sagittal,quad}") for v in ("4d", "Axial")],
                "--cursor": [("1,2", numbers % (3, ",", "1,2")), ("1,2,3,4", numbers % (3, ",", "1,2,3,4")),
                             ("1,x,3", NAN % "x"), ("1,2,nan", NAN % "nan"), ("inf,2,3", NAN % "inf")],
                "--cursor-voxel": [("1,2", numbers % (3, ",", "1,2")), ("1,a,3", NAN % "a"),
                                   ("1,2,3.5", "voxel indices are whole numbers, got '1,2,3.5'")],
                "--slice-window": [("5:5", "LO must be below HI"), ("9:5", "LO must be below HI"), ("0:x", NAN % "x"),
                                   ("0:inf", NAN % "inf"), ("100", numbers % (2, ":", "100"))],
                "--window": [("5:1", "LO must be below HI"), ("0:inf", NAN % "inf")],
                "--view": [("front", "front not in {anterior,posterior,left,right,superior,inferior}")],
                "--projection": [("fisheye", "fisheye not in {perspective,orthographic}")],
                "--mode": [("xray", "xray not in {composite,mip,minip,average,iso}")],
                # Plain decimals only.
                "--iso": [("x", NAN % "x"), ("0x10", NAN % "0x10")],
                "--zoom": [("", empty), ("0", "the zoom must lie between 0.1 and 50"), ("nan", NAN % "nan"),
                           ("0x2", NAN % "0x2"), ("1e-310", "'1e-310' is out of range")],
                "--turntable": [("3", turn), ("0 --screenshot a.png", "Value 0 not in range 1 to 3600")],
                "--size": [("100", numbers % (2, "x", "100")),
                           ("0x100", "sizes must be whole numbers from 16 to 16384, got '0x100'")],
                "--slices": [("0", "Value 0 not in range 1 to 10000"), ("0x40", NAN % "0x40")],
                "--benchmark": [("0", "Value 0 not in range 1 to 10000")],
                "--interactive-ms": [("1", "Value 1 not in range 5.000000 to 10000.000000"), ("nan", NAN % "nan")],
                "--early-stop": [("0.2", "Value 0.2 not in range 0.500000 to 1.000000"), ("nan", NAN % "nan"),
                                 ("0.9 --back-to-front", "--back-to-front excludes --early-stop")],
                "--background": [("red", NAN % "red"), ("1,2", numbers % (3, ",", "1,2")), ("300,0,0", colours),
                                 ("-1,0,0", colours), ("1,2,x", NAN % "x"), ("1,2,3,4", numbers % (3, ",", "1,2,3,4")),
                                 ("", empty)],
                "--spacing": [(v + " --info", "spacings lie between 1e-07 and 1e+07 mm")
                              for v in ("1e307,1,1", "1,1e-8,1", "1,1,1e8")],
                "--screenshot": [("", empty)],
                "--preset": [("", empty), ("no-such", "no preset 'no-such' in presets/ (see --preset list)"),
                             ("../ct", "no preset '../ct' in presets/ (see --preset list)"),
                             ("no\x1b[2Jsuch", "no preset 'no\\x1b[2Jsuch' in presets/ (see --preset list)"),
                             ("grayscale --tf m.json", "--tf excludes --preset")],
                "--raw": [("1x2x3", "--raw requires --type")]}.items():
            for value, line in cases:  # a line of its own names its options
                self.assert_refused((CT, option, *value.split(" ")), 2,
                                    "volview: " + (line if line.startswith("--") else option + ": " + line))
        self.assert_refused((RAW, "--raw", "128x128x64", "--type", "int16", "--header-bytes", "-1", "--info"), 2,
                            "volview: --header-bytes: must not be negative, got -1")

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
        for args, line in (((missing, "--save-tf", str(folder)), "%s: cannot write: is a folder" % folder),
                           ((missing, "--turntable", "3", "--screenshot", "/no/such/turn.png"),
                            "/no/such/turn.png: cannot write the turntable: /no/such: No such file or directory"),
                           ((missing, "--screenshot", "no/such/dir/shot.png"),
                            "no/such/dir/shot.png: cannot write the screenshot: no/such/dir: No such file or directory")):
            self.assert_refused(args, 1, line)

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
        # Named, a preset that is no file is refused for what it is, not as missing; a read error is no crash.
        os.mkfifo(presets / "fifo.json")
        (presets / "folder.json").mkdir()
        (presets / "gone.json").symlink_to("/no/such/file")
        (presets / "unreadable.json").symlink_to("/proc/self/mem")
        for name, reason in (("fifo", "not a regular file"), ("folder", "not a regular file"),
                             ("gone", "cannot read: No such file or directory"),
                             ("unreadable", "cannot read: Input/output error")):
            self.assert_refused((CT, "--preset", name), 1, "presets/%s.json: %s" % (name, reason), cwd=folder)
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
