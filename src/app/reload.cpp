#include "app/reload.h"

#include "app/environmentFile.h"
#include "app/scene.h"
#include "app/shaderSources.h"
#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"
#include "core/view/frameMath.h"
#include "render/frame.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// A model larger than this goes up a piece of this size a frame, so that no frame waits for it.
const size_t uploadPieceBytes = size_t(8) << 20;
// A held model version is shown when its file has stayed the same this long after it was read.
const uint32_t heldQuietMs = 2000;
// A reloaded model of this many indices or more, more than any shown before, is drawn offscreen in
// this many growing parts, a part a frame, before it is shown (WarmUp).
const size_t warmUpIndices = size_t(1) << 18;
const uint32_t warmUpParts = 4;

// True when the file is no longer the version the watcher settled on: it was written to while it
// was read, and its next version is read when it settles.
bool changedWhileRead(const WatchedFile& file)
{
    return file.path && !sameStamp(fileStamp(file.path), file.loaded);
}

// Looks at a watched file (fileSettledAfterChange); false for one not watched (no path).
bool settledAfterChange(WatchedFile& file, uint32_t nowMs)
{
    return file.path && fileSettledAfterChange(file, fileStamp(file.path), nowMs);
}

// True when a file of the lists changed since it was stamped before its reading.
bool includeChangedWhileRead(const std::vector<SourceFile>& files)
{
    for (size_t i = 1; i < files.size(); ++i)
        if (!sameStamp(fileStamp(files[i].path.c_str()), files[i].stamp))
            return true;
    return false;
}

// The watch of `path` in `includes`, or nullptr.
WatchedInclude* findInclude(std::vector<WatchedInclude>& includes, const std::string& path)
{
    for (WatchedInclude& include : includes)
        if (include.path == path)
            return &include;
    return nullptr;
}

void logFrameEvent(const Viewer& viewer, const char* event)
{
    if (viewer.frameLog) {
        fprintf(viewer.frameLog, "%u %s [%s]\n", tickCountMs(), event, viewer.watch.model.path);
        fflush(viewer.frameLog);
    }
}

void tellReloaded(Viewer& viewer)
{
    logMessage("Reloaded [%s]", viewer.watch.model.path);
    logFrameEvent(viewer, "shown");
}

// True when a reloaded model is to be drawn before it is shown (WarmUp): it has warmUpIndices or
// more, more than any model shown before.
bool needsWarmUp(const Viewer& viewer, const Mesh& mesh)
{
    return mesh.indices.size() >= warmUpIndices && mesh.indices.size() > viewer.mostIndicesShown;
}

// Plans the warm-up of a model about to go up, its positions prepared for the fit.
void planWarmUp(WarmUp& warm, const Mesh& mesh)
{
    warm = WarmUp();
    warm.parts = warmUpParts;
    ModelExtent extent;
    measureModel(mesh.vertices, extent);
    fitToView(warm.fit, extent);
}

// What the frame drawn now would be drawn with, with `fit` for the model's fit; the frames drawn
// and the model's fit left as they were.
void warmUpInputs(Viewer& viewer, const Matrix4& fit, FrameInputs& out)
{
    FrameCount frames = viewer.frames;
    Matrix4 shownFit = viewer.modelFit;
    viewer.modelFit = fit;
    frameInputs(viewer, out);
    viewer.modelFit = shownFit;
    viewer.frames = frames;
}

// Draws the next part of the model up through the main program, as the next frame would draw
// it, into the framebuffer bound (the window's back buffer, which the next frame clears before it
// draws: the picture shown is the same), and returns true; false once every part is drawn, or
// when there is none.
bool drawWarmUpPart(Viewer& viewer)
{
    WarmUp& warm = viewer.watch.warmUp;
    if (warm.partsDrawn == warm.parts) {
        warm = WarmUp();
        return false;
    }
    MeshStore part;
    uploadPartStore(viewer.watch.upload, ++warm.partsDrawn, warm.parts, part);
    FrameInputs inputs;
    warmUpInputs(viewer, warm.fit, inputs);
    FrameResources resources{part, viewer.textures, viewer.materials, viewer.environment, viewer.quad,
                             viewer.targets};
    drawModelPass(resources, viewer.shaderState, inputs, true);
    return true;
}

// Shows a reloaded model: at once when it is small, else it goes up a piece each frame from now
// on (continueUpload) while the old one draws, and then, when it is larger than any shown before,
// is drawn unseen in parts (drawWarmUpPart). True when what is drawn changed now.
bool showReloadedModel(Viewer& viewer, Mesh& mesh, const ProblemList& problems)
{
    MeshUpload& upload = viewer.watch.upload;
    abandonMeshUpload(upload);  // a newer version replaces one still going up
    viewer.watch.warmUp = WarmUp();
    bool small = mesh.vertices.size() * sizeof(Vertex) + mesh.indices.size() * sizeof(uint16_t) <= uploadPieceBytes;
    bool warm = needsWarmUp(viewer, mesh);
    if (small && !warm) {
        showModel(viewer, mesh, problems);
        tellReloaded(viewer);
        return true;
    }
    viewer.watch.uploadPositionScale = prepareModel(viewer, mesh, problems);
    if (warm)
        planWarmUp(viewer.watch.warmUp, mesh);
    startMeshUpload(upload, mesh);
    return false;
}

