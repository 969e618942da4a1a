"""spinview used as an installed tool: a model named from any folder draws with the built-in
shaders, `cmake --install` lays out the program, its manual page and examples, the Debian package
holds them with the right dependencies, and scripts/run.sh takes paths from where it is started."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import harness

VALIDATED = "Program validated successfully !\n"
SHARED_MODEL = os.path.join(harness.REPO, "..", "shared", "models", "rabbit.obj")
INSTALLED = {"bin/spinview", "share/man/man1/spinview.1", "share/spinview/torus.obj",
             "share/spinview/VertexProgram.glsl", "share/spinview/FragmentProgram.glsl"}
NAMED_SHADERS = ["--vertex", "VertexProgram.glsl", "--fragment", "FragmentProgram.glsl"]
BUILD = os.environ.get("SPINVIEW_BUILD", os.path.join(harness.REPO, "build"))
# the general importer's module, where the build has libassimp: looked for from bin/ in ../lib/spinview
IMPORTER = os.path.join(BUILD, "spinview-importer.so")
if os.path.exists(IMPORTER):
    INSTALLED.add("lib/spinview/spinview-importer.so")


def solid(red, green, blue):
    return ("#version 120\nvoid main() { gl_FragColor = vec4(%.1f, %.1f, %.1f, 1.0); }\n" % (red, green, blue)).encode()


def temporary_dir(case):
    path = tempfile.mkdtemp(prefix="spinview-install-")
    case.addCleanup(shutil.rmtree, path, True)
    return path


def wait_for(condition, timeout):
    deadline = time.time() + timeout
    while not condition():
        if time.time() > deadline:
            raise AssertionError("still not so after %d s" % timeout)
        time.sleep(0.1)


with open(os.path.join(harness.DATA_DIR, "torus.obj"), "rb") as shipped_torus:
    TORUS = shipped_torus.read()


class SnapshotCase(harness.ViewerCase):
    def snapshot(self, command, cwd, env=None, picture=None):
        """Runs a command from `cwd` that writes a snapshot: to `picture`, or to the file it names
        by a PICTURE placeholder. Returns its standard output and the picture."""
        if picture is None:
            picture = os.path.join(temporary_dir(self), "frame.png")
            command = [picture if arg == "PICTURE" else arg for arg in command]
        run = subprocess.run(command, cwd=cwd, env=harness.program_env(dict(self.xvfb.env(), **(env or {}))),
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual((run.returncode, run.stderr), (0, b""), run.stdout)
        return run.stdout.decode(), harness.read_png(picture)

    def reference(self, model, options=("--fit", "--at", "2")):
        """The picture the built viewer makes in data/, the shaders named."""
        command = [harness.find_binary(), "--snapshot", "PICTURE"] + list(options) + NAMED_SHADERS + [model]
        return self.snapshot(command, harness.DATA_DIR)[1]


class BuiltinShadersTest(SnapshotCase):
    def test_named_model_draws_with_the_shader_files_there_or_built_in(self):
        reference = self.reference("torus.obj", ["--at", "2"])
        # (the file in an otherwise empty working directory, options): the status and output; a
        # picture made with --look classic is data/'s, one in the physically based look is not
        cases = (
            ("model.obj", ["--look", "classic", "model.obj"], 0, VALIDATED),
            ("model.obj", ["model.obj"], 0, VALIDATED),
            ("model.obj", ["--vertex", "mine.glsl", "model.obj"], 1, "Cannot open file [mine.glsl]\n"),
            # no model named: the files as named, present or not
            ("torus.obj", ["--fit"], 1, "Cannot open file [VertexProgram.glsl]\n"),
        )
        for name, options, status, output in cases:
            path = os.path.join(temporary_dir(self), "frame.png")
            viewer = self.start(omit=harness.DATA_FILES, files={name: TORUS},
                                args=["--snapshot", path, "--at", "2"] + options)
            self.assertEqual((viewer.wait(60), viewer.output()), (status, output), options)
            if status == 0:
                differs = harness.read_png(path).differs(reference)
                self.assertEqual(differs == 0, "classic" in options, (options, differs))

    def test_reload_watches_only_the_shader_files_in_use(self):
        # the vertex shader built in, the fragment shader a file; a sphere covers the spot at every angle
        files = {"model.obj": harness.sphere_obj(), "FragmentProgram.glsl": solid(1, 0, 0)}
        viewer = self.start_with_window(omit=harness.DATA_FILES, files=files, prefix=["stdbuf", "-oL"], args=["model.obj"])
        self.assertEqual(viewer.wait_for_frame().pixel(180, 256), (255, 0, 0))
        # a vertex shader that appears later is not read, not even when the fragment shader reloads
        viewer.write("VertexProgram.glsl", b"broken")
        viewer.write("FragmentProgram.glsl", solid(0, 1, 0))
        wait_for(lambda: "Reloaded" in viewer.output() or "error" in viewer.output() or not viewer.running(), 30)
        self.assertTrue(viewer.output().startswith(VALIDATED + "Reloaded [FragmentProgram.glsl]\n"), viewer.output())
        wait_for(lambda: viewer.screenshot().pixel(180, 256) == (0, 255, 0), 30)
        viewer.key("q")
        self.assertEqual(viewer.wait(10), 0)
        self.assertEqual(viewer.output(), VALIDATED + "Reloaded [FragmentProgram.glsl]\n" + VALIDATED)


class InstallTest(SnapshotCase):
    def test_installed_viewer_draws_a_model_from_any_folder_and_has_its_manual_page(self):
        prefix = temporary_dir(self)
        subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], stdout=subprocess.DEVNULL, check=True)
        installed = {os.path.relpath(os.path.join(folder, name), prefix)
                     for folder, _, names in os.walk(prefix) for name in names}
        self.assertEqual(installed, INSTALLED)

        env = dict(os.environ, MANPATH=os.path.join(prefix, "share", "man"), LC_ALL="C", MANWIDTH="100")
        page = subprocess.run(["man", "--warnings", "spinview"], env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        self.assertEqual((page.returncode, page.stderr), (0, b""))
        text = page.stdout.decode()
        for heading in ("NAME", "SYNOPSIS", "OPTIONS", "KEYS AND MOUSE", "FILES", "EXIT STATUS", "EXAMPLES"):
            self.assertRegex(text, "(?m)^%s$" % heading)
        self.assertIn("spinview %s" % harness.project_version(), text)
        if os.path.exists(IMPORTER):
            # the installed program loads the installed module, the first it looks for that is there
            loaded = subprocess.run([os.path.join(prefix, "bin", "spinview"), "--version"], stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, env=dict(os.environ, LD_DEBUG="files"), timeout=60)
            modules = re.findall(r"file=(\S*spinview-importer\.so) ", loaded.stderr.decode())
            self.assertEqual({os.path.realpath(module) for module in modules},
                             {os.path.join(os.path.realpath(prefix), "lib", "spinview", "spinview-importer.so")})
            self.assertIn(" reads\n", loaded.stdout.decode())
        usage = subprocess.run([harness.find_binary(), "--help"], stdout=subprocess.PIPE, check=True).stdout.decode()
        for option in set(re.findall(r"--[a-z]+", usage)):
            self.assertRegex(text, r"(?m)^ +%s\b" % option)

        if not os.path.exists(SHARED_MODEL):
            self.skipTest("no shared models in %s" % os.path.dirname(SHARED_MODEL))
        elsewhere = temporary_dir(self)
        model = os.path.relpath(SHARED_MODEL, elsewhere)  # as a user there would name it
        command = [os.path.join(prefix, "bin", "spinview"), "--look", "classic", "--fit", "--at", "2", "--snapshot",
                   "PICTURE", model]
        output, image = self.snapshot(command, elsewhere)
        self.assertTrue(output.endswith(VALIDATED), output)  # after the notice of its missing .mtl file
        self.assertGreater(image.count_not_clear(0, 0, 256, 512, 2), 1000)
        self.assertEqual(image.differs(self.reference(os.path.abspath(SHARED_MODEL))), 0)


def linked_packages(binary):
    """The Debian packages that hold the libraries the program names (NEEDED)."""
    needed = subprocess.run(["readelf", "-d", binary], stdout=subprocess.PIPE, check=True).stdout.decode()
    multiarch = subprocess.run(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"], stdout=subprocess.PIPE,
                               check=True).stdout.decode().strip()
    patterns = ["*/%s/%s" % (multiarch, library) for library in re.findall(r"\(NEEDED\).*\[(.+)\]", needed)]
    found = subprocess.run(["dpkg-query", "--search"] + patterns, stdout=subprocess.PIPE, check=True).stdout.decode()
    return {line.split(":")[0] for line in found.splitlines()}


class PackageTest(unittest.TestCase):
    def test_package_holds_the_installed_files_and_depends_on_what_the_program_links(self):
        if harness.sanitized(harness.find_binary()):
            self.skipTest("the package is made of the plain build")
        out = temporary_dir(self)
        subprocess.run(["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out],
                       stdout=subprocess.DEVNULL, check=True)
        arch = subprocess.run(["dpkg", "--print-architecture"], stdout=subprocess.PIPE, check=True).stdout.decode()
        deb = os.path.join(out, "spinview_%s_%s.deb" % (harness.project_version(), arch.strip()))
        listing = subprocess.run(["dpkg-deb", "--contents", deb], stdout=subprocess.PIPE, check=True).stdout.decode()
        files = {line.split()[-1][len("./usr/"):] for line in listing.splitlines() if not line.endswith("/")}
        self.assertEqual(files, INSTALLED)

        owners = linked_packages(harness.find_binary())
        for library in ("libglut", "libglew", "libpng"):
            self.assertTrue(any(package.startswith(library) for package in owners), owners)
        if os.path.exists(IMPORTER):
            # libassimp is the module's, loaded when a file needs it, never the program's
            self.assertFalse(any(package.startswith("libassimp") for package in owners), owners)
            owners |= linked_packages(IMPORTER)
            self.assertTrue(any(package.startswith("libassimp") for package in owners), owners)
        depends = subprocess.run(["dpkg-deb", "--field", deb, "Depends"], stdout=subprocess.PIPE,
                                 check=True).stdout.decode()
        self.assertEqual({re.sub(r"\(.*\)", "", package).strip() for package in depends.split(",")}, owners)


class RunScriptTest(SnapshotCase):
    def test_paths_are_taken_from_where_it_is_started(self):
        here = temporary_dir(self)
        # a shader left unnamed still comes from data/, not from here
        for name, content in (("model.obj", TORUS), ("FragmentProgram.glsl", solid(0, 1, 0))):
            with open(os.path.join(here, name), "wb") as f:
                f.write(content)
        reference = self.reference(os.path.join(here, "model.obj"))
        run = os.path.join(harness.REPO, "scripts", "run.sh")
        # with a display the viewer writes where it is told (an option shortened, as the viewer
        # allows); without, the viewer draws offscreen and writes spinview.png beside the program
        use = {"SPINVIEW_BIN": harness.find_binary()}  # the build under test, not a new one
        _, shown = self.snapshot([run, "--fit", "-snap", "PICTURE", "--at", "2", "model.obj"], here, env=use)
        beside = os.path.join(os.path.dirname(harness.find_binary()), "spinview.png")
        if os.path.exists(beside):
            os.remove(beside)
        _, drawn = self.snapshot([run, "model.obj", "--fit"], here, env=dict(use, DISPLAY=""), picture=beside)
        self.assertEqual((shown.differs(reference), drawn.differs(reference)), (0, 0))


if __name__ == "__main__":
    unittest.main()
