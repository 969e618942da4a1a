#include "app/scene.h"

#include "app/environmentFile.h"
#include "app/lookShader.h"
#include "app/shaderSources.h"
#include "app/modelMaterials.h"
#include "app/multisampling.h"
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

#include <algorithm>
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

// Builds the frame's programs again from the options' sources, in place of those drawing, which
// stay when the new ones do not link. The main program's validation is not told again: it is the
// same look, reading other inputs.
void rebuildLookPrograms(Viewer& viewer)
{
    ShaderState fresh;
    PassPrograms freshPasses;
    LoadedStages loaded;
    loadPassPrograms(viewer.options, fresh, freshPasses, loaded, false);
    bool validated = viewer.shaderState.programValidated;
    if (replacePassPrograms(viewer.shaderState, viewer.passes, fresh, freshPasses))
        viewer.shaderState.programValidated = validated;
}

// In the look, makes its fragment shader the variant of the materials drawn (lookVariantOf),
// and builds the programs again when they were built for another one.
void fitLookToMaterials(Viewer& viewer)
{
    if (!viewer.options.look)
        return;
    LookVariant variant;
    lookVariantOf(viewer.materials, variant);
    bool built = viewer.shaderState.program != 0;
    if (built && sameLookVariant(variant, viewer.lookVariant))
        return;
    viewer.lookVariant = variant;
    lookFragmentText(variant, viewer.lookSource);
    viewer.options.fragmentSource = viewer.lookSource.c_str();
    if (built)
        rebuildLookPrograms(viewer);
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
    fitLookToMaterials(viewer);
}

void showModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems)
{
    viewer.positionScale = prepareModel(viewer, mesh, problems);
    takeMaterials(viewer, mesh);
    viewer.mostIndicesShown = std::max(viewer.mostIndicesShown, mesh.indices.size());
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
    groundGrid(turningRadius(extent, viewer.view.fit), viewer.gridLines);
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
    // --background's colour, its top one for a gradient
    const float grey[3] = {0.2f, 0.2f, 0.2f};
    const float* clear = viewer.options.backgroundColors ? viewer.options.background[0] : grey;
    glClearColor(clear[0], clear[1], clear[2], 1.0f);
    if (viewer.options.pointSize > 0.0f)
        glPointSize(viewer.options.pointSize);

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
    } else {
        if (viewer.positionScale != 0) {
            scaleMeshPositions(viewer.meshStore, -viewer.positionScale);
            viewer.positionScale = 0;
        }
        // the grid goes under the model as it is without the fit
        ModelExtent extent;
        measureModel(viewer.meshStore.meshVertices, extent);
        groundGrid(turningRadius(extent, false), viewer.gridLines);
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

    FrameExtras& extras = out.extras;
    const ViewerOptions& options = viewer.options;
    extras.edges = viewer.view.edges && !options.canvas;
    extras.grid = viewer.view.grid && !options.canvas && !viewer.gridLines.empty() ? &viewer.gridLines : nullptr;
    extras.gradient = options.backgroundColors == 2;
    for (int c = 0; c < 3; ++c) {
        extras.top[c] = options.background[0][c];
        extras.bottom[c] = options.background[1][c];
    }
    standard.exposure = float(std::exp2(viewer.options.exposure));
    if (viewer.view.lightFollows)
        keyLightDirection(view, standard.lightDirection);
    else
        standard.lightDirection = viewer.view.fixedLight;
}

void drawViewerFrame(Viewer& viewer, const MultisampleTarget* multisample)
{
    FrameInputs inputs;
    frameInputs(viewer, inputs);
    FrameResources resources{viewer.meshStore, viewer.textures, viewer.materials, viewer.environment, viewer.quad,
                             viewer.targets, multisample};
    drawFrame(resources, viewer.shaderState, viewer.passes, inputs);
}

void drawViewerFrameInto(Viewer& viewer, GLuint into, GLenum depthFormat)
{
    const MultisampleTarget* multisample = bindMultisampledFrame(viewer, viewer.windowWidth, viewer.windowHeight);
    if (!multisample) {
        drawViewerFrame(viewer);
        return;
    }
    drawViewerFrame(viewer, multisample);
    resolveMultisampleTarget(*multisample, into, depthFormat);
}
