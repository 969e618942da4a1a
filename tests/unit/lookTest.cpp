// The arithmetic of the physically based look: the split-sum table against a direct integral of
// the BRDF, the prefiltering samples, the studio, the materials of every format, the key light.

#include "core/look/keyLight.h"
#include "core/look/splitSum.h"
#include "core/look/studio.h"
#include "core/mesh/materials.h"
#include "core/view/camera.h"

#include "support/pi.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {


// The directional albedo of glTF's specular BRDF (GGX, height-correlated Smith, Schlick's Fresnel
// of F0) seen at cos `nDotV`, by the midpoint rule over the hemisphere of light directions: the
// reference of the split sum, A F0 + B.
double specularAlbedo(double nDotV, double roughness, double f0)
{
    double alpha = roughness * roughness, a2 = alpha * alpha;
    double v[3] = {std::sqrt(1.0 - nDotV * nDotV), 0.0, nDotV};
    const int thetaSteps = 1500, phiSteps = 600;
    double sum = 0.0;
    for (int i = 0; i < thetaSteps; ++i) {
        double theta = (i + 0.5) * (pi / 2) / thetaSteps;
        for (int j = 0; j < phiSteps; ++j) {
            double phi = (j + 0.5) * 2 * pi / phiSteps;
            double l[3] = {std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), std::cos(theta)};
            double h[3] = {l[0] + v[0], l[1] + v[1], l[2] + v[2]};
            double length = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
            double nDotH = h[2] / length, vDotH = (v[0] * h[0] + v[2] * h[2]) / length, nDotL = l[2];
            double d = nDotH * nDotH * (a2 - 1.0) + 1.0;
            double distribution = a2 / (pi * d * d);
            double visibility = 0.5 / (nDotL * std::sqrt(nDotV * nDotV * (1 - a2) + a2) +
                                       nDotV * std::sqrt(nDotL * nDotL * (1 - a2) + a2));
            double fresnel = f0 + (1.0 - f0) * std::pow(1.0 - vDotH, 5.0);
            double solidAngle = std::sin(theta) * ((pi / 2) / thetaSteps) * (2 * pi / phiSteps);
            sum += fresnel * distribution * visibility * nDotL * solidAngle;
        }
    }
    return sum;
}

} // namespace

TEST(SplitSum, ScaleAndBiasMatchTheBrdfIntegratedOverTheHemisphere)
{
    // (n.v, roughness): A + B is the albedo of F0 = 1, B that of F0 = 0
    const struct {
        double nDotV, roughness;
    } cases[] = {{0.9, 0.3}, {0.5, 0.5}, {0.2, 0.7}, {0.7, 1.0}};
    for (const auto& c : cases) {
        double scale, bias;
        splitSumScaleBias(c.nDotV, c.roughness, 4096, scale, bias);
        EXPECT_NEAR(scale + bias, specularAlbedo(c.nDotV, c.roughness, 1.0), 0.01) << c.nDotV << " " << c.roughness;
        EXPECT_NEAR(bias, specularAlbedo(c.nDotV, c.roughness, 0.0), 0.005) << c.nDotV << " " << c.roughness;
    }
}

TEST(SplitSum, TableIsAMirrorAtRoughnessZeroAndLosesLightAsRoughnessGrows)
{
    std::vector<float> table;
    const int size = 32;
    makeSplitSumTable(size, table);
    ASSERT_EQ(table.size(), size_t(size * size * 3));
    auto at = [&](int column, int row, int channel) { return table[(size_t(row) * size + size_t(column)) * 3 + size_t(channel)]; };
    // seen head-on and smooth: all of F0, nothing of the bias
    EXPECT_NEAR(at(size - 1, 0, 0), 1.0, 0.01);
    EXPECT_NEAR(at(size - 1, 0, 1), 0.0, 0.01);
    for (int column = 0; column < size; ++column)
        for (int row = 0; row < size; ++row) {
            float albedo = at(column, row, 0) + at(column, row, 1);
            EXPECT_LE(albedo, 1.001f);
            EXPECT_GE(at(column, row, 1), 0.0f);
            EXPECT_EQ(at(column, row, 2), 0.0f);
            if (row > 0 && column > size / 4) {
                EXPECT_LE(albedo, at(column, row - 1, 0) + at(column, row - 1, 1) + 1e-3f) << column << " " << row;
            }
        }
}

