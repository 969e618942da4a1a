"""Shaders of more than one pass in the real spinview: buffers, the canvas, the background,
post-processing and the environment, each a picture of known colours made with --snapshot; the
playgrounds' buffer example unchanged; bad passes in a live window."""

import os
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

import harness

# the still quad (screen x 58 to 231, y 58 to 454), drawn at --at 0 where the spin is the identity
INSIDE, OUTSIDE = (144, 256), (400, 256)
CORNERS = ((20, 20), (490, 20), (20, 490), (490, 490))

BUFFER_READ_BACK = b"""uniform sampler2D u_buffer0;
varying vec2 v_texcoord;
void main() {
#ifdef BUFFER_0
    gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0);
#else
    gl_FragColor = vec4(texture2D(u_buffer0, v_texcoord).rgb, 1.0);
#endif
}
"""

# the model's colour from v_texcoord, so that it needs the vertex shader the viewer writes
MODEL_COLOUR = "vec4(0.2, 0.6, v_texcoord.x * 0.0 + 1.0, 1.0)"

INVERTED = ("""#version 120
uniform sampler2D u_scene;
uniform vec2 u_resolution;
varying vec2 v_texcoord;
void main() {
#ifdef POSTPROCESSING
    gl_FragColor = vec4(1.0 - texture2D(u_scene, gl_FragCoord.xy / u_resolution).rgb, 1.0);
#else
    gl_FragColor = %s;
#endif
}
""" % MODEL_COLOUR).encode()

DEPTH = ("""#version 120
uniform sampler2D u_sceneDepth;
uniform vec2 u_resolution;
varying vec2 v_texcoord;
void main() {
#ifdef POSTPROCESSING
    gl_FragColor = vec4(texture2D(u_sceneDepth, gl_FragCoord.xy / u_resolution).rrr, 1.0);
#else
    gl_FragColor = %s;
#endif
}
""" % MODEL_COLOUR).encode()

BACKGROUND = ("""#version 120
varying vec2 v_texcoord;
void main() {
#ifdef BACKGROUND
    gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0);
#else
    gl_FragColor = %s;
#endif
}
""" % MODEL_COLOUR).encode()

# each frame adds 1/255 to what the buffer held: frame i shows i + 1
FEEDBACK = b"""uniform sampler2D u_%(name)s0;
uniform vec2 u_%(name)s0Resolution;
void main() {
    vec2 st = gl_FragCoord.xy / u_%(name)s0Resolution;
#ifdef %(define)s_0
    gl_FragColor = texture2D(u_%(name)s0, st) + vec4(1.0 / 255.0);
#else
    gl_FragColor = vec4(texture2D(u_%(name)s0, st).rgb, 1.0);
#endif
}
"""

# the environment's average colour, from its first coefficient
AVERAGE = b"""uniform vec3 u_SH[9];
void main() { gl_FragColor = vec4(u_SH[0] / (0.282095 * 4.0 * 3.14159265), 1.0); }
"""

# the playgrounds' buffer example, as people run it: two buffers, each a colour over time, side by
# side above a third colour, read through v_texcoord
PLAYGROUND_BUFFERS = b"""#ifdef GL_ES
precision mediump float;
#endif

uniform sampler2D   u_buffer0;
uniform sampler2D   u_buffer1;

uniform vec2        u_resolution;
uniform float       u_time;

varying vec2        v_texcoord;

void main() {
    vec3 color = vec3(0.0);
    vec2 st = v_texcoord;

#if defined( BUFFER_0 )
    color.g = abs(sin(u_time));

#elif defined( BUFFER_1 )
    color.r = abs(sin(u_time));

#else
    color.b = abs(sin(u_time));

    color = mix(color,
                mix(texture2D(u_buffer0, st).rgb,
                    texture2D(u_buffer1, st).rgb,
                    step(0.5, st.x)),
                step(0.5, st.y));
#endif

    gl_FragColor = vec4(color, 1.0);
}
"""

