#ifndef VN_FIRMWARE_CURVE_RECORD_H
#define VN_FIRMWARE_CURVE_RECORD_H

#include <cstddef>
#include <string>
#include <vector>

#include "curve_type.h"
#include "data_frame.h"

namespace VN_Lib {

// The I-V curve record of the command link, in its two layouts, and the
// diagnostic file of a sweep's stage records.
class CurveRecord {
public:
    static constexpr int CompactVariantVersion = 2;
    // Room kept in an encoded frame for the response header, the length field
    // and the frame's brackets, escaped.
    static constexpr size_t FrameOverhead = 128;

    // Variant 1: isc, voc, n and all 301 pairs. When the escaped record would
    // not fit a link frame, places beyond n are sent as 0 and, if that is not
    // enough, the inner points are thinned until it fits (framing points kept).
    static void AppendFixed(const curve_type& curve, DataFrame& frame);
    // Any other variant: version, reserved, the scales and n pairs.
    static void AppendCompact(const curve_type& curve, DataFrame& frame);
    // Bytes the fields take once escaped for the link.
    static size_t EscapedSize(const DataFrame& fields);
    // "Size" line, then one line per record; ERR_FILE_OPEN when unwritable.
    static int WriteTestData(const std::string& path, const std::vector<CurveTest_T>& records);

private:
    static void AppendFixedFields(const curve_type& curve, DataFrame& frame);
    // Keeps points 0..2, every other inner point and the last one.
    static void Thin(curve_type& curve);
};

}  // namespace VN_Lib

#endif
