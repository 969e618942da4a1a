#include "app/modelMaterials.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"

#include <string>
#include <unordered_map>

void showMaterials(Viewer& viewer, Mesh& mesh, std::vector<ModelFile>& files)
{
    files = mesh.files;
    std::unordered_map<std::string, int> mapOfFile;  // a map's file -> its index among the maps, or -1
    std::vector<TextureGpu> maps;
    std::vector<int> mapOf(mesh.materials.size(), -1);
    for (size_t m = 0; m < mesh.materials.size(); ++m) {
        const Material& material = mesh.materials[m];
        const std::string& file = material.diffuseMap.file;
        if (file.empty())
            continue;
        auto found = mapOfFile.emplace(file, -1);
        if (found.second) {
            const char* path = file.c_str();
            files.push_back(ModelFile{file, fileStamp(path)});
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
