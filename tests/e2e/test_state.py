# Saved views: what a session leaves in --save-state's file draws the same
# picture again with --state, options after --state replace what it holds,
# and a broken or newer file is refused or warned about in one line.
import json
import os
import pathlib
import shutil
import tempfile
import unittest

import harness
from harness import Viewer, run_without_display, screenshot

SIZE = 400
FPS_BOX = (0, 0, 120, 26)
SAMPLE = os.path.join(harness.RUN_DIR, "samples", "ct.nrrd")
# --layout quad at 400 x 400: the 3D view is the upper right pane.
VOLUME_PANE = (200, 0, 400, 191)


def same_but_fps(a, b):
    # Pixels that differ outside the frame-rate text.
    return a.differing_pixels(b, (0, 0, a.width, a.height), 0) - a.differing_pixels(b, FPS_BOX, 0)


class StateFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="volview-state-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def saved_session(self):
        # A session that turns, zooms, moves the cursor, changes the mode
        # and edits the table, then quits; returns its last picture, its
        # state file's text and its stdout.
        geometry = "%dx%d+0+0" % (SIZE, SIZE)
        with Viewer("state-session", "ct.nrrd", "--layout", "quad", "--save-state", "view.json",
                    add={"ct.nrrd": SAMPLE}, geometry=geometry) as v:
            v.wait_first_frame()
            v.wait_frames()
            centre = ((VOLUME_PANE[0] + VOLUME_PANE[2]) // 2, (VOLUME_PANE[1] + VOLUME_PANE[3]) // 2)
            v.drag(2, centre, (centre[0] + 40, centre[1] + 25), 6)
            v.move(*centre)
            v.xdotool("click", 4)  # wheel: zoom
            v.move(60, 120)  # in the axial pane: the cursor moves there
            v.xdotool("click", 1)
            v.move(*centre)
            v.xdotool("key", "m")
            v.xdotool("key", "w")  # the editor: a drag redraws the red curve
            v.drag(1, (270, 60), (380, 40), 6)
            v.xdotool("key", "w")
            v.move(*centre)  # the status line then shows the cursor, as a batch run's does
            v.wait_frames()
            picture = v.screenshot(save_as="state-session.png")
            text = pathlib.Path(v.workdir, "view.json").read_text()
            v.xdotool("key", "q")
            self.assertEqual(v.proc.wait(60), 0, v.stderr())
            at_exit = pathlib.Path(v.workdir, "view.json").read_text()
            return picture, text, at_exit, v.stdout()

    def test_a_saved_session_draws_the_same_picture_again(self):
        picture, text, at_exit, output = self.saved_session()
        self.assertEqual(text, at_exit, "the view had settled: the exit wrote nothing new")
        saved = json.loads(text)
        self.assertEqual(saved["volume"], "ct.nrrd", "kept relative to the state file's folder")
        self.assertEqual(saved["mode"], "mip")
        self.assertEqual(saved["layout"], "quad")
        self.assertEqual(saved["transfer"]["name"], "edited")
        self.assertGreater(saved["camera"]["zoom"], 1.0)
        self.assertNotEqual(saved["camera"]["rotation"], [1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, -1.0, 0.0])
        path = os.path.join(self.scratch, "view.json")
        pathlib.Path(path).write_text(text)
        again, log = screenshot("state-again", "--state", "view.json", geometry="100x100+0+0",
                                add={"ct.nrrd": SAMPLE, "view.json": path})
        self.assertEqual((again.width, again.height), (SIZE, SIZE), "the saved window size, not -geometry's")
        self.assertEqual(same_but_fps(picture, again), 0, log)

        # Options after --state replace its own; the rest stays.
        iso, log = screenshot("state-iso", "--state", "view.json", "--mode", "iso",
                              add={"ct.nrrd": SAMPLE, "view.json": path})
        self.assertGreater(same_but_fps(picture, iso), 500)

    def test_newer_and_broken_files(self):
        # A batch run saves its view at exit too.
        base = os.path.join(self.scratch, "base.json")
        with Viewer("state-write", SAMPLE, "--size", "200x200", "--save-state", base, "--screenshot", "x.png") as v:
            self.assertEqual(v.proc.wait(120), 0, v.stderr())
        saved = json.loads(pathlib.Path(base).read_text())
        self.assertTrue(os.path.isabs(saved["volume"]), "a volume outside the state's folder keeps its whole path")

        newer = dict(saved, lens={"kind": "fisheye"})
        newer["camera"] = dict(saved["camera"], roll=3)
        path = os.path.join(self.scratch, "newer.json")
        pathlib.Path(path).write_text(json.dumps(newer))
        result = run_without_display("--state", path, "--info")
        self.assertEqual(result.returncode, 0, result.stderr)
        warnings = [line for line in result.stderr.splitlines() if "unknown" in line]
        self.assertEqual(len(warnings), 1, result.stderr)
        self.assertIn("lens", warnings[0])
        self.assertIn("camera.roll", warnings[0])

        # Each reason is state_file_test's; here, that one reaches the terminal as one line.
        broken = {"not valid JSON": "{\"format\": \"volview state\",",
                  "volume is missing": json.dumps({k: v for k, v in saved.items() if k != "volume"})}
        for reason, content in broken.items():
            with self.subTest(reason):
                path = os.path.join(self.scratch, "broken.json")
                pathlib.Path(path).write_text(content)
                result = run_without_display("--state", path)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(len(result.stderr.strip().splitlines()), 1, result.stderr)
                self.assertIn("broken.json: " + reason, result.stderr)

    def test_ctrl_s_saves_here_and_says_where(self):
        with Viewer("state-key", SAMPLE, geometry="200x200+0+0") as v:
            v.wait_first_frame()
            v.key("ctrl+s")
            v.wait_output(r"^View saved: .*volview-state\.json$")
            path = os.path.join(v.workdir, "volview-state.json")
            self.assertEqual(json.loads(pathlib.Path(path).read_text())["format"], "volview state")


if __name__ == "__main__":
    unittest.main()
