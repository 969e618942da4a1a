#include "app/callbacks.h"

#include "app/reload.h"

#include "diag/log.h"

#include <GL/glew.h>
#include <GL/glut.h>

#include <cctype>
#include <cstdlib>

void onIdle()
{
    glutPostRedisplay();
    checkGlError();
    reloadChangedFiles();
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
