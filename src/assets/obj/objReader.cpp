#include "assets/obj/objReader.h"

#include "assets/obj/objParse.h"
#include "assets/obj/smoothing.h"

void startObjWelding(Welder& welder, size_t size)
{
    // a guess from the text's size: some 200 bytes of text a vertex, as in the shared torus
    startWelding(welder, size / 200);
}

void buildObjMesh(ObjRecords& records, Welder& welder, ObjMesh& out)
{
    out = ObjMesh();
    out.report = records.report;
    fillMissingNormals(records);
    // the kept faces: the records are all read now, so the grid is sized for them
    size_t expected = records.corners.size() / 2 < records.positions.size() ? records.corners.size() / 2
                                                                           : records.positions.size();
    reserveWeldGrid(welder.grid, welder.mesh.vertices, welder.mesh.vertices.size() + expected);
    welder.mesh.vertices.reserve(welder.mesh.vertices.size() + expected);
    welder.mesh.indices.reserve(welder.mesh.indices.size() + records.corners.size());
    weldCorners(welder, records, records.corners.data(), records.corners.size());
    records = ObjRecords();  // before the batches are copied out
    welder.grid = WeldGrid();
    welder.cache = CornerCache();
    splitIntoBatches(welder.mesh, out.vertices, out.indices, out.batches);
}

void readObj(const char* text, size_t size, ObjMesh& out)
{
    Welder welder;
    startObjWelding(welder, size);
    ObjStream stream = {&welder, nullptr, nullptr};
    ObjRecords records;
    readObjRecords(text, size, records, &stream);
    buildObjMesh(records, welder, out);
}
