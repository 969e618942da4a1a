"""Measures frames per second of the real spinview on this machine's OpenGL (llvmpipe here):
    python3 scripts/frameRate.py orbit MODEL [SECONDS]    a window under a private Xvfb, the camera
                                                         orbiting under left drags meanwhile
    python3 scripts/frameRate.py turntable MODEL [N]     a turntable of N frames (72 by default),
                                                         offscreen and under Xvfb
    python3 scripts/frameRate.py passes [SECONDS [ROUNDS]]  canvas shaders of 0, 1, 2 and 4 buffers
                                                         in a 512 x 512 window, the runs interleaved,
                                                         and the cost of each pass beside a frame
                                                         of the full-window quad alone
    python3 scripts/frameRate.py looks MODEL [SECONDS [ROUNDS]]  the model spinning in the physically
                                                         based look and with the classic shaders,
                                                         the runs interleaved, and their ratio
The viewer is build/spinview (SPINVIEW_BIN names another); models are given --fit, and the
arguments after a `--` too (`orbit MODEL 5 -- --samples 0`). The window's
rate comes from its own frame times (SPINVIEW_FRAME_TIMES); a turntable's from the wall time of the
whole process, start-up included."""

import os
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402

BIN = os.environ.get("SPINVIEW_BIN", os.path.join(REPO, "build", "spinview"))


def orbit(model, seconds, extra=()):
    xvfb = harness.Xvfb()
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    times = os.path.join(folder, "frames.txt")
    try:
        viewer = harness.Viewer(xvfb, binary=BIN, args=["--fit"] + list(extra) + [os.path.abspath(model)],
                                env={"SPINVIEW_FRAME_TIMES": times})
        viewer.find_window()
        viewer.wait_for_frame()
        viewer.xdotool("mousemove", "--window", viewer.window, 100, 256)
        viewer.xdotool("mousedown", 1)
        with open(times) as f:
            start = len(f.read().splitlines())
        began = time.time()
        x = 100
        while time.time() - began < seconds:
            x = 400 if x == 100 else 100
            viewer.xdotool("mousemove", "--window", viewer.window, x, 256)
        viewer.xdotool("mouseup", 1)
        viewer.key("q")
        viewer.wait(30)
        with open(times) as f:
            ticks = [int(line) for line in f.read().splitlines()[start:] if line.isdigit()]
        viewer.stop()
    finally:
        xvfb.stop()
    span = (ticks[-1] - ticks[0]) / 1000.0
    print("%s%s orbiting: %d frames in %.2f s, %.1f frames/s" % (
        os.path.basename(model), "".join(" " + a for a in extra), len(ticks) - 1, span, (len(ticks) - 1) / span))


