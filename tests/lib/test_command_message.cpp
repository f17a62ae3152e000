#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "command_message.h"

namespace {

void Feed(CommandMessage& message, const std::string& text) {
    for (char c : text) {
        message.AddChar(c);
    }
}

void ExpectSlotsEmptyFrom(const CommandMessage& message, int first) {
    for (int i = first; i < CommandMessage::ParameterSlots; ++i) {
        EXPECT_STREQ(message.parameters[i], "") << "slot " << i;
    }
}

}  // namespace

TEST(CommandMessage, LineIsSplitAtCommasIntoSlots) {
    CommandMessage message;
    Feed(message, "150,3\r");
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), 150);
    EXPECT_STREQ(message.parameters[1], "3");
    ExpectSlotsEmptyFrom(message, 2);

    message.Clear();
    Feed(message, "42,1,2,30.500000,0,0.000000,0.000000\r");
    EXPECT_EQ(message.Type(), CmdSetLoadControlParameters);
    EXPECT_STREQ(message.parameters[3], "30.500000");
    EXPECT_STREQ(message.parameters[6], "0.000000");
    ExpectSlotsEmptyFrom(message, 7);
}

TEST(CommandMessage, ScanStopsAtEmptyOrOverlongField) {
    CommandMessage message;
    std::strcpy(message.text, "42,1,,5");
    EXPECT_EQ(message.Parse(), 2);
    EXPECT_STREQ(message.parameters[0], "42");
    EXPECT_STREQ(message.parameters[1], "1");
    ExpectSlotsEmptyFrom(message, 2);

    std::strcpy(message.text, "101,A,");
    EXPECT_EQ(message.Parse(), 2);
    ExpectSlotsEmptyFrom(message, 2);

    // The first 15 characters of an overlong field are kept; nothing after it.
    std::strcpy(message.text, "30,abcdefghijklmnopq,x");
    EXPECT_EQ(message.Parse(), 2);
    EXPECT_STREQ(message.parameters[1], "abcdefghijklmno");
    ExpectSlotsEmptyFrom(message, 2);

    std::strcpy(message.text, "");
    EXPECT_EQ(message.Parse(), -1);
    ExpectSlotsEmptyFrom(message, 0);
}

TEST(CommandMessage, NinthFieldRunsToTheEndOfTheLine) {
    CommandMessage message;
    std::strcpy(message.text, "1,2,3,4,5,6,7,8,9,10,11");
    EXPECT_EQ(message.Parse(), 9);
    EXPECT_STREQ(message.parameters[8], "9,10,11");
    ExpectSlotsEmptyFrom(message, 9);
}

TEST(CommandMessage, CharactersBuildTheLineUntilCarriageReturn) {
    CommandMessage message;
    EXPECT_EQ(message.state, CommandMessage::StateEmpty);
    message.AddChar('1');
    EXPECT_EQ(message.state, CommandMessage::StatePartial);
    message.AddChar('2');
    message.AddChar('\n');
    message.AddChar('\0');
    EXPECT_EQ(message.state, CommandMessage::StatePartial);
    EXPECT_STREQ(message.text, "12");
    message.AddChar('\r');
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), 12);
}

TEST(CommandMessage, TextPastCapacityIsDropped) {
    CommandMessage message;
    std::string longLine = "101,";
    longLine += std::string(400, 'A');
    Feed(message, longLine);
    EXPECT_EQ(std::strlen(message.text), 255u);
    EXPECT_EQ(std::string(message.text), longLine.substr(0, 255));
    message.AddChar('\r');
    EXPECT_EQ(message.state, CommandMessage::StateDone);
    EXPECT_EQ(message.Type(), 101);
    EXPECT_EQ(std::strlen(message.parameters[1]), 15u);
}

TEST(CommandMessage, TypeAndSetType) {
    CommandMessage message;
    EXPECT_EQ(message.Type(), 0);
    Feed(message, "abc,1\r");
    EXPECT_EQ(message.Type(), 0);

    message.Clear();
    Feed(message, "99,7\r");
    message.SetType(CmdUnknown);
    EXPECT_EQ(message.Type(), 255);
    EXPECT_STREQ(message.parameters[1], "7");
}

TEST(CommandMessage, CopyTakesEverything) {
    CommandMessage source;
    Feed(source, "104,1,0,3,2,1,100\r");
    CommandMessage target;
    Feed(target, "1,2,3,4,5,6,7,8,9\r");
    source.Copy(&target);
    EXPECT_EQ(target.state, CommandMessage::StateDone);
    EXPECT_STREQ(target.text, "104,1,0,3,2,1,100");
    EXPECT_EQ(target.Type(), 104);
    EXPECT_STREQ(target.parameters[6], "100");
    ExpectSlotsEmptyFrom(target, 7);
}

TEST(CommandMessage, PrintShowsTextStateAndEverySlot) {
    CommandMessage message;
    Feed(message, "12,");
    testing::internal::CaptureStdout();
    message.Print();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("Command String \"12,\"\nState Partial\nParameter 0 \"\"\n", 0), 0u) << printed;
    EXPECT_NE(printed.find("Parameter 15 \"\"\n"), std::string::npos);
}
