"""Whole-process timing of one model in two formats: the viewer reading and drawing it into a
snapshot (offscreen, through EGL), and load_obj reading it alone with its peak memory; fresh
processes, interleaved run by run, the files in the page cache; medians of the wall time and of the
CPU time (user and system: on a shared machine, the steadier of the two).
    python3 scripts/formatBench.py [--runs N] REFERENCE OTHER...
Prints each file's times and peak, and each OTHER's time as a multiple of REFERENCE's."""

import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")


def cpu_seconds():
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime


def timed(command, env=None):
    """Wall and CPU time of one fresh process in ms, and what it printed."""
    start, cpu = time.perf_counter(), cpu_seconds()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True, text=True, env=env)
    return (time.perf_counter() - start) * 1000.0, (cpu_seconds() - cpu) * 1000.0, done.stdout


def main(argv):
    runs = 9
    if argv[:1] == ["--runs"]:
        runs, argv = int(argv[1]), argv[2:]
    if len(argv) < 2:
        sys.exit(__doc__)
    env = dict(os.environ)
    env.pop("DISPLAY", None)  # drawn offscreen, without a window system
    picture = os.path.join(tempfile.mkdtemp(prefix="spinview-bench-"), "frame.png")
    drawn = {f: [] for f in argv}
    drawn_cpu = {f: [] for f in argv}
    read = {f: [] for f in argv}
    peak = {}
    for f in argv:  # into the page cache
        with open(f, "rb") as data:
            while data.read(1 << 24):
                pass
    for _ in range(runs):
        for f in argv:
            ms, cpu, _ = timed([os.path.join(BUILD, "spinview"), "--fit", "--snapshot", picture, f], env)
            drawn[f].append(ms)
            drawn_cpu[f].append(cpu)
            ms, _, out = timed([os.path.join(BUILD, "bench", "load_obj"), f])
            read[f].append(ms)
            found = re.search(r"peak memory above the baseline: ([0-9.]+) MB", out)
            peak[f] = float(found.group(1)) if found else float("nan")
    reference = argv[0]
    print("%-24s %8s %14s %12s %12s %14s %12s %12s" % ("file", "MB", "read + drawn", "its CPU", "read alone",
                                                        "peak memory", "vs first", "CPU vs first"))
    for f in argv:
        size = os.path.getsize(f) / 1e6
        ratio = statistics.median(drawn[f]) / statistics.median(drawn[reference])
        cpu_ratio = statistics.median(drawn_cpu[f]) / statistics.median(drawn_cpu[reference])
        print("%-24s %8.1f %11.0f ms %9.0f ms %9.0f ms %11.1f MB %11.2fx %11.2fx" % (
            os.path.basename(f), size, statistics.median(drawn[f]), statistics.median(drawn_cpu[f]),
            statistics.median(read[f]), peak[f], ratio, cpu_ratio))


if __name__ == "__main__":
    main(sys.argv[1:])
