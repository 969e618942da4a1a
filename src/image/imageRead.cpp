#include "image/imageRead.h"

#include "core/files/fileBytes.h"

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void setDetail(char* detail, size_t detailSize, const char* text)
{
    if (detailSize == 0)
        return;
    strncpy(detail, text, detailSize - 1);
    detail[detailSize - 1] = '\0';
}

ImageStatus decodePng(const unsigned char* data, size_t size, Image& out, char* detail, size_t detailSize)
{
    png_image png;
    memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        setDetail(detail, detailSize, png.message);
        return ImageStatus::damaged;
    }
    if (png.width > uint32_t(largestImageSide) || png.height > uint32_t(largestImageSide)) {
        png_image_free(&png);
        return ImageStatus::tooLarge;
    }
    png.format = PNG_FORMAT_RGBA;
    // 16-bit samples without a gAMA or sRGB chunk are sRGB, as 8-bit ones are: libpng would take
    // them as linear and brighten them on the way to 8 bits (mid-grey 32768 to 186, not 128)
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    size_t rowBytes = size_t(png.width) * 4;
    unsigned char* pixels = static_cast<unsigned char*>(malloc(rowBytes * png.height));
    if (!pixels) {
        png_image_free(&png);
        return ImageStatus::outOfMemory;
    }
    // a negative stride writes the rows from the last up: the bottom row comes first
    if (!png_image_finish_read(&png, nullptr, pixels, -png_int_32(rowBytes), nullptr)) {
        setDetail(detail, detailSize, png.message);
        free(pixels);
        return ImageStatus::damaged;
    }
    out = Image{int(png.width), int(png.height), pixels};
    return ImageStatus::ok;
}

} // namespace

ImageStatus readImageFile(const char* path, Image& out, char* detail, size_t detailSize)
{
    out = Image{0, 0, nullptr};
    setDetail(detail, detailSize, "");
    FileBytes bytes;
    FileStatus read = readFileBytes(path, bytes);
    if (read != FileStatus::ok)
        return read == FileStatus::outOfMemory ? ImageStatus::outOfMemory : ImageStatus::cannotOpen;
    ImageStatus status =
        decodeImage(reinterpret_cast<const unsigned char*>(bytes.data), bytes.size, out, detail, detailSize);
    freeFileBytes(bytes);
    return status;
}

ImageStatus decodeImage(const unsigned char* data, size_t size, Image& out, char* detail, size_t detailSize)
{
    out = Image{0, 0, nullptr};
    setDetail(detail, detailSize, "");
    const unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size >= 8 && memcmp(data, pngSignature, 8) == 0)
        return decodePng(data, size, out, detail, detailSize);
    if (size >= 3 && data[0] == 0xff && data[1] == 0xd8 && data[2] == 0xff)
        return decodeJpeg(data, size, out, detail, detailSize);
    return ImageStatus::notAnImage;
}

void freeImage(Image& image)
{
    free(image.pixels);
    image = Image{0, 0, nullptr};
}
