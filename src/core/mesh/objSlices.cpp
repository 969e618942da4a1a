#include "core/mesh/objSlices.h"

#include "core/files/readingThreads.h"

#include <algorithm>
#include <cstring>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Slices read but not yet put back, at most: bounds the text and faces held ahead.
constexpr size_t slicesAhead = 4;

constexpr size_t passedEvery = size_t(1) << 19;  // bytes of text between two calls of passed

struct Slice {
    size_t begin, end;  // in the text
    bool startKnown = false, afterKnown = false, read = false;
    ObjReadState start;  // the state the text before the slice leaves, once startKnown
    ObjReadState after;  // the state after it, once afterKnown
    std::unique_ptr<ObjRecords> records;  // what readObjSlice read, once read (apart: slices stay small)
    std::unique_ptr<DistinctCorners> distinct;  // of the faces before firstKept, when the sink takes them so
    uint32_t triangles;  // the triangles of its faces, once read
    uint32_t firstKept;  // the first triangle of the first face lacking a normal, or its triangle count
    bool recordsPlaced = false;  // its records are written where they go among all the text's
    bool startRight = false;     // it starts, as the slices before it do, where the slice before it ended as read
};

// Where the records of the whole text go, as reserved before the reading: a slice's records are
// written there, where they go among the text's, while they fit, which spares the thread putting
// the slices back appending them. Only a slice known to start where the slice before it ended as
// read is placed, so that no two slices write the same records: by its reader, under the lock, or
// else when it is put back. The arrays grow, and move, only once `open` is cleared, under the lock.
struct RecordRoom {
    RecordCounts room;
    Vector3* positions;
    Vector2* texCoords;
    Vector3* normals;
    bool open;
};

// The slices of a text and who reads which: everything but the text is guarded by `lock`.
struct SliceReading {
    const char* text;
    const ObjReadSink* sink;
    RecordRoom records;
    std::vector<Slice> slices;
    std::mutex lock;
    std::condition_variable changed;
    size_t taken = 0;    // slices taken to be read, in order
    size_t putBack = 0;  // slices put back together, in order
    bool stopping = false;
};

// The first triangle of the first face with a corner lacking a normal: where readObjRecords
// would stop handing faces on. A polygon's fan holds all its corners, so that face is the one
// whose fan holds the first such corner.
uint32_t firstFaceLackingNormal(const ObjRecords& records)
{
    size_t count = records.corners.size();
    size_t corner = 0;
    while (corner < count && records.corners[corner].normal != noRecord)
        ++corner;
    uint32_t triangle = uint32_t(corner / 3);
    if (corner == count)
        return triangle;
    auto after = std::upper_bound(records.polygons.begin(), records.polygons.end(), triangle,
                                  [](uint32_t t, const PolygonRun& run) { return t < run.firstTriangle; });
    if (after != records.polygons.begin() && triangle < (after - 1)->firstTriangle + (after - 1)->triangles)
        return (after - 1)->firstTriangle;
    return triangle;
}

// The state at the start of slice k, which must have been taken: that after the slice before, as
// read or, while it is being read, skimmed from its start. Unlocks while skimming. False when
// the reading stops meanwhile.
bool findStart(SliceReading& reading, size_t k, std::unique_lock<std::mutex>& held)
{
    Slice& slice = reading.slices[k];
    if (k == 0) {
        slice.start = objTextStart;
        return true;
    }
    Slice& before = reading.slices[k - 1];
    reading.changed.wait(held, [&] { return reading.stopping || before.startKnown || before.afterKnown; });
    if (reading.stopping)
        return false;
    if (!before.afterKnown) {
        ObjReadState from = before.start;
        held.unlock();
        ObjReadState after = skimObjSlice(reading.text + before.begin, before.end - before.begin, from);
        held.lock();
        if (!before.afterKnown) {
            before.after = after;
            before.afterKnown = true;
        }
    }
    slice.start = before.after;
    slice.start.material = inheritedMaterial;  // put right when the slice is put back
    return true;
}

template <typename T>
void placeArray(T* room, size_t before, GrowArray<T>& records)
{
    if (!records.empty())
        memcpy(room + before, records.data(), records.size() * sizeof(T));
    records = GrowArray<T>();
}

