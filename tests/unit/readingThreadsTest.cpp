#include "core/files/readingThreads.h"
#include "core/mesh/growArray.h"
#include "core/mesh/modelFile.h"
#include "support/tempFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
int reportTo = -1;  // the pipe the child's new handler writes to

// What the viewer's new handler does, in short: names the file the thread that ran out reads.
void tellFileAndEnd()
{
    const char* path = fileBeingRead();
    std::string told = path ? path : "(none)";
    ssize_t written = write(reportTo, told.data(), told.size());
    (void)written;
    _exit(1);
}

// More than any address space holds: the reader's growing array calls the new handler.
void allocateTooMuch(void*)
{
    GrowArray<char> huge;
    huge.reserve(size_t(1) << 62);
}

void startPlainThread(std::thread& thread)
{
    thread = std::thread(allocateTooMuch, nullptr);
}

void startThreadOfTheReading(std::thread& thread)
{
    ASSERT_TRUE(startReadingThread(thread, allocateTooMuch, nullptr));
}

// Runs, in a child process reading [model.obj], a thread started by `start` that runs out of
// memory; returns what the new handler told.
std::string toldWhenAThreadRunsOut(void (*start)(std::thread&))
{
    int output[2];
    if (pipe(output) != 0)
        return "<no pipe>";
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        reportTo = output[1];
        std::set_new_handler(tellFileAndEnd);
        setFileBeingRead("model.obj");
        std::thread thread;
        start(thread);
        thread.join();
        _exit(0);  // not reached: the thread runs out of memory first
    }
    close(output[1]);
    std::string told;
    char buffer[256];
    for (ssize_t n; (n = read(output[0], buffer, sizeof(buffer))) > 0;)
        told.append(buffer, size_t(n));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1 ? told : "<ended otherwise>";
}
#endif

} // namespace

TEST(ReadingThreads, RunningOutOfMemoryOnAThreadOfTheReadingNamesItsFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "a child process is forked here";
#else
    EXPECT_EQ(toldWhenAThreadRunsOut(startThreadOfTheReading), "model.obj");
    // a thread started otherwise knows of no file: how the reading's second thread was started
    EXPECT_EQ(toldWhenAThreadRunsOut(startPlainThread), "(none)");
#endif
}

TEST(ReadingThreads, TheFileIsNamedWhileTheModelIsReadOnly)
{
    std::string path = writeTempFile("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fileBeingRead(), nullptr);
    Mesh mesh;
    ProblemList problems;
    EXPECT_EQ(readModelFile(path.c_str(), mesh, problems), FileStatus::ok);
    EXPECT_EQ(fileBeingRead(), nullptr);
    // a reading inside another's keeps the outer name afterwards
    setFileBeingRead("outer.obj");
    EXPECT_EQ(readModelFile(path.c_str(), mesh, problems), FileStatus::ok);
    EXPECT_STREQ(setFileBeingRead(nullptr), "outer.obj");
    removeFile(path);
}
