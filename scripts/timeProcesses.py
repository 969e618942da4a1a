"""Whole-process timing of load_obj beside tinyobj_load (tinyobjloader + meshoptimizer) on each
file: fresh processes, all interleaved run by run, the file in the page cache; medians. Also
prints load_obj's own peak memory above its baseline, the time per MB of file, load_obj on one
thread, and tinyobjloader's parse alone (the fastest parse-only reader at hand).
    python3 scripts/timeProcesses.py [--runs N] [--alone] [--also NAME=PROGRAM] FILE...
--alone leaves tinyobj_load out (for files too large to wait for it); --also adds a parse-only
reader of one's own (a program taking the file as its one argument), measured as the others and
compared as the fastest parse-only reader when it is faster than tinyobjloader's parse.
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
    runs, alone, also = 9, False, []
    while argv[:1] in (["--runs"], ["--alone"], ["--also"]):
        if argv[0] == "--runs":
            runs, argv = int(argv[1]), argv[2:]
        elif argv[0] == "--also":
            name, program = argv[1].split("=", 1)
            also.append((name, [program]))
            argv = argv[2:]
        else:
            alone, argv = True, argv[1:]
    load = os.path.join(BUILD, "load_obj")
    programs = [("spinview", [load]), ("1 thread", [load, "--one-thread"])]
    tinyobj = os.path.join(BUILD, "tinyobj_load")
    if not alone and os.path.exists(tinyobj):
        programs += [("tinyobj+meshopt", [tinyobj]), ("tinyobj parse", [tinyobj, "--parse-only"])]
    programs += also
    names = [name for name, _ in programs]
    print("%-18s %6s %10s %7s %8s" % ("file", "MB", "spinview", "ms/MB", "peak MB") +
          "".join(" %16s" % name for name in names[1:]) +
          ("  %s" % "faster than tinyobj+meshopt, slower than the fastest parse-only" if not alone else ""))
    for path in argv:
        for _, command in programs:  # warm the page cache and the programs
            run_time(command + [path])
        times = {name: [] for name in names}
        peaks = []
        for _ in range(runs):
            for name, command in programs:
                elapsed, output = run_time(command + [path])
                times[name].append(elapsed)
                if name == "spinview":
                    peaks.append(peak_mb(output))
        median = {name: statistics.median(times[name]) for name in names}
        size = os.path.getsize(path) / 1e6
        line = "%-18s %6.1f %7.1f ms %7.2f %8.1f" % (os.path.basename(path), size, median["spinview"],
                                                    median["spinview"] / size, max(peaks))
        line += "".join(" %13.1f ms" % median[name] for name in names[1:])
        if not alone:
            parse_only = min(median[name] for name in names[3:])
            line += "  %.2f, %.2f" % (median["tinyobj+meshopt"] / median["spinview"], median["spinview"] / parse_only)
        print(line)


if __name__ == "__main__":
    main(sys.argv[1:])
