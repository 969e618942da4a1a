#include "core/mesh/materials.h"

#include "core/files/paths.h"
#include "core/mesh/numberScan.h"
#include "core/platform/platform.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Statements of the format that change nothing drawn here.
const char* const passedOver[] = {"illum", "Ni",     "Tf",     "sharpness", "map_Ka", "map_Ks", "map_Ns", "map_d",
                                  "disp",  "decal",  "refl",   "Pr",        "Pm",     "Ps",     "Pc",     "Pcr",
                                  "aniso", "anisor", "map_Pr", "map_Pm",    "map_Ps", "map_Kn"};

// The maps read, and the material's map each fills. map_Kd is read as written, its options told
// as ignored; the others in any case, their options (a bump map's -bm, say) passed over.
struct MapStatement {
    const char* keyword;
    MaterialMap Material::*map;
    bool tellOptions;
};

const MapStatement mapStatements[] = {{"map_Kd", &Material::diffuseMap, true},
                                      {"map_Ke", &Material::emissiveMap, false},
                                      {"map_Bump", &Material::normalMap, false},
                                      {"bump", &Material::normalMap, false},
                                      {"norm", &Material::normalMap, false}};

bool sameWordIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if ((*a | 0x20) != (*b | 0x20))
            return false;
    return *a == *b;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// True when the whole word reads as a number.
bool isNumber(const std::string& word)
{
    char* end = nullptr;
    strtod(word.c_str(), &end);
    return !word.empty() && end == word.c_str() + word.size();
}

// How a statement's numbers read.
enum class NumbersRead { read, missing, twoForColor, nonFinite };

// A color of one number (grey) or three.
NumbersRead readColor(const char* text, Vector3& color)
{
    float v[3] = {0.0f, 0.0f, 0.0f};
    int scanned = scanFloats(text, v, 3);
    if (scanned < 1)
        return NumbersRead::missing;
    if (scanned == 2)
        return NumbersRead::twoForColor;
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
        return NumbersRead::nonFinite;
    color = scanned < 3 ? Vector3{v[0], v[0], v[0]} : Vector3{v[0], v[1], v[2]};
    return NumbersRead::read;
}

NumbersRead readNumber(const char* text, float& number)
{
    float v = 0.0f;
    if (scanFloats(text, &v, 1) < 1)
        return NumbersRead::missing;
    if (!std::isfinite(v))
        return NumbersRead::nonFinite;
    number = v;
    return NumbersRead::read;
}

// The problem a statement whose numbers did not read is counted as.
ProblemKind numbersProblem(NumbersRead read)
{
    switch (read) {
    case NumbersRead::twoForColor: return ProblemKind::twoNumberColors;
    case NumbersRead::nonFinite: return ProblemKind::nonFiniteStatements;
    default: return ProblemKind::statementsWithoutNumbers;
    }
}

// A map's file: the rest of the line after its options, which are reported as ignored when
// `tellOptions`.
std::string readMap(const char* text, const std::string& path, uint32_t line, ProblemList& problems, bool tellOptions)
{
    while (true) {
        while (isBlank(*text))
            ++text;
        if (*text != '-')
            break;
        const char* end = text;
        while (*end && !isBlank(*end))
            ++end;
        if (tellOptions)
            noticeProblem(problems, ProblemKind::ignoredMapOptions, std::string(text, end), path, line);
        text = end;
        // the option's values: the words that are numbers, or on/off
        while (true) {
            while (isBlank(*text))
                ++text;
            const char* word = text;
            while (*text && !isBlank(*text))
                ++text;
            std::string value(word, text);
            if (!(isNumber(value) || value == "on" || value == "off")) {
                text = word;
                break;
            }
        }
    }
    std::string file = text;
    while (!file.empty() && isBlank(file.back()))
        file.pop_back();
    return file.empty() ? file : pathBeside(path, file);
}

