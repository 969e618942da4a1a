"""End-to-end checks of the real spinview, each in its own private Xvfb."""

import math
import os
import re
import struct
import time
import unittest

import harness


class ViewerTest(harness.ViewerCase):
    # window and keys

    def test_window_title_and_size(self):
        viewer = self.start_with_window()
        self.assertEqual(viewer.title(), "Just a test")
        self.assertEqual(viewer.geometry(), (512, 512))
        image = viewer.screenshot()
        self.assertEqual((image.width, image.height), (512, 512))

    def quits_on(self, key):
        viewer = self.start_with_window()
        viewer.key(key)
        self.assertEqual(viewer.wait(10), 0)

    def test_quits_on_lower_case_q(self):
        self.quits_on("q")

    def test_quits_on_upper_case_q(self):
        self.quits_on("Q")

    def test_quits_on_escape(self):
        self.quits_on("Escape")

    def test_other_keys_keep_it_running(self):
        viewer = self.start_with_window()
        for key in ("a", "w", "space", "Return", "1"):
            viewer.key(key)
        time.sleep(0.5)
        self.assertTrue(viewer.running())
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    def test_resize_draws_into_the_whole_new_window(self):
        # the viewport follows the window: the sphere stays centred, the rest is cleared
        viewer = self.start_with_window(files={"torus.obj": harness.sphere_obj()})
        viewer.resize(800, 400)
        self.assertEqual(viewer.geometry(), (800, 400))
        image = viewer.wait_for_picture()
        self.assertEqual((image.width, image.height), (800, 400))
        rows = [y for y in range(400) if not image.is_clear(300, y)]
        self.assertGreater(len(rows), 200)
        self.assertLessEqual(abs((rows[0] + rows[-1]) / 2.0 - 199.5), 3, rows)
        self.assertLessEqual(abs(image.columns_not_clear()[-1] - 399), 3)
        self.assertEqual(image.count_not_clear(0, 0, 800, 40) + image.count_not_clear(0, 360, 800, 400), 0)
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    # the finished viewer with the shipped data

    def assert_validated_once(self, output):
        head = "Program validated successfully !\n"
        self.assertTrue(output.startswith(head), output)
        rest = output[len(head):]
        if rest:  # only a warnings block, if the driver gives one
            self.assertTrue(rest.startswith("Validation warnings log: \n"), output)
            self.assertTrue(rest.endswith("\n\n"), output)
            self.assertNotIn("Program validated", rest)

    def test_shipped_data_draws_a_cutaway(self):
        viewer = self.start_with_window(frame_times=True)
        viewer.wait_for_picture()
        viewer.wait_for_frames(20)  # many frames, validated once
        first = viewer.screenshot()
        viewer.wait_for_clock(500)  # half a radian on
        second = viewer.screenshot()
        for image in (first, second):
            for x, y in ((0, 0), (511, 0), (0, 511), (511, 511)):
                self.assertTrue(image.is_clear(x, y), "corner %d,%d is %s" % (x, y, image.pixel(x, y)))
            # the clip plane keeps the left half only
            self.assertEqual(image.count_not_clear(258, 0, 512, 512), 0)
            self.assertGreater(image.count_not_clear(0, 0, 256, 512, 2), 2000)
        self.assertGreater(first.differs(second), 1000, "the mesh does not spin")
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assert_validated_once(viewer.output())

    def test_resize_keeps_the_cut_at_the_centre(self):
        # the clip plane holds the camera, so its edge is the window's middle column at any size
        viewer = self.start_with_window()
        viewer.resize(800, 400)
        image = viewer.wait_for_picture()
        columns = image.columns_not_clear()
        self.assertLessEqual(abs(columns[-1] - 399), 3)
        self.assertEqual(image.count_not_clear(402, 0, 800, 400), 0)
        for x, y in ((0, 0), (799, 0), (0, 399), (799, 399)):
            self.assertTrue(image.is_clear(x, y))
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)

    def test_resize_stretches_the_mesh(self):
        # a sphere keeps its outline while it spins, so two pictures compare at any moment
        viewer = self.start_with_window(files={"torus.obj": harness.sphere_obj()})
        square = viewer.wait_for_picture()
        viewer.resize(800, 400)
        wide = viewer.wait_for_picture()
        self.assertEqual((wide.width, wide.height), (800, 400))
        square_columns, wide_columns = square.columns_not_clear(), wide.columns_not_clear()
        # the cut through the camera's axis stays at the centre of the window
        self.assertLessEqual(abs(square_columns[-1] - 255), 3)
        self.assertLessEqual(abs(wide_columns[-1] - 399), 3)
        # the half disc keeps its share of the width and of the height: stretched sideways
        square_share = (square_columns[-1] - square_columns[0] + 1) / 512.0
        wide_share = (wide_columns[-1] - wide_columns[0] + 1) / 800.0
        self.assertAlmostEqual(square_share, wide_share, delta=0.01)
        self.assertGreater(square_share, 0.2)
        square_rows = [y for y in range(512) if not square.is_clear(200, y)]
        wide_rows = [y for y in range(400) if not wide.is_clear(int(200 * 800 / 512), y)]
        self.assertAlmostEqual(len(square_rows) / 512.0, len(wide_rows) / 400.0, delta=0.01)
        viewer.key("Escape")
        self.assertEqual(viewer.wait(10), 0)

    def corner_colors(self, color):
        viewer = self.start_with_window(files={"torus.obj": harness.DIAGNOSTIC_QUAD,
                                               "VertexProgram.glsl": harness.diagnostic_vertex_shader(color),
                                               "FragmentProgram.glsl": harness.DIAGNOSTIC_FRAGMENT_SHADER})
        image = viewer.wait_for_frame()
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), "Program validated successfully !\n")
        return [image.pixel(x, y) for x, y in harness.QUAD_CORNER_PIXELS]

    def assert_colors_near(self, actual, expected):
        for got, want in zip(actual, expected):
            self.assertTrue(all(abs(g - 255 * w) <= 24 for g, w in zip(got, want)), "%s, not %s" % (actual, expected))

    def test_texture_coordinates_arrive_on_unit_zero(self):
        # (s, t, r): r must stay 0, as a two-component array gives it
        self.assert_colors_near(self.corner_colors("gl_MultiTexCoord0.stp"),
                                 [(0, 1, 0), (1, 1, 0), (0, 0, 0), (1, 0, 0)])

    def test_normals_arrive_on_unit_one(self):
        self.assert_colors_near(self.corner_colors("gl_MultiTexCoord1.xyz"),
                                 [(1, 0, 0), (0, 1, 0), (0, 0, 1), (0.6, 0.8, 0)])

    def test_mesh_past_sixteen_bit_indices_draws_whole(self):
        # 303,927 vertices in five batches: front faces white, back faces red, so a triangle
        # missing anywhere shows the red inside, or the clear colour, within the half disc
        front_white = b"#version 120\nvoid main() { gl_FragColor = gl_FrontFacing ? vec4(1.0) : vec4(1.0, 0.0, 0.0, 1.0); }\n"
        viewer = self.start_with_window(files={"torus.obj": harness.position_sphere_obj(),
                                               "FragmentProgram.glsl": front_white})
        image = viewer.wait_for_picture()
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), "Program validated successfully !\n")
        # the outline is about 238 pixels from the centre; look inside 225
        inside = [(x, y) for y in range(20, 492, 2) for x in range(20, 252, 2) if (x - 255.5) ** 2 + (y - 255.5) ** 2 < 225 ** 2]
        not_white = [(x, y, image.pixel(x, y)) for x, y in inside if min(image.pixel(x, y)) < 200]
        self.assertEqual(not_white, [])
        self.assertEqual(image.count_not_clear(258, 0, 512, 512, 2), 0)

    def test_start_and_quit_clean_under_valgrind(self):
        binary = harness.find_binary()
        if harness.sanitized(binary):
            self.skipTest("a sanitized build does not run under valgrind")
        viewer = self.start(prefix=harness.MEMCHECK)
        viewer.find_window(timeout=180)
        viewer.wait_for_picture(180)
        viewer.key("q")
        self.assertEqual(viewer.wait(180), 0, viewer.errors())
        report = viewer.errors()
        self.assertIn("ERROR SUMMARY:", report)
        self.assertEqual(harness.own_memcheck_errors(report, binary), [], report)
        self.assert_validated_once(viewer.output())

    # bad data

    def test_broken_fragment_shader_is_reported_and_window_runs(self):
        broken = b"#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n"
        viewer = self.start_with_window(files={"FragmentProgram.glsl": broken})
        viewer.wait_for_frame()
        self.assertTrue(viewer.running())
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        output = viewer.output()
        head = "There was error during compilation !\nCompilation error log: \n"
        self.assertTrue(output.startswith(head), output)
        log, _, after = output[len(head):].partition("\n\n")
        self.assertIn("error", log)
        lines = after.strip("\n").split("\n")
        # the log's line again, at the file's line, for an editor
        self.assertRegex(lines.pop(0), r"^FragmentProgram\.glsl:2:\d+: error: ")
        # attaching the null handle raises an error, reported right away
        self.assertEqual(lines[0], "GL_INVALID_VALUE", output)
        if "There was error during linking !" in lines:
            self.assertIn("Linking error log: ", output)
            self.assertIn("Error while validating program !", output)
        else:  # a vertex shader alone links on this driver
            self.assertEqual(lines[1:], ["Program validated successfully !"], output)

    def test_context_older_than_opengl_2_is_refused(self):
        os.environ["MESA_GL_VERSION_OVERRIDE"] = "1.5"
        try:
            viewer = self.start()
            status = viewer.wait(15)
        finally:
            del os.environ["MESA_GL_VERSION_OVERRIDE"]
        self.assertEqual(status, 1)
        self.assertRegex(viewer.output(), r"^This viewer needs OpenGL 2\.0 with GL_ARB_shader_objects; "
                                          r"the context \(OpenGL 1\.5[^)]*\) lacks: glCompileShader\n$")


