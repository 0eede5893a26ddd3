"""Transfer-function presets on the real viewer: the start preset chosen from
the data, --preset list and its errors, broken preset files named or only
found in the folder, and key k with the editor and --save-tf."""
import glob
import json
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import BIN, PANEL, RUN_DIR, VOLUME, Image, Viewer, changed, run_without_display, wait_until

PRESETS = pathlib.Path(RUN_DIR, "presets")
# A real MR scan (T1, 33 x 41 x 25) from python3-nibabel's test data.
MR_SCANS = glob.glob("/usr/lib/python3/dist-packages/nibabel/tests/data/anatomical.nii")
USAGE = r"(?s:.*Usage: volview \[GLUT options\] \[VOLUME\] \[options\].*)"
BROKEN = '{"RGBPoints": [0, 1, 1, 1, -5, 0, 0, 0]}'  # x going down


def warm(p):  # skin and bone tones
    return p[0] > p[2] + 40


def grey(p):
    return p[0] > 60 and max(p) - min(p) < 20


def folder_with(scratch, **extra):
    """A presets folder holding the installed presets and `extra` files."""
    folder = pathlib.Path(scratch, "presets")
    shutil.copytree(PRESETS, folder)
    for name, text in extra.items():
        (folder / name).write_text(text)
    return folder


def run_in(workdir, *args):
    """The viewer without a display in `workdir`, which sees the samples."""
    env = dict(os.environ, DISPLAY=":599")
    return subprocess.run([BIN, *args], cwd=workdir, env=env, capture_output=True, text=True, timeout=120)


def warnings(stderr):  # leaves out the extension loader's report
    return [line for line in stderr.splitlines() if "warning" in line]


def shot(name, *args, add=None):
    """--screenshot in a working directory of its own: picture, stdout, stderr."""
    with Viewer(name, *args, "--screenshot", "shot.png", remove=tuple(add or ()), add=add) as v:
        code = v.proc.wait(180)
        if code != 0:
            raise AssertionError("exit code %s:\n%s" % (code, v.stdout() + v.stderr()))
        return Image(os.path.join(v.workdir, "shot.png"), save_as=name + ".png"), v.stdout(), v.stderr()


class CommandLineTest(unittest.TestCase):
    def test_list_names_every_installed_preset_without_volume_or_display(self):
        result = run_without_display("--preset", "list")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        listed = [line.split()[0] for line in result.stdout.splitlines()]
        self.assertEqual(listed, sorted(p.stem for p in PRESETS.glob("*.json")))
        for name in ("grayscale", "ct-skin-bone", "ct-bone", "ct-soft-tissue", "ct-lung", "ct-angio",
                     "mr-default", "mr-mip", "viridis", "inferno", "cool-warm"):
            self.assertIn(name, listed)
        self.assertTrue(all(len(line.split()) > 2 for line in result.stdout.splitlines()), "descriptions")

    def test_wrong_preset_options_print_the_usage_and_broken_named_preset_one_line(self):
        for args in (["samples/ct.nrrd", "--preset", "no-such"], ["samples/ct.nrrd", "--preset", "../ct"],
                     ["--preset", "grayscale"], ["samples/ct.nrrd", "--preset", "grayscale", "--tf", "m.json"]):
            result = run_without_display(*args)
            self.assertEqual((result.returncode, result.stdout), (2, ""), args)
            self.assertRegex(result.stderr, r"\A%s\Z" % USAGE)

        scratch = self.enterContext(tempfile.TemporaryDirectory(prefix="volview-presets-"))
        folder_with(scratch, **{"broken.json": BROKEN, "also-broken.json": "{"})
        os.symlink(os.path.abspath(os.path.join(RUN_DIR, "samples")), os.path.join(scratch, "samples"))
        result = run_in(scratch, "samples/ct.nrrd", "--preset", "broken")
        self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertEqual(result.stderr, "presets/broken.json: RGBPoints not in increasing order of data value\n")
        # Listed, the broken files are left out with a warning each.
        result = run_in(scratch, "--preset", "list")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(len(result.stderr.splitlines()), 2)
        self.assertNotIn("broken", result.stdout)


