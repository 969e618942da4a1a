#include "core/mesh/objParse.h"

#include "core/mesh/numberScan.h"
#include "core/mesh/polygons.h"
#include "core/mesh/workLooks.h"

#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

constexpr size_t maxPieceLength = 1023;  // what fgets reads into a 1024-byte buffer
constexpr size_t handedOnTogether = 3 * 4096;  // corners handed on in one go
constexpr size_t fannedTogether = 4096;        // triangles of a polygon fanned between two looks
constexpr size_t passedEvery = size_t(1) << 19;  // bytes of text between two calls of passed

struct LineReader {
    ObjRecords* records;
    const ObjReadSink* sink;
    const char* text;    // the text being read, and its size
    size_t size;
    size_t consumed;     // the offset past the piece being read
    size_t toldMb;       // the MB of text last told to sink->passed (offset / passedEvery)
    WorkLooks looks;     // while a long polygon is fanned
    bool handingOn;      // while complete faces are handed on as they come
    bool skimming;       // only counting the records, keeping nothing (skimObjSlice)
    uint32_t line;       // the line being read
    uint32_t lineStart;  // the line where a continued line began
    uint64_t group;      // smoothing group of the faces that follow
    uint32_t material;   // material of the faces that follow
    std::unordered_map<std::string, uint32_t> materialIds;  // usemtl name -> index in materialNames
    RecordCounts before;   // the records read before the text given (a slice's start)
    RecordCounts skimmed;  // while skimming, the records counted
    std::vector<ObjCorner> polygon;
    std::string continued;  // a line continued by backslashes, so far
};

// Tells sink->passed that the text before `offset` will not be read again; false when it says to
// stop.
bool tellPassed(LineReader& reader, size_t offset)
{
    reader.toldMb = offset / passedEvery > reader.toldMb ? offset / passedEvery : reader.toldMb;
    return reader.sink->passed(reader.sink->context, offset);
}

// A look while a polygon is fanned: the text before the line's end is read.
bool goOnFanning(void* context)
{
    LineReader& reader = *static_cast<LineReader*>(context);
    return tellPassed(reader, reader.consumed);
}

// A look inside a long face line, told once per MB of text as readPieces tells between lines: the
// offset the scan stands at when the line is read in place, else the end of the pieces copied.
bool lookInsideLine(LineLook& look, const char* scanned)
{
    LineReader& reader = *static_cast<LineReader*>(look.context);
    if (scanned < reader.text || scanned >= reader.text + reader.size) {
        look.at = scanned + passedEvery;
        return tellPassed(reader, reader.consumed);
    }
    size_t offset = size_t(scanned - reader.text);
    look.at = reader.text + (offset / passedEvery + 1) * passedEvery;
    return tellPassed(reader, offset);
}

// A reader of `out` from `start`, with nothing read yet.
void startLineReader(LineReader& reader, ObjRecords* out, const ObjReadSink* sink, const ObjReadState& start)
{
    reader.records = out;
    reader.sink = sink;
    reader.text = nullptr;
    reader.size = 0;
    reader.consumed = 0;
    reader.toldMb = 0;
    reader.looks = WorkLooks();
    if (sink && sink->passed) {
        reader.looks.goOn = goOnFanning;
        reader.looks.context = &reader;
    }
    reader.handingOn = sink && sink->takeFaces;
    reader.skimming = false;
    reader.line = start.line;
    reader.lineStart = start.line;
    reader.group = start.group;
    reader.material = start.material;
    reader.before = start.records;
    reader.skimmed = RecordCounts{0, 0, 0};
}

// The records read so far, those before the text included, as face indices name them.
RecordCounts recordsSoFar(const LineReader& reader)
{
    const ObjRecords& records = *reader.records;
    return RecordCounts{reader.before.positions + records.positions.size(),
                        reader.before.texCoords + records.texCoords.size(),
                        reader.before.normals + records.normals.size()};
}

// Scans `count` numbers into values; missing ones and non-finite ones become 0 and are reported.
void scanRecordNumbers(LineReader& reader, const char* text, float* values, int count)
{
    ProblemTallies& problems = reader.records->problems;
    for (int i = 0; i < count; ++i)
        values[i] = 0.0f;
    if (scanFloats(text, values, count) < count)
        notice(problems[ProblemKind::missingNumbers], reader.lineStart);
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) {
            values[i] = 0.0f;
            notice(problems[ProblemKind::nonFiniteNumbers], reader.lineStart);
        }
    }
}

