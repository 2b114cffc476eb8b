#include "link/controllermessage.h"

#include <cstring>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

TEST(ControllerMessageTest, ANewRecordIsEmptyAndUnrouted)
{
    const ControllerMessage message;
    EXPECT_EQ(nullptr, message.m_hReplyWnd);
    EXPECT_EQ(COMMAND_ID_NONE, message.m_nCommandId);
    EXPECT_STREQ("", message.GetProgramName());
    EXPECT_STREQ("", message.GetText());
    EXPECT_EQ(0, message.GetLength());
    EXPECT_EQ(0, message.GetInteger());
    EXPECT_EQ(0, message.m_nSequence);
    EXPECT_EQ(0, message.m_nLineEndedCR);
    EXPECT_EQ(0, message.m_nIncomplete);
    EXPECT_EQ(0, message.m_nReplyState);
    EXPECT_EQ(CHANNEL_NOT_SET, message.m_nChannel);
    EXPECT_EQ(nullptr, message.m_pReplyReceiver);
}

TEST(ControllerMessageTest, TheRecordOwnsACopyOfItsArgument)
{
    char requesterText[] = "3,1500";
    ControllerMessage message;
    message.SetArgumentText(requesterText);
    std::strcpy(requesterText, "9,9999");
    EXPECT_STREQ("3,1500", message.GetText());
    EXPECT_EQ(6, message.GetLength());

    // Bytes with a NUL inside keep their length and get a NUL after them.
    const char bytes[] = {'A', '\0', 'B'};
    message.SetArgument(bytes, 3);
    ASSERT_EQ(3, message.GetLength());
    EXPECT_EQ(0, std::memcmp(bytes, message.GetBytes(), 3));
    EXPECT_EQ('\0', message.GetText()[3]);
}

TEST(ControllerMessageTest, CopiesAreDeepAndOutliveTheirSource)
{
    ControllerMessage copy;
    {
        ControllerMessage source;
        source.m_nCommandId = 32;
        source.m_nChannel = CHANNEL_COMMAND;
        source.m_nSequence = 17;
        source.m_nLineEndedCR = 1;
        source.SetProgramName("MAIN");
        source.SetArgumentText("reply text");
        copy = source;
        EXPECT_NE(source.GetText(), copy.GetText()); // not the same buffer
        source.SetArgumentText("changed");
    }
    EXPECT_STREQ("reply text", copy.GetText());
    EXPECT_EQ(32, copy.m_nCommandId);
    EXPECT_EQ(CHANNEL_COMMAND, copy.m_nChannel);
    EXPECT_EQ(17, copy.m_nSequence);
    EXPECT_EQ(1, copy.m_nLineEndedCR);
    EXPECT_STREQ("MAIN", copy.GetProgramName());

    const ControllerMessage constructed(copy);
    EXPECT_STREQ("reply text", constructed.GetText());
    ControllerMessage moved(std::move(copy));
    EXPECT_STREQ("reply text", moved.GetText());

    // Assigning a record to itself, or its own bytes to it, keeps them.
    ControllerMessage& same = moved;
    moved = same;
    EXPECT_STREQ("reply text", moved.GetText());
    moved.SetArgument(moved.GetText(), 5);
    EXPECT_STREQ("reply", moved.GetText());
}

TEST(ControllerMessageTest, IntegerAndRealValuesSurviveACopy)
{
    ControllerMessage integer;
    integer.SetArgumentText("dropped");
    integer.SetInteger(-42);
    EXPECT_EQ(0, integer.GetLength());
    const ControllerMessage integerCopy(integer);
    EXPECT_EQ(-42, integerCopy.GetInteger());
    EXPECT_EQ(0, integerCopy.GetLength());

    ControllerMessage real;
    real.SetReal(2.0137);
    const CVexoExtendedMessageData element(real);
    EXPECT_DOUBLE_EQ(2.0137, element.GetReal());
}

TEST(ControllerMessageTest, TheProgramNameIsCutToFifteenCharacters)
{
    ControllerMessage message;
    message.SetProgramName("ABCDEFGHIJKLMNOPQRST");
    EXPECT_STREQ("ABCDEFGHIJKLMNO", message.GetProgramName());
    message.SetProgramName(nullptr);
    EXPECT_STREQ("", message.GetProgramName());
}

} // namespace
