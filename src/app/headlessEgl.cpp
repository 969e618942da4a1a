#include "app/headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <X11/Xlib.h>

#include <initializer_list>

namespace {

EGLDisplay surfacelessDisplay()
{
    auto platformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!platformDisplay)
        return EGL_NO_DISPLAY;
    EGLDisplay display = platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display != EGL_NO_DISPLAY)
        return display;
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    EGLDeviceEXT device;
    EGLint devices = 0;
    if (!queryDevices || !queryDevices(1, &device, &devices) || devices < 1)
        return EGL_NO_DISPLAY;
    return platformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
}

} // namespace

bool displayCanOpen(const char* name)
{
    Display* display = XOpenDisplay(name);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

namespace {

// A configuration for a pbuffer as a window would have it, with the deepest depth buffer
// offered up to 32 bits, as Mesa gives its windows.
bool windowLikeConfig(EGLDisplay display, EGLConfig& config)
{
    for (EGLint depth : {32, 24, 16}) {
        const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                 EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                 EGL_DEPTH_SIZE,   depth,           EGL_NONE};
        EGLint configs = 0;
        if (eglChooseConfig(display, wanted, &config, 1, &configs) && configs > 0)
            return true;
    }
    return false;
}

} // namespace

bool startOffscreenContext(int width, int height)
{
    EGLDisplay display = surfacelessDisplay();
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) || !eglBindAPI(EGL_OPENGL_API))
        return false;
    EGLConfig config;
    if (!windowLikeConfig(display, config))
        return false;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return surface != EGL_NO_SURFACE && context != EGL_NO_CONTEXT &&
           eglMakeCurrent(display, surface, surface, context);
}
