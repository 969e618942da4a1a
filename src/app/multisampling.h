#pragma once
// Multisampling the viewer's frames (--samples): the multisampled target each frame is drawn into.

#include "app/viewer.h"

// The samples a pixel the frames are drawn with: 0 for --samples 0 or 1, with no call made. On
// the first call with more, the driver's largest count is read: a count above it is lowered to it,
// said once; a driver without multisampling turns it off, said once.
int frameSamples(Viewer& viewer);

// Binds the viewer's multisampled target of width x height for the frame about to be drawn,
// made on the first call and again when the size changes, and returns it. nullptr, with no call
// made, for --samples 0 or 1; nullptr, with the framebuffer bound left bound, when frameSamples
// is 0 or the driver refuses a target of that size (said once, that size not tried again).
const MultisampleTarget* bindMultisampledFrame(Viewer& viewer, int width, int height);

// Deletes the target; multisampling stays as asked.
void deleteMultisampledFrame(Viewer& viewer);
