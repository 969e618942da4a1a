"""The OpenGL calls of the real spinview, recorded with apitrace: start-up and every frame follow
the order written below, call by call and check by check, and a frame leaves the state as it
found it. A removed error check, two steps swapped or a state left on shows up as a mismatch."""

import os
import re
import shutil
import tempfile
import time
import unittest

import harness

# Expected calls, one a line, as `apitrace dump` writes them without argument names. "$name"
# stands for a value the trace gives first (a handle, a location) and must repeat after; "*" is
# any text. A "#" after two spaces starts a comment.

WINDOW_AND_SCENE_STATE = """
glGetError() = GL_NO_ERROR                  # the window exists
glGetError() = GL_NO_ERROR                  # scene set-up begins with a check
glEnable(GL_DEPTH_TEST)
glDepthMask(GL_TRUE)
glDepthFunc(GL_LESS)
glClearColor(0.2, 0.2, 0.2, 1)
glGetError() = GL_NO_ERROR                  # after glewInit
"""

# the shipped torus: 6,912 indices of 2 bytes, 1,225 vertices of 32
MESH_UPLOAD = """
glGenBuffers(1, &$vertexBuffer)
glGenBuffers(1, &$indexBuffer)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, $indexBuffer)
glGetError() = GL_NO_ERROR
glBufferData(GL_ELEMENT_ARRAY_BUFFER, 13824, blob(13824), GL_STATIC_DRAW)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ARRAY_BUFFER, $vertexBuffer)
glGetError() = GL_NO_ERROR
glBufferData(GL_ARRAY_BUFFER, 39200, blob(39200), GL_STATIC_DRAW)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ARRAY_BUFFER, 0)
glGetError() = GL_NO_ERROR
glGetError() = GL_NO_ERROR                  # after loading the mesh
"""

SHADER_COMPILE = """
glCreateShaderObjectARB($type) = $shader
glGetError() = GL_NO_ERROR
glShaderSourceARB($shader, 1, *, NULL)
glGetError() = GL_NO_ERROR
glCompileShader($shader)
glGetError() = GL_NO_ERROR
"""

SHADER_COMPILES = SHADER_COMPILE + """\
glGetObjectParameterivARB($shader, GL_COMPILE_STATUS, &1)
glGetError() = GL_NO_ERROR
"""

SHADER_FAILS = SHADER_COMPILE + """\
glGetObjectParameterivARB($shader, GL_COMPILE_STATUS, &0)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($shader, GL_INFO_LOG_LENGTH, &$length)
glGetError() = GL_NO_ERROR
glGetInfoLogARB($shader, $length, *)
glGetError() = GL_NO_ERROR
glDeleteObjectARB($shader)                  # no check follows the deletion
"""

PROGRAM_LINKS = """
glCreateProgramObjectARB() = $program
glGetError() = GL_NO_ERROR
glAttachObjectARB($program, $vertexShader)
glGetError() = GL_NO_ERROR
glAttachObjectARB($program, $fragmentShader)
glGetError() = GL_NO_ERROR
glLinkProgramARB($program)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_LINK_STATUS, &1)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_ACTIVE_ATTRIBUTES, &4)  # the inputs taken by name, looked up once:
glGetActiveAttribARB($program, 0, 256, *)   # this driver lists gl_Vertex, gl_Color and the two
glGetActiveAttribARB($program, 1, 256, *)   # texture coordinates; no a_ attribute, so no second link
glGetActiveAttribARB($program, 2, 256, *)
glGetActiveAttribARB($program, 3, 256, *)
glGetUniformLocationARB($program, "VPMatrix") = $vpLocation
glGetUniformLocationARB($program, "WMatrix") = $wLocation
glGetObjectParameterivARB($program, GL_ACTIVE_UNIFORMS, &7)
glGetActiveUniformARB($program, 0, 256, *)  # VPMatrix and WMatrix
glGetActiveUniformARB($program, 1, 256, *)
glGetActiveUniformARB($program, 2, 256, *)  # the material uniforms, uploaded only for a model with
glGetUniformLocationARB($program, "u_diffuseColor") = *
glGetActiveUniformARB($program, 3, 256, *)  # materials or colours: never for the torus
glGetUniformLocationARB($program, "u_specularColor") = *
glGetActiveUniformARB($program, 4, 256, *)
glGetUniformLocationARB($program, "u_shininess") = *
glGetActiveUniformARB($program, 5, 256, *)
glGetUniformLocationARB($program, "u_opacity") = *
glGetActiveUniformARB($program, 6, 256, *)
glGetUniformLocationARB($program, "u_diffuseMap") = *
glGetError() = GL_NO_ERROR
glGetError() = GL_NO_ERROR                  # after the callbacks are registered
"""

