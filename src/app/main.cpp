#include "app/callbacks.h"
#include "app/commandLine.h"
#include "app/headless.h"
#include "app/reload.h"
#include "app/scene.h"
#include "app/snapshot.h"
#include "core/diag/log.h"
#include "app/shaderSources.h"
#include "render/glCheck.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Draws the snapshot through an offscreen context, with no window system at all.
int snapshotWithoutDisplay(Viewer& drawn)
{
    const ViewerOptions& options = drawn.options;
    if (!startOffscreenContext(options.windowWidth, options.windowHeight)) {
        fprintf(stderr, "spinview: no display, and no offscreen OpenGL context (EGL) to draw the snapshot with\n");
        return 1;
    }
    if (!initScene(drawn))
        return 1;
    return writeSnapshotFrames(drawn, options.windowWidth, options.windowHeight);
}

// The last part of a path.
const char* fileName(const char* path)
{
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '/' || *c == '\\')
            name = c + 1;
    return name;
}

} // namespace

int main(int argc, char** argv)
{
    // the viewer's state, for the life of the process (the callbacks reach it through theirs)
    static Viewer viewer;
    ViewerOptions options;
    CommandLine read = parseCommandLine(argc, argv, options);
    if (read != CommandLine::run)
        return read == CommandLine::answered ? 0 : 2;
    if (const char* input = inputOverwrittenBySnapshot(options, options.snapshot)) {
        fprintf(stderr, "spinview: the snapshot [%s] would overwrite [%s], which the viewer reads\n", options.snapshot,
                input);
        return 2;
    }
    if (options.snapshot && snapshotToStandardOutput(options.snapshot))
        logToStandardError();  // standard output carries the picture
    useBuiltinShadersWhereMissing(options);
    startViewer(viewer, options);
    if (const char* frameTimes = getenv("SPINVIEW_FRAME_TIMES"))
        viewer.frameLog = fopen(frameTimes, "w");

    if (!displayCanOpen(options.display)) {
        // a snapshot needs no window: it is drawn offscreen
        if (options.snapshot)
            return snapshotWithoutDisplay(viewer);
        const char* display = options.display ? options.display : getenv("DISPLAY");
        if (display && *display)
            fprintf(stderr, "spinview: cannot open the display [%s]: the window needs one (--snapshot draws without)\n",
                    display);
        else
            fprintf(stderr, "spinview: no display is set (neither DISPLAY nor -display names one): the window needs "
                            "one (--snapshot draws without)\n");
        return 1;
    }

    glutInit(&argc, argv);
    if (!options.windowGeometry)
        glutInitWindowSize(512, 512);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    // a model named on the command line names the window, and so does the canvas's shader
    std::string title = options.canvas       ? fileName(options.fragmentShader) + std::string(" - spinview")
                        : options.modelNamed ? fileName(options.model) + std::string(" - spinview")
                                             : "Just a test";
    glutCreateWindow(title.c_str());
    checkGlError();

    if (!initScene(viewer))
        return 1;
    // drawn at once, not from the display callback: a window that never shows (off the screen, on
    // another workspace) is never asked for its frame
    if (options.snapshot)
        return writeSnapshotFrames(viewer, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    watchDataFiles(viewer);

    registerCallbacks(viewer);
    checkGlError();

    glutMainLoop();
    checkGlError();
    return 0;
}
