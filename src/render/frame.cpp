#include "render/frame.h"

#include "diag/log.h"

#include <GL/glew.h>
#include <GL/glut.h>

void renderFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    checkGlError();
    glutSwapBuffers();
    checkGlError();
}
