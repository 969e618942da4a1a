#include "app/modelMaterials.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"

#include <string>
#include <unordered_map>

namespace {

// What a map of that kind is called in messages ("map" for the diffuse one, as OBJ's map_Kd).
const char* mapName(int kind)
{
    switch (kind) {
    case normalMapKind: return "normal map";
    case metallicRoughnessMapKind: return "metallic-roughness map";
    case occlusionMapKind: return "occlusion map";
    case emissiveMapKind: return "emissive map";
    default: return "map";
    }
}

constexpr int notYetUploaded = -2;

// The maps uploaded so far, each image once however many materials map it.
struct MapUploads {
    std::unordered_map<std::string, int> ofFile;  // a map's file -> its index among the maps, or -1
    std::vector<int> ofImage;                     // per image of the mesh: its index, -1, or notYetUploaded
    std::vector<TextureGpu> maps;
};

// Uploads the image (a file, or one of the mesh's images) the first time it is met and gives its
// index among the maps, or -1 when it cannot be read, which is told then, naming the material.
// A file is stamped in `files` before it is read.
int uploadMap(MapUploads& uploads, const Mesh& mesh, const Material& material, int kind,
              std::vector<ModelFile>& files)
{
    const MaterialMap& map = materialMap(material, MaterialMapKind(kind));
    int* index = nullptr;
    if (!map.file.empty()) {
        auto found = uploads.ofFile.emplace(map.file, notYetUploaded);
        index = &found.first->second;
    } else if (map.embedded >= 0 && size_t(map.embedded) < mesh.images.size()) {
        index = &uploads.ofImage[size_t(map.embedded)];
    }
    if (!index)
        return -1;
    if (*index != notYetUploaded)
        return *index;
    TextureGpu texture = {0, 0, 0};
    std::string problem;
    bool uploaded;
    if (!map.file.empty()) {
        files.push_back(ModelFile{map.file, fileStamp(map.file.c_str())});
        uploaded = uploadImageFile(map.file.c_str(), texture, problem);
    } else {
        const EmbeddedImage& image = mesh.images[size_t(map.embedded)];
        uploaded = uploadImageBytes(image.bytes, image.name.c_str(), texture, problem);
    }
    *index = -1;
    if (uploaded) {
        *index = int(uploads.maps.size());
        uploads.maps.push_back(texture);
    } else {
        logMessage("Material [%s] is drawn without its %s: %s", material.name.c_str(), mapName(kind), problem.c_str());
    }
    return *index;
}

} // namespace

void showMaterials(Viewer& viewer, Mesh& mesh, std::vector<ModelFile>& files)
{
    files = mesh.files;
    MapUploads uploads;
    uploads.ofImage.assign(mesh.images.size(), notYetUploaded);
    std::vector<int> mapOf(mesh.materials.size() * materialMapKinds, -1);
    for (size_t m = 0; m < mesh.materials.size(); ++m)
        for (int kind = 0; kind < materialMapKinds; ++kind)
            mapOf[m * materialMapKinds + size_t(kind)] = uploadMap(uploads, mesh, mesh.materials[m], kind, files);
    replaceMaterials(viewer.materials, mesh.materials, mapOf, uploads.maps, !mesh.colors.empty());
}
