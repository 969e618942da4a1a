#include "app/callbacks.h"
#include "app/commandLine.h"
#include "app/reload.h"
#include "diag/log.h"
#include "render/frame.h"
#include "render/scene.h"
#include "render/snapshot.h"

#include <GL/glew.h>
#include <GL/glut.h>

namespace {

void applyOptions(const ViewerOptions& options)
{
    sceneFiles = SceneFiles{options.model, options.vertexShader, options.fragmentShader};
    frameSettings.fitToView = options.fit;
    frameSettings.clockStopped = options.snapshot != nullptr;
    frameSettings.stoppedTickMs = options.snapshotTickMs;
    snapshotFile = options.snapshot;
}

} // namespace

int main(int argc, char** argv)
{
    ViewerOptions options;
    CommandLine read = parseCommandLine(argc, argv, options);
    if (read != CommandLine::run)
        return read == CommandLine::answered ? 0 : 2;
    applyOptions(options);

    glutInit(&argc, argv);
    glutInitWindowSize(512, 512);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Just a test");
    checkGlError();

    initScene();
    if (!snapshotFile)
        watchDataFiles();

    glutDisplayFunc(snapshotFile ? renderSnapshot : renderFrame);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutReshapeFunc(onReshape);
    checkGlError();

    glutMainLoop();
    checkGlError();
    return 0;
}
