"""Runs spinview with the shipped data inside a private Xvfb for two seconds, saves a screenshot
and quits it with q:  python3 scripts/screenshot.py [PICTURE]   (default: build/spinview.png)"""

import os
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402


def main(target):
    target = os.path.abspath(target)
    xvfb = harness.Xvfb()
    viewer = None
    try:
        viewer = harness.Viewer(xvfb, binary=os.path.join(REPO, "build", "spinview"))
        viewer.find_window()
        time.sleep(2)
        viewer.screenshot(save_as=target)
        viewer.key("q")
        status = viewer.wait(10)
        sys.stdout.write(viewer.output())
        print("Screenshot saved to %s (spinview exited with status %s)" % (target, status))
        return status if status is not None else 1
    finally:
        if viewer:
            viewer.stop()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "spinview.png")))
