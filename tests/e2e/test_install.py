"""`cmake --install` into a temporary prefix: the installed viewer, run from
an empty folder, finds its shaders, logo, presets and samples in
PREFIX/share/volview and draws what the build's run folder draws; with a
shader gone, a picture run ends with exit 1 instead of waiting on a box."""
import os
import pathlib
import subprocess
import tempfile
import unittest

from harness import RUN_DIR, Image, Viewer, screenshot

EVERYTHING = tuple(os.listdir(RUN_DIR))  # the run folder's files, none linked into the viewer's folder


class InstallTest(unittest.TestCase):
    def test_the_installed_viewer_runs_from_any_folder_and_a_missing_shader_ends_a_picture_run(self):
        prefix = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory(prefix="volview-prefix-")))
        subprocess.run(["cmake", "--install", os.path.join(RUN_DIR, ".."), "--prefix", prefix], check=True,
                       capture_output=True, timeout=300)
        program = str(prefix / "bin" / "volview")
        self.assertTrue((prefix / "share" / "volview" / "presets" / "ct-skin-bone.json").is_file())
        args = ("-geometry", "500x500+0+0", "samples/ct.nrrd", "--screenshot", "shot.png")
        built, _ = screenshot("install-reference", "samples/ct.nrrd")
        with Viewer("installed", *args, remove=EVERYTHING, program=program) as v:
            self.assertEqual(v.proc.wait(180), 0, v.stderr())
            self.assertIn("Preset: ct-skin-bone\n", v.stdout())
            installed = Image(os.path.join(v.workdir, "shot.png"), save_as="install-installed.png")
        self.assertLess(installed.differing_pixels(built, (0, 0, 500, 500)), 200)

        os.remove(prefix / "share" / "volview" / "volrendFrag.cg")
        with Viewer("installed-no-shader", *args, remove=EVERYTHING, program=program) as v:
            self.assertEqual(v.proc.wait(10), 1)
            self.assertTrue(v.stderr().endswith("volrendFrag.cg: cannot open file\n"), v.stderr())
            self.assertFalse(os.path.exists(os.path.join(v.workdir, "shot.png")))


if __name__ == "__main__":
    unittest.main()
