#pragma once
// The frame's own targets, textures that later passes sample: one ping-pong pair of colour
// textures per buffer and double buffer, and the scene's colour and depth for post-processing.
// All have the frame's size, and are made again when it changes.

#include "core/frame/passPlan.h"
#include "core/shader/standardInputs.h"

#include <GL/glew.h>

#include <cstdint>
#include <vector>

// A framebuffer object per colour texture: a pair is drawn into colors[1 - shown] while passes
// read colors[shown], then swapped. The scene has one colour texture and a depth texture.
struct TextureTarget {
    GLuint framebuffers[2] = {0, 0};
    GLuint colors[2] = {0, 0};
    GLuint depth = 0;
    GLenum depthFormat = 0;  // the depth texture's internal format
    int shown = 0;
};

enum class TargetFormat : uint8_t { undecided, halfFloat, byte };

struct PassTargets {
    TextureTarget buffers[mostBuffers];
    TextureTarget doubleBuffers[mostBuffers];
    TextureTarget scene;
    int width = 0, height = 0;  // the size they were made at
    int refusedWidth = -1, refusedHeight = -1;  // a size the driver refused: not tried again
    TargetFormat format = TargetFormat::undecided;
    bool toldNoFramebuffers = false;
};

// Makes the targets the plan draws into at width x height: those missing, all of them again at a
// new size (their contents then start transparent black); deletes those no longer drawn. The
// colour is 16-bit float where the driver renders into it, else 8-bit, said once. A size of 0,
// a driver that refuses a target (too large, out of memory) or has no framebuffer objects leaves
// them all missing, said once per size; true when all are there. Leaves framebuffer 0 bound.
bool prepareTargets(PassTargets& targets, const FramePlan& plan, int width, int height);

// The target a pass draws into, or nullptr for the frame's own framebuffer or a missing target.
TextureTarget* passTarget(PassTargets& targets, const PassSpec& pass, bool sceneOffscreen);

// Binds the texture drawn into for drawing (checked).
void bindTargetForDrawing(const TextureTarget& target);

// The texture drawn into becomes the one read: a pair swaps.
void finishDrawingTarget(TextureTarget& target);

// The texture a sampler reads: a buffer's colour as last drawn, the scene's colour or depth; 0
// for a missing target.
GLuint targetTexture(const PassTargets& targets, TargetKind kind, uint8_t index);

// Reads the scene target's depth values, bottom row first: the depths of a post-processed frame,
// whose own framebuffer holds those of its full-window quad. False, with `depths` as it was, when
// there is no scene target.
bool readSceneDepths(const PassTargets& targets, std::vector<float>& depths);

void deleteTargets(PassTargets& targets);
