// The general importer through its module (importerModule.h), loaded the first time a file of its
// formats is read or its name is asked for.
#include "core/mesh/importer.h"
#include "core/mesh/importerModule.h"

#include "core/platform/platform.h"

namespace {

// The module as the one look for it found it.
struct LoadedImporter {
    ImporterModule module;
    bool loaded;
    std::string error;  // why it is not loaded
};

// The module at the first of its places where there is a file, loaded; or why there is none.
LoadedImporter findImporter()
{
    LoadedImporter found = {};
    std::vector<std::string> places = importerModulePlaces();
    for (const std::string& place : places)
        if (fileStamp(place.c_str()).exists) {
            found.loaded = loadImporterModule(place.c_str(), found.module, found.error);
            return found;
        }
    found.error = std::string(importerModuleFile) + " is in none of";
    for (size_t i = 0; i < places.size(); ++i)
        found.error += (i ? ", " : " ") + places[i].substr(0, places[i].rfind('/') + 1);
    return found;
}

// "version 1, sizes 64 208 96": what tells builds apart.
std::string buildOf(const ImporterModule& module)
{
    return "version " + std::to_string(module.version) + ", sizes " + std::to_string(module.size) + " " +
           std::to_string(module.meshSize) + " " + std::to_string(module.problemsSize);
}

} // namespace

bool sameImporterBuild(const ImporterModule& found)
{
    return found.version == importerModuleVersion && found.size == sizeof(ImporterModule) &&
           found.meshSize == sizeof(Mesh) && found.problemsSize == sizeof(ProblemList);
}

bool loadImporterModule(const char* path, ImporterModule& module, std::string& error)
{
    char reason[512];
    void* entry = loadLibrarySymbol(path, importerModuleEntryName, reason, sizeof(reason));
    if (!entry) {
        error = reason;
        return false;
    }
    ImporterModule here = {importerModuleVersion, sizeof(ImporterModule), sizeof(Mesh), sizeof(ProblemList),
                           nullptr, nullptr, nullptr};
    module = ImporterModule();
    reinterpret_cast<ImporterModuleEntry*>(entry)(&module, uint32_t(sizeof(module)));
    if (!sameImporterBuild(module) || !module.readFile || !module.name || !module.extensions) {
        error = std::string(path) + " is of another build: " + buildOf(module) + ", here " + buildOf(here);
        module = ImporterModule();
        return false;
    }
    return true;
}

std::vector<std::string> importerModulePlaces()
{
    std::vector<std::string> places;
    char folder[4096];
    if (programFolder(folder, sizeof(folder))) {
        places.push_back(std::string(folder) + "/" + importerModuleFile);
        places.push_back(std::string(folder) + "/../lib/spinview/" + importerModuleFile);
    }
#ifdef SPINVIEW_IMPORTER_BUILT
    places.push_back(SPINVIEW_IMPORTER_BUILT);
#endif
    return places;
}

const ImporterModule* importerModule(std::string& error)
{
    static const LoadedImporter importer = findImporter();  // once, whichever thread comes first
    error = importer.error;
    return importer.loaded ? &importer.module : nullptr;
}

FileStatus readThroughModule(const ImporterModule* module, const std::string& error, const char* path, Mesh& out,
                             ProblemList& problems, const std::atomic<bool>* cancel)
{
    if (module)
        return module->readFile(path, out, problems, cancel);
    out = Mesh();
    noticeProblem(problems, ProblemKind::importerUnloadable, error, std::string(), 0);
    return FileStatus::ok;
}

FileStatus readImportedFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel)
{
    out = Mesh();
    uint64_t size;
    FILE* file = openRegularFile(path, size);  // refuses a FIFO, which the importer would wait on
    if (!file)
        return FileStatus::cannotOpen;
    fclose(file);
    std::string error;
    const ImporterModule* module = importerModule(error);
    return readThroughModule(module, error, path, out, problems, cancel);
}

std::string importerName()
{
    std::string error;
    const ImporterModule* module = importerModule(error);
    return module ? module->name() : std::string();
}
