#include "core/files/fileBytes.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/objParse.h"
#include "core/mesh/objSlices.h"
#include "core/mesh/workLooks.h"
#include "support/sameReading.h"
#include "support/stressMesh.h"
#include "support/tempFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <random>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const std::string records = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0.5\nvt 0 0\nvt 1 1\nvn 0 0 1\n";

// A 300-corner face written v/vt/vn, some 3,000 characters: read whole.
std::string longFace()
{
    std::string face = "f";
    for (int i = 0; i < 300; ++i)
        face += " " + std::to_string(i % 4 + 1) + "/" + std::to_string(i % 2 + 1) + "/1";
    return face;
}

// A schedule that picks each step at random (of a seeded generator).
size_t pickAtRandom(void* context, const SliceStep*, size_t count)
{
    return size_t((*static_cast<std::mt19937*>(context))() % count);
}

// The text read on one thread (sliceBytes 0), two, or with `schedule` on one in its order.
ObjMesh readMesh(const std::string& text, size_t sliceBytes, const SliceSchedule* schedule = nullptr,
                 size_t twoPartWeldFrom = twoPartWeldCorners)
{
    ObjMesh mesh;
    ObjReadControl control;
    control.sliceBytes = sliceBytes;
    control.schedule = schedule;
    control.twoPartWeldCorners = twoPartWeldFrom;
    EXPECT_TRUE(readObjText(text.data(), text.size(), mesh, control));
    return mesh;
}

// Reads the text in slices of each of several sizes, down to a slice at every line end a slice
// may start after, and compares records and mesh with the reading on one thread.
void expectSlicesReadAsOne(const std::string& text, const std::string& name)
{
    ObjRecords one;
    readObjRecords(text.data(), text.size(), one);
    ObjMesh oneMesh = readMesh(text, 0);
    for (size_t sliceBytes : {1, 2, 3, 5, 8, 13, 64, 1000}) {
        std::string context = name + ", slices of " + std::to_string(sliceBytes);
        ObjRecords sliced;
        EXPECT_EQ(readObjRecordsInSlices(text.data(), text.size(), sliceBytes, sliced), SlicedReading::read);
        expectSameRecords(sliced, one, context);
        expectSameMesh(readMesh(text, sliceBytes), oneMesh, context);
        // the steps of the two threads in random orders: every slice read after the ones after it
        // were skimmed, put back as soon as it may be or as late, ...
        for (unsigned seed = 0; seed < 4; ++seed) {
            std::mt19937 rng(seed);
            SliceSchedule schedule = {pickAtRandom, &rng};
            ObjRecords scheduled;
            EXPECT_EQ(readObjRecordsInSlices(text.data(), text.size(), sliceBytes, scheduled, nullptr, &schedule),
                      SlicedReading::read);
            expectSameRecords(scheduled, one, context + ", schedule " + std::to_string(seed));
            expectSameMesh(readMesh(text, sliceBytes, &schedule), oneMesh, context + ", schedule " + std::to_string(seed));
        }
        // each slice skims to the state its reading ends in, whichever thread reads it
        ObjReadState state = objTextStart;
        for (size_t begin = 0, end; begin < text.size(); begin = end) {
            end = objSliceBorder(text.data(), text.size(), begin + sliceBytes);
            ObjRecords slice;
            ObjReadState read = readObjSlice(text.data() + begin, end - begin, state, slice);
            ObjReadState skimmed = skimObjSlice(text.data() + begin, end - begin, state);
            EXPECT_TRUE(read.line == skimmed.line && read.group == skimmed.group &&
                        read.records.positions == skimmed.records.positions &&
                        read.records.texCoords == skimmed.records.texCoords &&
                        read.records.normals == skimmed.records.normals)
                << context << ", the slice from " << begin;
            state = read;
        }
    }
}

