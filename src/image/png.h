#pragma once
// PNG files, through libpng.

#include <cstdio>

// Writes width x height 8-bit RGB pixels, given bottom row first as OpenGL reads them, to the
// open stream as a PNG, top row first, and flushes it. False when any of it cannot be written.
bool writeRgbPng(FILE* file, int width, int height, const unsigned char* bottomUpRgb);
