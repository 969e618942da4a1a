// Modules the importer's loader refuses: one of another build, one without the entry
// (SPINVIEW_TEST_WITHOUT_ENTRY), one calling a function no library has (SPINVIEW_TEST_MISSING_FUNCTION).
#include "core/mesh/importerModule.h"

#include <cstring>

#if defined(SPINVIEW_TEST_WITHOUT_ENTRY)
extern "C" __attribute__((visibility("default"))) void otherEntry(ImporterModule*, uint32_t)
{
}
#else
namespace {

FileStatus readNothing(const char*, Mesh&, ProblemList&, const std::atomic<bool>*)
{
    return FileStatus::ok;
}

const char* noName()
{
    return "";
}

} // namespace

#if defined(SPINVIEW_TEST_MISSING_FUNCTION)
extern "C" void functionNoLibraryHas();
#endif

// every function there, the version the next one's
extern "C" __attribute__((visibility("default"))) void importerModuleEntry(ImporterModule* module, uint32_t size)
{
#if defined(SPINVIEW_TEST_MISSING_FUNCTION)
    functionNoLibraryHas();
#endif
    ImporterModule filled = {importerModuleVersion + 1, sizeof(ImporterModule), sizeof(Mesh), sizeof(ProblemList),
                             readNothing, noName, noName};
    memcpy(module, &filled, size < sizeof(filled) ? size : sizeof(filled));
}
#endif
