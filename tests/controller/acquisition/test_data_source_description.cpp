// A unit description whose fields are not where their layout puts them is
// refused, rather than read into wrong names and input lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/data_source.h"
#include "data_frame.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "sys_error.h"

using VN_Sample::DataSource;

namespace {

struct Layout_T {
    std::vector<std::string> texts{"5.11", "SN-7", "01/02/2025", "VN5"};
    int auxCount = 1;      // aux input 1 when 1
    int moduleCount = 2;   // modules 1 and 2 when 2
    bool extraInt = false;
};

// Layout 2 as a unit writes it (an empty text as nothing at all), with
// temperature 3 of type "T".
VN_Lib::DataFrame Description(const Layout_T& layout) {
    VN_Lib::DataFrame frame;
    frame.AddInt(2);
    for (const std::string& text : layout.texts) frame.AddString(text);
    frame.AddInt(layout.auxCount);
    for (int id = 1; id <= layout.auxCount; ++id) frame.AddInt(id);
    frame.AddInt(1);
    frame.AddInt(3);
    frame.AddString("T");
    frame.AddInt(layout.moduleCount);
    for (int id = 1; id <= layout.moduleCount; ++id) frame.AddInt(id);
    if (layout.extraInt) frame.AddInt(7);
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
    unit.Answer(11, 0, Description(Layout_T()));
    ASSERT_EQ(0, source.GetConfiguration());
    ASSERT_EQ(2u, source.moduleSamples.size());

    struct Case_T {
        const char* what;
        int error;
        Layout_T layout;
    };
    const int cut = VN_Lib::ERR_SHORT_FRAME;
    const int unfit = DataSource::ErrBadDescription;
    Case_T cases[] = {{"missing serial", cut, {}},
                      {"missing serial, no aux input", unfit, {}},
                      {"version no number", unfit, {}},
                      {"negative count", unfit, {}},
                      {"bytes left over", unfit, {}}};
    // How an empty serial number used to travel: as nothing at all. The texts
    // move up and the model takes the bytes of the next count, an empty text
    // when that count is 0.
    cases[0].layout.texts[1] = "";
    cases[1].layout.texts[1] = "";
    cases[1].layout.auxCount = 0;
    cases[2].layout.texts[0] = "SN-7";
    cases[3].layout.moduleCount = -2;
    cases[4].layout.extraInt = true;
    for (const Case_T& c : cases) {
        unit.Answer(11, 0, Description(c.layout));
        EXPECT_EQ(c.error, source.GetConfiguration()) << c.what;
        EXPECT_TRUE(source.auxInputSamples.empty()) << c.what;
        EXPECT_TRUE(source.temperatureSamples.empty()) << c.what;
        EXPECT_TRUE(source.moduleSamples.empty()) << c.what;
        EXPECT_EQ("SN-7", source.serialNumber) << c.what;
        EXPECT_EQ("01/02/2025", source.buildDate) << c.what;
    }

    // The unit's word for an empty text is an ordinary one.
    Layout_T placeholder;
    placeholder.texts[1] = "-";
    unit.Answer(11, 0, Description(placeholder));
    ASSERT_EQ(0, source.GetConfiguration());
    EXPECT_EQ("-", source.serialNumber);
    EXPECT_EQ(2u, source.moduleSamples.size());
}

}  // namespace
