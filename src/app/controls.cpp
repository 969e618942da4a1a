#include "app/controls.h"

#include "app/scene.h"
#include "core/diag/log.h"

#include <cctype>
#include <cmath>

const char* const controlsHelp =
    "Keys: Space pauses or resumes the spin, c turns the cut on or off, r resets the camera and the\n"
    "spin, f turns the fit to view on or off, w the wireframe, l the look's key light following the\n"
    "camera or staying where it is, h prints this, Esc or q quits.\n"
    "The e key draws the edges over the shaded model or not, g a ground grid under it.\n"
    "Mouse: left drag orbits, right drag or the wheel zooms, middle drag or Shift and left drag pans.";

namespace {

// A drag of the whole window's height down doubles the distance twice.
const double zoomPerHeight = 4.0;

const int leftButton = 0, middleButton = 1, rightButton = 2, wheelUp = 3, wheelDown = 4;

} // namespace

Response pressKey(Viewer& viewer, unsigned char key)
{
    ViewState& view = viewer.view;
    switch (tolower(key)) {
    case 27:
    case 'q': return Response::quit;
    case ' ': toggleSpin(viewer.clock); break;
    case 'c': view.cut = !view.cut; break;
    case 'r': resetView(viewer); break;
    case 'f': toggleFit(viewer); break;
    case 'w': view.wireframe = !view.wireframe; break;
    case 'e': view.edges = !view.edges; break;
    case 'g': view.grid = !view.grid; break;
    case 'l': toggleLightFollows(view); break;
    case 'h': logMessage("%s", controlsHelp); break;
    default: break;
    }
    return Response::redraw;
}

void pressButton(Viewer& viewer, int button, bool down, bool shift, int x, int y)
{
    Pointer& pointer = viewer.pointer;
    if (button == wheelUp || button == wheelDown) {
        if (down)
            zoomCamera(viewer.view.camera, button == wheelUp ? 0.9 : 1.0 / 0.9);
        return;
    }
    if (!down) {
        pointer.drag = Pointer::none;
        return;
    }
    if (button == leftButton)
        pointer.drag = shift ? Pointer::pan : Pointer::orbit;
    else if (button == middleButton)
        pointer.drag = Pointer::pan;
    else if (button == rightButton)
        pointer.drag = Pointer::zoom;
    pointer.x = x;
    pointer.y = y;
}

bool dragPointer(Viewer& viewer, int x, int y, int width, int height)
{
    Pointer& pointer = viewer.pointer;
    double dx = x - pointer.x, dy = y - pointer.y;
    pointer.x = x;
    pointer.y = y;
    Camera& camera = viewer.view.camera;
    switch (pointer.drag) {
    case Pointer::none: return false;
    case Pointer::orbit: orbitCamera(camera, dx, dy, width, height); break;
    case Pointer::pan: panCamera(camera, dx, dy, width, height); break;
    case Pointer::zoom: zoomCamera(camera, std::pow(zoomPerHeight, dy / (height > 0 ? height : 1))); break;
    }
    return true;
}

bool hoverPointer(Viewer& viewer, int x, int y)
{
    viewer.pointer.x = x;
    viewer.pointer.y = y;
    bool used = (viewer.shaderState.inputs.uniformsUsed & (1u << uMouse)) != 0;
    for (const ShaderState& pass : viewer.passes.programs)
        used = used || (pass.inputs.uniformsUsed & (1u << uMouse)) != 0;
    return used;
}
