"""End-to-end harness: runs the real spinview inside a private Xvfb.

Each Session starts its own X server on a free display number and stops it by its own
process id. A Viewer runs spinview in a temporary working directory holding the data
files, finds its window, sends keys, resizes it, takes screenshots and collects standard
output and the exit status.

Also usable as a command: `harness.py xvfb-run CMD ARGS...` runs CMD with DISPLAY set to
a private Xvfb (for test binaries that need a window).
"""

import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA_DIR = os.path.join(REPO, "data")
DATA_FILES = ("torus.obj", "VertexProgram.glsl", "FragmentProgram.glsl")
CLEAR_RGB = (51, 51, 51)
# /usr/local/bin/convert may be a stand-in; ImageMagick's own is in /usr/bin
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"


def program_env(env):
    """The environment for a program under test: with SPINVIEW_TEST_PRELOAD, that library is
    preloaded into it alone (the sanitizer build keeps the OpenGL driver loaded to the end, so
    that its leaks are named and suppressed by library)."""
    preload = os.environ.get("SPINVIEW_TEST_PRELOAD")
    if preload:
        env = dict(env, LD_PRELOAD=preload)
    return env


def readable_sanitizer_options(folder):
    """The sanitizers' options of this process, their suppression files copied into `folder`
    (readable by all), for a viewer run as another user: the checkout may be a folder only its
    owner can enter, and a sanitizer that cannot read its suppressions ends the program."""
    options = {}
    for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS"):
        value = os.environ.get(name)
        if not value or "suppressions=" not in value:
            continue
        parts = []
        for part in value.split(":"):
            if part.startswith("suppressions="):
                copy = os.path.join(folder, name.lower() + ".supp")
                shutil.copy(part[len("suppressions="):], copy)
                os.chmod(copy, 0o644)
                part = "suppressions=" + copy
            parts.append(part)
        options[name] = ":".join(parts)
    return options


def project_version():
    """The version the CMake project declares, which the program reports."""
    with open(os.path.join(REPO, "CMakeLists.txt")) as f:
        return re.search(r"project\(spinview VERSION ([0-9.]+)", f.read()).group(1)


def find_binary(name="spinview"):
    """A program of the build: SPINVIEW_BIN names the viewer, SPINVIEW_BUILD the build folder."""
    path = os.environ.get("SPINVIEW_BIN")
    if path and name == "spinview":
        return path
    return os.path.join(os.environ.get("SPINVIEW_BUILD", os.path.join(REPO, "build")), name)


MEMCHECK = ["valgrind", "--log-fd=2", "--num-callers=40", "--fullpath-after=", "--track-origins=yes",
            "--suppressions=" + os.path.join(REPO, "tests", "sanitizer", "valgrind-driver.supp")]


def _frame_kind(frame, binary):
    """'ours' for a frame in the viewer's sources or binary, 'skip' for valgrind's own
    replacements (malloc, memcpy, strlen...) and inlined C++ library templates, else 'system'."""
    if "(" not in frame:
        return "system"
    where = frame[frame.rfind("(") + 1:frame.rfind(")")]
    place = where[3:] if where.startswith("in ") else where.rsplit(":", 1)[0]
    if place.startswith(os.path.join(REPO, "src") + os.sep) or place == binary:
        return "ours"
    if "/valgrind/vgpreload_" in place or place.startswith("/usr/include/"):
        return "skip"
    return "system"


def own_memcheck_errors(report, binary):
    """The memcheck errors that are the viewer's own: the first frame of the faulting stack that
    is not valgrind's or an inlined library template lies in our code, or that of the stack that
    allocated or freed the memory does. A stack merely passing through our code (main lies
    under every start-up stack, glutInit's driver loading included) does not count.
    Needs a log made with --fullpath-after= (MEMCHECK)."""
    errors = []
    for block in re.split(r"\n==\d+== ?\n", report):  # a bare "==pid== " line ends each error
        lines = [line.split("== ", 1)[1] for line in block.splitlines() if "== " in line]
        stacks, current = [], None
        for line in lines[1:]:
            if line.strip().startswith(("at ", "by ")):
                if current is None:
                    current = []
                    stacks.append(current)
                current.append(line)
            else:  # "Address ... alloc'd", "Block was alloc'd at": another stack follows
                current = None
        for stack in stacks:
            kinds = [kind for kind in (_frame_kind(frame, binary) for frame in stack) if kind != "skip"]
            if kinds and kinds[0] == "ours":
                errors.append(block)
                break
    return errors


