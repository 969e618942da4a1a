#pragma once
// The check that follows nearly every OpenGL call.

// Reads one pending OpenGL error with glGetError and logs it with logGlError.
void checkGlError();
