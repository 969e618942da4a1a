#include "core/mesh/objMesh.h"

#include "core/mesh/objParse.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "core/mesh/weldTwoParts.h"
#include "core/platform/platform.h"

#include <atomic>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace {

// How far ahead of the welding the other thread faults in the memory it will write, and how much
// at a time: a few slices' worth, little more memory than the welding itself would hold.
constexpr size_t warmedAhead = size_t(64) << 10;
constexpr size_t warmedTogether = size_t(32) << 10;

// One of the welding's output arrays: how far it is written and reserved, as the welding thread
// last told (addresses, which change when the array grows), and how far the other thread has
// faulted it in.
struct WarmedArray {
    std::atomic<uintptr_t> written{0}, reserved{0};
    uintptr_t warmed = 0;  // the other thread's alone
};

enum { warmedVertices, warmedIndices, warmedCacheEntries, warmedArrays };

// What the reading hands on as it goes: complete faces to the welder, passed text to the caller.
struct Reading {
    Welder welder;
    Smoothing smoothing;  // of the faces kept so far
    const ObjReadControl* control;
    size_t size;        // of the text
    size_t told;        // the last offset told to control->passed
    WorkLooks looks;    // of the welding and the smoothing
    WarmedArray warmed[warmedArrays];
    std::vector<uint32_t> vertexOf;  // of each distinct corner a slice's faces are given as
};

template <typename T>
void tellWritten(WarmedArray& array, const std::vector<T>& values)
{
    array.written.store(uintptr_t(values.data() + values.size()), std::memory_order_relaxed);
    array.reserved.store(uintptr_t(values.data() + values.capacity()), std::memory_order_relaxed);
}

void tellLookedAhead(void* context, size_t from, size_t to)
{
    const ObjReadControl& control = *static_cast<Reading*>(context)->control;
    if (control.lookedAhead)
        control.lookedAhead(control.context, from, to);
}

// Tells the other thread how far the welding's output is written.
void tellWelded(Reading& reading)
{
    tellWritten(reading.warmed[warmedVertices], reading.welder.mesh.vertices);
    tellWritten(reading.warmed[warmedIndices], reading.welder.mesh.indices);
    tellWritten(reading.warmed[warmedCacheEntries], reading.welder.cache.entries);
}

// On the other thread of a reading in slices, while it waits: faults in the next part of the
// output arrays' reserved memory, up to warmedAhead past where the welding writes, so that the
// welding thread does not stop for the pages (a fifth of its time on the limit torus). False when
// every array is faulted in as far as it goes for now.
bool warmWeldOutput(void* context)
{
    Reading& reading = *static_cast<Reading*>(context);
    for (WarmedArray& array : reading.warmed) {
        uintptr_t written = array.written.load(std::memory_order_relaxed);
        uintptr_t reserved = array.reserved.load(std::memory_order_relaxed);
        if (array.warmed < written || array.warmed > reserved)
            array.warmed = written;  // behind the welding, or the array moved
        uintptr_t until = reserved - written > warmedAhead ? written + warmedAhead : reserved;
        if (array.warmed + warmedTogether / 2 >= until)
            continue;
        size_t bytes = until - array.warmed < warmedTogether ? until - array.warmed : warmedTogether;
        prefaultForWriting(reinterpret_cast<const void*>(array.warmed), bytes);
        array.warmed += bytes;
        return true;
    }
    return false;
}

bool tellPassed(void* context, size_t offset)
{
    Reading& reading = *static_cast<Reading*>(context);
    const ObjReadControl& control = *reading.control;
    reading.told = offset;
    return !control.passed || control.passed(control.context, offset);
}

// A look inside the welding or the smoothing: the text before the last offset told is read.
bool goOnWorking(void* context)
{
    return tellPassed(context, static_cast<Reading*>(context)->told);
}

// Whether to go on with the passes after the text.
bool goOn(Reading& reading)
{
    return tellPassed(&reading, reading.size);
}

// Welds the corners after those welded before, a part at a time between looks at whether to go
// on; false when told to stop.
bool weldInParts(Reading& reading, const ObjRecords& records, const ObjCorner* corners, size_t count)
{
    for (size_t done = 0; done < count;) {
        size_t part = count - done < stepsBetweenLooks ? count - done : stepsBetweenLooks;
        weldCorners(reading.welder, records, corners + done, part);
        tellWelded(reading);
        done += part;
        if (!countSteps(&reading.looks, part))
            return false;
    }
    return true;
}

bool weldHandedOnFaces(void* context, ObjRecords& records)
{
    Reading& reading = *static_cast<Reading*>(context);
    bool goOn = weldInParts(reading, records, records.corners.data(), records.corners.size());
    records.corners.clear();
    return goOn;
}