// A position record: x y z, and r g b after them when there are all three.
void readPosition(LineReader& reader, const char* text)
{
    ObjRecords& records = *reader.records;
    float v[6] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    int scanned = scanFloats(text, v, 6);
    if (scanned < 3)
        notice(records.problems[ProblemKind::missingNumbers], reader.lineStart);
    int kept = scanned >= 6 ? 6 : 3;
    for (int i = 0; i < kept; ++i) {
        if (!std::isfinite(v[i])) {
            v[i] = 0.0f;
            notice(records.problems[ProblemKind::nonFiniteNumbers], reader.lineStart);
        }
    }
    records.positions.push_back(Vector3{v[0], v[1], v[2]});
    if (kept == 6 && records.colors.empty())  // the first colour: the positions before it are white
        for (size_t i = 0; i + 1 < records.positions.size(); ++i)
            records.colors.push_back(Vector3{1.0f, 1.0f, 1.0f});
    if (kept == 6)
        records.colors.push_back(Vector3{v[3], v[4], v[5]});
    else if (!records.colors.empty())
        records.colors.push_back(Vector3{1.0f, 1.0f, 1.0f});
}

// The rest of a line, without the white space around it.
std::string restOfLine(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    size_t length = strcspn(text, "\n");
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' || text[length - 1] == '\r'))
        --length;
    return std::string(text, length);
}

// "usemtl NAME": the faces that follow use material NAME.
void readUseMaterial(LineReader& reader, const char* text)
{
    std::vector<std::string>& names = reader.records->materialNames;
    auto found = reader.materialIds.emplace(restOfLine(text), uint32_t(names.size()));
    if (found.second)
        names.push_back(found.first->first);
    reader.material = found.first->second;
}

// False when takeFaces says to stop.
bool handOnFaces(LineReader& reader)
{
    return reader.records->corners.empty() || reader.sink->takeFaces(reader.sink->context, *reader.records);
}

// Fans the polygon read into records.corners a part at a time, handing the corners on as they
// gather while `handingOn`, else looking at whether to go on between parts; false when told to stop.
bool fanInParts(LineReader& reader, bool handingOn)
{
    ObjRecords& records = *reader.records;
    size_t triangles = reader.polygon.size() - 2;
    for (size_t first = 0; first < triangles; first += fannedTogether) {
        size_t part = triangles - first < fannedTogether ? triangles - first : fannedTogether;
        fanPolygon(reader.polygon, first, part, records.corners);
        bool goOn = handingOn ? records.corners.size() < handedOnTogether || handOnFaces(reader)
                              : countSteps(&reader.looks, 3 * part);
        if (!goOn)
            return false;
    }
    return true;
}

// A face line; false when the sink said to stop.
bool readFace(LineReader& reader, const char* text)
{
    ObjRecords& records = *reader.records;
    FaceProblems problems;
    LineLook look = {text + passedEvery, lookInsideLine, &reader};
    if (reader.text && text >= reader.text && text < reader.text + reader.size)
        look.at = reader.text + (reader.toldMb + 1) * passedEvery;
    FaceScan scan = scanFace(text, recordsSoFar(reader), reader.polygon, problems,
                             reader.sink && reader.sink->passed ? &look : nullptr);
    if (scan == FaceScan::stopped)
        return false;
    if (scan == FaceScan::invalid) {
        notice(records.problems[ProblemKind::invalidFaces], reader.lineStart);
        return true;
    }
    noticeSome(records.problems[ProblemKind::missingTexCoords], reader.lineStart, problems.missingTexCoords);
    noticeSome(records.problems[ProblemKind::missingNormals], reader.lineStart, problems.missingNormals);
    // the materials run over every triangle, handed on or kept
    if (reader.material != defaultMaterial || !records.materials.empty())
        if (records.materials.empty() || records.materials.back().material != reader.material)
            records.materials.push_back(MaterialRun{records.triangles, reader.material});
    records.triangles += uint32_t(reader.polygon.size() - 2);
    if (reader.handingOn) {
        if (!lacksNormal(reader.polygon.data(), reader.polygon.size()))
            return fanInParts(reader, true);
        // this face and all after it are kept, for the smoothing
        reader.handingOn = false;
        if (!handOnFaces(reader))
            return false;
    }
    uint32_t triangle = uint32_t(records.corners.size() / 3);
    if (records.groups.empty() || records.groups.back().group != reader.group)
        records.groups.push_back(GroupRun{triangle, reader.group});
    if (reader.polygon.size() > 3)  // smoothed as a whole
        records.polygons.push_back(PolygonRun{triangle, uint32_t(reader.polygon.size() - 2)});
    return fanInParts(reader, false);
}

