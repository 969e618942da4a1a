#pragma once
// Noticing that a data file has changed and settled.

#include "core/platform/platform.h"

#include <cstdint>

// A changed file is read once it has stayed the same for this long and this many looks after the
// one that first saw it, so that a writer that pauses now and then is not caught halfway.
constexpr uint32_t settleMs = 300;
constexpr int settleLooks = 2;

struct WatchedFile {
    const char* path;
    FileStamp loaded;           // the version read last, or tried
    FileStamp changing;         // the version seen at the last look
    uint32_t changingSinceMs;   // when that version was first seen
    int looksUnchanged;         // looks since then that saw it again
};

// Starts watching the file as it is now, after it was loaded.
void watchFile(WatchedFile& file, const char* path);

// Takes the file's stamp at this look, made at `nowMs` on the tick count. True when the stamp
// differs from the version loaded and has stayed the same for at least settleMs and settleLooks
// looks, so that a file still being written is left until it settles: time to read it again. It
// then counts as loaded, whether or not reading it works, so that a file that cannot be read is
// tried again only after its next change.
bool fileSettledAfterChange(WatchedFile& file, const FileStamp& now, uint32_t nowMs);
