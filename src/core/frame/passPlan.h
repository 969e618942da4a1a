#pragma once
// A frame as a list of passes, planned from what the fragment shader declares: each pass names
// the program it is drawn with (the fragment shader compiled with its define), its target, and
// what it draws.

#include "core/shader/shaderDeclarations.h"

#include <cstdint>
#include <string>
#include <vector>

enum class PassKind : uint8_t {
    buffer,          // u_bufferN: BUFFER_N on a full-window quad into its own target
    doubleBuffer,    // u_doubleBufferN: DOUBLE_BUFFER_N likewise, into a ping-pong pair
    background,      // BACKGROUND: a full-window quad behind the model, depth writes off
    skybox,          // --skybox without a BACKGROUND block: the cube map behind the model
    main,            // the shader without these defines, on the model (or the canvas's quad)
    postprocessing,  // POSTPROCESSING: the window, from the scene drawn into u_scene and u_sceneDepth
};

struct PassSpec {
    PassKind kind;
    uint8_t index;    // N of a buffer; 0 for the others
    bool drawsModel;  // the model's triangles; otherwise a full-window quad
};

struct FramePlan {
    std::vector<PassSpec> passes;  // in the order they are drawn
    size_t mainPass = 0;           // the index of the main pass
    bool sceneTarget = false;      // the background and the main pass draw into the scene target
};

// What the command line adds to the shader's declarations.
struct PlanOptions {
    bool canvas = false;  // no model: the main pass draws a full-window quad
    bool skybox = false;  // --skybox
};

// The passes, in this order: each buffer by N, each double buffer by N, the background (or the
// skybox, where the shader has no BACKGROUND block), the main pass, the post-processing. A shader
// that declares none of them is the main pass alone.
void planFrame(const ShaderDeclarations& declarations, const PlanOptions& options, FramePlan& out);

// True for the plan of one pass drawing the model: the frame of a shader without passes.
bool isSingleModelPass(const FramePlan& plan);

// The define a pass's fragment shader is compiled with: "BUFFER_0", "DOUBLE_BUFFER_2",
// "BACKGROUND", "POSTPROCESSING"; empty for the main pass and the skybox.
std::string passDefine(const PassSpec& pass);

// The pass's name in messages: its define, "SKYBOX", or empty for the main pass.
std::string passName(const PassSpec& pass);