// "s off" and "s 0" facet the faces that follow, "s N" puts them in group N; anything else is ignored.
void readSmoothingGroup(LineReader& reader, const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (strncmp(text, "off", 3) == 0) {
        reader.group = facetedGroup;
        return;
    }
    if (*text < '0' || *text > '9')
        return;
    // the group is the number itself below 2^63 (0 is facetedGroup); a larger one, of any length,
    // is named by a hash of its digits with the top bit set (FNV-1a), never defaultGroup
    while (*text == '0' && text[1] >= '0' && text[1] <= '9')
        ++text;
    const uint64_t largest = (uint64_t(1) << 63) - 1;
    uint64_t number = 0, hash = 14695981039346656037ull;
    bool large = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        uint64_t digit = uint64_t(*text - '0');
        hash = (hash ^ digit) * 1099511628211ull;
        large = large || number > (largest - digit) / 10;
        number = large ? number : number * 10 + digit;
    }
    hash |= uint64_t(1) << 63;
    reader.group = !large ? number : hash == defaultGroup ? defaultGroup - 1 : hash;
}

// What readLine keeps of a line while skimming: the count of its records, and the smoothing group.
void skimLine(LineReader& reader, const char* line)
{
    if (line[0] == 'v' && line[1] == ' ')
        ++reader.skimmed.positions;
    else if (line[0] == 'v' && line[1] == 't' && line[2] == ' ')
        ++reader.skimmed.texCoords;
    else if (line[0] == 'v' && line[1] == 'n' && line[2] == ' ')
        ++reader.skimmed.normals;
    else if (line[0] == 's' && line[1] == ' ')
        readSmoothingGroup(reader, line + 2);
}

// Classifies one line, which ends at its first zero byte or newline, on its exact leading
// characters; false when the sink said to stop.
bool readLine(LineReader& reader, const char* line)
{
    ObjRecords& records = *reader.records;
    if (reader.skimming) {
        skimLine(reader, line);
        return true;
    }
    if (line[0] == 'v' && line[1] == ' ') {
        readPosition(reader, line + 2);
    } else if (line[0] == 'v' && line[1] == 't' && line[2] == ' ') {
        float v[2];
        scanRecordNumbers(reader, line + 3, v, 2);
        records.texCoords.push_back(Vector2{v[0], v[1]});
    } else if (line[0] == 'v' && line[1] == 'n' && line[2] == ' ') {
        float v[3];
        scanRecordNumbers(reader, line + 3, v, 3);
        records.normals.push_back(Vector3{v[0], v[1], v[2]});
    } else if (line[0] == 'f' && line[1] == ' ') {
        return readFace(reader, line + 2);
    } else if (line[0] == 's' && line[1] == ' ') {
        readSmoothingGroup(reader, line + 2);
    } else if (strncmp(line, "usemtl ", 7) == 0) {
        readUseMaterial(reader, line + 7);
    } else if (strncmp(line, "mtllib ", 7) == 0) {
        records.materialLibraries.push_back(restOfLine(line + 7));
    }
    return true;
}

// True when the line, of at least `length` bytes, starts as a face line does.
bool isFaceLine(const char* line, size_t length)
{
    return length >= 2 && line[0] == 'f' && line[1] == ' ';
}

// Length of the piece up to and including its closing backslash when it ends in a continuation:
// a backslash, maybe a carriage return, then its newline or, for a piece that `endsText`, the end
// of the text. 0 when it does not continue. A zero byte inside hides the end, so it never continues.
size_t continuedLength(const char* piece, size_t length, bool endsText)
{
    size_t end = length;
    if (end > 0 && piece[end - 1] == '\n')
        --end;
    else if (!endsText)
        return 0;
    if (end > 0 && piece[end - 1] == '\r')
        --end;
    if (end == 0 || piece[end - 1] != '\\' || memchr(piece, '\0', end))
        return 0;
    return end;
}

