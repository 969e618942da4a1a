#include "render/program.h"
#include "support/captureStdout.h"
#include "support/overcommit.h"
#include "support/tempFile.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct TempFile {
    std::string path;
    explicit TempFile(const std::string& bytes) : path(writeTempFile(bytes, "spinview-shader")) {}
    ~TempFile() { removeFile(path); }
};

FileStatus status;  // of the last loadShader

const char* validFragment = "#version 110\nvoid main() { gl_FragColor = vec4(1.0, 0.5, 0.0, 1.0); }\n";

} // namespace

TEST(LoadShader, CompilesValidSourceSilently)
{
    TempFile file(validFragment);
    GLhandleARB shader = 0;
    EXPECT_EQ(captureStdout([&] { shader = loadShader(file.path.c_str(), GL_FRAGMENT_SHADER_ARB, status); }), "");
    EXPECT_NE(shader, 0u);
    EXPECT_EQ(status, FileStatus::ok);
    GLint type = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_SUBTYPE_ARB, &type);
    EXPECT_EQ(type, GL_FRAGMENT_SHADER_ARB);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(LoadShader, SyntaxErrorPrintsHeadlineAndDriverLog)
{
    TempFile file("#version 110\nvoid main() { gl_FragColor = vec4(1.0) }\n");
    GLhandleARB shader = 1;
    std::string printed = captureStdout([&] { shader = loadShader(file.path.c_str(), GL_FRAGMENT_SHADER_ARB, status); });
    EXPECT_EQ(shader, 0u);
    const std::string head = "There was error during compilation !\nCompilation error log: \n";
    ASSERT_EQ(printed.compare(0, head.size(), head), 0) << printed;
    std::string log = printed.substr(head.size());
    // after the driver's log, its line for an editor: the file, line 2, the column
    size_t editorLine = log.rfind(file.path + ":2:");
    ASSERT_NE(editorLine, std::string::npos) << log;
    EXPECT_NE(log.find(": error: ", editorLine), std::string::npos) << log;
    log.erase(editorLine);
    EXPECT_NE(log.find("error"), std::string::npos) << log;
    // the log, the format's newline, then the log's own: a blank line at least
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.substr(log.size() - 2), "\n\n");
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(LoadShader, WarningOnlySourceReturnsHandleAndPrintsNothing)
{
    const std::string source = "#version 110\n#extension GL_ARB_no_such_extension : warn\n" + std::string(validFragment + 13);
    // the driver does warn about this source
    GLhandleARB probe = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    const char* text = source.c_str();
    glShaderSourceARB(probe, 1, &text, nullptr);
    glCompileShader(probe);
    GLint logLength = 0;
    glGetObjectParameterivARB(probe, GL_OBJECT_INFO_LOG_LENGTH_ARB, &logLength);
    EXPECT_GT(logLength, 1);
    glDeleteObjectARB(probe);

    TempFile file(source);
    GLhandleARB shader = 0;
    EXPECT_EQ(captureStdout([&] { shader = loadShader(file.path.c_str(), GL_FRAGMENT_SHADER_ARB, status); }), "");
    EXPECT_NE(shader, 0u);
}

TEST(LoadShader, ZeroByteEndsTheSource)
{
    std::string source = validFragment;
    source += '\0';
    source += "this is not GLSL {{{";
    TempFile file(source);
    GLhandleARB shader = 0;
    EXPECT_EQ(captureStdout([&] { shader = loadShader(file.path.c_str(), GL_FRAGMENT_SHADER_ARB, status); }), "");
    EXPECT_NE(shader, 0u);
}

TEST(LoadShader, CarriageReturnsPassUntouched)
{
    const std::string source = "#version 110\r\nvoid main()\r\n{\r\n  gl_Position = gl_Vertex;\r\n}\r\n";
    TempFile file(source);
    GLhandleARB shader = 0;
    EXPECT_EQ(captureStdout([&] { shader = loadShader(file.path.c_str(), GL_VERTEX_SHADER_ARB, status); }), "");
    ASSERT_NE(shader, 0u);
    GLint length = 0;
    glGetObjectParameterivARB(shader, GL_OBJECT_SHADER_SOURCE_LENGTH_ARB, &length);
    EXPECT_EQ(size_t(length), source.size() + 1);  // every byte of the file and the terminator
}

TEST(LoadShader, SourceTooLargeForMemoryGivesNullHandle)
{
    if (overcommitIsUnlimited())
        GTEST_SKIP() << "memory is overcommitted without limit here";
    TempFile file("");
    ASSERT_TRUE(resizeFile(file.path, uint64_t(1) << 39));  // sparse: 512 GiB of nothing
    GLhandleARB shader = 1;
    std::string printed = captureStdout([&] { shader = loadShader(file.path.c_str(), GL_VERTEX_SHADER_ARB, status); });
    EXPECT_EQ(shader, 0u);
    EXPECT_EQ(status, FileStatus::outOfMemory);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
