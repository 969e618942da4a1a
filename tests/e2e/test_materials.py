"""Materials, their maps and vertex colors in the real spinview: known colors at known pixels,
the problems of material files told as everywhere else, and material files reloaded."""

import os
import subprocess
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"

# draws u_diffuseColor x the map x the vertex colour, flat, on the still quad
FLAT_VERTEX = b"""#version 120
uniform vec4 VPMatrix[4];
varying vec2 uv;
varying vec3 color;
void main()
{
    uv = gl_MultiTexCoord0.xy;
    color = gl_Color.rgb;
    gl_ClipVertex = gl_Vertex;
    gl_Position = VPMatrix[0] * gl_Vertex.x + VPMatrix[1] * gl_Vertex.y + VPMatrix[2] * gl_Vertex.z + VPMatrix[3];
}
"""
FLAT_FRAGMENT = b"""#version 120
uniform vec3 u_diffuseColor;
uniform sampler2D u_diffuseMap;
varying vec2 uv;
varying vec3 color;
void main() { gl_FragColor = vec4(u_diffuseColor * color * texture2D(u_diffuseMap, uv).rgb, 1.0); }
"""

# the still quad: its lower-left triangle green, its upper-right one mapped with the image, whose
# quarters are red (top left), lime (top right), blue and white
QUAD = harness.DIAGNOSTIC_QUAD.replace(b"f 1/1/1 3/3/3 4/4/4\nf 1/1/1 4/4/4 2/2/2\n",
                                       b"mtllib quad.mtl\nusemtl green\nf 1/1/1 3/3/3 4/4/4\n"
                                       b"usemtl mapped\nf 1/1/1 4/4/4 2/2/2\n")
MTL = b"newmtl green\nKd 0 1 0\nnewmtl mapped\nKd 1 1 1\nmap_Kd quarters.png\n"
GREEN_AT, RED_AT, LIME_AT = (66, 446), (100, 70), (223, 66)
# a triangle of coloured corners over the quad's left half
COLOURED = (b"v 0 16 16 1 0 0\nv 0 -16 16 0 1 0\nv 0 -16 2 0 0 1\nvn 1 0 0\nf 1//1 2//1 3//1\n")


def quarters_png(path):
    subprocess.run([harness.CONVERT, "(", "-size", "32x32", "xc:red", "xc:lime", "+append", ")",
                    "(", "-size", "32x32", "xc:blue", "xc:white", "+append", ")", "-append", path], check=True)


def near(pixel, color):
    return all(abs(p - c) <= 24 for p, c in zip(pixel, color))


