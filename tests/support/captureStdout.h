#pragma once
// Runs a function with file descriptor 1 redirected to a temporary file and returns what it
// printed on standard output.

#include "support/tempFile.h"

#include <cstdio>
#include <string>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

template <typename Fn>
std::string captureStdout(Fn&& fn)
{
    fflush(stdout);
    std::string path = freshTempPath("spinview-stdout");
    FILE* sink = fopen(path.c_str(), "w+b");
    if (!sink)
        return "<no temporary file>";
    int saved = dup(1);
    dup2(fileno(sink), 1);
    fn();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);

    std::string text;
    rewind(sink);
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), sink)) > 0)
        text.append(chunk, n);
    fclose(sink);
    removeFile(path);
    return text;
}