// One line of an MTL file into the last material; `dGiven` tells that the material has a d line,
// which a Tr line does not override.
void readMtlLine(const std::string& lineText, uint32_t line, const std::string& path, std::vector<Material>& out,
                 ProblemList& problems, bool& dGiven)
{
    const char* text = lineText.c_str();
    while (isBlank(*text))
        ++text;
    if (*text == '\0' || *text == '#')
        return;
    const char* end = text;
    while (*end && !isBlank(*end))
        ++end;
    std::string keyword(text, end);
    const char* rest = end;
    if (keyword == "newmtl") {
        std::string name = rest;
        size_t first = name.find_first_not_of(" \t");
        size_t last = name.find_last_not_of(" \t\r");
        out.push_back(Material());
        out.back().name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
        dGiven = false;
        return;
    }
    for (const char* known : passedOver)
        if (sameWordIgnoringCase(keyword.c_str(), known))
            return;
    const MapStatement* map = nullptr;
    for (const MapStatement& statement : mapStatements)
        if (statement.tellOptions ? keyword == statement.keyword : sameWordIgnoringCase(keyword.c_str(), statement.keyword))
            map = &statement;
    bool known = keyword == "Kd" || keyword == "Ka" || keyword == "Ks" || keyword == "Ke" || keyword == "Ns" ||
                 keyword == "d" || keyword == "Tr" || map;
    if (!known || out.empty()) {
        noticeProblem(problems, ProblemKind::ignoredStatements, keyword, path, line);
        return;
    }
    Material& material = out.back();
    NumbersRead read = NumbersRead::read;
    float number = 0.0f;
    if (keyword == "Kd")
        read = readColor(rest, material.diffuse);
    else if (keyword == "Ka")
        read = readColor(rest, material.ambient);
    else if (keyword == "Ks")
        read = readColor(rest, material.specular);
    else if (keyword == "Ke")
        read = readColor(rest, material.emissive);
    else if (keyword == "Ns")
        read = readNumber(rest, material.shininess);
    else if (keyword == "d" && (read = readNumber(rest, number)) == NumbersRead::read) {
        material.opacity = number;
        dGiven = true;
    } else if (keyword == "Tr" && (read = readNumber(rest, number)) == NumbersRead::read && !dGiven) {
        material.opacity = 1.0f - number;
        if (!(material.opacity > 0.0f)) {
            material.opacity = 1.0f;
            noticeProblem(problems, ProblemKind::opaqueTr, "Tr", path, line);
        }
    } else if (map) {
        (material.*(map->map)).file = readMap(rest, path, line, problems, map->tellOptions);
    }
    if (read != NumbersRead::read)
        noticeProblem(problems, numbersProblem(read), keyword, path, line);
    if (material.opacity < 0.0f || material.opacity > 1.0f)
        material.opacity = material.opacity < 0.0f ? 0.0f : 1.0f;
}

} // namespace

std::vector<std::string> libraryFiles(const std::string& line, const std::string& model)
{
    std::string whole = pathBeside(model, line);
    if (fileStamp(whole.c_str()).exists)
        return {whole};
    std::vector<std::string> files;
    for (size_t at = 0; at < line.size();) {
        size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string::npos)
            break;
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string::npos)
            end = line.size();
        files.push_back(pathBeside(model, line.substr(start, end - start)));
        at = end;
    }
    return files;
}

void readMtlText(const char* text, size_t size, const std::string& path, std::vector<Material>& out,
                 ProblemList& problems)
{
    bool dGiven = false;
    uint32_t line = 1;
    for (size_t at = 0; at < size; ++line) {
        const char* newline = static_cast<const char*>(memchr(text + at, '\n', size - at));
        size_t end = newline ? size_t(newline - text) : size;
        std::string lineText(text + at, end - at);
        size_t zero = lineText.find('\0');
        if (zero != std::string::npos)
            lineText.resize(zero);
        readMtlLine(lineText, line, path, out, problems, dGiven);
        at = end + 1;
    }
}

const MaterialMap& materialMap(const Material& material, MaterialMapKind kind)
{
    switch (kind) {
    case normalMapKind: return material.normalMap;
    case metallicRoughnessMapKind: return material.metallicRoughnessMap;
    case occlusionMapKind: return material.occlusionMap;
    case emissiveMapKind: return material.emissiveMap;
    case diffuseMapKind:
    case materialMapKinds: break;
    }
    return material.diffuseMap;
}

void physicalInputsOf(const Material& material, float& roughness, Vector3& reflectance)
{
    auto unit = [](double x) { return float(x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x); };
    if (material.physical) {
        roughness = unit(material.roughness);
        reflectance = Vector3{0.04f, 0.04f, 0.04f};
        return;
    }
    double shininess = material.shininess > 0.0f ? double(material.shininess) : 0.0;
    roughness = unit(std::sqrt(2.0 / (shininess + 2.0)));
    const Vector3& ks = material.specular;
    reflectance = Vector3{unit(0.08 * ks.x), unit(0.08 * ks.y), unit(0.08 * ks.z)};
}
