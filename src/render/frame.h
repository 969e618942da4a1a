#pragma once
// Drawing one frame.

#include "core/math/matrix.h"
#include "render/meshGpu.h"
#include "render/materialsGpu.h"
#include "render/program.h"
#include "render/textures.h"

#include <cstdint>
#include <vector>

// What a frame is drawn with: the matrices it uploads as "VPMatrix" and "WMatrix", the values of
// the u_ uniforms a program may take, and how.
struct FrameInputs {
    Matrix4 viewProjection;
    Matrix4 world;
    StandardValues standard;
    bool cut;        // clip plane 0 keeps z >= 0 of what the shader writes to gl_ClipVertex
    bool wireframe;  // only the edges of the triangles
};

// Draws the mesh into the back buffer through the program, without swapping: clears, uploads
// the matrices, and the u_ uniforms and textures the program takes, cuts by clip plane 0, binds
// the mesh's arrays (with the a_ attributes the program takes), validates the program on its
// first frame, draws, and leaves the state as it found it. Without the cut, the wireframe, or
// inputs taken by name, no call is made for them.
// A model with materials (or vertex colours) is drawn range by range, each after its material is
// set (useMaterial; its map on the unit after the command line's textures); the program then
// keeps them until a model without gives it u_opacity 0 again, once.
void drawFrame(const MeshStore& mesh, ShaderState& shader, const std::vector<TextureGpu>& textures,
               const MaterialsGpu& materials, const FrameInputs& inputs);
