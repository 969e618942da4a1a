#include "app/callbacks.h"
#include "diag/log.h"
#include "render/frame.h"
#include "render/scene.h"

#include <GL/glew.h>
#include <GL/glut.h>

int main(int argc, char** argv)
{
    glutInit(&argc, argv);
    glutInitWindowSize(512, 512);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Just a test");
    checkGlError();

    initScene();

    glutDisplayFunc(renderFrame);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutReshapeFunc(onReshape);
    checkGlError();

    glutMainLoop();
    checkGlError();
    return 0;
}
