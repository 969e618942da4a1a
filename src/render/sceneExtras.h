#pragma once
// What the viewer draws into the scene besides the passes' programs, each only when asked: a
// vertical gradient behind everything, a ground grid, and the model's edges over it. All drawn
// by the fixed-function pipeline, each leaving the state as it found it.

#include "core/math/matrix.h"
#include "render/meshGpu.h"

#include <vector>

struct FrameExtras {
    bool edges = false;                        // the edges of the model's triangles over it
    const std::vector<float>* grid = nullptr;  // a ground grid's lines in the world (groundGrid); null: none
    bool gradient = false;                     // the background a vertical gradient
    float top[3] = {0.0f, 0.0f, 0.0f};         // its colour at the top of the frame
    float bottom[3] = {0.0f, 0.0f, 0.0f};      // and at the bottom
};

// Fills the frame with the gradient from top to bottom, without depth (checked).
void drawBackgroundGradient(const FrameExtras& extras);

// Draws the grid's lines, mid grey, through the view-projection (checked); not cut.
void drawGroundGrid(const std::vector<float>& lines, const Matrix4& viewProjection);

// Draws the edges of the mesh's triangles in black over what is drawn (pulled towards the eye,
// so that the shaded triangles they bound do not hide them), placed as the shipped vertex shader
// places them: the world matrix, then the view-projection; cut by clip plane 0 in the world as
// the model is with `cut`. Nothing for a mesh of points. Checked.
void drawModelEdges(const MeshStore& mesh, const Matrix4& viewProjection, const Matrix4& world, bool cut);
