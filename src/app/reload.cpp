#include "app/reload.h"

#include "app/scene.h"
#include "app/shaderSources.h"
#include "core/diag/log.h"
#include "core/platform/platform.h"

namespace {

const uint32_t lookEveryMs = 100;

// True when the file is no longer the version the watcher settled on: it was written to while it
// was read, and its next version is read when it settles.
bool changedWhileRead(const WatchedFile& file)
{
    return file.path && !sameStamp(fileStamp(file.path), file.loaded);
}

// Looks at a watched file (fileSettledAfterChange); false for one not watched (no path).
bool settledAfterChange(WatchedFile& file)
{
    return file.path && fileSettledAfterChange(file, fileStamp(file.path));
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
    const ViewerOptions& options = viewer.options;
    fresh.vertexShader = loadShaderStage(vertex.path, options.vertexSource, GL_VERTEX_SHADER_ARB, vertexStatus);
    fresh.fragmentShader =
        loadShaderStage(fragment.path, options.fragmentSource, GL_FRAGMENT_SHADER_ARB, fragmentStatus);
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
    // a built-in shader has no file to watch
    if (!viewer.options.vertexSource)
        watchFile(watch.vertexShader, viewer.options.vertexShader);
    if (!viewer.options.fragmentSource)
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
    if (settledAfterChange(watch.model))
        reloadModel(viewer);
    bool vertexChanged = settledAfterChange(watch.vertexShader);
    bool fragmentChanged = settledAfterChange(watch.fragmentShader);
    if (vertexChanged || fragmentChanged)
        reloadProgram(viewer, vertexChanged, fragmentChanged);
}
