#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "../sim/test_card_fixture.h"
#include "controller.h"
#include "curve_record.h"
#include "test_controller_rig.h"
#include "test_support.h"

namespace {

using VN_Lib::Controller;
using VN_Lib::curve_type;
using VN_Lib::CurveRecord;
using VN_Lib::DataFrame;
using VN_Test::ControlRig;

TEST(IvSweepRules, StepSettlingAndDecimation) {
    EXPECT_EQ(Controller::SweepStep(40.0, 50.0), 131);
    EXPECT_EQ(Controller::SweepStep(0.5, 50.0), 4);
    const int step = 131;
    EXPECT_EQ(Controller::SettlingWaitMs(20.0, 20.0, step), 15u);
    EXPECT_EQ(Controller::SettlingWaitMs(20.0, 20.0 + 14.0 * 5 * step / 32768.0, step), 1u);
    EXPECT_EQ(Controller::SettlingWaitMs(20.0, 30.0, step), 1u);
    EXPECT_EQ(Controller::SettlingWaitMs(20.0, 19.0, step), 15u);
    EXPECT_EQ(Controller::DecimationStep(603, 3), 3);
    EXPECT_EQ(Controller::DecimationStep(3, 3), 1);
}

TEST(IvSweepRules, CopyingSweptPoints) {
    std::vector<double> volts(65536, 0.0), amps(65536, 0.0);
    curve_type curve;
    // Nothing stored: the curve is only its three framing places.
    Controller::Decimation_T copied = Controller::CopySweptPoints(volts, amps, 2, 40.0, curve);
    EXPECT_EQ(copied.n, 3);
    EXPECT_EQ(copied.k, 3);
    EXPECT_EQ(copied.s, 1);

    // The first raw points sit on the short-circuit plateau and are
    // stripped; 600 remain between k and m, taken every third.
    const int m = 5 + 600;
    for (int i = 2; i < m; ++i) {
        volts[i] = i < 4 ? 0.3 : 0.3 + (i - 3) * 0.15;
        amps[i] = 8.0 - i * 0.01;
    }
    copied = Controller::CopySweptPoints(volts, amps, m, 40.0, curve);
    EXPECT_EQ(copied.k, 5);
    EXPECT_EQ(copied.s, 3);
    EXPECT_EQ(copied.n, 3 + (m - 5) / 3 + 1);
    EXPECT_LE(copied.n, 298);
    EXPECT_EQ(curve.voltages[2], volts[2]);
    EXPECT_EQ(curve.voltages[3], volts[5]);
    EXPECT_EQ(curve.currents[4], amps[8]);
}

curve_type SampleCurve(int n) {
    curve_type curve;
    curve.isc = 8.5;
    curve.voc = 37.2;
    curve.n = n;
    for (int i = 0; i < curve_type::MaxPoints; ++i) {
        curve.voltages[i] = i * 0.12;
        curve.currents[i] = 8.5 - i * 0.01;
    }
    return curve;
}

struct Decoded_T {
    double isc = 0, voc = 0;
    int n = 0;
    std::vector<double> volts, amps;
};

Decoded_T DecodeFixed(DataFrame& frame) {
    Decoded_T out;
    frame.ExtractDouble(&out.isc);
    frame.ExtractDouble(&out.voc);
    frame.ExtractInt(&out.n);
    for (int i = 0; i < curve_type::MaxPoints; ++i) {
        double v = 0, a = 0;
        EXPECT_EQ(frame.ExtractDouble(&v), 0);
        EXPECT_EQ(frame.ExtractDouble(&a), 0);
        if (i < out.n) {
            out.volts.push_back(v);
            out.amps.push_back(a);
        }
    }
    return out;
}

Decoded_T DecodeCompact(DataFrame& frame) {
    Decoded_T out;
    int version = 0, reserved = -1;
    double ignored = 0;
    frame.ExtractInt(&version);
    frame.ExtractInt(&reserved);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(reserved, 0);
    frame.ExtractDouble(&out.isc);
    frame.ExtractDouble(&ignored);
    frame.ExtractDouble(&ignored);
    frame.ExtractDouble(&out.voc);
    frame.ExtractDouble(&ignored);
    frame.ExtractDouble(&ignored);
    frame.ExtractInt(&out.n);
    for (int i = 0; i < out.n; ++i) {
        double v = 0, a = 0;
        EXPECT_EQ(frame.ExtractDouble(&v), 0);
        EXPECT_EQ(frame.ExtractDouble(&a), 0);
        out.volts.push_back(v);
        out.amps.push_back(a);
    }
    return out;
}

TEST(CurveRecordLayout, BothVariantsCarryTheSamePoints) {
    const curve_type curve = SampleCurve(120);
    DataFrame fixed, compact;
    CurveRecord::AppendFixed(curve, fixed);
    CurveRecord::AppendCompact(curve, compact);
    EXPECT_EQ(fixed.Size(), 4836u);
    EXPECT_EQ(compact.Size(), 4u + 4 + 6 * 8 + 4 + 120 * 16);
    const Decoded_T a = DecodeFixed(fixed);
    const Decoded_T b = DecodeCompact(compact);
    EXPECT_TRUE(compact.Empty());
    EXPECT_EQ(a.n, 120);
    EXPECT_EQ(a.isc, b.isc);
    EXPECT_EQ(a.voc, b.voc);
    EXPECT_EQ(a.volts, b.volts);
    EXPECT_EQ(a.amps, b.amps);
}

// Every byte of a value that needs escaping doubles the encoded record.
TEST(CurveRecordLayout, FixedRecordThatWouldOverflowTheLinkIsThinnedNotLost) {
    curve_type curve = SampleCurve(298);
    double escaped = 0;
    std::memset(&escaped, '[', sizeof escaped);
    for (int i = 3; i < curve_type::MaxPoints - 1; ++i) curve.voltages[i] = curve.currents[i] = escaped;
    curve.voltages[297] = curve.voc;
    curve.currents[297] = 0.0;
    DataFrame frame;
    CurveRecord::AppendFixed(curve, frame);
    EXPECT_EQ(frame.Size(), 4836u);
    EXPECT_LE(CurveRecord::EscapedSize(frame) + CurveRecord::FrameOverhead, 8190u);
    const Decoded_T out = DecodeFixed(frame);
    ASSERT_GT(out.n, 100);
    EXPECT_LT(out.n, 298);
    EXPECT_EQ(out.volts[0], curve.voltages[0]);
    EXPECT_EQ(out.volts[2], curve.voltages[2]);
    EXPECT_EQ(out.volts.back(), curve.voc);
    EXPECT_EQ(out.amps.back(), 0.0);

    // A record that fits goes out untouched, leftovers beyond n included.
    const curve_type plain = SampleCurve(10);
    DataFrame untouched;
    CurveRecord::AppendFixed(plain, untouched);
    double last = 0;
    std::memcpy(&last, untouched.Data() + untouched.Size() - 16, sizeof last);
    EXPECT_EQ(last, plain.voltages[300]);
}

TEST(CurveRecordLayout, TestDataFile) {
    VN_Test::TempDir dir;
    std::vector<VN_Lib::CurveTest_T> records(2);
    Controller::ClearTestData(records[0]);
    records[1].value1 = 1.5;
    records[1].value2 = 2.25;
    records[1].count = 42592;
    records[1].label = "Set Soft Isc";
    ASSERT_EQ(CurveRecord::WriteTestData(dir.File("test_data"), records), 0);
    EXPECT_EQ(VN_Test::ReadFile(dir.File("test_data")),
              "Size 2\n-999.000000\t-999.000000\t0\t\n1.500000\t2.250000\t42592\tSet Soft Isc\n");
    EXPECT_NE(CurveRecord::WriteTestData(dir.File("no/such/dir/test_data"), records), 0);
}

class IvSweepPhysicsTest : public ::testing::Test {
protected:
    IvSweepPhysicsTest() {
        VN_Test::ClockOffsetUs().store(0);
        VN_Lib::SetClockFunction(VN_Test::ShiftedClock);
        VN_Lib::SetMonotonicClockFunction(VN_Test::ShiftedClock);
    }
    ~IvSweepPhysicsTest() override {
        EXPECT_EQ(rig.CardFaults(), 0);
        VN_Lib::SetClockFunction(nullptr);
        VN_Lib::SetMonotonicClockFunction(nullptr);
    }

