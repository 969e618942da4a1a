#include "core/diag/log.h"
#include "render/glCheck.h"
#include "support/captureStdout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Stands in for the driver: a queue of pending error codes, like a driver that keeps one flag
// per error kind. glGetError below takes the place of the library's for this test binary.
unsigned pendingErrors[8];
int pendingCount;

void pushPendingError(unsigned code)
{
    pendingErrors[pendingCount++] = code;
}

} // namespace

extern "C" unsigned glGetError(void)
{
    if (pendingCount == 0)
        return 0;
    unsigned code = pendingErrors[0];
    memmove(pendingErrors, pendingErrors + 1, sizeof(pendingErrors[0]) * (--pendingCount));
    return code;
}

TEST(LogMessage, NullFormatPrintsNothing)
{
    EXPECT_EQ(captureStdout([] { logMessage(nullptr); }), "");
}

TEST(LogMessage, AppendsOneNewline)
{
    EXPECT_EQ(captureStdout([] { logMessage("Cannot open file [%s]", "torus.obj"); }),
              "Cannot open file [torus.obj]\n");
}

TEST(LogMessage, InfoLogFormatEndsWithBlankLine)
{
    EXPECT_EQ(captureStdout([] { logMessage("Compilation error log: \n%s\n", "0:1(1): error"); }),
              "Compilation error log: \n0:1(1): error\n\n");
}

TEST(LogMessage, CutsLongMessageAt8191Characters)
{
    std::string longText(20000, 'x');
    longText[8190] = 'y';
    std::string printed = captureStdout([&] { logMessage("%s", longText.c_str()); });
    ASSERT_EQ(printed.size(), 8192u);  // 8191 characters and the newline
    EXPECT_EQ(printed[8190], 'y');
    EXPECT_EQ(printed.back(), '\n');
    // the buffer is reused: a short message afterwards is whole and alone
    EXPECT_EQ(captureStdout([] { logMessage("short"); }), "short\n");
}

TEST(GlErrorName, NamesEveryRowOfTheTable)
{
    EXPECT_STREQ(glErrorName(0x0500), "GL_INVALID_ENUM");
    EXPECT_STREQ(glErrorName(0x0501), "GL_INVALID_VALUE");
    EXPECT_STREQ(glErrorName(0x0502), "GL_INVALID_OPERATION");
    EXPECT_STREQ(glErrorName(0x0503), "GL_STACK_OVERFLOW");
    EXPECT_STREQ(glErrorName(0x0504), "GL_STACK_UNDERFLOW");
    EXPECT_STREQ(glErrorName(0x0505), "GL_OUT_OF_MEMORY");
    EXPECT_STREQ(glErrorName(0x0506), "GL_INVALID_FRAMEBUFFER_OPERATION_OES");
    EXPECT_EQ(glErrorName(0), nullptr);
    EXPECT_EQ(glErrorName(0x0507), nullptr);
}

TEST(LogGlError, UnknownCodesInUpperCaseHex)
{
    EXPECT_EQ(captureStdout([] { logGlError(0x8031); }), "GL_UNKNOWN (8031)\n");
    EXPECT_EQ(captureStdout([] { logGlError(0x0507); }), "GL_UNKNOWN (507)\n");
    EXPECT_EQ(captureStdout([] { logGlError(0xABCDEF); }), "GL_UNKNOWN (ABCDEF)\n");
    EXPECT_EQ(captureStdout([] { logGlError(0); }), "");
}

TEST(CheckGlError, ReportsOnePendingErrorPerCall)
{
    pendingCount = 0;
    pushPendingError(0x0500);
    pushPendingError(0x0501);
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_INVALID_ENUM\n");
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_INVALID_VALUE\n");
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "");
    pushPendingError(0x8031);
    EXPECT_EQ(captureStdout([] { checkGlError(); }), "GL_UNKNOWN (8031)\n");
}
