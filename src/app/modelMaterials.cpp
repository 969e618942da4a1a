#include "app/modelMaterials.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"

#include <string>
#include <unordered_map>

namespace {

// Drops the materials of a model whose material names no library defines, with the ranges that
// name them.
void dropUndefinedMaterials(ObjMesh& mesh)
{
    if (mesh.materialReport.undefinedMaterials.size() + 1 < mesh.materials.size())
        return;
    mesh.materials.clear();
    mesh.ranges.clear();
    for (MeshBatch& batch : mesh.batches)
        batch.firstRange = batch.rangeCount = 0;
}

} // namespace

void showMaterials(Viewer& viewer, ObjMesh& mesh, std::vector<MaterialFile>& files)
{
    dropUndefinedMaterials(mesh);
    files = mesh.materialFiles;
    std::unordered_map<std::string, int> mapOfFile;  // a map's file -> its index among the maps, or -1
    std::vector<TextureGpu> maps;
    std::vector<int> mapOf(mesh.materials.size(), -1);
    for (size_t m = 0; m < mesh.materials.size(); ++m) {
        const Material& material = mesh.materials[m];
        if (material.diffuseMap.empty())
            continue;
        auto found = mapOfFile.emplace(material.diffuseMap, -1);
        if (found.second) {
            const char* path = material.diffuseMap.c_str();
            files.push_back(MaterialFile{material.diffuseMap, fileStamp(path)});
            TextureGpu map = {0, 0, 0};
            std::string problem;
            if (uploadImageFile(path, map, problem)) {
                found.first->second = int(maps.size());
                maps.push_back(map);
            } else {
                logMessage("Material [%s] is drawn without its map: %s", material.name.c_str(), problem.c_str());
            }
        }
        mapOf[m] = found.first->second;
    }
    replaceMaterials(viewer.materials, mesh.materials, mapOf, maps, !mesh.colors.empty());
}