RED, GREEN, BLUE, YELLOW = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)
CLEAR_INVERTED = tuple(255 - c for c in harness.CLEAR_RGB)
MODEL_RGB = (51, 153, 255)


def png(width, height, pixel):
    """An 8-bit RGB PNG whose pixel (x, y), y from the top, is pixel(x, y)."""
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


# all directions: above the horizon red on the left half (longitudes from +x through +z to -x),
# green on the right; below it blue, yellow
ENVIRONMENT = png(256, 128, lambda x, y: ((RED, GREEN), (BLUE, YELLOW))[y >= 64][x >= 128])


def near(pixel, expected, margin=8):
    return all(abs(p - e) <= margin for p, e in zip(pixel, expected))


def alpha(path, x, y):
    """The alpha of a pixel of an RGBA PNG."""
    ppm = subprocess.run([harness.CONVERT, path, "-alpha", "extract", "-depth", "8", "ppm:-"],
                         stdout=subprocess.PIPE, check=True).stdout
    return harness.Image(ppm).pixel(x, y)[0]


def wait_for(viewer, shows, timeout=120):
    """The window's picture once `shows` holds for it; waits as long as a slow machine needs."""
    deadline = time.time() + timeout
    while True:
        image = viewer.screenshot()
        if shows(image):
            return image
        if time.time() > deadline:
            raise AssertionError("the window does not show it:\n" + viewer.output())
        time.sleep(0.2)


