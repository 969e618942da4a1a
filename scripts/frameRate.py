"""Measures frames per second of the real spinview on this machine's OpenGL (llvmpipe here):
    python3 scripts/frameRate.py orbit MODEL [SECONDS]    a window under a private Xvfb, the camera
                                                         orbiting under left drags meanwhile
    python3 scripts/frameRate.py turntable MODEL [N]     a turntable of N frames (72 by default),
                                                         offscreen and under Xvfb
The viewer is build/spinview (SPINVIEW_BIN names another); models are given --fit. The window's
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


def orbit(model, seconds):
    xvfb = harness.Xvfb()
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    times = os.path.join(folder, "frames.txt")
    try:
        viewer = harness.Viewer(xvfb, binary=BIN, args=["--fit", os.path.abspath(model)],
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
    print("%s orbiting: %d frames in %.2f s, %.1f frames/s" % (os.path.basename(model), len(ticks) - 1, span,
                                                               (len(ticks) - 1) / span))


def turntable(model, frames):
    folder = tempfile.mkdtemp(prefix="spinview-rate-")
    args = [BIN, "--fit", "--snapshot", os.path.join(folder, "f%03d.png"), "--frames", str(frames),
            os.path.abspath(model)]
    xvfb = harness.Xvfb()
    try:
        for where, env in (("offscreen", dict(os.environ, DISPLAY="")), ("under Xvfb", xvfb.env())):
            began = time.time()
            subprocess.run(args, env=env, cwd=folder, stdout=subprocess.DEVNULL, check=True)
            took = time.time() - began
            print("%s turntable of %d frames %s: %.2f s, %.1f frames/s" % (os.path.basename(model), frames, where,
                                                                            took, frames / took))
    finally:
        xvfb.stop()


if __name__ == "__main__":
    if len(sys.argv) < 3 or sys.argv[1] not in ("orbit", "turntable"):
        sys.exit(__doc__)
    if sys.argv[1] == "orbit":
        orbit(sys.argv[2], float(sys.argv[3]) if len(sys.argv) > 3 else 5.0)
    else:
        turntable(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 72)
