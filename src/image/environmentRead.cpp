#include "image/environmentRead.h"

#include "core/files/fileBytes.h"

#include <cstring>

namespace {

bool isRadiance(const FileBytes& bytes)
{
    return (bytes.size >= 10 && memcmp(bytes.data, "#?RADIANCE", 10) == 0) ||
           (bytes.size >= 6 && memcmp(bytes.data, "#?RGBE", 6) == 0);
}

// The 8-bit image, bottom row first, as floats from 0 to 1, top row first.
void toFloats(const Image& image, EquirectangularImage& out)
{
    out.width = image.width;
    out.height = image.height;
    out.rgb.resize(size_t(image.width) * size_t(image.height) * 3);
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column) {
            const unsigned char* pixel =
                &image.pixels[(size_t(image.height - 1 - row) * size_t(image.width) + size_t(column)) * 4];
            float* rgb = &out.rgb[(size_t(row) * size_t(image.width) + size_t(column)) * 3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = pixel[c] / 255.0f;
        }
}

} // namespace

ImageStatus readEnvironmentImage(const char* path, EquirectangularImage& out, char* detail, size_t detailSize)
{
    out = EquirectangularImage();
    if (detailSize)
        detail[0] = '\0';
    FileBytes bytes;
    FileStatus read = readFileBytes(path, bytes);
    if (read != FileStatus::ok)
        return read == FileStatus::outOfMemory ? ImageStatus::outOfMemory : ImageStatus::cannotOpen;
    bool radiance = isRadiance(bytes);
    ImageStatus status = ImageStatus::ok;
    if (radiance)
        status = decodeRadiance(reinterpret_cast<const unsigned char*>(bytes.data), bytes.size, out, detail,
                                detailSize);
    freeFileBytes(bytes);
    if (radiance)
        return status;
    Image image;
    status = readImageFile(path, image, detail, detailSize);
    if (status == ImageStatus::ok)
        toFloats(image, out);
    freeImage(image);
    return status;
}
