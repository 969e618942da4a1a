#pragma once
// Writes a parametric torus as OBJ text: centred on the origin, its hole along z, in faces wound
// counter-clockwise seen from outside.

#include "modelText.h"

#include <cmath>
#include <cstdio>
#include <string>

enum class TorusLayout {
    perCorner,      // each triangle writes its own three v, vt and vn records
    shared,         // one v, vt and vn record per grid point, triangles
    sharedQuads,    // the same records, quads
    positionsOnly,  // one v record per grid point, triangles of bare positions: normals to compute
};

struct TorusShape {
    int rings;           // steps around the main circle (u)
    int sides;           // steps around the tube (v)
    double majorRadius;  // centre of the tube from the origin
    double minorRadius;  // radius of the tube
    TorusLayout layout;
};

// Shared layouts: rings x sides grid points; faces wrap around, so the mesh has exactly
// rings x sides unique vertices.
// Per-corner layout: every triangle writes its own records, as many exporters do; the seams
// (u = 1 against u = 0, v = 1 against v = 0) are records of their own with the same position
// and normal as the start but another texture coordinate. Welding merges the copies of each
// grid point and keeps the seams apart.
inline std::string torusObj(const TorusShape& shape)
{
    const double twoPi = 6.283185307179586;
    std::string text;
    char line[256];
    snprintf(line, sizeof(line), "# torus: %d rings, %d sides, radii %g and %g\n", shape.rings, shape.sides,
             shape.majorRadius, shape.minorRadius);
    text += line;

    auto writeRecords = [&](int i, int j) {
        double u = twoPi * i / shape.rings, v = twoPi * j / shape.sides;
        double cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
        double ring = shape.majorRadius + shape.minorRadius * cv;
        if (shape.layout == TorusLayout::positionsOnly)
            snprintf(line, sizeof(line), "v %.6f %.6f %.6f\n", ring * cu, ring * su, shape.minorRadius * sv);
        else
            snprintf(line, sizeof(line), "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n", ring * cu, ring * su,
                     shape.minorRadius * sv, double(i) / shape.rings, double(j) / shape.sides, cv * cu, cv * su, sv);
        text += line;
    };

    if (shape.layout != TorusLayout::perCorner) {
        for (int i = 0; i < shape.rings; ++i)
            for (int j = 0; j < shape.sides; ++j)
                writeRecords(i, j);
        auto index = [&](int i, int j) { return (i % shape.rings) * shape.sides + (j % shape.sides) + 1; };
        for (int i = 0; i < shape.rings; ++i)
            for (int j = 0; j < shape.sides; ++j) {
                int a = index(i, j), b = index(i + 1, j), c = index(i + 1, j + 1), d = index(i, j + 1);
                if (shape.layout == TorusLayout::sharedQuads)
                    snprintf(line, sizeof(line), "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c,
                             d, d, d);
                else if (shape.layout == TorusLayout::positionsOnly)
                    snprintf(line, sizeof(line), "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
                else
                    snprintf(line, sizeof(line), "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a,
                             a, b, b, b, c, c, c, a, a, a, c, c, c, d, d, d);
                text += line;
            }
        return text;
    }

    int written = 0;
    auto writeTriangle = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        writeRecords(i0, j0);
        writeRecords(i1, j1);
        writeRecords(i2, j2);
        int n = written + 1;
        snprintf(line, sizeof(line), "f %d/%d/%d %d/%d/%d %d/%d/%d\n", n, n, n, n + 1, n + 1, n + 1, n + 2, n + 2, n + 2);
        text += line;
        written += 3;
    };
    for (int i = 0; i < shape.rings; ++i)
        for (int j = 0; j < shape.sides; ++j) {
            writeTriangle(i, j, i + 1, j, i + 1, j + 1);
            writeTriangle(i, j, i + 1, j + 1, i, j + 1);
        }
    return text;
}

// The same torus as plain lists, for the writers of modelText.h: one vertex a grid point, in the
// order torusObj writes them; bare positions in triangles for positionsOnly, positions, texture
// coordinates and normals in triangles for shared, or in quads for sharedQuads (perCorner is not
// written so). With `colored`, each vertex gets a color of its own from its place on the grid.
inline PlainModel torusModel(const TorusShape& shape, bool colored = false)
{
    const double twoPi = 6.283185307179586;
    PlainModel model;
    bool records = shape.layout != TorusLayout::positionsOnly;
    for (int i = 0; i < shape.rings; ++i)
        for (int j = 0; j < shape.sides; ++j) {
            double u = twoPi * i / shape.rings, v = twoPi * j / shape.sides;
            double cu = std::cos(u), su = std::sin(u), cv = std::cos(v), sv = std::sin(v);
            double ring = shape.majorRadius + shape.minorRadius * cv;
            // rounded to six decimals, as torusObj writes them
            model.positions.push_back(float(std::round(ring * cu * 1e6) / 1e6));
            model.positions.push_back(float(std::round(ring * su * 1e6) / 1e6));
            model.positions.push_back(float(std::round(shape.minorRadius * sv * 1e6) / 1e6));
            if (records) {
                model.texCoords.push_back(float(double(i) / shape.rings));
                model.texCoords.push_back(float(double(j) / shape.sides));
                model.normals.push_back(float(cv * cu));
                model.normals.push_back(float(cv * su));
                model.normals.push_back(float(sv));
            }
            if (colored) {
                model.colors.push_back((unsigned char)(i * 255 / shape.rings));
                model.colors.push_back((unsigned char)(j * 255 / shape.sides));
                model.colors.push_back((unsigned char)((i + j) % 256));
            }
        }
    auto index = [&](int i, int j) { return uint32_t((i % shape.rings) * shape.sides + (j % shape.sides)); };
    for (int i = 0; i < shape.rings; ++i)
        for (int j = 0; j < shape.sides; ++j) {
            uint32_t a = index(i, j), b = index(i + 1, j), c = index(i + 1, j + 1), d = index(i, j + 1);
            if (shape.layout == TorusLayout::sharedQuads) {
                model.faceSizes.push_back(4);
                model.corners.insert(model.corners.end(), {a, b, c, d});
            } else {
                model.faceSizes.insert(model.faceSizes.end(), {3, 3});
                model.corners.insert(model.corners.end(), {a, b, c, a, c, d});
            }
        }
    return model;
}
