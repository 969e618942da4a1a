#include "app/reload.h"

#include "app/scene.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"

namespace {

const uint32_t lookEveryMs = 100;

// True when the file is no longer the version the watcher settled on: it was written to while it
// was read, and its next version is read when it settles.
bool changedWhileRead(const WatchedFile& file)
{
    return !sameStamp(fileStamp(file.path), file.loaded);
}

} // namespace

void reloadModel(Viewer& viewer)
{
    const WatchedFile& file = viewer.watch.model;
    ObjMesh mesh;
    FileStatus status = readModel(file.path, mesh);
    if (changedWhileRead(file))
        return;
    if (status != FileStatus::ok) {
        logMessage(unreadableFileMessage(status), file.path);
        return;
    }
    showModel(viewer, mesh);
    logMessage("Reloaded [%s]", file.path);
}

void reloadProgram(Viewer& viewer, bool vertexChanged, bool fragmentChanged)
{
    const WatchedFile& vertex = viewer.watch.vertexShader;
    const WatchedFile& fragment = viewer.watch.fragmentShader;
    FileStatus vertexStatus, fragmentStatus;
    ShaderState fresh = {};
    fresh.vertexShader = loadShader(vertex.path, GL_VERTEX_SHADER_ARB, vertexStatus);
    fresh.fragmentShader = loadShader(fragment.path, GL_FRAGMENT_SHADER_ARB, fragmentStatus);
    if (changedWhileRead(vertex) || changedWhileRead(fragment)) {
        deleteShaders(fresh);
        return;
    }
    if (vertexStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(vertexStatus), vertex.path);
    if (fragmentStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(fragmentStatus), fragment.path);

    if (fresh.vertexShader && fresh.fragmentShader)
        linkProgram(fresh.vertexShader, fresh.fragmentShader, fresh);
    if (!replaceProgram(viewer.shaderState, fresh))
        return;  // the old program keeps drawing
    if (vertexChanged)
        logMessage("Reloaded [%s]", vertex.path);
    if (fragmentChanged)
        logMessage("Reloaded [%s]", fragment.path);
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

void reloadChangedFiles(Viewer& viewer)
{
    Watch& watch = viewer.watch;
    uint32_t now = tickCountMs();
    if (!watch.started || now - watch.lastLook < lookEveryMs)
        return;
    watch.lastLook = now;
    if (fileSettledAfterChange(watch.model, fileStamp(watch.model.path)))
        reloadModel(viewer);
    bool vertexChanged = fileSettledAfterChange(watch.vertexShader, fileStamp(watch.vertexShader.path));
    bool fragmentChanged = fileSettledAfterChange(watch.fragmentShader, fileStamp(watch.fragmentShader.path));
    if (vertexChanged || fragmentChanged)
        reloadProgram(viewer, vertexChanged, fragmentChanged);
}
