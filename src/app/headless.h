#pragma once
// Drawing without a display: one source file per system (headlessEgl.cpp, headlessWin32.cpp).

// Whether the window system's display can be opened (the X display `name`, or $DISPLAY when it
// is null); a window needs one.
bool displayCanOpen(const char* name);

// Makes an OpenGL context current without any display, drawing into a surface of width x height
// like a window's (colour with alpha, a 32-bit depth buffer where there is one): EGL on Mesa, on
// its surfaceless platform or else its first device. False where there is none.
bool startOffscreenContext(int width, int height);
