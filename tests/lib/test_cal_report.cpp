#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "cal_report.h"
#include "cal_report_record.h"
#include "cal_type.h"
#include "clock.h"
#include "data_frame.h"
#include "test_support.h"

using VN_Lib::CalReport;
using VN_Lib::CalReportRecord;

namespace {

// 12/07/2026 14:05:09 and 07/01/2026 09:08:07 in the zone below.
const time_t WinterTime = 1796648709;
const time_t SummerTime = 1782889687;
time_t clockTime = WinterTime;

void FixedClock(struct timeval* tv) {
    tv->tv_sec = clockTime;
    tv->tv_usec = 0;
}

// A fixed clock and a zone with daylight saving, so local dates are known.
class CalReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* zone = std::getenv("TZ");
        hadZone = zone != nullptr;
        if (hadZone) previousZone = zone;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        clockTime = WinterTime;
        VN_Lib::SetClockFunction(FixedClock);
    }
    void TearDown() override {
        VN_Lib::SetClockFunction(nullptr);
        if (hadZone) {
            setenv("TZ", previousZone.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static CalReportRecord Record(int type, int localId, bool adjust, double actual = 1.0) {
        CalReportRecord record;
        record.type = type;
        record.local_id = localId;
        record.adjust = adjust;
        record.actual_value = actual;
        record.time = WinterTime;
        return record;
    }

    static std::string Print(TiXmlElement* element) {
        std::unique_ptr<TiXmlElement> owned(element);
        TiXmlPrinter printer;
        printer.SetIndent("    ");
        printer.SetLineBreak("\n");
        owned->Accept(&printer);
        return printer.Str();
    }

    // Parses text and reads its first "CalRecord" element into record.
    static bool ReadBack(const std::string& text, CalReportRecord& record) {
        TiXmlDocument document;
        document.Parse(text.c_str());
        TiXmlElement* element = document.FirstChildElement("CalRecord");
        if (element == nullptr) return false;
        record.Initialize(*element);
        return true;
    }

    bool hadZone = false;
    std::string previousZone;
};

CalReportRecord FullRecord() {
    CalReportRecord record;
    record.local_id = 7;
    record.type = VN_Lib::CAL_MODULE_CURRENT;
    record.time = SummerTime;
    record.units = "A";
    record.num_samples = 100;
    record.avg_period = 16667;
    record.actual_value = 1.5;
    record.before_value = 1.53;
    record.after_value = 1.4985;
    record.before_constant = 2.0000001;
    record.after_constant = 1.96078431372549;
    record.adjust = true;
    return record;
}

// Every stored field survives when the record prints the same again ("%E"
// keeps 7 digits, the time its seconds).
void ExpectSameFields(const CalReportRecord& back, const CalReportRecord& original) {
    std::string backText, originalText;
    back.GetXmlString(backText);
    original.GetXmlString(originalText);
    EXPECT_EQ(backText, originalText);
    EXPECT_EQ(back.time, original.time);
}

}  // namespace

TEST_F(CalReportTest, AdjustingStepRestartsOnlyItsChannelsHistory) {
    CalReport report;
    report.AddRecord(Record(10, 3, false));
    report.AddRecord(Record(10, 3, false));
    report.AddRecord(Record(10, 4, false));
    report.AddRecord(Record(20, 3, false));
    ASSERT_EQ(report.module_voltages[3].size(), 2u);

    report.AddRecord(Record(10, 3, true, 2.0));
    ASSERT_EQ(report.module_voltages[3].size(), 1u);
    EXPECT_TRUE(report.module_voltages[3][0].adjust);
    EXPECT_EQ(report.module_voltages[4].size(), 1u);
    EXPECT_EQ(report.module_currents[3].size(), 1u);

    report.AddRecord(Record(10, 3, false, 3.0));
    ASSERT_EQ(report.module_voltages[3].size(), 2u);
    EXPECT_DOUBLE_EQ(report.module_voltages[3][0].actual_value, 2.0);
    EXPECT_DOUBLE_EQ(report.module_voltages[3][1].actual_value, 3.0);
}

TEST_F(CalReportTest, RecordsAreFiledByTypeAndMiscIsNeverRemoved) {
    CalReport report;
    report.AddRecord(Record(30, 1, false));
    report.AddRecord(Record(40, 2, true));
    report.AddRecord(Record(99, 5, false));
    report.AddRecord(Record(99, 5, true));
    report.AddRecord(Record(0, 5, true));
    EXPECT_EQ(report.temperatures[1].size(), 1u);
    EXPECT_EQ(report.aux_inputs[2].size(), 1u);
    EXPECT_EQ(report.misc[5].size(), 3u);
    EXPECT_TRUE(report.module_voltages.empty());

    clockTime = WinterTime + 60;
    report.Clear();
    EXPECT_TRUE(report.temperatures.empty() && report.aux_inputs.empty() && report.misc.empty());
    EXPECT_EQ(report.time, WinterTime + 60);
}

TEST_F(CalReportTest, EmptyReportTextAndXml) {
    CalReport report;
    EXPECT_EQ(report.version, 1);
    EXPECT_EQ(report.time, WinterTime);
    EXPECT_EQ(report.DataSourceName(), "Controller 0");
    report.data_source_id = 2;
    EXPECT_EQ(report.DataSourceName(), "Load 2");
    report.serial_number = "SN-42";

    EXPECT_EQ(report.GetTextString(),
              "Data Source\tLoad 2\nSerial Number\tSN-42\nDate\t12/07/2026\nTime\t14:05:09\n"
              "\nModule Voltages:\n\nModule Currents:\n\nAux Inputs:\n\nTemperatures:\n\nMisc\n");
    EXPECT_EQ(Print(report.MakeNewXmlElement()),
              "<CalReport version=\"1\" serial_number=\"SN-42\" data_source_id=\"2\" "
              "data_source_name=\"Load 2\" date=\"12/07/2026\" time=\"14:05:09\">\n"
              "    <Module_Voltages />\n    <Module_Currents />\n    <AuxInputs />\n"
              "    <Temperatures />\n    <Misc />\n</CalReport>\n");
}

TEST_F(CalReportTest, ReportListsRecordsByKindAscendingIdAndListOrder) {
    CalReport report;
    report.AddRecord(Record(10, 9, false, 1.0));
    report.AddRecord(Record(10, 2, false, 2.0));
    report.AddRecord(Record(10, 9, false, 3.0));
    report.AddRecord(Record(55, 1, false, 4.0));

    std::string text = report.GetTextString();
    size_t second = text.find("Module Voltage\t2\t");
    size_t ninthA = text.find("Module Voltage\t9\t");
    size_t ninthB = text.find("Module Voltage\t9\t", ninthA + 1);
    ASSERT_NE(ninthB, std::string::npos);
    EXPECT_LT(second, ninthA);
    EXPECT_NE(text.find("Actual\t3.000000", ninthB), std::string::npos);
    EXPECT_NE(text.find("\nMisc\nMisc\t1\t"), std::string::npos);

    std::unique_ptr<TiXmlElement> element(report.MakeNewXmlElement());
    TiXmlElement* voltages = element->FirstChildElement("Module_Voltages");
    ASSERT_NE(voltages, nullptr);
    std::string ids;
    for (TiXmlElement* r = voltages->FirstChildElement("CalRecord"); r; r = r->NextSiblingElement("CalRecord")) {
        ids += std::string(r->Attribute("local_id")) + ":" + r->Attribute("actual_value") + " ";
    }
    EXPECT_EQ(ids, "2:2.000000E+00 9:1.000000E+00 9:3.000000E+00 ");
    EXPECT_NE(element->FirstChildElement("Misc")->FirstChildElement("CalRecord"), nullptr);
}

TEST_F(CalReportTest, RecordXmlHasItsAttributeOrderAndRealsInE) {
    CalReportRecord record;
    EXPECT_EQ(record.local_id, 0);
    EXPECT_EQ(record.units, "");
    EXPECT_FALSE(record.adjust);

    record = FullRecord();
    std::string text;
    EXPECT_EQ(record.GetXmlString(text), 0);
    EXPECT_EQ(text,
              "<CalRecord local_id=\"7\" type=\"20\" units=\"A\" date=\"07/01/2026\" time=\"09:08:07\" "
              "actual_value=\"1.500000E+00\" before_value=\"1.530000E+00\" before_diff=\"3.000000E-02\" "
              "before_prcnt=\"2.000000E+00\" after_value=\"1.498500E+00\" after_diff=\"-1.500000E-03\" "
              "after_prcnt=\"-1.000000E-01\" after_constant=\"1.960784E+00\" before_constant=\"2.000000E+00\" "
              "num_samples=\"100\" avg_period=\"16667\" adjust=\"true\" />\n");

    EXPECT_EQ(record.GetTextString(),
              "Module Current\t7\tDate\t07/01/2026\tTime\t09:08:07\tActual\t1.500000\tBefore\t1.530000\t"
              "Diff\t0.030000\tAfter\t1.498500\tDiff\t-0.001500\t");

    // A zero true value has no percentage; the output stays printable and readable.
    record.actual_value = 0.0;
    record.GetXmlString(text);
    CalReportRecord back;
    ASSERT_TRUE(ReadBack(text, back));
    EXPECT_DOUBLE_EQ(back.actual_value, 0.0);
}

TEST_F(CalReportTest, RecordReadBackFromItsOwnXmlKeepsEveryField) {
    // Written in summer, read back in winter: the hour must not move by the daylight-saving offset.
    CalReportRecord original = FullRecord();
    std::string text;
    original.GetXmlString(text);

    CalReportRecord back;
    ASSERT_TRUE(ReadBack(text, back));
    ExpectSameFields(back, original);
    CalReportRecord constructed(*std::unique_ptr<TiXmlElement>(original.MakeNewXmlElement()));
    ExpectSameFields(constructed, original);

    // Differences and percentages are derived, never read.
    TiXmlDocument document;
    document.Parse(text.c_str());
    TiXmlElement* element = document.FirstChildElement("CalRecord");
    element->SetAttribute("before_diff", "9.9E+01");
    element->SetAttribute("after_prcnt", "junk");
    CalReportRecord tampered(*element);
    std::string again;
    tampered.GetXmlString(again);
    EXPECT_EQ(again, text);
}

TEST_F(CalReportTest, RecordTravelsAsOneStringInAResponseFrame) {
    VN_Lib::DataFrame frame;
    frame.AddShort(0);
    CalReportRecord original = FullRecord();
    EXPECT_EQ(VN_Lib::ReturnCalRecord(frame, original), 0);

    short result = -1;
    ASSERT_EQ(frame.ExtractShort(&result), 0);
    std::string text;
    ASSERT_EQ(frame.ExtractString(text), 0);
    EXPECT_TRUE(frame.Empty());
    CalReportRecord back;
    ASSERT_TRUE(ReadBack(text, back));
    ExpectSameFields(back, original);
}

TEST_F(CalReportTest, MissingOrMalformedAttributesAreReadSafely) {
    CalReportRecord record = FullRecord();
    TiXmlElement bare("CalRecord");
    record.Initialize(bare);
    EXPECT_EQ(record.local_id, 7);
    EXPECT_EQ(record.type, 20);
    EXPECT_DOUBLE_EQ(record.actual_value, 1.5);
    EXPECT_EQ(record.num_samples, 100);
    EXPECT_EQ(record.units, "");
    EXPECT_FALSE(record.adjust);
    EXPECT_EQ(record.time, WinterTime);  // now, with no date and no time

    TiXmlElement odd("CalRecord");
    odd.SetAttribute("local_id", "x");
    odd.SetAttribute("actual_value", "not a number");
    odd.SetAttribute("adjust", "TRUE");
    odd.SetAttribute("date", "13/40/99999999999999999999");
    odd.SetAttribute("time", "25:61:-1");
    record.Initialize(odd);
    EXPECT_EQ(record.local_id, 7);
    EXPECT_DOUBLE_EQ(record.actual_value, 1.5);
    EXPECT_FALSE(record.adjust);
    EXPECT_EQ(record.time, WinterTime);

    // Fields are taken up to the first unusable one, the rest stay today's.
    TiXmlElement partial("CalRecord");
    partial.SetAttribute("date", "07/01/-5");
    partial.SetAttribute("time", "09:08");
    record.Initialize(partial);
    EXPECT_EQ(CalReportRecord::DateText(record.time), "07/01/2026");
    EXPECT_EQ(CalReportRecord::TimeText(record.time), "09:08:09");
}

TEST_F(CalReportTest, XmlParserAcceptsReportWithAwkwardTexts) {
    CalReport report;
    report.serial_number = "A\"1'<2>&3\x01\x1f";
    CalReportRecord record = Record(40, 1, true, 0.0);
    record.units = "<\"&'>";
    report.AddRecord(record);
    report.AddRecord(Record(10, 1, false));

    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    document.LinkEndChild(report.MakeNewXmlElement());
    VN_Test::TempDir dir;
    std::string path = dir.File("report.xml");
    ASSERT_TRUE(document.SaveFile(path.c_str()));
    std::string command = "xmllint --noout '" + path + "' > '" + dir.File("lint.txt") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << VN_Test::ReadFile(dir.File("lint.txt"));

    TiXmlDocument loaded;
    ASSERT_TRUE(loaded.LoadFile(path.c_str()));
    TiXmlElement* root = loaded.FirstChildElement("CalReport");
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Attribute("serial_number"), "A\"1'<2>&3  ");
    CalReportRecord back(*root->FirstChildElement("AuxInputs")->FirstChildElement("CalRecord"));
    EXPECT_EQ(back.units, "<\"&'>");
}
