"""Colour-map files and the histogram on the real viewer."""
import json
import os
import shutil
import subprocess
import unittest

from harness import BIN, RUN_DIR, SHOTS_DIR, Image, Viewer, line_path, wait_until

CT = os.path.join(RUN_DIR, "samples", "ct.nrrd")
VOLUME = (110, 250, 390, 390)  # below the editor panel
PANEL = (255, 15, 485, 245)


def screenshot_with_map(name, path):
    with Viewer(name, args=("-geometry", "500x500+0+0", CT, "--tf", path, "--screenshot", "shot.png")) as v:
        assert v.wait_exit(180) == 0, v.stderr()
        png = shutil.copy(os.path.join(v.workdir, "shot.png"), os.path.join(SHOTS_DIR, name + ".png"))
    return Image.from_ppm(subprocess.run(["convert", png, "ppm:-"], stdout=subprocess.PIPE, check=True).stdout)


def bars(image):  # the histogram's grey-blue, lighter than the panel
    return sum(1 for p in image.region(*PANEL) if 60 < p[0] < 120 and abs(p[0] - p[1]) < 6 and p[2] > p[0] + 10)


class TransferFileTest(unittest.TestCase):
    def test_histogram_and_an_edit_saved_on_release_that_reloads_as_the_same_picture(self):
        saved = os.path.join(SHOTS_DIR, "edited.json")
        if os.path.exists(saved):
            os.remove(saved)
        with Viewer("save-tf", args=("-geometry", "500x500+0+0", CT, "--save-tf", saved)) as v:
            v.wait_first_frame()
            v.key("w")
            shown = v.wait_picture(lambda im: bars(im) > 300, what="the histogram behind the curves")
            self.assertFalse(os.path.exists(saved))
            v.drag(1, line_path((235, 60), (480, 60), 24))
            wait_until(lambda: os.path.exists(saved), what="the map written on release")
            v.key("w")
            v.wait_frames(2)
            edited = v.screenshot(save_as="tf-edited.png")
        self.assertGreater(edited.differing_pixels(shown, VOLUME), 500)
        with open(saved) as f:
            self.assertEqual([len(m["RGBPoints"]) + len(m["Points"]) for m in json.load(f)], [2048])
        self.assertEqual(screenshot_with_map("tf-reloaded", saved).differing_pixels(edited, VOLUME, 2), 0)

    def test_map_written_elsewhere_loads_and_broken_map_is_refused(self):
        path = os.path.join(SHOTS_DIR, "map.json")
        with open(path, "w") as f:
            json.dump([{"Name": "Greens", "ColorSpace": "Diverging", "NanColor": [1, 1, 0],
                        "RGBPoints": [-1000, 0, 0.2, 0, 1000, 0.1, 1, 0.1],
                        "Points": [0, 0, 0.5, 0, 1000, 1, 0.5, 0]}], f)
        shot = screenshot_with_map("tf-green", path)
        self.assertGreater(sum(1 for p in shot.region(*VOLUME) if p[1] > p[0] + 40 and p[1] > p[2] + 40), 2000)

        with open(path, "w") as f:
            f.write('[{"RGBPoints": [0, 1, 1, 1, -5, 0, 0, 0]}]')
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}  # no window may open
        for option, file, reason in [("--tf", path, "RGBPoints not in increasing order of data value"),
                                     ("--save-tf", "/no/dir/map.json", "cannot write: No such file or directory")]:
            run = subprocess.run([BIN, CT, option, file], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 text=True, timeout=120)
            self.assertEqual((run.returncode, run.stdout, run.stderr), (1, "", "%s: %s\n" % (file, reason)))


if __name__ == "__main__":
    os.makedirs(SHOTS_DIR, exist_ok=True)
    unittest.main()
