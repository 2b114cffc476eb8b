// The channel selection on the real project window: terminals on channels
// 0 and 5 already, the chooser made by the launcher for a terminal that
// asks, its list, its OK and double-click, and the terminal that comes of
// the choice.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "project/tests/projectwnd_fixture.h"
#include "testsupport/test_window.h"
#include "tools/channelselect.h"
#include "tools/livetools.h"
#include "tools/tools_resource.h"

using namespace tools;

namespace {

class ChannelSelectTest : public ProjectWndTest {
protected:
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        RegisterLiveTools();
        // A terminal the launcher makes registers as terminals do.
        CProjectWnd::RegisterToolCreator(TOOL_ID_TERMINAL, [this](CProjectWnd&, int) {
            TestTool::Options options;
            options.replyClass = REPLY_CLASS_TERMINAL;
            m_made.push_back(std::make_unique<TestTool>(options));
            m_made.back()->RegisterLater(m_window->Handle(), TOOL_ID_TERMINAL);
            return TRUE;
        });
        OpenLink(true);
        // Terminals on channels 0 and 5 already.
        for (int channel : {0, 5})
            AddTerminal(channel);
    }
    // A terminal registered on a channel, as a chosen one registers.
    void AddTerminal(int channel)
    {
        m_window->Send(PWM_SET_REPLY_CHANNEL, 0, channel);
        TestTool::Options options;
        options.replyClass = REPLY_CLASS_TERMINAL;
        m_used.push_back(std::make_unique<TestTool>(options));
        ASSERT_NE(0, m_used.back()->Register(m_window->Handle(), TOOL_ID_TERMINAL));
    }
    void TearDown() override
    {
        if (HWND chooser = Chooser()) {
            ::PostMessageA(chooser, WM_APP + 0x108, 0, 0);
            PumpUntil([chooser] { return !::IsWindow(chooser); }, 5000);
        }
        m_made.clear();
        m_used.clear();
        CProjectWnd::ClearToolCreators();
        ProjectWndTest::TearDown();
    }
    static HWND Chooser() { return ::FindWindowA(nullptr, "Select channel"); }
    // Asks for a terminal as the menu does; the chooser that opens.
    HWND OpenChooser()
    {
        m_window->Send(PWM_OPEN_TOOL, TOOL_ID_TERMINAL, 0);
        HWND chooser = nullptr;
        PumpUntil([&chooser] { return (chooser = Chooser()) != nullptr && ::IsWindowVisible(chooser); }, 5000);
        return chooser;
    }
    static std::vector<std::string> Items(HWND chooser)
    {
        const HWND list = ::GetDlgItem(chooser, IDC_CHANNEL_LIST);
        std::vector<std::string> items;
        const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[32] = {};
            ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    static int Selected(HWND chooser)
    {
        return static_cast<int>(::SendDlgItemMessageA(chooser, IDC_CHANNEL_LIST, LB_GETCURSEL, 0, 0));
    }
    // The terminal the choice made, once it registered; its channel.
    int MadeTerminalChannel()
    {
        if (!PumpUntil([this] { return !m_made.empty() && m_made.back()->LastAnswer() > 0; }, 5000))
            return -1000;
        return static_cast<int>(m_window->Send(PWM_GET_CHANNEL, 0, reinterpret_cast<LPARAM>(m_made.back()->Handle())));
    }

    std::vector<std::unique_ptr<TestTool>> m_used;
    std::vector<std::unique_ptr<TestTool>> m_made;
};

TEST_F(ChannelSelectTest, OffersTheFreeChannelsAndOpensTheTerminalOnTheChosenOne)
{
    const HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    EXPECT_EQ("Terminal", WindowText(::GetDlgItem(chooser, IDC_CHANNEL_TOOL)));
    EXPECT_EQ((std::vector<std::string>{"6", "7"}), Items(chooser));
    EXPECT_EQ(0, Selected(chooser)) << "6 selected";
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(chooser, IDOK)));
    EXPECT_EQ(chooser, ::GetForegroundWindow()) << "opens in front";
    // A second request while it is open opens no second chooser.
    EXPECT_EQ(0, m_window->Send(PWM_OPEN_TOOL, TOOL_ID_TERMINAL, 0));

    // Without a selection OK says so and the chooser stays.
    ::SendDlgItemMessageA(chooser, IDC_CHANNEL_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([this] { return !m_prompts.Records().empty(); }, 5000));
    EXPECT_EQ("You must select an item", m_prompts.Records()[0].text);
    EXPECT_EQ("Error", m_prompts.Records()[0].caption);
    EXPECT_TRUE(::IsWindow(chooser));

    ::SendDlgItemMessageA(chooser, IDC_CHANNEL_LIST, LB_SETCURSEL, 0, 0);
    ::PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([chooser] { return !::IsWindow(chooser); }, 5000));
    EXPECT_EQ(6, MadeTerminalChannel()) << "a class-0 tool made for 1042 gets channel 6";
    m_window->Settle();

    // Closed (0x81A9): the next terminal asks again; a double-click is OK.
    const HWND again = OpenChooser();
    ASSERT_NE(nullptr, again);
    EXPECT_EQ((std::vector<std::string>{"7"}), Items(again));
    const HWND list = ::GetDlgItem(again, IDC_CHANNEL_LIST);
    ::PostMessageA(again, WM_COMMAND, MAKEWPARAM(IDC_CHANNEL_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(PumpUntil([again] { return !::IsWindow(again); }, 5000));
    EXPECT_EQ(7, MadeTerminalChannel());
}

TEST_F(ChannelSelectTest, WithNoFreeChannelTheListIsEmptyAndOkStaysDisabled)
{
    for (int channel : {6, 7})
        AddTerminal(channel);
    const HWND chooser = OpenChooser();
    ASSERT_NE(nullptr, chooser);
    EXPECT_TRUE(Items(chooser).empty());
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(chooser, IDOK)));
}

TEST(OfferedChannelTest, OnlyChannelsMinusOneToNineAreOffered)
{
    const struct {
        const char* text;
        bool offered;
        int channel;
    } cases[] = {{"6", true, 6}, {"-1", true, -1}, {"9", true, 9}, {"10", false, 0},
                 {"-2", false, 0}, {"6a", false, 0}, {"", false, 0}, {"99999999999", false, 0}};
    for (const auto& c : cases) {
        int channel = 0;
        EXPECT_EQ(c.offered, ParseOfferedChannel(c.text, channel)) << c.text;
        if (c.offered)
            EXPECT_EQ(c.channel, channel) << c.text;
    }
}

} // namespace
