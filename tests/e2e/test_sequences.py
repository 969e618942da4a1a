"""Frame sequences, standard output, sizes and transparency, and snapshots with no display at all,
in the real spinview."""

import math
import os
import subprocess
import tempfile
import unittest

import harness

VALIDATED = "Program validated successfully !\n"


def alpha_at(path, x, y):
    """The alpha of a pixel of an RGBA PNG, 0 to 255."""
    out = subprocess.run([harness.CONVERT, path, "-alpha", "extract", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                         check=True).stdout
    return harness.Image(out).pixel(x, y)[0]


class SequenceTest(harness.ViewerCase):
    def run_snapshot(self, args, env=None):
        """Runs a snapshot in a folder of its own; returns the viewer and the folder."""
        folder = tempfile.mkdtemp(prefix="spinview-frames-")
        viewer = self.start(args=[a.replace("{}", folder) for a in args], env=env)
        self.assertEqual(viewer.wait(300), 0, viewer.output() + viewer.errors())
        return viewer, folder

    def test_a_turntable_loops_and_names_its_frames(self):
        _, turn = self.run_snapshot(["--snapshot", "{}/spin%03d.png", "--frames", "12"])
        self.assertEqual(sorted(os.listdir(turn)), ["spin%03d.png" % i for i in range(12)])
        # a thirteenth frame one turn on, taken with --fps, is the first again
        _, timed = self.run_snapshot(["--snapshot", "{}/spin.png", "--frames", "13", "--fps", str(12 / (2 * math.pi))])
        self.assertEqual(sorted(os.listdir(timed)), ["spin%02d.png" % i for i in range(13)])
        frames = [harness.read_png(os.path.join(timed, "spin%02d.png" % i)) for i in range(13)]
        self.assertLess(frames[12].differs(frames[0]), 30)
        self.assertGreater(frames[1].differs(frames[0]), 1000)
        for i in range(12):
            self.assertLess(frames[i].differs(harness.read_png(os.path.join(turn, "spin%03d.png" % i))), 30, i)

    def test_raw_frames_transparency_and_size(self):
        viewer, _ = self.run_snapshot(["--snapshot", "-", "--raw", "--frames", "3", "--size", "40x30"])
        with open(viewer.out_path, "rb") as f:
            self.assertEqual(len(f.read()), 3 * 40 * 30 * 4)
        self.assertEqual(viewer.errors(), VALIDATED)
        # the background clear, the model opaque; at 300 x 200 the model keeps its proportions
        _, folder = self.run_snapshot(["--snapshot", "{}/clear.png", "--transparent", "--size", "300x200"])
        path = os.path.join(folder, "clear.png")
        image = harness.read_png(path)
        self.assertEqual((image.width, image.height), (300, 200))
        drawn = [(x, 100) for x in range(300) if not image.is_clear(x, 100)]
        self.assertEqual(alpha_at(path, 0, 0), 0)
        self.assertEqual(alpha_at(path, *drawn[len(drawn) // 2]), 255)
        # wider, it shows more at the sides, not the same stretched: its middle is the square picture
        _, folder = self.run_snapshot(["--snapshot", "{}/square.png", "--size", "200x200"])
        square = harness.read_png(os.path.join(folder, "square.png"))
        differing = sum(1 for y in range(200) for x in range(200)
                        if any(abs(a - b) > 8 for a, b in zip(image.pixel(x + 50, y), square.pixel(x, y))))
        self.assertLess(differing, 40)

    def test_a_sequence_that_would_overwrite_an_input_writes_no_frame(self):
        # every frame's name is looked at before the first is drawn: frame 1 names an input file
        shader = open(os.path.join(harness.DATA_DIR, "VertexProgram.glsl"), "rb").read()
        included = shader.replace(b"void main()", b'#include "frame2.glsl"\nvoid main()', 1)
        for files, args in (({"frame1.glsl": shader}, ["--vertex", "frame1.glsl"]),
                            ({"VertexProgram.glsl": included, "frame2.glsl": b"// nothing\n"}, [])):
            viewer = self.start(files=files, args=["--snapshot", "frame%d.glsl", "--frames", "3"] + args)
            self.assertEqual(viewer.wait(60), 2, viewer.output() + viewer.errors())
            self.assertIn("would overwrite", viewer.errors())
            self.assertFalse(os.path.exists(viewer.path("frame0.glsl")), args)

    def test_without_a_display_snapshots_are_drawn_offscreen_alike(self):
        # the window's size, drawn into the window or a surface like it; another, into a framebuffer
        for args in (["--orbit", "90,0", "--at", "1"], ["--size", "200x120", "--orbit", "30,20", "--transparent"]):
            args = ["--snapshot", "{}/frame.png"] + args
            _, under_x = self.run_snapshot(args)
            viewer, offscreen = self.run_snapshot(args, env={"DISPLAY": ""})
            self.assertEqual(viewer.output(), VALIDATED)
            self.assertEqual(harness.read_png(os.path.join(offscreen, "frame.png")).differs(
                harness.read_png(os.path.join(under_x, "frame.png"))), 0, args)
        # the window cannot go without one, and says so: that none is set, or which cannot be opened
        for env, args, told in (({"DISPLAY": ""}, [], "spinview: no display is set (neither DISPLAY nor -display "
                                                      "names one): the window needs one"),
                                ({"DISPLAY": ""}, ["-display", ":29999.9"], "spinview: cannot open the display "
                                                                            "[:29999.9]: the window needs one")):
            window = self.start(env=env, args=args)
            self.assertEqual(window.wait(60), 1)
            self.assertTrue(window.errors().startswith(told), window.errors())
        # a frame that cannot be written is named, and ends the sequence
        failed = self.start(args=["--snapshot", "/nonexistent/spin%d.png", "--frames", "2"], env={"DISPLAY": ""})
        self.assertEqual(failed.wait(60), 1)
        self.assertEqual(failed.output(), VALIDATED + "Cannot write snapshot [/nonexistent/spin0.png]\n")


if __name__ == "__main__":
    unittest.main()
