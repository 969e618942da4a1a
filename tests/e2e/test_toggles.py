"""What people toggle while looking, in the real spinview: multisampling, the edges over the
model, the ground grid, the background and the size of points, each a picture of known colours
made with --snapshot; the keys e and g in a window show what --edges and --grid show."""

import os
import tempfile
import time
import unittest

import harness

RED = (255, 0, 0)
CLEAR = harness.CLEAR_RGB

# a flat red triangle whose long edge is slanted, still whatever the spin (screen x from 58 to 231)
TRIANGLE = b"v 0 16 16\nv 0 -16 2\nv 0 -16 16\nf 1 2 3\n"
STILL_RED = {"still.vert": harness.diagnostic_vertex_shader("vec3(1.0, 0.0, 0.0)"),
             "plain.frag": harness.DIAGNOSTIC_FRAGMENT_SHADER}
STILL_ARGS = ["--vertex", "still.vert", "--fragment", "plain.frag"]

# the model red, the scene inverted by post-processing; the viewer writes the vertex shader
POST = b"""#version 120
uniform sampler2D u_scene;
uniform vec2 u_resolution;
void main() {
#ifdef POSTPROCESSING
    gl_FragColor = vec4(1.0 - texture2D(u_scene, gl_FragCoord.xy / u_resolution).rgb, 1.0);
#else
    gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);
#endif
}
"""

# one point, at screen (157, 256) when still
POINT = b"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\nend_header\n" \
        b"0 0 8\n"

# the still quad's diagonal edge, between its two triangles, passes (144, 256); (100, 300) is inside
DIAGONAL, INSIDE, OUTSIDE = (144, 256), (100, 300), (400, 256)
# below the model, where a grid under it shows, and above it, where none does
BELOW, ABOVE = (240, 420, 512, 512), (240, 0, 512, 380)


def inverted(colour):
    return tuple(255 - c for c in colour)


def near(pixel, expected, margin=3):
    return all(abs(p - e) <= margin for p, e in zip(pixel, expected))


def blends(image, colours):
    """How many pixels are neither of the two colours: the blends multisampling makes on edges."""
    return sum(1 for y in range(image.height) for x in range(image.width)
               if not any(near(image.pixel(x, y), c) for c in colours))


def darkest(image, xy, reach=2):
    """The darkest pixel's brightest channel within `reach` pixels of xy."""
    x0, y0 = xy
    return min(max(image.pixel(x, y)) for y in range(y0 - reach, y0 + reach + 1)
               for x in range(x0 - reach, x0 + reach + 1))


def not_clear(image, box, clear=CLEAR):
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1) if not near(image.pixel(x, y), clear, 6))


