#include "app/callbacks.h"

#include "app/controls.h"
#include "app/reload.h"
#include "app/scene.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"
#include "render/glCheck.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cstdlib>

namespace {

Viewer* viewer;



void onWatchTimer(int);

// While the spin runs, the idle callback draws frame after frame and looks at the files; while
// it stands, nothing is drawn until something changes, and a timer looks at the files.
void keepFramesComing()
{
    if (viewer->clock.running) {
        glutIdleFunc(onIdle);
        return;
    }
    glutIdleFunc(nullptr);
    if (!viewer->watch.timerArmed) {
        viewer->watch.timerArmed = true;
        glutTimerFunc(lookEveryMs, onWatchTimer, 0);
    }
}

void onWatchTimer(int)
{
    viewer->watch.timerArmed = false;
    if (viewer->clock.running)
        return;
    if (reloadChangedFiles(*viewer))
        glutPostRedisplay();
    keepFramesComing();
}

void onMouse(int button, int state, int x, int y)
{
    bool shift = (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0;
    pressButton(*viewer, button, state == GLUT_DOWN, shift, x, y);
    glutPostRedisplay();
}

void onMotion(int x, int y)
{
    if (dragPointer(*viewer, x, y, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)))
        glutPostRedisplay();
}

void onPassiveMotion(int x, int y)
{
    if (hoverPointer(*viewer, x, y))
        glutPostRedisplay();
}

// Whatever ends the process (a key, GLUT when the window is closed) first stops the worker.
void stopWorkersAtExit()
{
    stopModelReading(*viewer);
}

} // namespace

void registerCallbacks(Viewer& drawn)
{
    viewer = &drawn;
    atexit(stopWorkersAtExit);
    glutDisplayFunc(renderFrame);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutReshapeFunc(onReshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onPassiveMotion);
    keepFramesComing();
}

void renderFrame()
{
    drawViewerFrameInto(*viewer, 0, 0);  // the window needs no depth
    glutSwapBuffers();
    checkGlError();
    if (viewer->frameLog) {
        fprintf(viewer->frameLog, "%u\n", tickCountMs());
        fflush(viewer->frameLog);
    }
}

void onIdle()
{
    glutPostRedisplay();
    checkGlError();
    reloadChangedFiles(*viewer);
}

void onKeyboard(unsigned char key, int, int)
{
    if (pressKey(*viewer, key) == Response::quit)
        exit(0);
    keepFramesComing();
    glutPostRedisplay();
    checkGlError();
}

void onReshape(int width, int height)
{
    viewer->windowWidth = width;
    viewer->windowHeight = height;
    glViewport(0, 0, width, height);
    checkGlError();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    checkGlError();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    checkGlError();
}
