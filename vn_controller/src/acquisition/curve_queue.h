#ifndef VN_CONTROLLER_CURVE_QUEUE_H
#define VN_CONTROLLER_CURVE_QUEUE_H

#include <cstdint>
#include <vector>

namespace VN_Sample {

enum CurveState_T { CurvePending = 1, CurveTaken = 2, CurveFailed = 3 };

struct CurveQueueEntry_T {
    int32_t channel_id = -1;
    int32_t curve_state = CurvePending;
    int32_t curve_error = 0;
};

// Module channels whose curves are to be taken, and the next one to take.
class CurveQueue {
public:
    // Appends {id, pending, 0}.
    void Add(int id);
    // Cursor to the start, every entry pending again.
    void Reset();
    // No entries; counts as a rebuild (see Generation).
    void Clear();
    bool AtEnd() const { return entries.size() <= cursor; }
    // Moves past the current entry unless at the end; the new cursor.
    unsigned Increment();
    // The entry at the cursor, or null past the end.
    CurveQueueEntry_T* CurveEntry();
    // Changes whenever the queue is cleared, so a position remembered
    // before a rebuild can be told apart from one of the new queue.
    unsigned Generation() const { return generation; }

    std::vector<CurveQueueEntry_T> entries;
    unsigned cursor = 0;

private:
    unsigned generation = 0;
};

}  // namespace VN_Sample

#endif
