#include "render/multisampleTarget.h"

#include "render/frameTarget.h"
#include "render/glCheck.h"

int largestSampleCount()
{
    if (!haveFrameTargets() || !glRenderbufferStorageMultisample || !glBlitFramebuffer)
        return 0;
    GLint samples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &samples);
    checkGlError();
    return samples > 0 ? samples : 0;
}

namespace {

// Makes the target with a depth buffer of `depthFormat`; false, with nothing left, when the
// driver refuses it.
bool createWithDepth(MultisampleTarget& target, int width, int height, int samples, GLenum depthFormat)
{
    target = MultisampleTarget();
    target.width = width;
    target.height = height;
    target.samples = samples;
    target.depthFormat = depthFormat;
    makeRenderbufferFramebuffer(target.framebuffer, target.color, target.depth, width, height, samples, depthFormat);
    bool failed = glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE;
    while (glGetError() != GL_NO_ERROR)
        failed = true;
    if (failed)
        deleteMultisampleTarget(target);
    return !failed;
}

} // namespace

bool createMultisampleTarget(MultisampleTarget& target, int width, int height, int samples)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    checkGlError();
    if (width < 1 || height < 1 || width > largest || height > largest || samples < 1)
        return false;
    return createWithDepth(target, width, height, samples, GL_DEPTH_COMPONENT32) ||
           createWithDepth(target, width, height, samples, GL_DEPTH_COMPONENT24);
}

void resolveMultisampleTarget(const MultisampleTarget& target, GLuint into, GLenum depthFormat)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, into);
    GLbitfield mask = GL_COLOR_BUFFER_BIT | (depthFormat == target.depthFormat ? GL_DEPTH_BUFFER_BIT : 0);
    glBlitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height, mask, GL_NEAREST);
    checkGlError();
    glBindFramebuffer(GL_FRAMEBUFFER, into);
    checkGlError();
}

void deleteMultisampleTarget(MultisampleTarget& target)
{
    if (!target.framebuffer)
        return;
    deleteRenderbufferFramebuffer(target.framebuffer, target.color, target.depth);
    target = MultisampleTarget();
}
