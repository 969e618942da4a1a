#pragma once
// The general importer as a module of its own (spinview-importer.so, from importerAssimp.cpp),
// which the core loads the first time a file needs it (importerLoaded.cpp): the programs that read
// only OBJ, glTF, PLY or STL files never load libassimp, nor run its start-up.
//
// The module exports one C function, importerModuleEntry, which fills an ImporterModule: its build
// (a version and the sizes of what crosses between the two) and its functions. A module of another
// build is refused.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Raised when ImporterModule or what its functions take changes in a way its sizes do not show.
constexpr uint32_t importerModuleVersion = 1;

struct ImporterModule {
    // first, and so forever: a module of any build writes these two where a loader of any build
    // looks for them
    uint32_t version;       // importerModuleVersion of the module's build
    uint32_t size;          // sizeof(ImporterModule) in the module's build
    uint32_t meshSize;      // sizeof(Mesh)
    uint32_t problemsSize;  // sizeof(ProblemList)
    // readImportedFile's work, for a path that names a regular file (the caller looked)
    FileStatus (*readFile)(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel);
    const char* (*name)();        // "Assimp 5.2.4"
    const char* (*extensions)();  // those the library reads, lower case, each with its dot and a space after
};

// The module's entry: fills at most `size` bytes of `module` (the loader's sizeof(ImporterModule)),
// version and size first, so that a loader of another build reads those two and refuses the rest.
extern "C" typedef void ImporterModuleEntry(ImporterModule* module, uint32_t size);
constexpr const char* importerModuleEntryName = "importerModuleEntry";
constexpr const char* importerModuleFile = "spinview-importer.so";

// The extensions importerTakesExtension answers true for, in every build: lower case, each with its
// dot and a space after.
const char* importerExtensionList();

// True when `found` was filled by a module of this build: the same version and sizes.
bool sameImporterBuild(const ImporterModule& found);

// Loads the module at `path` into `module`; false, with the reason in `error`, when it cannot be
// loaded (the system's reason), has no entry, or is of another build.
bool loadImporterModule(const char* path, ImporterModule& module, std::string& error);

// Where the module is looked for, in order: beside the program, in ../lib/spinview from the
// program's folder (where it is installed), in the build that made the program.
std::vector<std::string> importerModulePlaces();

// The module at the first of importerModulePlaces() that exists, loaded on the first call, by one
// thread while any others wait; later calls give the same. nullptr when it is in none of them or
// cannot be loaded, the reason then in `error`.
const ImporterModule* importerModule(std::string& error);

// readImportedFile's work, for a path that names a regular file, through `module`; or, when it is
// nullptr, the file told unread with `error`, the reason the module is not there (`out` emptied).
FileStatus readThroughModule(const ImporterModule* module, const std::string& error, const char* path, Mesh& out,
                             ProblemList& problems, const std::atomic<bool>* cancel);
