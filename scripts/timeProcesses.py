"""Whole-process timing of load_obj beside tinyobj_load (tinyobjloader + meshoptimizer) on each
file: fresh processes, the two interleaved run by run, the file in the page cache; medians.
    python3 scripts/timeProcesses.py [--runs N] FILE...
"""

import os
import statistics
import subprocess
import sys
import time

BUILD = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build", "bench")


def run_time(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, check=True)
    return (time.perf_counter() - start) * 1000.0


def main(argv):
    runs = 9
    if argv[:1] == ["--runs"]:
        runs, argv = int(argv[1]), argv[2:]
    programs = [("spinview load_obj", os.path.join(BUILD, "load_obj"))]
    if os.path.exists(os.path.join(BUILD, "tinyobj_load")):
        programs.append(("tinyobjloader + meshoptimizer", os.path.join(BUILD, "tinyobj_load")))
    print("%-24s %10s %10s %12s %8s" % ("file", "MB", "spinview", "tinyobj+meshopt", "ratio"))
    for path in argv:
        for _, program in programs:  # warm the page cache and the programs
            run_time([program, path])
        times = {name: [] for name, _ in programs}
        for _ in range(runs):
            for name, program in programs:
                times[name].append(run_time([program, path]))
        medians = [statistics.median(times[name]) for name, _ in programs]
        ratio = "%.2f" % (medians[1] / medians[0]) if len(medians) > 1 else "-"
        other = "%.1f ms" % medians[1] if len(medians) > 1 else "-"
        print("%-24s %10.1f %7.1f ms %12s %8s" % (os.path.basename(path), os.path.getsize(path) / 1e6, medians[0],
                                                   other, ratio))


if __name__ == "__main__":
    main(sys.argv[1:])
