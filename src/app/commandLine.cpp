#include "app/commandLine.h"

#include "app/controls.h"
#include "app/snapshot.h"
#include "core/files/framePattern.h"
#include "core/mesh/modelFile.h"
#include "app/textureOption.h"
#include "core/shader/standardInputs.h"

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "usage: spinview [--fit] [--no-spin] [--no-cut] [--orbit YAW,PITCH] [--at SECONDS] [--vertex FILE]\n"
    "                [--fragment FILE] [--texture NAME=FILE]... [--snapshot FILE.png [--frames N [--fps F]]\n"
    "                [--size WxH] [--transparent] [--raw]] [--cubemap FILE [--skybox]] [--look pbr|classic]\n"
    "                [--exposure EV] [--light-follows on|off] [--samples N] [--edges] [--grid]\n"
    "                [--background COLOR[,COLOR]] [--point-size N] [MODEL.obj] [SHADER.frag]\n";

const char* const help =
    "Draws MODEL.obj (torus.obj by default) spinning, through the GLSL shaders VertexProgram.glsl and\n"
    "FragmentProgram.glsl, and reloads any of the three files when it changes. A model named here is\n"
    "drawn in the physically based look where those files are neither named nor in the working\n"
    "directory (with --look classic, through the built-in copies of the shaders).\n"
    "It may be of any format --version names (glTF: .gltf, .glb), told by its content or its extension.\n"
    "A fragment shader named alone (SHADER.frag, .fs or .glsl), or --fragment without a model where the\n"
    "working directory has no torus.obj, is drawn on the whole window: the canvas.\n"
    "\n"
    "  --fit              centre the model and scale it to fill the view\n"
    "  --no-spin          start with the spin paused (at 0, or at --at)\n"
    "  --no-cut           start without the cut by the clip plane\n"
    "  --orbit YAW,PITCH  start with the camera turned as a drag would turn it, in degrees\n"
    "  --at SECONDS       the moment of the spin to start from (0 by default)\n"
    "  --vertex FILE      the vertex shader\n"
    "  --fragment FILE    the fragment shader\n"
    "  --texture NAME=FILE  the PNG or JPEG image the sampler2D uniform NAME reads (up to 8)\n"
    "  --snapshot FILE    draw one frame, write it as an RGB PNG and end ('-': to standard output)\n"
    "  --frames N         with --snapshot FILE%03d.png: N frames, one turn of the spin in all\n"
    "  --fps F            the frames 1/F seconds apart instead (F at most 1000000)\n"
    "  --size WxH         draw the snapshot at that size, the model's proportions kept\n"
    "  --transparent      an RGBA PNG whose background is transparent\n"
    "  --raw              with --snapshot -: raw RGBA rows, top to bottom, frame after frame\n"
    "  --cubemap FILE     an equirectangular PNG, JPEG or Radiance .hdr image: u_cubeMap and u_SH\n"
    "  --skybox           draw the cube map behind the model, where the shader has no BACKGROUND\n"
    "  --samples N        multisampling: N samples a pixel, 0 or 1 none (4 with a model named, else 0);\n"
    "                     as many as the OpenGL has at most\n"
    "  --edges            draw the edges of the triangles over the shaded model (key e)\n"
    "  --grid             draw a ground grid under the model (key g)\n"
    "  --background COLOR[,COLOR]  the background: one colour, or a vertical gradient from the top one\n"
    "                     to the bottom one; each #rrggbb, in hexadecimal (quoted for the shell)\n"
    "  --point-size N     draw each point of a point cloud N pixels across (from 1 to 64)\n"
    "  --look pbr|classic the physically based look (a named model's, without shaders there) or the\n"
    "                     shipped shaders' (see the README's \"The look\")\n"
    "  --exposure EV      the look's exposure in stops, from -20 to 20 (0 by default)\n"
    "  --light-follows on|off  the look's key light follows the camera (on) or stays in the world\n"
    "  --help, --version  this text, the version\n"
    "\n"
    "GLUT's options, such as -display :1 and -geometry WxH+X+Y, are passed on to GLUT.\n"
    "\n";

