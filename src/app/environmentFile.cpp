#include "app/environmentFile.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/environment/sphericalHarmonics.h"
#include "image/environmentRead.h"

namespace {

// Reads the image and makes it the environment; otherwise logs the problem after `outcome`.
bool readEnvironment(Viewer& viewer, const char* outcome)
{
    const char* path = viewer.options.cubeMap;
    EquirectangularImage image;
    char detail[256];
    ImageStatus status = readEnvironmentImage(path, image, detail, sizeof(detail));
    if (status != ImageStatus::ok) {
        logMessage("Cube map %s %s: %s", cubeMapName, outcome,
                   imageProblem(status, path, detail, largestImageSide, "a PNG, a JPEG nor a Radiance .hdr file")
                       .c_str());
        return false;
    }
    CubeFaces faces;
    cubeFacesOfEquirectangular(image, cubeFaceSizeFor(image.width, largestCubeFace()), faces);
    float sh[shCoefficientCount][3];
    projectOntoSphericalHarmonics(image, sh);
    replaceEnvironment(viewer.environment, faces, sh);
    return true;
}

} // namespace

void loadEnvironment(Viewer& viewer)
{
    if (viewer.options.cubeMap)
        readEnvironment(viewer, "reads black");
}

bool reloadEnvironment(Viewer& viewer)
{
    if (!readEnvironment(viewer, "stays as it is"))
        return false;
    logMessage("Reloaded [%s]", viewer.options.cubeMap);
    return true;
}
