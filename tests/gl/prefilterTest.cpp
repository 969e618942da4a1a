// The look's prefiltered environment, read back level by level: the rougher the level, the
// smoother, with the light kept.

#include "core/environment/equirectangular.h"
#include "core/environment/sphericalHarmonics.h"
#include "core/look/splitSum.h"
#include "render/environmentGpu.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One level's texels of every face, red only (the environment is grey), and their solid angles.
struct Level {
    std::vector<float> red, solidAngle;
    int size;
};

void readLevel(GLuint map, int level, Level& out)
{
    out.size = prefilteredSize >> level;
    out.red.clear();
    out.solidAngle.clear();
    std::vector<float> rgba(size_t(out.size) * size_t(out.size) * 4);
    glBindTexture(GL_TEXTURE_CUBE_MAP, map);
    for (int face = 0; face < 6; ++face) {
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + GLenum(face), level, GL_RGBA, GL_FLOAT, rgba.data());
        for (int t = 0; t < out.size; ++t)
            for (int s = 0; s < out.size; ++s) {
                out.red.push_back(rgba[(size_t(t) * size_t(out.size) + size_t(s)) * 4]);
                Vector3 d;
                cubeFaceDirection(face, (s + 0.5) / out.size, (t + 0.5) / out.size, d);
                double length = std::sqrt(double(dot(d, d)));
                // a texel of side 2 / size on the face one unit away
                out.solidAngle.push_back(float(4.0 / (out.size * out.size) / (length * length * length)));
            }
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

// The largest step between neighbouring texels of a face row, over the range of the environment.
double roughestStep(const Level& level)
{
    double step = 0.0;
    for (int face = 0; face < 6; ++face)
        for (int t = 0; t < level.size; ++t)
            for (int s = 1; s < level.size; ++s) {
                size_t i = (size_t(face) * size_t(level.size) + size_t(t)) * size_t(level.size) + size_t(s);
                step = std::max(step, double(std::fabs(level.red[i] - level.red[i - 1])));
            }
    return step;
}

} // namespace

TEST(Prefilter, RougherLevelsAreSmootherNarrowerInRangeAndKeepTheLight)
{
    // a dark sky with one bright patch above the default camera's side
    EquirectangularImage image;
    image.width = 256;
    image.height = 128;
    image.rgb.assign(size_t(image.width) * size_t(image.height) * 3, 0.1f);
    for (int row = 20; row < 40; ++row)
        for (int column = 0; column < 24; ++column)
            for (int c = 0; c < 3; ++c)
                image.rgb[(size_t(row) * size_t(image.width) + size_t(column)) * 3 + size_t(c)] = 20.0f;
    CubeFaces faces;
    cubeFacesOfEquirectangular(image, 64, faces);
    float sh[shCoefficientCount][3];
    projectOntoSphericalHarmonics(image, sh);
    EnvironmentGpu environment;
    replaceEnvironment(environment, faces, sh);
    ASSERT_TRUE(prefilterEnvironment(environment));
    ASSERT_NE(environment.prefiltered, 0u);
    ASSERT_NE(environment.brdfTable, 0u);

    double total = 0.0;  // the light of the source, over the sphere
    for (int face = 0; face < 6; ++face)
        for (int t = 0; t < faces.size; ++t)
            for (int s = 0; s < faces.size; ++s) {
                Vector3 d;
                cubeFaceDirection(face, (s + 0.5) / faces.size, (t + 0.5) / faces.size, d);
                double length = std::sqrt(double(dot(d, d)));
                total += faces.faces[face][(size_t(t) * size_t(faces.size) + size_t(s)) * 3] * 4.0 /
                         (faces.size * faces.size) / (length * length * length);
            }
    double previousHighest = 1e30, previousLowest = -1.0, previousStep = 1e30;
    for (int l = 0; l < prefilteredLevels; ++l) {
        Level level;
        readLevel(environment.prefiltered, l, level);
        double light = 0.0;
        for (size_t i = 0; i < level.red.size(); ++i)
            light += double(level.red[i]) * level.solidAngle[i];
        double highest = *std::max_element(level.red.begin(), level.red.end());
        double lowest = *std::min_element(level.red.begin(), level.red.end());
        double step = roughestStep(level);
        // the light over the sphere stays, within what a cosine lobe's weighting shifts
        EXPECT_NEAR(light / total, 1.0, 0.25) << "level " << l;
        // each rougher level spreads the patch: a lower peak, a higher floor, gentler steps
        EXPECT_LT(highest, previousHighest) << "level " << l;
        EXPECT_GE(lowest, previousLowest - 1e-3) << "level " << l;
        if (l >= 2) {  // the first level is finer than the source: its steps are smaller
            EXPECT_LT(step, previousStep) << "level " << l;
        }
        EXPECT_GE(lowest, 0.0);
        previousHighest = highest;
        previousLowest = lowest;
        previousStep = step;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    deleteEnvironment(environment);
}
