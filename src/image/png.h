#pragma once
// PNG files, through libpng.

#include <cstdio>

// Writes width x height 8-bit pixels of `channels` (3: RGB, 4: RGBA) each, given bottom row first
// as OpenGL reads them, to the open stream as a PNG, top row first, and flushes it. False when
// any of it cannot be written.
bool writePng(FILE* file, int width, int height, int channels, const unsigned char* bottomUp);
