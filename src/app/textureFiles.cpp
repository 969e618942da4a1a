#include "app/textureFiles.h"

#include "core/diag/log.h"
#include "image/imageRead.h"

#include <string>

std::string imageProblem(ImageStatus status, const char* path, const char* detail, int largest, const char* formats)
{
    std::string file = "[" + std::string(path) + "]";
    switch (status) {
    case ImageStatus::ok: break;
    case ImageStatus::cannotOpen: return "cannot open file " + file;
    case ImageStatus::outOfMemory: return "not enough memory to read " + file;
    case ImageStatus::notAnImage: return file + " is neither " + formats;
    case ImageStatus::damaged: return file + " cannot be read: " + detail;
    case ImageStatus::tooLarge: break;
    }
    return file + " is larger than " + std::to_string(largest) + " pixels a side, the largest texture here";
}

namespace {

// Uploads the image read (or tells why it cannot be).
bool uploadImage(ImageStatus status, Image& image, const char* name, const char* detail, TextureGpu& texture,
                 std::string& problem)
{
    int largest = largestImageSide;
    if (status == ImageStatus::ok) {
        bool fits = replaceTexture(texture, image.width, image.height, image.pixels, largest);
        freeImage(image);
        if (fits)
            return true;
        status = ImageStatus::tooLarge;
    }
    problem = imageProblem(status, name, detail, largest);
    return false;
}

} // namespace

bool uploadImageFile(const char* path, TextureGpu& texture, std::string& problem)
{
    Image image;
    char detail[256];
    ImageStatus status = readImageFile(path, image, detail, sizeof(detail));
    return uploadImage(status, image, path, detail, texture, problem);
}

bool uploadImageBytes(const std::vector<unsigned char>& bytes, const char* name, TextureGpu& texture,
                      std::string& problem)
{
    Image image;
    char detail[256];
    ImageStatus status = decodeImage(bytes.data(), bytes.size(), image, detail, sizeof(detail));
    return uploadImage(status, image, name, detail, texture, problem);
}

namespace {

// Reads the texture's image and uploads it in place of the texture's; otherwise logs the problem
// after `outcome` ("reads black", "stays as it is") and returns false.
bool readTexture(Viewer& viewer, size_t index, const char* outcome)
{
    const TextureOption& option = viewer.options.textures[index];
    std::string problem;
    if (uploadImageFile(option.path, viewer.textures[index], problem))
        return true;
    logMessage("Texture %s %s: %s", option.name.c_str(), outcome, problem.c_str());
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
