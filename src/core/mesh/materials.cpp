#include "core/mesh/materials.h"

#include "core/diag/log.h"
#include "core/files/paths.h"
#include "core/mesh/numberScan.h"
#include "core/platform/platform.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Statements of the format that change nothing drawn here.
const char* const passedOver[] = {"illum", "Ke",     "Ni",       "Tf",    "sharpness", "map_Ka", "map_Ks",
                                  "map_Ns", "map_d", "map_bump", "bump",  "disp",      "decal",  "refl",
                                  "Pr",     "Pm",    "Ps",       "Pc",    "Pcr",       "aniso",  "anisor",
                                  "norm",   "map_Pr", "map_Pm",  "map_Ps", "map_Ke",   "map_Kn"};

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

// Counts a problem of one kind in one file.
void noticeProblem(MaterialReport& report, const char* format, const std::string& kind, const std::string& file,
                   uint32_t line)
{
    std::string key = std::to_string(reinterpret_cast<uintptr_t>(format)) + '\n' + kind + '\n' + file;
    auto found = report.problemIndex.emplace(key, report.problems.size());
    if (found.second)
        report.problems.push_back(MaterialProblem{format, kind, file, ObjProblem()});
    notice(report.problems[found.first->second].problem, line);
}

// True when the whole word reads as a number.
bool isNumber(const std::string& word)
{
    char* end = nullptr;
    strtod(word.c_str(), &end);
    return !word.empty() && end == word.c_str() + word.size();
}

// A colour of one number (grey) or three; false when there is none.
bool readColor(const char* text, Vector3& color)
{
    float v[3] = {0.0f, 0.0f, 0.0f};
    int scanned = scanFloats(text, v, 3);
    if (scanned < 1 || !std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
        return false;
    color = scanned < 3 ? Vector3{v[0], v[0], v[0]} : Vector3{v[0], v[1], v[2]};
    return true;
}

bool readNumber(const char* text, float& number)
{
    float v = 0.0f;
    if (scanFloats(text, &v, 1) < 1 || !std::isfinite(v))
        return false;
    number = v;
    return true;
}

// map_Kd's file: the rest of the line after its options, which are reported as ignored.
std::string readMap(const char* text, const std::string& path, uint32_t line, MaterialReport& report)
{
    while (true) {
        while (isBlank(*text))
            ++text;
        if (*text != '-')
            break;
        const char* end = text;
        while (*end && !isBlank(*end))
            ++end;
        noticeProblem(report, "Ignored %u map_Kd option%s [%s] in [%s], first at line %u", std::string(text, end),
                      path, line);
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
                 MaterialReport& report, bool& dGiven)
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
    bool known = keyword == "Kd" || keyword == "Ka" || keyword == "Ks" || keyword == "Ns" || keyword == "d" ||
                 keyword == "Tr" || keyword == "map_Kd";
    if (!known || out.empty()) {
        noticeProblem(report, "Ignored %u statement%s [%s] in [%s], first at line %u", keyword, path, line);
        return;
    }
    Material& material = out.back();
    bool read = true;
    float number = 0.0f;
    if (keyword == "Kd")
        read = readColor(rest, material.diffuse);
    else if (keyword == "Ka")
        read = readColor(rest, material.ambient);
    else if (keyword == "Ks")
        read = readColor(rest, material.specular);
    else if (keyword == "Ns")
        read = readNumber(rest, material.shininess);
    else if (keyword == "d" && (read = readNumber(rest, number))) {
        material.opacity = number;
        dGiven = true;
    } else if (keyword == "Tr" && (read = readNumber(rest, number)) && !dGiven) {
        material.opacity = 1.0f - number;
        if (!(material.opacity > 0.0f)) {
            material.opacity = 1.0f;
            noticeProblem(report, "Read %u Tr statement%s [%s] of full transparency as opaque in [%s], first at line "
                                  "%u: exporters disagree on its sense",
                          "Tr", path, line);
        }
    } else if (keyword == "map_Kd") {
        material.diffuseMap = readMap(rest, path, line, report);
    }
    if (!read)
        noticeProblem(report, "Ignored %u statement%s [%s] without its numbers in [%s], first at line %u", keyword,
                      path, line);
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
                 MaterialReport& report)
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
        readMtlLine(lineText, line, path, out, report, dGiven);
        at = end + 1;
    }
}

void logMaterialReport(const MaterialReport& report, const char* model)
{
    for (const std::string& library : report.missingLibraries)
        logMessage("Cannot open material library [%s] of [%s]", library.c_str(), model);
    for (const std::string& name : report.undefinedMaterials)
        logMessage("Drew material [%s] of [%s], which no material library defines, with the default material",
                   name.c_str(), model);
    for (const MaterialProblem& problem : report.problems)
        logMessage(problem.format, problem.problem.count, problem.problem.count == 1 ? "" : "s", problem.kind.c_str(),
                   problem.file.c_str(), problem.problem.firstLine);
}