// Reads the text in pieces, line after line (see readObjRecords); false when the sink's passed
// stopped it.
bool readPieces(const char* text, size_t size, LineReader& reader)
{
    const ObjReadSink* sink = reader.sink;
    reader.text = text;
    reader.size = size;
    char piece[maxPieceLength + 1];
    size_t offset = 0;
    while (offset < size) {
        const char* start = text + offset;
        // a face line is one piece however long: cut, it would lose corners or read a cut number
        bool face = reader.continued.empty() ? isFaceLine(start, size - offset)
                                             : isFaceLine(reader.continued.data(), reader.continued.size());
        size_t available = face || size - offset < maxPieceLength ? size - offset : maxPieceLength;
        const char* newline = static_cast<const char*>(memchr(start, '\n', available));
        size_t length = newline ? size_t(newline - start) + 1 : available;
        offset += length;
        reader.consumed = offset;
        if (reader.continued.empty())
            reader.lineStart = reader.line;

        // the last piece goes on into the end of the text where it would go on before a final
        // newline; a full piece would not, the newline being a piece of its own
        bool endsText = !newline && offset == size && (face || length < maxPieceLength);
        bool goOn = true;
        if (size_t kept = continuedLength(start, length, endsText)) {
            reader.continued.append(start, kept - 1);
            reader.continued += ' ';  // for the backslash
        } else if (!reader.continued.empty()) {
            const char* zero = static_cast<const char*>(memchr(start, '\0', length));
            reader.continued.append(start, zero ? size_t(zero - start) : length);
            goOn = readLine(reader, reader.continued.c_str());
            reader.continued.clear();
        } else if (newline) {
            // read in place: every scan stops at the newline, as at the end of a piece
            goOn = readLine(reader, start);
        } else if (length <= maxPieceLength) {
            // a piece cut at 1023 bytes, or the last one: a copy gives it its terminator
            memcpy(piece, start, length);
            piece[length] = '\0';
            goOn = readLine(reader, piece);
        } else {
            goOn = readLine(reader, std::string(start, length).c_str());  // a long face on the last line
        }
        if (newline)
            ++reader.line;
        // told once per MB of text: at the end of the piece that passes it, unless a long face
        // line told it while it was scanned
        if (!goOn || (sink && sink->passed && offset / passedEvery > reader.toldMb && !tellPassed(reader, offset)))
            return false;
    }
    if (!reader.continued.empty())  // the text ends in a continuation
        return readLine(reader, reader.continued.c_str());
    return true;
}

ObjReadState stateAfter(const LineReader& reader)
{
    RecordCounts records = recordsSoFar(reader);
    records.positions += reader.skimmed.positions;
    records.texCoords += reader.skimmed.texCoords;
    records.normals += reader.skimmed.normals;
    return ObjReadState{reader.line, records, reader.group, reader.material};
}

} // namespace

bool readObjRecords(const char* text, size_t size, ObjRecords& out, const ObjReadSink* sink)
{
    out = ObjRecords();
    LineReader reader;
    startLineReader(reader, &out, sink, objTextStart);
    if (!readPieces(text, size, reader))
        return false;
    return !reader.handingOn || handOnFaces(reader);
}

size_t objSliceBorder(const char* text, size_t size, size_t from)
{
    while (from < size) {
        const char* newline = static_cast<const char*>(memchr(text + from, '\n', size - from));
        if (!newline)
            return size;
        size_t end = size_t(newline - text);
        if (end > 0 && text[end - 1] == '\r')
            --end;
        from = size_t(newline - text) + 1;
        if (end == 0 || text[end - 1] != '\\')
            return from;
    }
    return size;
}

ObjReadState readObjSlice(const char* text, size_t size, const ObjReadState& start, ObjRecords& out)
{
    out = ObjRecords();
    LineReader reader;
    startLineReader(reader, &out, nullptr, start);
    readPieces(text, size, reader);
    return stateAfter(reader);
}

ObjReadState skimObjSlice(const char* text, size_t size, const ObjReadState& start)
{
    ObjRecords unused;
    LineReader reader;
    startLineReader(reader, &unused, nullptr, start);
    reader.skimming = true;
    readPieces(text, size, reader);
    return stateAfter(reader);
}