TEST(SplitSum, PrefilterSamplesLieAboveTheSurfaceAndReadCoarserLevelsWhenRougher)
{
    std::vector<PrefilterSample> samples;
    prefilterSamples(0.0, 64, 256, samples);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].z, 1.0f);
    double previousLevel = -1.0;
    for (int level = 1; level < prefilteredLevels; ++level) {
        prefilterSamples(double(level) / (prefilteredLevels - 1), 64, 256, samples);
        ASSERT_FALSE(samples.empty());
        double meanLevel = 0.0, meanX = 0.0, meanY = 0.0, spread = 0.0;
        for (const PrefilterSample& s : samples) {
            EXPECT_GT(s.z, 0.0f);
            EXPECT_NEAR(s.x * s.x + s.y * s.y + s.z * s.z, 1.0, 1e-5);
            EXPECT_GE(s.level, 0.0f);
            meanLevel += s.level;
            meanX += s.x;
            meanY += s.y;
            spread += 1.0 - s.z;
        }
        meanLevel /= samples.size();
        // the samples spread about the normal, the more so the rougher
        EXPECT_NEAR(meanX / samples.size(), 0.0, 0.05);
        EXPECT_NEAR(meanY / samples.size(), 0.0, 0.05);
        EXPECT_GT(meanLevel, previousLevel);
        previousLevel = meanLevel;
        EXPECT_GT(spread / samples.size(), 0.0);
    }
}

TEST(Studio, IsNeutralBrighterAboveThanBelowAndBrightestInTheKeyBox)
{
    EquirectangularImage image;
    makeStudioEnvironment(64, image);
    ASSERT_EQ(image.width, 64);
    ASSERT_EQ(image.height, 32);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        EXPECT_GT(image.rgb[i], 0.0f);
        EXPECT_EQ(image.rgb[i], image.rgb[i + 1]);
        EXPECT_EQ(image.rgb[i], image.rgb[i + 2]);
    }
    float up = studioRadiance(Vector3{0.0f, 1.0f, 0.0f}), down = studioRadiance(Vector3{0.0f, -1.0f, 0.0f});
    float key = studioRadiance(Vector3{0.612372f, 0.5f, 0.612372f}), behind = studioRadiance(Vector3{-1.0f, 0.0f, 0.0f});
    EXPECT_GT(up, down);
    EXPECT_GT(key, 10.0f * behind);
    EXPECT_FLOAT_EQ(key, 2.0f + 0.12f + 0.08f * 0.5f * 0.5f * (3.0f - 2.0f * 0.5f));
}

TEST(LookMaterials, EveryFormatGivesRoughnessAndReflectance)
{
    Material gltf;
    gltf.physical = true;
    gltf.roughness = 0.3f;
    gltf.specular = Vector3{0.5f, 0.5f, 0.5f};  // what the glTF reader gives the shipped shaders
    Material obj;
    obj.shininess = 98.0f;
    obj.specular = Vector3{0.5f, 1.0f, 0.0f};
    Material odd;
    odd.shininess = -5.0f;
    odd.specular = Vector3{20.0f, -1.0f, 0.25f};
    Material rough;  // no Ns, no Ks
    const struct {
        const Material* material;
        float roughness;
        Vector3 reflectance;
    } cases[] = {
        {&gltf, 0.3f, {0.04f, 0.04f, 0.04f}},
        {&obj, float(std::sqrt(2.0 / 100.0)), {0.04f, 0.08f, 0.0f}},
        {&odd, 1.0f, {1.0f, 0.0f, 0.02f}},
        {&rough, 1.0f, {0.0f, 0.0f, 0.0f}},
    };
    for (const auto& c : cases) {
        float roughness;
        Vector3 reflectance;
        physicalInputsOf(*c.material, roughness, reflectance);
        EXPECT_FLOAT_EQ(roughness, c.roughness);
        EXPECT_FLOAT_EQ(reflectance.x, c.reflectance.x);
        EXPECT_FLOAT_EQ(reflectance.y, c.reflectance.y);
        EXPECT_FLOAT_EQ(reflectance.z, c.reflectance.z);
    }
}

TEST(KeyLight, IsTheShippedShadersLightForTheFirstCameraAndTurnsWithTheCamera)
{
    Camera camera;
    Matrix4 view, projection;
    startCamera(camera, 0.0, 0.0);
    cameraMatrices(camera, 1.0, view, projection);
    Vector3 light;
    keyLightDirection(view, light);
    EXPECT_NEAR(light.x, 0.6, 1e-6);
    EXPECT_NEAR(light.y, 0.64, 1e-6);
    EXPECT_NEAR(light.z, 0.48, 1e-6);
    // from +z (orbit 90, 0) the light keeps its place beside the eye
    startCamera(camera, 90.0, 0.0);
    cameraMatrices(camera, 1.0, view, projection);
    keyLightDirection(view, light);
    Vector3 eye;
    cameraEye(camera, eye);
    double distance = std::sqrt(double(dot(eye, eye)));
    EXPECT_NEAR(dot(light, eye) / distance, 0.6, 1e-5);
    EXPECT_NEAR(light.y, 0.64, 1e-5);
    EXPECT_NEAR(dot(light, light), 1.0, 1e-6);
}
