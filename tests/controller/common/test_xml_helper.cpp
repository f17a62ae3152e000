#include "common/xml_helper.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

using VN_Sample::XmlHelper;

namespace {

TEST(XmlHelper, DateTimeElementCountsYearsFrom1900AndMonthsFromOne) {
    VN_Test::ScopedTimeZone zone("UTC");
    struct tm t = {};
    t.tm_year = 112;
    t.tm_mon = 6;
    t.tm_mday = 4;
    t.tm_hour = 13;
    t.tm_min = 5;
    t.tm_sec = 9;
    const std::unique_ptr<TiXmlElement> element(XmlHelper::MakeNewDateTimeAsXmlElement(static_cast<long>(timegm(&t))));
    EXPECT_EQ("<Date_Time year=\"112\" month=\"7\" day=\"4\" hour=\"13\" min=\"5\" sec=\"9\" />\n",
              XmlHelper::GetAsString(element.get()));
}

TEST(XmlHelper, IdListsOfCurveRequests) {
    std::vector<int> ids = {9};
    EXPECT_TRUE(XmlHelper::GetXmlIdList("<Curves points=\"yes\"><Id id=\"101\"/><Id id=\"3\"/></Curves>", ids));
    EXPECT_EQ((std::vector<int>{101, 3}), ids);
    EXPECT_FALSE(XmlHelper::GetXmlIdList("<Curves points=\"YES\"><Id id=\"7\"/><Id/></Curves>", ids));
    EXPECT_EQ((std::vector<int>{7}), ids);
    EXPECT_FALSE(XmlHelper::GetXmlIdList("not xml", ids));
    EXPECT_TRUE(ids.empty());
}

TEST(XmlHelper, RealsAreWrittenInExponentForm) {
    EXPECT_EQ("1.500000E+00", XmlHelper::RealText(1.5));
    EXPECT_EQ("-9.999000E+03", XmlHelper::RealText(-9999.0));
}

}  // namespace
