#include "core/files/readingThreads.h"

#include <system_error>

namespace {

thread_local const char* fileOfThisThread = nullptr;

} // namespace

const char* setFileBeingRead(const char* path)
{
    const char* before = fileOfThisThread;
    fileOfThisThread = path;
    return before;
}

const char* fileBeingRead()
{
    return fileOfThisThread;
}

bool startReadingThread(std::thread& thread, void (*work)(void*), void* context)
{
    const char* path = fileOfThisThread;
    try {
        thread = std::thread([=] {
            fileOfThisThread = path;
            work(context);
        });
    } catch (const std::system_error&) {
        return false;  // no thread to be had (too many, or no memory for its stack)
    }
    return true;
}