class MaterialTest(harness.ViewerCase):
    def folder(self, files, picture=True):
        def prepare(directory):
            if picture:
                quarters_png(os.path.join(directory, "quarters.png"))
        shaders = {"VertexProgram.glsl": FLAT_VERTEX, "FragmentProgram.glsl": FLAT_FRAGMENT}
        return dict(shaders, **files), prepare

    def snapshot(self, files, args=(), prepare=None):
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-materials-"), "frame.png")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        viewer = self.start(files=files, prepare=prepare, args=["--snapshot", path] + list(args))
        self.assertEqual(viewer.wait(120), 0, viewer.output() + viewer.errors())
        return viewer, harness.read_png(path)

    def test_materials_maps_and_colors_reach_the_picture(self):
        files, prepare = self.folder({"torus.obj": QUAD, "quad.mtl": MTL})
        viewer, image = self.snapshot(files, prepare=prepare)
        self.assertEqual(viewer.output(), VALIDATED)
        for at, color in ((GREEN_AT, (0, 255, 0)), (RED_AT, (255, 0, 0)), (LIME_AT, (0, 255, 0))):
            self.assertTrue(near(image.pixel(*at), color), (at, image.pixel(*at)))
        # the vertex colours, times the default material's grey (0.8): each corner its own
        viewer, image = self.snapshot(dict(files, **{"torus.obj": COLOURED}))
        for at, color in (((61, 80), (204, 0, 0)), ((64, 446), (0, 204, 0)), ((224, 446), (0, 0, 204))):
            self.assertTrue(near(image.pixel(*at), color), (at, image.pixel(*at)))
        # the shipped shaders light them, and the green face stays green
        files = {"torus.obj": QUAD, "quad.mtl": MTL}
        viewer, image = self.snapshot(files, ["--no-spin"], prepare)
        red, green, blue = image.pixel(*GREEN_AT)
        self.assertTrue(green > 100 and red < green / 2 and blue < green / 2, (red, green, blue))

    def test_problems_of_material_files_are_told_and_the_model_still_drawn(self):
        cases = (  # the quad's material library, the files beside it, the lines told
            (MTL, {"quarters.png": None}, "Material [mapped] is drawn without its map: cannot open file [quarters.png]\n"),
            (MTL, {"quarters.png": b"not a picture"},
             "Material [mapped] is drawn without its map: [quarters.png] is neither a PNG nor a JPEG file\n"),
            (None, {}, "Cannot open material library [quad.mtl] of [torus.obj]\n"
                       "No material library defines any of the 2 materials of [torus.obj] ([green], [mapped]): "
                       "drew it without materials\n"),
            (b"newmtl green\nKd 0 1 0\n", {}, "Drew material [mapped] of [torus.obj], which no material library "
                                              "defines, with the default material\n"),
            (b"newmtl green\nKd 0 1 0\nTr 1\nfoo 1\nfoo 2\nnewmtl mapped\nKa\n", {},
             "Read 1 Tr statement [Tr] of full transparency as opaque in [quad.mtl], first at line 3: exporters "
             "disagree on its sense\nIgnored 2 statements [foo] in [quad.mtl], first at line 4\n"
             "Ignored 1 statement [Ka] without its numbers in [quad.mtl], first at line 7\n"),
        )
        for mtl, extra, told in cases:
            files, prepare = self.folder(dict({"torus.obj": QUAD, "quad.mtl": mtl}, **extra),
                                         picture="quarters.png" not in extra)
            viewer, image = self.snapshot(files, prepare=prepare)
            self.assertEqual(viewer.output(), told + VALIDATED)
            self.assertFalse(image.is_clear(*GREEN_AT))
        # a model none of whose materials is defined draws as the same model without them, as it says
        for shaders in ({}, {"VertexProgram.glsl": None, "FragmentProgram.glsl": None}):
            pictures = []
            for model in (QUAD, QUAD.replace(b"mtllib quad.mtl\n", b"").replace(b"usemtl green\n", b"")
                          .replace(b"usemtl mapped\n", b"")):
                files, prepare = self.folder(dict({"torus.obj": model}, **shaders), picture=False)
                files = {name: text for name, text in files.items() if text is not None}
                pictures.append(self.snapshot(files, prepare=prepare)[1])
            self.assertFalse(pictures[0].differs(pictures[1]), shaders)
        # vertex colours with materials no library defines: drawn in the colours alone
        colored = COLOURED.replace(b"f 1//1", b"usemtl a\nf 1//1") + b"usemtl b\nf 3//1 2//1 1//1\n"
        viewer, image = self.snapshot(self.folder({"torus.obj": colored}, picture=False)[0])
        self.assertTrue(viewer.output().endswith(VALIDATED), viewer.output())
        self.assertTrue(near(image.pixel(64, 446), (0, 204, 0)), image.pixel(64, 446))
        # a snapshot is never written over a file the model read
        files, prepare = self.folder({"torus.obj": QUAD, "quad.mtl": MTL})
        viewer = self.start(files=files, prepare=prepare, args=["--snapshot", "quarters.png"])
        self.assertEqual(viewer.wait(60), 2)
        self.assertIn("would overwrite [quarters.png]", viewer.errors())

    def test_a_changed_material_file_is_read_again(self):
        files, prepare = self.folder({"torus.obj": QUAD, "quad.mtl": MTL})
        viewer = self.start_with_window(files=files, prepare=prepare)
        self.assertTrue(near(viewer.wait_for_frame().pixel(*GREEN_AT), (0, 255, 0)))
        viewer.write("quad.mtl", MTL.replace(b"Kd 0 1 0", b"Kd 0 0 1"))
        deadline = time.time() + 120
        while not near(viewer.screenshot().pixel(*GREEN_AT), (0, 0, 255)):
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.2)
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [torus.obj]\n")


if __name__ == "__main__":
    unittest.main()
