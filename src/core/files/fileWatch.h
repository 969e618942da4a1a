#pragma once
// Noticing that a data file has changed and settled.

#include "core/platform/platform.h"

struct WatchedFile {
    const char* path;
    FileStamp loaded;    // the version read last, or tried
    FileStamp changing;  // the version seen at the last look
};

// Starts watching the file as it is now, after it was loaded.
void watchFile(WatchedFile& file, const char* path);

// Takes the file's stamp at this look. True when it differs from the version loaded and has not
// changed since the last look, so that a file still being written is left until it settles: time
// to read it again. It then counts as loaded, whether or not reading it works, so that a file
// that cannot be read is tried again only after its next change.
bool fileSettledAfterChange(WatchedFile& file, const FileStamp& now);
