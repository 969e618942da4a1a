#include "app/scene.h"
#include "support/captureStdout.h"
#include "support/tempFile.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

// Starts the viewer with the file as its model and loads it; returns what was printed.
std::string loadModel(Viewer& viewer, const std::string& path)
{
    ViewerOptions options;
    options.model = path.c_str();
    startViewer(viewer, options);
    return captureStdout([&] { loadObjMesh(viewer); });
}

} // namespace

TEST(LoadObjMesh, UploadsWeldedListsIntoTwoBuffers)
{
    std::string path = writeObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvn 0 0 1\n"
                                "f 1/1/1 2/1/1 3/1/1\nf 3/1/1 2/1/1 4/1/1\n");
    Viewer viewer;
    std::string printed = loadModel(viewer, path);
    const MeshStore& meshStore = viewer.meshStore;
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
    Viewer viewer;
    std::string printed = loadModel(viewer, path);
    const MeshStore& meshStore = viewer.meshStore;
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
    Viewer viewer;
    std::string printed = loadModel(viewer, path);
    const MeshStore& meshStore = viewer.meshStore;
    removeFile(path);
    EXPECT_EQ(printed, "Skipped 1 face with invalid indices in [" + path + "], first at line 5\n");
    EXPECT_EQ(meshStore.meshIndices.size(), 3u);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define SPINVIEW_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define SPINVIEW_SANITIZED 1
#endif
#endif

TEST(ReadModel, RunningOutOfMemoryIsReportedAndEnds)
{
#if defined(SPINVIEW_SANITIZED)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#elif defined(_WIN32)
    GTEST_SKIP() << "the address space is limited here with setrlimit, which Windows has not";
#else
    // 32 MB of positions: the text fits under the limit, the 48 MB of records do not
    char path[] = "/tmp/spinview-huge-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::string line = "v 1 2 3\n";
    std::string chunk;
    for (int i = 0; i < 1 << 16; ++i)
        chunk += line;
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(write(fd, chunk.data(), chunk.size()), ssize_t(chunk.size()));
    close(fd);

    int output[2];
    ASSERT_EQ(pipe(output), 0);
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        dup2(output[1], 1);
        long pages = 0;
        FILE* statm = fopen("/proc/self/statm", "r");
        if (!statm || fscanf(statm, "%ld", &pages) != 1)
            _exit(3);
        fclose(statm);
        rlimit limit;
        limit.rlim_cur = limit.rlim_max = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (40u << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(4);
        Mesh mesh;
        ProblemList problems;
        readModel(path, mesh, problems);
        _exit(0);  // not reached: the reader runs out of memory first
    }
    close(output[1]);
    std::string printed;
    char buffer[256];
    for (ssize_t n; (n = read(output[0], buffer, sizeof(buffer))) > 0;)
        printed.append(buffer, size_t(n));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    unlink(path);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(printed, std::string("Not enough memory to read [") + path + "]\n");
#endif
}
