"""The viewer as a desktop tool, with a volume opened from the command line:
the window's title and the terminal's report, frames only after input,
batch runs that end on a fatal error, the overlays (--clean, key H), the
background, the left drag, the help panel, the fluid's keys, the editor at
any window size and the right-click menu. The default run is test_viewer's;
bad values, test_refusals'."""
import json
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import nibabel
import numpy

from harness import Viewer, changed, pixels, screenshot, wait_until
from slice_oracle import logo_box

SCRATCH = pathlib.Path(tempfile.mkdtemp(prefix="volview-desktop-"))
SIDE = 300
SMALL = ("--size", "%dx%d" % (SIDE, SIDE))
WHOLE = (0, 0, SIDE, SIDE)
FPS = (0, 0, 130, 30)
MARKER = (0, 190, 110, SIDE)  # the orientation marker, lower left of the 3D view
STATUS = (0, SIDE - 18, SIDE, SIDE)  # the status line over the bottom edge
OVERLAYS = (FPS, MARKER, logo_box(SIDE, SIDE), STATUS)
VOLUME_BOX = (60, 40, 260, 220)  # the ball and the rod, clear of the overlays
STATUS_GREY = (31, 31, 36)  # the status line's strip
IDLE_CPU = 0.3  # processor seconds an idle viewer may use in IDLE_SECONDS
IDLE_SECONDS = 3.0


def setUpModule():
    # 48 cubed, 2 mm: a bright ball up and to one side, a rod across below it,
    # so that turns and projections move things visibly.
    n = 48
    x, y, z = numpy.meshgrid(*[numpy.arange(n)] * 3, indexing="ij")
    volume = numpy.zeros((n,) * 3, numpy.int16)
    volume[(x - 32) ** 2 + (y - 20) ** 2 + (z - 30) ** 2 <= 36] = 1000
    volume[(abs(y - 24) <= 2) & (abs(z - 14) <= 2) & (x >= 6) & (x <= 40)] = 600
    nibabel.save(nibabel.Nifti1Image(volume, numpy.diag([-2.0, -2.0, 2.0, 1.0])), str(SCRATCH / "desk.nii.gz"))


def tearDownModule():
    shutil.rmtree(SCRATCH, ignore_errors=True)


VOLUME = str(SCRATCH / "desk.nii.gz")


def outside(boxes, side=SIDE):
    # The pixels of the window that lie in none of the boxes, as a mask.
    mask = numpy.ones((side, side), bool)
    for x0, y0, x1, y1 in boxes:
        mask[y0:y1, x0:x1] = False
    return mask


def differing(a, b, tolerance=8):
    # Where two pictures differ, as a mask.
    return numpy.abs(pixels(a) - pixels(b)).max(axis=2) > tolerance


def same_but_fps(reference, tolerance=30):
    return lambda image: differing(image, reference)[outside((FPS,), image.width)].sum() <= tolerance


def spread(mask):
    # The bounding box (x0, y0, x1, y1) of a mask's set pixels.
    ys, xs = numpy.nonzero(mask)
    return xs.min(), ys.min(), xs.max() + 1, ys.max() + 1


def text_lines(image, box):
    # Bands of rows holding light text within box, one per line of text.
    x0, y0, x1, y1 = box
    region = numpy.array(image.region(x0, y0, x1, y1)).reshape(y1 - y0, x1 - x0, 3)
    lit = (region.min(axis=-1) > 150).any(axis=1)
    return int(numpy.count_nonzero(lit[1:] & ~lit[:-1]) + lit[0])


def visible_menus(v):
    return v.xdotool("search", "--onlyvisible", "--name", "freeglut menu", check=False).split()