// A text of positions without normals, some 1.3 MB: kept whole for the smoothing.
std::string largeGrid()
{
    std::string text;
    char line[64];
    const int side = 150;
    for (int j = 0; j <= side; ++j)
        for (int i = 0; i <= side; ++i) {
            snprintf(line, sizeof(line), "v %d %d %d\n", i, j, (i * j) % 7);
            text += line;
        }
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            int a = j * (side + 1) + i + 1;
            snprintf(line, sizeof(line), "f %d %d %d\nf %d %d %d\n", a, a + 1, a + side + 2, a, a + side + 2, a + side + 1);
            text += line;
        }
    return text;
}

struct StopAt {
    int calls;
    int stopAt;         // the call that says stop; 0 never
    size_t told;        // the last offset told
    size_t longestGap;  // between two offsets told, from the start on
};

bool countAndStop(void* context, size_t offset)
{
    StopAt& stop = *static_cast<StopAt*>(context);
    stop.longestGap = std::max(stop.longestGap, offset - std::min(offset, stop.told));
    stop.told = std::max(stop.told, offset);
    return ++stop.calls != stop.stopAt;
}

} // namespace

TEST(ObjSlices, ReadAsOneThreadReadsAtEveryKindOfLineEnd)
{
    std::string zeros = records + "v 0 1 0 ";
    zeros += '\0';
    zeros += " 9 9\nf 1/1/1 2/1/1 3/1/1 \\";
    zeros += '\0';
    zeros += "\n4/1/1\nf 1 2 3\n";
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"newlines", records + "f 1/1/1 2/2/1 3/1/1\nf -1/-1/-1 -2/-2/-1 -3/-1/-1\nf 1 2 9\n\n# note\nf 1/1/1 2/1/1 3/1/1\n"},
        {"carriage returns", records + "f 1/1/1 2/2/1 3/1/1\r\nv 1 2\r\nv nan 0 0\r\nf 1 5 6\r\nvt 1 1\r\nf 1/3 2/3 3/9\r\n"},
        {"continued lines", records + "f 1//1 2//1 \\\n3//1 4//1\nv 1 \\\r\n2 3\r\nf 1 2 \\\n\\\n5\nvt 0.5\\\n 0.5\n\\\n\\\r\nf 1 2 3\n"},
        {"backslashes that continue nothing", records + "# c:\\dir\\ \nf 1/1/1 2/1/1 3/1/1 \\ \n\\x\nf 1 2 3 \\\r\r\n"},
        {"a continuation into the end", records + "f 1/1/1 2/1/1 3/1/1\nf 1/1/1 3/1/1 \\\n4/1/1 \\"},
        {"long face lines", records + longFace() + "\n" + longFace() + "\r\nf 1 2 0\n" + longFace() + " \\\n" +
                                std::string(1500, ' ') + "4/1/1\nf 1 2 0\n" + longFace()},
        {"long lines read in pieces", records + "#" + std::string(1022, 'x') + "v 5 6 7\nv 1 2 " +
                                          std::string(1017, ' ') + "3\nf 1//1 2//1 3//1" + std::string(1005, ' ') +
                                          "\\\n4//1\n#" + std::string(3000, 'y') + "\nf 1 2 9\n"},
        {"zero bytes", zeros},
        {"no final newline", records + "f 1 2 3\nv 7 7 7\nf 1//1 2//1 5//1"},
        {"smoothing groups", records + "f 1 2 3\ns 1\nf 1 3 4\ns off\nf 2 3 4\nf 1 2 4\ns 2\nf 1 2 3\ns 0\ns 2\nf 1 3 4\n"
                                       "s 12345678901234567890\nf 1 2 3\ns x\nf 2 3 4\n"},
        {"colours from a later position on", records + "f 1/1/1 2/1/1 3/1/1\nv 2 2 2 0.5 0.25 1\nv 3 3 3\n"
                                                      "f 1/1/1 5/1/1 6/1/1\nv 4 4 4 1 0 0 9\nv 5 5 5 1 1\nf 7 8 9\n"},
        {"a colour after the last faces", records + "f 1//1 2//1 3//1\n# a\n# b\nv 5 5 5 1 0 0\n"},
        {"materials", "mtllib a.mtl b.mtl\n" + records + "f 1/1/1 2/1/1 3/1/1\nusemtl red\nf 1 2 3\nf 1 3 4\n"
                      "usemtl  blue \nusemtl red\n\nf 2 3 4\nusemtl green\nmtllib c.mtl\nf 1//1 2//1 3//1\n"
                      "usemtl blue\nusemtl\nf 1 2 4\nusemtl red\n"},
        {"a face lacking normals among complete ones", records + "f 1//1 2//1 3//1\nf 1//1 3//1 4//1 2//1\n"
                                                                 "f 1//1 2//1 3//1 4 1//1\nf 1//1 2//1 3//1\ns 3\nf 4//1 1 2\n"},
    };
    std::string everything;
    for (const auto& c : cases) {
        expectSlicesReadAsOne(c.text, c.name);
        if (c.text.back() == '\n')
            everything += c.text;
    }
    expectSlicesReadAsOne(everything, "all of them in one text");
}

