#include "core/mesh/modelBytes.h"

#include <string>
#include <utility>

namespace {

struct ViewReading {
    FileView* view;
    const std::atomic<bool>* cancel;
};

bool passViewAt(void* context, size_t offset)
{
    ViewReading& reading = *static_cast<ViewReading*>(context);
    passFileView(*reading.view, offset);
    return !reading.cancel || !reading.cancel->load(std::memory_order_relaxed);
}

} // namespace

void batchWeldedTriangles(WeldedMesh& welded, Mesh& out)
{
    splitIntoBatchesInPlace(welded, out.vertices, out.indices, out.batches, maxBatchVertices, &out.colors);
    out.primitive = MeshPrimitive::triangles;
    out.ranges.clear();
}

FileStatus readModelBytesFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel,
                              ModelBytesReader read)
{
    out = Mesh();
    FileView view;
    FileStatus status = viewFile(path, view);
    if (status != FileStatus::ok)
        return status;
    ViewReading reading = {&view, cancel};
    ReadProgress progress;
    progress.passed = passViewAt;
    progress.context = &reading;
    ProblemList readProblems;
    bool whole = read(reinterpret_cast<const unsigned char*>(view.data), view.size, out, readProblems, progress);
    if (!closeFileView(view))
        noticeProblem(readProblems, ProblemKind::fileShrank, std::string(), std::string(), 0);
    if (!whole) {
        out = Mesh();
        return FileStatus::cancelled;
    }
    appendProblems(problems, readProblems);
    return FileStatus::ok;
}
