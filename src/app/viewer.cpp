#include "app/viewer.h"

#include "core/platform/platform.h"

void startViewer(Viewer& viewer, const ViewerOptions& options)
{
    viewer = Viewer();
    viewer.options = options;
    viewer.clock = SpinClock{options.snapshot == nullptr, options.atMs};
}

uint32_t spinTimeMs(const SpinClock& clock)
{
    return clock.running ? tickCountMs() : clock.stoppedAtMs;
}
