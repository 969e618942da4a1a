"""The physically based look in the real spinview: pictures with known answers, drawn offscreen
by --snapshot in a working directory without shaders, and what it does with bad input."""

import base64
import json
import math
import os
import struct
import subprocess
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
SPHERE = harness.sphere_obj()
CENTRE, UP, DOWN = (256, 256), (256, 150), (256, 362)


def srgb(c):
    """The sRGB encoding of a linear value, as the look writes its output, in 8 bits."""
    c = max(0.0, min(1.0, c))
    return round(255 * (12.92 * c if c <= 0.0031308 else 1.055 * c ** (1 / 2.4) - 0.055))


def pbr_neutral(color):
    """Khronos PBR Neutral tone mapping of a linear colour: the reference the look follows."""
    start, desaturation = 0.8 - 0.04, 0.15
    x = min(color)
    offset = x - 6.25 * x * x if x < 0.08 else 0.04
    color = [c - offset for c in color]
    peak = max(color)
    if peak < start:
        return color
    d = 1.0 - start
    new_peak = 1.0 - d * d / (peak + d - start)
    color = [c * new_peak / peak for c in color]
    g = 1.0 - 1.0 / (desaturation * (peak - new_peak) + 1.0)
    return [c * (1 - g) + new_peak * g for c in color]


def png(width, height, rows):
    """An 8-bit RGB PNG of `rows`, each a list of (r, g, b), through ImageMagick."""
    ppm = b"P6 %d %d 255\n" % (width, height) + bytes(v for row in rows for pixel in row for v in pixel)
    return subprocess.run([harness.CONVERT, "ppm:-", "png:-"], input=ppm, stdout=subprocess.PIPE, check=True).stdout


