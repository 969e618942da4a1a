#pragma once
// The viewer's command line:
//   spinview [--fit] [--no-spin] [--no-cut] [--orbit YAW,PITCH] [--at SECONDS] [--vertex FILE]
//            [--samples N] [--edges] [--grid] [--background COLOR[,COLOR]] [--point-size N]
//            [--fragment FILE] [--texture NAME=FILE]... [--snapshot FILE.png [--frames N [--fps F]]
//            [--size WxH] [--transparent] [--raw]] [--cubemap FILE [--skybox]] [MODEL.obj] [SHADER.frag]
//            [--look pbr|classic] [--exposure EV] [--light-follows on|off]
// plus --help and --version. GLUT's own options (-display, -geometry, -iconic, -direct,
// -indirect, -gldebug, -sync), written as glutInit reads them, are left for it; other spellings of
// them (--display, -disp, -display=:1) are refused.

#include <cstdint>
#include <string>
#include <vector>

// An image the program samples through the sampler2D uniform `name`.
struct TextureOption {
    std::string name;
    const char* path;
};

// What the command line sets, with the defaults of a viewer started without arguments.
struct ViewerOptions {
    const char* model = "torus.obj";
    bool modelNamed = false;         // the model was named on the command line
    const char* vertexShader = "VertexProgram.glsl";
    const char* fragmentShader = "FragmentProgram.glsl";
    bool fit = false;                // scale and centre the model to fill the view
    const char* snapshot = nullptr;  // a PNG to write of one frame, instead of running
    bool spin = true;                // the spin runs from the start (--no-spin: paused)
    bool cut = true;                 // clip plane 0 cuts the model (--no-cut: off)
    double orbitYaw = 0.0;           // the camera's first turn, in degrees, as a drag gives it
    double orbitPitch = 0.0;
    uint32_t atMs = 0;               // the moment of the spin the viewer starts from, or a snapshot shows
    // which of the shaders the command line named (the model: modelNamed); a shader's text
    // compiled into the program, used in place of its file (nullptr: the file); see
    // useBuiltinShadersWhereMissing
    bool vertexNamed = false, fragmentNamed = false;
    const char* vertexSource = nullptr;
    const char* fragmentSource = nullptr;
    bool windowGeometry = false;     // GLUT's -geometry gives the window's size instead of 512 x 512
    int windowWidth = 512, windowHeight = 512;  // as -geometry gives them, where it does
    const char* display = nullptr;   // GLUT's -display, or $DISPLAY
    // a snapshot's frames: how many, how far apart (0: one turn of the spin over them all), at
    // what size (0: the window's), whether the background is transparent, and raw RGBA rows on
    // standard output instead of PNG
    unsigned frames = 0;
    double framesPerSecond = 0.0;
    int snapshotWidth = 0, snapshotHeight = 0;
    bool transparent = false;
    bool raw = false;
    std::vector<TextureOption> textures;  // --texture, in order: texture unit 0 first
    // no model: the fragment shader is drawn on a full-window quad (a shader named alone, or
    // --fragment without a model where the working directory has no torus.obj)
    bool canvas = false;
    const char* cubeMap = nullptr;  // --cubemap: the equirectangular image of u_cubeMap and u_SH
    bool skybox = false;            // --skybox: the cube map drawn behind the model
    // --samples: the samples a pixel of a multisampled frame, 0 or 1 for none; until the command
    // line is read, -1: 4 once a model is named, else 0
    int samples = -1;
    bool edges = false;  // --edges: the edges of the triangles drawn over the shaded model
    bool grid = false;   // --grid: a ground grid under the model
    // --background: none (the clear colour of the viewer without it), one colour, or two for a
    // vertical gradient, top first; each red, green, blue from 0 to 1
    int backgroundColors = 0;
    float background[2][3] = {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    float pointSize = 0.0f;  // --point-size: the pixels across a point; 0: OpenGL's own, 1
    // the physically based look: --look classic keeps the shipped shaders; --look pbr asks for the
    // look, which a named model gets by default (useBuiltinShadersWhereMissing sets `look` when it
    // is taken); its exposure in EV and whether its key light follows the camera
    bool classicLook = false;
    bool lookNamed = false;
    bool look = false;
    double exposure = 0.0;
    bool lightFollows = true;
};

enum class CommandLine {
    run,        // options read: go on
    answered,   // --help or --version printed on standard output: end with status 0
    wrong,      // a wrong option or a missing value: the reason and a short usage printed on
                // standard error: end with status 2
};

// Reads the options from argv, which it leaves as it is, for glutInit.
CommandLine parseCommandLine(int argc, char** argv, ViewerOptions& options);
