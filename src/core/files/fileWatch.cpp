#include "core/files/fileWatch.h"

void watchFile(WatchedFile& file, const char* path)
{
    file.path = path;
    file.loaded = fileStamp(path);
    file.changing = file.loaded;
    file.changingSinceMs = 0;
    file.looksUnchanged = 0;
}

bool fileSettledAfterChange(WatchedFile& file, const FileStamp& now, uint32_t nowMs)
{
    if (!sameStamp(now, file.changing)) {
        file.changing = now;
        file.changingSinceMs = nowMs;
        file.looksUnchanged = 0;
        return false;
    }
    ++file.looksUnchanged;
    if (sameStamp(now, file.loaded) || file.looksUnchanged < settleLooks || nowMs - file.changingSinceMs < settleMs)
        return false;
    file.loaded = now;
    return true;
}
