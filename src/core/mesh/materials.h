#pragma once
// Materials of OBJ files: the MTL files that mtllib names, read into what a surface looks like.

#include "core/math/vector.h"
#include "core/mesh/objRecords.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// A surface's material. The default one (faces before any usemtl, or naming a material no file
// defines) is light grey, matt and opaque, without a map.
struct Material {
    std::string name;
    Vector3 ambient = {0.2f, 0.2f, 0.2f};   // Ka
    Vector3 diffuse = {0.8f, 0.8f, 0.8f};   // Kd
    Vector3 specular = {0.0f, 0.0f, 0.0f};  // Ks
    float shininess = 0.0f;                 // Ns
    float opacity = 1.0f;                   // d, or 1 - Tr
    std::string diffuseMap;                 // map_Kd's file, found from the MTL file's folder; empty: none
};

// One kind of problem in the material files: what (a format taking the count, the plural ending,
// the kind and the file, in that order, then the first line), which kind and file, how often.
struct MaterialProblem {
    const char* format;
    std::string kind;
    std::string file;
    ObjProblem problem;
};

struct MaterialReport {
    std::vector<std::string> missingLibraries;    // named by mtllib, not readable
    std::vector<std::string> undefinedMaterials;  // named by usemtl, in no library
    std::vector<MaterialProblem> problems;        // statements ignored, an opaque Tr, map options
    std::unordered_map<std::string, size_t> problemIndex;  // each problem's place, by kind and file
};

// Reads MTL text, the file at `path`, into `out`, appending a material for each newmtl: Kd, Ka,
// Ks (three numbers; one gives all three), Ns, d, Tr (1 - d, used only without d: a material Tr
// alone would make fully transparent stays opaque, and that is reported once a file) and map_Kd
// (the rest of the line after its options, spaces and all, found from the folder of `path`;
// options reported as ignored). MTL statements that do not show here (illum, Ke, Ni, map_Ks...)
// are passed over; any other statement is reported, once per kind with its first line.
void readMtlText(const char* text, size_t size, const std::string& path, std::vector<Material>& out,
                 MaterialReport& report);

// The files an mtllib line of the model at `model` names, found from its folder: the whole line
// when it names an existing file (a name with spaces), else each word of it.
std::vector<std::string> libraryFiles(const std::string& line, const std::string& model);

// Logs the report's problems, one line each, naming the model file where the problem is its.
void logMaterialReport(const MaterialReport& report, const char* model);