enum Option {
    fit = 1,
    noSpin,
    noCut,
    orbit,
    vertex,
    fragment,
    snapshot,
    at,
    frames,
    fps,
    size,
    transparent,
    raw,
    texture,
    cubeMap,
    skybox,
    lookOption,
    exposure,
    lightFollows,
    helpOption,
    version,
    samples,
    edges,
    grid,
    background,
    pointSize
};

const option longOptions[] = {
    {"fit", no_argument, nullptr, fit},
    {"no-spin", no_argument, nullptr, noSpin},
    {"no-cut", no_argument, nullptr, noCut},
    {"orbit", required_argument, nullptr, orbit},
    {"vertex", required_argument, nullptr, vertex},
    {"fragment", required_argument, nullptr, fragment},
    {"snapshot", required_argument, nullptr, snapshot},
    {"at", required_argument, nullptr, at},
    {"frames", required_argument, nullptr, frames},
    {"fps", required_argument, nullptr, fps},
    {"size", required_argument, nullptr, size},
    {"transparent", no_argument, nullptr, transparent},
    {"raw", no_argument, nullptr, raw},
    {"help", no_argument, nullptr, helpOption},
    {"version", no_argument, nullptr, version},
    {"texture", required_argument, nullptr, texture},
    {"cubemap", required_argument, nullptr, cubeMap},
    {"skybox", no_argument, nullptr, skybox},
    {"samples", required_argument, nullptr, samples},
    {"edges", no_argument, nullptr, edges},
    {"grid", no_argument, nullptr, grid},
    {"background", required_argument, nullptr, background},
    {"point-size", required_argument, nullptr, pointSize},
    {"look", required_argument, nullptr, lookOption},
    {"exposure", required_argument, nullptr, exposure},
    {"light-follows", required_argument, nullptr, lightFollows},
    {nullptr, 0, nullptr, 0},
};

// Prints the reason, a format whose %s, if any, takes the value, then the usage.
CommandLine wrong(const char* reason, const char* value = "")
{
    if (reason)
        fprintf(stderr, reason, value);
    fputs(usage, stderr);
    return CommandLine::wrong;
}

// Seconds from 0 to the clock's range, 2^32 - 1 milliseconds, rounded to milliseconds.
bool readSeconds(const char* text, uint32_t& ms)
{
    char* end = nullptr;
    double seconds = strtod(text, &end);
    if (end == text || *end != '\0' || !(seconds >= 0.0 && seconds * 1000.0 <= 4294967295.0))
        return false;
    ms = uint32_t(std::llround(seconds * 1000.0));
    return true;
}