# memcheck reports, shortened from real ones; {src} is the viewer's source folder
LOADER_WITH_DEBUG_SYMBOLS = """\
==7== Invalid read of size 8
==7==    at 0x4023C74: strncmp (string/../sysdeps/x86_64/multiarch/../multiarch/strcmp-sse2.S:162)
==7==    by 0x4004BEE: is_dst (elf/./elf/dl-load.c:216)
==7==    by 0x4DD6568: dlopen@@GLIBC_2.34 (dlfcn/./dlfcn/dlopen.c:81)
==7==    by 0x548FD4D: ??? (in /usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0.0.0)
==7==    by 0x493F0AB: glutInit (in /usr/lib/x86_64-linux-gnu/libglut.so.3.12.0)
==7==    by 0x10A441: main ({src}/app/main.cpp:11)
==7==  Address 0x58eac09 is 9 bytes inside a block of size 15 alloc'd
==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x4023A5A: malloc (string/../include/rtld-malloc.h:56)
==7==    by 0x4023A5A: strdup (string/./string/strdup.c:42)
==7==    by 0x4005F84: decompose_rpath (elf/./elf/dl-load.c:629)
==7==    by 0x493F0AB: glutInit (in /usr/lib/x86_64-linux-gnu/libglut.so.3.12.0)
==7==    by 0x10A441: main ({src}/app/main.cpp:11)
==7== 
"""
LOADER_WITHOUT_DEBUG_SYMBOLS = """\
==7== Invalid read of size 8
==7==    at 0x4023C74: ??? (in /usr/lib/x86_64-linux-gnu/ld-linux-x86-64.so.2)
==7==    by 0x548FD4D: ??? (in /usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0.0.0)
==7==    by 0x10A441: main ({src}/app/main.cpp:11)
==7==  Address 0x58eac09 is 9 bytes inside a block of size 15 alloc'd
==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x4023A5A: ??? (in /usr/lib/x86_64-linux-gnu/ld-linux-x86-64.so.2)
==7==    by 0x10A441: main ({src}/app/main.cpp:11)
==7== 
"""
DRIVER_UNINITIALISED_UNDER_OUR_FRAME = """\
==7== Conditional jump or move depends on uninitialised value(s)
==7==    at 0x6300000: ??? (in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so)
==7==    by 0x10B100: renderFrame() ({src}/render/frame.cpp:120)
==7==  Uninitialised value was created by a heap allocation
==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x6301000: ??? (in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so)
==7==    by 0x10B100: renderFrame() ({src}/render/frame.cpp:120)
==7== 
"""
OUR_WRITE_PAST_A_BLOCK = """\
==7== Invalid write of size 1
==7==    at 0x10C1B0: readFileBytes(char const*, FileBytes&) ({src}/assets/fileBytes.cpp:52)
==7==    by 0x10B939: loadShader(char const*, unsigned int) ({src}/render/program.cpp:12)
==7==  Address 0x14bd8e00 is 0 bytes after a block of size 898 alloc'd
==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x10C189: readFileBytes(char const*, FileBytes&) ({src}/assets/fileBytes.cpp:41)
==7== 
"""
DRIVER_READS_WHAT_WE_FREED = """\
==7== Invalid read of size 1
==7==    at 0x4847782: strlen (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x6303B3A: ??? (in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so)
==7==    by 0x10B980: loadShader(char const*, unsigned int) ({src}/render/program.cpp:26)
==7==  Address 0x14bd8e00 is 0 bytes inside a block of size 898 free'd
==7==    at 0x484417B: free (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x10C23B: freeFileBytes(FileBytes&) ({src}/assets/fileBytes.cpp:61)
==7==  Block was alloc'd at
==7==    at 0x48417B4: malloc (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x10C189: readFileBytes(char const*, FileBytes&) ({src}/assets/fileBytes.cpp:41)
==7== 
"""
DRIVER_READS_PAST_OUR_VECTOR = """\
==7== Invalid read of size 8
==7==    at 0x484B345: memmove (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x6303BD1: ??? (in /usr/lib/x86_64-linux-gnu/dri/swrast_dri.so)
==7==    by 0x10B000: fillBuffer ({src}/assets/meshStore.cpp:20)
==7==  Address 0x15000000 is 0 bytes after a block of size 39,200 alloc'd
==7==    at 0x4840F2F: operator new(unsigned long) (in /usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so)
==7==    by 0x10D0AA: allocate (/usr/include/c++/12/bits/new_allocator.h:137)
==7==    by 0x10D0AA: readObj ({src}/assets/objReader.cpp:213)
==7== 
"""


