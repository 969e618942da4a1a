#pragma once

// The GLUT display callback: draws one frame and swaps buffers.
void renderFrame();
