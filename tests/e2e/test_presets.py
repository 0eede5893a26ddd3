"""Transfer-function presets on the real viewer: the start preset chosen from
the data, --preset list, broken preset files named or only found in the
folder, and key k with the editor and --save-tf. Wrong options and presets
that are no file: test_refusals."""
import glob
import json
import os
import pathlib
import re
import shutil
import tempfile
import unittest

from harness import PANEL, RUN_DIR, VOLUME, Viewer, changed, run_without_display, screenshot, wait_until

PRESETS = pathlib.Path(RUN_DIR, "presets")
# A real MR scan (T1, 33 x 41 x 25) from python3-nibabel's test data.
MR_SCANS = glob.glob("/usr/lib/python3/dist-packages/nibabel/tests/data/anatomical.nii")
BROKEN = "RGBPoints not in increasing order of data value"


def warm(p):  # skin and bone tones
    return p[0] > p[2] + 40


def shot(name, *args, add=None):
    """The picture, the preset lines and the warnings (not the extension loader's report)."""
    picture, output = screenshot(name, *args, add=add)
    return picture, re.findall(r"^Preset: .*$", output, re.M), [l for l in output.splitlines() if "warning" in l]


class CommandLineTest(unittest.TestCase):
    def test_list_names_every_installed_preset(self):
        result = run_without_display("--preset", "list")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        listed = [line.split(maxsplit=1) for line in result.stdout.splitlines()]
        self.assertEqual([name for name, _ in listed], sorted(["grayscale", "ct-skin-bone", "ct-bone", "ct-lung",
                         "ct-soft-tissue", "ct-angio", "mr-default", "mr-mip", "viridis", "inferno", "cool-warm"]))
        self.assertTrue(all(len(description.split()) > 1 for _, description in listed))


class PictureTest(unittest.TestCase):
    def test_ct_starts_in_skin_and_bone_past_a_broken_preset_mr_in_warm_and_raw_in_plain_grey(self):
        folder = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-presets-")), "presets")
        shutil.copytree(PRESETS, folder)
        (folder / "broken.json").write_text('{"RGBPoints": [0, 1, 1, 1, -5, 0, 0, 0]}')
        ct, presets, warnings = shot("preset-ct", "samples/ct.nii.gz", add={"presets": folder})
        self.assertEqual((presets, warnings), (["Preset: ct-skin-bone"],
                                               ["presets/broken.json: warning: %s, preset skipped" % BROKEN]))
        self.assertGreater(ct.count(VOLUME, warm), 10000)
        # Named, the broken file is refused in one line; listed, it is left out.
        named = run_without_display(os.path.abspath(os.path.join(RUN_DIR, "samples/ct.nrrd")), "--preset", "broken",
                                    cwd=folder.parent)
        listed = run_without_display("--preset", "list", cwd=folder.parent)
        self.assertEqual((named.returncode, named.stdout, named.stderr), (1, "", "presets/broken.json: %s\n" % BROKEN))
        self.assertEqual((listed.returncode, len(listed.stderr.splitlines())), (0, 1))
        self.assertNotIn("broken", listed.stdout)
        # A broken default is skipped with its warning alone, not also called missing.
        (folder / "ct-skin-bone.json").write_text("{")
        _, presets, warnings = shot("preset-ct-broken", "samples/ct.nrrd", add={"presets": folder})
        self.assertEqual((presets, warnings[1:]), ([], ["presets/ct-skin-bone.json: warning: not valid JSON (at byte 2), "
                                                        "preset skipped"]))
        if not MR_SCANS:
            self.skipTest("no MR scan: install python3-nibabel")
        # A scan in a patient's frame starts in warm greys; data without one in plain grey.
        mr, presets, _ = shot("preset-mr", MR_SCANS[0])
        self.assertEqual(presets, ["Preset: mr-default"])
        self.assertGreater(mr.count(VOLUME, lambda p: p[0] > 60 and p[0] > p[2] + 15), 10000)
        raw, presets, _ = shot("preset-raw", "result128.raw", "--raw", "128x128x128", "--type", "uint8")
        self.assertEqual(presets, ["Preset: grayscale"])
        self.assertGreater(raw.count(VOLUME, lambda p: p[0] > 60 and max(p) - min(p) < 20), 5000)
        # Named, a preset over the window colours the same scan.
        viridis, presets, _ = shot("preset-mr-viridis", MR_SCANS[0], "--preset", "viridis")
        self.assertEqual(presets, ["Preset: viridis"])
        self.assertGreater(viridis.count(VOLUME, lambda p: p[1] > p[0] + 30), 5000)


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
        # The saved map is grayscale's grey ramp and transparent low end over
        # the CT window, with the edited red.
        saved_map = json.loads(pathlib.Path(saved).read_text())[0]
        self.assertEqual(saved_map["Points"][3], 0)
        self.assertAlmostEqual(saved_map["RGBPoints"][4 * 128 + 2], 128 / 255, places=5)
        self.assertGreater(saved_map["RGBPoints"][4 * 128 + 1], 0.7)

    def test_k_does_nothing_without_an_opened_volume(self):
        with Viewer("preset-k-default") as v:
            v.wait_first_frame()
            before = v.wait_frames()
            v.key("k")
            self.assertEqual(v.wait_frames().differing_pixels(before, VOLUME), 0)
            self.assertNotIn("Preset", v.stdout())


if __name__ == "__main__":
    unittest.main()