class PassesTest(harness.ViewerCase):
    def snapshots(self, files, args, frames=1):
        """Runs the viewer with --snapshot (FRAME%d.png for several frames); its output and pictures."""
        folder = tempfile.mkdtemp(prefix="spinview-passes-")
        name = os.path.join(folder, "frame%d.png" if frames > 1 else "frame.png")
        extra = ["--frames", str(frames)] if frames > 1 else []
        viewer = self.start(files=files, args=["--snapshot", name, "--at", "0"] + extra + list(args))
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        paths = [name % i for i in range(frames)] if frames > 1 else [name]
        return viewer.output(), [harness.read_png(path) for path in paths], paths

    def test_pictures_of_known_colours(self):
        quad = {"quad.obj": harness.DIAGNOSTIC_QUAD}
        cases = (
            # what, files, arguments, frames, output, [(frame, (x, y), colour)...]
            ("a buffer of solid red read back by the main pass", {"red.frag": BUFFER_READ_BACK}, ["red.frag"], 1,
             "The program uses u_buffer0\nProgram validated successfully !\n",
             [(0, xy, RED) for xy in CORNERS + (INSIDE,)]),
            ("the scene inverted by post-processing", dict(quad, **{"inverted.frag": INVERTED}),
             ["--fragment", "inverted.frag", "quad.obj"], 1,
             "The program of [POSTPROCESSING] uses u_resolution, u_scene\nProgram validated successfully !\n",
             [(0, INSIDE, tuple(255 - c for c in MODEL_RGB)), (0, OUTSIDE, CLEAR_INVERTED)]),
            ("depth white where nothing is drawn", dict(quad, **{"depth.frag": DEPTH}),
             ["--fragment", "depth.frag", "quad.obj"], 1, None,
             [(0, OUTSIDE, (255, 255, 255)), (0, CORNERS[1], (255, 255, 255))]),
            ("a background of one colour behind the model", dict(quad, **{"background.frag": BACKGROUND}),
             ["--fragment", "background.frag", "quad.obj"], 1, "Program validated successfully !\n",
             [(0, INSIDE, MODEL_RGB), (0, OUTSIDE, BLUE), (0, CORNERS[0], BLUE)]),
            ("a feedback buffer counting frames", {"count.frag": FEEDBACK % {b"name": b"buffer", b"define": b"BUFFER"}},
             ["count.frag"], 4, None, [(i, INSIDE, (i + 1,) * 3) for i in range(4)]),
            ("a double buffer counting frames",
             {"count.frag": FEEDBACK % {b"name": b"doubleBuffer", b"define": b"DOUBLE_BUFFER"}}, ["count.frag"], 3,
             None, [(i, CORNERS[3], (i + 1,) * 3) for i in range(3)]),
            ("an equirectangular image seen in known directions", dict(quad, **{"sky.png": ENVIRONMENT}),
             ["--cubemap", "sky.png", "--skybox", "quad.obj"], 1, None,
             [(0, CORNERS[0], RED), (0, CORNERS[1], GREEN), (0, CORNERS[2], BLUE), (0, CORNERS[3], YELLOW)]),
            ("the same image from +z: the right half of it", {"sky.png": ENVIRONMENT},
             ["--cubemap", "sky.png", "--skybox", "--orbit", "90,0", "--no-cut"], 1, None,
             [(0, CORNERS[0], GREEN), (0, CORNERS[2], YELLOW)]),
            ("its average colour through u_SH[0]", {"sky.png": ENVIRONMENT, "average.frag": AVERAGE},
             ["--cubemap", "sky.png", "average.frag"], 1, None, [(0, INSIDE, (128, 128, 64))]),
        )
        for what, files, args, frames, output, pixels in cases:
            printed, images, _ = self.snapshots(files, args, frames)
            if output is not None:
                self.assertEqual(printed, output, what)
            for frame, xy, colour in pixels:
                self.assertTrue(near(images[frame].pixel(*xy), colour), (what, frame, xy, images[frame].pixel(*xy),
                                                                          colour, printed))
        # the scene's depth is below 1 where the model is
        _, (image,), _ = self.snapshots(dict(quad, **{"depth.frag": DEPTH}), ["--fragment", "depth.frag", "quad.obj"])
        self.assertLess(image.pixel(*INSIDE)[0], 255)

    def test_transparent_and_sized_snapshots_go_through_the_passes(self):
        files = {"quad.obj": harness.DIAGNOSTIC_QUAD, "inverted.frag": INVERTED}
        _, _, (path,) = self.snapshots(files, ["--fragment", "inverted.frag", "--transparent", "quad.obj"])
        self.assertEqual(alpha(path, *INSIDE), 255)
        self.assertEqual(alpha(path, *OUTSIDE), 0)
        _, (image,), _ = self.snapshots(files, ["--fragment", "inverted.frag", "--size", "256x128", "quad.obj"])
        self.assertEqual((image.width, image.height), (256, 128))
        self.assertTrue(near(image.pixel(250, 64), CLEAR_INVERTED), image.pixel(250, 64))

    def test_the_window_shows_the_pixels_of_the_snapshot(self):
        files = {"quad.obj": harness.DIAGNOSTIC_QUAD, "background.frag": BACKGROUND, "sky.png": ENVIRONMENT}
        args = ["--fragment", "background.frag", "--no-spin", "quad.obj"]
        _, (snapshot,), _ = self.snapshots(files, args)
        viewer = self.start_with_window(files=files, args=args)
        wait_for(viewer, lambda image: image.differs(snapshot) == 0)
        viewer.key("q")
        self.assertEqual(viewer.wait(20), 0)

    def test_the_playgrounds_buffer_example_runs_unchanged(self):
        # at 1 second: sin 1 = 0.841 of each colour
        printed, (image,), _ = self.snapshots({"buffers.frag": PLAYGROUND_BUFFERS}, ["--at", "1", "buffers.frag"])
        self.assertEqual(printed, "The program uses u_time, u_buffer0, u_buffer1\n"
                                  "The program of [BUFFER_0] uses u_time\nThe program of [BUFFER_1] uses u_time\n"
                                  "Program validated successfully !\n")
        for xy, colour in (((128, 128), (0, 215, 0)), ((384, 128), (215, 0, 0)), ((128, 384), (0, 0, 215)),
                           ((384, 384), (0, 0, 215))):
            self.assertTrue(near(image.pixel(*xy), colour), (xy, image.pixel(*xy)))

    def test_bad_passes_leave_the_frame_drawn(self):
        files = {"sky.png": ENVIRONMENT, "many.frag": BUFFER_READ_BACK.replace(
            b"uniform sampler2D u_buffer0;", b"uniform sampler2D u_buffer0, u_buffer8, u_doubleBuffer9;")}
        printed, (image,), _ = self.snapshots(files, ["--cubemap", "missing.hdr", "many.frag"])
        self.assertEqual(printed, "u_buffer8 is past the 8 buffers of each kind a frame draws: it reads black\n"
                                  "u_doubleBuffer9 is past the 8 buffers of each kind a frame draws: it reads black\n"
                                  "The program uses u_buffer0\n"
                                  "Cube map u_cubeMap reads black: cannot open file [missing.hdr]\n"
                                  "Program validated successfully !\n")
        self.assertTrue(near(image.pixel(*INSIDE), RED))
        # at start-up, a pass that fails leaves the main pass alone: u_buffer0 reads black
        files["broken.frag"] = BUFFER_READ_BACK.replace(b"vec4(1.0, 0.0, 0.0, 1.0);", b"vec4(1.0, 0.0, 0.0, 1.0)")
        printed, (image,), _ = self.snapshots(files, ["broken.frag"])
        self.assertRegex(printed, r"^The program uses u_buffer0\nThere was error during compilation of \[BUFFER_0\] !\n"
                                  r"(?s:.+)\nbroken\.frag:\d+:\d+: error: \[BUFFER_0\] [^\n]+\n"
                                  r"Program validated successfully !\n$")
        self.assertTrue(near(image.pixel(*INSIDE), (0, 0, 0)), image.pixel(*INSIDE))
        files["sky.hdr"] = b"#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 2 +X 4\n"
        printed, _, _ = self.snapshots(files, ["--cubemap", "sky.hdr", "--skybox"])
        self.assertRegex(printed, r"\nCube map u_cubeMap reads black: \[sky\.hdr\] cannot be read: .+\n")

    def test_a_pass_that_fails_keeps_the_last_good_passes(self):
        viewer = self.start_with_window(files={"shader.frag": PLAYGROUND_BUFFERS}, args=["--no-spin", "--at", "1",
                                                                                          "shader.frag"])
        self.assertEqual(viewer.title(), "shader.frag - spinview")
        shown = wait_for(viewer, lambda image: near(image.pixel(128, 128), (0, 215, 0)))
        broken = PLAYGROUND_BUFFERS.replace(b"color.r = abs(sin(u_time));", b"color.r = abs(sin(u_time))")
        viewer.write("shader.frag", broken)
        deadline = time.time() + 120
        while "error: [BUFFER_1]" not in viewer.output():
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.1)
        # told at the shader's own line (33, the first token after the statement left open), naming the pass
        self.assertRegex(viewer.output(), r"There was error during compilation of \[BUFFER_1\] !\n"
                                          r"Compilation error log: \n(?s:.+)\nshader\.frag:33:\d+: error: \[BUFFER_1\] ")
        self.assertNotIn("Reloaded", viewer.output())
        self.assertEqual(viewer.screenshot().differs(shown), 0)
        # resized to the largest size and back, it keeps drawing
        viewer.resize(16384, 16384)
        time.sleep(1.0)
        self.assertTrue(viewer.running(), viewer.output())
        viewer.resize(512, 512)
        viewer.write("shader.frag", PLAYGROUND_BUFFERS.replace(b"color.b = abs", b"color.b = 0.0 * abs"))
        deadline = time.time() + 120
        while "Reloaded [shader.frag]" not in viewer.output():
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.1)
        viewer.key("q")
        self.assertEqual(viewer.wait(30), 0, viewer.output())


if __name__ == "__main__":
    unittest.main()