// Welds a slice's faces given as their distinct corners: those a part at a time between looks at
// whether to go on, then each corner's vertex appended; false when told to stop.
bool weldDistinctFaces(void* context, ObjRecords& records, const DistinctCorners& faces)
{
    Reading& reading = *static_cast<Reading*>(context);
    size_t count = faces.distinct.size();
    reading.vertexOf.resize(count);
    for (size_t done = 0; done < count;) {
        size_t part = count - done < stepsBetweenLooks ? count - done : stepsBetweenLooks;
        weldCornersTo(reading.welder, records, faces.distinct.data() + done, part, reading.vertexOf.data() + done);
        tellWelded(reading);
        done += part;
        if (!countSteps(&reading.looks, part))
            return false;
    }
    std::vector<uint32_t>& indices = reading.welder.mesh.indices;
    size_t corners = faces.which.size(), before = indices.size();
    indices.resize(before + corners);
    for (size_t i = 0; i < corners; ++i)
        indices[before + i] = reading.vertexOf[faces.which[i]];
    tellWelded(reading);
    return countSteps(&reading.looks, corners);
}

bool smoothKeptFaces(void* context, ObjRecords& records)
{
    Reading& reading = *static_cast<Reading*>(context);
    return addToSmoothing(reading.smoothing, records, &reading.looks);
}

// The faces kept for smoothing, welded after those welded as they came, in two parts on two
// threads when there are many. The records are all read by now, so the welding is sized for them:
// a vertex on at least two corners, mostly one per position record.
bool weldKeptFaces(ObjRecords& records, Reading& reading)
{
    size_t corners = records.corners.size();
    size_t expected = corners / 2 < records.positions.size() ? corners / 2 : records.positions.size();
    const ObjReadControl& control = *reading.control;
    TwoPartWeld how = twoPartWeldFor(corners, control.sliceBytes ? control.twoPartWeldCorners : 0);
    how.alongside = !control.schedule;
    // the grid holds the first part's vertices alone
    size_t first = corners ? size_t(double(expected) * double(how.secondFrom) / double(corners)) : 0;
    reserveWelding(reading.welder, first, corners);
    reading.welder.mesh.vertices.reserve(reading.welder.mesh.vertices.size() + expected);
    std::vector<uint32_t>& indices = reading.welder.mesh.indices;
    size_t before = indices.size();
    indices.resize(before + corners);
    return weldCornersInTwoParts(reading.welder, records, records.corners.data(), corners, indices.data() + before,
                                 how, &reading.looks);
}

// Reads the material libraries the model names and gives each material it uses the library's
// definition; a model none of whose materials is defined is left without materials. The
// problems go into `problems`: the libraries that cannot be read and the materials none defines,
// then those of the libraries' statements. Looks at whether to go on (control.passed, told the
// text's size) before each library named; false when told to stop.
bool readMaterialLibraries(const char* path, const std::vector<std::string>& libraries, size_t size,
                           const ObjReadControl& control, Mesh& out, ProblemList& problems)
{
    std::vector<Material> defined;
    ProblemList statements;
    std::unordered_set<std::string> named;  // each library once, however often it is named
    for (const std::string& line : libraries)
        for (const std::string& file : libraryFiles(line, path)) {
            if (control.passed && !control.passed(control.context, size))
                return false;
            if (!named.insert(file).second)
                continue;
            // stamped before it is read, so that a change while it is read shows at the next look
            out.files.push_back(ModelFile{file, fileStamp(file.c_str())});
            FileBytes bytes;
            if (readFileBytes(file.c_str(), bytes) != FileStatus::ok) {
                noticeListed(problems, ProblemKind::missingLibraries, file, std::string());
                continue;
            }
            readMtlText(bytes.data, bytes.size, file, defined, statements);
            freeFileBytes(bytes);
        }
    std::unordered_map<std::string, size_t> definitions;  // the first definition of a name stands
    for (size_t i = 0; i < defined.size(); ++i)
        definitions.emplace(defined[i].name, i);
    std::vector<std::string> undefined;
    for (size_t i = 1; i < out.materials.size(); ++i) {
        auto found = definitions.find(out.materials[i].name);
        if (found != definitions.end())
            out.materials[i] = defined[found->second];
        else
            undefined.push_back(out.materials[i].name);
    }
    bool noneDefined = !undefined.empty() && undefined.size() + 1 == out.materials.size();
    for (const std::string& name : undefined)
        noticeListed(problems, noneDefined ? ProblemKind::noMaterialDefined : ProblemKind::undefinedMaterials, name,
                     std::string());
    if (noneDefined) {
        out.materials.clear();
        out.ranges.clear();
        for (MeshBatch& batch : out.batches)
            batch.firstRange = batch.rangeCount = 0;
    }
    appendProblems(problems, statements);
    return true;
}

// The view being read, and who is told of the reading's progress.
struct FileReading {
    FileView* view;
    const ObjReadControl* control;
};

bool passFileViewAt(void* context, size_t offset)
{
    FileReading& reading = *static_cast<FileReading*>(context);
    passFileView(*reading.view, offset);
    const ObjReadControl& control = *reading.control;
    return !control.passed || control.passed(control.context, offset);
}

// The pages of the file looked at for its slices' borders, given back until they are read.
void forgetFileViewAhead(void* context, size_t from, size_t to)
{
    FileReading& reading = *static_cast<FileReading*>(context);
    forgetFileViewRange(*reading.view, from, to);
    const ObjReadControl& control = *reading.control;
    if (control.lookedAhead)
        control.lookedAhead(control.context, from, to);
}

