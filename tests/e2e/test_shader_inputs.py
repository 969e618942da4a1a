"""Shaders written for the usual shader playgrounds, in the real spinview: the u_ uniforms, the a_
attributes, textures named on the command line and #include, each a picture made with --snapshot;
textures and included files reloaded in a live window."""

import os
import struct
import tempfile
import time
import unittest
import zlib

import harness

# the still quad, through the u_ matrices and the a_ attributes only
STILL_VERTEX = b"""#version 120
uniform mat4 u_viewMatrix;
uniform mat4 u_projectionMatrix;
attribute vec3 a_position;
attribute vec2 a_texcoord;
varying vec2 v_texcoord;
void main()
{
    v_texcoord = a_texcoord;
    gl_ClipVertex = vec4(a_position, 1.0);
    gl_Position = u_projectionMatrix * u_viewMatrix * vec4(a_position, 1.0);
}
"""

TOP_LEFT, TOP_RIGHT, BOTTOM_LEFT, BOTTOM_RIGHT = harness.QUAD_CORNER_PIXELS


def png(width, height, pixel, depth=8, color_type=2):
    """A PNG whose pixel (x, y), y from the top, is pixel(x, y): 8-bit samples, as many as the colour
    type has (0 grey, 4 grey and alpha, 2 RGB, 6 RGBA); at a depth of 16, each sample v as v * 257,
    the same value. No gAMA or sRGB chunk, as most programs write them."""
    def samples(x, y):
        values = pixel(x, y)
        return bytes(values) if depth == 8 else b"".join(struct.pack(">H", v * 257) for v in values)

    rows = b"".join(b"\0" + b"".join(samples(x, y) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def quadrants(top_left, top_right, bottom_left, bottom_right, size=64):
    """A PNG of four solid quadrants, as seen with its top row at the top."""
    half = size // 2
    return png(size, size, lambda x, y: ((top_left, top_right), (bottom_left, bottom_right))[y >= half][x >= half])


RED, GREEN, YELLOW, BLACK = (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 0)
IMAGE = quadrants(RED, GREEN, YELLOW, BLACK)

# red and green from the image, blue its width from NAMEResolution (64 of 255); a texture that
# cannot be read adds black
TEXTURED = b"""#version 120
uniform sampler2D u_tex0;
uniform sampler2D u_tex1;
uniform vec2 u_tex0Resolution;
varying vec2 v_texcoord;
void main()
{
    vec3 sampled = texture2D(u_tex0, v_texcoord).rgb + texture2D(u_tex1, v_texcoord).rgb;
    gl_FragColor = vec4(sampled.rg, u_tex0Resolution.x / 255.0, 1.0);
}
"""

# a sampler of a type the viewer has no texture for: named as GLSL names it
SHADOW = b"""#version 120
uniform sampler2DShadow u_tex0;
varying vec2 v_texcoord;
void main() { gl_FragColor = shadow2D(u_tex0, vec3(v_texcoord, 0.5)); }
"""

# grey of a quarter of u_time's seconds
TIMED = b"""#version 120
uniform float u_time;
void main() { gl_FragColor = vec4(vec3(fract(u_time * 0.25)), 1.0); }
"""

# a function from a nested include, and a uniform of the viewer's declared with another type
INCLUDING = b"""#version 120
#include "lib/colour.glsl"
uniform vec3 u_resolution;
void main() { gl_FragColor = vec4(u_resolution.x > 1e9 ? vec3(1.0) : includedColor(), 1.0); }
"""
INCLUDED = {"shaders/lib/colour.glsl": b'#version 120\n#include "shade.glsl"\nvec3 includedColor() { return vec3(0.0, shade, 1.0); }\n',
            "shaders/lib/shade.glsl": b"const float shade = 0.5;\n"}

# an error on line 3 of the included file
BROKEN = {"shaders/lib/colour.glsl": b"// colours\n\nvec3 includedColor() { return vec3(0.0, 0.5, 1.0) }\n"}


def near(pixel, expected, margin=8):
    return all(abs(p - e) <= margin for p, e in zip(pixel, expected))


class ShaderInputsTest(harness.ViewerCase):
    def snapshot(self, fragment, args=(), files=None):
        """The still quad drawn by STILL_VERTEX and `fragment` into a PNG: the viewer and picture."""
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-snapshot-"), "frame.png")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        files = dict({"torus.obj": harness.DIAGNOSTIC_QUAD, "shaders/still.vert": STILL_VERTEX,
                      "shaders/shown.frag": fragment}, **(files or {}))
        viewer = self.start(files=files, args=["--vertex", "shaders/still.vert", "--fragment", "shaders/shown.frag",
                                               "--snapshot", path] + list(args))
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        return viewer, harness.read_png(path)

    def test_pictures_of_the_inputs(self):
        jpeg = os.path.join(tempfile.mkdtemp(prefix="spinview-jpeg-"), "image.jpg")
        source = jpeg[:-4] + ".png"
        with open(source, "wb") as f:
            f.write(IMAGE)
        harness.subprocess.run([harness.CONVERT, source, "-quality", "95", jpeg], check=True)
        with open(jpeg, "rb") as f:
            jpeg_bytes = f.read()
        uses = "The program uses u_viewMatrix, u_projectionMatrix, a_position, a_texcoord"
        untextured = "The program uses %su_viewMatrix, u_projectionMatrix, a_position\n"  # v_texcoord unread
        cases = (
            # what, fragment shader, arguments, files, output, (pixel, colour)...
            ("a PNG texture, its origin at the bottom left, and one that cannot be read", TEXTURED,
             ["--texture", "u_tex0=image.png", "--texture", "u_tex1=missing.png"], {"image.png": IMAGE},
             "%s, u_tex0, u_tex0Resolution, u_tex1\nTexture u_tex1 reads black: cannot open file [missing.png]\n"
             % uses,
             ((TOP_LEFT, (255, 0, 64)), (TOP_RIGHT, (0, 255, 64)), (BOTTOM_LEFT, (255, 255, 64)),
              (BOTTOM_RIGHT, (0, 0, 64)))),
            ("a JPEG texture", TEXTURED, ["--texture", "u_tex0=image.jpg"], {"image.jpg": jpeg_bytes},
             "%s, u_tex0, u_tex0Resolution\n" % uses,
             ((TOP_LEFT, (255, 0, 64)), (TOP_RIGHT, (0, 255, 64)), (BOTTOM_LEFT, (255, 255, 64)),
              (BOTTOM_RIGHT, (0, 0, 64)))),
            ("a sampler of another type", SHADOW, ["--texture", "u_tex0=image.png"], {"image.png": IMAGE},
             "u_tex0 is declared sampler2DShadow, not sampler2D: the viewer leaves it alone\n%s\n" % uses, ()),
            ("u_time at 0", TIMED, ["--at", "0"], {}, untextured % "u_time, ", ((TOP_LEFT, BLACK),)),
            ("u_time at 1", TIMED, ["--at", "1"], {}, untextured % "u_time, ", ((TOP_LEFT, (64, 64, 64)),)),
            ("an included function, an include nested in it", INCLUDING, [], INCLUDED,
             "u_resolution is declared vec3, not vec2: the viewer leaves it alone\n" + untextured % "",
             ((TOP_LEFT, (0, 128, 255)), (BOTTOM_RIGHT, (0, 128, 255)))),
            ("an error in an included file", INCLUDING, [], BROKEN, None, ()),
        )
        pictures = {}
        for what, fragment, args, files, output, pixels in cases:
            viewer, image = self.snapshot(fragment, args, files)
            printed = viewer.output()
            if output is not None:
                self.assertEqual(printed, output + "Program validated successfully !\n", what)
            for xy, color in pixels:
                self.assertTrue(near(image.pixel(*xy), color, 12), (what, xy, image.pixel(*xy), color))
            pictures[what] = (image, printed)
        # the same moment gives the same picture
        _, again = self.snapshot(TIMED, ["--at", "1"])
        self.assertEqual(again.differs(pictures["u_time at 1"][0]), 0)
        # the error is told at the included file's line, after the driver's log
        self.assertRegex(pictures["an error in an included file"][1],
                         r"^There was error during compilation !\nCompilation error log: \n.+\n\n\n"
                         r"shaders/lib/colour\.glsl:3:\d+: error: [^\n]+\nGL_INVALID_VALUE\n")

    def test_sixteen_bit_textures_draw_as_eight_bit_ones(self):
        # each quadrant's colour on the left of it, its alpha on the right
        shown = b"""#version 120
uniform sampler2D u_tex0;
varying vec2 v_texcoord;
void main()
{
    vec4 t = texture2D(u_tex0, v_texcoord);
    gl_FragColor = vec4(fract(v_texcoord.x * 2.0) < 0.5 ? t.rgb : vec3(t.a), 1.0);
}
"""
        colors = (((128, 128, 128, 255), (255, 0, 0, 128)), ((0, 64, 192, 32), (200, 100, 50, 0)))
        channels = {0: (0,), 4: (0, 3), 2: (0, 1, 2), 6: (0, 1, 2, 3)}
        for color_type, kept in channels.items():
            pictures = []
            for depth in (8, 16):
                image = png(64, 64, lambda x, y: [colors[y >= 32][x >= 32][c] for c in kept], depth, color_type)
                _, picture = self.snapshot(shown, ["--texture", "u_tex0=image.png"], {"image.png": image})
                pictures.append(picture)
            self.assertEqual(pictures[1].differs(pictures[0]), 0, color_type)
            # mid-grey stays mid-grey, as 8 bits give it
            left = pictures[0].pixel(TOP_LEFT[0] + 8, TOP_LEFT[1] + 8)
            self.assertTrue(near(left, (128, 128, 128), 4), left)

    def test_textures_and_included_files_are_reloaded(self):
        files = {"torus.obj": harness.DIAGNOSTIC_QUAD, "VertexProgram.glsl": STILL_VERTEX, "image.png": IMAGE,
                 "FragmentProgram.glsl": TEXTURED.replace(b"uniform vec2 u_tex0Resolution;", b'#include "size.glsl"'),
                 "size.glsl": b"uniform vec2 u_tex0Resolution;\n"}
        viewer = self.start_with_window(files=files, args=["--texture", "u_tex0=image.png"])
        viewer.wait_for_frame()
        self.wait_for_color(viewer, TOP_LEFT, (255, 0, 64))
        viewer.write("image.png", quadrants(GREEN, GREEN, GREEN, GREEN, 32))
        self.wait_for_color(viewer, TOP_LEFT, (0, 255, 32))
        viewer.write("size.glsl", b"const vec2 u_tex0Resolution = vec2(255.0);\n")
        self.wait_for_color(viewer, TOP_LEFT, (0, 255, 255))
        # a broken include leaves the last program drawing, with its texture
        viewer.write("size.glsl", b"const vec2 u_tex0Resolution = vec2(255.0);\nfloat broken = ;\n")
        deadline = time.time() + 120
        while "size.glsl:2:" not in viewer.output():
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.1)
        self.wait_for_color(viewer, TOP_LEFT, (0, 255, 255))
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        self.assertRegex(viewer.output(), r"Reloaded \[image\.png\]\n(?s:.*)Reloaded \[size\.glsl\]\n")

    def wait_for_color(self, viewer, xy, expected, timeout=120):
        deadline = time.time() + timeout
        while True:
            pixel = viewer.screenshot().pixel(*xy)
            if near(pixel, expected):
                return
            self.assertLess(time.time(), deadline, "%s at %s, not %s\n%s" % (pixel, xy, expected, viewer.output()))
            time.sleep(0.1)


if __name__ == "__main__":
    unittest.main()
