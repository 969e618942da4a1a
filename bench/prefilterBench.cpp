// Times the look's environment being made at start-up from a 1024 x 512 image (the built-in
// studio), offscreen through EGL: the cube faces and spherical harmonics on the CPU, the upload
// with its mipmaps, and the GGX prefiltering on the GPU (finished with glFinish). Prints the
// median and the range of each over the runs:
//   build/bench/prefilter_bench [RUNS]

#include "app/headless.h"
#include "core/environment/sphericalHarmonics.h"
#include "core/look/studio.h"
#include "core/platform/platform.h"
#include "render/environmentGpu.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    printf("%-34s median %7.1f ms  (%.1f to %.1f)\n", what, times[times.size() / 2], times.front(), times.back());
}

} // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 9;
    if (runs < 1 || !startOffscreenContext(64, 64)) {
        fprintf(stderr, "prefilter_bench: no offscreen OpenGL context (EGL)\n");
        return 1;
    }
    glewInit();
    printf("%s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
           reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    EquirectangularImage image;
    makeStudioEnvironment(1024, image);
    std::vector<double> cpu, upload, prefilter, all;
    EnvironmentGpu environment;
    for (int run = 0; run < runs; ++run) {
        glFinish();
        auto start = std::chrono::steady_clock::now();
        CubeFaces faces;
        cubeFacesOfEquirectangular(image, cubeFaceSizeFor(image.width, largestCubeFace()), faces);
        float sh[shCoefficientCount][3];
        projectOntoSphericalHarmonics(image, sh);
        cpu.push_back(millisecondsSince(start));
        auto uploading = std::chrono::steady_clock::now();
        replaceEnvironment(environment, faces, sh);
        glFinish();
        upload.push_back(millisecondsSince(uploading));
        auto filtering = std::chrono::steady_clock::now();
        if (!prefilterEnvironment(environment)) {
            fprintf(stderr, "prefilter_bench: the environment cannot be prefiltered here\n");
            return 1;
        }
        glFinish();
        prefilter.push_back(millisecondsSince(filtering));
        all.push_back(millisecondsSince(start));
    }
    report("cube faces and harmonics (CPU)", cpu);
    report("upload and mipmaps", upload);
    report("GGX prefiltering (GPU)", prefilter);
    report("all of it", all);
    deleteEnvironment(environment);
    return 0;
}
