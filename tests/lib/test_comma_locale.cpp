// Wire and file numbers keep their decimal point when something has made the
// process's locale one with a decimal comma.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdlib>
#include <string>

#include "comma_locale.h"
#include "command_message.h"

namespace VN_Test {
namespace {

using NumbersUnderCommaLocale = CommaLocaleTest;

TEST_F(NumbersUnderCommaLocale, CommandLineCarriesRealsWithAPoint) {
    InProgramThread([] {
        // The controller writes a set-load request's reals with std::to_string,
        // the unit splits the line at commas and reads each slot with strtod.
        const std::string line = "42,2,2," + std::to_string(25.5) + ",100," + std::to_string(0.4) + "," +
                                 std::to_string(0.1) + "\r";
        CommandMessage message;
        for (char c : line) message.AddChar(c);
        EXPECT_EQ(7, message.Parse());
        EXPECT_DOUBLE_EQ(25.5, std::strtod(message.parameters[3], nullptr));
        EXPECT_DOUBLE_EQ(0.4, std::atof(message.parameters[5]));
        EXPECT_DOUBLE_EQ(0.1, std::strtod(message.parameters[6], nullptr));
    });
}

TEST_F(NumbersUnderCommaLocale, XmlAttributesAreReadAndWrittenWithAPoint) {
    InProgramThread([] {
        TiXmlDocument document;
        document.Parse("<Settings irradiance=\"5.11\"><Load fixed_voltage=\"25.5\"/></Settings>");
        ASSERT_NE(nullptr, document.RootElement());
        double value = 0.0;
        ASSERT_EQ(TIXML_SUCCESS, document.RootElement()->QueryDoubleAttribute("irradiance", &value));
        EXPECT_DOUBLE_EQ(5.11, value);
        ASSERT_EQ(TIXML_SUCCESS,
                  document.RootElement()->FirstChildElement("Load")->QueryDoubleAttribute("fixed_voltage", &value));
        EXPECT_DOUBLE_EQ(25.5, value);

        document.RootElement()->SetDoubleAttribute("vmin", 0.25);
        TiXmlPrinter printer;
        document.Accept(&printer);
        EXPECT_NE(std::string::npos, std::string(printer.CStr()).find("vmin=\"0.25")) << printer.CStr();
    });
}

}  // namespace
}  // namespace VN_Test
