#include "app/reload.h"

#include "app/scene.h"
#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

const uint32_t lookEveryMs = 100;
// A held model version is shown when its file has stayed the same this long after it was read.
const uint32_t heldQuietMs = 2000;

// True when the file is no longer the version the watcher settled on: it was written to while it
// was read, and its next version is read when it settles.
bool changedWhileRead(const WatchedFile& file)
{
    return !sameStamp(fileStamp(file.path), file.loaded);
}

// True when the reading found more of some kind of problem than that of the model shown: what a
// file caught halfway through its writing looks like.
bool hasNewProblems(const ObjReport& read, const ObjReport& shown)
{
    const ObjProblem ObjReport::*kinds[] = {&ObjReport::invalidFaces, &ObjReport::missingTexCoords,
                                            &ObjReport::missingNormals, &ObjReport::missingNumbers,
                                            &ObjReport::nonFiniteNumbers};
    for (const ObjProblem ObjReport::*kind : kinds)
        if ((read.*kind).count > (shown.*kind).count)
            return true;
    return read.fileShrank && !shown.fileShrank;
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

void showReloadedModel(Viewer& viewer, ObjMesh& mesh)
{
    showModel(viewer, mesh);
    logMessage("Reloaded [%s]", viewer.watch.model.path);
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
    ObjMesh mesh = std::move(held.mesh);
    held = HeldModel();
    showReloadedModel(viewer, mesh);
    return true;
}

} // namespace

bool reloadModel(Viewer& viewer)
{
    const WatchedFile& file = viewer.watch.model;
    viewer.watch.heldModel = HeldModel();
    ObjMesh mesh;
    FileStatus status = readModel(file.path, mesh);
    if (changedWhileRead(file))
        return false;
    if (status != FileStatus::ok) {
        logMessage(unreadableFileMessage(status), file.path);
        return false;
    }
    if (hasNewProblems(mesh.report, viewer.modelReport)) {
        viewer.watch.heldModel = HeldModel{true, std::move(mesh), file.loaded, tickCountMs()};
        return false;
    }
    showReloadedModel(viewer, mesh);
    return true;
}

bool reloadProgram(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    const WatchedFile& vertex = watch.vertexShader;
    const WatchedFile& fragment = watch.fragmentShader;
    FileStatus vertexStatus, fragmentStatus;
    ShaderState fresh = {};
    std::vector<SourceFile> vertexFiles, fragmentFiles;
    fresh.vertexShader = loadShader(vertex.path, GL_VERTEX_SHADER_ARB, vertexStatus, &vertexFiles);
    fresh.fragmentShader = loadShader(fragment.path, GL_FRAGMENT_SHADER_ARB, fragmentStatus, &fragmentFiles);
    if (changedWhileRead(vertex) || changedWhileRead(fragment) || includeChangedWhileRead(vertexFiles) ||
        includeChangedWhileRead(fragmentFiles)) {
        deleteShaders(fresh);
        return false;
    }
    watchIncludes(watch, vertexFiles, fragmentFiles);
    if (vertexStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(vertexStatus), vertex.path);
    if (fragmentStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(fragmentStatus), fragment.path);

    if (fresh.vertexShader && fresh.fragmentShader)
        linkProgram(fresh.vertexShader, fresh.fragmentShader, fresh, textureNames(viewer.options));
    if (!replaceProgram(viewer.shaderState, fresh))
        return false;  // the old program keeps drawing
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

void watchDataFiles(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    watchFile(watch.model, viewer.options.model);
    watchFile(watch.vertexShader, viewer.options.vertexShader);
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
    uint32_t now = tickCountMs();
    if (!watch.started || now - watch.lastLook < lookEveryMs)
        return false;
    watch.lastLook = now;
    bool changed = fileSettledAfterChange(watch.model, fileStamp(watch.model.path), now)
                       ? reloadModel(viewer)
                       : settleHeldModel(viewer, now);
    bool vertexSettled = fileSettledAfterChange(watch.vertexShader, fileStamp(watch.vertexShader.path), now);
    bool fragmentSettled = fileSettledAfterChange(watch.fragmentShader, fileStamp(watch.fragmentShader.path), now);
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
    return changed;
}