def position_sphere_obj(radius=18.0, rings=400, segments=750):
    """A sphere of positions only, its faces quads: (rings + 1) x (segments + 1) position records,
    so that it welds to more vertices than 16-bit indices reach, with normals the viewer smooths.
    Centred on the origin, it looks the same at every angle of the spin."""
    import math
    lines = []
    for i in range(rings + 1):
        theta = math.pi * i / rings
        for j in range(segments + 1):
            phi = 2 * math.pi * j / segments
            lines.append("v %.5f %.5f %.5f" % (radius * math.sin(theta) * math.cos(phi), radius * math.cos(theta),
                                                radius * math.sin(theta) * math.sin(phi)))
    for i in range(rings):
        for j in range(segments):
            a, b = i * (segments + 1) + j + 1, (i + 1) * (segments + 1) + j + 1
            lines.append("f %d %d %d %d" % (a, a + 1, b + 1, b))  # counter-clockwise seen from outside
    return ("\n".join(lines) + "\n").encode()


def sphere_obj(radius=15.0, rings=24, segments=48):
    """A sphere centred on the origin: it looks the same at every angle of the spin."""
    import math
    lines = []
    for i in range(rings + 1):
        theta = math.pi * i / rings
        for j in range(segments + 1):
            phi = 2 * math.pi * j / segments
            n = (math.sin(theta) * math.cos(phi), math.cos(theta), math.sin(theta) * math.sin(phi))
            lines.append("v %.6f %.6f %.6f" % tuple(radius * c for c in n))
            lines.append("vt %.6f %.6f" % (j / segments, i / rings))
            lines.append("vn %.6f %.6f %.6f" % n)
    for i in range(rings):
        for j in range(segments):
            a, b = i * (segments + 1) + j + 1, (i + 1) * (segments + 1) + j + 1
            for corners in ((a, b, a + 1), (a + 1, b, b + 1)):
                lines.append("f " + " ".join("%d/%d/%d" % (c, c, c) for c in corners))
    return ("\n".join(lines) + "\n").encode()


# A still quad facing the camera on the kept side of the cut: world z from 2 to 16 (screen x from
# 58 to 231), y from -16 to 16 (screen y from 58 to 454). Each corner has its own texture
# coordinate and normal, so a picture of either shows whether it reached its unit intact.
DIAGNOSTIC_QUAD = b"""v 0 16 16
v 0 16 2
v 0 -16 16
v 0 -16 2
vt 0 1
vt 1 1
vt 0 0
vt 1 0
vn 1 0 0
vn 0 1 0
vn 0 0 1
vn 0.6 0.8 0
f 1/1/1 3/3/3 4/4/4
f 1/1/1 4/4/4 2/2/2
"""
# pixels a few steps inside the quad's corners: top left, top right, bottom left, bottom right
QUAD_CORNER_PIXELS = ((66, 66), (223, 66), (66, 446), (223, 446))


def diagnostic_vertex_shader(color):
    """A vertex shader that ignores the spin and colours the mesh by `colour` (a GLSL vec3)."""
    return ("""#version 120
uniform vec4 VPMatrix[4];
varying vec3 color;
void main()
{
    color = %s;
    gl_ClipVertex = gl_Vertex;
    gl_Position = VPMatrix[0] * gl_Vertex.x + VPMatrix[1] * gl_Vertex.y + VPMatrix[2] * gl_Vertex.z + VPMatrix[3];
}
""" % color).encode()


DIAGNOSTIC_FRAGMENT_SHADER = b"""#version 120
varying vec3 color;
void main() { gl_FragColor = vec4(color, 1.0); }
"""


def sanitized(binary):
    """True for a build with AddressSanitizer, which neither valgrind nor apitrace can wrap."""
    linked = subprocess.run(["ldd", binary], stdout=subprocess.PIPE).stdout.decode()
    return "libasan" in linked


def traced(path):
    """The prefix that records a program's OpenGL calls into the apitrace file `path`."""
    return ["apitrace", "trace", "--api", "gl", "--output", path]


