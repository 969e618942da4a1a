"""Live reload in the real spinview: edited shaders and models replace what is drawn, broken or
missing ones leave it as it was, with one message each."""

import os
import re
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
STILL_VERTEX = harness.diagnostic_vertex_shader("gl_MultiTexCoord1.xyz")
QUAD_CENTRE = (144, 256)


def solid(red, green, blue):
    return ("#version 120\nvoid main() { gl_FragColor = vec4(%.1f, %.1f, %.1f, 1.0); }\n" % (red, green, blue)).encode()


class ReloadTest(harness.ViewerCase):
    def start_still_quad(self, fragment):
        # each line of output as it is printed, to follow the reloads
        viewer = self.start_with_window(files={"torus.obj": harness.DIAGNOSTIC_QUAD, "VertexProgram.glsl": STILL_VERTEX,
                                               "FragmentProgram.glsl": fragment}, prefix=["stdbuf", "-oL"])
        viewer.wait_for_frame()
        return viewer

    def wait_for_output(self, viewer, text, count=1, timeout=20):
        deadline = time.time() + timeout
        while viewer.output().count(text) < count:
            self.assertTrue(viewer.running(), viewer.output())
            self.assertLess(time.time(), deadline, "no %d x %r in:\n%s" % (count, text, viewer.output()))
            time.sleep(0.02)

    def wait_for_colour(self, viewer, x, y, expected, timeout=10):
        deadline = time.time() + timeout
        while True:
            pixel = viewer.screenshot().pixel(x, y)
            if all(abs(p - e) <= 8 for p, e in zip(pixel, expected)):
                return
            self.assertLess(time.time(), deadline, "%s at %d,%d, not %s" % (pixel, x, y, expected))
            time.sleep(0.1)

    def test_shader_edits_show_and_a_broken_one_keeps_the_last(self):
        viewer = self.start_still_quad(solid(1, 0, 0))
        self.wait_for_colour(viewer, *QUAD_CENTRE, (255, 0, 0))
        viewer.write("FragmentProgram.glsl", solid(0, 1, 0))
        self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n")
        self.wait_for_colour(viewer, *QUAD_CENTRE, (0, 255, 0))
        viewer.write("FragmentProgram.glsl", b"#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n")
        self.wait_for_output(viewer, "There was error during compilation !\n")
        time.sleep(0.5)
        self.wait_for_colour(viewer, *QUAD_CENTRE, (0, 255, 0))
        viewer.write("FragmentProgram.glsl", solid(0, 0, 1))
        self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n", 2)
        self.wait_for_colour(viewer, *QUAD_CENTRE, (0, 0, 255))
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        # each program that links is validated on its next frame; the broken one never links
        self.assertRegex(viewer.output(),
                         r"^Program validated successfully !\nReloaded \[FragmentProgram\.glsl\]\n"
                         r"Program validated successfully !\n"
                         r"There was error during compilation !\nCompilation error log: \n(?s:.+)\n\n"
                         r"Reloaded \[FragmentProgram\.glsl\]\nProgram validated successfully !\n$")

    def test_model_replaced_deleted_and_written_slowly(self):
        viewer = self.start_still_quad(solid(1, 1, 0))
        self.wait_for_colour(viewer, *QUAD_CENTRE, (255, 255, 0))
        # the quad moved up and out of the centre: the clear colour shows there
        moved = harness.DIAGNOSTIC_QUAD.replace(b"v 0 -16 16\nv 0 -16 2\n", b"v 0 8 16\nv 0 8 2\n")
        viewer.write("torus.obj", moved)
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n")
        self.wait_for_colour(viewer, *QUAD_CENTRE, harness.CLEAR_RGB)

        os.remove(viewer.path("torus.obj"))
        self.wait_for_output(viewer, "Cannot open file [torus.obj]\n")
        time.sleep(0.5)  # several looks at the missing file
        self.wait_for_colour(viewer, *QUAD_CENTRE, harness.CLEAR_RGB)
        self.assertTrue(viewer.running())

        # written in two goes: read once, when it is whole
        with open(viewer.path("torus.obj"), "wb") as f:
            f.write(harness.DIAGNOSTIC_QUAD[:40])
            f.flush()
            time.sleep(0.03)
            f.write(harness.DIAGNOSTIC_QUAD[40:])
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n", 2)
        self.wait_for_colour(viewer, *QUAD_CENTRE, (255, 255, 0))
        time.sleep(0.5)
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [torus.obj]\nCannot open file [torus.obj]\n"
                                                      "Reloaded [torus.obj]\n")

    def test_two_hundred_reloads(self):
        # the leak check at the end finds any object a reload left behind
        if not harness.sanitized(harness.find_binary()):
            self.skipTest("runs in the sanitized build, under its leak check")
        viewer = self.start_still_quad(solid(1, 0, 0))
        for i in range(1, 201):
            # alternate lengths too: two writes within the clock's resolution still differ
            viewer.write("FragmentProgram.glsl", solid(1, 0, 0) + b"\n" * (i % 2))
            self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n", i, timeout=30)
        viewer.key("q")
        self.assertEqual(viewer.wait(20), 0)
        self.assertEqual(len(re.findall("Reloaded", viewer.output())), 200)


if __name__ == "__main__":
    unittest.main()
