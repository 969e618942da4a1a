#include "render/passTargets.h"
#include "support/captureStdout.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

namespace {

FramePlan planOf(const char* text)
{
    ShaderDeclarations declarations;
    scanShaderDeclarations(text, strlen(text), declarations);
    FramePlan plan;
    planFrame(declarations, PlanOptions(), plan);
    return plan;
}

} // namespace

TEST(PassTargets, EmptyHugeAndRefusedSizesLeaveThemMissingAndSayItOnce)
{
    FramePlan plan = planOf("uniform sampler2D u_buffer1;\n#ifdef POSTPROCESSING\n#endif\n");
    PassTargets targets;
    std::string printed = captureStdout([&] {
        // a window of no size: nothing to make, nothing said
        EXPECT_FALSE(prepareTargets(targets, plan, 0, 0));
        EXPECT_TRUE(prepareTargets(targets, plan, 64, 32));
    });
    EXPECT_EQ(printed, "");  // 16-bit float targets here
    EXPECT_EQ(targets.format, TargetFormat::halfFloat);
    EXPECT_NE(targetTexture(targets, TargetKind::buffer, 1), 0u);
    EXPECT_NE(targetTexture(targets, TargetKind::sceneDepth, 0), 0u);
    EXPECT_EQ(targetTexture(targets, TargetKind::buffer, 0), 0u);  // not declared
    // a pair swaps once drawn
    GLuint before = targetTexture(targets, TargetKind::buffer, 1);
    finishDrawingTarget(targets.buffers[1]);
    EXPECT_NE(targetTexture(targets, TargetKind::buffer, 1), before);

    // larger than any texture: refused, told once, not tried again at that size
    printed = captureStdout([&] {
        EXPECT_FALSE(prepareTargets(targets, plan, 1 << 20, 16));
        EXPECT_FALSE(prepareTargets(targets, plan, 1 << 20, 16));
    });
    EXPECT_EQ(printed, "Cannot make the passes' targets of 1048576 x 16: the frame is drawn without its buffers and "
                       "post-processing\n");
    EXPECT_EQ(targetTexture(targets, TargetKind::buffer, 1), 0u);
    // the largest texture, too large for this driver's memory of one texture: refused the same way
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    printed = captureStdout([&] { prepareTargets(targets, plan, largest, largest); });
    EXPECT_TRUE(printed.empty() || printed.find("Cannot make the passes' targets") == 0) << printed;
    // a plan without the buffer deletes its target
    EXPECT_TRUE(prepareTargets(targets, plan, 64, 32));
    EXPECT_TRUE(prepareTargets(targets, planOf("void main() {}"), 64, 32));
    EXPECT_EQ(targetTexture(targets, TargetKind::buffer, 1), 0u);
    deleteTargets(targets);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
