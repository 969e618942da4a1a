#include "render/frameTarget.h"

#include "render/glCheck.h"

bool haveFrameTargets()
{
    return glGenFramebuffers && glBindFramebuffer && glFramebufferRenderbuffer && glCheckFramebufferStatus &&
           glGenRenderbuffers && glBindRenderbuffer && glRenderbufferStorage && glDeleteFramebuffers &&
           glDeleteRenderbuffers;
}

namespace {

// One renderbuffer's storage, multisampled when `samples` is above 0.
void storeRenderbuffer(GLuint renderbuffer, int samples, GLenum format, int width, int height)
{
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    if (samples > 0)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    else
        glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
}

// Makes the target with a depth buffer of `depthFormat`; false, with nothing left, when the
// framebuffer is not complete.
bool createFrameTargetWithDepth(FrameTarget& target, int width, int height, GLenum depthFormat)
{
    target = FrameTarget{0, 0, 0, width, height, depthFormat};
    makeRenderbufferFramebuffer(target.framebuffer, target.color, target.depth, width, height, 0, depthFormat);
    checkGlError();
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE)
        return true;
    deleteFrameTarget(target);
    return false;
}

} // namespace

bool createFrameTarget(FrameTarget& target, int width, int height)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width < 1 || height < 1 || width > largest || height > largest)
        return false;
    // the depth a window gets from Mesa, 32 bits, so that both draw the same pixels; else 24
    if (!createFrameTargetWithDepth(target, width, height, GL_DEPTH_COMPONENT32) &&
        !createFrameTargetWithDepth(target, width, height, GL_DEPTH_COMPONENT24))
        return false;
    glViewport(0, 0, width, height);
    checkGlError();
    return true;
}

void defaultFrameTarget(FrameTarget& target, int width, int height)
{
    target = FrameTarget{0, 0, 0, width, height, 0};
}

void readFrameTarget(const FrameTarget& target, std::vector<uint8_t>& rgba, std::vector<float>* depths)
{
    size_t pixels = size_t(target.width) * size_t(target.height);
    rgba.resize(pixels * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, target.width, target.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    if (depths) {
        depths->resize(pixels);
        glReadPixels(0, 0, target.width, target.height, GL_DEPTH_COMPONENT, GL_FLOAT, depths->data());
    }
    checkGlError();
}

void deleteFrameTarget(FrameTarget& target)
{
    if (!target.framebuffer)
        return;
    deleteRenderbufferFramebuffer(target.framebuffer, target.color, target.depth);
    target = FrameTarget{0, 0, 0, 0, 0, 0};
}

void makeRenderbufferFramebuffer(GLuint& framebuffer, GLuint& color, GLuint& depth, int width, int height,
                                 int samples, GLenum depthFormat)
{
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &color);
    glGenRenderbuffers(1, &depth);
    storeRenderbuffer(color, samples, GL_RGBA8, width, height);
    storeRenderbuffer(depth, samples, depthFormat, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
}

void deleteRenderbufferFramebuffer(GLuint& framebuffer, GLuint& color, GLuint& depth)
{
    if (!framebuffer)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &color);
    glDeleteRenderbuffers(1, &depth);
    checkGlError();
    framebuffer = color = depth = 0;
}
