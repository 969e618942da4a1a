#pragma once
// Drawing one frame.

#include "core/math/matrix.h"
#include "render/meshGpu.h"
#include "render/program.h"

#include <cstdint>
#include <vector>

// What a frame uploads: "VPMatrix" and "WMatrix".
struct FrameMatrices {
    Matrix4 viewProjection;
    Matrix4 world;
};

// Draws the mesh into the back buffer through the program, without swapping: clears, uploads
// the matrices, cuts by clip plane 0 (z >= 0 of what the shader writes to gl_ClipVertex), binds
// the mesh's arrays, validates the program on its first frame, draws, and leaves the state as
// it found it.
void drawFrame(const MeshStore& mesh, ShaderState& shader, const FrameMatrices& matrices);

// Reads the back buffer's width x height RGB pixels, bottom row first, into `pixels`.
void readFramePixels(int width, int height, std::vector<unsigned char>& pixels);