class WindowAndTerminalTest(unittest.TestCase):
    def test_title_names_the_file_the_report_is_one_line_and_an_idle_viewer_sleeps(self):
        with Viewer("desk-idle", VOLUME, *SMALL) as v:
            v.wait_first_frame()
            names = subprocess.run(["xprop", "-id", v.window, "-notype", "_NET_WM_NAME", "WM_NAME"],
                                   env=dict(v.env, LANG="C.UTF-8"), capture_output=True, text=True,
                                   check=True, timeout=30).stdout
            self.assertEqual(names, '_NET_WM_NAME = "volview \u2014 desk.nii.gz"\n'
                                    'WM_NAME = "volview \u2014 desk.nii.gz"\n')
            report = [line for line in v.stdout().splitlines() if line.startswith("OpenGL: ")]
            self.assertEqual(len(report), 1, v.stdout())
            self.assertRegex(report[0], r"^OpenGL: \S.*, \S.*, \d")
            self.assertNotRegex(v.stdout(), r"Extensions|GL_ARB|GL_EXT")

            still = v.wait_frames()
            self.assert_idle(v)
            # A key draws what it changed, then the viewer sleeps again.
            v.key("o", then=changed(still, WHOLE, 500), what="the orthographic picture")
            v.wait_frames()
            self.assert_idle(v)

        # --verbose: the whole report, extensions included.
        _, output = screenshot("desk-verbose", VOLUME, *SMALL, "--verbose")
        self.assertRegex(output, r"(?m)^Vendor: .*\nRenderer: .*\nVersion: .*\nExtensions: .*GL_EXT_texture3D")
        self.assertNotRegex(output, r"(?m)^OpenGL: ")

    def assert_idle(self, v):
        # Fails as soon as the viewer has used more than its share; passes
        # once IDLE_SECONDS have gone by without.
        start, since = v.cpu_seconds(), time.monotonic()

        def quiet_long_enough():
            used = v.cpu_seconds() - start
            self.assertLess(used, IDLE_CPU, "an idle viewer used %.2f s of processor" % used)
            return time.monotonic() - since >= IDLE_SECONDS
        wait_until(quiet_long_enough, IDLE_SECONDS + 30, 0.1, "the idle period")


class BatchFailureTest(unittest.TestCase):
    def test_a_missing_shader_ends_a_batch_run_with_one_error_and_exit_1(self):
        for batch in (("--screenshot", "never.png"), ("--benchmark", "3")):
            with Viewer("desk-noshader", VOLUME, *SMALL, *batch, remove=("volrendFrag.cg",)) as v:
                try:
                    code = v.proc.wait(10)
                except subprocess.TimeoutExpired:
                    self.fail("%s: still running after 10 s (a message box waiting for a click?)" % (batch,))
                self.assertEqual(code, 1, batch)
                self.assertTrue(v.stderr().endswith("volrendFrag.cg: cannot open file\n"), v.stderr())
                self.assertFalse(pathlib.Path(v.workdir, "never.png").exists())


class OverlayTest(unittest.TestCase):
    def test_clean_leaves_out_exactly_the_overlays_and_key_h_toggles_them(self):
        normal, _ = screenshot("desk-normal", VOLUME, *SMALL)
        clean, _ = screenshot("desk-clean", VOLUME, *SMALL, "--clean")
        differs = differing(normal, clean, 0)
        self.assertEqual(differs[outside(OVERLAYS)].sum(), 0, "the clean picture differs beyond the overlays")
        for x0, y0, x1, y1 in OVERLAYS:
            self.assertGreater(differs[y0:y1, x0:x1].sum(), 150, "overlay at %s still there" % ((x0, y0, x1, y1),))

        with Viewer("desk-keyH", VOLUME, *SMALL) as v:
            v.wait_first_frame()
            v.wait_frames()
            v.key("H", then=lambda im: differing(im, clean).sum() <= 20, what="the clean picture")
            v.key("H", then=lambda im: differing(im, normal)[outside((FPS,))].sum() <= 20,
                  what="the overlays again")

        # The quad layout's status line spans the window; --clean leaves it out.
        strip = lambda im: im.count((0, SIDE - 16, SIDE, SIDE), lambda p: p == STATUS_GREY)
        quad, _ = screenshot("desk-quad", VOLUME, *SMALL, "--layout", "quad")
        quad_clean, _ = screenshot("desk-quad-clean", VOLUME, *SMALL, "--layout", "quad", "--clean")
        self.assertGreater(strip(quad), SIDE * 16 * 0.7)
        self.assertEqual(strip(quad_clean), 0)

    def test_background_colours_the_empty_window(self):
        for name, colour in (("black", (0, 0, 0)), ("white", (255, 255, 255)), ("30,200,90", (30, 200, 90))):
            image, _ = screenshot("desk-background-" + name.replace(",", "-"), VOLUME, *SMALL, "--clean",
                                  "--background", name, "--zoom", "0.5")
            # Far from the volume: the top rows and the left and right columns.
            for box in ((0, 0, SIDE, 40), (0, 0, 40, SIDE), (SIDE - 40, 0, SIDE, SIDE)):
                near = image.count(box, lambda p: max(abs(a - b) for a, b in zip(p, colour)) <= 1)
                self.assertEqual(near, (box[2] - box[0]) * (box[3] - box[1]), (name, box))