# a vertex shader that compiles and a fragment shader that does not
PROGRAM_FAILS_TO_LINK = """
glCreateProgramObjectARB() = $program
glGetError() = GL_NO_ERROR
glAttachObjectARB($program, $vertexShader)
glGetError() = GL_NO_ERROR
glAttachObjectARB($program, 0)
glGetError() = GL_INVALID_VALUE             # the failed shader's null handle
glLinkProgramARB($program)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_LINK_STATUS, &0)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_INFO_LOG_LENGTH, &$length)
glGetError() = GL_NO_ERROR
glGetInfoLogARB($program, $length, *)
glGetError() = GL_NO_ERROR
glDeleteObjectARB($program)
glGetError() = GL_NO_ERROR
glGetError() = GL_NO_ERROR                  # no uniforms to look up
glGetError() = GL_NO_ERROR                  # after the callbacks are registered
"""

RESHAPE = """
glViewport(0, 0, 512, 512)
glGetError() = GL_NO_ERROR
glMatrixMode(GL_PROJECTION)
glLoadIdentity()
glGetError() = GL_NO_ERROR
glMatrixMode(GL_MODELVIEW)
glLoadIdentity()
glGetError() = GL_NO_ERROR
"""

# apitrace names clip plane 0 by its other name, GL_CLIP_DISTANCE0
FRAME_SET_UP = """
glClear(GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT)
glGetError() = GL_NO_ERROR
glUseProgramObjectARB($program)
glGetError() = GL_NO_ERROR
glUniform4fvARB($vpLocation, 4, {0, 0, -1.000978, -1, 0, 2.414213, 0, 0, -2.414213, 0, 0, 0, 0, 0, 49.0479, 50})
glGetError() = GL_NO_ERROR
glUniform4fvARB($wLocation, 4, *)           # the rotation of the moment
glGetError() = GL_NO_ERROR
glClipPlane(GL_CLIP_DISTANCE0, {0, 0, 1, 0})
glGetError() = GL_NO_ERROR
glEnable(GL_CLIP_DISTANCE0)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, $indexBuffer)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ARRAY_BUFFER, $vertexBuffer)
glGetError() = GL_NO_ERROR
glEnableClientState(GL_VERTEX_ARRAY)
glVertexPointer(3, GL_FLOAT, 32, NULL)      # position at offset 0
glGetError() = GL_NO_ERROR
glClientActiveTexture(GL_TEXTURE1)
glEnableClientState(GL_TEXTURE_COORD_ARRAY)
glTexCoordPointer(3, GL_FLOAT, 32, 0x14)    # the normal at offset 20, on unit 1
glGetError() = GL_NO_ERROR
glClientActiveTexture(GL_TEXTURE0)
glEnableClientState(GL_TEXTURE_COORD_ARRAY)
glTexCoordPointer(2, GL_FLOAT, 32, 0xc)     # the texture coordinate at offset 12, on unit 0
glGetError() = GL_NO_ERROR
"""

VALIDATION = """
glValidateProgramARB($program)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_VALIDATE_STATUS, &1)
glGetError() = GL_NO_ERROR
glGetObjectParameterivARB($program, GL_INFO_LOG_LENGTH, &0)
glGetError() = GL_NO_ERROR
"""

FRAME_DRAW_AND_RESTORE = """
glDrawRangeElements(GL_TRIANGLES, 0, 1224, 6912, GL_UNSIGNED_SHORT, NULL)
glGetError() = GL_NO_ERROR
glDisable(GL_CLIP_DISTANCE0)
glGetError() = GL_NO_ERROR
glDisableClientState(GL_VERTEX_ARRAY)
glGetError() = GL_NO_ERROR
glClientActiveTexture(GL_TEXTURE1)
glDisableClientState(GL_TEXTURE_COORD_ARRAY)
glGetError() = GL_NO_ERROR
glClientActiveTexture(GL_TEXTURE0)
glDisableClientState(GL_TEXTURE_COORD_ARRAY)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0)
glGetError() = GL_NO_ERROR
glBindBuffer(GL_ARRAY_BUFFER, 0)
glGetError() = GL_NO_ERROR
glUseProgramObjectARB(0)
glGetError() = GL_NO_ERROR
glFlush()                                   # glutSwapBuffers
glXSwapBuffers(*)
glGetError() = GL_NO_ERROR
"""

