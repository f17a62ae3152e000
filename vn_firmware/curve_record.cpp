#include "curve_record.h"

#include <cstdio>
#include <memory>

#include "command_control.h"
#include "sys_error.h"

namespace VN_Lib {

namespace {

const int FramingPoints = 3;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void CurveRecord::AppendFixedFields(const curve_type& curve, DataFrame& frame) {
    frame.AddDouble(curve.isc);
    frame.AddDouble(curve.voc);
    frame.AddInt(curve.n);
    for (int i = 0; i < curve_type::MaxPoints; ++i) {
        frame.AddDouble(curve.voltages[i]);
        frame.AddDouble(curve.currents[i]);
    }
}

size_t CurveRecord::EscapedSize(const DataFrame& fields) {
    size_t size = 0;
    for (size_t i = 0; i < fields.Size(); ++i) {
        const char byte = fields[i];
        size += (byte == '[' || byte == ']' || byte == '*') ? 2 : 1;
    }
    return size;
}

void CurveRecord::Thin(curve_type& curve) {
    int kept = FramingPoints;
    for (int i = FramingPoints; i < curve.n - 1; i += 2, ++kept) {
        curve.voltages[kept] = curve.voltages[i];
        curve.currents[kept] = curve.currents[i];
    }
    curve.voltages[kept] = curve.voltages[curve.n - 1];
    curve.currents[kept] = curve.currents[curve.n - 1];
    curve.n = kept + 1;
}

void CurveRecord::AppendFixed(const curve_type& curve, DataFrame& frame) {
    const size_t limit = static_cast<size_t>(CommandControl::MaxEncodedFrame) - FrameOverhead;
    DataFrame fields;
    AppendFixedFields(curve, fields);
    if (EscapedSize(fields) > limit) {
        // Leftovers beyond n carry no point; zeros never need escaping.
        curve_type fitted = curve;
        if (fitted.n < 0) fitted.n = 0;
        if (fitted.n > curve_type::MaxPoints) fitted.n = curve_type::MaxPoints;
        for (int i = fitted.n; i < curve_type::MaxPoints; ++i) fitted.voltages[i] = fitted.currents[i] = 0.0;
        for (;;) {
            fields.Clear();
            AppendFixedFields(fitted, fields);
            if (EscapedSize(fields) <= limit || fitted.n <= FramingPoints + 1) break;
            const int before = fitted.n;
            Thin(fitted);
            for (int i = fitted.n; i < before; ++i) fitted.voltages[i] = fitted.currents[i] = 0.0;
        }
    }
    frame.AddData(fields.Data(), static_cast<unsigned>(fields.Size()));
}

void CurveRecord::AppendCompact(const curve_type& curve, DataFrame& frame) {
    const int n = curve.n < 0 ? 0 : (curve.n > curve_type::MaxPoints ? curve_type::MaxPoints : curve.n);
    frame.AddInt(CompactVariantVersion);
    frame.AddInt(0);
    frame.AddDouble(curve.isc);
    frame.AddDouble(curve.currentResolution);
    frame.AddDouble(curve.currentFullScale);
    frame.AddDouble(curve.voc);
    frame.AddDouble(curve.voltageResolution);
    frame.AddDouble(curve.voltageFullScale);
    frame.AddInt(n);
    for (int i = 0; i < n; ++i) {
        frame.AddDouble(curve.voltages[i]);
        frame.AddDouble(curve.currents[i]);
    }
}

int CurveRecord::WriteTestData(const std::string& path, const std::vector<CurveTest_T>& records) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
    if (!file) return ERR_FILE_OPEN;
    std::fprintf(file.get(), "Size %li\n", static_cast<long>(records.size()));
    for (const CurveTest_T& record : records)
        std::fprintf(file.get(), "%f\t%f\t%u\t%s\n", record.value1, record.value2, record.count, record.label.c_str());
    return 0;
}

}  // namespace VN_Lib
