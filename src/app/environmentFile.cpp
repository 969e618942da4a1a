#include "app/environmentFile.h"

#include "app/textureFiles.h"
#include "core/diag/log.h"
#include "core/environment/sphericalHarmonics.h"
#include "core/look/studio.h"
#include "image/environmentRead.h"

namespace {

// The studio is made this wide: its cube faces are as large as the prefiltered map's first level.
const int studioWidth = 512;

// Turns the image into the environment's cube map and coefficients; for the look, prefilters it
// too, and says once when that cannot be done here.
void makeEnvironment(Viewer& viewer, const EquirectangularImage& image)
{
    CubeFaces faces;
    cubeFacesOfEquirectangular(image, cubeFaceSizeFor(image.width, largestCubeFace()), faces);
    float sh[shCoefficientCount][3];
    projectOntoSphericalHarmonics(image, sh);
    replaceEnvironment(viewer.environment, faces, sh);
    static bool toldUnfiltered = false;
    if (viewer.options.look && !prefilterEnvironment(viewer.environment) && !toldUnfiltered) {
        toldUnfiltered = true;
        logMessage("The look's environment cannot be prefiltered with this OpenGL: its reflections are black");
    }
}

// Reads the image; otherwise logs the problem after `outcome` and returns false.
bool readEnvironmentFile(const char* path, const char* outcome, EquirectangularImage& image)
{
    char detail[256];
    ImageStatus status = readEnvironmentImage(path, image, detail, sizeof(detail));
    if (status == ImageStatus::ok)
        return true;
    logMessage("Cube map %s %s: %s", cubeMapName, outcome,
               imageProblem(status, path, detail, largestImageSide, "a PNG, a JPEG nor a Radiance .hdr file").c_str());
    return false;
}

} // namespace

void loadEnvironment(Viewer& viewer)
{
    EquirectangularImage image;
    const char* path = viewer.options.cubeMap;
    bool look = viewer.options.look;
    if (path && readEnvironmentFile(path, look ? "is the look's built-in studio" : "reads black", image)) {
        makeEnvironment(viewer, image);
    } else if (look) {
        makeStudioEnvironment(studioWidth, image);
        makeEnvironment(viewer, image);
    }
}

bool reloadEnvironment(Viewer& viewer)
{
    EquirectangularImage image;
    if (!readEnvironmentFile(viewer.options.cubeMap, "stays as it is", image))
        return false;
    makeEnvironment(viewer, image);
    logMessage("Reloaded [%s]", viewer.options.cubeMap);
    return true;
}
