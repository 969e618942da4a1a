#include "core/mesh/weldTwoParts.h"

#include "core/files/readingThreads.h"
#include "core/platform/platform.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Where the vertices welded before the second part lie, once the first part is welded.
struct FirstPartMarks {
    PositionMarks marks;
    bool ready = false;
    std::mutex mutex;
    std::condition_variable markedOrStopped;
};

// The second part, welded on its own.
struct SecondPart {
    const ObjRecords* records;
    const ObjCorner* corners;
    size_t count;
    WorkLooks* looks;              // on the calling thread; nullptr on another, which looks at `stop`
    const std::atomic<bool>* stop;
    Welder welder;
    std::vector<uint32_t> vertices;  // per corner, its vertex in the part's own welder
    std::vector<CornerWeld> kinds;
    FirstPartMarks* first;
    std::vector<bool> nearFirst;  // per vertex of the part: a vertex before it may match it
    bool stopped = false;
    std::atomic<bool> done{false};
};

// Tells the second part the first part's marks are ready, or that it is not to be joined.
void markFirstPart(FirstPartMarks& first)
{
    {
        std::lock_guard<std::mutex> lock(first.mutex);
        first.ready = true;
    }
    first.markedOrStopped.notify_one();
}

// On the second part's thread, once it is welded: which of its vertices lie near those welded
// before it, so that the thread putting the parts together looks up those alone.
void findNearFirstPart(SecondPart& part)
{
    {
        std::unique_lock<std::mutex> lock(part.first->mutex);
        part.first->markedOrStopped.wait(lock, [&] { return part.first->ready; });
    }
    if (part.stop && part.stop->load(std::memory_order_relaxed))
        return;
    const std::vector<Vertex>& own = part.welder.mesh.vertices;
    part.nearFirst.resize(own.size());
    for (size_t i = 0; i < own.size(); ++i)
        part.nearFirst[i] = mayBeNearMarked(part.first->marks, own[i].position);
}

void weldSecondPart(void* context)
{
    SecondPart& part = *static_cast<SecondPart*>(context);
    // about a vertex per six corners on a closed surface, a guess: the arrays grow past it
    startWelding(part.welder, part.count / 6);
    part.welder.mesh.vertices.reserve(part.count / 4);
    part.welder.cache.entries.reserve(part.count / 4);
    part.vertices.resize(part.count);
    part.kinds.resize(part.count);
    for (size_t done = 0; done < part.count;) {
        size_t step = part.count - done < stepsBetweenLooks ? part.count - done : stepsBetweenLooks;
        weldCornersNoted(part.welder, *part.records, part.corners + done, step, part.vertices.data() + done,
                         part.kinds.data() + done);
        done += step;
        bool goOn = part.looks ? countSteps(part.looks, step) : !part.stop->load(std::memory_order_relaxed);
        if (!goOn) {
            part.stopped = true;
            return;
        }
    }
    findNearFirstPart(part);
    part.done.store(true, std::memory_order_release);
}

// While the second part is still being welded: faults in the memory the vertices it makes will
// be copied to, where the first part's vertices were reserved room to grow (as the join would
// fault it in, a page at a time, otherwise).
void warmVerticesWhileWaiting(const std::vector<Vertex>& vertices, const SecondPart& part)
{
    const char* from = reinterpret_cast<const char*>(vertices.data() + vertices.size());
    const char* end = reinterpret_cast<const char*>(vertices.data() + vertices.capacity());
    const size_t step = size_t(256) << 10;
    for (; from < end && !part.done.load(std::memory_order_acquire); from += step)
        prefaultForWriting(from, size_t(end - from) < step ? size_t(end - from) : step);
}

bool weldInSteps(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                 uint32_t* vertices, WorkLooks* looks)
{
    for (size_t done = 0; done < count;) {
        size_t step = count - done < stepsBetweenLooks ? count - done : stepsBetweenLooks;
        weldCornersTo(welder, records, corners + done, step, vertices + done);
        done += step;
        if (!countSteps(looks, step))
            return false;
    }
    return true;
}

