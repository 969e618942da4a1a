#include "app/viewer.h"

#include "core/look/keyLight.h"
#include "core/platform/platform.h"

#include <cmath>

namespace {

// The camera as the options turn it, and the spin from --at on, counted from `sinceTickMs`.
void startViewAndSpin(Viewer& viewer, uint32_t sinceTickMs)
{
    const ViewerOptions& options = viewer.options;
    startCamera(viewer.view.camera, options.orbitYaw, options.orbitPitch);
    bool running = options.spin && !options.snapshot;
    viewer.clock = SpinClock{running, options.atMs, sinceTickMs, double(options.atMs) / 1000.0};
}

} // namespace

void startViewer(Viewer& viewer, const ViewerOptions& options)
{
    viewer = Viewer();
    viewer.options = options;
    viewer.view.cut = options.cut;
    viewer.view.fit = options.fit;
    viewer.view.aspect = 1.0;
    viewer.view.edges = options.edges;
    viewer.view.grid = options.grid;
    viewer.multisampling.samples = options.samples;
    viewer.multisampling.refusedWidth = viewer.multisampling.refusedHeight = -1;
    viewer.windowWidth = options.windowWidth;
    viewer.windowHeight = options.windowHeight;
    startViewAndSpin(viewer, 0);  // the process's own start
    viewer.view.lightFollows = options.lightFollows;
    Matrix4 view, projection;
    cameraMatrices(viewer.view.camera, viewer.view.aspect, view, projection);
    keyLightDirection(view, viewer.view.fixedLight);
}

void toggleLightFollows(ViewState& view)
{
    if (view.lightFollows) {
        Matrix4 matrix, projection;
        cameraMatrices(view.camera, view.aspect, matrix, projection);
        keyLightDirection(matrix, view.fixedLight);
    }
    view.lightFollows = !view.lightFollows;
}

void resetView(Viewer& viewer)
{
    startViewAndSpin(viewer, tickCountMs());
}

double spinSeconds(const SpinClock& clock)
{
    if (!clock.running)
        return clock.stillSeconds;
    return double(uint32_t(clock.shownMs + (tickCountMs() - clock.sinceTickMs))) / 1000.0;
}

void toggleSpin(SpinClock& clock)
{
    if (clock.running) {
        clock.stillSeconds = spinSeconds(clock);
    } else {
        // on from the moment it stood at, within half a millisecond
        clock.shownMs = uint32_t(uint64_t(std::llround(clock.stillSeconds * 1000.0)));
        clock.sinceTickMs = tickCountMs();
    }
    clock.running = !clock.running;
}