TEST(ObjSlices, BordersFollowOnlyLinesThatContinueNone)
{
    const std::string text = "a\\\nb\\\r\nc\r\nd\\x\n\\\n";
    // each offset's border: after "c\r\n" (10) or "d\\x\n" (14); none after the last line
    const size_t expected[] = {10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 14, 14, 14, 14, 16, 16, 16};
    for (size_t from = 0; from <= text.size(); ++from)
        EXPECT_EQ(objSliceBorder(text.data(), text.size(), from), expected[from]) << from;
}

namespace {

void noteLookedAhead(void* context, size_t from, size_t to)
{
    static_cast<std::vector<std::pair<size_t, size_t>>*>(context)->emplace_back(from, to);
}

} // namespace

TEST(ObjSlices, TextLookedAheadIsToldInOrderOnceCut)
{
    // the text looked at for the slices' borders is told a slice at a time, in order, each slice
    // once, from the start to the end; not at all when read on one thread
    std::string text = largeGrid();
    for (size_t sliceBytes : {size_t(0), size_t(1000), size_t(4096), objSliceBytes}) {
        std::vector<std::pair<size_t, size_t>> told;
        ObjReadControl control;
        control.sliceBytes = sliceBytes;
        control.lookedAhead = noteLookedAhead;
        control.context = &told;
        ObjMesh mesh;
        ASSERT_TRUE(readObjText(text.data(), text.size(), mesh, control));
        if (sliceBytes == 0) {
            EXPECT_TRUE(told.empty());
            continue;
        }
        ASSERT_GT(told.size(), text.size() / sliceBytes / 2) << sliceBytes;
        EXPECT_EQ(told.front().first, 0u);
        EXPECT_EQ(told.back().second, text.size());
        for (size_t i = 0; i < told.size(); ++i) {
            EXPECT_LT(told[i].first, told[i].second) << i;
            EXPECT_TRUE(i == 0 || told[i].first == told[i - 1].second) << i;
        }
    }
}

TEST(ObjReader, StopsWhenToldNotToGoOn)
{
    // also a text of 3.2 MB with no newline to cut slices at (a classic Mac file: carriage returns
    // alone): read on one thread, which gives pages back and may stop every MB
    std::string grid = largeGrid(), oneLine;
    for (int i = 0; i < 400000; ++i)
        oneLine += "v 1 2 3\r";
    for (const std::string& text : {grid, oneLine}) {
        int callsOnOneThread = 0;
        for (size_t sliceBytes : {size_t(0), objSliceBytes}) {
            ObjMesh whole;
            StopAt never = {0, 0, 0, 0};
            ObjReadControl control;
            control.passed = countAndStop;
            control.context = &never;
            control.sliceBytes = sliceBytes;
            control.twoPartWeldCorners = size_t(1) << 12;  // stopped on either thread of the welding too
            ASSERT_TRUE(readObjText(text.data(), text.size(), whole, control));
            expectSameMesh(whole, readMesh(text, 0), "read to its end");
            ASSERT_GT(never.calls, 2);
            // told no more often on two threads: at the end of the slice that passes each MB, not
            // after every slice (the welding and smoothing look as often, in other steps)
            if (sliceBytes == 0)
                callsOnOneThread = never.calls;
            EXPECT_LE(never.calls, callsOnOneThread);
            EXPECT_LT(never.longestGap, (size_t(5) << 20) / 4);
            // while the text is read, and between and inside the passes after it
            for (int stopAt = 1; stopAt <= never.calls; ++stopAt) {
                StopAt stop = {0, stopAt, 0, 0};
                control.context = &stop;
                ObjMesh mesh;
                EXPECT_FALSE(readObjText(text.data(), text.size(), mesh, control)) << stopAt;
                EXPECT_EQ(stop.calls, stopAt);
                EXPECT_TRUE(mesh.mesh.vertices.empty() && mesh.mesh.indices.empty() && mesh.mesh.batches.empty()) << stopAt;
            }
        }
    }

    // a file whose reading is cancelled from the start
    std::string path = writeTempFile(grid);
    ASSERT_FALSE(path.empty());
    std::atomic<bool> cancel{true};
    Mesh mesh;
    ProblemList problems;
    EXPECT_EQ(readObjFile(path.c_str(), mesh, problems, &cancel), FileStatus::cancelled);
    EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty());
    cancel = false;
    EXPECT_EQ(readObjFile(path.c_str(), mesh, problems, &cancel), FileStatus::ok);
    EXPECT_EQ(mesh.indices.size(), size_t(6 * 150 * 150));
    remove(path.c_str());
}

