#pragma once
// GLUT callbacks that keep the window alive.

// Requests the next frame, so frames are drawn back to back, and reloads the data files that changed.
void onIdle();

// Esc, q or Q ends the process with status 0; any other key requests a redisplay.
void onKeyboard(unsigned char key, int x, int y);

// Sets the viewport to the whole client area and resets the fixed-function matrices.
void onReshape(int width, int height);
