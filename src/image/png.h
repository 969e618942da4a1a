#pragma once
// PNG files, through libpng.

// Writes width x height 8-bit RGB pixels, given bottom row first as OpenGL reads them, as a PNG
// file, top row first. False when the file cannot be written.
bool writeRgbPng(const char* path, int width, int height, const unsigned char* bottomUpRgb);