// Reads decimal digits, with a sign first when `sign` allows one, as a number from `low` to
// `high`; advances `text` past them. False when there are none or the number is out of range.
bool readBoundedInteger(const char*& text, bool sign, long low, long high, long& value)
{
    const char* digits = sign && (*text == '+' || *text == '-') ? text + 1 : text;
    if (*digits < '0' || *digits > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    value = strtol(text, &end, 10);
    text = end;
    return errno == 0 && value >= low && value <= high;
}

// "WxH" at the start of the text, each from 1 to 16384; false, with nothing set, otherwise. The
// text may go on past it when `rest` is true, and `text` is then advanced past it.
bool readSizePrefix(const char*& text, int& width, int& height, bool rest)
{
    const char* c = text;
    long w = 0, h = 0;
    if (!readBoundedInteger(c, false, 1, 16384, w) || (*c != 'x' && *c != 'X'))
        return false;
    ++c;
    if (!readBoundedInteger(c, false, 1, 16384, h) || (!rest && *c != '\0'))
        return false;
    width = int(w);
    height = int(h);
    text = c;
    return true;
}

bool readSize(const char* text, int& width, int& height)
{
    return readSizePrefix(text, width, height, false);
}

// X's window geometry as GLUT reads it for -geometry: [=][WxH][{+-}X{+-}Y], each size from 1 to
// 16384, each offset within X's 16-bit coordinates (a sign after the + or - too, as X reads it).
// `sized` tells whether it gives the size. False for anything else, such as an empty geometry.
bool readGeometry(const char* text, int& width, int& height, bool& sized)
{
    const char* c = *text == '=' ? text + 1 : text;
    sized = readSizePrefix(c, width, height, true);
    if (*c == '\0')
        return sized;
    long offset = 0;
    for (int axis = 0; axis < 2; ++axis) {
        if (*c != '+' && *c != '-')
            return false;
        bool negative = *c++ == '-';  // from the right or bottom edge
        if (!readBoundedInteger(c, !negative, -32768, 32767, offset))
            return false;
    }
    return *c == '\0';
}

// GLUT's own options, in the only form glutInit reads them: one dash, the whole name, and the value
// as the next argument.
struct GlutOption {
    const char* name;
    bool takesValue;
};

const GlutOption glutOptions[] = {{"-display", true}, {"-geometry", true}, {"-iconic", false}, {"-direct", false},
                                  {"-indirect", false}, {"-gldebug", false}, {"-sync", false}};

const GlutOption* findGlutOption(const char* argument)
{
    for (const GlutOption& option : glutOptions)
        if (strcmp(argument, option.name) == 0)
            return &option;
    return nullptr;
}

// Takes GLUT's options, with their values, out of `args`, leaving the viewer's own for getopt,
// which then refuses any other spelling of them. Returns the reason, a format whose %s takes the
// value, when one lacks its value or has a wrong one; nullptr when all are right. `value` gets
// the value the reason names.
const char* takeGlutOptions(std::vector<char*>& args, ViewerOptions& options, const char*& value)
{
    std::vector<char*> own;
    for (size_t i = 0; i < args.size(); ++i) {
        const GlutOption* option = i > 0 ? findGlutOption(args[i]) : nullptr;
        if (!option) {
            own.push_back(args[i]);
            continue;
        }
        value = option->name;
        if (option->takesValue && i + 1 == args.size())
            return "spinview: %s needs a value\n";
        if (strcmp(option->name, "-geometry") == 0) {
            value = args[i + 1];
            // GLUT would hand X a window it refuses, and end with X's error
            if (!readGeometry(value, options.windowWidth, options.windowHeight, options.windowGeometry))
                return "spinview: -geometry takes [WxH][+X+Y], each size from 1 to 16384 and each offset from "
                       "-32768 to 32767, not '%s'\n";
        }
        if (strcmp(option->name, "-display") == 0)
            options.display = args[i + 1];
        i += option->takesValue;
    }
    args.swap(own);
    return nullptr;
}

// A whole number from 1 to 1000000.
bool readCount(const char* text, unsigned& count)
{
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 1000000)
        return false;
    count = unsigned(value);
    return true;
}

// A finite rate above 0 and at most a million.
bool readRate(const char* text, double& rate)
{
    char* end = nullptr;
    rate = strtod(text, &end);
    return end != text && *end == '\0' && rate > 0.0 && rate <= 1e6;
}

// True when the last of the frames, at --at + (frames - 1) / fps seconds, is still on the spin's
// clock, which ends at 2^32 - 1 milliseconds: later moments do not fit its float angle, or any.
bool framesEndOnTheClock(const ViewerOptions& options)
{
    double last = double(options.atMs) / 1000.0 + (options.frames - 1) / options.framesPerSecond;
    return last * 1000.0 <= 4294967295.0;
}

// The reason, a format whose %s takes the snapshot's path, why the frame options do not go
// together; nullptr when they do.
const char* snapshotOptionsMisused(const ViewerOptions& options)
{
    bool frameOptions = options.frames || options.framesPerSecond > 0.0 || options.snapshotWidth ||
                        options.transparent || options.raw;
    if (!options.snapshot)
        return frameOptions ? "spinview: --frames, --fps, --size, --transparent and --raw go with --snapshot\n"
                            : nullptr;
    if (options.framesPerSecond > 0.0 && !options.frames)
        return "spinview: --fps goes with --frames\n";
    if (options.framesPerSecond > 0.0 && !framesEndOnTheClock(options))
        return "spinview: --frames N at --fps F end past the spin's clock: --at + (N - 1) / F may be 4294967 "
               "seconds at most\n";
    if (options.raw && !snapshotToStandardOutput(options.snapshot))
        return "spinview: --raw writes to standard output: --snapshot -, not '%s'\n";
    if (options.frames && !snapshotToStandardOutput(options.snapshot) && !readFramePattern(options.snapshot).valid)
        return "spinview: the frames' names '%s' may hold one integer field, such as %%03d\n";
    return nullptr;
}