// Writes the records of a slice starting at `before` where they go, and frees them, when they
// fit; false, leaving them, when they do not.
bool placeRecords(const RecordRoom& room, const RecordCounts& before, ObjRecords& records)
{
    if (before.positions + records.positions.size() > room.room.positions ||
        before.texCoords + records.texCoords.size() > room.room.texCoords ||
        before.normals + records.normals.size() > room.room.normals)
        return false;
    placeArray(room.positions, before.positions, records.positions);
    placeArray(room.texCoords, before.texCoords, records.texCoords);
    placeArray(room.normals, before.normals, records.normals);
    return true;
}

// Whether the slice was read from the state the slice before it left as it was read. They differ
// only when the text changed between the two readings of that slice (its skim and its reading):
// the slice's indices were then checked against records that are not there.
bool startsWhereBeforeEnded(const Slice& slice, const Slice& before)
{
    const ObjReadState& start = slice.start;
    const ObjReadState& after = before.after;
    return start.line == after.line && start.records.positions == after.records.positions &&
           start.records.texCoords == after.records.texCoords && start.records.normals == after.records.normals &&
           start.group == after.group;
}

// Whether the next slice may be taken now: not all are, the slices ahead are fewer than allowed,
// and the reading goes on.
bool mayTakeSlice(const SliceReading& reading)
{
    return !reading.stopping && reading.taken < reading.slices.size() &&
           reading.taken < reading.putBack + slicesAhead;
}

// Takes the next slice, which mayTakeSlice, and works out its start (unlocking while it skims the
// one before); false when the reading stops meanwhile. `k` gets its number.
bool takeSlice(SliceReading& reading, std::unique_lock<std::mutex>& held, size_t& k)
{
    k = reading.taken++;
    if (!findStart(reading, k, held))
        return false;
    reading.slices[k].startKnown = true;
    reading.changed.notify_all();
    return true;
}

// Reads slice k, taken, from its start, unlocking meanwhile, and keeps what it read.
void readTakenSlice(SliceReading& reading, std::unique_lock<std::mutex>& held, size_t k)
{
    Slice& slice = reading.slices[k];
    ObjReadState start = slice.start;
    held.unlock();
    std::unique_ptr<ObjRecords> records(new ObjRecords());
    ObjReadState after = readObjSlice(reading.text + slice.begin, slice.end - slice.begin, start, *records);
    uint32_t firstKept = firstFaceLackingNormal(*records);
    std::unique_ptr<DistinctCorners> distinct;
    if (reading.sink && reading.sink->takeDistinctFaces && firstKept > 0) {
        distinct.reset(new DistinctCorners());
        findDistinctCorners(records->corners.data(), 3 * size_t(firstKept), *distinct);
    }
    uint32_t triangles = uint32_t(records->corners.size() / 3);
    if (distinct && firstKept == triangles)
        records->corners = GrowArray<ObjCorner>();  // the distinct corners stand for them all
    held.lock();
    slice.distinct = std::move(distinct);
    slice.records = std::move(records);
    slice.firstKept = firstKept;
    slice.triangles = triangles;
    slice.after = after;
    slice.afterKnown = slice.read = true;
    // else when it is put back: its start, or one before it, may have been skimmed from another
    // version of the text, and its records would then overlap others
    const Slice* before = k == 0 ? nullptr : &reading.slices[k - 1];
    slice.startRight = !before || (before->read && before->startRight && startsWhereBeforeEnded(slice, *before));
    slice.recordsPlaced = slice.startRight && reading.records.open &&
                          placeRecords(reading.records, slice.start.records, *slice.records);
    reading.changed.notify_all();
}

// Takes the next slice and reads it, unlocking meanwhile; false when none may be taken now: all
// are, the slices ahead are as many as allowed, or the reading stops.
bool readNextSlice(SliceReading& reading, std::unique_lock<std::mutex>& held)
{
    size_t k;
    if (!mayTakeSlice(reading) || !takeSlice(reading, held, k))
        return false;
    readTakenSlice(reading, held, k);
    return true;
}

void readSlicesAlongside(void* context)
{
    SliceReading* reading = static_cast<SliceReading*>(context);
    const ObjReadSink* sink = reading->sink;
    bool aside = sink && sink->aside;  // whether there may be work aside
    std::unique_lock<std::mutex> held(reading->lock);
    // readNextSlice may return false for the stopping itself, which no later change follows
    while (!reading->stopping && reading->taken < reading->slices.size()) {
        if (readNextSlice(*reading, held) || reading->stopping)
            continue;
        if (aside) {
            held.unlock();  // a slice may be put back meanwhile: looked for first
            aside = sink->aside(sink->context);
            held.lock();
            continue;
        }
        reading->changed.wait(held);
        aside = sink && sink->aside;
    }
}