class TogglesTest(harness.ViewerCase):
    def snapshots(self, args, files, env=None, frames=1):
        """Runs the viewer with --snapshot; its output and first picture."""
        folder = tempfile.mkdtemp(prefix="spinview-toggles-")
        name = os.path.join(folder, "frame%d.png" if frames > 1 else "frame.png")
        extra = ["--frames", str(frames)] if frames > 1 else []
        viewer = self.start(files=files, env=env, args=["--snapshot", name, "--at", "0"] + extra + list(args))
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        return viewer.output(), harness.read_png(name % 0 if frames > 1 else name)

    def test_multisampling_blends_the_edges(self):
        triangle = dict(STILL_RED, **{"tri.obj": TRIANGLE})
        post = {"tri.obj": TRIANGLE, "post.frag": POST}
        limit = "--samples 256: this OpenGL draws at most "
        off = "Multisampling is off: this OpenGL draws no multisampled frames\n"
        cases = (
            # what, arguments, files, environment, frames, blended, a line said once, the two colours
            ("a model named: 4 samples", STILL_ARGS + ["tri.obj"], triangle, None, 1, True, None, (RED, CLEAR)),
            ("--samples 0", STILL_ARGS + ["--samples", "0", "tri.obj"], triangle, None, 1, False, None, (RED, CLEAR)),
            ("--samples 1", STILL_ARGS + ["--samples", "1", "tri.obj"], triangle, None, 1, False, None, (RED, CLEAR)),
            ("no model named", STILL_ARGS, {"torus.obj": TRIANGLE, **STILL_RED}, None, 1, False, None, (RED, CLEAR)),
            ("asked without a model named", STILL_ARGS + ["--samples", "2"], {"torus.obj": TRIANGLE, **STILL_RED},
             None, 1, True, None, (RED, CLEAR)),
            ("at another size", STILL_ARGS + ["--size", "300x200", "tri.obj"], triangle, None, 1, True, None,
             (RED, CLEAR)),
            ("more than the driver has", STILL_ARGS + ["--samples", "256", "tri.obj"], triangle, None, 3, True, limit,
             (RED, CLEAR)),
            ("post-processing reads the resolved scene", ["--fragment", "post.frag", "tri.obj"], post, None, 1, True,
             None, (inverted(RED), inverted(CLEAR))),
            ("post-processing single-sampled", ["--fragment", "post.frag", "--samples", "0", "tri.obj"], post, None, 1,
             False, None, (inverted(RED), inverted(CLEAR))),
            ("a driver without multisampling", STILL_ARGS + ["tri.obj"], triangle, {"GALLIUM_DRIVER": "softpipe"}, 3,
             False, off, (RED, CLEAR)),
        )
        for what, args, files, env, frames, blended, said, colours in cases:
            printed, image = self.snapshots(args, files, env, frames)
            count = blends(image, colours)
            # the slanted edge is some 400 pixels long
            self.assertTrue(count > 100 if blended else count == 0, (what, count))
            if said:
                self.assertEqual(printed.count(said), 1, (what, printed))
            else:
                self.assertNotIn("samples", printed, what)
                self.assertNotIn("Multisampling", printed, what)

    def test_edges_grid_and_background_show_where_they_belong(self):
        quad = dict(STILL_RED, **{"quad.obj": harness.DIAGNOSTIC_QUAD})
        args = STILL_ARGS + ["--samples", "0", "quad.obj"]
        post = {"quad.obj": harness.DIAGNOSTIC_QUAD, "post.frag": POST}
        post_args = ["--fragment", "post.frag", "--samples", "0", "quad.obj"]
        gradient = ["--background", "#0000ff,#00FF00"]
        cases = (
            # what, arguments, files, [(pixel, colour)...], edge drawn, pixels under the model, above it
            ("as without them", args, quad, [(INSIDE, RED), (OUTSIDE, CLEAR), ((0, 0), CLEAR)], False, 0, 0),
            ("edges over the model", ["--edges"] + args, quad, [(INSIDE, RED), (OUTSIDE, CLEAR)], True, 0, 0),
            ("a grid under it", ["--grid"] + args, quad, [(INSIDE, RED), (OUTSIDE, CLEAR)], False, 20, 0),
            ("one colour", ["--background", "#ff8000"] + args, quad,
             [(INSIDE, RED), ((0, 0), (255, 128, 0)), ((511, 511), (255, 128, 0))], False, None, 0),
            ("a gradient, top to bottom", gradient + args, quad,
             [(INSIDE, RED), ((400, 0), (0, 0, 255)), ((400, 511), (0, 255, 0)), ((400, 256), (0, 128, 127))],
             False, None, None),
            ("all of them under post-processing", ["--edges", "--grid"] + gradient + post_args, post,
             [(INSIDE, inverted(RED)), ((400, 0), (255, 255, 0)), ((400, 511), (255, 0, 255))], "inverted", None,
             None),
        )
        for what, case_args, files, pixels, edge, below, above in cases:
            _, image = self.snapshots(case_args, files)
            for xy, colour in pixels:
                self.assertTrue(near(image.pixel(*xy), colour), (what, xy, image.pixel(*xy), colour))
            if edge == "inverted":  # black edges, white once inverted
                x, y = DIAGONAL
                brightest = max(min(image.pixel(x + dx, y + dy)) for dx in range(-2, 3) for dy in range(-2, 3))
                self.assertGreater(brightest, 215, what)
            elif edge:
                self.assertLess(darkest(image, DIAGONAL), 40, what)
            else:
                self.assertGreater(darkest(image, DIAGONAL), 215, what)
            if below is not None:
                count = not_clear(image, BELOW)
                self.assertTrue(count > below if below else count == 0, (what, count))
            if above is not None:
                self.assertEqual(not_clear(image, ABOVE, image.pixel(511, 0)), above, what)

    def test_point_size(self):
        files = dict(STILL_RED, **{"point.ply": POINT})
        for size, low, high in ((None, 1, 4), ("9", 64, 100), ("1", 1, 4)):
            args = STILL_ARGS + ["--samples", "0", "point.ply"] + (["--point-size", size] if size else [])
            _, image = self.snapshots(args, files)
            count = not_clear(image, (137, 236, 177, 276))
            self.assertTrue(low <= count <= high, (size, count))
            self.assertEqual(not_clear(image, (0, 0, 512, 512)), count, size)

    def test_keys_show_what_the_options_show(self):
        files = dict(STILL_RED, **{"quad.obj": harness.DIAGNOSTIC_QUAD})
        args = STILL_ARGS + ["--no-spin", "quad.obj"]  # multisampled: a model is named
        viewer = self.start_with_window(files=files, args=args)
        # each key, then the options whose snapshot the window must show
        for key, options in ((None, []), ("e", ["--edges"]), ("g", ["--edges", "--grid"]), ("e", ["--grid"]),
                             ("g", [])):
            _, expected = self.snapshots(args + options, files)
            if key:
                viewer.key(key)
            deadline = time.time() + 120
            while viewer.screenshot().differs(expected) > 0:
                self.assertLess(time.time(), deadline, (key, options, viewer.output()))
                time.sleep(0.2)
        viewer.key("q")
        self.assertEqual(viewer.wait(30), 0)
        self.assertEqual(viewer.output(), "Program validated successfully !\n")


if __name__ == "__main__":
    unittest.main()
