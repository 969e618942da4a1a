"""The command line of the real spinview: named files, a wrong option, --fit and --snapshot."""

import os
import subprocess
import tempfile
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
USAGE = "usage: spinview [--fit] [--vertex FILE] [--fragment FILE] [--snapshot FILE.png [--at SECONDS]] [MODEL.obj]\n"

# colours the still quad by its normals: red, green, blue and yellow-green corners
NORMAL_COLOURS = harness.diagnostic_vertex_shader("gl_MultiTexCoord1.xyz")


def shifted_sphere(radius, centre):
    """A sphere of the given radius around `centre`, far from the camera's view when large."""
    lines = []
    for line in harness.sphere_obj(radius=radius, rings=12, segments=24).decode().splitlines():
        if line.startswith("v "):
            x, y, z = (float(c) for c in line.split()[1:])
            line = "v %.7g %.7g %.7g" % (x + centre[0], y + centre[1], z + centre[2])
        lines.append(line)
    return ("\n".join(lines) + "\n").encode()


class CommandLineTest(harness.ViewerCase):
    def snapshot(self, args, files=None):
        """Runs the viewer with --snapshot into a file of its own; returns the viewer and picture."""
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-snapshot-"), "frame.png")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        viewer = self.start(files=files, args=["--snapshot", path] + list(args))
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        return viewer, harness.read_png(path)

    # options

    def test_named_files_are_used(self):
        viewer = self.start_with_window(
            omit=harness.DATA_FILES,
            files={"models/quad.obj": harness.DIAGNOSTIC_QUAD, "shaders/still.vert": NORMAL_COLOURS,
                   "shaders/plain.frag": harness.DIAGNOSTIC_FRAGMENT_SHADER},
            args=["--vertex", "shaders/still.vert", "--fragment", "shaders/plain.frag", "models/quad.obj"])
        image = viewer.wait_for_frame()
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), VALIDATED)
        red = image.pixel(*harness.QUAD_CORNER_PIXELS[0])
        self.assertTrue(red[0] > 200 and red[1] < 40 and red[2] < 40, red)

    def test_glut_options_reach_glut(self):
        # -display names the X server, with none in the environment
        viewer = self.start(args=["-display", self.xvfb.display, "--fit"], env={"DISPLAY": ""})
        viewer.find_window()
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    def test_wrong_options_exit_2_with_the_usage(self):
        # no display is needed to be told
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        for args in (["--bogus"], ["--vertex"], ["--at", "1"], ["a.obj", "b.obj"],
                     ["--snapshot", "x.png", "--at", "-1"], ["--snapshot", "x.png", "--at", "soon"], ["-f"]):
            run = subprocess.run([harness.find_binary()] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=20)
            self.assertEqual(run.returncode, 2, args)
            self.assertEqual(run.stdout, b"", args)
            self.assertTrue(run.stderr.decode().endswith(USAGE), (args, run.stderr))
        for args, start in ((["--help"], USAGE), (["--version"], "spinview %s\n" % harness.project_version())):
            run = subprocess.run([harness.find_binary()] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=20)
            self.assertEqual(run.returncode, 0)
            self.assertTrue(run.stdout.decode().startswith(start), run.stdout)
            self.assertEqual(run.stderr, b"")

    # --fit

    def test_fit_makes_tiny_and_huge_models_fill_alike(self):
        tiny = shifted_sphere(0.075, (3.0, -2.0, 1.0))
        huge = shifted_sphere(250.0, (400.0, 120.0, -900.0))
        shares = []
        for model in (tiny, huge):
            viewer, image = self.snapshot(["--fit", "model.obj"], files={"model.obj": model})
            self.assertEqual(viewer.output(), VALIDATED)
            shares.append(image.count_not_clear(0, 0, 512, 512, 2))
        # a sphere 11 units across at the centre: a half disc about 136 pixels in radius
        self.assertGreater(shares[0], 6000)
        self.assertLess(abs(shares[0] - shares[1]), 0.03 * shares[0], shares)

    def test_models_lost_to_the_camera_suggest_fit(self):
        viewer, _ = self.snapshot(["model.obj"], files={"model.obj": shifted_sphere(0.075, (3.0, -2.0, 1.0))})
        self.assertEqual(viewer.output(), "[model.obj] is 0.26 units across and shows as a speck: "
                                          "--fit scales it to the view\n" + VALIDATED)
        viewer, _ = self.snapshot(["model.obj"], files={"model.obj": shifted_sphere(250.0, (400.0, 120.0, -900.0))})
        self.assertEqual(viewer.output(), "[model.obj] is 866 units across and reaches past the camera: "
                                          "--fit scales it to the view\n" + VALIDATED)

    # --snapshot

    def test_snapshot_is_what_the_window_shows(self):
        files = {"torus.obj": harness.DIAGNOSTIC_QUAD, "VertexProgram.glsl": NORMAL_COLOURS,
                 "FragmentProgram.glsl": harness.DIAGNOSTIC_FRAGMENT_SHADER}
        _, written = self.snapshot([], files=files)
        viewer = self.start_with_window(files=files)
        shown = viewer.wait_for_frame()
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual((written.width, written.height), (512, 512))
        self.assertGreater(shown.count_not_clear(0, 0, 256, 512, 2), 5000)
        self.assertEqual(written.differs(shown), 0)

    def test_snapshot_shows_the_spin_at_the_moment_asked(self):
        _, start = self.snapshot([])
        _, again = self.snapshot(["--at", "0"])
        _, quarter = self.snapshot(["--at", "1.571"])
        self.assertEqual(start.differs(again), 0)
        self.assertGreater(start.differs(quarter), 1000)

    def test_snapshot_refuses_a_path_it_cannot_write(self):
        viewer = self.start(args=["--snapshot", "/nonexistent/folder/frame.png"])
        self.assertEqual(viewer.wait(30), 1)
        self.assertEqual(viewer.output(), VALIDATED + "Cannot write snapshot [/nonexistent/folder/frame.png]\n")


if __name__ == "__main__":
    unittest.main()
