#include "app/viewer.h"

#include "core/platform/platform.h"

namespace {

// The camera as the options turn it, and the spin from --at on, counted from `sinceTickMs`.
void startViewAndSpin(Viewer& viewer, uint32_t sinceTickMs)
{
    const ViewerOptions& options = viewer.options;
    startCamera(viewer.view.camera, options.orbitYaw, options.orbitPitch);
    viewer.clock = SpinClock{options.spin && !options.snapshot, options.atMs, sinceTickMs};
}

} // namespace

void startViewer(Viewer& viewer, const ViewerOptions& options)
{
    viewer = Viewer();
    viewer.options = options;
    viewer.view.cut = options.cut;
    viewer.view.fit = options.fit;
    startViewAndSpin(viewer, 0);  // the process's own start
}

void resetView(Viewer& viewer)
{
    startViewAndSpin(viewer, tickCountMs());
}

uint32_t spinTimeMs(const SpinClock& clock)
{
    return clock.running ? clock.shownMs + (tickCountMs() - clock.sinceTickMs) : clock.shownMs;
}

void toggleSpin(SpinClock& clock)
{
    clock.shownMs = spinTimeMs(clock);
    clock.sinceTickMs = tickCountMs();
    clock.running = !clock.running;
}
