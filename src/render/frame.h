#pragma once
// Drawing the frames.

#include "math/matrix.h"

#include <cstdint>

// What the command line changes about the frames; without options, neither.
struct FrameSettings {
    bool fitToView;       // the world matrix also applies modelFit, after the model is loaded
    Matrix4 modelFit;
    bool clockStopped;    // a snapshot: the clock stands at stoppedTickMs
    uint32_t stoppedTickMs;
};

extern FrameSettings frameSettings;

// Draws one frame into the back buffer, without swapping.
void drawFrame();

// The GLUT display callback: draws one frame and swaps buffers.
void renderFrame();