class PictureTest(unittest.TestCase):
    def test_ct_starts_in_skin_and_bone_and_mr_in_grey(self):
        ct, out, err = shot("preset-ct", "samples/ct.nii.gz")
        self.assertEqual(re.findall(r"^Preset: .*$", out, re.M), ["Preset: ct-skin-bone"])
        self.assertEqual(warnings(err), [])
        self.assertGreater(ct.count(VOLUME, warm), 10000)
        if not MR_SCANS:
            self.skipTest("no MR scan: install python3-nibabel")
        mr, out, _ = shot("preset-mr", MR_SCANS[0])
        self.assertEqual(re.findall(r"^Preset: .*$", out, re.M), ["Preset: grayscale"])
        self.assertGreater(mr.count(VOLUME, grey), 10000)
        self.assertLess(mr.count(VOLUME, warm), 100)
        # Named, a preset over the window colours the same scan.
        viridis, out, _ = shot("preset-mr-viridis", MR_SCANS[0], "--preset", "viridis")
        self.assertIn("Preset: viridis\n", out)
        self.assertGreater(viridis.count(VOLUME, lambda p: p[1] > p[0] + 30), 5000)

    def test_broken_preset_only_in_the_folder_is_skipped_with_one_warning(self):
        scratch = self.enterContext(tempfile.TemporaryDirectory(prefix="volview-presets-"))
        folder = folder_with(scratch, **{"broken.json": BROKEN})
        picture, out, err = shot("preset-folder-broken", "samples/ct.nrrd", add={"presets": folder})
        self.assertEqual(warnings(err), ["presets/broken.json: warning: RGBPoints not in increasing order of "
                                         "data value, preset skipped"])
        self.assertIn("Preset: ct-skin-bone\n", out)
        self.assertGreater(picture.count(VOLUME, warm), 10000)


class KeyTest(unittest.TestCase):
    def test_k_cycles_presets_into_the_editor_and_save_tf_keeps_the_edit(self):
        saved = os.path.join(self.enterContext(tempfile.TemporaryDirectory()), "edited.json")
        with Viewer("preset-k", "samples/ct.nrrd", "--save-tf", saved) as v:
            first = v.wait_first_frame()
            v.wait_output(r"^Preset: ct-skin-bone\n")
            soft = v.key("k", then=changed(first, at_least=2000), what="the next preset")
            v.wait_output(r"^Preset: ct-soft-tissue\n")
            with_editor = v.key("w", then=changed(soft, PANEL, 2000), what="the editor")
            # Its curves follow the next preset, on screen and to the renderer.
            v.key("k", then=changed(with_editor, PANEL, 200), what="the editor's curves")
            v.wait_output(r"^Preset: grayscale\n")
            v.drag(1, (235, 60), (480, 60), 24)  # red high everywhere
            wait_until(lambda: os.path.exists(saved), what="the map written on release")
            v.key("q")
            self.assertEqual(v.proc.wait(60), 0)
        # The saved map is grayscale's table with the edited red: green and
        # opacity are grayscale's own, over the CT window.
        grayscale = json.loads((PRESETS / "grayscale.json").read_text())
        saved_map = json.loads(pathlib.Path(saved).read_text())[0]
        rgb, alpha = saved_map["RGBPoints"], saved_map["Points"]
        greens = [rgb[i + 2] for i in range(0, len(rgb), 4)]
        self.assertAlmostEqual(greens[0], grayscale["RGBPoints"][2], places=5)
        self.assertAlmostEqual(greens[255], grayscale["RGBPoints"][-2], places=5)
        self.assertAlmostEqual(greens[128], 128 / 255, places=5)
        self.assertEqual(alpha[3], 0)
        self.assertGreater(rgb[4 * 128 + 1], 0.7)  # the edit

    def test_k_does_nothing_without_an_opened_volume(self):
        with Viewer("preset-k-default") as v:
            v.wait_first_frame()
            before = v.wait_frames()
            v.key("k")
            after = v.wait_frames()
            self.assertEqual(after.differing_pixels(before, VOLUME), 0)
            self.assertNotIn("Preset", v.stdout())
            v.key("q")
            self.assertEqual(v.proc.wait(60), 0)


if __name__ == "__main__":
    unittest.main()
