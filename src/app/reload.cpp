#include "app/reload.h"

#include "app/scene.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"

#include <utility>

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
    fresh.vertexShader = loadShader(vertex.path, GL_VERTEX_SHADER_ARB, vertexStatus);
    fresh.fragmentShader = loadShader(fragment.path, GL_FRAGMENT_SHADER_ARB, fragmentStatus);
    if (changedWhileRead(vertex) || changedWhileRead(fragment)) {
        deleteShaders(fresh);
        return false;
    }
    if (vertexStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(vertexStatus), vertex.path);
    if (fragmentStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(fragmentStatus), fragment.path);

    if (fresh.vertexShader && fresh.fragmentShader)
        linkProgram(fresh.vertexShader, fresh.fragmentShader, fresh);
    if (!replaceProgram(viewer.shaderState, fresh))
        return false;  // the old program keeps drawing
    if (watch.vertexShaderChanged)
        logMessage("Reloaded [%s]", vertex.path);
    if (watch.fragmentShaderChanged)
        logMessage("Reloaded [%s]", fragment.path);
    watch.vertexShaderChanged = watch.fragmentShaderChanged = false;
    return true;
}

void watchDataFiles(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    watchFile(watch.model, viewer.options.model);
    watchFile(watch.vertexShader, viewer.options.vertexShader);
    watchFile(watch.fragmentShader, viewer.options.fragmentShader);
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
    if (vertexSettled || fragmentSettled)
        changed = reloadProgram(viewer) || changed;
    return changed;
}