IDLE = "glGetError() = GL_NO_ERROR"  # the idle callback's check between frames


def expected_lines(text, **names):
    """The lines of an expected block, without comments; names replace $-placeholders: by a value, or by another placeholder."""
    lines = []
    for line in text.splitlines():
        line = line.split("  #", 1)[0].strip()
        if not line:
            continue
        for name, value in names.items():
            line = line.replace("$" + name, value)
        lines.append(line)
    return lines


def line_pattern(line, bound):
    parts = []
    for token in re.split(r"(\$\w+|\*)", line):
        if token == "*":
            parts.append(".*")
        elif token.startswith("$"):
            name = token[1:]
            parts.append(re.escape(bound[name]) if name in bound else r"(?P<%s>[-\w.]+)" % name)
        else:
            parts.append(re.escape(token))
    return re.compile("".join(parts))


def frame_state_left_changed(frame):
    """What a frame's calls leave different from the state it began in (nothing enabled, no
    buffer or texture bound, no program, texture unit 0 active, client texture unit 0). Calls that
    set lasting state on purpose (clip plane equation, array pointers, uniforms) are known; any
    other call is reported."""
    lasting = ("glClear", "glGetError", "glUniform4fvARB", "glClipPlane", "glVertexPointer", "glTexCoordPointer",
               "glValidateProgramARB", "glGetObjectParameterivARB", "glGetInfoLogARB", "glDrawRangeElements",
               "glFlush", "glXSwapBuffers", "glUniform1fARB", "glUniform1iARB", "glUniform2fARB", "glUniform3fARB",
               "glUniformMatrix3fvARB", "glUniformMatrix4fvARB", "glVertexAttribPointerARB")
    unit, active, state, unknown = "GL_TEXTURE0", "GL_TEXTURE0", {}, []
    for call in frame:
        name, _, rest = call.partition("(")
        args = rest.rsplit(")", 1)[0].split(", ")
        if name in ("glEnable", "glDisable"):
            state[args[0]] = "on" if name == "glEnable" else "off"
        elif name in ("glEnableClientState", "glDisableClientState"):
            state[unit + " " + args[0]] = "on" if name == "glEnableClientState" else "off"
        elif name == "glClientActiveTexture":
            unit = args[0]
        elif name in ("glEnableVertexAttribArrayARB", "glDisableVertexAttribArrayARB"):
            state["attribute " + args[0]] = "on" if name.startswith("glEnable") else "off"
        elif name == "glActiveTexture":
            active = args[0]
        elif name == "glBindTexture":
            state[active + " " + args[0]] = "off" if args[1] == "0" else "on"
        elif name == "glBindBuffer":
            state[args[0] + " binding"] = "off" if args[1] == "0" else "on"
        elif name == "glUseProgramObjectARB":
            state["program"] = "off" if args[0] == "0" else "on"
        elif name not in lasting:
            unknown.append(call)
    left = sorted(key for key, value in state.items() if value == "on")
    if unit != "GL_TEXTURE0":
        left.append("client texture unit " + unit)
    if active != "GL_TEXTURE0":
        left.append("texture unit " + active)
    return left + ["unrecognised " + call for call in unknown]


