#pragma once
// Runs a function with file descriptor 1 redirected to a temporary file and returns what it
// printed on standard output.

#include <cstdio>
#include <string>
#include <unistd.h>

template <typename Fn>
std::string captureStdout(Fn&& fn)
{
    fflush(stdout);
    FILE* sink = tmpfile();
    if (!sink)
        return "<tmpfile failed>";
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
    return text;
}
