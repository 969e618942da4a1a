#include "app/multisampling.h"

#include "core/diag/log.h"
#include "render/glCheck.h"

namespace {

// Lowers the count asked for to the driver's largest, said; off, said, without any.
void readLimit(Multisampling& multisampling)
{
    multisampling.limitRead = true;
    int largest = largestSampleCount();
    if (largest < 2) {
        logMessage("Multisampling is off: this OpenGL draws no multisampled frames");
        multisampling.samples = 0;
    } else if (multisampling.samples > largest) {
        logMessage("--samples %d: this OpenGL draws at most %d samples a pixel, and so does the viewer",
                   multisampling.samples, largest);
        multisampling.samples = largest;
    }
}

} // namespace

int frameSamples(Viewer& viewer)
{
    Multisampling& multisampling = viewer.multisampling;
    if (multisampling.samples < 2)
        return 0;
    if (!multisampling.limitRead)
        readLimit(multisampling);
    return multisampling.samples < 2 ? 0 : multisampling.samples;
}

const MultisampleTarget* bindMultisampledFrame(Viewer& viewer, int width, int height)
{
    Multisampling& multisampling = viewer.multisampling;
    if (frameSamples(viewer) == 0)
        return nullptr;
    MultisampleTarget& target = multisampling.target;
    if (target.framebuffer && target.width == width && target.height == height) {
        glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
        checkGlError();
        return &target;
    }
    if (width == multisampling.refusedWidth && height == multisampling.refusedHeight)
        return nullptr;
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    deleteMultisampleTarget(target);
    if (createMultisampleTarget(target, width, height, multisampling.samples))
        return &target;
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(bound));
    checkGlError();
    multisampling.refusedWidth = width;
    multisampling.refusedHeight = height;
    if (!multisampling.toldRefused)
        logMessage("Cannot make a multisampled frame of %d x %d with %d samples a pixel: drawn single-sampled",
                   width, height, multisampling.samples);
    multisampling.toldRefused = true;
    return nullptr;
}

void deleteMultisampledFrame(Viewer& viewer)
{
    deleteMultisampleTarget(viewer.multisampling.target);
}
