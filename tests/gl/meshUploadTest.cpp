#include "assets/meshStore.h"
#include "support/captureStdout.h"
#include "support/tempFile.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string writeObj(const std::string& text)
{
    return writeTempFile(text, "spinview-mesh");
}

std::string bufferContents(GLenum target, GLuint buffer)
{
    glBindBuffer(target, buffer);
    GLint size = -1;
    glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
    std::string bytes(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        glGetBufferSubData(target, 0, size, &bytes[0]);
    glBindBuffer(target, 0);
    return bytes;
}

} // namespace

TEST(LoadObjMesh, UploadsWeldedListsIntoTwoBuffers)
{
    std::string path = writeObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvn 0 0 1\n"
                                "f 1/1/1 2/1/1 3/1/1\nf 3/1/1 2/1/1 4/1/1\n");
    std::string printed = captureStdout([&] { loadObjMesh(path.c_str()); });
    removeFile(path);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(meshStore.meshVertices.size(), 4u);
    ASSERT_EQ(meshStore.meshIndices.size(), 6u);
    EXPECT_NE(meshStore.vertexBuffer, 0u);
    EXPECT_NE(meshStore.indexBuffer, 0u);
    EXPECT_NE(meshStore.vertexBuffer, meshStore.indexBuffer);

    std::string indices = bufferContents(GL_ELEMENT_ARRAY_BUFFER, meshStore.indexBuffer);
    ASSERT_EQ(indices.size(), 12u);
    EXPECT_EQ(memcmp(indices.data(), meshStore.meshIndices.data(), 12), 0);
    std::string vertices = bufferContents(GL_ARRAY_BUFFER, meshStore.vertexBuffer);
    ASSERT_EQ(vertices.size(), 4u * 32u);
    EXPECT_EQ(memcmp(vertices.data(), meshStore.meshVertices.data(), 128), 0);

    // both bindings are released
    GLint bound = -1;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(LoadObjMesh, FacelessFileGivesEmptyBuffersAndNoError)
{
    std::string path = writeObj("v 1 2 3\n");
    std::string printed = captureStdout([&] { loadObjMesh(path.c_str()); });
    removeFile(path);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(meshStore.meshVertices.empty());
    EXPECT_TRUE(meshStore.meshIndices.empty());
    EXPECT_EQ(bufferContents(GL_ARRAY_BUFFER, meshStore.vertexBuffer).size(), 0u);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(LoadObjMesh, ReportsProblemsNamingTheFile)
{
    std::string path = writeObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 0\n");
    std::string printed = captureStdout([&] { loadObjMesh(path.c_str()); });
    removeFile(path);
    EXPECT_EQ(printed, "Skipped 1 face with invalid indices in [" + path + "], first at line 5\n");
    EXPECT_EQ(meshStore.meshIndices.size(), 3u);
}
