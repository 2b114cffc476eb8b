// The watch window's items and cells, and the commands they make.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "framework/cstring.h"
#include "link/commandtable.h"
#include "link/controllermessage.h"
#include "tools/watchlist.h"

namespace {

// The controller line a command makes, through the command table.
std::string Wire(const SWatchCommand& command)
{
    ControllerMessage message;
    message.m_nCommandId = command.id;
    if (command.isText)
        message.SetArgumentText(command.text.c_str());
    else
        message.SetInteger(command.integer);
    CString text;
    if (FormatControllerCommand(message, text) != COMMAND_FORMATTED)
        return "(not formatted)";
    return text.str();
}

CWatchData Vr(int index)
{
    editor::SWatchItem item = {};
    std::snprintf(item.name, sizeof item.name, "VR(%d)", index);
    item.index = -1;
    item.process = -1;
    item.vrIndex = index;
    return CWatchData(item);
}

CWatchData Local(const char* name, const char* program, int index, int process)
{
    editor::SWatchItem item = {};
    std::strncpy(item.name, name, sizeof item.name - 1);
    std::strncpy(item.program, program, sizeof item.program - 1);
    item.index = index;
    item.process = process;
    item.vrIndex = -1;
    return CWatchData(item);
}

CWatchReplyData Reply(int id, const CWatchData& request, double real, const char* text = "")
{
    CWatchReplyData reply;
    reply.commandId = id;
    reply.channel = 8;
    reply.real = real;
    reply.text = text;
    reply.request = request;
    return reply;
}

TEST(WatchList, ItemsFromTheEditorAndTheirReadCommands)
{
    CWatchList list;
    bool readNow = false;
    ASSERT_TRUE(list.Add(Vr(12), &readNow));
    EXPECT_TRUE(readNow) << "a VR item is read at once";
    ASSERT_TRUE(list.Add(Local("speed", "main", 3, 2), &readNow));
    EXPECT_TRUE(readNow);
    EXPECT_EQ("MAIN", list.Cell(1, kWatchProgram));
    EXPECT_EQ("2", list.Cell(1, kWatchProcess));
    EXPECT_EQ("VR(12)", list.Cell(0, kWatchName));

    // The add marks the VR items only.
    EXPECT_EQ(0, list.TakeNextPending());
    EXPECT_EQ(-1, list.TakeNextPending());
    EXPECT_EQ("?VR(12);", Wire(*CWatchList::ReadCommand(list.Item(0))));
    EXPECT_EQ("?LOOKUP(3,3) PROC(2);", Wire(*CWatchList::ReadCommand(list.Item(1))));
    // Refresh marks both.
    EXPECT_TRUE(list.MarkPending(false));
    EXPECT_EQ(0, list.TakeNextPending());
    EXPECT_EQ(1, list.TakeNextPending());
    // A variable without a process or index is not read.
    EXPECT_FALSE(CWatchList::ReadCommand(Local("x", "MAIN", 1, -1)));
    EXPECT_FALSE(CWatchList::ReadCommand(Local("x", "MAIN", -1, 2)));
}

TEST(WatchList, RepliesShowInTheirRowOrEndThePass)
{
    CWatchList list;
    list.Add(Vr(7));
    list.Add(Local("speed", "MAIN", 3, 2));
    const CWatchData vr = list.Item(0), speed = list.Item(1);

    EXPECT_EQ(CWatchList::kReplyShown, list.TakeReply(Reply(kCommandReadVr, vr, 2.5)));
    EXPECT_EQ("2.5", list.Cell(0, kWatchValue));
    EXPECT_EQ(CWatchList::kReplyShown, list.TakeReply(Reply(kCommandReadLocal, speed, 0, "04.5")));
    EXPECT_EQ("4.5", list.Cell(1, kWatchValue));
    EXPECT_EQ(CWatchList::kReplyShown, list.TakeReply(Reply(kCommandReadLocal, speed, 0, "x4.5")));
    EXPECT_EQ("4.5", list.Cell(1, kWatchValue)) << "a text not beginning with 0 keeps the value";
    EXPECT_EQ(CWatchList::kReplyShown, list.TakeReply(Reply(kCommandReadLocal, speed, 0, "0 1.25e3\r")));
    EXPECT_EQ("1250.0", list.Cell(1, kWatchValue));

    // An answer for the other kind of item, to another command, or for an
    // item that has left its row belongs to nothing.
    EXPECT_EQ(CWatchList::kReplyRejected, list.TakeReply(Reply(kCommandReadVr, speed, 9)));
    EXPECT_EQ(CWatchList::kReplyRejected, list.TakeReply(Reply(kCommandReadLocal, vr, 0, "09")));
    EXPECT_EQ(CWatchList::kReplyRejected, list.TakeReply(Reply(201, vr, 9)));
    EXPECT_EQ(CWatchList::kReplyPassed, list.TakeReply(Reply(kCommandWriteLocal, speed, 0)));
    list.SetName(0, "");
    EXPECT_EQ(CWatchList::kReplyRejected, list.TakeReply(Reply(kCommandReadVr, vr, 9)));
    EXPECT_EQ("", list.Cell(0, kWatchValue));

    for (const char* text : {"04.5", "0 4.5", "0-1"})
        EXPECT_TRUE(ParseLookupReply(text).has_value()) << text;
    for (const char* text : {"", "0", "x4.5", "1", "04.5x"})
        EXPECT_FALSE(ParseLookupReply(text).has_value()) << text;
}

TEST(WatchList, TypedNames)
{
    struct Case {
        const char* text;
        std::optional<long> index;
    } const cases[] = {
        {"VR(12)", 12}, {"vr ( 12 )", 12}, {"  Vr(0)x", 0}, {"VR(", std::nullopt}, {"VR()", std::nullopt},
        {"VR(1", std::nullopt}, {"VRX(1)", std::nullopt}, {"V(1)", std::nullopt}, {"VR(-1)", std::nullopt},
        {"VR(1 2)", std::nullopt}, {"VR(9999999999)", std::nullopt}, {"speed", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.index, ParseVRName(c.text)) << c.text;

    CWatchList list;
    EXPECT_TRUE(list.SetName(0, "vr ( 12 )"));
    EXPECT_EQ(1, list.RowsInUse());
    EXPECT_EQ(1, list.VrRows());
    EXPECT_EQ("VR ( 12 )", list.Cell(0, kWatchName));
    EXPECT_EQ(12, list.Item(0).m_vrIndex);
    EXPECT_EQ("?VR(12);", Wire(*CWatchList::ReadCommand(list.Item(0))));
    EXPECT_TRUE(list.SetName(1, "Speed"));
    EXPECT_EQ("speed", list.Item(1).m_name);
    EXPECT_EQ(-1, list.Item(1).m_vrIndex);
    EXPECT_FALSE(list.SetName(3, "far")) << "only the first free row takes a new item";
    EXPECT_FALSE(list.SetName(1, "speed")) << "the same name";
    EXPECT_TRUE(list.SetName(0, "total"));
    EXPECT_EQ(0, list.VrRows());
}

TEST(WatchList, TwelveItemsAndRowsMoveUpWhenOneIsCleared)
{
    CWatchList list;
    for (int i = 0; i < kWatchRows; ++i)
        ASSERT_TRUE(list.Add(Vr(i)));
    EXPECT_FALSE(list.Add(Vr(99))) << "a 13th add is ignored";
    EXPECT_EQ(kWatchRows, list.RowsInUse());

    CWatchList five;
    for (int i = 0; i < 5; ++i)
        five.Add(Vr(i));
    EXPECT_TRUE(five.SetName(2, ""));
    EXPECT_EQ(4, five.RowsInUse());
    EXPECT_EQ(4, five.VrRows());
    for (int row = 0; row < 4; ++row) {
        const int vr = row < 2 ? row : row + 1;
        EXPECT_EQ("VR(" + std::to_string(vr) + ")", five.Cell(row, kWatchName)) << row;
        EXPECT_EQ(row, five.Item(row).m_row);
    }
    EXPECT_EQ("", five.Cell(4, kWatchName));
    EXPECT_TRUE(five.Item(4).m_name.empty());
}

TEST(WatchList, TypedProcessPins)
{
    for (const char* text : {"[3]", "3", "3]", " [3] "}) {
        CWatchList list;
        list.Add(Local("speed", "MAIN", 1, -1));
        EXPECT_TRUE(list.SetProcess(0, text)) << text;
        EXPECT_EQ("[3]", list.Cell(0, kWatchProcess)) << text;
        EXPECT_EQ(3, list.Item(0).m_process);
        EXPECT_EQ(1, list.Item(0).m_pinned);
        // A process event leaves a pinned item alone.
        list.ProcessStopped("MAIN", 3);
        EXPECT_EQ(3, list.Item(0).m_process);
        EXPECT_TRUE(list.SetProcess(0, ""));
        EXPECT_EQ(0, list.Item(0).m_pinned);
        EXPECT_EQ(-1, list.Item(0).m_process);
        EXPECT_EQ("", list.Cell(0, kWatchProcess));
    }
    CWatchList list;
    list.Add(Local("speed", "MAIN", 1, 2));
    EXPECT_FALSE(list.SetProcess(0, "abc"));
    EXPECT_EQ(2, list.Item(0).m_process);
}

TEST(WatchList, ValueWrites)
{
    CWatchList list;
    list.Add(Vr(7));
    list.Add(Local("speed", "MAIN", 1, 2));
    bool readBack = false;

    std::optional<SWatchCommand> write = list.SetValue(0, "1.5", true, &readBack);
    ASSERT_TRUE(write);
    EXPECT_EQ("VR(7)= 1.5", Wire(*write));
    EXPECT_TRUE(readBack);
    EXPECT_EQ("1.5", list.Cell(0, kWatchValue));

    write = list.SetValue(1, "7", true, &readBack);
    ASSERT_TRUE(write);
    EXPECT_EQ("LOOKUP(4,1,7.0) PROC(2)", Wire(*write));

    EXPECT_FALSE(list.SetValue(0, "abc", true, &readBack)) << "not a number: nothing sent";
    EXPECT_TRUE(readBack) << "and read back";
    EXPECT_FALSE(list.SetValue(0, "", true, &readBack));
    EXPECT_FALSE(readBack);

    // Without the feature, or without a shown process, nothing goes and
    // the cell empties.
    EXPECT_FALSE(list.SetValue(1, "7", false, &readBack));
    EXPECT_EQ("", list.Cell(1, kWatchValue));
    list.ProcessStopped("MAIN", 2);
    EXPECT_FALSE(list.SetValue(1, "7", true, &readBack));
    EXPECT_TRUE(readBack);

    // A typed VR name is written by its stored index.
    list.SetName(0, "vr ( 12 )");
    write = list.SetValue(0, "2", true, &readBack);
    ASSERT_TRUE(write);
    EXPECT_EQ("VR(12)= 2.0", Wire(*write));
    list.SetExponentAllowed(true);
    write = list.SetValue(0, "1e12", true, &readBack);
    EXPECT_EQ("VR(12)= 1.0e+12", Wire(*write));
}

TEST(WatchList, VariableTablesAndProcessEvents)
{
    CWatchList list;
    list.Add(Vr(7));
    list.Add(Local("speed", "MAIN", -1, -1));
    list.Add(Local("gone", "MAIN", -1, -1));
    list.Add(Local("speed", "MAIN", -1, -1));
    list.Add(Local("speed", "OTHER", -1, -1));

    editor::VariableTable table;
    editor::AddVariables(table, {"count", "speed"}, "MAIN");
    list.ResolveVariableIndices(table);
    EXPECT_EQ(1, list.Item(1).m_variableIndex);
    EXPECT_EQ(-1, list.Item(2).m_variableIndex);
    EXPECT_EQ("Unknown variable", list.Cell(2, kWatchValue));
    EXPECT_EQ(-1, list.Item(4).m_variableIndex) << "another program's item";

    // The first of two items of the same name takes the process.
    EXPECT_TRUE(list.ProcessStarted("main", 2, 3));
    EXPECT_EQ(2, list.Item(1).m_process);
    EXPECT_EQ("2", list.Cell(1, kWatchProcess));
    EXPECT_EQ(-1, list.Item(3).m_process);
    EXPECT_EQ(-1, list.Item(2).m_process) << "an unknown variable";
    EXPECT_EQ(0, list.TakeNextPending()) << "status 3 reads the VR items too";
    EXPECT_EQ(1, list.TakeNextPending());
    EXPECT_EQ(-1, list.TakeNextPending());
    EXPECT_FALSE(list.ProcessStarted("NOTWATCHED", 2, 3));
    EXPECT_FALSE(list.ProcessStarted("MAIN", 4, 1)) << "status 1 reads at the next pass";
    EXPECT_EQ(4, list.Item(3).m_process);

    list.ProcessStopped("MAIN", 2);
    EXPECT_EQ(-1, list.Item(1).m_process);
    EXPECT_EQ("", list.Cell(1, kWatchProcess));
    EXPECT_EQ(4, list.Item(3).m_process);
}

} // namespace