// "YAW,PITCH" in degrees, each a finite number.
bool readOrbit(const char* text, double& yaw, double& pitch)
{
    char* end = nullptr;
    yaw = strtod(text, &end);
    if (end == text || *end != ',')
        return false;
    const char* second = end + 1;
    pitch = strtod(second, &end);
    return end != second && *end == '\0' && std::isfinite(yaw) && std::isfinite(pitch);
}

// True for a name ending in .frag, .fs or .glsl: a fragment shader named without --fragment.
bool isFragmentShaderName(const char* name)
{
    size_t length = strlen(name);
    for (const char* extension : {".frag", ".fs", ".glsl"}) {
        size_t e = strlen(extension);
        if (length > e && strcmp(name + length - e, extension) == 0)
            return true;
    }
    return false;
}

// One hexadecimal digit's value, or -1.
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "#rrggbb" at the start of the text, each channel two hexadecimal digits, as red, green and blue
// from 0 to 1; advances `text` past it. False, with `rgb` as it was, otherwise.
bool readHexColor(const char*& text, float rgb[3])
{
    if (text[0] != '#')
        return false;
    int values[3];
    for (int i = 0; i < 3; ++i) {
        int high = hexDigit(text[1 + 2 * i]);
        int low = high < 0 ? -1 : hexDigit(text[2 + 2 * i]);
        if (low < 0)
            return false;
        values[i] = 16 * high + low;
    }
    for (int i = 0; i < 3; ++i)
        rgb[i] = float(values[i]) / 255.0f;
    text += 7;
    return true;
}

// "COLOR" or "COLOR,COLOR", each #rrggbb: the background's colours, top first, and how many.
bool readBackground(const char* text, ViewerOptions& options)
{
    float colors[2][3];
    int count = 0;
    while (count < 2 && readHexColor(text, colors[count])) {
        ++count;
        if (*text != ',')
            break;
        ++text;
    }
    if (count == 0 || *text != '\0' || text[-1] == ',')
        return false;
    options.backgroundColors = count;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c)
            options.background[i][c] = colors[i][c];
    return true;
}

// A whole number of samples from 0 to 256.
bool readSamples(const char* text, int& samples)
{
    long value = 0;
    if (!readBoundedInteger(text, false, 0, 256, value) || *text != '\0')
        return false;
    samples = int(value);
    return true;
}

// A point's size in pixels: a number from 1 to 64.
bool readPointSize(const char* text, float& size)
{
    char* end = nullptr;
    double value = strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 1.0 && value <= 64.0))
        return false;
    size = float(value);
    return true;
}

// A finite number of stops from -20 to 20.
bool readExposure(const char* text, double& stops)
{
    char* end = nullptr;
    stops = strtod(text, &end);
    return end != text && *end == '\0' && stops >= -20.0 && stops <= 20.0;
}

// `on` or `off`.
bool readOnOff(const char* text, bool& on)
{
    on = strcmp(text, "on") == 0;
    return on || strcmp(text, "off") == 0;
}

// The uniforms and attributes a program may take by name, after the keys and the mouse.
void printInputsHelp()
{
    std::string inputs;
    describeStandardInputs(inputs);
    printf("\n\n%s", inputs.c_str());
}

} // namespace

