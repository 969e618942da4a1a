#include "app/snapshot.h"

#include "app/multisampling.h"
#include "app/scene.h"
#include "core/diag/log.h"
#include "core/files/framePattern.h"
#include "core/platform/platform.h"
#include "image/png.h"
#include "render/frameTarget.h"
#include "render/passTargets.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

// The frame's pixels, bottom row first, as the file wants them: `channels` 3 (RGB) or 4 (RGBA),
// opaque; with `transparent`, opaque only where something was drawn (its depth nearer than the
// far plane) and clear elsewhere.
void pixelsToWrite(const std::vector<uint8_t>& rgba, const std::vector<float>& depths, int channels,
                   bool transparent, std::vector<uint8_t>& out)
{
    size_t pixels = rgba.size() / 4;
    out.resize(pixels * size_t(channels));
    for (size_t i = 0; i < pixels; ++i) {
        memcpy(&out[size_t(channels) * i], &rgba[4 * i], 3);
        if (channels == 4)
            out[4 * i + 3] = !transparent || depths[i] < 1.0f ? 255 : 0;
    }
}

// Writes the rows top to bottom to standard output, as they are.
bool writeRawRows(const std::vector<uint8_t>& bottomUp, int width, int height, int channels)
{
    size_t row = size_t(width) * size_t(channels);
    for (int y = height - 1; y >= 0; --y)
        if (fwrite(&bottomUp[size_t(y) * row], 1, row, stdout) != row)
            return false;
    return fflush(stdout) == 0;
}

// One progress line, rewritten in place, once the sequence has taken a second: only on a terminal.
void showProgress(unsigned done, unsigned frames, uint32_t startMs)
{
    uint32_t elapsed = tickCountMs() - startMs;
    if (elapsed < 1000 || !isTerminal(stderr))
        return;
    double rate = done * 1000.0 / elapsed;
    fprintf(stderr, "\r%u/%u frames, %.1f frames/s, %.1f s left ", done, frames, rate, (frames - done) / rate);
    if (done == frames)
        fputc('\n', stderr);
    fflush(stderr);
}

} // namespace

bool snapshotToStandardOutput(const char* path)
{
    return strcmp(path, "-") == 0 || isStandardOutput(path);
}

const char* inputOverwrittenBySnapshot(const ViewerOptions& options, const char* path)
{
    if (!path || snapshotToStandardOutput(path))
        return nullptr;
    for (const char* input : {options.model, options.vertexShader, options.fragmentShader})
        if (sameFile(path, input))
            return input;
    for (const TextureOption& texture : options.textures)
        if (sameFile(path, texture.path))
            return texture.path;
    if (options.cubeMap && sameFile(path, options.cubeMap))
        return options.cubeMap;
    return nullptr;
}

namespace {

// The file the viewer read that writing `path` would overwrite, the files the model and the
// shaders brought in too (material libraries, maps, includes); nullptr when there is none.
const char* inputOverwrittenBy(const Viewer& viewer, const char* path)
{
    if (const char* input = inputOverwrittenBySnapshot(viewer.options, path))
        return input;
    for (const ModelFile& file : viewer.modelFiles)
        if (sameFile(path, file.path.c_str()))
            return file.path.c_str();
    for (const WatchedInclude& include : viewer.watch.includes)
        if (sameFile(path, include.path.c_str()))
            return include.path.c_str();
    return nullptr;
}

// The name of frame `i` of the snapshot's frames into `name` (nameSize bytes), or its one path;
// nullptr when the name cannot be made.
const char* frameName(const ViewerOptions& options, unsigned i, char* name, size_t nameSize)
{
    if (!options.frames || snapshotToStandardOutput(options.snapshot))
        return options.snapshot;
    return frameFileName(options.snapshot, i, options.frames, name, nameSize) ? name : nullptr;
}

// Refuses, on standard error, the snapshot when any of its frames would overwrite a file the viewer
// read; true when it does. Looked at before any frame is drawn, so that none is written.
bool refuseFramesOverwritingInputs(const Viewer& viewer, unsigned frames)
{
    for (unsigned i = 0; i < frames; ++i) {
        char name[4096];
        const char* path = frameName(viewer.options, i, name, sizeof(name));
        // only a file that is there can be an input: one look at most for the others
        if (!path || !fileStamp(path).exists)
            continue;
        if (const char* input = inputOverwrittenBy(viewer, path)) {
            fprintf(stderr, "spinview: the snapshot [%s] would overwrite [%s], which the viewer reads\n", path, input);
            return true;
        }
    }
    return false;
}

// With multisampling, makes `target` a framebuffer object of width x height, which the frames
// are resolved into, and binds it; false, with nothing made, without multisampling or when the
// driver cannot make it (multisampling then off, said).
bool multisampledSnapshot(Viewer& viewer, int width, int height, FrameTarget& target)
{
    if (frameSamples(viewer) == 0)
        return false;
    if (haveFrameTargets() && createFrameTarget(target, width, height))
        return true;
    logMessage("Multisampling is off: no framebuffer object of %d x %d to resolve the snapshot into", width,
               height);
    viewer.multisampling.samples = 0;
    return false;
}

} // namespace