// Appends the slice's faces from triangle `first` on to those kept in `out`, with their group
// and polygon runs, numbered on from out's triangles; a group run goes on from out's last.
// `textLeft` is the size of the text from the slice on: when faces start being kept, room is
// reserved for those of the rest of the text, so that the growing array is not copied.
void keepFaces(ObjRecords& out, const ObjRecords& slice, uint32_t first, size_t textLeft)
{
    uint32_t triangles = uint32_t(slice.corners.size() / 3);
    if (first == triangles)
        return;
    if (out.corners.empty())
        out.corners.reserve(textLeft / 8);  // "f 1 2 3\n" and the like: some 8 bytes a corner at least
    uint32_t offset = uint32_t(out.corners.size() / 3);
    size_t run = 0;
    while (run + 1 < slice.groups.size() && slice.groups[run + 1].firstTriangle <= first)
        ++run;
    for (; run < slice.groups.size(); ++run) {
        const GroupRun& group = slice.groups[run];
        if (out.groups.empty() || out.groups.back().group != group.group)
            out.groups.push_back(GroupRun{std::max(group.firstTriangle, first) - first + offset, group.group});
    }
    for (const PolygonRun& polygon : slice.polygons)
        if (polygon.firstTriangle >= first)
            out.polygons.push_back(PolygonRun{polygon.firstTriangle - first + offset, polygon.triangles});
    out.corners.append(slice.corners.data() + 3 * size_t(first), 3 * size_t(triangles - first));
}

// What putting the slices back carries from one to the next.
struct PutBack {
    bool handingOn;     // faces are handed on, none lacking a normal yet
    uint32_t material;  // in force after the slices put back: a number of out.materialNames, or defaultMaterial
    std::unordered_map<std::string, uint32_t> materialIds;  // out.materialNames' numbers
};

void appendWhite(GrowArray<Vector3>& colors, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        colors.push_back(Vector3{1.0f, 1.0f, 1.0f});
}

// The slice's colours after out's: white for positions without one, once any position has one.
void addColors(ObjRecords& out, const Slice& slice)
{
    const GrowArray<Vector3>& colors = slice.records->colors;
    if (!colors.empty()) {
        if (out.colors.empty())
            appendWhite(out.colors, slice.start.records.positions);
        out.colors.append(colors.data(), colors.size());
    } else if (!out.colors.empty()) {
        appendWhite(out.colors, slice.after.records.positions - slice.start.records.positions);
    }
}

// The slice's material runs and names after out's, numbered as out's: its own names by the
// number of their first use in the whole text, the material it inherits by the one in force.
void addMaterials(ObjRecords& out, const Slice& slice, PutBack& state)
{
    const ObjRecords& read = *slice.records;
    std::vector<uint32_t> numbers(read.materialNames.size());
    for (size_t i = 0; i < numbers.size(); ++i) {
        auto found = state.materialIds.emplace(read.materialNames[i], uint32_t(out.materialNames.size()));
        if (found.second)
            out.materialNames.push_back(read.materialNames[i]);
        numbers[i] = found.first->second;
    }
    auto number = [&](uint32_t material) {
        return material == inheritedMaterial ? state.material
             : material == defaultMaterial   ? defaultMaterial
                                             : numbers[material];
    };
    for (const MaterialRun& run : read.materials) {
        uint32_t material = number(run.material);
        if ((material != defaultMaterial || !out.materials.empty()) &&
            (out.materials.empty() || out.materials.back().material != material))
            out.materials.push_back(MaterialRun{out.triangles + run.firstTriangle, material});
    }
    state.material = number(slice.after.material);  // a usemtl line may follow its last face
    out.materialLibraries.insert(out.materialLibraries.end(), read.materialLibraries.begin(),
                                 read.materialLibraries.end());
    out.triangles += read.triangles;
}

