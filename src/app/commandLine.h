#pragma once
// The viewer's command line:
//   spinview [--fit] [--vertex FILE] [--fragment FILE] [--snapshot FILE.png [--at SECONDS]] [MODEL.obj]
// plus --help and --version. GLUT's own options (-display, -geometry, -iconic, -direct,
// -indirect, -gldebug, -sync) are left for glutInit.

#include <cstdint>

// What the command line sets, with the defaults of a viewer started without arguments.
struct ViewerOptions {
    const char* model = "torus.obj";
    const char* vertexShader = "VertexProgram.glsl";
    const char* fragmentShader = "FragmentProgram.glsl";
    bool fit = false;                // scale and centre the model to fill the view
    const char* snapshot = nullptr;  // a PNG to write of one frame, instead of running
    uint32_t atMs = 0;               // the moment of the spin a snapshot shows
    // which of the three files the command line named
    bool modelNamed = false, vertexNamed = false, fragmentNamed = false;
    // a shader's text compiled into the program, used in place of its file (nullptr: the file);
    // see useBuiltinShadersWhereMissing
    const char* vertexSource = nullptr;
    const char* fragmentSource = nullptr;
};

enum class CommandLine {
    run,        // options read: go on
    answered,   // --help or --version printed on standard output: end with status 0
    wrong,      // a wrong option or a missing value: the reason and a short usage printed on
                // standard error: end with status 2
};

// Reads the options from argv, which it leaves as it is, for glutInit.
CommandLine parseCommandLine(int argc, char** argv, ViewerOptions& options);
