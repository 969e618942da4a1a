#pragma once
// What the keys and the mouse do to the viewer.

#include "app/viewer.h"

// The keys and mouse actions, as `h` and --help print them.
extern const char* const controlsHelp;

// What an input asks of the window.
enum class Response { redraw, quit };

// Space pauses or resumes the spin, c turns the cut on or off, r puts the camera and the spin
// back as they started, f turns the fit on or off, w the wireframe, l the look's key light
// following the camera or standing in the world, h prints controlsHelp; Esc
// and q (or Q) quit; every key redraws.
// e turns the edges over the model on or off, g the ground grid.
Response pressKey(Viewer& viewer, unsigned char key);

// A mouse button pressed (down) or let go at x, y: the left one orbits (with Shift: pans), the
// middle one pans, the right one zooms; the wheel (buttons 3 and 4) zooms in or out by a tenth
// of the distance.
void pressButton(Viewer& viewer, int button, bool down, bool shift, int x, int y);

// The pointer moved to x, y with a button held: the drag that button started, scaled to a
// window of width x height. False when nothing was being dragged.
bool dragPointer(Viewer& viewer, int x, int y, int width, int height);

// The pointer moved to x, y with no button held. True when the program drawing takes u_mouse,
// and so a frame is due.
bool hoverPointer(Viewer& viewer, int x, int y);
