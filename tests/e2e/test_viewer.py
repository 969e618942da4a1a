"""End-to-end checks of the real spinview, each in its own private Xvfb."""

import os
import time
import unittest

import harness


class ViewerTest(unittest.TestCase):
    def setUp(self):
        self.xvfb = harness.Xvfb()
        self.viewers = []

    def tearDown(self):
        for viewer in self.viewers:
            viewer.stop()
        self.xvfb.stop()

    def start(self, **kwargs):
        viewer = harness.Viewer(self.xvfb, **kwargs)
        self.viewers.append(viewer)
        return viewer

    def start_with_window(self, **kwargs):
        viewer = self.start(**kwargs)
        viewer.find_window()
        return viewer

    # window and keys

    def test_window_title_and_size(self):
        viewer = self.start_with_window()
        self.assertEqual(viewer.title(), "Just a test")
        self.assertEqual(viewer.geometry(), (512, 512))
        image = viewer.screenshot()
        self.assertEqual((image.width, image.height), (512, 512))

    def quits_on(self, key):
        viewer = self.start_with_window()
        viewer.key(key)
        self.assertEqual(viewer.wait(10), 0)

    def test_quits_on_lower_case_q(self):
        self.quits_on("q")

    def test_quits_on_upper_case_q(self):
        self.quits_on("Q")

    def test_quits_on_escape(self):
        self.quits_on("Escape")

    def test_other_keys_keep_it_running(self):
        viewer = self.start_with_window()
        for key in ("a", "w", "space", "Return", "1"):
            viewer.key(key)
        time.sleep(0.5)
        self.assertTrue(viewer.running())
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    def test_resize_clears_whole_window(self):
        # an OBJ without faces draws nothing, so the whole client area is the clear colour
        viewer = self.start_with_window(files={"torus.obj": b"# no faces\n"})
        viewer.resize(800, 400)
        self.assertEqual(viewer.geometry(), (800, 400))
        image = viewer.screenshot()
        self.assertEqual((image.width, image.height), (800, 400))
        self.assertEqual(image.count_not_clear(0, 0, 800, 400), 0)
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)


if __name__ == "__main__":
    unittest.main()