namespace {

// Each call told, in order: the offsets, and how many said the same offset again (looks inside
// the fanning, welding and smoothing, and between the material libraries).
struct Looks {
    std::vector<size_t> offsets;
    int stopAt;  // the call that says stop; 0 never
};

bool recordLook(void* context, size_t offset)
{
    Looks& looks = *static_cast<Looks*>(context);
    looks.offsets.push_back(offset);
    return int(looks.offsets.size()) != looks.stopAt;
}

size_t repeatedOffsets(const std::vector<size_t>& offsets)
{
    size_t repeated = 0;
    for (size_t i = 1; i < offsets.size(); ++i)
        repeated += offsets[i] == offsets[i - 1];
    return repeated;
}

size_t longestStep(const std::vector<size_t>& offsets)
{
    size_t longest = 0, before = 0;
    for (size_t offset : offsets) {
        longest = std::max(longest, offset - std::min(offset, before));
        before = std::max(before, offset);
    }
    return longest;
}

// The calls to stop at: the first three, then eight spread over the rest, and the last.
std::vector<int> stopPoints(int calls)
{
    std::vector<int> points;
    for (int call = 1; call <= calls; call += call < 3 ? 1 : std::max(1, calls / 8))
        points.push_back(call);
    if (points.back() != calls)
        points.push_back(calls);
    return points;
}

} // namespace

