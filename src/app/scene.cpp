#include "app/scene.h"

#include "app/environmentFile.h"
#include "app/shaderSources.h"
#include "app/modelMaterials.h"
#include "app/reload.h"
#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/files/readingThreads.h"
#include "core/look/keyLight.h"
#include "core/mesh/modelFile.h"
#include "core/view/camera.h"
#include "core/view/frameMath.h"
#include "render/entryPoints.h"
#include "render/glCheck.h"

#include <cmath>
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

// Logs the first stage whose file could not be read at start-up; false when one could not be
// opened, and the viewer cannot go on. Running out of memory for a stage's text leaves the stage
// 0, as a failed compile does.
bool stagesReadAtStart(const ViewerOptions& options, const LoadedStages& loaded)
{
    const struct {
        FileStatus status;
        const char* path;
    } stages[] = {{loaded.vertexStatus, options.vertexShader}, {loaded.fragmentStatus, options.fragmentShader}};
    for (const auto& stage : stages)
        if (stage.status != FileStatus::ok) {
            logMessage(unreadableFileMessage(stage.status), stage.path);
            if (stage.status == FileStatus::cannotOpen)
                return false;
        }
    return true;
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

    if (!viewer.options.canvas && !loadObjMesh(viewer))
        return false;
    LoadedStages loaded;
    loadPassPrograms(viewer.options, viewer.shaderState, viewer.passes, loaded, true);
    if (!stagesReadAtStart(viewer.options, loaded))
        return false;
    // no last good list yet: a pass that failed leaves the main pass alone
    if (!allPassesLinked(viewer.shaderState, viewer.passes)) {
        deletePassPrograms(viewer.passes);
        planMainPassOnly(viewer.passes, !viewer.options.canvas);
    }
    watchIncludes(viewer.watch, loaded.vertexFiles, loaded.fragmentFiles);
    loadTextures(viewer);
    loadEnvironment(viewer);
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
    out.width = viewer.windowWidth;
    out.height = viewer.windowHeight;
    standard.resolution[0] = float(viewer.windowWidth);
    standard.resolution[1] = float(viewer.windowHeight);
    standard.mouse[0] = float(viewer.pointer.x);
    standard.mouse[1] = float(viewer.windowHeight - viewer.pointer.y);
    setStandardMatrices(out.world, view, projection, standard);
    cameraEye(viewer.view.camera, standard.camera);
    standard.exposure = float(std::exp2(viewer.options.exposure));
    if (viewer.view.lightFollows)
        keyLightDirection(view, standard.lightDirection);
    else
        standard.lightDirection = viewer.view.fixedLight;
}

void drawViewerFrame(Viewer& viewer)
{
    FrameInputs inputs;
    frameInputs(viewer, inputs);
    FrameResources resources{viewer.meshStore, viewer.textures, viewer.materials, viewer.environment, viewer.quad,
                             viewer.targets};
    drawFrame(resources, viewer.shaderState, viewer.passes, inputs);
}
