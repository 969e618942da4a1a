#include "assets/obj/objReader.h"

#include "assets/obj/objParse.h"
#include "assets/obj/smoothing.h"
#include "assets/obj/weld.h"

void buildObjMesh(ObjRecords& records, ObjMesh& out)
{
    out = ObjMesh();
    out.report = records.report;
    fillMissingNormals(records);
    WeldedMesh welded;
    weldTriangles(records, welded);
    records = ObjRecords();  // before the batches are copied out
    splitIntoBatches(welded, out.vertices, out.indices, out.batches);
}

void readObj(const char* text, size_t size, ObjMesh& out)
{
    ObjRecords records;
    readObjRecords(text, size, records);
    buildObjMesh(records, out);
}
