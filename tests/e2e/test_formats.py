"""Models of every format the viewer reads, through the real spinview and --snapshot: one model
written in several formats gives one picture; the test models of the general importer's formats
and the glTF ones, textures and all, are drawn; bad glTF files are told; a glTF model's .bin is
watched with it."""

import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
MODELS = "/usr/share/assimp/models"

# the normal and the texture coordinate as colours: a picture that tells positions, normals and
# texture coordinates apart, whatever the materials
SURFACE_VERTEX = b"""#version 120
uniform vec4 VPMatrix[4];
uniform vec4 WMatrix[4];
varying vec3 normal;
varying vec2 uv;
vec4 byColumns(vec4 c[4], vec4 p) { return c[0] * p.x + c[1] * p.y + c[2] * p.z + c[3] * p.w; }
void main()
{
    vec4 world = byColumns(WMatrix, gl_Vertex);
    normal = byColumns(WMatrix, vec4(gl_MultiTexCoord1.xyz, 0.0)).xyz;
    uv = gl_MultiTexCoord0.xy;
    gl_ClipVertex = world;
    gl_Position = byColumns(VPMatrix, world);
}
"""
SURFACE_FRAGMENT = b"""#version 120
varying vec3 normal;
varying vec2 uv;
void main() { gl_FragColor = vec4(0.5 + 0.4 * normalize(normal).xy, 0.25 + 0.5 * fract(uv.x * 3.0), 1.0); }
"""


