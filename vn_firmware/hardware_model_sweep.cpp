#include "curve_record.h"
#include "hardware_model.h"
#include "sys_error.h"

namespace VN_Lib {

namespace {
const char* const TestDataFile = "test_data";
}

int Vantrel::TakeIvCurve(int id) {
    Controller* module = FindModule(id);
    if (module == nullptr) return ERR_UNKNOWN_MODULE;
    const int result = module->TakeIvCurve(curve);
    // A diagnostic file that cannot be written does not spoil the sweep.
    CurveRecord::WriteTestData(TestDataFile, module->TestData());
    return result;
}

int Vantrel::GetIvCurveDataRecord(int variant, DataFrame& frame) {
    if (variant == 1)
        CurveRecord::AppendFixed(curve, frame);
    else
        CurveRecord::AppendCompact(curve, frame);
    return 0;
}

}  // namespace VN_Lib