def float32(value):
    """The float nearest to value, as the files below store it."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def torus_lists(rings=32, sides=16):
    """A torus as float positions and triangles of 0-based vertex numbers."""
    positions = []
    for i in range(rings):
        for j in range(sides):
            u, v = 2 * math.pi * i / rings, 2 * math.pi * j / sides
            ring = 13.0 + 6.0 * math.cos(v)
            positions.append(tuple(float32(c) for c in (ring * math.cos(u), ring * math.sin(u), 6.0 * math.sin(v))))
    triangles = []
    for i in range(rings):
        for j in range(sides):
            a, b = i * sides + j, (i + 1) % rings * sides + j
            c, d = (i + 1) % rings * sides + (j + 1) % sides, i * sides + (j + 1) % sides
            triangles += [(a, b, c), (a, c, d)]
    return positions, triangles


def obj_bytes(positions, triangles, faceted=False):
    lines = ["s off"] if faceted else []
    lines += ["v %.9g %.9g %.9g" % p for p in positions]
    lines += ["f %d %d %d" % tuple(n + 1 for n in t) for t in triangles]
    return ("\n".join(lines) + "\n").encode()


def ply_bytes(positions, triangles, encoding="ascii"):
    header = ("ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\nproperty float z\n"
              "element face %d\nproperty list uchar int vertex_indices\nend_header\n"
              % (encoding, len(positions), len(triangles))).encode()
    if encoding == "ascii":
        return header + "".join("%.9g %.9g %.9g\n" % p for p in positions).encode() + \
            "".join("3 %d %d %d\n" % t for t in triangles).encode()
    order = ">" if encoding == "binary_big_endian" else "<"
    return header + b"".join(struct.pack(order + "fff", *p) for p in positions) + \
        b"".join(struct.pack(order + "Biii", 3, *t) for t in triangles)


def stl_bytes(positions, triangles, binary=True):
    if binary:
        facets = b"".join(struct.pack("<3f", 0, 0, 0) + b"".join(struct.pack("<3f", *positions[n]) for n in t) +
                          b"\0\0" for t in triangles)
        return b"solid made by a test".ljust(80) + struct.pack("<I", len(triangles)) + facets
    text = "solid torus\n"
    for t in triangles:
        text += "facet normal 0 0 0\nouter loop\n" + "".join("vertex %.9g %.9g %.9g\n" % positions[n] for n in t)
        text += "endloop\nendfacet\n"
    return (text + "endsolid torus\n").encode()


class ModelFormatTest(harness.ViewerCase):
    def snapshot(self, name, content):
        viewer = self.start(files={name: content}, args=["--fit", "--snapshot", "frame.png", name])
        self.assertEqual(viewer.wait(120), 0, viewer.output() + viewer.errors())
        return viewer.output(), harness.read_png(viewer.path("frame.png"))

    def test_ply_and_stl_files_draw_as_their_models_written_as_obj(self):
        positions, triangles = torus_lists()
        validated = "Program validated successfully !\n"
        smooth = self.snapshot("reference.obj", obj_bytes(positions, triangles))[1]
        faceted = self.snapshot("reference.obj", obj_bytes(positions, triangles, faceted=True))[1]
        self.assertGreater(smooth.differs(faceted), 1000)  # flat and smooth shading are told apart
        cloud, _ = torus_lists(96, 48)
        cases = (  # file name, content, the picture it must give (None: a point cloud), what is told
            ("model.ply", ply_bytes(positions, triangles), smooth, ""),
            ("model.ply", ply_bytes(positions, triangles, "binary_big_endian"), smooth, ""),
            ("model.stl", stl_bytes(positions, triangles), faceted, ""),
            ("MODEL.STL", stl_bytes(positions, triangles, binary=False), faceted, ""),
            ("model.obj", stl_bytes(positions, triangles), faceted,
             "[model.obj] is STL by its content, whatever its name says: read as such\n"),
            ("scan.ply", ply_bytes(cloud, [], "binary_little_endian"), None, ""),
        )
        for name, content, expected, told in cases:
            output, image = self.snapshot(name, content)
            self.assertEqual(output, told + validated, name)
            if expected is not None:
                self.assertEqual(image.differs(expected), 0, name)
                continue
            # the points of the cloud's near half, lit: some bright, none where the model is not
            lit = [image.pixel(x, y) for y in range(512) for x in range(512) if not image.is_clear(x, y)]
            self.assertGreater(len(lit), 1000, name)
            self.assertTrue(any(max(p) > 150 for p in lit), name)
            self.assertEqual(image.count_not_clear(300, 0, 512, 512), 0, name)


class MemcheckReportTest(unittest.TestCase):
    """Which memcheck errors fail the valgrind check: ours, not the loader's or the driver's."""

    def own(self, report):
        text = "==7== Memcheck, a memory error detector\n==7== \n" + report.format(
            src=os.path.join(harness.REPO, "src"))
        return harness.own_memcheck_errors(text + "==7== ERROR SUMMARY: 1 errors\n", "/build/spinview")

    def test_loader_and_driver_errors_under_main_are_not_ours(self):
        for report in (LOADER_WITH_DEBUG_SYMBOLS, LOADER_WITHOUT_DEBUG_SYMBOLS,
                       DRIVER_UNINITIALISED_UNDER_OUR_FRAME):
            self.assertEqual(self.own(report), [], report)

    def test_errors_in_our_code_or_on_our_memory_are_ours(self):
        for report in (OUR_WRITE_PAST_A_BLOCK, DRIVER_READS_WHAT_WE_FREED, DRIVER_READS_PAST_OUR_VECTOR):
            self.assertEqual(len(self.own(report)), 1, report)
        self.assertEqual(len(self.own(OUR_WRITE_PAST_A_BLOCK + LOADER_WITH_DEBUG_SYMBOLS
                                      + DRIVER_READS_WHAT_WE_FREED)), 2)
        # a binary without debug information is ours by its path
        stripped = OUR_WRITE_PAST_A_BLOCK.replace("({src}/assets/fileBytes.cpp:52)", "(in /build/spinview)")
        self.assertEqual(len(self.own(stripped.replace("({src}/assets/fileBytes.cpp:41)", "(in /lib/libc.so.6)"))), 1)


if __name__ == "__main__":
    unittest.main()
