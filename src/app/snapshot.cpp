#include "app/snapshot.h"

#include "core/platform/platform.h"
#include "image/png.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

bool snapshotToStandardOutput(const char* path)
{
    return strcmp(path, "-") == 0 || isStandardOutput(path);
}

const char* inputOverwrittenBySnapshot(const ViewerOptions& options)
{
    if (!options.snapshot || snapshotToStandardOutput(options.snapshot))
        return nullptr;
    for (const char* input : {options.model, options.vertexShader, options.fragmentShader})
        if (sameFile(options.snapshot, input))
            return input;
    for (const TextureOption& texture : options.textures)
        if (sameFile(options.snapshot, texture.path))
            return texture.path;
    return nullptr;
}

bool writeSnapshot(const char* path, int width, int height, const unsigned char* bottomUpRgb)
{
    if (snapshotToStandardOutput(path)) {
        setBinaryMode(stdout);
        return writeRgbPng(stdout, width, height, bottomUpRgb);
    }
    char tempPath[4096];
    FILE* file = createFileBeside(path, tempPath, sizeof(tempPath));
    if (!file)
        return false;
    bool written = writeRgbPng(file, width, height, bottomUpRgb);
    written = fclose(file) == 0 && written;
    if (written && replaceFile(tempPath, path))
        return true;
    removeFile(tempPath);
    return false;
}
