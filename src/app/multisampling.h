#pragma once
// Multisampling the viewer's frames (--samples): the multisampled target each frame is drawn into.

#include "app/viewer.h"

// Binds the viewer's multisampled target of width x height for the frame about to be drawn,
// made on the first call and again when the size changes, and returns it. nullptr, with no call
// made, for --samples 0 or 1; nullptr, with the framebuffer bound left bound, when the driver
// has no multisampling (said once, and multisampling is off from then on) or refuses a target of
// that size (said once, that size not tried again). A count above the driver's largest is
// lowered to it, said once.
const MultisampleTarget* bindMultisampledFrame(Viewer& viewer, int width, int height);

// Deletes the target; multisampling stays as asked.
void deleteMultisampledFrame(Viewer& viewer);
