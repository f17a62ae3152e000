#include "acquisition/curve_queue.h"

namespace VN_Sample {

void CurveQueue::Add(int id) {
    CurveQueueEntry_T entry;
    entry.channel_id = id;
    entries.push_back(entry);
}

void CurveQueue::Reset() {
    cursor = 0;
    for (CurveQueueEntry_T& entry : entries) entry.curve_state = CurvePending;
}

void CurveQueue::Clear() {
    entries.clear();
    ++generation;
    Reset();
}

unsigned CurveQueue::Increment() {
    if (cursor < entries.size()) ++cursor;
    return cursor;
}

CurveQueueEntry_T* CurveQueue::CurveEntry() { return AtEnd() ? nullptr : &entries[cursor]; }

}  // namespace VN_Sample
