// Runs the tests that need OpenGL: one hidden GLUT window gives them a current context.

#include <GL/glew.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    glutInit(&argc, argv);
    glutInitWindowSize(64, 64);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("gl_tests");
    glewInit();
    while (glGetError() != GL_NO_ERROR) {
    }
    return RUN_ALL_TESTS();
}