def processor_seconds(pid):
    """User and system time of the process so far, its threads' (llvmpipe's) included."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def frames_logged(path):
    with open(path) as f:
        return len([line for line in f.read().splitlines() if line.isdigit()])


def frame_rate(args, seconds, folder, processor=None):
    """Frames per second of the viewer left alone in a 512 x 512 window for `seconds`, from its own
    frame times, after its first frames. `processor`, a list, gets the processor milliseconds of a
    frame over those seconds, which a machine shared with other work changes less."""
    xvfb = harness.Xvfb()
    times = os.path.join(folder, "frames.txt")
    try:
        viewer = harness.Viewer(xvfb, binary=BIN, args=args, env={"SPINVIEW_FRAME_TIMES": times})
        viewer.find_window()
        time.sleep(1.0)
        frames, spent = frames_logged(times), processor_seconds(viewer.proc.pid)
        time.sleep(seconds)
        if processor is not None:
            processor.append(1000.0 * (processor_seconds(viewer.proc.pid) - spent) /
                             max(1, frames_logged(times) - frames))
        viewer.key("q")
        viewer.wait(30)
        with open(times) as f:
            ticks = [int(line) for line in f.read().splitlines() if line.isdigit()]
        viewer.stop()
    finally:
        xvfb.stop()
    ticks = [t for t in ticks if t >= ticks[0] + 1000]  # from a second in
    return (len(ticks) - 1) / ((ticks[-1] - ticks[0]) / 1000.0)


# a canvas of N buffers, each a full-window quad that the main pass alone samples
CANVAS = """uniform vec2 u_resolution;
uniform float u_time;
%(declarations)s
void main() {
    vec2 st = gl_FragCoord.xy / u_resolution;
    vec3 colour = vec3(st, 0.5 + 0.5 * sin(u_time));
#if %(mainOnly)s
%(reads)s
#endif
    gl_FragColor = vec4(colour, 1.0);
}
"""


def passes(seconds, rounds):
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    counts = (0, 1, 2, 4)
    for n in counts:
        text = CANVAS % {"declarations": "".join("uniform sampler2D u_buffer%d;\n" % i for i in range(n)),
                         "mainOnly": " && ".join(["1"] + ["!defined(BUFFER_%d)" % i for i in range(n)]),
                         "reads": "".join("    colour += 0.1 * texture2D(u_buffer%d, st).rgb;\n" % i
                                          for i in range(n))}
        with open(os.path.join(folder, "buffers%d.frag" % n), "w") as f:
            f.write(text)
    rates = {n: [] for n in counts}
    for _ in range(rounds):
        for n in counts:
            rates[n].append(frame_rate([os.path.join(folder, "buffers%d.frag" % n)], seconds, folder))
    median = {n: sorted(r)[len(r) // 2] for n, r in rates.items()}
    for n in counts:
        print("%d buffers: %s frames/s, median %.1f (%.2f ms a frame)" % (
            n, " ".join("%.1f" % r for r in rates[n]), median[n], 1000.0 / median[n]))
    alone = 1000.0 / median[0]
    for n in counts[1:]:
        extra = (1000.0 / median[n] - alone) / n
        print("each of %d buffers: %.2f ms, %.2f times the frame of the quad alone (%.2f ms)" % (n, extra,
                                                                                             extra / alone, alone))


def looks(model, seconds, rounds):
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    rates = {"pbr": [], "classic": []}
    spent = {"pbr": [], "classic": []}
    for _ in range(rounds):
        for look in rates:
            rates[look].append(frame_rate(["--look", look, "--fit", os.path.abspath(model)], seconds, folder,
                                          spent[look]))
    median = {look: sorted(r)[len(r) // 2] for look, r in rates.items()}
    cost = {look: sorted(r)[len(r) // 2] for look, r in spent.items()}
    for look, r in rates.items():
        print("%s look: %s frames/s, median %.1f; processor time %s ms a frame, median %.2f" % (
            look, " ".join("%.1f" % x for x in r), median[look], " ".join("%.2f" % x for x in spent[look]), cost[look]))
    print("the physically based look draws %.2f times as many frames a second as the classic shaders, "
          "and takes %.2f times their processor time a frame" % (median["pbr"] / median["classic"],
                                                                 cost["pbr"] / cost["classic"]))


def turntable(model, frames, extra=()):
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    args = [BIN, "--fit", "--snapshot", os.path.join(folder, "f%03d.png"), "--frames", str(frames)] + list(extra) + [
        os.path.abspath(model)]
    xvfb = harness.Xvfb()
    try:
        for where, env in (("offscreen", dict(os.environ, DISPLAY="")), ("under Xvfb", xvfb.env())):
            began = time.time()
            subprocess.run(args, env=env, cwd=folder, stdout=subprocess.DEVNULL, check=True)
            took = time.time() - began
            print("%s%s turntable of %d frames %s: %.2f s, %.1f frames/s" % (
                os.path.basename(model), "".join(" " + a for a in extra), frames, where, took, frames / took))
    finally:
        xvfb.stop()


if __name__ == "__main__":
    extra = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    if "--" in sys.argv:
        sys.argv = sys.argv[:sys.argv.index("--")]
    if sys.argv[1:2] == ["looks"] and len(sys.argv) > 2:
        looks(sys.argv[2], float(sys.argv[3]) if len(sys.argv) > 3 else 5.0, int(sys.argv[4]) if len(sys.argv) > 4 else 3)
        sys.exit(0)
    if sys.argv[1:2] == ["passes"]:
        passes(float(sys.argv[2]) if len(sys.argv) > 2 else 5.0, int(sys.argv[3]) if len(sys.argv) > 3 else 3)
        sys.exit(0)
    if len(sys.argv) < 3 or sys.argv[1] not in ("orbit", "turntable"):
        sys.exit(__doc__)
    if sys.argv[1] == "orbit":
        orbit(sys.argv[2], float(sys.argv[3]) if len(sys.argv) > 3 else 5.0, extra)
    else:
        turntable(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 72, extra)
