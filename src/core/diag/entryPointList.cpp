#include "core/diag/entryPointList.h"

#include <initializer_list>

size_t listMissingEntryPoints(const EntryPoint* points, size_t count, char* out, size_t outSize)
{
    size_t missing = 0, used = 0;
    if (outSize > 0)
        out[0] = '\0';
    for (size_t i = 0; i < count; ++i) {
        if (points[i].address)
            continue;
        const char* separator = missing++ ? ", " : "";
        for (const char* part : {separator, points[i].name})
            for (const char* c = part; *c && used + 1 < outSize; ++c)
                out[used++] = *c;
        if (outSize > 0)
            out[used] = '\0';
    }
    return missing;
}