CommandLine parseCommandLine(int argc, char** argv, ViewerOptions& options)
{
    // getopt reorders what it reads: it reads a copy, and glutInit the command line as given
    std::vector<char*> args(argv, argv + argc);
    const char* value = nullptr;
    if (const char* reason = takeGlutOptions(args, options, value))
        return wrong(reason, value);
    // getopt names the program by argv[0] in its messages: the name ours use, not the path run
    static char programName[] = "spinview";
    if (!args.empty())
        args[0] = programName;
    argc = int(args.size());
    args.push_back(nullptr);
    optind = 0;  // a fresh start, for a parser called more than once
    for (;;) {
        // long options with one dash too, as GLUT's are written
        int found = getopt_long_only(argc, args.data(), "", longOptions, nullptr);
        if (found == -1)
            break;
        switch (found) {
        case fit: options.fit = true; break;
        case noSpin: options.spin = false; break;
        case noCut: options.cut = false; break;
        case orbit:
            if (!readOrbit(optarg, options.orbitYaw, options.orbitPitch))
                return wrong("spinview: --orbit takes YAW,PITCH in degrees, not '%s'\n", optarg);
            break;
        case vertex: options.vertexShader = optarg; options.vertexNamed = true; break;
        case fragment: options.fragmentShader = optarg; options.fragmentNamed = true; break;
        case snapshot: options.snapshot = optarg; break;
        case at:
            if (!readSeconds(optarg, options.atMs))
                return wrong("spinview: --at takes seconds from 0 to 4294967, not '%s'\n", optarg);
            break;
        case frames:
            if (!readCount(optarg, options.frames))
                return wrong("spinview: --frames takes a count from 1 to 1000000, not '%s'\n", optarg);
            break;
        case fps:
            if (!readRate(optarg, options.framesPerSecond))
                return wrong("spinview: --fps takes frames a second, more than 0 and at most 1000000, not '%s'\n",
                             optarg);
            break;
        case size:
            if (!readSize(optarg, options.snapshotWidth, options.snapshotHeight))
                return wrong("spinview: --size takes WxH, each from 1 to 16384, not '%s'\n", optarg);
            break;
        case transparent: options.transparent = true; break;
        case raw: options.raw = true; break;
        case texture:
            if (const char* reason = readTextureOption(optarg, options.textures))
                return wrong(reason, optarg);
            break;
        case cubeMap: options.cubeMap = optarg; break;
        case skybox: options.skybox = true; break;
        case samples:
            if (!readSamples(optarg, options.samples))
                return wrong("spinview: --samples takes a count from 0 to 256, not '%s'\n", optarg);
            break;
        case edges: options.edges = true; break;
        case grid: options.grid = true; break;
        case background:
            if (!readBackground(optarg, options))
                return wrong("spinview: --background takes #rrggbb or #rrggbb,#rrggbb (top, bottom), not '%s'\n",
                             optarg);
            break;
        case pointSize:
            if (!readPointSize(optarg, options.pointSize))
                return wrong("spinview: --point-size takes pixels from 1 to 64, not '%s'\n", optarg);
            break;
        case lookOption:
            if (strcmp(optarg, "pbr") != 0 && strcmp(optarg, "classic") != 0)
                return wrong("spinview: --look takes pbr or classic, not '%s'\n", optarg);
            options.classicLook = strcmp(optarg, "classic") == 0;
            options.lookNamed = true;
            break;
        case exposure:
            if (!readExposure(optarg, options.exposure))
                return wrong("spinview: --exposure takes stops from -20 to 20, not '%s'\n", optarg);
            break;
        case lightFollows:
            if (!readOnOff(optarg, options.lightFollows))
                return wrong("spinview: --light-follows takes on or off, not '%s'\n", optarg);
            break;
        case helpOption:
            fputs(usage, stdout);
            fputs(help, stdout);
            puts(controlsHelp);
            printInputsHelp();
            return CommandLine::answered;
        case version:
            puts("spinview " SPINVIEW_VERSION);
            fputs(describeModelFormats().c_str(), stdout);
            return CommandLine::answered;
        default: return wrong(nullptr);  // getopt has said what was wrong
        }
    }
    if (const char* reason = snapshotOptionsMisused(options))
        return wrong(reason, options.snapshot ? options.snapshot : "");
    if (options.skybox && !options.cubeMap)
        return wrong("spinview: --skybox goes with --cubemap\n");
    for (int i = optind; i < argc; ++i) {
        const char* named = args[size_t(i)];
        if (isFragmentShaderName(named)) {
            if (options.fragmentNamed)
                return wrong("spinview: one fragment shader at most, not also '%s'\n", named);
            options.fragmentShader = named;
            options.fragmentNamed = true;
            options.canvas = true;  // until a model is named too
        } else {
            if (options.modelNamed)
                return wrong("spinview: one model at most, not also '%s'\n", named);
            options.model = named;
            options.modelNamed = true;
        }
    }
    options.canvas = options.canvas && !options.modelNamed;
    if (options.samples < 0)
        options.samples = options.modelNamed ? 4 : 0;
    if (options.lookNamed && !options.classicLook && (options.vertexNamed || options.fragmentNamed))
        return wrong("spinview: --look pbr draws with the viewer's own shaders: not with --vertex, --fragment or a "
                     "shader named\n");
    return CommandLine::run;
}
