"""The command line of the real spinview: named files, a wrong option, --fit and --snapshot."""

import os
import resource
import select
import shutil
import signal
import stat
import subprocess
import tempfile
import threading
import tty
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
USAGE = ("usage: spinview [--fit] [--no-spin] [--no-cut] [--orbit YAW,PITCH] [--at SECONDS] [--vertex FILE]\n"
         "                [--fragment FILE] [--texture NAME=FILE]... [--snapshot FILE.png [--frames N [--fps F]]\n"
         "                [--size WxH] [--transparent] [--raw]] [--cubemap FILE [--skybox]] [--look pbr|classic]\n"
         "                [--exposure EV] [--light-follows on|off] [--samples N] [--edges] [--grid]\n"
         "                [--background COLOR[,COLOR]] [--point-size N] [MODEL.obj] [SHADER.frag]\n")

# colours the still quad by its normals: red, green, blue and yellow-green corners
NORMAL_COLOURS = harness.diagnostic_vertex_shader("gl_MultiTexCoord1.xyz")


def shifted_sphere(radius, centre):
    """A sphere of the given radius around `centre`, far from the camera's view when large."""
    lines = []
    for line in harness.sphere_obj(radius=1.0, rings=12, segments=24).decode().splitlines():
        if line.startswith("v "):
            x, y, z = (float(c) * radius for c in line.split()[1:])
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
        # -geometry sizes the window, and so the snapshot
        _, image = self.snapshot(["-geometry", "300x200"])
        self.assertEqual((image.width, image.height), (300, 200))

    def test_wrong_options_exit_2_with_the_usage(self):
        # no display is needed to be told
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        # GLUT reads its options only as -display :1: other spellings would be lost on the way
        wrong = []
        for args in (["--bogus"], ["--vertex"], ["--orbit", "90"], ["--orbit", "1,x"], ["a.obj", "b.obj"],
                     ["--snapshot", "x.png", "--at", "-1"], ["--snapshot", "x.png", "--at", "soon"], ["-f"],
                     ["--display", ":1"], ["-disp", ":1"], ["-display=:1"], ["--sync"], ["-geometry"],
                     ["--frames", "2"], ["--snapshot", "x.png", "--raw"], ["--snapshot", "x%d%d.png", "--frames", "2"],
                     ["--snapshot", "x.png", "--fps", "3"], ["--snapshot", "x.png", "--size", "0x5"],
                     # a texture needs NAME=FILE, a name of its own, and is named once
                     ["--texture", "u_tex0"], ["--texture", "u_tex0="], ["--texture", "gl_tex=a.png"],
                     ["--texture", "2d=a.png"], ["--texture", "u_time=a.png"],
                     ["--texture", "t=a.png", "--texture", "t=b.png"]):
            wrong.append((args, ""))
        # the reason names the bound, or what is wrong
        wrong += [
            (["-geometry", "0x0"], "-geometry takes"), (["-geometry", "abc"], "-geometry takes"),
            (["-geometry", "-5x-5"], "-geometry takes"), (["-geometry", "20x20+5+"], "-geometry takes"),
            (["-geometry", "20x20+40000+0"], "-geometry takes"),
            (["--texture", "u_diffuseMap=a.png"], "viewer's own inputs"),
            (["--texture", "u_diffuseColor=a.png"], "viewer's own inputs"),
            (["--snapshot", "x.png", "--frames", "2", "--fps", "2000000"], "at most 1000000"),
            (["--snapshot", "x.png", "--frames", "2", "--fps", "1e-39"], "4294967"),
            (["--snapshot", "x.png", "--frames", "1000", "--fps", "0.0001", "--at", "4000000"], "4294967"),
            (["--bogus"], "unrecognized option"),
            (["--look", "fancy", "m.obj"], "--look takes pbr or classic, not 'fancy'"),
            (["--look", "pbr", "--fragment", "f.glsl", "m.obj"], "--look pbr draws with the viewer's own shaders"),
            (["--look", "pbr", "m.obj", "wave.frag"], "--look pbr draws with the viewer's own shaders"),
            (["--exposure", "21", "m.obj"], "--exposure takes stops from -20 to 20, not '21'"),
            (["--exposure", "nan", "m.obj"], "--exposure takes stops"),
            (["--light-follows", "yes", "m.obj"], "--light-follows takes on or off, not 'yes'"),
        ]
        # what is seen: samples a count, colours #rrggbb, one or two, a point's size in pixels
        for option, values in (("--samples", ("-1", "x", "4.5", "257", "", "4x")),
                               ("--background", ("red", "#12345", "#1234567", "#gg0000", "#000000,", ",#000000",
                                                 "#000000,#111111,#222222", "#000000;#111111", "", "1,0,0")),
                               ("--point-size", ("0", "0.5", "65", "nan", "inf", "3px", ""))):
            wrong += [([option, value], "spinview: %s takes " % option) for value in values]
        for args, reason in wrong:
            run = subprocess.run([harness.find_binary()] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=20)
            self.assertEqual(run.returncode, 2, args)
            self.assertEqual(run.stdout, b"", args)
            # getopt's own messages too name the program as ours do, not by the path it was run by
            self.assertTrue(run.stderr.startswith(b"spinview: "), (args, run.stderr))
            self.assertIn(reason, run.stderr.decode(), args)
            self.assertTrue(run.stderr.decode().endswith(USAGE), (args, run.stderr))
        for args, start in ((["--help"], USAGE), (["--version"], "spinview %s\n" % harness.project_version())):
            run = subprocess.run([harness.find_binary()] + args, env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=20)
            self.assertEqual(run.returncode, 0)
            self.assertTrue(run.stdout.decode().startswith(start), run.stdout)
            self.assertEqual(run.stderr, b"")
            if args == ["--help"]:  # the inputs a shader may take by name
                self.assertRegex(run.stdout.decode(), r"\n  u_time +float +[^\n]+\n(?s:.*)\n  a_position +vec3 or vec4 ")

    # --fit

    def test_fit_makes_tiny_and_huge_models_fill_alike(self):
        tiny = shifted_sphere(0.075, (3.0, -2.0, 1.0))
        huge = shifted_sphere(250.0, (400.0, 120.0, -900.0))
        # denormal coordinates: its scale would overflow a float, and the GPU flushes them to zero
        smallest = shifted_sphere(8.5e-40, (0.0, 0.0, 0.0))
        shares = []
        for model in (tiny, huge, smallest):
            viewer, image = self.snapshot(["--fit", "model.obj"], files={"model.obj": model})
            self.assertEqual(viewer.output(), VALIDATED)
            shares.append(image.count_not_clear(0, 0, 512, 512, 2))
        # a sphere 11 units across at the centre: a half disc about 136 pixels in radius
        self.assertGreater(shares[0], 6000)
        for share in shares[1:]:
            self.assertLess(abs(shares[0] - share), 0.03 * shares[0], shares)

    def test_fit_shades_a_model_alike_at_any_size(self):
        # the fit's scale reaches the normals through the world matrix: too small a scale flushed their
        # squared length to 0 and normalize gave white blotches
        base = harness.sphere_obj(radius=1.0, rings=12, segments=24).decode().splitlines()

        def sized(factor):
            return ("\n".join("v %.7g %.7g %.7g" % tuple(float(c) * factor for c in line.split()[1:])
                              if line.startswith("v ") else line for line in base) + "\n").encode()

        _, unit = self.snapshot(["--fit", "--at", "1", "model.obj"], files={"model.obj": sized(1.0)})
        self.assertGreater(unit.count_not_clear(0, 0, 512, 512, 2), 6000)
        for factor in (1e-25, 1e12, 1e20, 1e30, 1e38):
            _, image = self.snapshot(["--fit", "--at", "1", "model.obj"], files={"model.obj": sized(factor)})
            self.assertEqual(image.differs(unit), 0, factor)

    def test_models_lost_to_the_camera_suggest_fit(self):
        viewer, _ = self.snapshot(["model.obj"], files={"model.obj": shifted_sphere(0.075, (3.0, -2.0, 1.0))})
        self.assertEqual(viewer.output(), "[model.obj] is 0.26 units across and shows as a speck: "
                                          "--fit scales it to the view\n" + VALIDATED)
        viewer, _ = self.snapshot(["model.obj"], files={"model.obj": shifted_sphere(250.0, (400.0, 120.0, -900.0))})
        self.assertEqual(viewer.output(), "[model.obj] is 866 units across and reaches past the camera: "
                                          "--fit scales it to the view\n" + VALIDATED)
        # welded into one point: no fit can help it
        point = b"v 0 0 0\nv 1e-30 0 0\nv 0 1e-30 0\nvn 0 0 1\nf 1//1 2//1 3//1\n"
        viewer, _ = self.snapshot(["model.obj"], files={"model.obj": point})
        self.assertEqual(viewer.output(), VALIDATED)

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

    def test_snapshot_never_destroys_a_file(self):
        old = b"the previous picture"

        def prepare(folder):
            with open(os.path.join(folder, "old.png"), "wb") as f:
                f.write(old)
            os.symlink("VertexProgram.glsl", os.path.join(folder, "link.glsl"))

        def full_disk():
            # a file may not grow past 1 kB, as on a full disk; the write fails instead of the process
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1024, 1024))

        cases = (  # arguments, status, start of the output
            (["--snapshot", "old.png"], 1, VALIDATED + "Cannot write snapshot [old.png]\n", full_disk),
            (["--snapshot", "torus.obj"], 2, "", None),
            (["--snapshot", "link.glsl"], 2, "", None),
            (["--texture", "u_tex0=old.png", "--snapshot", "old.png"], 2, "", None),
        )
        for args, status, printed, preexec in cases:
            viewer = self.start(args=args, prepare=prepare, preexec=preexec)
            self.assertEqual(viewer.wait(60), status, args)
            self.assertEqual(viewer.output(), printed, args)
            with open(viewer.path("old.png"), "rb") as f:
                self.assertEqual(f.read(), old, args)
            for name in harness.DATA_FILES:
                with open(viewer.path(name), "rb") as f, open(os.path.join(harness.DATA_DIR, name), "rb") as shipped:
                    self.assertEqual(f.read(), shipped.read(), (args, name))
            self.assertEqual(sorted(os.listdir(viewer.dir)), sorted(harness.DATA_FILES + ("link.glsl", "old.png")))
            if status == 2:
                self.assertIn("would overwrite", viewer.errors())

    def test_snapshot_writes_through_links_and_into_what_is_not_a_file(self):
        # a link is written through to its target, which is replaced whole; a FIFO, a terminal or a
        # device is written into, never replaced; a name of 255 characters is written as any other
        _, written = self.snapshot([])
        folder = tempfile.mkdtemp(prefix="spinview-targets-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.mkdir(os.path.join(folder, "pictures"))
        with open(os.path.join(folder, "pictures", "old.png"), "wb") as f:
            f.write(b"the previous picture")
        links = {"link.png": "pictures/old.png", "chain.png": "link.png", "dangling.png": "pictures/new.png"}
        for link, target in links.items():
            os.symlink(target, os.path.join(folder, link))
        os.mkfifo(os.path.join(folder, "fifo.png"))
        master, terminal = os.openpty()
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, terminal)
        tty.setraw(terminal)
        if os.getuid() == 0:  # a device of our own, alike /dev/null, which root could replace
            os.mknod(os.path.join(folder, "null"), 0o666 | stat.S_IFCHR, os.makedev(1, 3))

        def read_fifo():
            with open(os.path.join(folder, "fifo.png"), "rb") as f:
                return f.read()

        def read_terminal():
            data = b""
            while not data.endswith(b"IEND\xaeB`\x82") and select.select([master], [], [], 120)[0]:
                data += os.read(master, 65536)
            return data

        def read_file(name):
            def read():
                with open(os.path.join(folder, name), "rb") as f:
                    return f.read()
            return read

        long_name = "a" * 251 + ".png"
        cases = [("link.png", read_file("pictures/old.png")), ("chain.png", read_file("pictures/old.png")),
                 ("dangling.png", read_file("pictures/new.png")), ("fifo.png", read_fifo),
                 (os.ttyname(terminal), read_terminal), (long_name, read_file(long_name))]
        cases += [("null", None)] if os.getuid() == 0 else []
        for path, read in cases:
            got = []  # a FIFO's or a terminal's reader reads while the picture is written
            reader = threading.Thread(target=lambda: got.append(read()), daemon=True)
            meanwhile = read in (read_fifo, read_terminal)
            if meanwhile:
                reader.start()
            viewer = self.start(args=["--snapshot", os.path.join(folder, path)])
            self.assertEqual(viewer.wait(120), 0, (path, viewer.output()))
            self.assertEqual(viewer.output(), VALIDATED, path)
            if read:
                reader.join(120) if meanwhile else got.append(read())
                with open(os.path.join(viewer.logs, "got.png"), "wb") as f:
                    f.write(got[0])
                self.assertEqual(harness.read_png(f.name).differs(written), 0, path)
        # the links, the FIFO and the device as they were, and nothing left beside them
        self.assertEqual({link: os.readlink(os.path.join(folder, link)) for link in links}, links)
        self.assertTrue(stat.S_ISFIFO(os.stat(os.path.join(folder, "fifo.png")).st_mode))
        self.assertTrue(os.getuid() != 0 or stat.S_ISCHR(os.stat(os.path.join(folder, "null")).st_mode))
        self.assertEqual(sorted(os.listdir(os.path.join(folder, "pictures"))), ["new.png", "old.png"])
        self.assertEqual(len(os.listdir(folder)), 6 + (os.getuid() == 0))

    def test_snapshot_to_dev_null_without_root(self):
        # a user who cannot replace /dev/null writes into it; root is never let near the real one
        folder = tempfile.mkdtemp(prefix="spinview-bin-")
        self.addCleanup(shutil.rmtree, folder, True)
        os.chmod(folder, 0o755)
        binary = shutil.copy(harness.find_binary(), folder)
        user = 65534 if os.getuid() == 0 else None
        viewer = self.start(args=["--snapshot", "/dev/null"], binary=binary, user=user)
        self.assertEqual(viewer.wait(60), 0, viewer.output() + viewer.errors())
        self.assertEqual(viewer.output(), VALIDATED)
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/null").st_mode))

    def test_snapshot_of_a_window_never_shown(self):
        # a window off the screen is never exposed: the snapshot is drawn without waiting for it,
        # and shows what the window would
        for shown, hidden in (("512x512+0+0", "512x512+5000+5000"), ("64x48+0+0", "64x48+-100+-100"),
                              ("1x1+0+0", "1x1+-1+-1")):
            _, seen = self.snapshot(["-geometry", shown, "--fit"])
            _, unseen = self.snapshot(["-geometry", hidden, "--fit"])
            self.assertEqual((unseen.width, unseen.height), (seen.width, seen.height))
            self.assertEqual(unseen.differs(seen), 0, hidden)

    def test_snapshot_to_standard_output(self):
        _, written = self.snapshot([])
        for target in ("-", "/dev/stdout"):
            viewer = self.start(args=["--snapshot", target])
            self.assertEqual(viewer.wait(60), 0)
            with open(viewer.out_path, "rb") as f:
                png = f.read()
            self.assertTrue(png.startswith(b"\x89PNG\r\n\x1a\n"), target)
            path = os.path.join(viewer.logs, "out.png")
            with open(path, "wb") as f:
                f.write(png)
            self.assertEqual(harness.read_png(path).differs(written), 0, target)
            self.assertEqual(viewer.errors(), VALIDATED, target)


if __name__ == "__main__":
    unittest.main()