bool writeSnapshot(const char* path, int width, int height, int channels, const unsigned char* bottomUp)
{
    if (snapshotToStandardOutput(path)) {
        setBinaryMode(stdout);
        return writePng(stdout, width, height, channels, bottomUp);
    }
    bool special = false;
    if (FILE* file = openSpecialFileToWrite(path, special)) {
        bool written = writePng(file, width, height, channels, bottomUp);
        return fclose(file) == 0 && written;
    }
    char target[4096], tempPath[4096];
    if (special || !linkTargetOf(path, target, sizeof(target)))
        return false;
    FILE* file = createFileBeside(target, tempPath, sizeof(tempPath));
    if (!file)
        return false;
    bool written = writePng(file, width, height, channels, bottomUp);
    written = fclose(file) == 0 && written;
    if (written && replaceFile(tempPath, target))
        return true;
    removeFile(tempPath);
    return false;
}

int writeSnapshotFrames(Viewer& viewer, int width, int height)
{
    const ViewerOptions& options = viewer.options;
    unsigned frames = options.frames ? options.frames : 1;
    if (refuseFramesOverwritingInputs(viewer, frames))
        return 2;
    FrameTarget target;
    // at the window's size into its buffer, as it shows; at another into a framebuffer object,
    // and so at any size when multisampled: resolved into it
    if (!options.snapshotWidth && !multisampledSnapshot(viewer, width, height, target)) {
        defaultFrameTarget(target, width, height);
    } else if (options.snapshotWidth) {
        width = options.snapshotWidth;
        height = options.snapshotHeight;
        viewer.view.aspect = double(width) / height;
        if (!haveFrameTargets() || !createFrameTarget(target, width, height)) {
            logMessage("Cannot draw a snapshot of %d x %d: the context has no framebuffer objects of that size", width,
                       height);
            return 1;
        }
    }
    viewer.windowWidth = width;  // what u_resolution tells
    viewer.windowHeight = height;
    double step = options.framesPerSecond > 0.0 ? 1.0 / options.framesPerSecond : 2.0 * pi / frames;
    int channels = options.transparent || options.raw ? 4 : 3;
    std::vector<uint8_t> rgba, written;
    std::vector<float> depths;
    uint32_t startMs = tickCountMs();
    int status = 0;
    for (unsigned i = 0; i < frames && status == 0; ++i) {
        viewer.clock = SpinClock{false, 0, 0, double(options.atMs) / 1000.0 + i * step};
        drawViewerFrameInto(viewer, target.framebuffer, target.depthFormat);
        readFrameTarget(target, rgba, options.transparent ? &depths : nullptr);
        if (options.transparent && viewer.passes.plan.sceneTarget)
            readSceneDepths(viewer.targets, depths);  // the scene's, under the post-processing
        pixelsToWrite(rgba, depths, channels, options.transparent, written);

        char name[4096];
        const char* path = frameName(options, i, name, sizeof(name));
        bool ok = path && (options.raw ? writeRawRows(written, width, height, channels)
                                       : writeSnapshot(path, width, height, channels, written.data()));
        if (!ok) {
            logMessage("Cannot write snapshot [%s]", path ? path : options.snapshot);
            status = 1;
        }
        showProgress(i + 1, frames, startMs);
    }
    deleteFrameTarget(target);
    return status;
}
