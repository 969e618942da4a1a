#pragma once
// The full-window quad that every pass but the model's draws: one buffer of four corners.

#include "render/meshGpu.h"

#include <GL/glew.h>

struct QuadGpu {
    GLuint buffer;  // 0 until the first draw
};

// Draws the quad over the whole target, made on the first call: its corners as gl_Vertex.xy (-1
// to 1) and gl_MultiTexCoord0.xy (0 to 1), and as the a_position and a_texcoord of a program
// that declares them (`generic`). Leaves no array on and no buffer bound (each step checked).
void drawQuad(QuadGpu& quad, const MeshAttributeLocations& generic);

void deleteQuad(QuadGpu& quad);
