"""Runs spinview from data/ inside a private Xvfb for two seconds, saves a screenshot and quits it with q."""

import os
import shutil
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402


def main(target):
    target = os.path.abspath(target)
    xvfb = harness.Xvfb()
    try:
        env = xvfb.env()
        viewer = subprocess.Popen([os.path.join(REPO, "build", "spinview")], cwd=os.path.join(REPO, "data"), env=env)
        deadline = time.time() + 15
        window = None
        while window is None and time.time() < deadline and viewer.poll() is None:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Just a test$"],
                                   env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            window = found.stdout.split()[0].decode() if found.stdout.split() else None
            time.sleep(0.1)
        if window is None:
            print("spinview did not open its window", file=sys.stderr)
            return 1
        subprocess.run(["xdotool", "windowmove", "--sync", window, "0", "0"], env=env, check=True)
        time.sleep(2)
        subprocess.run(["import", "-window", window, target], env=env, check=True)
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=env, check=True)
        subprocess.run(["xdotool", "key", "q"], env=env, check=True)
        status = viewer.wait(10)
        print("Screenshot saved to %s (spinview exited with status %d)" % (target, status))
        return status
    finally:
        if 'viewer' in locals() and viewer.poll() is None:
            viewer.kill()
            viewer.wait()
        xvfb.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "spinview.png")))