def two_colours(top, bottom, width=64, height=32):
    """An equirectangular image whose upper half (the sky) is `top` and lower half `bottom`."""
    return png(width, height, [[top if y < height // 2 else bottom] * width for y in range(height)])


def gltf_sphere(metallic, roughness, color, rings=48, segments=96):
    """A glTF sphere of radius 15 about the origin, of one material, its buffer in a data: URI."""
    positions, normals, indices = [], [], []
    for i in range(rings + 1):
        theta = math.pi * i / rings
        for j in range(segments + 1):
            phi = 2 * math.pi * j / segments
            n = (math.sin(theta) * math.cos(phi), math.cos(theta), math.sin(theta) * math.sin(phi))
            positions += [15 * c for c in n]
            normals += n
    for i in range(rings):
        for j in range(segments):
            a = i * (segments + 1) + j
            b = a + segments + 1
            indices += [a, a + 1, b, a + 1, b + 1, b]
    p = struct.pack("<%df" % len(positions), *positions)
    n = struct.pack("<%df" % len(normals), *normals)
    ix = struct.pack("<%dI" % len(indices), *indices)
    data = p + n + ix
    views = [(0, len(p)), (len(p), len(n)), (len(p) + len(n), len(ix))]
    document = {
        "asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorFactor": list(color) + [1.0], "metallicFactor": metallic,
                                                "roughnessFactor": roughness}}],
        "buffers": [{"byteLength": len(data),
                     "uri": "data:application/octet-stream;base64," + base64.b64encode(data).decode()}],
        "bufferViews": [{"buffer": 0, "byteOffset": o, "byteLength": l} for o, l in views],
        "accessors": [
            {"bufferView": 0, "componentType": 5126, "count": len(positions) // 3, "type": "VEC3",
             "min": [-15, -15, -15], "max": [15, 15, 15]},
            {"bufferView": 1, "componentType": 5126, "count": len(normals) // 3, "type": "VEC3"},
            {"bufferView": 2, "componentType": 5125, "count": len(indices), "type": "SCALAR"}]}
    return json.dumps(document).encode()


def obj_with(mtl, model=SPHERE, material="m"):
    """The model's OBJ text drawn in material `material` of m.mtl, and that library."""
    return {"model.obj": b"mtllib m.mtl\nusemtl %s\n" % material.encode() + model, "m.mtl": mtl}


# a still quad, unlit but for what it gives off: black, no specular light
GLOW_QUAD = harness.DIAGNOSTIC_QUAD
BLACK = two_colours((0, 0, 0), (0, 0, 0))


def red_dominant(pixel):
    return pixel[0] > 150 and pixel[1] < 80 and pixel[2] < 80


def blue_dominant(pixel):
    return pixel[2] > 150 and pixel[0] < 80 and pixel[1] < 80


class LookTest(harness.ViewerCase):
    def snapshot(self, files, args, env=None):
        """Draws the snapshot in a working directory with the files and no shaders; returns the
        viewer's output and the picture."""
        path = os.path.join(tempfile.mkdtemp(prefix="spinview-look-"), "frame.png")
        self.addCleanup(lambda: os.path.exists(path) and os.remove(path))
        viewer = self.start(omit=harness.DATA_FILES, files=files, args=["--snapshot", path] + list(args), env=env)
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        return viewer.output(), harness.read_png(path)

    def test_pictures_of_known_answers(self):
        emissive = (0.3, 0.2, 0.6)
        cases = [
            # (name, files, options, {pixel: test})
            ("red dielectric sphere", obj_with(b"newmtl m\nKd 0.8 0.02 0.02\nKs 0.5 0.5 0.5\nNs 30\n"),
             ["--fit", "--no-cut", "model.obj"], {CENTRE: red_dominant}),
            ("mirror sphere, red sky over blue ground",
             {"model.gltf": gltf_sphere(1.0, 0.0, (1, 1, 1)), "sky.png": two_colours((255, 0, 0), (0, 0, 255))},
             ["--fit", "--no-cut", "--cubemap", "sky.png", "model.gltf"], {UP: red_dominant, DOWN: blue_dominant}),
            # the same ground seen through a rough metal: neither colour alone anywhere in between
            ("rough metal sphere, red sky over blue ground",
             {"model.gltf": gltf_sphere(1.0, 1.0, (1, 1, 1)), "sky.png": two_colours((255, 0, 0), (0, 0, 255))},
             ["--fit", "--no-cut", "--cubemap", "sky.png", "model.gltf"],
             {CENTRE: lambda p: p[0] > 40 and p[2] > 40}),
            ("green glow in the dark", dict(obj_with(b"newmtl m\nKd 0 0 0\nKe 0 0.4 0\n", GLOW_QUAD), dark=BLACK),
             ["--cubemap", "dark", "model.obj"],
             {corner: (lambda p: all(abs(a - b) <= 2 for a, b in zip(p, (0, srgb(0.4), 0))))
              for corner in harness.QUAD_CORNER_PIXELS}),
            ("violet glow in the dark", dict(obj_with(b"newmtl m\nKd 0 0 0\nKe %g %g %g\n" % emissive, GLOW_QUAD),
                                             dark=BLACK),
             ["--cubemap", "dark", "model.obj"],
             {corner: (lambda p: all(abs(a - srgb(b)) <= 2 for a, b in zip(p, pbr_neutral(emissive))))
              for corner in harness.QUAD_CORNER_PIXELS}),
        ]
        for name, files, options, tests in cases:
            with self.subTest(name):
                output, image = self.snapshot(files, options)
                self.assertEqual(output, VALIDATED)
                for pixel, test in tests.items():
                    self.assertTrue(test(image.pixel(*pixel)), (name, pixel, image.pixel(*pixel)))

    def test_maps_and_their_absence_draw_as_the_factors_do(self):
        # the program reads only the maps some material has, and no material input for a model
        # without materials: each pair draws the same picture, one through a map of one colour
        # (its 8 bits the factor's sRGB encoding) or the defaults, the other through the factors;
        # a normal map of 8 bits is flat but for a tilt of 1/255 (a highlight moves a little), and
        # a tilted one turns the light away
        def plain(colour):
            return png(4, 4, [[tuple(srgb(c) for c in colour)] * 4] * 4)

        def worst(a, b):
            return max(abs(x - y) for x, y in zip(a.pixels, b.pixels))

        red = b"Kd 0.8 0.02 0.02\nKs 0.5 0.5 0.5\nNs 30\n"
        sphere = ["--fit", "--no-cut", "model.obj"]
        glow = ["--cubemap", "dark", "model.obj"]
        cases = [
            # (name, files drawn through the maps or defaults, files of the factors, options, test)
            ("base colour map", dict(obj_with(b"newmtl m\nKd 1 1 1\nmap_Kd red.png\nKs 0.5 0.5 0.5\nNs 30\n"),
                                     **{"red.png": plain((0.8, 0.02, 0.02))}),
             obj_with(b"newmtl m\n" + red), sphere, lambda a, b: worst(a, b) <= 3),
            ("flat normal map", dict(obj_with(b"newmtl m\nnorm up.png\n" + red),
                                     **{"up.png": png(4, 4, [[(128, 128, 255)] * 4] * 4)}),
             obj_with(b"newmtl m\n" + red), sphere, lambda a, b: worst(a, b) <= 10 and a.differs(b) < 50),
            ("tilted normal map", dict(obj_with(b"newmtl m\nnorm side.png\n" + red),
                                       **{"side.png": png(4, 4, [[(218, 128, 218)] * 4] * 4)}),
             obj_with(b"newmtl m\n" + red), sphere, lambda a, b: a.differs(b) > 5000),
            ("emission map", dict(obj_with(b"newmtl m\nKd 0 0 0\nKe 1 1 1\nmap_Ke green.png\n", GLOW_QUAD),
                                  dark=BLACK, **{"green.png": plain((0.0, 0.4, 0.0))}),
             dict(obj_with(b"newmtl m\nKd 0 0 0\nKe 0 0.4 0\n", GLOW_QUAD), dark=BLACK), glow,
             lambda a, b: worst(a, b) <= 3),
            # light grey, roughness 0.5 (Ns 6), reflectance 0.04 (Ks 0.5)
            ("no materials", {"model.obj": SPHERE}, obj_with(b"newmtl m\nKd 0.8 0.8 0.8\nKs 0.5 0.5 0.5\nNs 6\n"),
             sphere, lambda a, b: worst(a, b) <= 3),
        ]
        for name, mapped, factors, options, test in cases:
            with self.subTest(name):
                output, image = self.snapshot(mapped, options)
                self.assertEqual(output, VALIDATED)
                _, expected = self.snapshot(factors, options)
                self.assertTrue(test(image, expected), (name, worst(image, expected), image.differs(expected)))
                self.assertGreater(image.count_not_clear(0, 0, 512, 512, 4), 1000, name)

    def test_a_reloaded_model_draws_in_its_own_materials(self):
        # the program is built again, without a word, for a model that reloads with materials,
        # and again when they are gone
        glowing = obj_with(b"newmtl m\nKd 0 0 0\nKe 0 0.4 0\n", GLOW_QUAD)
        viewer = self.start_with_window(omit=harness.DATA_FILES,
                                        files={"model.obj": GLOW_QUAD, "m.mtl": glowing["m.mtl"], "dark": BLACK},
                                        args=["--no-spin", "--cubemap", "dark", "model.obj"])
        viewer.wait_for_frame()
        corner = harness.QUAD_CORNER_PIXELS[0]
        grey = viewer.screenshot().pixel(*corner)  # in the key light alone
        green = (0, srgb(0.4), 0)
        self.assertGreater(max(abs(a - b) for a, b in zip(grey, green)), 60, grey)
        for reloads, (model, expected) in enumerate(((glowing["model.obj"], green), (GLOW_QUAD, grey)), 1):
            viewer.write("model.obj", model)
            deadline = time.time() + 120
            while True:
                pixel = viewer.screenshot().pixel(*corner)
                if all(abs(a - b) <= 3 for a, b in zip(pixel, expected)):
                    break
                self.assertTrue(viewer.running(), viewer.output() + viewer.errors())
                self.assertLess(time.time(), deadline, (reloads, pixel, expected, viewer.output()))
                time.sleep(0.1)
        deadline = time.time() + 120
        while viewer.output().count("Reloaded") < 2 and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [model.obj]\n" * 2)

    def test_bright_white_stays_below_clipping(self):
        # a white sphere in the studio under the key light, four times as bright: the brightest
        # pixel comes near white without reaching it, as tone mapping promises
        for exposure in ("0", "2"):
            _, image = self.snapshot(obj_with(b"newmtl m\nKd 1 1 1\n"),
                                     ["--fit", "--no-cut", "--exposure", exposure, "model.obj"])
            brightest = max(image.pixel(x, y)[0] for y in range(0, 512, 2) for x in range(0, 512, 2))
            self.assertLess(brightest, 255, exposure)
            self.assertGreater(brightest, 200 if exposure == "0" else 245, exposure)

    def test_window_and_offscreen_draw_the_same_look(self):
        files = obj_with(b"newmtl m\nKd 0.8 0.5 0.1\nKs 1 1 1\nNs 300\n")
        options = ["--fit", "--at", "1", "model.obj"]
        _, window = self.snapshot(files, options)
        _, offscreen = self.snapshot(files, options, env={"DISPLAY": ""})
        self.assertEqual(window.differs(offscreen), 0)

    def test_classic_and_unreadable_inputs(self):
        files = dict(obj_with(b"newmtl m\nKd 0.8 0.02 0.02\nKs 0.5 0.5 0.5\nNs 30\nmap_Kd missing.png\n"),
                     **{"broken.hdr": b"#?RADIANCE\nnot really\n"})
        # a map that cannot be read: named once, the material drawn with its factors
        output, mapless = self.snapshot(files, ["--fit", "--no-cut", "model.obj"])
        self.assertEqual(output, "Material [m] is drawn without its map: cannot open file [missing.png]\n" + VALIDATED)
        self.assertTrue(red_dominant(mapless.pixel(*CENTRE)), mapless.pixel(*CENTRE))
        # an environment that cannot be read: the studio, said once
        output, studio = self.snapshot(files, ["--fit", "--no-cut", "--cubemap", "broken.hdr", "model.obj"])
        told = output.splitlines()
        self.assertEqual(len(told), 3, output)
        self.assertTrue(told[1].startswith("Cube map u_cubeMap is the look's built-in studio: "), output)
        self.assertIn("[broken.hdr]", told[1])
        self.assertEqual(studio.differs(mapless), 0)
        # --look classic: the shipped shaders, as with the files there
        _, classic = self.snapshot(files, ["--look", "classic", "--fit", "--no-cut", "model.obj"])
        shipped = dict(files, **{name: open(os.path.join(harness.DATA_DIR, name), "rb").read()
                                 for name in ("VertexProgram.glsl", "FragmentProgram.glsl")})
        _, there = self.snapshot(shipped, ["--fit", "--no-cut", "model.obj"])
        self.assertEqual(classic.differs(there), 0)
        self.assertGreater(classic.differs(mapless), 1000)


if __name__ == "__main__":
    unittest.main()