// In place of a timed test (the cancel flag set 100 ms into a 30 MB single-line face or into
// hundreds of thousands of mtllib lines, the reading back within 300 ms), deterministically: the
// looks come every MB of text inside one line too, every stepsBetweenLooks steps of fanning,
// welding and smoothing (at most twice that between two) and before each material library; and a
// callback that says stop at any of them ends the reading right there, with no call after it and
// nothing kept.
TEST(ObjReader, LooksAtGoingOnInsideAHugeLineAndBetweenLibraries)
{
    // one face line of 2.25 MB (a slice may not be longer): complete faces are handed on and
    // welded as they are fanned, a face lacking normals is kept, summed for its smoothing and
    // welded after the text
    const std::string head = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0.5\nvn 0 0 1\n";
    for (bool complete : {true, false}) {
        std::string text = head + "f";
        size_t corners = 0;
        while (text.size() < (size_t(9) << 18)) {
            text += complete ? " 1//1    2//1    3//1    4//1   " : " 1       2       3       4      ";
            corners += 4;
        }
        text += "\n";
        std::string context = complete ? "complete faces" : "faces lacking normals";
        for (size_t sliceBytes : {size_t(0), objSliceBytes}) {
            Looks all = {{}, 0};
            ObjReadControl control;
            control.passed = recordLook;
            control.context = &all;
            control.sliceBytes = sliceBytes;
            ObjMesh whole;
            ASSERT_TRUE(readObjText(text.data(), text.size(), whole, control)) << context;
            EXPECT_EQ(whole.mesh.indices.size(), 3 * (corners - 2)) << context;
            EXPECT_LT(longestStep(all.offsets), (size_t(5) << 20) / 4) << context;
            // the 3 (n - 2) corners fanned are welded, and those lacking normals summed too
            EXPECT_GE(repeatedOffsets(all.offsets), 3 * (corners - 2) / (2 * stepsBetweenLooks)) << context;
            if (sliceBytes != 0)
                continue;  // read on one thread all the same: the slice would be too long
            for (int stopAt : stopPoints(int(all.offsets.size()))) {
                Looks stop = {{}, stopAt};
                control.context = &stop;
                ObjMesh mesh;
                EXPECT_FALSE(readObjText(text.data(), text.size(), mesh, control)) << context << ", " << stopAt;
                EXPECT_EQ(stop.offsets.size(), size_t(stopAt)) << context;
                EXPECT_TRUE(mesh.mesh.vertices.empty() && mesh.mesh.indices.empty()) << context << ", " << stopAt;
            }
        }
    }

    // 3,000 mtllib lines naming libraries that are not there, each looked for in turn
    std::string model = "v 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl a\nf 1 2 3\n";
    const int libraries = 3000;
    for (int i = 0; i < libraries; ++i)
        model += "mtllib spinview-no-such-library-" + std::to_string(i) + ".mtl\n";
    std::string path = writeTempFile(model);
    ASSERT_FALSE(path.empty());
    Looks all = {{}, 0};
    ObjReadControl control;
    control.passed = recordLook;
    control.context = &all;
    Mesh mesh;
    ProblemList problems;
    ASSERT_EQ(readObjFileWith(path.c_str(), mesh, problems, control), FileStatus::ok);
    EXPECT_EQ(problemCount(problems, ProblemKind::missingLibraries), uint32_t(libraries));
    EXPECT_GE(repeatedOffsets(all.offsets), size_t(libraries));
    for (int stopAt : {int(all.offsets.size()) - libraries / 2, int(all.offsets.size())}) {
        Looks stop = {{}, stopAt};
        control.context = &stop;
        ProblemList stopped;
        EXPECT_EQ(readObjFileWith(path.c_str(), mesh, stopped, control), FileStatus::cancelled) << stopAt;
        EXPECT_EQ(stop.offsets.size(), size_t(stopAt));
        EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty() && mesh.files.empty()) << stopAt;
    }
    remove(path.c_str());
}

namespace {

// A schedule of the reading in slices on one thread that takes the slice after the one holding
// `changeAt` while that one is taken but not read yet (so that it is skimmed), then turns the
// positions of [changeFrom, changeTo) into comments, as a writer saving the file meanwhile would,
// then goes on: the next slice put back if it is read, else the oldest taken read, else the next
// taken.
struct WriteBetweenSkimAndRead {
    std::string text;
    size_t changeFrom, changeTo;
    bool skimmed = false, written = false;
    std::vector<size_t> taken;  // not read yet
};

size_t pickAroundTheWrite(void* context, const SliceStep* steps, size_t count)
{
    WriteBetweenSkimAndRead& w = *static_cast<WriteBetweenSkimAndRead*>(context);
    if (w.skimmed && !w.written) {
        for (size_t i = w.changeFrom; i < w.changeTo; ++i)
            if (w.text[i] == 'v')
                w.text[i] = '#';
        w.written = true;
    }
    size_t pick = 0;  // the oldest step listed: a take, or else the oldest read
    for (size_t i = 0; i < count; ++i) {
        const SliceStep& step = steps[i];
        bool holdsChange = step.begin <= w.changeFrom && w.changeFrom < step.end;
        if (step.kind == SliceStep::read && holdsChange && !w.skimmed && steps[0].kind == SliceStep::take) {
            w.skimmed = true;  // the take now skims it
            return 0;
        }
        if (step.kind == SliceStep::putBack)
            pick = i;
    }
    if (steps[pick].kind == SliceStep::take && count > 1 && steps[1].kind == SliceStep::read)
        pick = 1;  // read what is taken before taking more
    return pick;
}

} // namespace

