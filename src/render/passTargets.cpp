#include "render/passTargets.h"

#include "core/diag/log.h"
#include "render/frameTarget.h"
#include "render/glCheck.h"

#include "render/textures.h"

namespace {

// A texture of width x height in `internalFormat`, filtered linearly, clamped at its edges.
GLuint createTexture(GLint internalFormat, GLenum format, GLenum type, int width, int height, GLint filter)
{
    GLuint texture = newClampedTexture(GL_TEXTURE_2D, filter, filter);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void deleteTarget(TextureTarget& target)
{
    for (int i = 0; i < 2; ++i) {
        if (target.framebuffers[i])
            glDeleteFramebuffers(1, &target.framebuffers[i]);
        if (target.colors[i])
            glDeleteTextures(1, &target.colors[i]);
    }
    if (target.depth)
        glDeleteTextures(1, &target.depth);
    target = TextureTarget();
}

// Makes a target of `colors` colour textures (1 or 2), with a depth texture when asked, cleared to
// transparent black and far. False, with nothing left, when the driver refuses it; the errors it
// raised are taken, not reported.
bool createTarget(TextureTarget& target, int colors, GLint depth, TargetFormat format, int width, int height)
{
    target = TextureTarget();
    GLint internal = format == TargetFormat::halfFloat ? GL_RGBA16F_ARB : GL_RGBA8;
    GLenum type = format == TargetFormat::halfFloat ? GL_HALF_FLOAT_ARB : GL_UNSIGNED_BYTE;
    target.depthFormat = GLenum(depth);
    if (depth)
        target.depth = createTexture(depth, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, width, height,
                                     GL_NEAREST);
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    bool complete = true;
    for (int i = 0; i < colors && complete; ++i) {
        target.colors[i] = createTexture(internal, GL_RGBA, type, width, height, GL_LINEAR);
        glGenFramebuffers(1, &target.framebuffers[i]);
        glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffers[i]);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.colors[i], 0);
        if (depth)
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, target.depth, 0);
        complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        if (complete)
            glClear(GL_COLOR_BUFFER_BIT | (depth ? GL_DEPTH_BUFFER_BIT : 0));
    }
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    bool failed = !complete;
    while (glGetError() != GL_NO_ERROR)
        failed = true;
    if (failed)
        deleteTarget(target);
    return !failed;
}

bool fitsTheDriver(int width, int height)
{
    GLint largest = 0, viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    checkGlError();
    return width <= largest && height <= largest && width <= viewport[0] && height <= viewport[1];
}

// 16-bit float where the driver renders into it, else 8-bit, said then.
TargetFormat chooseFormat()
{
    if (haveFloatTextures()) {
        TextureTarget probe;
        if (createTarget(probe, 1, 0, TargetFormat::halfFloat, 4, 4)) {
            deleteTarget(probe);
            return TargetFormat::halfFloat;
        }
    }
    logMessage("The passes' targets are 8-bit: this OpenGL renders into no 16-bit float textures");
    return TargetFormat::byte;
}

void deleteAll(PassTargets& targets)
{
    for (TextureTarget& target : targets.buffers)
        deleteTarget(target);
    for (TextureTarget& target : targets.doubleBuffers)
        deleteTarget(target);
    deleteTarget(targets.scene);
}

bool isMade(const TextureTarget& target)
{
    return target.framebuffers[0] != 0;
}

// Makes the target when it is wanted and missing, deletes it when it is not wanted. A depth
// texture is of 32 bits where the driver has them, as Mesa's windows are, so that both draw the
// same pixels; else of 24.
bool keep(TextureTarget& target, bool wanted, int colors, bool depth, const PassTargets& targets)
{
    if (!wanted) {
        deleteTarget(target);
        return true;
    }
    if (isMade(target))
        return true;
    int w = targets.width, h = targets.height;
    if (!depth)
        return createTarget(target, colors, 0, targets.format, w, h);
    return createTarget(target, colors, GL_DEPTH_COMPONENT32, targets.format, w, h) ||
           createTarget(target, colors, GL_DEPTH_COMPONENT24, targets.format, w, h);
}

} // namespace

bool prepareTargets(PassTargets& targets, const FramePlan& plan, int width, int height)
{
    if (!haveFrameTargets()) {
        if (!targets.toldNoFramebuffers)
            logMessage("The passes other than the model's are not drawn: this OpenGL has no framebuffer objects");
        targets.toldNoFramebuffers = true;
        return false;
    }
    if (width != targets.width || height != targets.height) {
        deleteAll(targets);
        targets.width = width;
        targets.height = height;
    }
    if (width < 1 || height < 1 || (width == targets.refusedWidth && height == targets.refusedHeight))
        return false;
    if (targets.format == TargetFormat::undecided)
        targets.format = chooseFormat();
    uint32_t buffers = 0, doubleBuffers = 0;
    for (const PassSpec& pass : plan.passes) {
        if (pass.kind == PassKind::buffer)
            buffers |= 1u << pass.index;
        if (pass.kind == PassKind::doubleBuffer)
            doubleBuffers |= 1u << pass.index;
    }
    bool made = fitsTheDriver(width, height);
    for (int n = 0; n < mostBuffers && made; ++n)
        made = keep(targets.buffers[n], buffers & (1u << n), 2, false, targets) &&
               keep(targets.doubleBuffers[n], doubleBuffers & (1u << n), 2, false, targets);
    made = made && keep(targets.scene, plan.sceneTarget, 1, true, targets);
    if (!made) {
        deleteAll(targets);
        targets.refusedWidth = width;
        targets.refusedHeight = height;
        logMessage("Cannot make the passes' targets of %d x %d: the frame is drawn without its buffers and "
                   "post-processing",
                   width, height);
    }
    return made;
}

TextureTarget* passTarget(PassTargets& targets, const PassSpec& pass, bool sceneOffscreen)
{
    TextureTarget* target = nullptr;
    switch (pass.kind) {
    case PassKind::buffer: target = &targets.buffers[pass.index]; break;
    case PassKind::doubleBuffer: target = &targets.doubleBuffers[pass.index]; break;
    case PassKind::background:
    case PassKind::skybox:
    case PassKind::main: target = sceneOffscreen ? &targets.scene : nullptr; break;
    case PassKind::postprocessing: break;
    }
    return target && isMade(*target) ? target : nullptr;
}

void bindTargetForDrawing(const TextureTarget& target)
{
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffers[target.colors[1] ? 1 - target.shown : 0]);
    checkGlError();
}

void finishDrawingTarget(TextureTarget& target)
{
    if (target.colors[1])
        target.shown = 1 - target.shown;
}

GLuint targetTexture(const PassTargets& targets, TargetKind kind, uint8_t index)
{
    switch (kind) {
    case TargetKind::buffer: return targets.buffers[index].colors[targets.buffers[index].shown];
    case TargetKind::doubleBuffer: return targets.doubleBuffers[index].colors[targets.doubleBuffers[index].shown];
    case TargetKind::scene: return targets.scene.colors[0];
    case TargetKind::sceneDepth: return targets.scene.depth;
    }
    return 0;
}

bool readSceneDepths(const PassTargets& targets, std::vector<float>& depths)
{
    if (!isMade(targets.scene))
        return false;
    depths.resize(size_t(targets.width) * size_t(targets.height));
    GLint drawn = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &drawn);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.scene.framebuffers[0]);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, targets.width, targets.height, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(drawn));
    checkGlError();
    return true;
}

void deleteTargets(PassTargets& targets)
{
    deleteAll(targets);
    targets = PassTargets();
}
