#include "app/commandLine.h"

#include <getopt.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char* const usage =
    "usage: spinview [--fit] [--vertex FILE] [--fragment FILE] [--snapshot FILE.png [--at SECONDS]] [MODEL.obj]\n";

const char* const help =
    "Draws MODEL.obj (torus.obj by default) spinning, through the GLSL shaders VertexProgram.glsl and\n"
    "FragmentProgram.glsl, and reloads any of the three files when it changes. Esc or q quits.\n"
    "A model named here is drawn with the built-in shaders where those files are neither named\n"
    "nor in the working directory.\n"
    "\n"
    "  --fit              centre the model and scale it to fill the view\n"
    "  --vertex FILE      the vertex shader\n"
    "  --fragment FILE    the fragment shader\n"
    "  --snapshot FILE    draw one frame, write it as an RGB PNG and end\n"
    "  --at SECONDS       the moment of the spin that frame shows (0 by default)\n"
    "  --help, --version  this text, the version\n"
    "\n"
    "GLUT's options, such as -display and -geometry, are passed on to GLUT.\n";

enum Option { fit = 1, vertex, fragment, snapshot, at, helpOption, version, glut, glutWithValue };

const option longOptions[] = {
    {"fit", no_argument, nullptr, fit},
    {"vertex", required_argument, nullptr, vertex},
    {"fragment", required_argument, nullptr, fragment},
    {"snapshot", required_argument, nullptr, snapshot},
    {"at", required_argument, nullptr, at},
    {"help", no_argument, nullptr, helpOption},
    {"version", no_argument, nullptr, version},
    // GLUT's, read by glutInit
    {"display", required_argument, nullptr, glutWithValue},
    {"geometry", required_argument, nullptr, glutWithValue},
    {"iconic", no_argument, nullptr, glut},
    {"direct", no_argument, nullptr, glut},
    {"indirect", no_argument, nullptr, glut},
    {"gldebug", no_argument, nullptr, glut},
    {"sync", no_argument, nullptr, glut},
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

} // namespace

CommandLine parseCommandLine(int argc, char** argv, ViewerOptions& options)
{
    // getopt reorders what it reads: it reads a copy, and glutInit the command line as given
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    optind = 0;  // a fresh start, for a parser called more than once
    bool atGiven = false;
    for (;;) {
        // long options with one dash too, as GLUT's are written
        int found = getopt_long_only(argc, args.data(), "", longOptions, nullptr);
        if (found == -1)
            break;
        switch (found) {
        case fit: options.fit = true; break;
        case vertex: options.vertexShader = optarg; options.vertexNamed = true; break;
        case fragment: options.fragmentShader = optarg; options.fragmentNamed = true; break;
        case snapshot: options.snapshot = optarg; break;
        case at:
            if (!readSeconds(optarg, options.atMs))
                return wrong("spinview: --at takes seconds from 0 to 4294967, not '%s'\n", optarg);
            atGiven = true;
            break;
        case helpOption: fputs(usage, stdout); fputs(help, stdout); return CommandLine::answered;
        case version: puts("spinview " SPINVIEW_VERSION); return CommandLine::answered;
        case glut:
        case glutWithValue: break;
        default: return wrong(nullptr);  // getopt has said what was wrong
        }
    }
    if (atGiven && !options.snapshot)
        return wrong("spinview: --at goes with --snapshot\n");
    if (argc - optind > 1)
        return wrong("spinview: one model at most, not also '%s'\n", args[size_t(optind) + 1]);
    if (optind < argc) {
        options.model = args[size_t(optind)];
        options.modelNamed = true;
    }
    return CommandLine::run;
}
