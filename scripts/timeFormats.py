"""Whole-process timing of one model in several formats: the viewer reading and drawing each file
(`spinview --fit --snapshot`, without a display), the reading alone (`load_obj`, with its peak
memory above its baseline), and libassimp reading the PLY and STL files (`assimp_load`: alone, and
with the same work, its identical vertices joined and smooth normals made). Fresh processes, all
interleaved run by run, the files in the page cache; medians of wall time and of CPU time (user
and system, threads included), and each file's time over the first file's (the OBJ).
    python3 scripts/timeFormats.py [--runs N] [--no-assimp] MODEL.obj MODEL.ply MODEL.stl...
"""

import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")


def run(command, cwd):
    """Wall and CPU time of one fresh process in ms, and what it printed."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    wall = (time.perf_counter() - start) * 1000.0
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000.0
    if done.returncode != 0:
        raise RuntimeError("%s failed: %s" % (" ".join(command), done.stdout))
    return wall, cpu, done.stdout


def peak_mb(output):
    found = re.search(r"peak memory above the baseline: ([0-9.]+) MB", output)
    return float(found.group(1)) if found else float("nan")


def main(argv):
    runs, assimp_too = 9, True
    while argv[:1] in (["--runs"], ["--no-assimp"]):
        if argv[0] == "--runs":
            runs, argv = int(argv[1]), argv[2:]
        else:
            assimp_too, argv = False, argv[1:]
    folder = tempfile.mkdtemp(prefix="spinview-formats-")
    for shader in ("VertexProgram.glsl", "FragmentProgram.glsl"):
        shutil.copy(os.path.join(ROOT, "data", shader), folder)
    programs = []  # (file, what, command)
    for path in argv:
        path = os.path.abspath(path)
        name = os.path.basename(path)
        programs.append((path, "drawn", [os.path.join(BUILD, "spinview"), "--fit", "--snapshot",
                                         os.path.join(folder, "frame.png"), path]))
        programs.append((path, "read", [os.path.join(BUILD, "bench", "load_obj"), path]))
        assimp = os.path.join(BUILD, "bench", "assimp_load")
        if assimp_too and os.path.exists(assimp) and not name.endswith(".obj"):
            programs.append((path, "assimp", [assimp, path]))
            programs.append((path, "assimp same work", [assimp, "--same-work", path]))
    for _, _, command in programs:  # warm the page cache and the programs
        run(command, folder)
    walls = {(p, w): [] for p, w, _ in programs}
    cpus = {(p, w): [] for p, w, _ in programs}
    peaks = {}
    for _ in range(runs):
        for path, what, command in programs:
            wall, cpu, output = run(command, folder)
            walls[(path, what)].append(wall)
            cpus[(path, what)].append(cpu)
            if what in ("read", "assimp", "assimp same work"):
                peaks.setdefault((path, what), []).append(peak_mb(output))
    shutil.rmtree(folder)
    first = os.path.abspath(argv[0])
    print("%-22s %7s  %-17s %10s %10s %9s %9s %8s" % ("file", "MB", "", "wall ms", "CPU ms", "wall/1st", "CPU/1st",
                                                      "peak MB"))
    for path, what, _ in programs:
        wall, cpu = statistics.median(walls[(path, what)]), statistics.median(cpus[(path, what)])
        first_wall = statistics.median(walls[(first, what if what in ("drawn", "read") else "read")])
        first_cpu = statistics.median(cpus[(first, what if what in ("drawn", "read") else "read")])
        peak = max(peaks[(path, what)]) if (path, what) in peaks else float("nan")
        print("%-22s %7.1f  %-17s %10.0f %10.0f %9.2f %9.2f %8.1f" % (
            os.path.basename(path), os.path.getsize(path) / 1e6, what, wall, cpu, wall / first_wall,
            cpu / first_cpu, peak))


if __name__ == "__main__":
    main(sys.argv[1:])