// Puts a read slice back into `out` as readObjRecords would have read it there: its records,
// colours, materials and problems added, its faces handed on while state.handingOn (which ends at
// a face lacking a normal) and kept after. False when the sink's passed stops the reading.
bool putSliceBack(Slice& slice, size_t textSize, ObjRecords& out, const ObjReadSink* sink, PutBack& state)
{
    bool& handingOn = state.handingOn;
    ObjRecords& read = *slice.records;
    if (slice.recordsPlaced) {
        out.positions.extend(slice.after.records.positions - slice.start.records.positions);
        out.texCoords.extend(slice.after.records.texCoords - slice.start.records.texCoords);
        out.normals.extend(slice.after.records.normals - slice.start.records.normals);
    } else {
        out.positions.append(read.positions.data(), read.positions.size());
        out.texCoords.append(read.texCoords.data(), read.texCoords.size());
        out.normals.append(read.normals.data(), read.normals.size());
    }
    addColors(out, slice);
    addMaterials(out, slice, state);
    addTallies(out.problems, read.problems);
    uint32_t triangles = slice.triangles;
    uint32_t kept = 0;
    if (handingOn && slice.distinct) {
        // out.corners is empty while faces are handed on
        kept = slice.firstKept;
        if (!sink->takeDistinctFaces(sink->context, out, *slice.distinct))
            return false;
        handingOn = kept == triangles;
    } else if (handingOn) {
        kept = slice.firstKept;
        if (kept == triangles)
            std::swap(out.corners, read.corners);  // out's are empty while faces are handed on
        else
            out.corners.append(read.corners.data(), 3 * size_t(kept));
        if (!out.corners.empty() && !sink->takeFaces(sink->context, out))
            return false;
        handingOn = kept == triangles;
    }
    if (!handingOn) {
        if (slice.distinct && read.corners.empty())  // kept after all: a face before lacked a normal
            for (uint32_t which : slice.distinct->which)
                read.corners.push_back(slice.distinct->distinct[which]);
        keepFaces(out, read, kept, textSize - slice.begin);
        if (sink && sink->keptFaces && !sink->keptFaces(sink->context, out))
            return false;
    }
    slice.records.reset();
    slice.distinct.reset();
    // told at the first slice end past each MB, as the reading on one thread tells about every MB:
    // each call may give pages back, which interrupts the other thread
    bool tell = slice.end / passedEvery != slice.begin / passedEvery;
    return !(sink && sink->passed && tell) || sink->passed(sink->context, slice.end);
}

// How putting the slices back went.
enum class PutOutcome { goOn, stopped, textChanged };

// Puts the next slice back, which must be read, unlocking meanwhile (see putSliceBack); checks
// first that it starts where the slice before it ended as read, and places its records.
PutOutcome putNextSliceBack(SliceReading& reading, std::unique_lock<std::mutex>& held, size_t size, ObjRecords& out,
                            const ObjReadSink* sink, PutBack& state)
{
    Slice& next = reading.slices[reading.putBack];
    bool changed = reading.putBack > 0 && !startsWhereBeforeEnded(next, reading.slices[reading.putBack - 1]);
    next.startRight = !changed;
    if (!changed && !next.recordsPlaced) {
        // placed now, or the room closed before the arrays grow for it
        next.recordsPlaced = reading.records.open && placeRecords(reading.records, next.start.records, *next.records);
        reading.records.open = next.recordsPlaced;
    }
    held.unlock();
    bool stopped = changed || !putSliceBack(next, size, out, sink, state);
    held.lock();
    ++reading.putBack;
    reading.stopping = stopped;
    reading.changed.notify_all();
    return changed ? PutOutcome::textChanged : stopped ? PutOutcome::stopped : PutOutcome::goOn;
}

// The calling thread puts the slices back in order, and reads the next one itself while the one
// to put back is not read yet; the other thread reads alongside.
PutOutcome readOnTwoThreads(SliceReading& reading, size_t size, ObjRecords& out, const ObjReadSink* sink,
                            PutBack& state)
{
    std::unique_lock<std::mutex> held(reading.lock);
    while (reading.putBack < reading.slices.size()) {
        if (reading.slices[reading.putBack].read) {
            PutOutcome outcome = putNextSliceBack(reading, held, size, out, sink, state);
            if (outcome != PutOutcome::goOn)
                return outcome;
        } else if (!readNextSlice(reading, held)) {
            reading.changed.wait(held);
        }
    }
    return PutOutcome::goOn;
}

