"""The Windows build of spinview, run under Wine inside a private Xvfb: its window comes up, shows
the mesh, q ends it with status 0, and every message also goes to the debugger channel.
scripts/windows.sh runs it with SPINVIEW_WINDOWS_BIN naming spinview.exe (its DLLs beside it) and
WINEPREFIX set; CTest does not."""

import os
import re
import subprocess
import unittest

import harness

VALIDATED = "Program validated successfully !"


@unittest.skipUnless(os.environ.get("SPINVIEW_WINDOWS_BIN"), "no Windows build named in SPINVIEW_WINDOWS_BIN")
class WindowsViewerTest(harness.ViewerCase):
    def test_draws_quits_and_reports_on_the_debugger_channel(self):
        # +debugstr shows each OutputDebugStringA on standard error
        viewer = self.start_with_window(binary=os.environ["SPINVIEW_WINDOWS_BIN"], prefix=["wine"],
                                        env={"WINEDEBUG": "-all,+debugstr"})
        self.assertEqual(viewer.title(), "Just a test")
        image = viewer.wait_for_picture(60)
        self.assertEqual(image.count_not_clear(258, 0, 512, 512, 2), 0)
        self.assertGreater(image.count_not_clear(0, 0, 256, 512, 2), 2000)
        viewer.key("q")
        self.assertEqual(viewer.wait(30), 0, viewer.errors())
        self.assertEqual(viewer.output(), VALIDATED + "\r\n")
        channel = re.findall(r'OutputDebugStringA "([^"]*)"', viewer.errors())
        self.assertEqual(channel[:2], [VALIDATED, "\\n"], viewer.errors())

    def test_reads_gltf_and_names_the_formats_it_lacks(self):
        binary = os.environ["SPINVIEW_WINDOWS_BIN"]
        version = subprocess.run(["wine", binary, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 env=dict(os.environ, WINEDEBUG="-all"), timeout=120).stdout.decode()
        self.assertIn("glTF (.gltf .glb)", version)
        self.assertIn("no general importer in this build", version)
        box = "/usr/share/assimp/models/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb"
        if not os.path.exists(box):
            self.skipTest("assimp-testmodels is not installed")
        with open(box, "rb") as f:
            glb = f.read()
        viewer = self.start_with_window(binary=binary, prefix=["wine"], files={"box.glb": glb, "box.fbx": b"x"},
                                        args=["--fit", "box.glb"], env={"WINEDEBUG": "-all"})
        self.assertGreater(viewer.wait_for_picture(60).count_not_clear(0, 0, 256, 512, 2), 2000)
        viewer.key("q")
        self.assertEqual(viewer.wait(30), 0, viewer.errors())
        self.assertEqual(viewer.output(), VALIDATED + "\r\n")
        named = self.start(binary=binary, prefix=["wine"], files={"box.fbx": b"x"}, args=["--snapshot", "box.png", "box.fbx"],
                           env={"WINEDEBUG": "-all"})
        self.assertEqual(named.wait(120), 0, named.errors())
        self.assertIn("Cannot read [box.fbx]: this build has no general importer for .fbx files\r\n", named.output())


if __name__ == "__main__":
    unittest.main()
