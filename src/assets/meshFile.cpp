#include "assets/meshFile.h"

#include "assets/obj/objParse.h"
#include "diag/log.h"

#include <cstdlib>
#include <new>

namespace {

const char* fileBeingRead;

// Called by operator new when it cannot allocate: no data structure of the reader survives that.
void reportNoMemory()
{
    logMessage("Not enough memory to read [%s]", fileBeingRead);
    exit(1);
}

// `what` has the count (%u), the plural ending of the word after it (%s), the path (%s) and the
// first line (%u), in that order.
void logProblem(const ObjProblem& problem, const char* what, const char* path)
{
    if (problem.count > 0)
        logMessage(what, problem.count, problem.count == 1 ? "" : "s", path, problem.firstLine);
}

} // namespace

FileStatus readMeshFile(const char* path, ObjMesh& out)
{
    out = ObjMesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;

    fileBeingRead = path;
    std::new_handler previous = std::set_new_handler(reportNoMemory);
    Welder welder;
    startObjWelding(welder, view.size);
    // the pages of the file are given back as the reading passes them
    ObjStream stream = {&welder, [](void* context, size_t offset) { passFileView(*static_cast<FileView*>(context), offset); },
                        &view};
    ObjRecords records;
    readObjRecords(view.data, view.size, records, &stream);
    if (!closeFileView(view))
        logMessage("File [%s] shrank while it was read", path);
    buildObjMesh(records, welder, out);
    std::set_new_handler(previous);

    logObjReport(out.report, path);
    return FileStatus::ok;
}

void logObjReport(const ObjReport& report, const char* path)
{
    logProblem(report.invalidFaces, "Skipped %u face%s with invalid indices in [%s], first at line %u", path);
    logProblem(report.missingTexCoords,
               "Gave %u corner%s with an out-of-range texture index the texture coordinate (0, 0) in [%s], "
               "first at line %u", path);
    logProblem(report.missingNormals,
               "Gave %u corner%s with an out-of-range normal index a computed normal in [%s], first at line %u", path);
    logProblem(report.missingNumbers, "Read missing numbers as 0 in %u record%s of [%s], first at line %u", path);
    logProblem(report.nonFiniteNumbers, "Read %u non-finite number%s as 0 in [%s], first at line %u", path);
}
