#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data_frame.h"
#include "sys_error.h"

using VN_Lib::DataFrame;

namespace {

std::vector<unsigned char> Bytes(const DataFrame& frame) {
    std::vector<unsigned char> out;
    for (size_t i = 0; i < frame.Size(); ++i) {
        out.push_back(static_cast<unsigned char>(frame[i]));
    }
    return out;
}

}  // namespace

TEST(DataFrame, FieldsAreLittleEndianWithFixedWidths) {
    DataFrame frame;
    frame.AddShort(0x1234);
    frame.AddInt(0x01020304);
    frame.AddLong(-2L);
    frame.AddFloat(1.0f);
    frame.AddDouble(1.0);
    std::vector<unsigned char> expected = {0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF,
                                           0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(Bytes(frame), expected);
}

TEST(DataFrame, EveryFieldKindRoundTripsInOrder) {
    DataFrame frame;
    frame.AddByte(static_cast<char>(-7));
    frame.AddShort(-12345);
    frame.AddInt(-2000000000);
    frame.AddLong(2147483647L);
    frame.AddLong(-123456L);
    frame.AddFloat(-3.25f);
    frame.AddDouble(6.02214076e23);
    frame.AddData("xyz", 3);
    frame.AddString("5.11");
    std::string second = "model";
    frame.AddString(second);
    frame.AddInts({1, -1}, 99);
    frame.AddFloats({0.5f}, 0);
    frame.AddDoubles({-0.125, 42.0}, 1);
    // 1 + 2 + 4 + 4 + 4 + 4 + 8 + 3 + 5 + 6 + 8 + 4 + 16
    ASSERT_EQ(frame.Size(), 69u);

    char b = 0;
    short s = 0;
    int i = 0;
    long l1 = 0, l2 = 0;
    float f = 0;
    double d = 0;
    char data[3];
    std::string text1, text2;
    EXPECT_EQ(frame.ExtractByte(&b), 0);
    EXPECT_EQ(frame.ExtractShort(&s), 0);
    EXPECT_EQ(frame.ExtractInt(&i), 0);
    EXPECT_EQ(frame.ExtractLong(&l1), 0);
    EXPECT_EQ(frame.ExtractLong(&l2), 0);
    EXPECT_EQ(frame.ExtractFloat(&f), 0);
    EXPECT_EQ(frame.ExtractDouble(&d), 0);
    EXPECT_EQ(frame.ExtractData(data, 3), 0);
    EXPECT_EQ(frame.ExtractString(text1), 0);
    EXPECT_EQ(frame.ExtractString(text2), 0);
    EXPECT_EQ(b, -7);
    EXPECT_EQ(s, -12345);
    EXPECT_EQ(i, -2000000000);
    EXPECT_EQ(l1, 2147483647L);
    EXPECT_EQ(l2, -123456L);
    EXPECT_EQ(f, -3.25f);
    EXPECT_EQ(d, 6.02214076e23);
    EXPECT_EQ(std::string(data, 3), "xyz");
    EXPECT_EQ(text1, "5.11");
    EXPECT_EQ(text2, "model");

    int i1 = 0, i2 = 0;
    EXPECT_EQ(frame.ExtractInt(&i1), 0);
    EXPECT_EQ(frame.ExtractInt(&i2), 0);
    EXPECT_EQ(frame.ExtractFloat(&f), 0);
    std::vector<double> doubles = {9.9};
    EXPECT_EQ(frame.ExtractDoubles(doubles, 2), 0);
    EXPECT_EQ(i1, 1);
    EXPECT_EQ(i2, -1);
    EXPECT_EQ(f, 0.5f);
    EXPECT_EQ(doubles, (std::vector<double>{-0.125, 42.0}));
    EXPECT_TRUE(frame.Empty());
}

TEST(DataFrame, PrependPutsFieldsInFrontAlsoAfterExtraction) {
    DataFrame frame;
    frame.AddByte('A');
    frame.AddByte('B');
    frame.PrependShort(5);
    EXPECT_EQ(Bytes(frame), (std::vector<unsigned char>{5, 0, 'A', 'B'}));

    // Room freed at the front by an extraction is reused.
    char c = 0;
    frame.ExtractByte(&c);
    frame.ExtractByte(&c);
    frame.PrependByte('E');
    frame.PrependShort(0x0102);
    EXPECT_EQ(Bytes(frame), (std::vector<unsigned char>{2, 1, 'E', 'A', 'B'}));
    short s = 0;
    EXPECT_EQ(frame.ExtractShort(&s), 0);
    EXPECT_EQ(s, 0x0102);
}

TEST(DataFrame, ExtractPastTheEndTakesNothing) {
    DataFrame frame;
    frame.AddData("abc", 3);
    int value = 77;
    EXPECT_EQ(frame.ExtractInt(&value), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(frame.Size(), 3u);
    double d = 1.5;
    EXPECT_EQ(frame.ExtractDouble(&d), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(d, 1.5);

    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(frame.ExtractData(out, 0), 0);
    EXPECT_EQ(frame.ExtractData(out, -3), 0);
    EXPECT_EQ(frame.ExtractData(out, 4), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(frame.Size(), 3u);

    DataFrame empty;
    char b = 'q';
    EXPECT_EQ(empty.ExtractByte(&b), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(b, 'q');
}

TEST(DataFrame, EmptyStringsAreNotWrittenAndUnterminatedOnesFail) {
    DataFrame frame;
    frame.AddString("");
    std::string empty;
    frame.AddString(empty);
    EXPECT_TRUE(frame.Empty());

    // A reader expecting the empty string gets the next field instead.
    frame.AddString("");
    frame.AddString("2026-12-07");
    std::string text = "old";
    EXPECT_EQ(frame.ExtractString(text), 0);
    EXPECT_EQ(text, "2026-12-07");

    frame.AddData("ab", 2);
    EXPECT_EQ(frame.ExtractString(text), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(frame.Empty());
}

TEST(DataFrame, ExtractDoublesKeepsWhatItTookBeforeRunningOut) {
    DataFrame frame;
    frame.AddDouble(1.0);
    frame.AddDouble(2.0);
    frame.AddByte(0);
    std::vector<double> values = {7.0, 8.0, 9.0};
    EXPECT_EQ(frame.ExtractDoubles(values, 3), VN_Lib::ERR_SHORT_FRAME);
    EXPECT_EQ(values, (std::vector<double>{1.0, 2.0}));
    EXPECT_EQ(frame.Size(), 1u);
}
