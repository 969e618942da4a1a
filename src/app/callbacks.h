#pragma once
// The GLUT callbacks. GLUT gives them no argument: they reach the viewer record named once by
// registerCallbacks.

#include "app/viewer.h"

// Registers, in this order, the display callback (renderFrame),
// onIdle, onKeyboard, onReshape and the mouse's (buttons, drags, moves), all driving `viewer`. While the spin stands,
// frames are drawn only when something changes.
void registerCallbacks(Viewer& viewer);

// The display callback: draws one frame and swaps buffers.
void renderFrame();

// Requests the next frame, so frames are drawn back to back, and reloads the data files that changed.
void onIdle();

// Esc, q or Q ends the process with status 0; any other key does what pressKey says and requests
// a redisplay.
void onKeyboard(unsigned char key, int x, int y);

// Keeps the window's size, sets the viewport to the whole client area and resets the
// fixed-function matrices.
void onReshape(int width, int height);
