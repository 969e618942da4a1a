#include "core/mesh/objMesh.h"

#include "core/diag/log.h"
#include "core/mesh/objParse.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"

namespace {

// What the reading hands on as it goes: complete faces to the welder, passed text to the caller.
struct Reading {
    Welder welder;
    void (*passed)(void* context, size_t offset);
    void* context;
};

void weldHandedOnFaces(void* context, ObjRecords& records)
{
    Reading& reading = *static_cast<Reading*>(context);
    weldCorners(reading.welder, records, records.corners.data(), records.corners.size());
    records.corners.clear();
}

void tellPassed(void* context, size_t offset)
{
    Reading& reading = *static_cast<Reading*>(context);
    if (reading.passed)
        reading.passed(reading.context, offset);
}

// The faces kept for smoothing, welded after those welded as they came. The records are all
// read by now, so the welding is sized for them: a vertex on at least two corners, mostly one
// per position record.
void weldKeptFaces(ObjRecords& records, Welder& welder)
{
    size_t corners = records.corners.size();
    size_t expected = corners / 2 < records.positions.size() ? corners / 2 : records.positions.size();
    reserveWelding(welder, expected, corners);
    weldCorners(welder, records, records.corners.data(), corners);
}

// `what` has the count (%u), the plural ending of the word after it (%s), the path (%s) and the
// first line (%u), in that order.
void logProblem(const ObjProblem& problem, const char* what, const char* path)
{
    if (problem.count > 0)
        logMessage(what, problem.count, problem.count == 1 ? "" : "s", path, problem.firstLine);
}

void passFileViewAt(void* view, size_t offset)
{
    passFileView(*static_cast<FileView*>(view), offset);
}

} // namespace

void readObjText(const char* text, size_t size, ObjMesh& out, void (*passed)(void* context, size_t offset),
                 void* context)
{
    out = ObjMesh();
    Reading reading;
    // a guess from the text's size: some 200 bytes of text a vertex, as in the shared torus
    startWelding(reading.welder, size / 200);
    reading.passed = passed;
    reading.context = context;
    ObjReadSink sink = {weldHandedOnFaces, tellPassed, &reading};
    ObjRecords records;
    readObjRecords(text, size, records, &sink);

    out.report = records.report;
    fillMissingNormals(records);
    weldKeptFaces(records, reading.welder);
    records = ObjRecords();  // before the batches are copied out
    reading.welder.grid = WeldGrid();
    reading.welder.cache = CornerCache();
    splitIntoBatches(reading.welder.mesh, out.vertices, out.indices, out.batches);
}

FileStatus readMeshFile(const char* path, ObjMesh& out)
{
    out = ObjMesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;
    readObjText(view.data, view.size, out, passFileViewAt, &view);
    out.report.fileShrank = !closeFileView(view);
    return FileStatus::ok;
}

void logObjReport(const ObjReport& report, const char* path)
{
    if (report.fileShrank)
        logMessage("File [%s] shrank while it was read", path);
    logProblem(report.invalidFaces, "Skipped %u face%s with invalid indices in [%s], first at line %u", path);
    logProblem(report.missingTexCoords,
               "Gave %u corner%s with an out-of-range texture index the texture coordinate (0, 0) in [%s], "
               "first at line %u", path);
    logProblem(report.missingNormals,
               "Gave %u corner%s with an out-of-range normal index a computed normal in [%s], first at line %u", path);
    logProblem(report.missingNumbers, "Read missing numbers as 0 in %u record%s of [%s], first at line %u", path);
    logProblem(report.nonFiniteNumbers, "Read %u non-finite number%s as 0 in [%s], first at line %u", path);
}
