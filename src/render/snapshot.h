#pragma once
// Writing one frame to a PNG file.

// The file the snapshot goes to; nullptr when the viewer runs as usual.
extern const char* snapshotFile;

// Writes width x height 8-bit RGB pixels, given bottom row first as OpenGL reads them, as a PNG
// file, top row first. False when the file cannot be written.
bool writeRgbPng(const char* path, int width, int height, const unsigned char* bottomUpRgb);

// The display callback of a snapshot: draws one frame, reads the back buffer at the window's size
// and writes it to snapshotFile, then ends the process: status 0, or 1 with
// "Cannot write snapshot [file]" when it cannot be written.
void renderSnapshot();
