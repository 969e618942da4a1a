#include "core/mesh/plyHeader.h"

#include "core/mesh/textWords.h"

#include <cstring>

namespace {

const struct {
    const char* name;
    PlyType type;
} typeNames[] = {
    {"char", PlyType::int8},     {"int8", PlyType::int8},       {"uchar", PlyType::uint8},
    {"uint8", PlyType::uint8},   {"short", PlyType::int16},     {"int16", PlyType::int16},
    {"ushort", PlyType::uint16}, {"uint16", PlyType::uint16},   {"int", PlyType::int32},
    {"int32", PlyType::int32},   {"uint", PlyType::uint32},     {"uint32", PlyType::uint32},
    {"float", PlyType::float32}, {"float32", PlyType::float32}, {"double", PlyType::float64},
    {"float64", PlyType::float64},
};

const struct {
    const char* name;
    PlyRole role;
} vertexRoles[] = {
    {"x", PlyRole::x},
    {"y", PlyRole::y},
    {"z", PlyRole::z},
    {"nx", PlyRole::nx},
    {"ny", PlyRole::ny},
    {"nz", PlyRole::nz},
    {"u", PlyRole::u},
    {"v", PlyRole::v},
    {"s", PlyRole::u},
    {"t", PlyRole::v},
    {"texture_u", PlyRole::u},
    {"texture_v", PlyRole::v},
    {"texture_s", PlyRole::u},
    {"texture_t", PlyRole::v},
    {"red", PlyRole::red},
    {"green", PlyRole::green},
    {"blue", PlyRole::blue},
    {"diffuse_red", PlyRole::red},  // as older scanners name them
    {"diffuse_green", PlyRole::green},
    {"diffuse_blue", PlyRole::blue},
};

PlyType typeNamed(const unsigned char* word, size_t length)
{
    for (const auto& named : typeNames)
        if (wordIs(word, length, named.name))
            return named.type;
    return PlyType::none;
}

// A decimal of at most 19 digits without a sign, as a count; false for anything else.
bool readCount(const unsigned char* word, size_t length, uint64_t& count)
{
    if (length == 0 || length > 19)
        return false;
    count = 0;
    for (size_t i = 0; i < length; ++i) {
        if (word[i] < '0' || word[i] > '9')
            return false;
        count = count * 10 + uint64_t(word[i] - '0');
    }
    return true;
}

// The role of property `name` in an element of `kind`, unless the element has it already.
PlyRole roleOf(PlyElementKind kind, bool list, const unsigned char* name, size_t length, const bool* taken)
{
    PlyRole role = PlyRole::none;
    if (kind == PlyElementKind::vertex && !list) {
        for (const auto& named : vertexRoles)
            if (wordIs(name, length, named.name))
                role = named.role;
    } else if (kind == PlyElementKind::face && list &&
               (wordIs(name, length, "vertex_indices") || wordIs(name, length, "vertex_index"))) {
        role = PlyRole::indices;
    }
    return taken[size_t(role)] ? PlyRole::none : role;
}

bool namesFaceIndices(const unsigned char* name, size_t length)
{
    return wordIs(name, length, "vertex_indices") || wordIs(name, length, "vertex_index");
}

// Reads one declaration line of the header into `header`; false with `fault` set when it cannot
// be read. `taken` marks the roles the current element has.
bool readDeclaration(Words words, PlyHeader& header, bool* taken, std::string& fault)
{
    const unsigned char* word;
    size_t length;
    nextWord(words, word, length);
    if (wordIs(word, length, "format")) {
        const unsigned char* name;
        size_t nameLength;
        if (!nextWord(words, name, nameLength)) {
            fault = "a format line without its format";
            return false;
        }
        const struct {
            const char* name;
            PlyFormat format;
        } formats[] = {{"ascii", PlyFormat::ascii},
                       {"binary_little_endian", PlyFormat::binaryLittle},
                       {"binary_big_endian", PlyFormat::binaryBig}};
        for (const auto& known : formats)
            if (wordIs(name, nameLength, known.name))
                header.format = known.format;
        if (header.format == PlyFormat::none)
            fault = "format [" + wordText(name, nameLength) + "] unknown";
        return header.format != PlyFormat::none;
    }
    if (wordIs(word, length, "element")) {
        const unsigned char *name, *countWord;
        size_t nameLength, countLength;
        uint64_t count = 0;
        if (!nextWord(words, name, nameLength) || !nextWord(words, countWord, countLength) ||
            !readCount(countWord, countLength, count)) {
            fault = "an element without a name and a count";
            return false;
        }
        PlyElementKind kind = PlyElementKind::other;
        bool vertexSeen = false, faceSeen = false;
        for (const PlyElement& element : header.elements) {
            vertexSeen = vertexSeen || element.kind == PlyElementKind::vertex;
            faceSeen = faceSeen || element.kind == PlyElementKind::face;
        }
        if (wordIs(name, nameLength, "vertex") && !vertexSeen)
            kind = PlyElementKind::vertex;
        else if (wordIs(name, nameLength, "face") && !faceSeen)
            kind = PlyElementKind::face;
        header.elements.push_back(
            PlyElement{wordText(name, nameLength), count, header.properties.size(), 0, kind, false});
        for (size_t role = 0; role < size_t(PlyRole::count); ++role)
            taken[role] = false;
        return true;
    }
    // a property
    if (header.elements.empty()) {
        fault = "a property before any element";
        return false;
    }
    PlyElement& element = header.elements.back();
    const unsigned char *typeWord, *name;
    size_t typeLength, nameLength;
    if (!nextWord(words, typeWord, typeLength)) {
        fault = "a property without its type";
        return false;
    }
    bool list = wordIs(typeWord, typeLength, "list");
    PlyType countType = PlyType::none;
    if (list) {
        if (!nextWord(words, typeWord, typeLength)) {
            fault = "a list property without its types";
            return false;
        }
        countType = typeNamed(typeWord, typeLength);
        if (countType == PlyType::none) {
            fault = "property type [" + wordText(typeWord, typeLength) + "] unknown";
            return false;
        }
        if (!nextWord(words, typeWord, typeLength)) {
            fault = "a list property without its item type";
            return false;
        }
    }
    PlyType type = typeNamed(typeWord, typeLength);
    if (type == PlyType::none) {
        fault = "property type [" + wordText(typeWord, typeLength) + "] unknown";
        return false;
    }
    if (!nextWord(words, name, nameLength)) {
        fault = "a property without a name";
        return false;
    }
    PlyRole role = roleOf(element.kind, list, name, nameLength, taken);
    taken[size_t(role)] = role != PlyRole::none;
    if (list && role == PlyRole::none && namesFaceIndices(name, nameLength) && element.kind != PlyElementKind::face)
        element.holdsFaces = true;
    header.properties.push_back(PlyProperty{type, countType, role});
    ++element.propertyCount;
    return true;
}

} // namespace

