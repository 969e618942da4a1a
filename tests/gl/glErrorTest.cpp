#include "render/glCheck.h"
#include "support/captureStdout.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

TEST(CheckGlError, ReportsRealDriverErrorOnce)
{
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glEnable(0x1234);  // not a capability
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_INVALID_ENUM\n");
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "");
}

TEST(CheckGlError, ReportsErrorsOfSeparateCallsInOrder)
{
    glViewport(0, 0, -1, -1);
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_INVALID_VALUE\n");
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();  // the stack holds only the current matrix
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_STACK_UNDERFLOW\n");
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "");
}