def gl_calls(path):
    """The OpenGL calls of an apitrace file, one line each as `apitrace dump` writes them without
    argument names (glBindBuffer(GL_ARRAY_BUFFER, 1)), glGetError included. Left out: the
    window system's calls but the swap, apitrace's own "fake" calls, and glewInit's queries of
    the version and the extensions."""
    dump = subprocess.run(["apitrace", "dump", "--verbose", "--call-nos=no", "--arg-names=no", "--multiline=no",
                           "--color=never", path], stdout=subprocess.PIPE, check=True).stdout.decode("utf-8", "replace")
    calls = []
    for line in dump.splitlines():
        if not line.startswith("gl") or line.endswith("// fake"):
            continue
        if line.startswith("glX") and not line.startswith("glXSwapBuffers("):
            continue
        if line.startswith(("glGetString(", "glGetStringi(", "glGetIntegerv(GL_NUM_EXTENSIONS")):
            continue
        calls.append(line)
    return calls


class Xvfb:
    """A private X server on a display number of its own; stopped by its own pid."""

    def __init__(self, width=1280, height=1024):
        # numbers spread over a wide range, so that parallel tests rarely even try the same one,
        # and never reuse a number that a server just left
        numbers = random.Random(os.getpid() ^ int(time.time() * 1000)).sample(range(100, 30000), 40)
        for number in numbers:
            if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
                continue
            self.proc = subprocess.Popen(
                # -noreset: without it the server resets when its last client leaves (the probe
                # below), and drops a client that connects meanwhile
                ["Xvfb", ":%d" % number, "-screen", "0", "%dx%dx24" % (width, height), "-nolisten", "tcp",
                 "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = ":%d" % number
            if self._owns(number):
                return
            self.stop()
        raise RuntimeError("no free X display number for Xvfb")

    def _owns(self, number):
        """True once this server answers on the display and its lock file names it."""
        deadline = time.time() + 10
        while time.time() < deadline and self.proc.poll() is None:
            try:
                with open("/tmp/.X%d-lock" % number) as lock:
                    owner = int(lock.read().strip() or 0)
            except (OSError, ValueError):
                owner = 0
            if owner == self.proc.pid:
                probe = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.env(),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                if probe.returncode == 0:
                    return True
            elif owner:
                return False  # another server has it
            time.sleep(0.05)
        return False

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None

    def env(self):
        # no shader cache: a cached compile comes back without its info log
        return dict(os.environ, DISPLAY=self.display, MESA_SHADER_CACHE_DISABLE="true")


class Image:
    """An RGB picture read from a binary PPM."""

    def __init__(self, ppm):
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos)
                continue
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise ValueError("not an 8-bit P6 picture")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = ppm[pos + 1:pos + 1 + self.width * self.height * 3]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def is_clear(self, x, y, margin=6):
        return all(abs(c - k) <= margin for c, k in zip(self.pixel(x, y), CLEAR_RGB))

    def count_not_clear(self, x0, y0, x1, y1, step=1):
        """Pixels in [x0, x1) x [y0, y1) that are not the clear colour."""
        return sum(1 for y in range(y0, y1, step) for x in range(x0, x1, step) if not self.is_clear(x, y))

    def columns_not_clear(self):
        """Indices of the columns that hold at least one pixel other than the clear colour."""
        return [x for x in range(self.width)
                if any(not self.is_clear(x, y) for y in range(0, self.height, 2))]

    def differs(self, other):
        return sum(1 for a, b in zip(self.pixels, other.pixels) if abs(a - b) > 8)


def read_png(path):
    """An Image of a PNG file, through ImageMagick."""
    ppm = subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], stdout=subprocess.PIPE, check=True).stdout
    return Image(ppm)


