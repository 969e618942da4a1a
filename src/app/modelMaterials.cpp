#include "app/modelMaterials.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "image/imageRead.h"

#include <algorithm>

void showMaterials(Viewer& viewer, ObjMesh& mesh)
{
    // names that no library defines only: the model has no materials to show
    if (mesh.materialReport.undefinedMaterials.size() + 1 >= mesh.materials.size())
        mesh.materials.clear();
    std::vector<std::string> files;   // the maps read, or tried
    std::vector<int> fileMap;         // per file: its index among the maps, or -1
    std::vector<TextureGpu> maps;
    std::vector<int> mapOf(mesh.materials.size(), -1);
    for (size_t m = 0; m < mesh.materials.size(); ++m) {
        const Material& material = mesh.materials[m];
        if (material.diffuseMap.empty())
            continue;
        size_t f = size_t(std::find(files.begin(), files.end(), material.diffuseMap) - files.begin());
        if (f == files.size()) {
            files.push_back(material.diffuseMap);
            Image image;
            char detail[256];
            ImageStatus status = readImageFile(material.diffuseMap.c_str(), image, detail, sizeof(detail));
            int largest = largestImageSide;
            TextureGpu map = {0, 0, 0};
            if (status == ImageStatus::ok) {
                if (!replaceTexture(map, image.width, image.height, image.pixels, largest))
                    status = ImageStatus::tooLarge;
                freeImage(image);
            }
            fileMap.push_back(status == ImageStatus::ok ? int(maps.size()) : -1);
            if (status == ImageStatus::ok)
                maps.push_back(map);
            else
                logMessage("Material [%s] is drawn without its map: %s", material.name.c_str(),
                           imageProblem(status, material.diffuseMap.c_str(), detail, largest).c_str());
        }
        mapOf[m] = fileMap[f];
    }
    replaceMaterials(viewer.materials, mesh.materials, mapOf, maps, !mesh.colors.empty());
}

std::vector<std::string> materialFiles(const ObjMesh& mesh, const char* model)
{
    std::vector<std::string> files;
    auto add = [&files](const std::string& file) {
        if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    };
    for (const std::string& line : mesh.materialLibraries)
        for (const std::string& library : libraryFiles(line, folderOf(model)))
            add(library);
    for (const Material& material : mesh.materials)
        add(material.diffuseMap);
    return files;
}
