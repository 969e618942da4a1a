#include "render/scene.h"

#include "diag/log.h"

ShaderState shaderState;

void initScene()
{
    checkGlError();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
    glewInit();
    checkGlError();
}
