#include "core/mesh/objMesh.h"

#include "core/mesh/objParse.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "core/platform/platform.h"

#include <unordered_map>
#include <unordered_set>

namespace {

// Corners welded between two looks at whether to go on, after the text is read.
constexpr size_t weldedBetweenLooks = size_t(1) << 16;

// What the reading hands on as it goes: complete faces to the welder, passed text to the caller.
struct Reading {
    Welder welder;
    Smoothing smoothing;  // of the faces kept so far
    const ObjReadControl* control;
    size_t size;  // of the text
};

void weldHandedOnFaces(void* context, ObjRecords& records)
{
    Reading& reading = *static_cast<Reading*>(context);
    weldCorners(reading.welder, records, records.corners.data(), records.corners.size());
    records.corners.clear();
}

void smoothKeptFaces(void* context, ObjRecords& records)
{
    addToSmoothing(static_cast<Reading*>(context)->smoothing, records);
}

bool tellPassed(void* context, size_t offset)
{
    const ObjReadControl& control = *static_cast<Reading*>(context)->control;
    return !control.passed || control.passed(control.context, offset);
}

// Whether to go on with the passes after the text.
bool goOn(Reading& reading)
{
    return tellPassed(&reading, reading.size);
}

// The faces kept for smoothing, welded after those welded as they came, a part at a time between
// looks at whether to go on. The records are all read by now, so the welding is sized for them:
// a vertex on at least two corners, mostly one per position record.
bool weldKeptFaces(ObjRecords& records, Reading& reading)
{
    size_t corners = records.corners.size();
    size_t expected = corners / 2 < records.positions.size() ? corners / 2 : records.positions.size();
    reserveWelding(reading.welder, expected, corners);
    for (size_t done = 0; done < corners; done += weldedBetweenLooks) {
        if (!goOn(reading))
            return false;
        size_t part = corners - done < weldedBetweenLooks ? corners - done : weldedBetweenLooks;
        weldCorners(reading.welder, records, records.corners.data() + done, part);
    }
    return true;
}

// Reads the material libraries the model names and gives each material it uses the library's
// definition; a model none of whose materials is defined is left without materials. The
// problems go into `problems`: the libraries that cannot be read and the materials none defines,
// then those of the libraries' statements.
void readMaterialLibraries(const char* path, const std::vector<std::string>& libraries, Mesh& out,
                           ProblemList& problems)
{
    std::vector<Material> defined;
    ProblemList statements;
    std::unordered_set<std::string> named;  // each library once, however often it is named
    for (const std::string& line : libraries)
        for (const std::string& file : libraryFiles(line, path)) {
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
}

// The view being read, and whether to stop.
struct FileReading {
    FileView* view;
    const std::atomic<bool>* cancel;
};

bool passFileViewAt(void* context, size_t offset)
{
    FileReading& reading = *static_cast<FileReading*>(context);
    passFileView(*reading.view, offset);
    return !reading.cancel || !reading.cancel->load(std::memory_order_relaxed);
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
    ObjReadSink sink = {weldHandedOnFaces, tellPassed, &reading, smoothKeptFaces};
    ObjRecords records;
    SlicedReading read = readObjRecordsInSlices(text, size, control.sliceBytes, records, &sink);
    if (read != SlicedReading::read)
        return read;
    if (!goOn(reading))
        return SlicedReading::stopped;

    out.problems = records.problems;
    out.materialLibraries = std::move(records.materialLibraries);
    std::vector<MaterialRun> materialRuns = std::move(records.materials);
    std::vector<std::string> materialNames = std::move(records.materialNames);
    finishSmoothing(reading.smoothing, records);
    if (!weldKeptFaces(records, reading) || !goOn(reading)) {
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

FileStatus readObjFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel,
                       size_t sliceBytes)
{
    out = Mesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;
    FileReading reading = {&view, cancel};
    ObjReadControl control;
    control.passed = passFileViewAt;
    control.context = &reading;
    control.sliceBytes = sliceBytes;
    ObjMesh read;
    bool whole = readObjText(view.data, view.size, read, control);
    if (!closeFileView(view))
        notice(read.problems[ProblemKind::fileShrank], 0);
    if (!whole)
        return FileStatus::cancelled;
    out = std::move(read.mesh);
    addTalliesToList(problems, read.problems, std::string());
    if (!out.materials.empty() || !read.materialLibraries.empty())
        readMaterialLibraries(path, read.materialLibraries, out, problems);
    return FileStatus::ok;
}
