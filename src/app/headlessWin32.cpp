#include "app/headless.h"

// Windows always has its desktop to draw on, and no offscreen context of its own here.

bool displayCanOpen(const char*)
{
    return true;
}

bool startOffscreenContext(int, int)
{
    return false;
}
