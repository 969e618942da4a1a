#include "render/scene.h"

#include "assets/meshStore.h"
#include "assets/shaderLoader.h"
#include "diag/infoLog.h"
#include "diag/log.h"
#include "render/entryPoints.h"
#include "render/frame.h"
#include "render/frameMath.h"

SceneFiles sceneFiles = {"torus.obj", "VertexProgram.glsl", "FragmentProgram.glsl"};
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

} // namespace

void linkProgram(GLhandleARB vertexShader, GLhandleARB fragmentShader, ShaderState& state)
{
    state.vertexShader = vertexShader;
    state.fragmentShader = fragmentShader;
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

void placeModel()
{
    ModelExtent extent;
    measureModel(meshStore.meshVertices, extent);
    if (frameSettings.fitToView) {
        fitToView(frameSettings.modelFit, extent);
        return;
    }
    double across = extent.empty ? 0.0 : modelSize(extent);
    switch (viewOf(extent)) {
    case ModelView::speck:
        logMessage("[%s] is %.3g units across and shows as a speck: --fit scales it to the view", sceneFiles.model, across);
        break;
    case ModelView::pastCamera:
        logMessage("[%s] is %.3g units across and reaches past the camera: --fit scales it to the view", sceneFiles.model,
                   across);
        break;
    case ModelView::fine: break;
    }
}

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

    loadObjMesh(sceneFiles.model);
    checkGlError();
    placeModel();
    GLhandleARB vertexShader = loadShader(sceneFiles.vertexShader, GL_VERTEX_SHADER_ARB);
    GLhandleARB fragmentShader = loadShader(sceneFiles.fragmentShader, GL_FRAGMENT_SHADER_ARB);
    linkProgram(vertexShader, fragmentShader, shaderState);
}
