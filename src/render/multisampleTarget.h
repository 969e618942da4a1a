#pragma once
// A multisampled frame: a framebuffer object with a multisampled RGBA colour and depth
// renderbuffer, drawn into and then resolved (blitted) into a single-sampled framebuffer to be
// shown, sampled or read.

#include <GL/glew.h>

struct MultisampleTarget {
    GLuint framebuffer = 0, color = 0, depth = 0;  // all 0 while none is made
    GLenum depthFormat = 0;
    int width = 0, height = 0, samples = 0;  // as made
};

// The most samples this OpenGL draws into a multisampled framebuffer object (GL_MAX_SAMPLES);
// 0 when it has no multisampled renderbuffers, no blits between framebuffers, or no framebuffer
// objects at all.
int largestSampleCount();

// Makes the target of width x height with `samples` samples a pixel, its depth of 32 bits where
// the driver has them (as the other targets' are, so that its depth resolves into theirs), else
// 24, and leaves it bound. False, with nothing made and framebuffer 0 bound, when the driver
// refuses it (an incomplete framebuffer, a size it cannot make); the errors it raised are
// taken, not reported.
bool createMultisampleTarget(MultisampleTarget& target, int width, int height, int samples);

// Resolves the target's colour, and its depth when `depthFormat` is the target's own (a blit
// between depths of other formats is refused), into `into` (0: the default framebuffer) of the
// same size, checked. Leaves `into` bound.
void resolveMultisampleTarget(const MultisampleTarget& target, GLuint into, GLenum depthFormat);

// Deletes the target, binding framebuffer 0 first; nothing for one not made.
void deleteMultisampleTarget(MultisampleTarget& target);