// The next piece of a large model going up, or the next part of its warm-up; true once it is all
// up and drawn.
bool continueUpload(Viewer& viewer)
{
    MeshUpload& upload = viewer.watch.upload;
    if (!upload.active || !continueMeshUpload(upload, uploadPieceBytes) || drawWarmUpPart(viewer))
        return false;
    viewer.mostIndicesShown = std::max(viewer.mostIndicesShown, upload.mesh.indices.size());
    takeMaterials(viewer, upload.mesh);
    finishMeshUpload(viewer.meshStore, upload);
    // as prepared; or as the drawn positions are, when the fit was turned off meanwhile
    int scale = viewer.watch.uploadPositionScale;
    viewer.positionScale = viewer.view.fit ? scale : 0;
    scaleMeshPositions(viewer.meshStore, viewer.positionScale - scale);
    placeModel(viewer);
    tellReloaded(viewer);
    return true;
}

void readInBackground(ModelReading* reading, const char* path)
{
    runInBackground();  // the frames keep their cores
    reading->status = readModel(path, reading->mesh, reading->problems, &reading->cancel);
    reading->done.store(true, std::memory_order_release);
}

// Starts reading the model's version the watcher settled on, on a worker thread, after stopping
// a reading still going on.
void startModelReading(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    stopModelReading(viewer);
    watch.heldModel = HeldModel();
    watch.reading.reset(new ModelReading());
    watch.reading->stamp = watch.model.loaded;
    logFrameEvent(viewer, "reading");
    watch.reading->worker = std::thread(readInBackground, watch.reading.get(), watch.model.path);
}

// Takes a reading that has finished: shows it, holds it back, or reports that the file cannot be
// read; nothing when the file changed meanwhile. True when what is drawn changed.
bool takeModelReading(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    if (!watch.reading || !watch.reading->done.load(std::memory_order_acquire))
        return false;
    std::unique_ptr<ModelReading> reading = std::move(watch.reading);
    if (reading->worker.joinable())
        reading->worker.join();
    const char* path = watch.model.path;
    if (!sameStamp(fileStamp(path), reading->stamp))
        return false;  // written to while it was read: its next version is read when it settles
    if (reading->status != FileStatus::ok) {
        logMessage(unreadableFileMessage(reading->status), path);
        return false;
    }
    if (hasNewProblems(reading->problems, viewer.modelProblems)) {
        watch.heldModel =
            HeldModel{true, std::move(reading->mesh), std::move(reading->problems), reading->stamp, tickCountMs()};
        return false;
    }
    return showReloadedModel(viewer, reading->mesh, reading->problems);
}

// Shows the held version once its file has been quiet long enough, and returns true; drops it
// when the file changed.
bool settleHeldModel(Viewer& viewer, uint32_t nowMs)
{
    HeldModel& held = viewer.watch.heldModel;
    if (!held.held)
        return false;
    if (!sameStamp(fileStamp(viewer.watch.model.path), held.stamp)) {
        held = HeldModel();  // the new version is read when it settles
        return false;
    }
    if (nowMs - held.readAtMs < heldQuietMs)
        return false;
    Mesh mesh = std::move(held.mesh);
    ProblemList problems = std::move(held.problems);
    held = HeldModel();
    return showReloadedModel(viewer, mesh, problems);
}

} // namespace

void stopModelReading(Viewer& viewer)
{
    std::unique_ptr<ModelReading>& reading = viewer.watch.reading;
    if (!reading)
        return;
    reading->cancel.store(true);
    if (reading->worker.joinable())
        reading->worker.join();
    reading.reset();
}

bool reloadModel(Viewer& viewer)
{
    startModelReading(viewer);
    viewer.watch.reading->worker.join();
    return takeModelReading(viewer);
}

