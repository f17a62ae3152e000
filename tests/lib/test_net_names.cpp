#include <gtest/gtest.h>

#include <string>

#include "net_names.h"

using VN_Lib::IsHostName;
using VN_Lib::IsIpv4Quad;

TEST(NetNames, Ipv4QuadsAreFourPlainDecimalNumbersUpTo255) {
    for (const char* good : {"0.0.0.0", "127.0.0.1", "10.1.2.3", "255.255.255.255", "192.168.100.9"}) {
        EXPECT_TRUE(IsIpv4Quad(good)) << good;
    }
    const char* const bad[] = {"",         "1.2.3",    "1.2.3.4.5", "1.2.3.256",  "1.2.3.",    "1..2.3",
                               "01.2.3.4", "1.2.3.4 ", "+1.2.3.4",  "0x7f.0.0.1", "1.2.3.4;ls", "localhost"};
    for (const char* text : bad) EXPECT_FALSE(IsIpv4Quad(text)) << text;
}

TEST(NetNames, HostNamesAreDottedLabelsOfLettersDigitsAndInnerHyphens) {
    for (const char* good : {"a", "station7", "VN-5", "station-7.lab", "9lives", "a.b.c"}) {
        EXPECT_TRUE(IsHostName(good)) << good;
    }
    const char* const bad[] = {"",    "-a",  "a-",  "a..b", ".a",   "a.",
                               "a_b", "a b", "a;b", "`a`",  "a.-b", "\xc3\xa9t\xc3\xa9"};
    for (const char* text : bad) EXPECT_FALSE(IsHostName(text)) << text;

    EXPECT_TRUE(IsHostName(std::string(63, 'a')));
    EXPECT_FALSE(IsHostName(std::string(64, 'a')));
    // Four labels of 63 and three dots: 255 characters, above the limit of 253.
    std::string label(63, 'a');
    std::string longName = label + "." + label + "." + label + "." + label;
    EXPECT_FALSE(IsHostName(longName));
    EXPECT_TRUE(IsHostName(longName.substr(0, 253)));
}