// The first vertex welded before the second part that matches v, or noVertex.
uint32_t firstPartMatch(const Welder& welder, const Vertex& v)
{
    WeldSearch search;
    prepareWeldSearch(v, search);
    return findWeldMatch(welder.grid, welder.mesh.vertices, v, search);
}

// Welds corners[from, count) as weldCornersTo does, after the second part's vertices made so far
// (welder.mesh.vertices from `firstCount` on) are added to the grid the welding searches.
bool weldRestInOrder(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                     uint32_t* vertices, size_t firstCount, WorkLooks* looks)
{
    const std::vector<Vertex>& made = welder.mesh.vertices;
    for (size_t i = firstCount; i < made.size(); ++i)
        addToWeldGrid(welder.grid, made, uint32_t(i), weldCellKey(made[i]));
    return weldInSteps(welder, records, corners, count, vertices, looks);
}

// Puts the second part after the vertices welded so far, writing each corner's vertex.
bool joinSecondPart(Welder& welder, const ObjRecords& records, const SecondPart& part, uint32_t* vertices,
                    WorkLooks* looks)
{
    std::vector<Vertex>& mesh = welder.mesh.vertices;
    const std::vector<Vertex>& own = part.welder.mesh.vertices;
    const PositionMarks& marks = part.first->marks;
    size_t firstCount = mesh.size();
    mesh.reserve(firstCount + own.size());
    std::vector<uint32_t> placed(own.size(), noVertex);  // per vertex of the part, the vertex it is
    for (size_t i = 0; i < part.count; ++i) {
        uint32_t vertex = part.vertices[i];
        switch (part.kinds[i]) {
        case CornerWeld::made: {
            uint32_t first = part.nearFirst[vertex] ? firstPartMatch(welder, own[vertex]) : noVertex;
            if (first == noVertex) {
                first = uint32_t(mesh.size());
                mesh.push_back(own[vertex]);
            }
            placed[vertex] = first;
            break;
        }
        case CornerWeld::cached:
            break;
        case CornerWeld::matched: {
            Vertex v = cornerVertex(records, part.corners[i]);
            uint32_t first = mayBeNearMarked(marks, v.position) ? firstPartMatch(welder, v) : noVertex;
            if (first != noVertex) {
                vertices[i] = first;
                continue;
            }
            // its match there may no longer be the first: weld the rest in order
            if (placed[vertex] < firstCount)
                return weldRestInOrder(welder, records, part.corners + i, part.count - i, vertices + i, firstCount,
                                       looks);
            break;
        }
        }
        vertices[i] = placed[vertex];
    }
    return true;
}

} // namespace

TwoPartWeld twoPartWeldFor(size_t count, size_t least)
{
    if (least == 0 || count < least)
        return TwoPartWeld{count, false};
    return TwoPartWeld{count - count * 9 / 20, true};
}

bool weldCornersInTwoParts(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                           uint32_t* vertices, const TwoPartWeld& how, WorkLooks* looks)
{
    bool whole;
    if (how.secondFrom >= count || !records.colors.empty()) {
        whole = weldInSteps(welder, records, corners, count, vertices, looks);
    } else {
        std::atomic<bool> stop{false};
        FirstPartMarks first;
        SecondPart part;
        part.first = &first;
        part.records = &records;
        part.corners = corners + how.secondFrom;
        part.count = count - how.secondFrom;
        part.looks = nullptr;
        part.stop = &stop;
        std::thread thread;
        bool alongside = how.alongside && startReadingThread(thread, weldSecondPart, &part);
        whole = weldInSteps(welder, records, corners, how.secondFrom, vertices, looks);
        if (whole)
            markPositions(first.marks, welder.mesh.vertices);
        if (alongside) {
            stop.store(!whole, std::memory_order_relaxed);
            markFirstPart(first);  // ready, or never to be looked at
            if (whole)
                warmVerticesWhileWaiting(welder.mesh.vertices, part);
            thread.join();
        } else if (whole) {
            part.looks = looks;
            first.ready = true;
            weldSecondPart(&part);
        }
        whole = whole && !part.stopped &&
                joinSecondPart(welder, records, part, vertices + how.secondFrom, looks);
    }
    welder.grid = WeldGrid();
    welder.cache = CornerCache();
    return whole;
}
