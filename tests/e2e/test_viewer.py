"""End-to-end checks of the real spinview, each in its own private Xvfb."""

import os
import re
import subprocess
import time
import unittest

import harness


def own_code_errors(report):
    """The memcheck errors whose faulting stack passes through the viewer's own source files.
    Under load the driver has been seen to report an error of its own now and then (its stack
    runs through the dynamic loader); a report with no frame of ours is the driver's affair."""
    own_files = set()
    for _, _, names in os.walk(os.path.join(harness.REPO, "src")):
        own_files.update(name for name in names if name.endswith((".cpp", ".h")))
    errors = []
    for block in re.split(r"\n==\d+== ?\n", report):  # a bare "==pid== " line ends each error
        lines = [line.split("== ", 1)[1] for line in block.splitlines() if "== " in line]
        frames = []
        for line in lines[1:]:
            if not line.strip().startswith(("at ", "by ")):
                break  # "Address ..." and what follows describe the memory, not the faulting code
            frames.append(line)
        files = [m.group(1) for m in (re.search(r"\((\w+\.(?:cpp|h)):\d+\)", f) for f in frames) if m]
        if any(name in own_files for name in files):
            errors.append(block)
    return errors


def sphere_obj(radius=15.0, rings=24, segments=48):
    """A sphere centred on the origin: it looks the same at every angle of the spin."""
    import math
    lines = []
    for i in range(rings + 1):
        theta = math.pi * i / rings
        for j in range(segments + 1):
            phi = 2 * math.pi * j / segments
            n = (math.sin(theta) * math.cos(phi), math.cos(theta), math.sin(theta) * math.sin(phi))
            lines.append("v %.6f %.6f %.6f" % tuple(radius * c for c in n))
            lines.append("vt %.6f %.6f" % (j / segments, i / rings))
            lines.append("vn %.6f %.6f %.6f" % n)
    for i in range(rings):
        for j in range(segments):
            a, b = i * (segments + 1) + j + 1, (i + 1) * (segments + 1) + j + 1
            for corners in ((a, b, a + 1), (a + 1, b, b + 1)):
                lines.append("f " + " ".join("%d/%d/%d" % (c, c, c) for c in corners))
    return ("\n".join(lines) + "\n").encode()