class Viewer:
    """spinview running in a temporary working directory on a private display."""

    def __init__(self, xvfb, files=None, omit=(), binary=None, prefix=(), user=None, prepare=None, args=(), env=None,
                 preexec=None, frame_times=False):
        """files: name -> bytes to write instead of the shipped file (a name may have folders);
        omit: names to leave out; prefix: a command to run the viewer under (valgrind); user: a uid
        to run it as; prepare: called with the working directory before the viewer starts;
        args: the viewer's command line; env: variables to set for it alone; preexec: called in
        the child before the viewer starts (to set limits); frame_times: the viewer logs its frames
        and model readings (SPINVIEW_FRAME_TIMES), for the waits on them below."""
        self.xvfb = xvfb
        self.dir = tempfile.mkdtemp(prefix="spinview-e2e-")
        os.chmod(self.dir, 0o755)
        files = files or {}
        for name in DATA_FILES:
            if name not in omit and name not in files:
                shutil.copy(os.path.join(DATA_DIR, name), self.dir)
        for name, content in files.items():
            if content is not None:
                self.write(name, content)
        if prepare:
            prepare(self.dir)
        # the viewer's own output stays apart from the data files
        self.logs = tempfile.mkdtemp(prefix="spinview-e2e-logs-")
        self.out_path = os.path.join(self.logs, "stdout.txt")
        self.err_path = os.path.join(self.logs, "stderr.txt")
        self.out_file = open(self.out_path, "wb")
        self.err_file = open(self.err_path, "wb")
        self.frame_times = os.path.join(self.logs, "frames.txt") if frame_times else None
        if frame_times:
            env = dict(env or {}, SPINVIEW_FRAME_TIMES=self.frame_times)
        extra = {"user": user, "group": user, "extra_groups": []} if user is not None else {}
        if user is not None:
            env = dict(env or {}, **readable_sanitizer_options(self.dir))
        if preexec:
            extra["preexec_fn"] = preexec
        self.proc = subprocess.Popen(list(prefix) + [binary or find_binary()] + list(args), cwd=self.dir,
                                     env=program_env(dict(xvfb.env(), **(env or {}))), stdout=self.out_file,
                                     stderr=self.err_file,
                                     **extra)
        self.window = None

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, content):
        """Writes a file of the working directory whole, making its folders."""
        path = self.path(name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)

    def xdotool(self, *args, timeout=60):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.xvfb.env(), timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True).stdout.decode()

    def find_window(self, timeout=120):
        """Waits for the viewer's window, moves it to (0, 0) and returns its id."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("spinview ended before its window appeared: status %d\n%s%s"
                                   % (self.proc.returncode, self.output(), self.errors()))
            # freeglut sets no _NET_WM_PID, so look for the title; each viewer has its own display
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^(Just a test|.* - spinview)$"],
                                   env=self.xvfb.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            ids = found.stdout.split()
            if ids:
                self.window = ids[0].decode()
                self.xdotool("windowmove", "--sync", self.window, 0, 0)
                time.sleep(0.3)
                return self.window
            time.sleep(0.1)
        raise RuntimeError("no spinview window within %d s" % timeout)

    def title(self):
        return self.xdotool("getwindowname", self.window).strip()

    def geometry(self):
        """(width, height) of the client area."""
        size = {}
        for line in self.xdotool("getwindowgeometry", "--shell", self.window).split():
            key, _, value = line.partition("=")
            size[key] = value
        return int(size["WIDTH"]), int(size["HEIGHT"])

    def key(self, name):
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", name)

    def drag(self, start, end, button=1, shift=False):
        """Presses `button` at `start` (window pixels), moves to `end` in one step, lets go."""
        self.xdotool("windowfocus", "--sync", self.window)
        if shift:
            self.xdotool("keydown", "shift")
        self.xdotool("mousemove", "--window", self.window, *start)
        self.xdotool("mousedown", button)
        self.xdotool("mousemove", "--window", self.window, *end)
        self.xdotool("mouseup", button)
        if shift:
            self.xdotool("keyup", "shift")

    def click(self, button):
        self.xdotool("click", "--window", self.window, button)

    def resize(self, width, height):
        self.xdotool("windowsize", "--sync", self.window, width, height)
        time.sleep(0.5)

    def screenshot(self, save_as=None, timeout=120):
        """The window as it shows now. On a loaded machine the X server can take long to answer
        while the viewer draws back to back: the wait is generous."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.xvfb.env(),
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout, check=True).stdout
        if save_as:
            subprocess.run([CONVERT, "ppm:-", save_as], input=ppm, check=True)
        return Image(ppm)

    def wait_for_frame(self, timeout=120):
        """Waits until a frame fills the window: all four corners hold the clear colour."""
        deadline = time.time() + timeout
        while True:
            image = self.screenshot()
            w, h = image.width - 1, image.height - 1
            if all(image.is_clear(x, y) for x, y in ((0, 0), (w, 0), (0, h), (w, h))):
                return image
            if time.time() > deadline:
                raise RuntimeError("no frame within %d s" % timeout)
            time.sleep(0.2)

    def wait_for_picture(self, timeout=120):
        """Waits until a frame shows the mesh: besides the clear corners, something in the left half."""
        deadline = time.time() + timeout
        while True:
            image = self.wait_for_frame(max(1, deadline - time.time()))
            if image.count_not_clear(0, 0, image.width // 2, image.height, 8) > 0:
                return image
            if time.time() > deadline:
                raise RuntimeError("no mesh within %d s" % timeout)
            time.sleep(0.2)

    def frame_log(self):
        """The lines of the frame log so far, whole lines only."""
        try:
            with open(self.frame_times) as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return text[:text.rfind("\n") + 1].splitlines()

    def frame_ticks(self):
        """The viewer's tick count at each frame it showed so far."""
        return [int(line) for line in self.frame_log() if line.isdigit()]

    def wait_for_log(self, done, what, timeout=120):
        """Waits until done(lines of the frame log) holds, while the viewer runs."""
        deadline = time.time() + timeout
        while not done(self.frame_log()):
            if not self.running():
                raise RuntimeError("spinview ended while waiting for %s" % what)
            if time.time() > deadline:
                raise RuntimeError("no %s within %d s" % (what, timeout))
            time.sleep(0.02)

    def wait_for_frames(self, count):
        """Waits until `count` more frames are shown than were when asked."""
        start = len(self.frame_ticks())
        self.wait_for_log(lambda lines: sum(line.isdigit() for line in lines) >= start + count,
                          "%d frames" % count)

    def wait_for_clock(self, ms):
        """Waits until a frame is shown `ms` or more after the last one shown when asked, on the
        viewer's own clock: whatever it does every so many milliseconds between frames (looking at
        its files, say) has then happened, however slow the machine."""
        self.wait_for_frames(1)
        since = self.frame_ticks()[-1]
        self.wait_for_log(lambda lines: any(line.isdigit() and int(line) - since >= ms for line in lines),
                          "frame %d ms on" % ms)

    @staticmethod
    def _events(lines, event):
        return sum(line.split(" ")[1:2] == [event] for line in lines)

    def events(self, event):
        """How many lines of the event (`reading`, `shown`) the frame log holds."""
        return self._events(self.frame_log(), event)

    def wait_for_event(self, event, count):
        """Waits until the frame log holds `count` lines of the event."""
        self.wait_for_log(lambda lines: self._events(lines, event) >= count, "%d x %s" % (count, event))

    def running(self):
        return self.proc.poll() is None

    def wait(self, timeout=10):
        """Exit status, or None if the process is still running after timeout seconds."""
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def output(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def errors(self):
        with open(self.err_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def sanitizer_report(self):
        """The sanitizers' report on standard error, if any ("" when clean)."""
        text = self.errors()
        markers = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "SUMMARY: AddressSanitizer",
                   "SUMMARY: UndefinedBehaviorSanitizer", "WARNING: ThreadSanitizer")
        return text if any(marker in text for marker in markers) else ""

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.out_file.close()
        self.err_file.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        shutil.rmtree(self.logs, ignore_errors=True)


class ViewerCase(unittest.TestCase):
    """A test with its own Xvfb; every viewer it starts is stopped after it, and must have left
    no sanitizer report."""

    def setUp(self):
        self.xvfb = Xvfb()
        # also when a subclass's setUp skips or fails after this, which leaves tearDown out
        self.addCleanup(self.xvfb.stop)
        self.viewers = []

    def tearDown(self):
        try:
            for viewer in self.viewers:
                viewer.wait(0)
                self.assertEqual(viewer.sanitizer_report(), "")
        finally:
            for viewer in self.viewers:
                viewer.stop()
            self.xvfb.stop()

    def start(self, **kwargs):
        viewer = Viewer(self.xvfb, **kwargs)
        self.viewers.append(viewer)
        return viewer

    def start_with_window(self, **kwargs):
        viewer = self.start(**kwargs)
        viewer.find_window()
        return viewer


def xvfb_run(argv):
    xvfb = Xvfb()
    try:
        return subprocess.call(argv, env=program_env(xvfb.env()))
    finally:
        xvfb.stop()


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "xvfb-run":
        sys.exit(xvfb_run(sys.argv[2:]))
    sys.exit("usage: harness.py xvfb-run CMD [ARGS...]")