void noticeHeaderFault(ProblemList& problems, const std::string& fault)
{
    noticeProblem(problems, ProblemKind::headerFault, fault, std::string(), 0);
}

size_t typeSize(PlyType type)
{
    static const size_t sizes[] = {0, 1, 1, 2, 2, 4, 4, 4, 8};
    return sizes[size_t(type)];
}

bool isFloatType(PlyType type)
{
    return type == PlyType::float32 || type == PlyType::float64;
}


bool readPlyHeader(const unsigned char* data, size_t size, PlyHeader& header, ProblemList& problems)
{
    TextLine line = lineAt(data, size, 0);
    Words words = {data + line.begin, data + line.end};
    const unsigned char* word;
    size_t length;
    if (!nextWord(words, word, length) || !wordIs(word, length, "ply") || nextWord(words, word, length)) {
        noticeHeaderFault(problems, "no ply line at its start");
        return false;
    }
    header.lines = 1;
    bool taken[size_t(PlyRole::count)] = {};
    std::string fault;
    size_t elementsBeforeFault = 0;
    for (size_t at = line.next; at < size;) {
        line = lineAt(data, size, at);
        at = line.next;
        ++header.lines;
        words = Words{data + line.begin, data + line.end};
        if (!nextWord(words, word, length) || wordIs(word, length, "comment") || wordIs(word, length, "obj_info"))
            continue;
        if (wordIs(word, length, "end_header")) {
            header.dataStart = line.next;
            if (!fault.empty()) {
                header.elements.resize(elementsBeforeFault);
                header.sound = false;
                noticeHeaderFault(problems, fault);
            }
            if (header.format == PlyFormat::none) {
                if (header.sound)  // else the fault was the format line's
                    noticeHeaderFault(problems, "no format line");
                return false;
            }
            return !header.elements.empty();
        }
        bool declaration =
            wordIs(word, length, "format") || wordIs(word, length, "element") || wordIs(word, length, "property");
        if (!declaration) {
            noticeIgnoredWord(problems, word, length, header.lines);
            continue;
        }
        if (!fault.empty())
            continue;  // the layout of the data is lost from the fault on
        Words declared = {data + line.begin, data + line.end};
        size_t elements = header.elements.size();
        if (!readDeclaration(declared, header, taken, fault)) {
            fault = "line " + std::to_string(header.lines) + ": " + fault;
            // a faulty element line leaves out itself; a faulty property line, its element too
            elementsBeforeFault = wordIs(word, length, "element") ? elements : (elements > 0 ? elements - 1 : 0);
        }
    }
    noticeHeaderFault(problems, "no end_header line");
    return false;
}

