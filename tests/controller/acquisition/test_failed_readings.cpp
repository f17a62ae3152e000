// Readings the unit marks as failed, from the sample record to the stored
// average line.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "acquisition/data_system.h"
#include "fake_unit.h"
#include "socket_control.h"
#include "storage/data_record.h"

using VN_Sample::DataSystem;
using VN_Sample::TemperatureChannel;

namespace {

// One data source (id 1) on a scripted unit with thermocouples 1 and 2, each
// on a temperature channel.
class FailedReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        VN_Sample::DataSource& source = system.dataSources[1];
        auto link = std::make_unique<VN_Lib::SocketControl>();
        ASSERT_EQ(link->OpenClientSocket(unit.Port()), 0);
        source.SetPort(link.release());
        source.versionNumber = 511;
        for (int id : {1, 2}) {
            source.temperatureSamples[id];
            TemperatureChannel& channel = system.temperatureChannels[DataSystem::GetChannelId(1, id)];
            channel.dataSourceId = 1;
            channel.localId = id;
        }
        source.SetOnlineState(true);
        source.SetActiveState(true);
        system.ResetDataAverages();
    }

    // A sample record with the two thermocouples' readings.
    void AnswerTemperatures(double first, double second) {
        VN_Lib::DataFrame record;
        record.AddInt(1);
        record.AddByte('T');
        record.AddInt(2);
        record.AddByte(1);
        record.AddDouble(first);
        record.AddByte(2);
        record.AddDouble(second);
        record.AddByte('E');
        unit.Answer(101, 0, record);
    }

    TemperatureChannel& Channel(int id) { return system.temperatureChannels[DataSystem::GetChannelId(1, id)]; }

    VN_Test::FakeUnit unit;
    DataSystem system;
};

TEST_F(FailedReadingTest, AnUnreadableThermocoupleIsInvalidAndSpoilsItsStoredAverage) {
    AnswerTemperatures(25.0, 40.0);
    system.SampleDataChannels();
    AnswerTemperatures(-999.0, 42.0);
    system.SampleDataChannels();
    EXPECT_FALSE(Channel(1).sample.valid);
    EXPECT_DOUBLE_EQ(VN_Sample::InvalidValue, Channel(1).sample.value);
    EXPECT_TRUE(Channel(2).sample.valid);

    system.AverageDataChannels();
    EXPECT_FALSE(Channel(1).sample.averageValid);
    EXPECT_DOUBLE_EQ(VN_Sample::InvalidValue, Channel(1).sample.average);
    EXPECT_DOUBLE_EQ(41.0, Channel(2).sample.average);

    VN_Sample::DataRecord record;
    for (int id : {1, 2}) record.UpdateTemperature(DataSystem::GetChannelId(1, id), Channel(id), true);
    std::string line;
    record.GetDataString(line, VN_Sample::AverageRecord, ",");
    const std::string averages = ",-9.999000e+03,4.100000e+01";
    ASSERT_GE(line.size(), averages.size());
    EXPECT_EQ(averages, line.substr(line.size() - averages.size()));
}

TEST_F(FailedReadingTest, TemperaturesNearTheFailureValueAreReadings) {
    // Only the unit's exact marker means "not read"; the next period is clean again.
    AnswerTemperatures(-999.0, -998.5);
    system.SampleDataChannels();
    system.AverageDataChannels();
    AnswerTemperatures(21.5, -998.5);
    system.SampleDataChannels();
    system.AverageDataChannels();
    EXPECT_TRUE(Channel(1).sample.averageValid);
    EXPECT_DOUBLE_EQ(21.5, Channel(1).sample.average);
    EXPECT_TRUE(Channel(2).sample.averageValid);
    EXPECT_DOUBLE_EQ(-998.5, Channel(2).sample.average);
}

}  // namespace
