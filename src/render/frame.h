#pragma once
// Drawing one frame: the passes of its plan, one after another.

#include "core/math/matrix.h"
#include "render/environmentGpu.h"
#include "render/meshGpu.h"
#include "render/materialsGpu.h"
#include "render/multisampleTarget.h"
#include "render/passPrograms.h"
#include "render/passTargets.h"
#include "render/program.h"
#include "render/quadGpu.h"
#include "render/sceneExtras.h"
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
    int width, height;  // the frame's size in pixels: its targets' too
    FrameExtras extras;  // the gradient, the grid and the edges asked for
};

// What the passes draw and sample, besides their programs.
struct FrameResources {
    const MeshStore& mesh;
    const std::vector<TextureGpu>& textures;  // --texture's, on units 0, 1...
    const MaterialsGpu& materials;
    const EnvironmentGpu& environment;
    QuadGpu& quad;
    PassTargets& targets;
    // the multisampled target bound as the frame starts, or nullptr: the scene that
    // post-processing samples is then drawn into it and resolved into the scene target
    const MultisampleTarget* multisample = nullptr;
};

// Draws the frame into the framebuffer bound, without swapping, pass after pass as the plan
// lists them. The main pass alone on the model clears and draws it exactly as a frame of one
// program does (drawModelPass). Otherwise each buffer is drawn on a full-window quad into its
// target; the scene (background or skybox, then the main pass) into the scene target when
// there is post-processing, else into the framebuffer bound, cleared first; the post-processing
// pass into the framebuffer bound, cleared first. A pass samples a buffer as its last drawing left
// it (this frame's for a buffer drawn before it, the previous frame's otherwise), the scene's
// colour and depth unless it draws into them, --cubemap's environment, the --texture images.
// Targets that cannot be made leave their passes out: the main pass then draws into the
// framebuffer bound. Every pass leaves the state as it found it.
// The extras asked for go into the scene: the gradient as it is cleared, the grid before the main
// pass, the edges after it (a canvas has neither).
void drawFrame(FrameResources& resources, ShaderState& main, PassPrograms& passes, const FrameInputs& inputs);

// Draws the model through the program, without clearing: uploads the matrices, and the u_
// uniforms and textures the program takes, cuts by clip plane 0, binds the mesh's arrays (with
// the a_ attributes the program takes), validates the program on its first frame, draws, and
// leaves the state as it found it. Without the cut, the wireframe, or inputs taken by name, no
// call is made for them.
// A model with materials (or vertex colours) is drawn range by range, each after its material is
// set (useMaterial; its map on the unit after the command line's textures); the program then
// keeps them until a model without gives it u_opacity 0 again, once.
void drawModelPass(FrameResources& resources, ShaderState& shader, const FrameInputs& inputs, bool sceneReadable);
