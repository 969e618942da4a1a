"""What the real spinview does with bad data files: one named case each, with its expected
standard output and exit status. None may crash, hang, or leave the window without a message."""

import os
import random
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"


def shipped(name):
    with open(os.path.join(harness.DATA_DIR, name), "rb") as f:
        return f.read()


def torus_faces_as(form):
    """The shipped torus with every face rewritten to v//vn, v/vt or v."""
    lines = []
    for line in shipped("torus.obj").decode().splitlines():
        if line.startswith("f "):
            corners = [c.split("/") for c in line[2:].split()]
            if form == "v//vn":
                line = "f " + " ".join("%s//%s" % (c[0], c[2]) for c in corners)
            elif form == "v/vt":
                line = "f " + " ".join("%s/%s" % (c[0], c[1]) for c in corners)
            else:
                line = "f " + " ".join(c[0] for c in corners)
        lines.append(line)
    return ("\n".join(lines) + "\n").encode()


TORUS = shipped("torus.obj")
TORUS_LINES = TORUS.count(b"\n")


class BadInputTest(harness.ViewerCase):
    def expect_refused(self, message, **kwargs):
        """The viewer ends by itself with status 1 and exactly this message."""
        viewer = self.start(**kwargs)
        self.assertEqual(viewer.wait(20), 1, viewer.output())
        self.assertEqual(viewer.output(), message)
        return viewer

    def expect_runs(self, **kwargs):
        """The window comes up and keeps running until q, which ends it with status 0.
        Returns the viewer (its output is complete) and a screenshot."""
        viewer = self.start_with_window(**kwargs)
        image = viewer.wait_for_frame()
        time.sleep(0.3)
        self.assertTrue(viewer.running())
        viewer.key("q")
        self.assertEqual(viewer.wait(20), 0)
        return viewer, image

    def expect_draws(self, image):
        self.assertGreater(image.count_not_clear(0, 0, 256, 512, 2), 500)
        self.assertEqual(image.count_not_clear(258, 0, 512, 512, 2), 0)

    # files that cannot be read: a message naming the file, status 1

    def test_missing_torus_obj(self):
        self.expect_refused("Cannot open file [torus.obj]\n", omit=("torus.obj",))

    def test_missing_vertex_program(self):
        self.expect_refused("Cannot open file [VertexProgram.glsl]\n", omit=("VertexProgram.glsl",))

    def test_missing_fragment_program(self):
        self.expect_refused("Cannot open file [FragmentProgram.glsl]\n", omit=("FragmentProgram.glsl",))

    def test_directory_instead_of_torus_obj(self):
        self.expect_refused("Cannot open file [torus.obj]\n", omit=("torus.obj",),
                            prepare=lambda d: os.mkdir(os.path.join(d, "torus.obj")))

    def test_directory_instead_of_shader(self):
        self.expect_refused("Cannot open file [FragmentProgram.glsl]\n", omit=("FragmentProgram.glsl",),
                            prepare=lambda d: os.mkdir(os.path.join(d, "FragmentProgram.glsl")))

    def test_fifo_instead_of_a_data_file(self):
        # opening a FIFO waits for a writer: the viewer must refuse it at once, not hang
        for name in ("torus.obj", "FragmentProgram.glsl"):
            self.expect_refused("Cannot open file [%s]\n" % name, omit=(name,),
                                prepare=lambda d, name=name: os.mkfifo(os.path.join(d, name)))

    def test_unreadable_torus_obj(self):
        # root reads any file, so as root the viewer runs as nobody
        user = 65534 if os.getuid() == 0 else None
        # a copy of the program that nobody can run, whatever the build folder's permissions
        folder = tempfile.mkdtemp(prefix="spinview-bin-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.chmod(folder, 0o755)
        binary = shutil.copy(harness.find_binary(), folder)
        self.expect_refused("Cannot open file [torus.obj]\n", user=user, binary=binary,
                            prepare=lambda d: os.chmod(os.path.join(d, "torus.obj"), 0))

    # mesh files that load with a summary line, or silently

    def test_empty_torus_obj(self):
        viewer, image = self.expect_runs(files={"torus.obj": b""})
        self.assertEqual(viewer.output(), VALIDATED)
        self.assertEqual(image.count_not_clear(0, 0, 512, 512, 2), 0)

    def test_binary_garbage(self):
        garbage = bytes(random.Random(6).randrange(256) for _ in range(200000))
        viewer, _ = self.expect_runs(files={"torus.obj": garbage})
        for line in viewer.output().splitlines():
            self.assertTrue(line == VALIDATED.strip() or re.match(r"^(Skipped|Read) .* in \[torus\.obj\], first at line \d+$", line),
                            line)

    def test_five_megabyte_single_line(self):
        # one face line of 5 MB, read whole: 849,998 triangles, most of them degenerate
        corners = b" ".join(b"%d/%d/1" % (1 + i % 3, 1 + i % 3) for i in range(850000))
        line = b"f " + corners
        self.assertGreater(len(line), 5000000)
        viewer, image = self.expect_runs(files={"torus.obj": TORUS + line})
        self.assertEqual(viewer.output(), VALIDATED)
        self.expect_draws(image)

    def invalid_face(self, face):
        viewer, image = self.expect_runs(files={"torus.obj": TORUS + face})
        self.assertEqual(viewer.output(), "Skipped 1 face with invalid indices in [torus.obj], first at line %d\n%s"
                         % (TORUS_LINES + 1, VALIDATED))
        self.expect_draws(image)

    def test_index_zero(self):
        self.invalid_face(b"f 0/1/1 2/2/2 3/3/3\n")

    def test_negative_index_out_of_range(self):
        self.invalid_face(b"f -1/-1/-1 -2/-2/-2 -20000/-3/-3\n")

    def test_index_past_the_end(self):
        self.invalid_face(b"f 1/1/1 2/2/2 20000/7/3\n")

    def test_texture_and_normal_indices_past_the_end(self):
        face = b"f 1/20000/1 2/2/0 3/0/20000\n"
        viewer, image = self.expect_runs(files={"torus.obj": TORUS + face})
        line = TORUS_LINES + 1
        self.assertEqual(viewer.output(),
                         "Gave 2 corners with an out-of-range texture index the texture coordinate (0, 0) in "
                         "[torus.obj], first at line %d\n"
                         "Gave 2 corners with an out-of-range normal index a computed normal in [torus.obj], "
                         "first at line %d\n%s" % (line, line, VALIDATED))
        self.expect_draws(image)

    def short_faces(self, form):
        viewer, image = self.expect_runs(files={"torus.obj": torus_faces_as(form)})
        self.assertEqual(viewer.output(), VALIDATED)
        self.expect_draws(image)

    def test_faces_with_position_and_normal(self):
        self.short_faces("v//vn")

    def test_faces_with_position_and_texture(self):
        self.short_faces("v/vt")

    def test_faces_with_position_only(self):
        self.short_faces("v")

    def make_torus(self, option):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "made.obj")
            subprocess.run([harness.find_binary("make_torus"), path, option, "48", "24"], check=True,
                           stdout=subprocess.DEVNULL)
            with open(path, "rb") as f:
                return f.read()

    def still_picture(self, obj):
        """The mesh coloured by its normals, without the spin: equal meshes give equal pictures."""
        shader = harness.diagnostic_vertex_shader("gl_MultiTexCoord1.xyz * 0.5 + 0.5")
        viewer, image = self.expect_runs(files={"torus.obj": obj, "VertexProgram.glsl": shader,
                                                "FragmentProgram.glsl": harness.DIAGNOSTIC_FRAGMENT_SHADER})
        self.assertEqual(viewer.output(), VALIDATED)
        return image

    def test_polygons_and_continued_lines(self):
        # the torus in quads, every other face line continued with a backslash, draws exactly as
        # the same torus in triangles: every quad is both of its triangles
        lines = self.make_torus("--quads").split(b"\n")
        for i in range(0, len(lines), 2):
            if lines[i].startswith(b"f "):
                corners = lines[i].split(b" ")
                lines[i] = b" ".join(corners[:3]) + b" \\\n" + b" ".join(corners[3:])
        quads = self.still_picture(b"\n".join(lines))
        triangles = self.still_picture(self.make_torus("--grid"))
        self.assertGreater(triangles.count_not_clear(0, 0, 256, 512, 2), 5000)
        self.assertEqual(quads.differs(triangles), 0)

    def test_nan_and_inf(self):
        text = TORUS.replace(b"v 19.000000 0.000000 0.000000\n", b"v nan inf 0.000000\n", 1)
        text = text.replace(b"vn 1.000000 0.000000 0.000000\n", b"vn -inf 0.000000 1e99\n", 1)
        viewer, image = self.expect_runs(files={"torus.obj": text})
        self.assertEqual(viewer.output(), "Read 4 non-finite numbers as 0 in [torus.obj], first at line 2\n" + VALIDATED)
        self.expect_draws(image)

    def test_seventy_thousand_unique_vertices(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "big.obj")
            subprocess.run([harness.find_binary("make_torus"), path, "--grid", "280", "250"], check=True,
                           stdout=subprocess.DEVNULL)
            with open(path, "rb") as f:
                text = f.read()
        # more than 16-bit indices reach: drawn whole, in batches, without a word
        viewer, image = self.expect_runs(files={"torus.obj": text})
        self.assertEqual(viewer.output(), VALIDATED)
        self.expect_draws(image)

    # shader files

    def test_shader_with_a_zero_byte(self):
        source = shipped("FragmentProgram.glsl") + b"\0 this is not GLSL {{{"
        viewer, image = self.expect_runs(files={"FragmentProgram.glsl": source})
        self.assertEqual(viewer.output(), VALIDATED)
        self.expect_draws(image)

    def test_empty_shader(self):
        viewer, _ = self.expect_runs(files={"VertexProgram.glsl": b""})
        output = viewer.output()
        self.assertTrue(output.startswith("There was error during compilation !\nCompilation error log: \n"), output)
        self.assertRegex(output, r"\n\nVertexProgram\.glsl:1:1: error: [^\n]+\nGL_INVALID_VALUE\n")

    def test_matrix_declared_as_mat4(self):
        source = shipped("VertexProgram.glsl").replace(b"uniform vec4 VPMatrix[4];", b"uniform mat4 VPMatrix;")
        source = source.replace(b"VPMatrix[0] * p.x + VPMatrix[1] * p.y + VPMatrix[2] * p.z + VPMatrix[3] * p.w",
                                b"VPMatrix * p")
        viewer, _ = self.expect_runs(files={"VertexProgram.glsl": source})
        lines = viewer.output().splitlines()
        # the vec4 upload into a mat4 fails every frame; the program validates once
        self.assertEqual(lines.count(VALIDATED.strip()), 1)
        self.assertEqual(set(lines), {VALIDATED.strip(), "GL_INVALID_OPERATION"})
        self.assertGreater(lines.count("GL_INVALID_OPERATION"), 3)


if __name__ == "__main__":
    unittest.main()
