#include "app/textureFiles.h"

#include "core/diag/log.h"
#include "image/imageRead.h"

#include <string>

std::string imageProblem(ImageStatus status, const char* path, const char* detail, int largest)
{
    std::string file = "[" + std::string(path) + "]";
    switch (status) {
    case ImageStatus::ok: break;
    case ImageStatus::cannotOpen: return "cannot open file " + file;
    case ImageStatus::outOfMemory: return "not enough memory to read " + file;
    case ImageStatus::notAnImage: return file + " is neither a PNG nor a JPEG file";
    case ImageStatus::damaged: return file + " cannot be read: " + detail;
    case ImageStatus::tooLarge: break;
    }
    return file + " is larger than " + std::to_string(largest) + " pixels a side, the largest texture here";
}

namespace {

// Reads the texture's image and uploads it in place of the texture's; otherwise logs the problem
// after `outcome` ("reads black", "stays as it is") and returns false.
bool readTexture(Viewer& viewer, size_t index, const char* outcome)
{
    const TextureOption& option = viewer.options.textures[index];
    Image image;
    char detail[256];
    ImageStatus status = readImageFile(option.path, image, detail, sizeof(detail));
    int largest = largestImageSide;
    if (status == ImageStatus::ok) {
        bool fits = replaceTexture(viewer.textures[index], image.width, image.height, image.pixels, largest);
        freeImage(image);
        if (fits)
            return true;
        status = ImageStatus::tooLarge;
    }
    logMessage("Texture %s %s: %s", option.name.c_str(), outcome,
               imageProblem(status, option.path, detail, largest).c_str());
    return false;
}

} // namespace

std::vector<const char*> textureNames(const ViewerOptions& options)
{
    std::vector<const char*> names;
    for (const TextureOption& texture : options.textures)
        names.push_back(texture.name.c_str());
    return names;
}

void loadTextures(Viewer& viewer)
{
    viewer.textures.assign(viewer.options.textures.size(), TextureGpu{0, 0, 0});
    for (size_t i = 0; i < viewer.textures.size(); ++i)
        if (!readTexture(viewer, i, "reads black"))
            replaceWithBlack(viewer.textures[i]);
}

bool reloadTexture(Viewer& viewer, size_t index)
{
    if (!readTexture(viewer, index, "stays as it is"))
        return false;
    logMessage("Reloaded [%s]", viewer.options.textures[index].path);
    return true;
}
