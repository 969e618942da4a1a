"""The gaps between frames while the viewer reloads a large model that draws quickly: the viewer
runs in a private Xvfb (tests/e2e/harness.py) with SPINVIEW_FRAME_TIMES, and the model is put in
place of torus.obj several times; from the frame times, the longest gap and the 99th percentile of
the gaps from each "reading" to 300 ms after its "shown", beside the same before any reload.
    python3 scripts/reloadGaps.py [--rounds N] [--model FILE]
The model is by default a 57 MB torus of 180,000 triangles, each written with its own v, vt and vn
records (build/make_torus FILE --per-corner 300 300); the build folder is build/, or SPINVIEW_BUILD.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402

AFTER_SHOWN_MS = 300


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def read_log(path):
    """The frame ticks, and (reading, shown) tick pairs, in order."""
    frames, events, reading = [], [], None
    with open(path) as f:
        for line in f:
            fields = line.split()
            if len(fields) == 1:
                frames.append(int(fields[0]))
            elif fields[1] == "reading":
                reading = int(fields[0])
            elif fields[1] == "shown" and reading is not None:
                events.append((reading, int(fields[0])))
                reading = None
    return frames, events


def gaps_within(frames, start, end):
    """The gaps between consecutive frames that reach into [start, end]."""
    return [b - a for a, b in zip(frames, frames[1:]) if b >= start and a <= end]


def put_in_place(viewer, model, round_number):
    """Puts the model in place of torus.obj in one step; each round's version differs by a comment."""
    staged = viewer.path("staged.obj")
    shutil.copyfile(model, staged)
    with open(staged, "ab") as f:
        f.write(b"# round %d\n" % round_number)
    os.replace(staged, viewer.path("torus.obj"))


def main(argv):
    rounds, model = 5, None
    while argv[:1] in (["--rounds"], ["--model"]):
        if argv[0] == "--rounds":
            rounds = int(argv[1])
        else:
            model = argv[1]
        argv = argv[2:]
    build = os.environ.get("SPINVIEW_BUILD", os.path.join(REPO, "build"))
    work = tempfile.mkdtemp(prefix="spinview-gaps-")
    xvfb = viewer = None
    try:
        if model is None:
            model = os.path.join(work, "per-corner.obj")
            subprocess.run([os.path.join(build, "make_torus"), model, "--per-corner", "300", "300"], check=True,
                           stdout=subprocess.DEVNULL)
        frames_path = os.path.join(work, "frames.txt")
        xvfb = harness.Xvfb()
        viewer = harness.Viewer(xvfb, binary=os.environ.get("SPINVIEW_BIN", os.path.join(build, "spinview")),
                                env={"SPINVIEW_FRAME_TIMES": frames_path})
        viewer.find_window()
        viewer.wait_for_frame()
        time.sleep(1.0)  # frames of the shipped torus, for the comparison
        for round_number in range(1, rounds + 1):
            put_in_place(viewer, model, round_number)
            deadline = time.time() + 120
            while viewer.output().count("Reloaded [torus.obj]") < round_number:
                if time.time() > deadline or not viewer.running():
                    raise RuntimeError("no reload %d:\n%s%s" % (round_number, viewer.output(), viewer.errors()))
                time.sleep(0.05)
            time.sleep(1.0)
        viewer.key("q")
        if viewer.wait(60) != 0:
            raise RuntimeError("the viewer did not end cleanly:\n%s" % viewer.errors())
        frames, events = read_log(frames_path)
    finally:
        if viewer:
            viewer.stop()
        if xvfb:
            xvfb.stop()
        shutil.rmtree(work, ignore_errors=True)

    before = gaps_within(frames, frames[0], events[0][0]) if events else []
    print("%-28s %7s %9s %9s %9s" % ("", "frames", "longest", "99th", "median"))
    if before:
        print("%-28s %7d %6d ms %6d ms %6d ms" % ("before any reload", len(before), max(before),
                                                 percentile(before, 0.99), statistics.median(before)))
    during = []
    for number, (reading, shown) in enumerate(events, 1):
        gaps = gaps_within(frames, reading, shown + AFTER_SHOWN_MS)
        during += gaps
        print("%-28s %7d %6d ms %6d ms %6d ms   read and shown in %d ms" % (
            "reload %d" % number, len(gaps), max(gaps), percentile(gaps, 0.99), statistics.median(gaps),
            shown - reading))
    if during:
        print("%-28s %7d %6d ms %6d ms %6d ms" % ("all reloads", len(during), max(during), percentile(during, 0.99),
                                                 statistics.median(during)))


if __name__ == "__main__":
    main(sys.argv[1:])
