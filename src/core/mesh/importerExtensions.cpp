// The general importer's stand-in, for a build without libassimp (the Windows one): the files it
// would read are named, and told unread.
#include "core/mesh/importer.h"

#include "core/platform/platform.h"

#include <cstring>

namespace {

// The extensions the general importer reads elsewhere (Assimp 5.2's, less those read here).
const char* const importedExtensions =
    ".3d .3ds .3mf .ac .ac3d .acc .amf .ase .ask .assbin .b3d .blend .bsp .bvh .cob .csm .dae .dxf .enff .fbx .hmp "
    ".ifc .ifczip .iqm .irr .irrmesh .lwo .lws .lxo .md2 .md3 .md5anim .md5camera .md5mesh .mdc .mdl .mesh .mot "
    ".ms3d .ndo .nff .off .ogex .pk3 .pmx .prj .q3o .q3s .raw .scn .sib .smd .step .stp .ter .uc .vta .x .x3d .x3db "
    ".xgl .xml .zae .zgl ";

} // namespace

bool importerTakesExtension(const char* extension)
{
    std::string word = std::string(extension) + " ";
    return strstr(importedExtensions, word.c_str()) != nullptr;
}

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
