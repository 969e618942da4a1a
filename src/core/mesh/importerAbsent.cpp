// The general importer's stand-in, for a build without libassimp (the Windows one): the files it
// would read (importerExtensions.cpp) are named, and told unread.
#include "core/mesh/importer.h"

#include "core/platform/platform.h"

#include <cstring>

FileStatus readImportedFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>*)
{
    out = Mesh();
    uint64_t size;
    FILE* file = openRegularFile(path, size);
    if (!file)
        return FileStatus::cannotOpen;
    fclose(file);
    const char* dot = strrchr(path, '.');
    noticeProblem(problems, ProblemKind::importerAbsent, dot ? dot : "such", std::string(), 0);
    return FileStatus::ok;
}

std::string importerName()
{
    return std::string();
}
