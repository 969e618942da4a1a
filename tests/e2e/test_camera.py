"""The camera, the spin and the cut under the user's control, in the real spinview: what the mouse
and the keys show in a window is what the options show in a snapshot."""

import os
import tempfile
import time
import unittest

import harness

HALF_WIDTH_RIGHT = ((128, 256), (384, 256))


class CameraTest(harness.ViewerCase):
    def snapshot(self, args, files=None):
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-snapshot-"), "frame.png")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        viewer = self.start(files=files, args=["--snapshot", path] + list(args))
        self.assertEqual(viewer.wait(120), 0, viewer.output() + viewer.errors())
        return harness.read_png(path)

    def wait_for_change(self, viewer, before, timeout=120):
        """The window's picture once it differs from `before`."""
        deadline = time.time() + timeout
        while True:
            shown = viewer.wait_for_frame()
            if shown.differs(before) > 0:
                return shown
            self.assertLess(time.time(), deadline, "the picture did not change")
            time.sleep(0.2)

    def test_keys_and_drags_show_what_the_options_show(self):
        viewer = self.start_with_window(args=["--no-spin"])
        shown = viewer.wait_for_picture()
        self.assertEqual(shown.differs(self.snapshot(["--no-spin"])), 0)
        # each action, then the options whose snapshot must show the same
        steps = (
            (lambda: viewer.drag(*HALF_WIDTH_RIGHT), ["--orbit", "90,0"]),
            (lambda: viewer.key("c"), ["--orbit", "90,0", "--no-cut"]),
            (lambda: viewer.key("r"), ["--no-cut"]),  # the camera goes back; the cut stays off
            (lambda: viewer.key("c"), []),
            (lambda: viewer.key("f"), ["--fit"]),
            (lambda: viewer.key("f"), []),
        )
        for act, args in steps:
            act()
            shown = self.wait_for_change(viewer, shown)
            expected = self.snapshot(["--no-spin"] + args)
            # a drag sums pixels where --orbit gives degrees: a last bit may differ
            self.assertLess(shown.differs(expected), 60, args)
        # a pan, a zoom and the wireframe change the picture; r brings the first back
        first = shown
        for act in (lambda: viewer.drag((256, 256), (300, 200), button=2),
                    lambda: viewer.drag((256, 256), (256, 300), shift=True), lambda: viewer.click(4),
                    lambda: viewer.key("w")):
            act()
            shown = self.wait_for_change(viewer, shown)
        viewer.key("w")
        viewer.key("r")
        self.assertLess(self.wait_for_change(viewer, shown).differs(first), 60)
        viewer.key("h")
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        self.assertIn("Keys: Space pauses or resumes the spin", viewer.output())

    def test_space_holds_the_spin_and_a_reload_keeps_the_view(self):
        files = {"models/quad.obj": harness.DIAGNOSTIC_QUAD}
        viewer = self.start_with_window(files=files, args=["models/quad.obj"])
        self.assertEqual(viewer.title(), "quad.obj - spinview")
        viewer.wait_for_picture()
        viewer.key("space")
        viewer.drag(*HALF_WIDTH_RIGHT)
        time.sleep(0.5)
        held = viewer.wait_for_frame()
        time.sleep(1.0)
        self.assertEqual(viewer.wait_for_frame().differs(held), 0)
        # a reload draws the new program from the same camera at the same moment of the spin
        viewer.write("FragmentProgram.glsl", open(os.path.join(harness.DATA_DIR, "FragmentProgram.glsl"), "rb").read()
                     + b"// edited\n")
        deadline = time.time() + 120
        while "Reloaded" not in viewer.output():
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.1)
        time.sleep(0.5)
        self.assertEqual(viewer.wait_for_frame().differs(held), 0)
        # going on from where it stood
        viewer.key("space")
        self.wait_for_change(viewer, held)
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)


if __name__ == "__main__":
    unittest.main()
