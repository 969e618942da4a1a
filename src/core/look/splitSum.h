#pragma once
// The arithmetic of image-based light in the physically based look, after the split-sum method:
// the specular light of an environment is its radiance prefiltered by the GGX distribution (a mip
// level per roughness) times a scale and a bias of the reflectance at normal incidence F0, read
// from a table of the view angle and the roughness. Roughness is glTF's, perceptual: the GGX
// alpha is its square. Visibility is the height-correlated Smith term glTF's reference BRDF uses.

#include <vector>

// The mip levels of the prefiltered environment: level i for roughness i / (levels - 1), the
// first 128 texels a side, the last 4.
constexpr int prefilteredLevels = 6;
constexpr int prefilteredSize = 128;

// The i-th of n points of the Hammersley set in the unit square: (i / n, the bits of i reversed).
void hammersley(unsigned i, unsigned n, double& u, double& v);

// The direction of the half vector of GGX sample (u, v) about the normal (0, 0, 1) for the alpha
// `alpha` (roughness squared), as importance sampling by D(h) cos(h) draws it.
void ggxHalfVector(double u, double v, double alpha, double (&h)[3]);

// The scale A and bias B of F0 in the specular light of a white environment on a surface seen at
// cos(angle) `nDotV` (above 0), for the roughness: the mean over `samples` GGX samples of
// (1 - Fc) G_vis and Fc G_vis, Fc = (1 - v.h)^5, G_vis = V 4 (n.l)(v.h) / (n.h). A + B is the
// directional albedo of a surface of F0 = 1: at most 1, and 1 for roughness 0.
void splitSumScaleBias(double nDotV, double roughness, unsigned samples, double& scale, double& bias);

// The size x size table of (A, B, 0) texel after texel, row by row, as glTexImage2D takes it: column
// i for nDotV (i + 0.5) / size, row j for roughness (j + 0.5) / size; 256 samples a texel.
void makeSplitSumTable(int size, std::vector<float>& out);

// The samples of one level of prefiltering, for a GPU that sums them: each the light direction of
// a GGX sample about the normal (0, 0, 1), seen along the normal (x, y, z: n.l above 0), and the
// mip level of the source cube map (faces `sourceSize` texels a side) to read it at, so that
// the texels the sample stands for are averaged: half log2 of the sample's solid angle
// 1 / (count pdf) over a source texel's 4 pi / (6 size^2), plus one; at least 0. Samples with
// n.l at or below 0 are left out; roughness 0 gives the one sample (0, 0, 1) at level 0.
struct PrefilterSample {
    float x, y, z, level;
};
void prefilterSamples(double roughness, unsigned count, int sourceSize, std::vector<PrefilterSample>& out);
