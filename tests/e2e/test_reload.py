"""Live reload in the real spinview: edited shaders and models replace what is drawn, broken or
missing ones leave it as it was, with one message each."""

import os
import re
import shutil
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
STILL_VERTEX = harness.diagnostic_vertex_shader("gl_MultiTexCoord1.xyz")
QUAD_CENTRE = (144, 256)


def near(pixel, expected):
    return all(abs(p - e) <= 8 for p, e in zip(pixel, expected))


def solid(red, green, blue):
    return ("#version 120\nvoid main() { gl_FragColor = vec4(%.1f, %.1f, %.1f, 1.0); }\n" % (red, green, blue)).encode()


class ReloadTest(harness.ViewerCase):
    def xvfb_logs(self):
        folder = tempfile.mkdtemp(prefix="spinview-frames-")
        self.addCleanup(shutil.rmtree, folder, True)
        return folder

    def start_still_quad(self, fragment):
        # no stdbuf: each message must arrive through the file as it is printed
        viewer = self.start_with_window(files={"torus.obj": harness.DIAGNOSTIC_QUAD, "VertexProgram.glsl": STILL_VERTEX,
                                               "FragmentProgram.glsl": fragment}, frame_times=True)
        viewer.wait_for_frame()
        return viewer

    def wait_for_output(self, viewer, text, count=1, timeout=120):
        deadline = time.time() + timeout
        while viewer.output().count(text) < count:
            self.assertTrue(viewer.running(), viewer.output())
            self.assertLess(time.time(), deadline, "no %d x %r in:\n%s" % (count, text, viewer.output()))
            time.sleep(0.02)

    def wait_for_color(self, viewer, x, y, expected, timeout=120):
        deadline = time.time() + timeout
        while True:
            pixel = viewer.screenshot().pixel(x, y)
            if all(abs(p - e) <= 8 for p, e in zip(pixel, expected)):
                return
            self.assertLess(time.time(), deadline, "%s at %d,%d, not %s" % (pixel, x, y, expected))
            time.sleep(0.1)

    def test_shader_edits_show_and_a_broken_one_keeps_the_last(self):
        viewer = self.start_still_quad(solid(1, 0, 0))
        self.wait_for_color(viewer, *QUAD_CENTRE, (255, 0, 0))
        viewer.write("FragmentProgram.glsl", solid(0, 1, 0))
        self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n")
        self.wait_for_color(viewer, *QUAD_CENTRE, (0, 255, 0))
        viewer.write("FragmentProgram.glsl", b"#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n")
        self.wait_for_output(viewer, "There was error during compilation !\n")
        # frames over half a second after the failure: still the last program's
        viewer.wait_for_clock(500)
        self.assertTrue(near(viewer.screenshot().pixel(*QUAD_CENTRE), (0, 255, 0)))
        viewer.write("FragmentProgram.glsl", solid(0, 0, 1))
        self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n", 2)
        self.wait_for_color(viewer, *QUAD_CENTRE, (0, 0, 255))
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        # each program that links is validated on its next frame; the broken one never links
        self.assertRegex(viewer.output(),
                         r"^Program validated successfully !\nReloaded \[FragmentProgram\.glsl\]\n"
                         r"Program validated successfully !\n"
                         r"There was error during compilation !\nCompilation error log: \n(?s:.+)\n\n"
                         r"FragmentProgram\.glsl:2:\d+: error: [^\n]*\n"
                         r"Reloaded \[FragmentProgram\.glsl\]\nProgram validated successfully !\n$")

    def test_model_replaced_deleted_and_written_slowly(self):
        viewer = self.start_still_quad(solid(1, 1, 0))
        self.wait_for_color(viewer, *QUAD_CENTRE, (255, 255, 0))
        # the quad moved up and out of the centre: the clear colour shows there
        moved = harness.DIAGNOSTIC_QUAD.replace(b"v 0 -16 16\nv 0 -16 2\n", b"v 0 8 16\nv 0 8 2\n")
        viewer.write("torus.obj", moved)
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n")
        self.wait_for_color(viewer, *QUAD_CENTRE, harness.CLEAR_RGB)

        os.remove(viewer.path("torus.obj"))
        self.wait_for_output(viewer, "Cannot open file [torus.obj]\n")
        viewer.wait_for_clock(500)  # several looks at the missing file, told once
        self.assertTrue(near(viewer.screenshot().pixel(*QUAD_CENTRE), harness.CLEAR_RGB))
        self.assertTrue(viewer.running())

        # written in two goes: read once, when it is whole
        with open(viewer.path("torus.obj"), "wb") as f:
            f.write(harness.DIAGNOSTIC_QUAD[:40])
            f.flush()
            f.write(harness.DIAGNOSTIC_QUAD[40:])
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n", 2)
        self.wait_for_color(viewer, *QUAD_CENTRE, (255, 255, 0))
        viewer.wait_for_clock(500)  # looks at the whole file, which read once
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [torus.obj]\nCannot open file [torus.obj]\n"
                                                      "Reloaded [torus.obj]\n")

    def test_every_change_is_seen_and_only_whole_files_are_read(self):
        viewer = self.start_still_quad(solid(1, 1, 0))
        self.wait_for_color(viewer, *QUAD_CENTRE, (255, 255, 0))
        # another file put in place with the same size and times (a re-pointed link, cp -p, unzip)
        moved = harness.DIAGNOSTIC_QUAD.replace(b"v 0 -16 16\nv 0 -16 2\n", b"v 0 8.0 16\nv 0 8.0 2\n")
        self.assertEqual(len(moved), len(harness.DIAGNOSTIC_QUAD))
        shown = os.stat(viewer.path("torus.obj"))
        viewer.write("replacement.obj", moved)
        os.utime(viewer.path("replacement.obj"), ns=(shown.st_atime_ns, shown.st_mtime_ns))
        os.replace(viewer.path("replacement.obj"), viewer.path("torus.obj"))
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n")
        self.wait_for_color(viewer, *QUAD_CENTRE, harness.CLEAR_RGB)

        # a writer that pauses halfway through a face, until the viewer reads the part: the part is
        # never shown nor its problems told
        cut = harness.DIAGNOSTIC_QUAD.index(b"f 1/1/1 3/3/3 4/") + len(b"f 1/1/1 3/3/3 4/")
        readings = viewer.events("reading")
        with open(viewer.path("torus.obj"), "wb") as f:
            f.write(harness.DIAGNOSTIC_QUAD[:cut])
            f.flush()
            viewer.wait_for_event("reading", readings + 1)
            f.write(harness.DIAGNOSTIC_QUAD[cut:])
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n", 2)
        self.wait_for_color(viewer, *QUAD_CENTRE, (255, 255, 0))

        # both shaders changed, 150 ms apart: each is told
        viewer.write("FragmentProgram.glsl", solid(0, 1, 0))
        viewer.wait_for_clock(150)
        viewer.write("VertexProgram.glsl", STILL_VERTEX + b"// edited\n")
        self.wait_for_output(viewer, "Reloaded [VertexProgram.glsl]\n")
        self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n")
        self.wait_for_color(viewer, *QUAD_CENTRE, (0, 255, 0))

        # saved with a broken face and left so: shown with its problem once the file has been quiet
        viewer.write("torus.obj", harness.DIAGNOSTIC_QUAD + b"f 1 2 0\n")
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n", 3)
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        printed = viewer.output()
        self.assertEqual(printed.count("Skipped"), 1, printed)
        self.assertTrue(printed.endswith("Skipped 1 face with invalid indices in [torus.obj], first at line 15\n"
                                         "Reloaded [torus.obj]\n"), printed)

    def test_frames_keep_coming_while_a_large_model_is_read(self):
        frames = os.path.join(self.xvfb_logs(), "frames.txt")
        viewer = self.start_with_window(files={"torus.obj": harness.DIAGNOSTIC_QUAD},
                                        env={"SPINVIEW_FRAME_TIMES": frames})
        viewer.wait_for_frame()
        # some 300,000 vertices to smooth, weld and upload: many frames of the quad meanwhile
        viewer.write("torus.obj", harness.position_sphere_obj())
        # read at a lower priority: under a sanitizer, on a machine whose cores are kept busy, slowly
        self.wait_for_output(viewer, "Reloaded [torus.obj]\n", timeout=400)
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        with open(frames) as f:
            lines = f.read().splitlines()
        reading = next(i for i, line in enumerate(lines) if line.endswith("reading [torus.obj]"))
        shown = next(i for i, line in enumerate(lines) if line.endswith("shown [torus.obj]"))
        self.assertGreaterEqual(shown - reading - 1, 3, lines[reading:shown + 1])

    def test_two_hundred_reloads(self):
        # the leak check at the end finds any object a reload left behind
        if not harness.sanitized(harness.find_binary()):
            self.skipTest("runs in the sanitized build, under its leak check")
        viewer = self.start_still_quad(solid(1, 0, 0))
        for i in range(1, 201):
            # alternate lengths too: two writes within the clock's resolution still differ
            viewer.write("FragmentProgram.glsl", solid(1, 0, 0) + b"\n" * (i % 2))
            self.wait_for_output(viewer, "Reloaded [FragmentProgram.glsl]\n", i)
        viewer.key("q")
        self.assertEqual(viewer.wait(20), 0)
        self.assertEqual(len(re.findall("Reloaded", viewer.output())), 200)


if __name__ == "__main__":
    unittest.main()
