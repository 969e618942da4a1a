#pragma once
// A frame to draw into and read back: the default framebuffer (a window's back buffer, an
// offscreen surface) or a framebuffer object of a given size, with an RGBA colour and a depth
// renderbuffer.

#include <GL/glew.h>

#include <cstdint>
#include <vector>

struct FrameTarget {
    GLuint framebuffer, color, depth;  // all 0 for the default framebuffer
    int width, height;
    GLenum depthFormat;  // the depth renderbuffer's internal format; 0 for the default framebuffer
};

// The default framebuffer, as it is, of width x height.
void defaultFrameTarget(FrameTarget& target, int width, int height);

// True when the context offers framebuffer objects (OpenGL 3.0 or GL_ARB_framebuffer_object).
bool haveFrameTargets();

// Makes the target, binds it for drawing and sets the viewport to it. False, with nothing left
// bound or made, when the context cannot make one of that size.
bool createFrameTarget(FrameTarget& target, int width, int height);

// Reads the target's RGBA pixels, bottom row first, and when `depths` is given its depth values.
void readFrameTarget(const FrameTarget& target, std::vector<uint8_t>& rgba, std::vector<float>* depths);

// Unbinds and deletes the target; nothing for the default framebuffer.
void deleteFrameTarget(FrameTarget& target);

// Makes a framebuffer object of an RGBA8 colour and a `depthFormat` depth renderbuffer of
// width x height, `samples` a pixel (0: single-sampled), and leaves it bound for drawing; whether
// it is complete is the caller's to check.
void makeRenderbufferFramebuffer(GLuint& framebuffer, GLuint& color, GLuint& depth, int width, int height,
                                 int samples, GLenum depthFormat);

// Unbinds and deletes a framebuffer made so and its renderbuffers, zeroing their names; nothing
// when `framebuffer` is 0.
void deleteRenderbufferFramebuffer(GLuint& framebuffer, GLuint& color, GLuint& depth);
