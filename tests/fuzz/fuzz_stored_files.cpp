// A stored file as the web downloads convert it (first byte: 0 a day file,
// 1 a curve file): the day file's data lines counted and the file turned into
// CSV; the curve loaded as the sampler loads it and turned into CSV.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "channels/iv_curve.h"
#include "fuzz_controller.h"
#include "fuzz_support.h"
#include "web/csv_conversion.h"
#include "web/day_file_lines.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool Take(const std::string&) { return true; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    VN_Fuzz::Controller_T& controller = VN_Fuzz::Controller();
    if (data[0] % 2 == 0) {
        const std::string path = VN_Fuzz::WriteWorkFile("data/vnd/vn12082026.vnd", data + 1, size - 1);
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) return 0;
        VN_Sample::CountDataLines(file.get(), size - 1);
        std::rewind(file.get());
        VN_Sample::DayFileToCsv(file.get(), size - 1, Take);
    } else {
        controller.sampler.SetCurvePath("/data/curves/");
        VN_Fuzz::WriteWorkFile("data/curves/last_iv_1.xml", data + 1, size - 1);
        VN_Sample::IvCurve curve;
        if (controller.sampler.LoadLastCurve(curve, 1) == 0) VN_Sample::CurveToCsv(curve, Take);
    }
    return 0;
}
