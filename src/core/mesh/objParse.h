#pragma once
// Reading OBJ text into records and faces. Knows nothing of what follows: faces that need nothing
// more can be handed on as they come, through a sink.

#include "core/mesh/cornerCache.h"
#include "core/mesh/objRecords.h"

#include <cstddef>
#include <cstdint>

// Where readObjRecords may hand on the reading as it goes; every member is optional.
struct ObjReadSink {
    // Faces whose corners all have normals, while no face before them lacked one, need nothing
    // from the rest of the text: they are handed on in batches of a few thousand corners, in
    // records.corners, which takeFaces must empty; the reading stops when it returns false. From
    // the first face that lacks a normal on, faces are kept in out.corners (with their smoothing
    // groups and polygons) and never handed on.
    bool (*takeFaces)(void* context, ObjRecords& records);
    // Told now and then, in order, that the text before `offset` will not be read again: at the
    // end of the line that passes each MB of text, inside a face line every MB, and while a long
    // polygon is fanned (the same offset again); the reading stops there when it returns false.
    bool (*passed)(void* context, size_t offset);
    void* context;
    // Told by readObjRecordsInSlices, after it kept more faces, with every record they use read:
    // work on the kept faces may begin (summing their smoothing), which leaves them as they are
    // but for their normals; the reading stops when it returns false. readObjRecords does not
    // call it.
    bool (*keptFaces)(void* context, ObjRecords& records);
    // Called by readObjRecordsInSlices on its other thread, while that has no slice to read: work
    // that needs no order (faulting in the memory that takeFaces will write), apart from all the
    // rest; returns false when it has none until the next slice is put back.
    bool (*aside)(void* context);
    // When given, readObjRecordsInSlices hands on the faces of a slice as their distinct corners
    // and which one each corner is (findDistinctCorners, on whichever thread read the slice)
    // instead of through takeFaces: the same faces, in the same order, with every record they use
    // in `records`; the reading stops when it returns false.
    bool (*takeDistinctFaces)(void* context, ObjRecords& records, const DistinctCorners& faces);
    // Told by readObjRecordsInSlices as it cuts the text into slices, before reading any, after
    // it looked at the text in [from, to) for where a slice ends: that text may be forgotten until
    // it is read (it is read again from its source).
    void (*lookedAhead)(void* context, size_t from, size_t to) = nullptr;
};

// Reads `size` bytes of OBJ text into `out`, replacing what it held. The text is taken in pieces
// as fgets with a 1024-byte buffer takes it: up to and including a newline, at most 1023 bytes,
// but that a face line (a piece starting "f ", and the lines continuing it) is read up to its
// newline however long it is. Each piece is a line of its own and ends at its first zero byte, except that a piece ending in
// a backslash before its newline goes on with the next piece (the backslash read as a space); the
// last piece, without a newline, goes on into the end of the text, which ends the line, when it
// would go on had the text a final newline.
// Lines are classified on their exact first characters: "v ", "vt " and "vn " records (a "v"
// with six numbers gives its position a color), "f " faces (polygons fanned into triangles),
// "s " smoothing groups ("off", 0 or a number), "usemtl " the material of the faces that follow,
// "mtllib " the material libraries; other lines are passed over. Problems are counted with the
// number of the line they start on. The text needs no terminator: nothing past `size` is read.
// False when sink->passed stopped the reading.
bool readObjRecords(const char* text, size_t size, ObjRecords& out, const ObjReadSink* sink = nullptr);

// Where the reading of a text stands at the start of a line that continues none: the line's
// number, the records read before it, the smoothing group and the material in force.
struct ObjReadState {
    uint32_t line;
    RecordCounts records;
    uint64_t group;
    uint32_t material;  // a number of the reading's own materialNames, defaultMaterial or inheritedMaterial
};

constexpr ObjReadState objTextStart = {1, {0, 0, 0}, defaultGroup, defaultMaterial};

// The material of a slice's faces before its first usemtl line, read apart from the text before
// it: the one in force where the slice starts.
constexpr uint32_t inheritedMaterial = 0xFFFFFFFEu;

// The first offset from `from` on where a slice of the text may start: just after a newline that
// ends a line no backslash continues (none before it, nor before a carriage return before it),
// where readObjRecords starts a new line afresh; `size` when there is none.
size_t objSliceBorder(const char* text, size_t size, size_t from);

// Reads a slice of a text, `size` bytes from `text`, exactly as readObjRecords reads those lines
// within the whole text, given the state the text before it leaves: the slice starts the text or
// at a border (objSliceBorder), and ends the text or at a border. `out` (replaced) gets the slice's
// own records, the text's later ones numbered from start.records on, and all its faces, each kept
// as readObjRecords keeps a face lacking a normal (with its group and polygon runs), their indices
// numbering the whole text's records; problems carry the text's line numbers. Its materials are
// its own: named in out.materialNames in order of first use within it, start.material where
// none is named yet (inheritedMaterial for all but the text's first slice), and its colours
// those of its own positions. Returns the state after the slice.
ObjReadState readObjSlice(const char* text, size_t size, const ObjReadState& start, ObjRecords& out);

// The state after the slice, as readObjSlice returns it, read without keeping anything.
ObjReadState skimObjSlice(const char* text, size_t size, const ObjReadState& start);
