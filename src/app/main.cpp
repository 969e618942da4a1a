#include "app/callbacks.h"
#include "app/commandLine.h"
#include "app/reload.h"
#include "app/scene.h"
#include "app/shaderSources.h"
#include "render/glCheck.h"

#include <GL/glew.h>
#include <GL/glut.h>

namespace {

// The viewer's state, for the life of the process.
Viewer viewer;

} // namespace

int main(int argc, char** argv)
{
    ViewerOptions options;
    CommandLine read = parseCommandLine(argc, argv, options);
    if (read != CommandLine::run)
        return read == CommandLine::answered ? 0 : 2;
    useBuiltinShadersWhereMissing(options);
    startViewer(viewer, options);

    glutInit(&argc, argv);
    glutInitWindowSize(512, 512);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Just a test");
    checkGlError();

    if (!initScene(viewer))
        return 1;
    if (!options.snapshot)
        watchDataFiles(viewer);

    registerCallbacks(viewer);
    checkGlError();

    glutMainLoop();
    checkGlError();
    return 0;
}
