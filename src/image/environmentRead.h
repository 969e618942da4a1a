#pragma once
// Reading an environment image: a PNG or JPEG (as readImageFile reads them, each 8-bit sample
// divided by 255) or a Radiance .hdr file (through stb_image), as floats.

#include "core/environment/equirectangular.h"
#include "image/imageRead.h"

// Reads the file into `out`, top row first. Statuses as readImageFile's; a Radiance file is told
// by its first bytes ("#?RADIANCE" or "#?RGBE"), and `notAnImage` says neither PNG, JPEG nor
// Radiance. On failure `out` is empty and `detail` holds the library's reason, or "".
ImageStatus readEnvironmentImage(const char* path, EquirectangularImage& out, char* detail, size_t detailSize);

// For the Radiance reader: decodes a whole .hdr file in memory into `out`, as above.
ImageStatus decodeRadiance(const unsigned char* data, size_t size, EquirectangularImage& out, char* detail,
                           size_t detailSize);
