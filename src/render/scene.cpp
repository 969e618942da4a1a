#include "render/scene.h"

#include "assets/meshStore.h"
#include "assets/shaderLoader.h"
#include "diag/infoLog.h"
#include "diag/log.h"
#include "render/entryPoints.h"


ShaderState shaderState;

namespace {

// Logs the link failure with the driver's log and deletes the program.
void reportLinkFailure(ShaderState& state)
{
    logMessage("There was error during linking !");
    logInfoLog(state.program, "Linking error log: \n%s\n");
    glDeleteObjectARB(state.program);
    checkGlError();
    state.program = 0;
}

void buildProgram(ShaderState& state)
{
    state.vertexShader = loadShader("VertexProgram.glsl", GL_VERTEX_SHADER_ARB);
    state.fragmentShader = loadShader("FragmentProgram.glsl", GL_FRAGMENT_SHADER_ARB);

    state.program = glCreateProgramObjectARB();
    checkGlError();
    // a shader that failed to compile is attached as handle 0: the check reports the error
    glAttachObjectARB(state.program, state.vertexShader);
    checkGlError();
    glAttachObjectARB(state.program, state.fragmentShader);
    checkGlError();
    glLinkProgramARB(state.program);
    checkGlError();

    GLint linked = 0;
    glGetObjectParameterivARB(state.program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    checkGlError();
    if (!linked)
        reportLinkFailure(state);

    if (state.program) {
        state.vpMatrixLocation = glGetUniformLocationARB(state.program, "VPMatrix");
        state.wMatrixLocation = glGetUniformLocationARB(state.program, "WMatrix");
    }
    checkGlError();
}

} // namespace

void initScene()
{
    checkGlError();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);

    glewInit();  // its result is not acted on: the entry points themselves are checked
    checkGlError();
    requireEntryPoints();

    loadObjMesh("torus.obj");
    checkGlError();
    buildProgram(shaderState);
}