def exported(source, folder, assimp_format, extension):
    """The model exported by assimp's command-line tool, or None when it cannot be."""
    path = os.path.join(folder, "torus." + extension)
    run = subprocess.run(["assimp", "export", source, path, "-f" + assimp_format], stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    return path if run.returncode == 0 and os.path.exists(path) else None


def embedded_gltf(gltf_path, out_path):
    """The .gltf with its .bin put in as a data: URI."""
    import base64
    with open(gltf_path) as f:
        document = json.load(f)
    for buffer in document["buffers"]:
        with open(os.path.join(os.path.dirname(gltf_path), buffer["uri"]), "rb") as f:
            buffer["uri"] = "data:application/octet-stream;base64," + base64.b64encode(f.read()).decode()
    with open(out_path, "w") as f:
        json.dump(document, f)
    return out_path


class FormatsTest(harness.ViewerCase):
    def snapshot(self, model, args=(), shaders=True, files=None):
        """The model drawn into a PNG by the viewer: its output and picture."""
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-formats-"), "frame.png")
        self.addCleanup(lambda: shutil.rmtree(os.path.dirname(path), ignore_errors=True))
        files = dict(files or {})
        if shaders:
            files.update({"VertexProgram.glsl": SURFACE_VERTEX, "FragmentProgram.glsl": SURFACE_FRAGMENT})
        viewer = self.start(files=files, args=["--fit", "--no-cut", "--at", "1", "--size", "160x160", "--snapshot",
                                               path] + list(args) + [model])
        self.assertEqual(viewer.wait(120), 0, model + viewer.output() + viewer.errors())
        return viewer.output(), harness.read_png(path)

    def test_one_model_in_every_format_gives_one_picture(self):
        if not shutil.which("assimp"):
            self.skipTest("assimp's command-line tool (assimp-utils) is not installed")
        folder = tempfile.mkdtemp(prefix="spinview-formats-")
        self.addCleanup(lambda: shutil.rmtree(folder, ignore_errors=True))
        source = os.path.join(harness.DATA_DIR, "torus.obj")
        output, reference = self.snapshot(source)
        self.assertEqual(output, VALIDATED)
        self.assertGreater(reference.count_not_clear(0, 0, 160, 160), 3000)
        gltf = exported(source, folder, "gltf2", "gltf")
        models = [gltf, embedded_gltf(gltf, os.path.join(folder, "embedded.gltf")) if gltf else None,
                  exported(source, folder, "glb2", "glb"),
                  # through the general importer (assimp's DirectX and 3DS exporters turn the model
                  # into their own axes, so that it reads back otherwise: those are drawn below)
                  exported(source, folder, "collada", "dae")]
        for model in models:
            self.assertIsNotNone(model)
            output, picture = self.snapshot(model)
            self.assertEqual(output, VALIDATED, model)
            # the same picture but for rounding at the edges (a few dozen of 25,600 pixels)
            self.assertLess(picture.differs(reference), 300, model)

    def test_test_models_of_every_format_are_drawn_with_their_textures(self):
        if not os.path.isdir(MODELS):
            self.skipTest("assimp-testmodels is not installed")
        box = os.path.join(MODELS, "glTF2", "BoxTextured-glTF%s", "BoxTextured.%s")
        boxes = [box % ("", "gltf"), box % ("-Binary", "glb"), box % ("-Embedded", "gltf")]
        pictures = []
        for model in boxes:
            output, picture = self.snapshot(model, ["--orbit", "30,20"], shaders=False)
            self.assertEqual(output, VALIDATED, model)
            pictures.append(picture)
        # the texture's blue and green show, the same in the three forms of the model
        colors = {picture_pixel for picture_pixel in (pictures[0].pixel(x, y) for x in range(0, 160, 4)
                                                      for y in range(0, 160, 4))}
        self.assertTrue(any(b > r + 60 and b > g + 20 for r, g, b in colors), colors)
        self.assertTrue(any(g > r + 20 and g > b + 40 for r, g, b in colors), colors)
        for picture in pictures[1:]:
            self.assertEqual(picture.differs(pictures[0]), 0)
        # the general importer's formats
        for model in ("Collada/duck.dae", "3DS/test1.3ds", "FBX/box.fbx", "X/test.x", "LWO/LWO2/boxuv.lwo",
                      "OFF/Cube.off", "glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb"):
            path = os.path.join(MODELS, model)
            if not os.path.exists(path):
                continue
            output, picture = self.snapshot(path, ["--orbit", "30,20"], shaders=False)
            # the duck's map is a TGA image, which is told
            told = output.splitlines()[:-1]
            self.assertTrue(output.endswith(VALIDATED) and all(" is drawn without its map: " in line for line in told),
                            (model, output))
            self.assertGreater(picture.count_not_clear(0, 0, 160, 160, 2), 400, model)

    def test_bad_gltf_files_are_told_with_what_can_be_drawn(self):
        cube = os.path.join(MODELS, "glTF2", "BoxTextured-glTF-Binary", "BoxTextured.glb")
        with open(cube, "rb") as f:
            glb = f.read() if os.path.exists(cube) else None
        cases = [
            ("malformed.gltf", b'{"asset": {"version": "2.0"}, "meshes": [', None,
             "Cannot read [malformed.gltf] as glTF: parse error at line 1, column 42: syntax error while parsing "
             "value - unexpected end of input; expected '[', '{', or a literal\n"),
            ("missing.gltf", b'{"asset": {"version": "2.0"}, "buffers": [{"uri": "gone.bin", "byteLength": 8}]}', None,
             "Cannot read buffer [gone.bin] of [missing.gltf]: what it holds is not drawn\n"),
        ]
        if glb:
            cases.append(("cube.obj", glb, 3000, "[cube.obj] is glTF by its content, whatever its name says: read as such\n"))
        for name, content, drawn, told in cases:
            output, picture = self.snapshot(name, shaders=False, files={name: content})
            self.assertEqual(output, told + VALIDATED, name)
            if drawn:
                self.assertGreater(picture.count_not_clear(0, 0, 160, 160), drawn, name)

    def test_gltf_material_inputs_reach_the_shader(self):
        # a square over the whole view, its material's factors and maps as colours
        positions = struct.pack("<12f", -0.9, -0.9, 0, 0.9, -0.9, 0, 0.9, 0.9, 0, -0.9, 0.9, 0)
        uvs = struct.pack("<8f", 0, 0, 1, 0, 1, 1, 0, 1)
        indices = struct.pack("<6H", 0, 1, 2, 0, 2, 3)
        data = positions + uvs + indices
        red = os.path.join(tempfile.mkdtemp(prefix="spinview-formats-"), "red.png")
        self.addCleanup(lambda: shutil.rmtree(os.path.dirname(red), ignore_errors=True))
        subprocess.run([harness.CONVERT, "-size", "2x2", "xc:red", red], check=True)
        with open(red, "rb") as f:
            png = f.read()
        import base64
        document = {
            "asset": {"version": "2.0"},
            "buffers": [{"byteLength": len(data),
                         "uri": "data:application/octet-stream;base64," + base64.b64encode(data).decode()}],
            "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48},
                            {"buffer": 0, "byteOffset": 48, "byteLength": 32},
                            {"buffer": 0, "byteOffset": 80, "byteLength": 12}],
            "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
                           "min": [-0.9, -0.9, 0], "max": [0.9, 0.9, 0]},
                          {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
                          {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"}],
            "images": [{"uri": "data:image/png;base64," + base64.b64encode(png).decode()}],
            "textures": [{"source": 0}],
            "materials": [{"pbrMetallicRoughness": {"metallicFactor": 0.25, "roughnessFactor": 0.75},
                           "emissiveFactor": [0, 0.5, 1], "alphaMode": "MASK", "alphaCutoff": 0.4,
                           "normalTexture": {"index": 0}}],
            "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 0}]}],
            "nodes": [{"mesh": 0}], "scenes": [{"nodes": [0]}]}
        vertex = (b"#version 120\nvarying vec2 uv;\n"
                  b"void main() { uv = gl_MultiTexCoord0.xy; gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0); }\n")
        factors = (b"#version 120\nuniform float u_metallic, u_roughness, u_alphaCutoff;\n"
                   b"void main() { gl_FragColor = vec4(u_metallic, u_roughness, u_alphaCutoff, 1.0); }\n")
        maps = (b"#version 120\nuniform vec3 u_emissiveColor;\nuniform sampler2D u_normalMap, u_occlusionMap;\n"
                b"varying vec2 uv;\nvoid main() { gl_FragColor = vec4(u_emissiveColor.g, texture2D(u_normalMap, uv).g,"
                b" texture2D(u_occlusionMap, uv).r, 1.0); }\n")
        for fragment, expected in ((factors, (64, 191, 102)), (maps, (128, 0, 255))):
            files = {"square.gltf": json.dumps(document).encode(), "VertexProgram.glsl": vertex,
                     "FragmentProgram.glsl": fragment}
            output, picture = self.snapshot("square.gltf", shaders=False, files=files)
            self.assertEqual(output, VALIDATED)
            self.assertTrue(all(abs(p - e) <= 2 for p, e in zip(picture.pixel(80, 80), expected)),
                            (picture.pixel(80, 80), expected))

    def test_a_changed_bin_file_is_read_again(self):
        source = os.path.join(MODELS, "glTF2", "BoxTextured-glTF")
        if not os.path.isdir(source):
            self.skipTest("assimp-testmodels is not installed")
        files = {}
        for name in os.listdir(source):
            with open(os.path.join(source, name), "rb") as f:
                files[name] = f.read()
        document = json.loads(files["BoxTextured.gltf"])
        positions = document["accessors"][document["meshes"][0]["primitives"][0]["attributes"]["POSITION"]]
        view = document["bufferViews"][positions["bufferView"]]
        start = view.get("byteOffset", 0) + positions.get("byteOffset", 0)
        stride = view.get("byteStride", 12)
        # the box made flat along x: with the fit, it shows as a narrow slab
        changed = bytearray(files["BoxTextured0.bin"])
        for i in range(positions["count"]):
            at = start + i * stride
            x, = struct.unpack_from("<f", changed, at)
            struct.pack_into("<f", changed, at, x * 0.1)
        viewer = self.start_with_window(files=files, args=["--fit", "--no-cut", "--no-spin", "--orbit", "30,20",
                                                           "BoxTextured.gltf"])
        before = viewer.wait_for_frame()
        viewer.write("BoxTextured0.bin", bytes(changed))
        deadline = time.time() + 120
        while viewer.screenshot().differs(before) < 20000:
            self.assertLess(time.time(), deadline, viewer.output())
            time.sleep(0.2)
        viewer.key("q")
        self.assertEqual(viewer.wait(60), 0)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [BoxTextured.gltf]\n")


if __name__ == "__main__":
    unittest.main()
