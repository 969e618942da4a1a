// The extensions the general importer takes, in every build: a list of its own, so that asking
// about a file never loads the importer (importerModule.h). The module's own list is compared with
// it by a test.
#include "core/mesh/importer.h"
#include "core/mesh/importerModule.h"

#include <cstring>

namespace {

// Assimp 5.2's, less those read here and ".mesh.xml", which the last dot makes ".xml".
const char* const importedExtensions =
    ".3d .3ds .3mf .ac .ac3d .acc .amf .ase .ask .assbin .b3d .blend .bsp .bvh .cob .csm .dae .dxf .enff .fbx .hmp "
    ".ifc .ifczip .iqm .irr .irrmesh .lwo .lws .lxo .md2 .md3 .md5anim .md5camera .md5mesh .mdc .mdl .mesh .mot "
    ".ms3d .ndo .nff .off .ogex .pk3 .pmx .prj .q3o .q3s .raw .scn .sib .smd .step .stp .ter .uc .vta .x .x3d .x3db "
    ".xgl .xml .zae .zgl ";

} // namespace

const char* importerExtensionList()
{
    return importedExtensions;
}

bool importerTakesExtension(const char* extension)
{
    if (extension[0] != '.' || strchr(extension, ' '))
        return false;
    std::string word = std::string(extension) + " ";
    return strstr(importedExtensions, word.c_str()) != nullptr;
}
