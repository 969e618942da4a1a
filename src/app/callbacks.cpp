#include "app/callbacks.h"

#include "app/reload.h"
#include "app/scene.h"
#include "core/diag/log.h"
#include "app/snapshot.h"
#include "render/glCheck.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

Viewer* viewer;

void drawViewerFrame()
{
    FrameMatrices matrices;
    frameMatrices(*viewer, matrices);
    drawFrame(viewer->meshStore, viewer->shaderState, matrices);
}

} // namespace

void registerCallbacks(Viewer& drawn)
{
    viewer = &drawn;
    glutDisplayFunc(drawn.options.snapshot ? renderSnapshot : renderFrame);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutReshapeFunc(onReshape);
}

void renderFrame()
{
    drawViewerFrame();
    glutSwapBuffers();
    checkGlError();
}

void renderSnapshot()
{
    drawViewerFrame();
    int width = glutGet(GLUT_WINDOW_WIDTH), height = glutGet(GLUT_WINDOW_HEIGHT);
    std::vector<unsigned char> pixels;
    readFramePixels(width, height, pixels);
    const char* path = viewer->options.snapshot;
    if (!writeSnapshot(path, width, height, pixels.data())) {
        logMessage("Cannot write snapshot [%s]", path);
        exit(1);
    }
    exit(0);
}

void onIdle()
{
    glutPostRedisplay();
    checkGlError();
    reloadChangedFiles(*viewer);
}

void onKeyboard(unsigned char key, int, int)
{
    int lowered = tolower(key);
    if (lowered == 27 || lowered == 'q')
        exit(0);
    glutPostRedisplay();
    checkGlError();
}

void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);
    checkGlError();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    checkGlError();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    checkGlError();
}
