#include "app/scene.h"

#include "app/shaderSources.h"
#include "app/modelMaterials.h"
#include "app/reload.h"
#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/files/readingThreads.h"
#include "core/mesh/modelFile.h"
#include "core/view/camera.h"
#include "core/view/frameMath.h"
#include "render/entryPoints.h"
#include "render/glCheck.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// No data structure of the reader survives running out of memory: the viewer ends at once,
// without the exit handlers, which may want memory themselves or wait on the driver's threads.
// operator new calls it without an argument, on whichever thread ran out: every thread of a
// reading knows its file (readModelFile).
void endForLackOfMemory()
{
    if (const char* path = fileBeingRead())
        logMessage("Not enough memory to read [%s]", path);
    else
        logMessage("Not enough memory");
    _Exit(1);
}

// Compiles a shader at start-up, from its built-in text when `builtin` is not null, else from its
// file with the files it includes; false when the file cannot be opened. Running out of memory for
// its text is logged and leaves the stage 0, as a failed compile does.
bool loadShaderAtStart(const char* path, const char* builtin, GLenum type, GLhandleARB& shader,
                       std::vector<SourceFile>& files)
{
    FileStatus status;
    shader = loadShaderStage(path, builtin, type, status, files);
    if (status != FileStatus::ok)
        logMessage(unreadableFileMessage(status), path);
    return status != FileStatus::cannotOpen;
}

} // namespace

FileStatus readModel(const char* path, Mesh& mesh, ProblemList& problems, const std::atomic<bool>* cancel)
{
    // for the whole process: the handler itself tells which thread was reading what
    std::set_new_handler(endForLackOfMemory);
    return readModelFile(path, mesh, problems, cancel);
}

int prepareModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems)
{
    logProblems(problems, viewer.options.model);
    viewer.modelProblems = problems;
    if (!viewer.view.fit)
        return 0;
    ModelExtent extent;
    measureModel(mesh.vertices, extent);
    int exponent = fitPrescaleExponent(extent);
    scalePositions(mesh.vertices, exponent);
    return exponent;
}

void takeMaterials(Viewer& viewer, Mesh& mesh)
{
    showMaterials(viewer, mesh, viewer.modelFiles);
    watchModelFiles(viewer);
}

void showModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems)
{
    viewer.positionScale = prepareModel(viewer, mesh, problems);
    takeMaterials(viewer, mesh);
    replaceMesh(viewer.meshStore, mesh);
    checkGlError();
    placeModel(viewer);
}

bool loadObjMesh(Viewer& viewer)
{
    const char* path = viewer.options.model;
    Mesh mesh;
    ProblemList problems;
    FileStatus status = readModel(path, mesh, problems);
    if (status != FileStatus::ok) {
        logMessage(unreadableFileMessage(status), path);
        return false;
    }
    showModel(viewer, mesh, problems);
    return true;
}

void placeModel(Viewer& viewer)
{
    ModelExtent extent;
    measureModel(viewer.meshStore.meshVertices, extent);
    if (viewer.view.fit) {
        fitToView(viewer.modelFit, extent);
        return;
    }
    double across = extent.empty ? 0.0 : modelSize(extent);
    const char* model = viewer.options.model;
    switch (viewOf(extent)) {
    case ModelView::speck:
        logMessage("[%s] is %.3g units across and shows as a speck: --fit scales it to the view", model, across);
        break;
    case ModelView::pastCamera:
        logMessage("[%s] is %.3g units across and reaches past the camera: --fit scales it to the view", model,
                   across);
        break;
    case ModelView::fine: break;
    }
}

bool initScene(Viewer& viewer)
{
    checkGlError();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClearColor(0.2f, 0.2f, 0.2f, 1.0f);

    glewInit();  // its result is not acted on: the entry points themselves are checked
    checkGlError();
    if (!haveEntryPoints())
        return false;

    if (!loadObjMesh(viewer))
        return false;
    const ViewerOptions& options = viewer.options;
    GLhandleARB vertexShader, fragmentShader;
    std::vector<SourceFile> vertexFiles, fragmentFiles;
    if (!loadShaderAtStart(options.vertexShader, options.vertexSource, GL_VERTEX_SHADER_ARB, vertexShader,
                           vertexFiles) ||
        !loadShaderAtStart(options.fragmentShader, options.fragmentSource, GL_FRAGMENT_SHADER_ARB, fragmentShader,
                           fragmentFiles))
        return false;
    watchIncludes(viewer.watch, vertexFiles, fragmentFiles);
    linkProgram(vertexShader, fragmentShader, viewer.shaderState, textureNames(options));
    loadTextures(viewer);
    return true;
}

void toggleFit(Viewer& viewer)
{
    ViewState& view = viewer.view;
    view.fit = !view.fit;
    if (view.fit) {
        // as showModel would have shown it with the fit: a model too small for it is scaled up
        ModelExtent extent;
        measureModel(viewer.meshStore.meshVertices, extent);
        viewer.positionScale = fitPrescaleExponent(extent);
        scaleMeshPositions(viewer.meshStore, viewer.positionScale);
        placeModel(viewer);
    } else if (viewer.positionScale != 0) {
        scaleMeshPositions(viewer.meshStore, -viewer.positionScale);
        viewer.positionScale = 0;
    }
}

void frameInputs(Viewer& viewer, FrameInputs& out)
{
    Matrix4 view, projection;
    cameraMatrices(viewer.view.camera, viewer.view.aspect, view, projection);
    multiply(projection, out.viewProjection, view);
    double seconds = spinSeconds(viewer.clock);
    worldRotation(out.world, seconds);
    if (viewer.view.fit)
        multiply(out.world, out.world, viewer.modelFit);
    out.cut = viewer.view.cut;
    out.wireframe = viewer.view.wireframe;

    StandardValues& standard = out.standard;
    FrameCount& frames = viewer.frames;
    standard.time = float(seconds);
    // the clock stands while paused, and goes back on a reset: no time passed for the shader then
    standard.delta = frames.drawn && seconds > frames.lastSpinSeconds ? float(seconds - frames.lastSpinSeconds) : 0.0f;
    standard.frame = int32_t(frames.drawn & 0x7fffffffu);
    frames.drawn += 1;
    frames.lastSpinSeconds = seconds;
    standard.resolution[0] = float(viewer.windowWidth);
    standard.resolution[1] = float(viewer.windowHeight);
    standard.mouse[0] = float(viewer.pointer.x);
    standard.mouse[1] = float(viewer.windowHeight - viewer.pointer.y);
    setStandardMatrices(out.world, view, projection, standard);
    cameraEye(viewer.view.camera, standard.camera);
}

void drawViewerFrame(Viewer& viewer)
{
    FrameInputs inputs;
    frameInputs(viewer, inputs);
    drawFrame(viewer.meshStore, viewer.shaderState, viewer.textures, viewer.materials, inputs);
}