bool lookAtCancel(void* context, size_t)
{
    const std::atomic<bool>* cancel = static_cast<const std::atomic<bool>*>(context);
    return !cancel || !cancel->load(std::memory_order_relaxed);
}

} // namespace

void groupMaterials(std::vector<MaterialRun>& runs, const std::vector<std::string>& names, Mesh& out)
{
    // the faces before the first usemtl line that a face follows have the default material
    if (!runs.empty() && runs[0].firstTriangle > 0)
        runs.insert(runs.begin(), MaterialRun{0, defaultMaterial});
    for (MaterialRun& run : runs)
        run.material = run.material == defaultMaterial ? 0 : run.material + 1;
    out.materials.assign(names.size() + 1, Material());
    for (size_t i = 0; i < names.size(); ++i)
        out.materials[i + 1].name = names[i];
    groupByMaterial(runs, uint32_t(out.materials.size()), out.indices, out.batches, out.ranges);
}

namespace {

// readObjText's reading, once.
SlicedReading readObjTextOnce(const char* text, size_t size, ObjMesh& out, const ObjReadControl& control)
{
    out = ObjMesh();
    Reading reading;
    // a guess from the text's size: some 200 bytes of text a vertex, as in the shared torus; the
    // arrays past it are only reserved, which costs no memory until they are used
    startWelding(reading.welder, size / 200);
    reading.welder.mesh.vertices.reserve(size / 128);
    reading.welder.mesh.indices.reserve(size / 16);
    reading.welder.cache.entries.reserve(size / 128);
    reading.welder.cache.head.reserve(size / 64);
    reading.control = &control;
    reading.size = size;
    reading.told = 0;
    if (control.passed) {
        reading.looks.goOn = goOnWorking;
        reading.looks.context = &reading;
    }
    tellWelded(reading);
    ObjReadSink sink = {weldHandedOnFaces, tellPassed, &reading, smoothKeptFaces, warmWeldOutput, weldDistinctFaces,
                        tellLookedAhead};
    ObjRecords records;
    SlicedReading read = readObjRecordsInSlices(text, size, control.sliceBytes, records, &sink, control.schedule);
    if (read != SlicedReading::read)
        return read;
    if (!goOn(reading))
        return SlicedReading::stopped;

    out.problems = records.problems;
    out.materialLibraries = std::move(records.materialLibraries);
    std::vector<MaterialRun> materialRuns = std::move(records.materials);
    std::vector<std::string> materialNames = std::move(records.materialNames);
    if (!finishSmoothing(reading.smoothing, records, &reading.looks) || !weldKeptFaces(records, reading) ||
        !goOn(reading)) {
        out = ObjMesh();
        return SlicedReading::stopped;
    }
    colorUncoloredVertices(reading.welder, records);  // colours read after the last faces
    records = ObjRecords();  // before the batches are copied out
    reading.welder.grid = WeldGrid();
    reading.welder.cache = CornerCache();
    batchTriangles(reading.welder.mesh, {}, out.mesh);
    if (!materialRuns.empty())
        groupMaterials(materialRuns, materialNames, out.mesh);
    return SlicedReading::read;
}

} // namespace

bool readObjText(const char* text, size_t size, ObjMesh& out, const ObjReadControl& control)
{
    SlicedReading read = readObjTextOnce(text, size, out, control);
    if (read == SlicedReading::textChanged) {
        // a file written while it was read: read again on one thread, which checks every index
        // against the records it read itself, whatever the text became meanwhile
        ObjReadControl oneThread = control;
        oneThread.sliceBytes = 0;
        read = readObjTextOnce(text, size, out, oneThread);
    }
    return read == SlicedReading::read;
}

FileStatus readObjFileWith(const char* path, Mesh& out, ProblemList& problems, const ObjReadControl& control)
{
    out = Mesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;
    FileReading reading = {&view, &control};
    ObjReadControl viewed = control;
    viewed.passed = passFileViewAt;
    viewed.lookedAhead = forgetFileViewAhead;
    viewed.context = &reading;
    ObjMesh read;
    size_t size = view.size;
    bool whole = readObjText(view.data, view.size, read, viewed);
    if (!closeFileView(view))
        notice(read.problems[ProblemKind::fileShrank], 0);
    if (!whole)
        return FileStatus::cancelled;
    out = std::move(read.mesh);
    addTalliesToList(problems, read.problems, std::string());
    if ((!out.materials.empty() || !read.materialLibraries.empty()) &&
        !readMaterialLibraries(path, read.materialLibraries, size, control, out, problems)) {
        out = Mesh();
        return FileStatus::cancelled;
    }
    return FileStatus::ok;
}

FileStatus readObjFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel,
                       size_t sliceBytes)
{
    ObjReadControl control;
    control.passed = lookAtCancel;
    control.context = const_cast<std::atomic<bool>*>(cancel);
    control.sliceBytes = sliceBytes;
    return readObjFileWith(path, out, problems, control);
}