    VN_Test::TempDir dir;
    ControlRig rig{dir.File("eeprom.bin"), 1000.0, 25.0};
    Controller controller;
};

TEST_F(IvSweepPhysicsTest, CurveMatchesTheModuleAndTrackingResumes) {
    ASSERT_EQ(rig.Attach(controller), 0);
    VN_Lib::LoadConfiguration_T config;
    config.mode = 1;
    ASSERT_EQ(controller.SetLoadParameters(config), 0);
    for (int i = 0; i < 20; ++i) ASSERT_EQ(controller.UpdateLoad(), 0);
    const unsigned dacBefore = rig.LoadDac();

    curve_type curve;
    ASSERT_EQ(controller.TakeIvCurve(curve), 0);
    const VN_Sim::ModuleTruth_T truth = rig.Truth();
    ASSERT_GE(curve.n, 100);
    ASSERT_LE(curve.n, 298);
    EXPECT_EQ(curve.voltages[0], 0.0);
    EXPECT_EQ(curve.currents[0], curve.isc);
    EXPECT_EQ(curve.currents[1], curve.isc);
    EXPECT_LT(curve.voltages[1], 0.05 * truth.voc);
    EXPECT_EQ(curve.voltages[curve.n - 1], curve.voc);
    EXPECT_EQ(curve.currents[curve.n - 1], 0.0);
    EXPECT_NEAR(curve.isc, truth.isc, 0.01 * truth.isc);
    EXPECT_NEAR(curve.voc, truth.voc, 0.01 * truth.voc);
    double pmax = 0.0;
    for (int i = 1; i < curve.n; ++i) {
        EXPECT_GE(curve.voltages[i], curve.voltages[i - 1] - 0.01 * truth.voc) << i;
        pmax = std::max(pmax, curve.voltages[i] * curve.currents[i]);
    }
    EXPECT_NEAR(pmax, truth.maxPower.power, 0.01 * truth.maxPower.power);
    EXPECT_GT(curve.voltageResolution, 0.0);
    EXPECT_GT(curve.currentFullScale, curve.isc);

    const std::vector<VN_Lib::CurveTest_T>& records = controller.TestData();
    ASSERT_GE(records.size(), 10u);
    EXPECT_EQ(records.front().label, "Start Curve");
    EXPECT_EQ(records[4].label, "Set Soft Isc");
    EXPECT_EQ(records[4].count, 42592u);

    EXPECT_EQ(rig.LoadDac(), dacBefore);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(controller.UpdateLoad(), 0);
    EXPECT_GT(rig.OperatingPoint().power, 0.95 * truth.maxPower.power);
}

// The module's voltage jumps as the cross sweep takes its first point (five
// times the light through the load's on-resistance), so the cross sweep ends
// there and the step back starts 464 above 42592.
TEST_F(IvSweepPhysicsTest, CrossSweepEndingAtItsFirstPointStepsBackAboveIt) {
    rig.SetConditions(200.0, 25.0);
    ASSERT_EQ(rig.Attach(controller), 0);
    rig.OnDac(42592, 2, [](VN_Sim::PvModule& module) { module.SetConditions(1000.0, 25.0); });
    curve_type curve;
    ASSERT_EQ(controller.TakeIvCurve(curve), 0);
    const std::vector<VN_Lib::CurveTest_T>& records = controller.TestData();
    ASSERT_GE(records.size(), 8u);
    EXPECT_EQ(records[5].label, "Cross Sweep");
    EXPECT_EQ(records[5].count, 42592u);
    EXPECT_EQ(records[6].label, "Step Back");
    EXPECT_EQ(records[6].count, 42592u + 464u);
    EXPECT_EQ(records[7].count, 42592u + 464u);
    EXPECT_GT(curve.n, 100);
}

// The clock leaps past the sweep's 4.8 s alarm during the cross sweep: the
// sweep gives up with 260 at that point and leaves the load where it was.
TEST_F(IvSweepPhysicsTest, OverlongSweepStops) {
    ASSERT_EQ(rig.Attach(controller), 0);
    rig.OnDac(42592 - 16 * 3, 1, [](VN_Sim::PvModule&) { VN_Test::ClockOffsetUs().fetch_add(5000000); });
    curve_type curve;
    ASSERT_EQ(controller.TakeIvCurve(curve), Controller::ErrSweepTimeout);
    const std::vector<VN_Lib::CurveTest_T>& records = controller.TestData();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().label, "Cross Sweep");
    EXPECT_EQ(records.back().count, 42592u - 16u * 3u);
    EXPECT_EQ(rig.LoadDac(), 42592u - 16u * 3u);
}

TEST_F(IvSweepPhysicsTest, DarkModuleStopsAfterVoc) {
    ASSERT_EQ(rig.Attach(controller), 0);
    rig.SetConditions(0.0, 25.0);
    curve_type curve;
    // Noise around 0 V may read as a negative Voc, which is GetVoc's own error.
    const int result = controller.TakeIvCurve(curve);
    ASSERT_TRUE(result == Controller::ErrNoLight || result == Controller::ErrNegativeVoc) << result;
    const size_t records = result == Controller::ErrNoLight ? 2u : 1u;
    ASSERT_EQ(controller.TestData().size(), records);
    EXPECT_EQ(controller.TestData()[0].label, "Start Curve");
    if (records == 2u) {
        EXPECT_EQ(controller.TestData()[1].label, "Get Voc");
    }
    EXPECT_EQ(rig.LoadDac(), 0u);
}

}  // namespace