TEST(ObjSlices, ATextWrittenBetweenTheSkimAndTheReadOfASliceIsReadAgainOnOneThread)
{
    // faces without normals (kept from the first), then 8,000 positions that the writer turns
    // into comments between the skim of their slice and its reading, then faces naming the last
    std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\n", faces, turned, tail;
    for (int i = 0; i < 2000; ++i)
        faces += "f 1 2 3\n";
    for (int i = 0; i < 8000; ++i)
        turned += "v 1 2 3\n";
    for (int i = 0; i < 20000; ++i)
        tail += "f 1 2 8003\n";
    const std::string text = head + faces + turned + tail;
    for (size_t sliceBytes : {size_t(4096), size_t(8192), size_t(16384)}) {
        std::string context = "slices of " + std::to_string(sliceBytes);
        WriteBetweenSkimAndRead write;
        write.text = text;
        write.changeFrom = head.size() + faces.size() + turned.size() / 2;
        write.changeTo = head.size() + faces.size() + turned.size();
        SliceSchedule schedule = {pickAroundTheWrite, &write};
        ObjRecords read;
        EXPECT_EQ(readObjRecordsInSlices(write.text.data(), write.text.size(), sliceBytes, read, nullptr, &schedule),
                  SlicedReading::textChanged)
            << context;
        ASSERT_TRUE(write.written) << context;

        // through readObjText: the changed text read again on one thread, which checks every index
        // against the records it read, as a reading of the text as it is now
        write = WriteBetweenSkimAndRead();
        write.text = text;
        write.changeFrom = head.size() + faces.size() + turned.size() / 2;
        write.changeTo = head.size() + faces.size() + turned.size();
        ObjReadControl control;
        control.sliceBytes = sliceBytes;
        control.schedule = &schedule;
        ObjMesh mesh;
        ASSERT_TRUE(readObjText(write.text.data(), write.text.size(), mesh, control)) << context;
        ASSERT_TRUE(write.written) << context;
        expectSameMesh(mesh, readMesh(write.text, 0), context);
        EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 20000u) << context;  // 8003 is gone
    }
}

TEST(ObjSlices, ReadAsOneThreadOnStressMeshes)
{
    std::mt19937 rng(31);
    for (int round = 0; round < 150; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 40), 1 + int(rng() % 60), rng() % 2, rng() % 3 != 0,
                                      rng() % 3 ? 4 : 60);
        if (rng() % 2)
            for (size_t i = 0; i < m.positions.size(); ++i)
                m.colors.push_back(Vector3{nearValue(rng, 0.5f), nearValue(rng, 0.25f), 1.0f});
        int materials = int(rng() % 4);
        for (size_t f = 0; materials > 0 && f < m.faces.size(); ++f)
            m.faces[f].material = f == 0 || rng() % 3 == 0 ? int(rng() % uint32_t(materials)) : m.faces[f - 1].material;
        std::string text = toObj(m);
        size_t sliceBytes = 1 + rng() % 400;
        std::string context = "round " + std::to_string(round) + ", slices of " + std::to_string(sliceBytes);
        ObjRecords one, sliced;
        readObjRecords(text.data(), text.size(), one);
        ASSERT_EQ(readObjRecordsInSlices(text.data(), text.size(), sliceBytes, sliced), SlicedReading::read);
        expectSameRecords(sliced, one, context);
        ObjMesh oneMesh, slicedMesh;
        ObjReadControl control;
        control.sliceBytes = 0;
        readObjText(text.data(), text.size(), oneMesh, control);
        control.sliceBytes = sliceBytes;
        // and the kept faces welded in two parts on two threads, from about a corner in 64 on
        control.twoPartWeldCorners = 1 + rng() % 64;
        readObjText(text.data(), text.size(), slicedMesh, control);
        expectSameMesh(slicedMesh, oneMesh, context);
        SliceSchedule schedule = {pickAtRandom, &rng};
        expectSameMesh(readMesh(text, sliceBytes, &schedule, 1 + rng() % 64), oneMesh, context + ", in a random order");
    }
}