// The steps of the two threads, on the calling thread alone, each whole, in the order `schedule`
// picks among those that may come next.
PutOutcome readScheduled(SliceReading& reading, size_t size, ObjRecords& out, const ObjReadSink* sink,
                         PutBack& state, const SliceSchedule& schedule)
{
    std::unique_lock<std::mutex> held(reading.lock);  // never waited for: no other thread
    std::vector<size_t> taken;  // taken and not read yet, oldest first
    while (reading.putBack < reading.slices.size()) {
        SliceStep steps[slicesAhead + 2];
        size_t count = 0;
        auto step = [&](SliceStep::Kind kind, size_t k) {
            steps[count++] = SliceStep{kind, k, reading.slices[k].begin, reading.slices[k].end};
        };
        if (mayTakeSlice(reading))
            step(SliceStep::take, reading.taken);
        for (size_t k : taken)
            step(SliceStep::read, k);
        if (reading.slices[reading.putBack].read)
            step(SliceStep::putBack, reading.putBack);
        const SliceStep& next = steps[schedule.pick(schedule.context, steps, count) % count];
        if (next.kind == SliceStep::take) {
            size_t k;
            takeSlice(reading, held, k);
            taken.push_back(k);
        } else if (next.kind == SliceStep::read) {
            taken.erase(std::find(taken.begin(), taken.end(), next.slice));
            readTakenSlice(reading, held, next.slice);
        } else {
            PutOutcome outcome = putNextSliceBack(reading, held, size, out, sink, state);
            if (outcome != PutOutcome::goOn)
                return outcome;
        }
    }
    return PutOutcome::goOn;
}

// Cuts the text into slices of about `sliceBytes`, each starting at a border, looking at each
// byte once, and telling sink->lookedAhead of the text looked at, a slice at a time. False, as
// soon as one is found, when a slice would run on past `longest` bytes for want of a line end to
// start the next at.
bool cutIntoSlices(const char* text, size_t size, size_t sliceBytes, size_t longest, const ObjReadSink* sink,
                   std::vector<Slice>& slices)
{
    slices.clear();
    slices.reserve(size / sliceBytes + 1);
    for (size_t begin = 0, end; begin < size; begin = end) {
        size_t aim = size - begin > sliceBytes ? begin + sliceBytes : size;
        // no border within `longest` bytes: no need to look further
        size_t within = size - begin > longest ? begin + longest + 1 : size;
        end = aim == size ? size : objSliceBorder(text, within, aim);
        if (end - begin > longest)  // also when none was found within reach
            return false;
        slices.push_back(Slice());
        slices.back().begin = begin;
        slices.back().end = end;
        if (sink && sink->lookedAhead)
            sink->lookedAhead(sink->context, begin, end);
    }
    return true;
}

} // namespace

SlicedReading readObjRecordsInSlices(const char* text, size_t size, size_t sliceBytes, ObjRecords& out,
                                     const ObjReadSink* sink, const SliceSchedule* schedule)
{
    if (sliceBytes == 0 || size / sliceBytes < 2)
        return readObjRecords(text, size, out, sink) ? SlicedReading::read : SlicedReading::stopped;
    SliceReading reading;
    // a slice is read whole, without telling sink->passed: a long one would hold its pages and
    // could not be stopped
    if (!cutIntoSlices(text, size, sliceBytes, std::max(4 * sliceBytes, 2 * passedEvery), sink, reading.slices))
        return readObjRecords(text, size, out, sink) ? SlicedReading::read : SlicedReading::stopped;
    out = ObjRecords();
    // some 64 bytes of text a record at least, as in files of bare positions: only reserved, this
    // costs no memory until used, and saves copying the records as the arrays grow
    out.positions.reserve(size / 64);
    out.texCoords.reserve(size / 64);
    out.normals.reserve(size / 64);
    reading.text = text;
    reading.sink = sink;
    reading.records = RecordRoom{{out.positions.capacity(), out.texCoords.capacity(), out.normals.capacity()},
                                 out.positions.data(), out.texCoords.data(), out.normals.data(), true};
    PutBack state;
    state.handingOn = sink && sink->takeFaces;
    state.material = defaultMaterial;
    PutOutcome outcome;
    if (schedule) {
        outcome = readScheduled(reading, size, out, sink, state, *schedule);
    } else {
        std::thread alongside;
        if (!startReadingThread(alongside, readSlicesAlongside, &reading))
            return readObjRecords(text, size, out, sink) ? SlicedReading::read : SlicedReading::stopped;
        outcome = readOnTwoThreads(reading, size, out, sink, state);
        alongside.join();
    }
    if (outcome != PutOutcome::goOn)
        out = ObjRecords();
    return outcome == PutOutcome::textChanged ? SlicedReading::textChanged
         : outcome == PutOutcome::stopped     ? SlicedReading::stopped
                                              : SlicedReading::read;
}
