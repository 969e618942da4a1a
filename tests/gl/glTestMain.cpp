// Runs the tests that need OpenGL: one hidden GLUT window gives them a current context.

#include <GL/glew.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // a cached compile comes back without its info log, which the tests read
    // putenv keeps the text itself, and setenv is not on every system
    static char shaderCache[] = "MESA_SHADER_CACHE_DISABLE=true", glslCache[] = "MESA_GLSL_CACHE_DISABLE=true";
    putenv(shaderCache);
    putenv(glslCache);
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
