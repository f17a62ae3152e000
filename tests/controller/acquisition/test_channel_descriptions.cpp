// Channel descriptions and units taken from settings stay on one line.
#include <gtest/gtest.h>

#include <string>

#include "acquisition/data_system.h"

namespace {

using VN_Sample::DataSystem;

TEST(ChannelDescriptions, LineBreaksAndTabsInSettingsBecomeBlanks) {
    DataSystem system;
    system.moduleChannels[101];
    system.auxInputChannels[105];
    system.temperatureChannels[109];
    ASSERT_EQ(0, system.SetModuleChannelSettings(
                     "<Settings><ModuleChannels>"
                     "<Channel id=\"101\" module_description=\"Row 3&#x0A;south&#x09;end\" />"
                     "</ModuleChannels></Settings>"));
    ASSERT_EQ(0, system.SetAuxInputChannelSettings(
                     "<AuxInputs><AuxInput id=\"105\" description=\"Plane&#x0D;&#x0A;tilt\" units=\"W/m2&#x0A;\" />"
                     "</AuxInputs>"));
    ASSERT_EQ(0, system.SetTemperatureChannelSettings(
                     "<Temperatures><Temperature id=\"109\" description=\"Back&#x0A;side\" units=\"deg&#x0A;C\" />"
                     "</Temperatures>"));
    EXPECT_EQ("Row 3 south end", system.moduleChannels[101].sample.name);
    EXPECT_EQ("Row 3 south end", system.moduleChannels[101].curve.Name);
    EXPECT_EQ("Plane  tilt", system.auxInputChannels[105].sample.name);
    EXPECT_EQ("W/m2 ", system.auxInputChannels[105].sample.units);
    EXPECT_EQ("Back side", system.temperatureChannels[109].sample.name);
    EXPECT_EQ("deg C", system.temperatureChannels[109].sample.units);
}

}  // namespace
