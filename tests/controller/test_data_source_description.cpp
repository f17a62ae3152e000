// A unit description whose fields are not where their layout puts them is
// refused, rather than read into wrong names and input lists.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "data_frame.h"
#include "data_source.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "sys_error.h"

using VN_Sample::DataSource;

namespace {

// Layout 2: the texts, aux input 1, temperature 3 of type "T", modules 1 and 2.
// edit may change the frame at any step: it is called with the step's name.
VN_Lib::DataFrame Description(const std::function<bool(VN_Lib::DataFrame&, const std::string&)>& edit) {
    VN_Lib::DataFrame frame;
    auto add = [&](const std::string& step, const std::function<void()>& write) {
        if (!edit(frame, step)) write();
    };
    add("layout", [&] { frame.AddInt(2); });
    add("version", [&] { frame.AddString("5.11"); });
    add("serial", [&] { frame.AddString("SN-7"); });
    add("date", [&] { frame.AddString("01/02/2025"); });
    add("model", [&] { frame.AddString("VN5"); });
    add("aux", [&] {
        frame.AddInt(1);
        frame.AddInt(1);
    });
    add("temperatures", [&] {
        frame.AddInt(1);
        frame.AddInt(3);
        frame.AddString("T");
    });
    add("modules", [&] {
        frame.AddInt(2);
        frame.AddInt(1);
        frame.AddInt(2);
    });
    add("end", [] {});
    return frame;
}

class DataSourceDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* link = new VN_Lib::SocketControl();
        source.SetPort(link);
        ASSERT_EQ(0, link->OpenClientSocket(unit.Port()));
        source.SetOnlineState(true);
    }

    VN_Test::FakeUnit unit;
    DataSource source;
};

TEST_F(DataSourceDescriptionTest, DescriptionsThatDoNotFitTheirLayoutAreRefusedAndNothingIsKept) {
    unit.Answer(11, 0, Description([](VN_Lib::DataFrame&, const std::string&) { return false; }));
    ASSERT_EQ(0, source.GetConfiguration());
    ASSERT_EQ("SN-7", source.serialNumber);
    ASSERT_EQ(2u, source.moduleSamples.size());

    struct Case_T {
        const char* what;
        int error;
        std::function<bool(VN_Lib::DataFrame&, const std::string&)> edit;
    };
    const int cut = VN_Lib::ERR_SHORT_FRAME;
    const int unfit = DataSource::ErrBadDescription;
    const Case_T cases[] = {
        // How an empty serial number used to travel: as nothing at all. The
        // texts move up and the model takes the bytes of a count...
        {"missing serial", cut, [](VN_Lib::DataFrame&, const std::string& step) { return step == "serial"; }},
        {"missing model", cut, [](VN_Lib::DataFrame&, const std::string& step) { return step == "model"; }},
        // ...which is an empty text when the count is 0.
        {"missing serial, no aux input", unfit,
         [](VN_Lib::DataFrame& frame, const std::string& step) {
             if (step == "aux") frame.AddInt(0);
             return step == "serial" || step == "aux";
         }},
        {"version no number", unfit,
         [](VN_Lib::DataFrame& frame, const std::string& step) {
             if (step == "version") frame.AddString("SN-7");
             return step == "version";
         }},
        {"negative count", unfit,
         [](VN_Lib::DataFrame& frame, const std::string& step) {
             if (step == "modules") frame.AddInt(-2);
             return step == "modules";
         }},
        {"bytes left over", unfit,
         [](VN_Lib::DataFrame& frame, const std::string& step) {
             if (step == "end") frame.AddInt(7);
             return false;
         }},
    };
    for (const Case_T& c : cases) {
        unit.Answer(11, 0, Description(c.edit));
        EXPECT_EQ(c.error, source.GetConfiguration()) << c.what;
        EXPECT_TRUE(source.auxInputSamples.empty()) << c.what;
        EXPECT_TRUE(source.temperatureSamples.empty()) << c.what;
        EXPECT_TRUE(source.moduleSamples.empty()) << c.what;
        EXPECT_EQ("SN-7", source.serialNumber) << c.what;
        EXPECT_EQ("VN5", source.modelNumber) << c.what;
    }
}

TEST_F(DataSourceDescriptionTest, APlaceholderWordIsAnOrdinaryText) {
    unit.Answer(11, 0, Description([](VN_Lib::DataFrame& frame, const std::string& step) {
                    if (step == "serial") frame.AddString("-");
                    return step == "serial";
                }));
    ASSERT_EQ(0, source.GetConfiguration());
    EXPECT_EQ("-", source.serialNumber);
    EXPECT_EQ("01/02/2025", source.buildDate);
    EXPECT_EQ(2u, source.moduleSamples.size());
}

}  // namespace
