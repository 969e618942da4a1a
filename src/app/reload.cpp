#include "app/reload.h"

#include "app/fileWatch.h"
#include "assets/meshFile.h"
#include "assets/meshStore.h"
#include "assets/shaderLoader.h"
#include "diag/log.h"
#include "platform/platform.h"
#include "render/scene.h"

#include <GL/glew.h>

namespace {

const uint32_t lookEveryMs = 100;

struct Watch {
    bool started;
    uint32_t lastLook;
    WatchedFile model, vertexShader, fragmentShader;
};

Watch watch;

// True when the file is no longer the version the watcher settled on: it was written to while it
// was read, and its next version is read when it settles.
bool changedWhileRead(const WatchedFile& file)
{
    return !sameStamp(fileStamp(file.path), file.loaded);
}

} // namespace

void reloadModel(const WatchedFile& file)
{
    const char* path = file.path;
    ObjMesh mesh;
    FileStatus status = readMeshFile(path, mesh);
    if (changedWhileRead(file))
        return;
    if (status != FileStatus::ok) {
        logMessage(unreadableFileMessage(status), path);
        return;
    }
    replaceMesh(mesh);
    placeModel();
    logMessage("Reloaded [%s]", path);
}

namespace {

void deleteObject(GLhandleARB object)
{
    if (!object)
        return;
    glDeleteObjectARB(object);
    checkGlError();
}

} // namespace

void reloadProgram(const WatchedFile& vertex, const WatchedFile& fragment, bool vertexChanged, bool fragmentChanged)
{
    FileStatus vertexStatus, fragmentStatus;
    GLhandleARB vertexShader = compileShaderFile(vertex.path, GL_VERTEX_SHADER_ARB, vertexStatus);
    GLhandleARB fragmentShader = compileShaderFile(fragment.path, GL_FRAGMENT_SHADER_ARB, fragmentStatus);
    if (changedWhileRead(vertex) || changedWhileRead(fragment)) {
        deleteObject(vertexShader);
        deleteObject(fragmentShader);
        return;
    }
    if (vertexStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(vertexStatus), vertex.path);
    if (fragmentStatus != FileStatus::ok)
        logMessage(unreadableFileMessage(fragmentStatus), fragment.path);

    ShaderState fresh = {};
    if (vertexShader && fragmentShader)
        linkProgram(vertexShader, fragmentShader, fresh);
    if (!fresh.program) {  // the old program keeps drawing
        deleteObject(vertexShader);
        deleteObject(fragmentShader);
        return;
    }
    deleteObject(shaderState.program);
    deleteObject(shaderState.vertexShader);
    deleteObject(shaderState.fragmentShader);
    shaderState = fresh;  // not yet validated: the next frame does
    if (vertexChanged)
        logMessage("Reloaded [%s]", vertex.path);
    if (fragmentChanged)
        logMessage("Reloaded [%s]", fragment.path);
}

void watchDataFiles()
{
    watchFile(watch.model, sceneFiles.model);
    watchFile(watch.vertexShader, sceneFiles.vertexShader);
    watchFile(watch.fragmentShader, sceneFiles.fragmentShader);
    watch.lastLook = tickCountMs();
    watch.started = true;
}

void reloadChangedFiles()
{
    uint32_t now = tickCountMs();
    if (!watch.started || now - watch.lastLook < lookEveryMs)
        return;
    watch.lastLook = now;
    if (fileSettledAfterChange(watch.model, fileStamp(watch.model.path)))
        reloadModel(watch.model);
    bool vertexChanged = fileSettledAfterChange(watch.vertexShader, fileStamp(watch.vertexShader.path));
    bool fragmentChanged = fileSettledAfterChange(watch.fragmentShader, fileStamp(watch.fragmentShader.path));
    if (vertexChanged || fragmentChanged)
        reloadProgram(watch.vertexShader, watch.fragmentShader, vertexChanged, fragmentChanged);
}
