"""Start-up of the real viewer: reports, window, first picture, ways to end."""
import os
import unittest

from harness import BACKGROUND, Viewer, colourful

BANNER = "-=-=-=-=-=-=-=-=-=-=-=-=-"
GLUX_REPORT = "\n".join(["", BANNER, "      glux v1.51", BANNER, "-> initializing extensions",
                         "[ OK ] GL_ARB_multitexture", "[ OK ] GL_EXT_texture3D", BANNER, "", ""])


class StartupTest(unittest.TestCase):
    def test_reports_window_picture_and_quit(self):
        with Viewer("startup") as viewer:
            first = viewer.wait_first_frame()
            first = viewer.screenshot(save_as="startup.png")

            out = viewer.stdout().splitlines()
            self.assertRegex(out[0], r"^Vendor:   \S")
            self.assertRegex(out[1], r"^Renderer: \S")
            self.assertRegex(out[2], r"^Version:  \d")
            self.assertRegex(out[3], r"^Extensions: .*GL_EXT_texture3D")
            self.assertRegex(out[4], r"^Max 3D texture size = \d+$")
            self.assertTrue(viewer.stderr().startswith(GLUX_REPORT), viewer.stderr())

            # Dark-blue background in the corners, light FPS text top-left.
            for corner in [(5, 490), (495, 5), (495, 300)]:
                self.assertEqual(first.pixel(*corner), BACKGROUND, corner)
            text = [p for p in first.region(0, 2, 120, 24) if min(p) > 150]
            self.assertGreater(len(text), 20, "no light FPS text near the top-left corner")

            # A coloured object in the middle, not one flat colour.
            centre = first.region(200, 200, 300, 300)
            self.assertGreater(sum(1 for p in centre if colourful(p)), 2000)
            self.assertGreater(len(set(centre)), 50, "the centre is one flat colour")

            viewer.key("q")
            self.assertEqual(viewer.wait_exit(), 0)

    def test_closing_the_window_ends_the_process(self):
        with Viewer("close") as viewer:
            viewer.wait_first_frame()
            viewer.send_wm_delete()
            self.assertEqual(viewer.wait_exit(), 0)

    def test_start_without_logo_prints_the_message_and_runs(self):
        with Viewer("nologo", remove=("zemaLogo Small.tga",)) as viewer:
            viewer.wait_first_frame()
            viewer.wait_output(r"^Could not open the tga file : zemaLogo Small\.tga$")
            viewer.key("q")
            self.assertEqual(viewer.wait_exit(), 0)


class MessageBoxTest(unittest.TestCase):
    def test_box_shows_caption_and_enter_dismisses_it(self):
        demo = os.environ["VOLVIEW_MSGBOX_DEMO"]
        with Viewer("msgbox", binary=demo, args=("Sorry, something failed", "line one\nline two")) as box:
            window = box.find_window("Sorry, something failed")
            shot = box.screenshot(window, save_as="message_box.png")
            dark = [p for p in shot.region(0, 0, shot.width, shot.height) if max(p) < 60]
            self.assertGreater(len(dark), 30, "no text drawn in the box")
            self.assertIn("Sorry, something failed\nline one\nline two\n", box.stderr())
            box.key("Return", window)
            self.assertEqual(box.wait_exit(), 0)
            self.assertEqual(box.stdout(), "dismissed\n")

    def test_escape_and_ok_button_dismiss_the_box(self):
        demo = os.environ["VOLVIEW_MSGBOX_DEMO"]
        with Viewer("msgbox-esc", binary=demo, args=("Caption", "text")) as box:
            box.key("Escape", box.find_window("Caption"))
            self.assertEqual(box.wait_exit(), 0)
        with Viewer("msgbox-ok", binary=demo, args=("Caption", "text", "error")) as box:
            window = box.find_window("Caption")
            geometry = box.xdotool("getwindowgeometry", "--shell", window)
            size = dict(line.split("=") for line in geometry.splitlines())
            width, height = int(size["WIDTH"]), int(size["HEIGHT"])
            box.xdotool("mousemove", "--window", window, width // 2, height - 16 - 13)
            box.xdotool("click", 1)
            self.assertEqual(box.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
