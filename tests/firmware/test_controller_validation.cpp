#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controller.h"
#include "load_controller.h"

namespace {

using VN_Lib::Controller;
using VN_Lib::LoadConfiguration_T;

// A controller that was never initialised: ratings of 5 V, no bus, no inputs.
TEST(ControllerValidationTest, EveryFieldIsClampedIntoItsRange) {
    Controller controller;
    LoadConfiguration_T config;
    config.mode = 7;
    config.fixedVoltage = -5.0;
    config.averageUsec = 0;
    config.ptrackVmin = 1.5;
    config.ptrackVstep = 0.5;
    LoadConfiguration_T valid = controller.ValidateLoadConfiguration(config);
    EXPECT_EQ(valid.mode, 0);
    EXPECT_EQ(valid.fixedVoltage, 0.0);
    EXPECT_EQ(valid.averageUsec, 1);
    EXPECT_EQ(valid.ptrackVmin, 1.0);
    EXPECT_EQ(valid.ptrackVstep, 0.2);

    config.mode = -1;
    config.fixedVoltage = 1e6;
    config.averageUsec = 5000000;
    config.ptrackVmin = -0.1;
    config.ptrackVstep = 0.001;
    valid = controller.ValidateLoadConfiguration(config);
    EXPECT_EQ(valid.mode, 0);
    EXPECT_EQ(valid.fixedVoltage, 5.0);
    EXPECT_EQ(valid.averageUsec, 1000000);
    EXPECT_EQ(valid.ptrackVmin, 0.0);
    EXPECT_EQ(valid.ptrackVstep, 0.01);

    // Values that parse as no number at all get the lower bounds.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    config.fixedVoltage = nan;
    config.ptrackVmin = nan;
    config.ptrackVstep = nan;
    valid = controller.ValidateLoadConfiguration(config);
    EXPECT_EQ(valid.fixedVoltage, 0.0);
    EXPECT_EQ(valid.ptrackVmin, 0.0);
    EXPECT_EQ(valid.ptrackVstep, 0.01);
}

TEST(ControllerValidationTest, ValidConfigurationIsKeptAndStored) {
    Controller controller;
    LoadConfiguration_T config;
    config.mode = 3;
    config.fixedVoltage = 2.5;
    config.averageUsec = 1000;
    config.ptrackVmin = 0.5;
    config.ptrackVstep = 0.05;
    ASSERT_EQ(controller.SetLoadParameters(config), 0);
    const LoadConfiguration_T& stored = controller.GetLoadConfiguration();
    EXPECT_EQ(stored.mode, 3);
    EXPECT_EQ(stored.fixedVoltage, 2.5);
    EXPECT_EQ(stored.averageUsec, 1000);
    EXPECT_EQ(stored.ptrackVmin, 0.5);
    EXPECT_EQ(stored.ptrackVstep, 0.05);

    controller.SetAveragePeriod(5000000);
    EXPECT_EQ(controller.GetLoadConfiguration().averageUsec, 1000000);

    ASSERT_EQ(controller.InitializeLoad(), 0);
    const LoadConfiguration_T defaults = Controller::GetDefaultLoadConfiguration();
    EXPECT_EQ(controller.GetLoadConfiguration().mode, defaults.mode);
    EXPECT_EQ(controller.GetLoadConfiguration().fixedVoltage, 5.0);  // the default, validated
    EXPECT_EQ(controller.GetLoadConfiguration().averageUsec, 100);
    EXPECT_EQ(controller.GetLoadConfiguration().ptrackVmin, 0.4);
    EXPECT_EQ(controller.GetLoadConfiguration().ptrackVstep, 0.1);
}

TEST(ControllerValidationTest, WithoutBusOrInputsEveryOperationReportsItsError) {
    Controller controller;
    EXPECT_EQ(controller.SetToVoc(), VN_Lib::LoadController::ErrNoBus);
    int error = 0;
    EXPECT_EQ(controller.GetVoc(&error), Controller::FailedReading);
    EXPECT_EQ(error, VN_Lib::LoadController::ErrNoBus);
    error = 0;
    EXPECT_EQ(controller.GetIsc(&error), Controller::FailedReading);
    EXPECT_EQ(error, VN_Lib::LoadController::ErrNoBus);
    // Inputs without a conversion factor refuse to read.
    EXPECT_EQ(controller.UpdateLoad(), 803);
    EXPECT_EQ(controller.Initialize(nullptr, VN_Lib::ControlConfigType()), VN_Lib::LoadController::ErrNoBus);
}

}  // namespace
