"""A missing shader file ends start-up in a message box, then exit code 0."""
import re
import unittest

from harness import TITLE, Viewer, wait_until


def other_window(viewer):
    """The first visible window that is not the viewer's own: the message box."""
    def search():
        ids = viewer.xdotool("search", "--onlyvisible", "--name", ".", check=False).split()
        for window in ids:
            name = viewer.xdotool("getwindowname", window, check=False)
            if name and name != TITLE:
                return window, name
        return None
    return wait_until(search, 90, 0.2, "a message box")


class ShaderErrorTest(unittest.TestCase):
    def check_box_for_missing(self, missing):
        with Viewer("no-" + missing, remove=(missing,)) as viewer:
            window, caption = other_window(viewer)
            viewer.screenshot(window, save_as="box-no-%s.png" % missing)
            # The box's caption is the layer's error text; its text, the
            # listing, names the file, and both also go to stderr.
            err = viewer.stderr()
            self.assertRegex(err, re.escape(caption) + r"\n.*" + re.escape(missing))
            viewer.key("Return", window)
            self.assertEqual(viewer.wait_exit(), 0)
            return err

    def test_missing_fragment_shader(self):
        self.check_box_for_missing("volrendFrag.cg")

    def test_missing_vertex_shader_stops_before_the_fragment_stage(self):
        err = self.check_box_for_missing("volrendVert.cg")
        self.assertNotIn("volrendFrag.cg", err)


if __name__ == "__main__":
    unittest.main()