class ViewerTest(harness.ViewerCase):
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
        image = viewer.wait_for_frame()
        self.assertEqual((image.width, image.height), (800, 400))
        self.assertEqual(image.count_not_clear(0, 0, 800, 400), 0)
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    # the finished viewer with the shipped data

    def assert_validated_once(self, output):
        head = "Program validated successfully !\n"
        self.assertTrue(output.startswith(head), output)
        rest = output[len(head):]
        if rest:  # only a warnings block, if the driver gives one
            self.assertTrue(rest.startswith("Validation warnings log: \n"), output)
            self.assertTrue(rest.endswith("\n\n"), output)
            self.assertNotIn("Program validated", rest)

    def test_shipped_data_draws_a_cutaway(self):
        viewer = self.start_with_window()
        viewer.wait_for_picture()
        time.sleep(1.0)  # many frames
        first = viewer.screenshot()
        time.sleep(0.5)
        second = viewer.screenshot()
        for image in (first, second):
            for x, y in ((0, 0), (511, 0), (0, 511), (511, 511)):
                self.assertTrue(image.is_clear(x, y), "corner %d,%d is %s" % (x, y, image.pixel(x, y)))
            # the clip plane keeps the left half only
            self.assertEqual(image.count_not_clear(258, 0, 512, 512), 0)
            self.assertGreater(image.count_not_clear(0, 0, 256, 512, 2), 2000)
        self.assertGreater(first.differs(second), 1000, "the mesh does not spin")
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assert_validated_once(viewer.output())

    def test_resize_keeps_the_cut_at_the_centre(self):
        # the clip plane holds the camera, so its edge is the window's middle column at any size
        viewer = self.start_with_window()
        viewer.resize(800, 400)
        image = viewer.wait_for_picture()
        columns = image.columns_not_clear()
        self.assertLessEqual(abs(columns[-1] - 399), 3)
        self.assertEqual(image.count_not_clear(402, 0, 800, 400), 0)
        for x, y in ((0, 0), (799, 0), (0, 399), (799, 399)):
            self.assertTrue(image.is_clear(x, y))
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    def test_resize_stretches_the_mesh(self):
        # a sphere keeps its outline while it spins, so two pictures compare at any moment
        viewer = self.start_with_window(files={"torus.obj": sphere_obj()})
        square = viewer.wait_for_picture()
        viewer.resize(800, 400)
        wide = viewer.wait_for_picture()
        self.assertEqual((wide.width, wide.height), (800, 400))
        square_columns, wide_columns = square.columns_not_clear(), wide.columns_not_clear()
        # the cut through the camera's axis stays at the centre of the window
        self.assertLessEqual(abs(square_columns[-1] - 255), 3)
        self.assertLessEqual(abs(wide_columns[-1] - 399), 3)
        # the half disc keeps its share of the width and of the height: stretched sideways
        square_share = (square_columns[-1] - square_columns[0] + 1) / 512.0
        wide_share = (wide_columns[-1] - wide_columns[0] + 1) / 800.0
        self.assertAlmostEqual(square_share, wide_share, delta=0.01)
        self.assertGreater(square_share, 0.2)
        square_rows = [y for y in range(512) if not square.is_clear(200, y)]
        wide_rows = [y for y in range(400) if not wide.is_clear(int(200 * 800 / 512), y)]
        self.assertAlmostEqual(len(square_rows) / 512.0, len(wide_rows) / 400.0, delta=0.01)
        viewer.key("Escape")
        self.assertEqual(viewer.wait(10), 0)

    def test_start_and_quit_clean_under_valgrind(self):
        binary = harness.find_binary()
        linked = subprocess.run(["ldd", binary], stdout=subprocess.PIPE).stdout.decode()
        if "libasan" in linked:
            self.skipTest("a sanitized build does not run under valgrind")
        suppressions = os.path.join(harness.REPO, "tests", "sanitizer", "valgrind-driver.supp")
        viewer = self.start(prefix=["valgrind", "--log-fd=2", "--num-callers=40", "--suppressions=" + suppressions])
        viewer.find_window(timeout=180)
        viewer.wait_for_picture(180)
        viewer.key("q")
        self.assertEqual(viewer.wait(180), 0, viewer.errors())
        report = viewer.errors()
        self.assertIn("ERROR SUMMARY:", report)
        self.assertEqual(own_code_errors(report), [], report)
        self.assert_validated_once(viewer.output())

    # bad data

    def test_broken_fragment_shader_is_reported_and_window_runs(self):
        broken = b"#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n"
        viewer = self.start_with_window(files={"FragmentProgram.glsl": broken})
        time.sleep(0.5)
        self.assertTrue(viewer.running())
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        output = viewer.output()
        head = "There was error during compilation !\nCompilation error log: \n"
        self.assertTrue(output.startswith(head), output)
        log, _, after = output[len(head):].partition("\n\n")
        self.assertIn("error", log)
        lines = after.strip("\n").split("\n")
        # attaching the null handle raises an error, reported right away
        self.assertEqual(lines[0], "GL_INVALID_VALUE", output)
        if "There was error during linking !" in lines:
            self.assertIn("Linking error log: ", output)
            self.assertIn("Error while validating program !", output)
        else:  # a vertex shader alone links on this driver
            self.assertEqual(lines[1:], ["Program validated successfully !"], output)

    def test_context_older_than_opengl_2_is_refused(self):
        os.environ["MESA_GL_VERSION_OVERRIDE"] = "1.5"
        try:
            viewer = self.start()
            status = viewer.wait(15)
        finally:
            del os.environ["MESA_GL_VERSION_OVERRIDE"]
        self.assertEqual(status, 1)
        self.assertRegex(viewer.output(), r"^This viewer needs OpenGL 2\.0 with GL_ARB_shader_objects; "
                                          r"the context \(OpenGL 1\.5[^)]*\) lacks: glCompileShader\n$")


if __name__ == "__main__":
    unittest.main()
