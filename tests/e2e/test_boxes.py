# Message boxes: the shader errors of start-up, and the box itself through
# its demo program (long texts, every way to dismiss it, no X server).
import os
import re
import subprocess
import unittest

from harness import TITLE, Viewer, wait_until

DEMO = os.environ.get("VOLVIEW_MSGBOX_DEMO")


def other_window(viewer):
    # The first visible window that is not the viewer's own: the message box.
    def search():
        for window in viewer.xdotool("search", "--onlyvisible", "--name", ".", check=False).split():
            name = viewer.xdotool("getwindowname", window, check=False)
            if name and name != TITLE:
                return window, name
        return None
    return wait_until(search, 90, 0.2, "a message box")


class BoxTest(unittest.TestCase):
    def test_missing_shaders_end_start_up_in_a_box_then_exit_code_zero(self):
        # The vertex program is set up first, and start-up stops at its failure.
        with Viewer("no-shaders", remove=("volrendFrag.cg", "volrendVert.cg")) as v:
            window, caption = other_window(v)
            v.screenshot(window, save_as="box-no-shaders.png")
            # Caption: the layer's error text; text: the listing, naming the file.
            self.assertRegex(v.stderr(), re.escape(caption) + r"\n.*volrendVert\.cg")
            self.assertNotIn("volrendFrag.cg", v.stderr())
            v.key("Return", window)
            self.assertEqual(v.wait_exit(), 0)

    def test_long_text_scrolls_within_the_screen_and_ok_dismisses(self):
        text = "\n".join("line %d %s" % (i, "x" * (i % 50)) for i in range(300)) + "\n" + "y" * 3000
        with Viewer("msgbox-long", binary=DEMO, args=("Long listing", text, "error")) as box:
            window = box.find_window("Long listing")
            size = dict(line.split("=") for line in box.xdotool("getwindowgeometry", "--shell", window).splitlines())
            width, height = int(size["WIDTH"]), int(size["HEIGHT"])
            self.assertLessEqual(int(size["Y"]) + height, 768)
            self.assertLessEqual(int(size["X"]) + width, 1024)
            top = box.wait_picture(lambda im: min(im.pixel(5, 5)) > 200, what="the box", window=window)
            box.key("End", window)
            end = box.wait_picture(lambda im: im.differing_pixels(top, (0, 0, width, height - 60)) > 200,
                                   what="the end of the text", window=window)
            box.screenshot(window, save_as="message_box_end.png")
            box.key("Home", window)
            box.wait_picture(lambda im: im.differing_pixels(top, (0, 0, width, height)) == 0,
                             what="the start of the text", window=window)
            self.assertGreater(end.differing_pixels(top, (0, 0, width, height - 60)), 200)
            box.xdotool("mousemove", "--window", window, width // 2, height - 16 - 13)
            box.xdotool("click", 1)
            self.assertEqual(box.wait_exit(), 0)
            self.assertEqual(box.stdout(), "dismissed\n")
            self.assertIn("Long listing\n" + text + "\n", box.stderr())

    def test_escape_and_window_manager_close_dismiss_the_box(self):
        for how in ("Escape", "close"):
            with Viewer("msgbox-" + how, binary=DEMO, args=("Caption", "text")) as box:
                window = box.find_window("Caption")
                box.key("Escape", window) if how == "Escape" else box.send_wm_delete(window)
                self.assertEqual(box.wait_exit(), 0)
                self.assertEqual(box.stdout(), "dismissed\n")

    def test_without_an_x_server_the_box_is_printed_and_the_program_goes_on(self):
        env = dict(os.environ, DISPLAY=":599")  # no server behind it
        run = subprocess.run([DEMO, "Caption", "text"], env=env, capture_output=True, timeout=120)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, b"dismissed\n", b"Caption\ntext\n"))


if __name__ == "__main__":
    unittest.main()
