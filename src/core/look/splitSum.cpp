#include "core/look/splitSum.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

// glTF's height-correlated Smith visibility V = G / (4 n.l n.v) for alpha squared `a2`.
double smithVisibility(double nDotL, double nDotV, double a2)
{
    double ggxV = nDotL * std::sqrt(nDotV * nDotV * (1.0 - a2) + a2);
    double ggxL = nDotV * std::sqrt(nDotL * nDotL * (1.0 - a2) + a2);
    double sum = ggxV + ggxL;
    return sum > 0.0 ? 0.5 / sum : 0.0;
}

} // namespace

void hammersley(unsigned i, unsigned n, double& u, double& v)
{
    unsigned bits = i;
    bits = (bits << 16u) | (bits >> 16u);
    bits = ((bits & 0x55555555u) << 1u) | ((bits & 0xAAAAAAAAu) >> 1u);
    bits = ((bits & 0x33333333u) << 2u) | ((bits & 0xCCCCCCCCu) >> 2u);
    bits = ((bits & 0x0F0F0F0Fu) << 4u) | ((bits & 0xF0F0F0F0u) >> 4u);
    bits = ((bits & 0x00FF00FFu) << 8u) | ((bits & 0xFF00FF00u) >> 8u);
    u = double(i) / double(n);
    v = double(bits) * 2.3283064365386963e-10;  // / 2^32
}

void ggxHalfVector(double u, double v, double alpha, double (&h)[3])
{
    double phi = 2.0 * pi * u;
    double cosTheta = std::sqrt((1.0 - v) / (1.0 + (alpha * alpha - 1.0) * v));
    double sinTheta = std::sqrt(1.0 - cosTheta * cosTheta);
    h[0] = sinTheta * std::cos(phi);
    h[1] = sinTheta * std::sin(phi);
    h[2] = cosTheta;
}

void splitSumScaleBias(double nDotV, double roughness, unsigned samples, double& scale, double& bias)
{
    double alpha = roughness * roughness, a2 = alpha * alpha;
    const double view[3] = {std::sqrt(1.0 - nDotV * nDotV), 0.0, nDotV};
    scale = bias = 0.0;
    for (unsigned i = 0; i < samples; ++i) {
        double u, v, h[3];
        hammersley(i, samples, u, v);
        ggxHalfVector(u, v, alpha, h);
        double vDotH = view[0] * h[0] + view[1] * h[1] + view[2] * h[2];
        double nDotL = 2.0 * vDotH * h[2] - view[2];
        if (nDotL <= 0.0 || vDotH <= 0.0)
            continue;
        double visible = smithVisibility(nDotL, nDotV, a2) * 4.0 * nDotL * vDotH / h[2];
        double fresnel = std::pow(1.0 - vDotH, 5.0);
        scale += (1.0 - fresnel) * visible;
        bias += fresnel * visible;
    }
    scale /= samples;
    bias /= samples;
}

void makeSplitSumTable(int size, std::vector<float>& out)
{
    out.assign(size_t(size) * size_t(size) * 3, 0.0f);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            double scale, bias;
            splitSumScaleBias((i + 0.5) / size, (j + 0.5) / size, 256, scale, bias);
            float* texel = &out[(size_t(j) * size_t(size) + size_t(i)) * 3];
            texel[0] = float(scale);
            texel[1] = float(bias);
        }
}

void prefilterSamples(double roughness, unsigned count, int sourceSize, std::vector<PrefilterSample>& out)
{
    out.clear();
    if (roughness <= 0.0) {
        out.push_back(PrefilterSample{0.0f, 0.0f, 1.0f, 0.0f});
        return;
    }
    double alpha = roughness * roughness, a2 = alpha * alpha;
    double texelAngle = 4.0 * pi / (6.0 * double(sourceSize) * double(sourceSize));
    for (unsigned i = 0; i < count; ++i) {
        double u, v, h[3];
        hammersley(i, count, u, v);
        ggxHalfVector(u, v, alpha, h);
        // seen along the normal: l = 2 (n.h) h - n
        double l[3] = {2.0 * h[2] * h[0], 2.0 * h[2] * h[1], 2.0 * h[2] * h[2] - 1.0};
        if (l[2] <= 0.0)
            continue;
        double d = h[2] * h[2] * (a2 - 1.0) + 1.0;
        double distribution = a2 / (pi * d * d);
        double pdf = distribution / 4.0;  // D (n.h) / (4 v.h), v.h = n.h along the normal
        double sampleAngle = 1.0 / (count * pdf);
        double level = 0.5 * std::log2(sampleAngle / texelAngle) + 1.0;
        out.push_back(PrefilterSample{float(l[0]), float(l[1]), float(l[2]), float(level > 0.0 ? level : 0.0)});
    }
}
