"""Whole-process timing of load_obj beside tinyobj_load (tinyobjloader + meshoptimizer) on each
file: fresh processes, the two interleaved run by run, the file in the page cache; medians. Also
prints load_obj's own peak memory above its baseline, and the time per MB of file.
    python3 scripts/timeProcesses.py [--runs N] [--alone] FILE...
--alone leaves tinyobj_load out (for files too large to wait for it).
"""

import os
import re
import statistics
import subprocess
import sys
import time

BUILD = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build", "bench")


def run_time(command):
    """Wall time of one fresh process in ms, and what it printed."""
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, check=True, text=True)
    return (time.perf_counter() - start) * 1000.0, done.stdout


def peak_mb(output):
    found = re.search(r"peak memory above the baseline: ([0-9.]+) MB", output)
    return float(found.group(1)) if found else float("nan")


def main(argv):
    runs, alone = 9, False
    while argv[:1] in (["--runs"], ["--alone"]):
        if argv[0] == "--runs":
            runs, argv = int(argv[1]), argv[2:]
        else:
            alone, argv = True, argv[1:]
    programs = [("spinview", os.path.join(BUILD, "load_obj"))]
    if not alone and os.path.exists(os.path.join(BUILD, "tinyobj_load")):
        programs.append(("tinyobj", os.path.join(BUILD, "tinyobj_load")))
    print("%-20s %8s %11s %8s %10s %16s %7s" % ("file", "MB", "spinview", "ms/MB", "peak MB", "tinyobj+meshopt",
                                                  "ratio"))
    for path in argv:
        for _, program in programs:  # warm the page cache and the programs
            run_time([program, path])
        times = {name: [] for name, _ in programs}
        peaks = []
        for _ in range(runs):
            for name, program in programs:
                elapsed, output = run_time([program, path])
                times[name].append(elapsed)
                if name == "spinview":
                    peaks.append(peak_mb(output))
        medians = [statistics.median(times[name]) for name, _ in programs]
        size = os.path.getsize(path) / 1e6
        other = "%.1f ms" % medians[1] if len(medians) > 1 else "-"
        ratio = "%.2f" % (medians[1] / medians[0]) if len(medians) > 1 else "-"
        print("%-20s %8.1f %8.1f ms %8.2f %10.1f %16s %7s" % (os.path.basename(path), size, medians[0],
                                                            medians[0] / size, max(peaks), other, ratio))


if __name__ == "__main__":
    main(sys.argv[1:])
