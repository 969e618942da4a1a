#pragma once
// Reading images for textures: PNG through libpng, JPEG through libjpeg-turbo.

#include <cstddef>

// 8-bit RGBA pixels, bottom row first, as texture coordinates count from the bottom left.
struct Image {
    int width, height;
    unsigned char* pixels;  // malloc'ed, width * height * 4 bytes; nullptr after a failure
};

enum class ImageStatus {
    ok,
    cannotOpen,   // as readFileBytes: missing, unreadable, not a regular file
    outOfMemory,  // the file or its pixels do not fit in memory
    notAnImage,   // neither a PNG nor a JPEG file
    damaged,      // a PNG or JPEG file that its library cannot read whole; `detail` says why
    tooLarge,     // wider or higher than largestImageSide
};

constexpr int largestImageSide = 16384;

// Reads the file whole and decodes it by its first bytes: PNG (any colour type and depth, with
// transparency; 16-bit samples rounded to 8, as the same image in 8 bits gives them: both taken
// as sRGB unless a gAMA or sRGB chunk says otherwise) or JPEG (grey or colour; CMYK is refused as
// damaged). On failure `out` is empty and `detail` (at most detailSize bytes with the terminator)
// holds the library's reason, or "".
ImageStatus readImageFile(const char* path, Image& out, char* detail, size_t detailSize);

// Decodes the encoded bytes of an image in memory (an image a model holds itself) as
// readImageFile decodes a file's.
ImageStatus decodeImage(const unsigned char* data, size_t size, Image& out, char* detail, size_t detailSize);

void freeImage(Image& image);

// For the JPEG reader: decodes a whole JPEG file in memory, as readImageFile does.
ImageStatus decodeJpeg(const unsigned char* data, size_t size, Image& out, char* detail, size_t detailSize);
