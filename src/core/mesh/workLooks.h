#pragma once
// Looking, now and then during a long piece of work, at whether to go on: a reading that is
// cancelled (a newer save of the file, the viewer quitting) stops within moments, whatever the
// file holds (one huge polygon, hundreds of thousands of material libraries).

#include <cstddef>

// The steps of work (corners fanned or welded, triangles summed, ...) between two looks: some
// milliseconds of work at most.
constexpr size_t stepsBetweenLooks = size_t(1) << 16;

// Who is asked whether to go on, and the steps counted since the last look.
struct WorkLooks {
    bool (*goOn)(void* context) = nullptr;  // nullptr: the work is never stopped
    void* context = nullptr;
    size_t steps = 0;
};

// Counts `count` more steps of work and asks whether to go on once stepsBetweenLooks have been
// counted since the last look (so a look comes at most 2 * stepsBetweenLooks steps after the last
// for counts up to stepsBetweenLooks). False when told to stop; looks may be nullptr.
inline bool countSteps(WorkLooks* looks, size_t count)
{
    if (!looks || !looks->goOn)
        return true;
    looks->steps += count;
    if (looks->steps < stepsBetweenLooks)
        return true;
    looks->steps = 0;
    return looks->goOn(looks->context);
}
