"""Draws one frame of spinview inside a private Xvfb and saves it with its own --snapshot:
    python3 scripts/snapshot.py PICTURE.png [SPINVIEW OPTIONS...]
The viewer runs in data/, so the shipped files are its defaults; a model, shader or texture named
on the command line (a texture after NAME=) is found from where this script is started. Without
--at the frame shows the spin at 2 seconds. Needs a built viewer (scripts/run.sh or
scripts/test.sh builds it); SPINVIEW_BIN names another."""

import os
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402


def absolute(option):
    """The option with the file it names, alone or after NAME= (--texture), made absolute."""
    name, equals, path = option.partition("=")
    if os.path.isfile(option):
        return os.path.abspath(option)
    if equals and os.path.isfile(path):
        return name + "=" + os.path.abspath(path)
    return option


def main(target, options):
    target = os.path.abspath(target)
    options = [absolute(o) for o in options]
    if "--at" not in options:
        options += ["--at", "2"]
    xvfb = harness.Xvfb()
    try:
        status = subprocess.call([harness.find_binary(), "--snapshot", target] + options,
                                 cwd=harness.DATA_DIR, env=xvfb.env())
    finally:
        xvfb.stop()
    if status == 0:
        print("Saved %s" % target)
    return status


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
