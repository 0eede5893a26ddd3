# Message boxes: the shader errors of start-up, and the box itself through
# its demo program (long texts, every way to dismiss it, no X server).
import os
import re
import unittest

from harness import Viewer, run_without_display

DEMO = os.environ.get("VOLVIEW_MSGBOX_DEMO")


class BoxTest(unittest.TestCase):
    def test_missing_shaders_end_start_up_in_a_box_then_exit_code_zero(self):
        # The vertex program is set up first, and start-up stops at its failure.
        with Viewer("no-shaders", remove=("volrendFrag.cg", "volrendVert.cg")) as v:
            window = v.find_window(None)
            v.screenshot(window, save_as="box-no-shaders.png")
            # Caption: the layer's error text; text: the listing, naming the file.
            caption = v.xdotool("getwindowname", window)
            self.assertRegex(v.stderr(), re.escape(caption) + r"\n.*volrendVert\.cg")
            self.assertNotIn("volrendFrag.cg", v.stderr())
            v.key("Return", window)
            self.assertEqual(v.proc.wait(60), 0)

    def test_long_text_scrolls_within_the_screen_and_ok_escape_or_close_dismiss_it(self):
        text = "\n".join("line %d %s" % (i, "x" * (i % 50)) for i in range(300)) + "\n" + "y" * 3000
        for how, body in (("OK", text), ("Escape", "text"), ("close", "text")):
            with Viewer("msgbox-" + how, "Long listing", body, "error", program=DEMO) as box:
                window = box.find_window("Long listing")
                if how == "Escape":
                    box.key("Escape", window)
                elif how == "close":
                    box.send_wm_delete(window)
                else:
                    self.scroll_then_click_ok(box, window)
                self.assertEqual(box.proc.wait(60), 0)
                self.assertEqual(box.stdout(), "dismissed\n")
                self.assertIn("Long listing\n" + body + "\n", box.stderr())

    def scroll_then_click_ok(self, box, window):
        size = dict(line.split("=") for line in box.xdotool("getwindowgeometry", "--shell", window).split())
        x, y, width, height = (int(size[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.assertTrue(x + width <= 1024 and y + height <= 768, size)
        top = box.wait_picture(lambda im: min(im.pixel(5, 5)) > 200, what="the box", window=window)
        box.key("End", window)
        box.wait_picture(lambda im: im.differing_pixels(top, (0, 0, width, height - 60)) > 200,
                         what="the end of the text", window=window)
        box.screenshot(window, save_as="message_box_end.png")
        box.key("Home", window)
        box.wait_picture(lambda im: im.differing_pixels(top, (0, 0, width, height)) == 0,
                         what="the start of the text", window=window)
        box.move(width // 2, height - 16 - 13, window)
        box.xdotool("click", 1)

    def test_without_an_x_server_the_box_is_printed_and_the_program_goes_on(self):
        run = run_without_display("Caption", "text", program=DEMO)
        self.assertEqual((run.returncode, run.stdout, run.stderr), (0, "dismissed\n", "Caption\ntext\n"))


if __name__ == "__main__":
    unittest.main()