class MouseAndKeysTest(unittest.TestCase):
    def test_a_left_drag_turns_like_a_middle_drag(self):
        with Viewer("desk-leftdrag", VOLUME, *SMALL) as v:
            v.wait_first_frame()
            start = v.wait_frames()
            path = ((150, 150), (215, 175), 8)
            v.drag(2, *path, then=changed(start, VOLUME_BOX, 500), what="the middle drag's turn")
            middle = v.wait_frames()
            v.key("0", then=same_but_fps(start), what="the start view")
            v.drag(1, *path, then=changed(start, VOLUME_BOX, 500), what="the left drag's turn")
            left = v.wait_frames()
            self.assertLessEqual(differing(left, middle)[outside((FPS,))].sum(), 30)

    def test_help_panel_shows_and_hides_and_lists_slices_only_with_slices(self):
        with Viewer("desk-help", VOLUME, "--size", "500x500") as v:
            v.wait_first_frame()
            lines = {}
            for layout in ("F1", "F5"):
                v.key(layout)
                before = v.wait_frames()
                shown = v.key("h", then=changed(before, (0, 30, 500, 500), 20000), what="the help panel")
                shown = v.wait_frames()
                v.screenshot(save_as="desk-help-%s.png" % layout)
                x0, y0, x1, y1 = spread(differing(shown, before) & outside((FPS,), 500))
                lines[layout] = text_lines(shown, (x0, y0, x1, y1))
                self.assertGreater(x1 - x0, 300, layout)
                self.assertTrue(x0 > 0 and x1 < 499 and y0 > 0 and y1 < 499, (layout, "the panel cut off"))
                self.assertGreater(y1 - y0, 200, layout)
                v.key("h", then=same_but_fps(before), what="the panel to go")
            # The slice group adds its lines of text to the quad layout's panel.
            self.assertGreaterEqual(lines["F5"] - lines["F1"], 6, lines)

    def test_f_twice_returns_to_the_volume_and_fluid_keys_wait_for_the_fluid(self):
        empty = lambda im: im.count((20, 40, 280, 180), lambda p: max(p) > 60) == 0
        with Viewer("desk-fluid", VOLUME, *SMALL) as v:
            v.wait_first_frame()
            start = v.wait_frames()
            # Outside fluid mode p and r leave the picture, and p the fluid's
            # run: paused, the fluid would leave the head phantom on show.
            v.key("p")
            v.key("r")
            self.assertTrue(same_but_fps(start)(v.wait_frames()))
            v.key("f")
            v.wait_picture(empty, 30, "the empty, running fluid")
            v.key("f")
            v.wait_picture(same_but_fps(start), 30, "the volume again")

    def test_editor_drag_at_one_height_sets_one_value_at_any_window_size(self):
        for side in (500, 700):
            saved = SCRATCH / ("tf-%d.json" % side)
            with Viewer("desk-editor-%d" % side, VOLUME, "--size", "%dx%d" % (side, side),
                        "--save-tf", str(saved)) as v:
                v.wait_first_frame()
                v.wait_frames()
                # The panel spans 0..1 in x and y at 1.8 units before the eye
                # under a 60-degree perspective: from the window's centre
                # rightwards and upwards by this many pixels.
                unit = side / 2 / (1.8 * numpy.tan(numpy.radians(30)))
                # From just left of the panel, so that the first step lands on
                # the first control point.
                left, right = round(side / 2 - 4), round(side / 2 + unit - 2)
                values = {}
                for channel, height in ((0, 0.5), (1, 0.25)):
                    if channel:
                        v.key("x")
                    y = round(side / 2 - height * unit)
                    # The editor's values of a pointer height, as a 500-pixel window has them.
                    values[channel] = round((side / 2 - y) * 500 / side + 20) / 255
                    before = saved.read_text() if saved.exists() else None
                    v.key("w")
                    v.drag(1, (left, y), (right, y), 40)
                    text = wait_until(lambda: saved.exists() and saved.read_text() != before and saved.read_text(),
                                      30, what="the saved transfer function")
                    v.key("w")
                    points = json.loads(text)
                    points = (points[0] if isinstance(points, list) else points)["RGBPoints"]
                    # Each edited channel one value over the whole table (its
                    # last entry is never edited); red kept as green is edited.
                    for edited, value in values.items():
                        curve = numpy.array(points[1 + edited::4])[:255]
                        self.assertLess(numpy.abs(curve - value).max(), 1.5 / 255,
                                        "%d: channel %d, wanted %.3f throughout, got %s"
                                        % (side, edited, value, numpy.round(curve[::25], 3)))

    def test_right_click_menu_entries_act_like_their_keys(self):
        with Viewer("desk-menu", VOLUME, *SMALL) as v:
            v.wait_first_frame()
            start = v.wait_frames()
            by_key = v.key("o", then=changed(start, WHOLE, 500), what="the orthographic picture")
            by_key = v.wait_frames()
            v.key("o", then=same_but_fps(start), what="the perspective again")

            v.move(150, 150)
            v.xdotool("mousedown", 3)
            menu = wait_until(lambda: visible_menus(v), 30, 0.1, "the menu")[0]
            geometry = v.xdotool("getwindowgeometry", "--shell", menu)
            place = {k: int(n) for k, n in re.findall(r"(\w+)=(\d+)", geometry)}
            rows = self.menu_rows(v, menu, place)
            self.assertEqual(len(rows), 11, rows)  # one per entry, presets included
            # "perspective / orthographic    (o)" is the fourth entry.
            centre = (rows[3][0] + rows[3][1]) // 2
            v.xdotool("mousemove", place["X"] + 20, place["Y"] + centre)
            lit = wait_until(lambda: self.lit_under(v.screenshot(menu), centre), 30, 0.3, "the entry lit")
            self.assertLessEqual(max(abs(a - b) for a, b in zip(lit, rows[3])), 2, (lit, rows))
            v.xdotool("mouseup", 3)
            wait_until(lambda: not visible_menus(v), 30, 0.1, "the menu to close")
            v.wait_picture(lambda im: differing(im, by_key)[outside((FPS,))].sum() <= 20, 30,
                           "the picture key o gives")

            # Over the shown editor the right button redraws the curve: no menu.
            shown = v.key("w", then=changed(start, WHOLE, 500), what="the editor")
            v.drag(3, (170, 60), (280, 60), 12, changed(shown, (150, 0, SIDE, 150), 50), "the curve to change")
            self.assertEqual(visible_menus(v), [])

    def menu_rows(self, v, menu, place):
        # The entries' rows (top, bottom) in the menu window, found from the
        # row lit under the pointer: the first, then the second, whose
        # distance is their height; the rows go on to the lower border.
        lit = []
        for y in (6, None):
            if y is None:
                y = lit[0][1] + 6
            v.xdotool("mousemove", place["X"] + 20, place["Y"] + y)
            lit.append(wait_until(lambda: self.lit_under(v.screenshot(menu), y), 30, 0.3, "the entry at %d lit" % y))
        height = lit[1][1] - lit[0][1]
        top = lit[1][0] - height
        return [(top + i * height, top + (i + 1) * height) for i in range((place["HEIGHT"] - top) // height)]

    def lit_under(self, image, y):
        row = self.highlighted(image)
        return row if row and row[0] <= y < row[1] else None

    @staticmethod
    def highlighted(image):
        # The rows (top, bottom) where the lit entry's white band spans the
        # menu, its black text notwithstanding.
        # The tallest run of such rows: the window's border is white too.
        runs, top = [], None
        for y in range(image.height + 1):
            white = y < image.height and image.count((4, y, image.width - 4, y + 1),
                                                     lambda p: min(p) > 240) > (image.width - 8) * 0.3
            if white and top is None:
                top = y
            elif not white and top is not None:
                runs.append((top, y))
                top = None
        return max(runs, key=lambda run: run[1] - run[0]) if runs and max(b - a for a, b in runs) > 8 else None


if __name__ == "__main__":
    unittest.main()