class CallSequenceTest(harness.ViewerCase):
    def setUp(self):
        super().setUp()
        if harness.sanitized(harness.find_binary()):
            self.skipTest("apitrace does not wrap a sanitized build")
        self.folder = tempfile.mkdtemp(prefix="spinview-trace-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def record(self, files=None, args=()):
        """Runs the viewer under apitrace for about a second of frames, quits it with q, and
        returns it with its calls."""
        trace = os.path.join(self.folder, "calls.trace")
        viewer = self.start_with_window(files=files, prefix=harness.traced(trace), args=args)
        viewer.wait_for_frame()
        time.sleep(1.0)
        viewer.key("q")
        self.assertEqual(viewer.wait(20), 0, viewer.errors())
        return viewer, harness.gl_calls(trace)

    def expect(self, calls, at, text, bound, **names):
        """Matches the block against the calls from index `at`; returns the index after it."""
        for line in expected_lines(text, **names):
            actual = calls[at] if at < len(calls) else "<end of trace>"
            match = line_pattern(line, bound).fullmatch(actual)
            if not match:
                context = "\n".join(calls[max(0, at - 6):at + 3])
                self.fail("call %d: expected\n  %s\ngot\n  %s\nafter\n%s" % (at, line, actual, context))
            bound.update(match.groupdict())
            at += 1
        return at

    def split_frames(self, calls, at):
        """The frames from index `at` on, each from its clear to the check after its swap. Between
        two frames comes the idle callback's check, once, and window reshapes may come."""
        frames, idle = [], 0
        while at < len(calls):
            if calls[at] == IDLE:
                idle, at = idle + 1, at + 1
            elif calls[at].startswith("glViewport("):
                at = self.expect(calls, at, RESHAPE, {})
            else:
                self.assertTrue(calls[at].startswith("glClear("), "call %d: %s between frames" % (at, calls[at]))
                self.assertEqual(idle, 1 if frames else 0, "idle checks before the frame at call %d" % at)
                end = next((i for i in range(at, len(calls)) if calls[i].startswith("glXSwapBuffers(")), len(calls))
                self.assertLess(end + 1, len(calls), "the trace ends inside a frame")
                frames.append(calls[at:end + 2])
                at, idle = end + 2, 0
        return frames

    def test_start_up_and_frames_follow_the_order(self):
        _, calls = self.record()
        bound = {}
        at = self.expect(calls, 0, WINDOW_AND_SCENE_STATE + MESH_UPLOAD, bound)
        at = self.expect(calls, at, SHADER_COMPILES, bound, type="GL_VERTEX_SHADER", shader="$vertexShader")
        at = self.expect(calls, at, SHADER_COMPILES, bound, type="GL_FRAGMENT_SHADER", shader="$fragmentShader")
        at = self.expect(calls, at, PROGRAM_LINKS + RESHAPE, bound)
        frames = self.split_frames(calls, at)
        self.assertGreaterEqual(len(frames), 3)
        for number, frame in enumerate(frames):
            # the program is validated on the first frame only
            middle = VALIDATION if number == 0 else ""
            self.assertEqual(self.expect(frame, 0, FRAME_SET_UP + middle + FRAME_DRAW_AND_RESTORE, dict(bound)),
                             len(frame))

    def test_every_frame_leaves_the_state_it_found(self):
        _, calls = self.record()
        first = next(i for i, call in enumerate(calls) if call.startswith("glClear("))
        frames = self.split_frames(calls, first)
        self.assertGreaterEqual(len(frames), 3)
        for frame in frames:
            self.assertEqual(frame_state_left_changed(frame), [], "\n".join(frame))

    def test_frames_with_named_inputs_leave_the_state_they_found(self):
        # the example pair: u_ uniforms, a_ attributes and a texture, on the torus
        examples = os.path.join(harness.DATA_DIR, "examples")
        files = {}
        for name in ("textured.vert", "textured.frag", "lighting.glsl", "tiles.png"):
            with open(os.path.join(examples, name), "rb") as f:
                files[name] = f.read()
        _, calls = self.record(files=files, args=["--vertex", "textured.vert", "--fragment", "textured.frag",
                                                  "--texture", "u_tex0=tiles.png"])
        first = next(i for i, call in enumerate(calls) if call.startswith("glClear("))
        frames = self.split_frames(calls, first)
        self.assertGreaterEqual(len(frames), 3)
        for frame in frames:
            self.assertEqual(frame_state_left_changed(frame), [], "\n".join(frame))
            for expected in ("glEnableVertexAttribArrayARB(7)", "glBindTexture(GL_TEXTURE_2D, 1)"):
                self.assertIn(expected, frame)

    def test_batches_are_drawn_one_after_another(self):
        # 303,927 vertices: five batches, each drawn from its own vertices and its own indices
        _, calls = self.record(files={"torus.obj": harness.position_sphere_obj()})
        uploads = dict(re.match(r"glBufferData\((\w+), (\d+),", call).groups() for call in calls
                       if call.startswith("glBufferData("))
        first = next(i for i, call in enumerate(calls) if call.startswith("glClear("))
        frames = self.split_frames(calls, first)
        self.assertGreaterEqual(len(frames), 2)
        for frame in frames:
            self.assertEqual(frame_state_left_changed(frame), [], "\n".join(frame))
            pointers, vertices, indices, draws = {}, 0, 0, 0
            for call in frame:
                name, _, args = call.partition("(")
                args = args.rstrip(")").split(", ")
                if name in ("glVertexPointer", "glTexCoordPointer"):
                    pointers[name + args[0]] = 0 if args[3] == "NULL" else int(args[3], 16)
                elif name == "glDrawRangeElements":
                    # the arrays point at this batch's first vertex, the indices follow the last batch's
                    self.assertEqual(pointers, {"glVertexPointer3": 32 * vertices, "glTexCoordPointer3": 32 * vertices + 20,
                                                "glTexCoordPointer2": 32 * vertices + 12}, call)
                    self.assertEqual(args[0:2], ["GL_TRIANGLES", "0"])
                    self.assertLess(int(args[2]), 65536)
                    self.assertEqual(args[5], "NULL" if indices == 0 else hex(2 * indices))
                    vertices += int(args[2]) + 1
                    indices += int(args[3])
                    draws += 1
            self.assertEqual(draws, 5)
            self.assertEqual(indices, 3 * 600000)
            self.assertEqual(uploads, {"GL_ELEMENT_ARRAY_BUFFER": str(2 * indices), "GL_ARRAY_BUFFER": str(32 * vertices)})

    def test_failed_compile_and_link_delete_their_objects(self):
        # this driver compiles a vertex shader without main, and refuses to link it
        no_main = b"#version 120\nuniform vec4 VPMatrix[4];\nvoid helper() { gl_Position = VPMatrix[0]; }\n"
        broken = b"#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n"
        viewer, calls = self.record(files={"VertexProgram.glsl": no_main, "FragmentProgram.glsl": broken})
        bound = {}
        at = self.expect(calls, 0, WINDOW_AND_SCENE_STATE + MESH_UPLOAD, bound)
        at = self.expect(calls, at, SHADER_COMPILES, bound, type="GL_VERTEX_SHADER", shader="$vertexShader")
        at = self.expect(calls, at, SHADER_FAILS, bound, type="GL_FRAGMENT_SHADER", shader="$fragmentShader",
                         length="$fragmentLogLength")
        at = self.expect(calls, at, PROGRAM_FAILS_TO_LINK, bound, length="$programLogLength")
        # nothing uses the deleted program: every frame runs with none
        frames = self.split_frames(calls, self.expect(calls, at, RESHAPE, bound))
        self.assertGreaterEqual(len(frames), 3)
        uses = re.compile(r"^gl(UseProgramObject|ValidateProgram|GetObjectParameteriv|GetInfoLog|GetUniformLocation"
                          r"|DeleteObject)ARB\(%s[,)]" % bound["program"])
        for frame in frames:
            for call in frame:
                self.assertNotRegex(call, uses)
            self.assertIn("glUseProgramObjectARB(0)", frame)
            self.assertEqual(frame_state_left_changed(frame), [], "\n".join(frame))
        # the messages, in their order: compile failure, the null handle attached, link failure,
        # then each frame's failed uploads, and the failed validation once
        self.assertRegex(viewer.output(),
                         r"^There was error during compilation !\nCompilation error log: \n(?s:.+?)\n\n"
                         r"FragmentProgram\.glsl:2:\d+: error: syntax error[^\n]*\n"  # the log's line, for an editor
                         r"GL_INVALID_VALUE\n"
                         r"There was error during linking !\nLinking error log: \n[^\n]*lacks `main'[^\n]*\n\n\n"
                         r"GL_INVALID_OPERATION\nGL_INVALID_OPERATION\nGL_INVALID_VALUE\nGL_INVALID_VALUE\n"
                         r"Error while validating program !\nGL_INVALID_VALUE\n"
                         r"(GL_INVALID_OPERATION\nGL_INVALID_OPERATION\n){2,}$")


if __name__ == "__main__":
    unittest.main()
