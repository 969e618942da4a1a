#include "core/files/fileWatch.h"

void watchFile(WatchedFile& file, const char* path)
{
    file.path = path;
    file.loaded = fileStamp(path);
    file.changing = file.loaded;
}

bool fileSettledAfterChange(WatchedFile& file, const FileStamp& now)
{
    bool settled = sameStamp(now, file.changing);
    file.changing = now;
    if (sameStamp(now, file.loaded) || !settled)
        return false;
    file.loaded = now;
    return true;
}
