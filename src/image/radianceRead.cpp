// Radiance .hdr files through Debian's stb_image (libstb-dev), its HDR reader alone, from memory.

#include "image/environmentRead.h"

#include <climits>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_HDR
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

ImageStatus decodeRadiance(const unsigned char* data, size_t size, EquirectangularImage& out, char* detail,
                           size_t detailSize)
{
    out = EquirectangularImage();
    if (size > size_t(INT_MAX))
        return ImageStatus::tooLarge;
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(data, int(size), &width, &height, &channels) &&
        (width > largestImageSide || height > largestImageSide))
        return ImageStatus::tooLarge;
    float* pixels = stbi_loadf_from_memory(data, int(size), &width, &height, &channels, 3);
    if (!pixels) {
        if (detailSize) {
            strncpy(detail, stbi_failure_reason() ? stbi_failure_reason() : "", detailSize - 1);
            detail[detailSize - 1] = '\0';
        }
        return ImageStatus::damaged;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(pixels, pixels + size_t(width) * size_t(height) * 3);
    stbi_image_free(pixels);
    return ImageStatus::ok;
}
