// Modules the importer's loader refuses: one of another build, and one without the entry
// (SPINVIEW_TEST_WITHOUT_ENTRY).
#include "core/mesh/importerModule.h"

#include <cstring>

#ifdef SPINVIEW_TEST_WITHOUT_ENTRY
extern "C" __attribute__((visibility("default"))) void otherEntry(ImporterModule*, uint32_t)
{
}
#else
extern "C" __attribute__((visibility("default"))) void importerModuleEntry(ImporterModule* module, uint32_t size)
{
    ImporterModule filled = {importerModuleVersion + 1, sizeof(ImporterModule), sizeof(Mesh), sizeof(ProblemList),
                             nullptr, nullptr, nullptr};
    memcpy(module, &filled, size < sizeof(filled) ? size : sizeof(filled));
}
#endif