bool reloadProgram(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    const WatchedFile& vertex = watch.vertexShader;
    const WatchedFile& fragment = watch.fragmentShader;
    ShaderState fresh;
    PassPrograms freshPasses;
    LoadedStages loaded;
    // a built-in shader is not watched: its watch has no path, the options name it
    loadPassPrograms(viewer.options, fresh, freshPasses, loaded, false);
    if (changedWhileRead(vertex) || changedWhileRead(fragment) || includeChangedWhileRead(loaded.vertexFiles) ||
        includeChangedWhileRead(loaded.fragmentFiles)) {
        deletePassPrograms(freshPasses);
        deleteProgram(fresh);
        return false;
    }
    watchIncludes(watch, loaded.vertexFiles, loaded.fragmentFiles);
    if (loaded.vertexStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(loaded.vertexStatus), vertex.path);
    if (loaded.fragmentStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(loaded.fragmentStatus), fragment.path);
    if (!replacePassPrograms(viewer.shaderState, viewer.passes, fresh, freshPasses))
        return false;  // the old programs keep drawing
    if (watch.vertexShaderChanged)
        logMessage("Reloaded [%s]", vertex.path);
    if (watch.fragmentShaderChanged)
        logMessage("Reloaded [%s]", fragment.path);
    watch.vertexShaderChanged = watch.fragmentShaderChanged = false;
    for (WatchedInclude& include : watch.includes) {
        if (include.changed)
            logMessage("Reloaded [%s]", include.path.c_str());
        include.changed = false;
    }
    return true;
}

void watchIncludes(Watch& watch, const std::vector<SourceFile>& vertexFiles,
                   const std::vector<SourceFile>& fragmentFiles)
{
    std::vector<WatchedInclude> includes;
    for (const std::vector<SourceFile>* files : {&vertexFiles, &fragmentFiles})
        for (size_t i = 1; i < files->size(); ++i) {
            const SourceFile& file = (*files)[i];
            if (findInclude(includes, file.path))
                continue;
            WatchedInclude* before = findInclude(watch.includes, file.path);
            WatchedInclude include = before ? *before : WatchedInclude{file.path, WatchedFile(), false};
            if (!before)
                include.file = WatchedFile{nullptr, file.stamp, file.stamp, 0, 0};
            include.file.loaded = file.stamp;
            includes.push_back(include);
        }
    watch.includes.swap(includes);
    // the paths stay where they are from here on: the watches point at them
    for (WatchedInclude& include : watch.includes)
        include.file.path = include.path.c_str();
}

void watchModelFiles(Viewer& viewer)
{
    // as many as a model of many libraries needs, not a look at thousands ten times a second
    const size_t mostWatched = 256;
    std::vector<WatchedFile>& watched = viewer.watch.modelFiles;
    watched.resize(viewer.modelFiles.size() < mostWatched ? viewer.modelFiles.size() : mostWatched);
    for (size_t i = 0; i < watched.size(); ++i) {
        const ModelFile& file = viewer.modelFiles[i];
        // the version read: a change made since shows at the next look
        watched[i] = WatchedFile{file.path.c_str(), file.stamp, file.stamp, 0, 0};
    }
}

void watchDataFiles(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    if (!viewer.options.canvas)
        watchFile(watch.model, viewer.options.model);
    if (viewer.options.cubeMap)
        watchFile(watch.cubeMap, viewer.options.cubeMap);
    // a built-in shader has no file to watch
    if (!viewer.options.vertexSource)
        watchFile(watch.vertexShader, viewer.options.vertexShader);
    if (!viewer.options.fragmentSource)
        watchFile(watch.fragmentShader, viewer.options.fragmentShader);
    watch.textures.resize(viewer.options.textures.size());
    for (size_t i = 0; i < watch.textures.size(); ++i)
        watchFile(watch.textures[i], viewer.options.textures[i].path);
    watch.lastLook = tickCountMs();
    watch.started = true;
}

bool reloadChangedFiles(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    bool changed = continueUpload(viewer) || takeModelReading(viewer);
    uint32_t now = tickCountMs();
    if (!watch.started || now - watch.lastLook < lookEveryMs)
        return changed;
    watch.lastLook = now;
    bool modelFileSettled = false;  // a material library or map: the model is read again
    for (WatchedFile& file : watch.modelFiles)
        modelFileSettled = settledAfterChange(file, now) || modelFileSettled;
    if (settledAfterChange(watch.model, now) || modelFileSettled)
        startModelReading(viewer);
    else
        changed = settleHeldModel(viewer, now) || changed;
    bool vertexSettled = settledAfterChange(watch.vertexShader, now);
    bool fragmentSettled = settledAfterChange(watch.fragmentShader, now);
    watch.vertexShaderChanged = watch.vertexShaderChanged || vertexSettled;
    watch.fragmentShaderChanged = watch.fragmentShaderChanged || fragmentSettled;
    bool includeSettled = false;
    for (WatchedInclude& include : watch.includes)
        if (fileSettledAfterChange(include.file, fileStamp(include.path.c_str()), now)) {
            include.changed = true;
            includeSettled = true;
        }
    if (vertexSettled || fragmentSettled || includeSettled)
        changed = reloadProgram(viewer) || changed;
    for (size_t i = 0; i < watch.textures.size(); ++i)
        if (fileSettledAfterChange(watch.textures[i], fileStamp(watch.textures[i].path), now))
            changed = reloadTexture(viewer, i) || changed;
    if (settledAfterChange(watch.cubeMap, now))
        changed = reloadEnvironment(viewer) || changed;
    return changed;
}
