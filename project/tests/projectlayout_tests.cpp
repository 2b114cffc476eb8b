// The tool-window layout of a project: collecting the open windows into
// "Desktop" and "AutoDesktop", reading the sections back, and restoring the
// windows one at a time with the hand-over of each window's record.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "framework/app.h"
#include "project/projectlayout.h"
#include "project/tests/test_hub.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

SWindowParameters Record(int toolId, int firstChannel = CHANNEL_NOT_SET, const char* name = nullptr)
{
    SWindowParameters record;
    LayoutField(record, LAYOUT_TOOL_ID) = toolId;
    record.m_channels.Set(1, firstChannel);
    SetLayoutProgramName(record, name);
    return record;
}

std::vector<std::string> Describe(const CTList<SWindowParameters>& list)
{
    std::vector<std::string> out;
    for (SWindowParameters* r = list.GetHead(); r; r = list.GetNext(r))
        out.push_back(std::to_string(LayoutField(*r, LAYOUT_TOOL_ID)) + ":" + std::to_string(r->m_channels.GetAt(0)) +
                      ":" + GetLayoutProgramName(*r).GetString());
    return out;
}

class LayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\n");
        m_hub.SetProjectPath(m_project);
        m_hub.handlers[PWM_RESTORE_RECORD] = [this](WPARAM, LPARAM lParam) {
            return m_layout.OnRestoreRecord(reinterpret_cast<const SWindowParameters*>(lParam));
        };
    }
    void TearDown() override
    {
        for (std::thread& t : m_threads)
            t.join();
    }

    // A tool window on a thread of its own that fills its record when the
    // layout is collected.
    FakeProjectWindow& Tool(int toolId, RECT rect, int channel, const char* data)
    {
        m_tools.push_back(std::make_unique<FakeProjectWindow>());
        FakeProjectWindow& tool = *m_tools.back();
        tool.SetHandler(PWM_SAVE_RECORD, [rect, data](WPARAM, LPARAM lParam) -> LRESULT {
            auto* record = reinterpret_cast<SWindowParameters*>(lParam);
            LayoutField(*record, LAYOUT_LEFT) = rect.left;
            LayoutField(*record, LAYOUT_TOP) = rect.top;
            LayoutField(*record, LAYOUT_RIGHT) = rect.right;
            LayoutField(*record, LAYOUT_BOTTOM) = rect.bottom;
            LayoutField(*record, LAYOUT_SHOW_STATE) = 1;
            SetLayoutProgramName(*record, data);
            return 1;
        });
        IProjectHub::RegisteredTool registered{tool.Handle(), toolId, 2, CChannelSet(), "", true};
        registered.channels.Set(1, channel);
        m_hub.AddTool(registered);
        return tool;
    }

    // Opening a record starts a window on another thread that releases the
    // record by a sent 0x8147 (lParam 0), as a tool does once it has applied it.
    void ReleaseFromAnotherThread()
    {
        m_hub.onOpen = [this](const SWindowParameters& record) {
            m_opened.push_back(record);
            SWindowParameters pending;
            EXPECT_TRUE(m_hub.GetPendingRestore(pending));
            EXPECT_EQ(0, std::memcmp(&pending, &record, sizeof record));
            ++m_sent;
            const HWND hub = m_hub.GetHubWindow();
            m_threads.emplace_back([hub] { ::SendMessageA(hub, PWM_RESTORE_RECORD, 0, 0); });
            return IProjectHub::OPEN_OPENED;
        };
        // Virtual time runs on only once the release has been served.
        m_clock.SetSleepHook([this](std::uint64_t) {
            const DWORD start = ::GetTickCount();
            while (m_hub.IsRestorePending() && ::GetTickCount() - start < 2000) {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
                MSG msg;
                ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        });
    }

    CWinApp m_app{"layout tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    std::string m_project;
    TestHub m_hub;
    CWindowLayout m_layout{m_hub};
    std::vector<std::unique_ptr<FakeProjectWindow>> m_tools;
    std::vector<std::thread> m_threads;
    std::vector<SWindowParameters> m_opened;
    std::atomic<int> m_sent{0};
};

} // namespace

TEST(LayoutDuplicates, KeepsTheFirstOfEachWindow)
{
    CTList<SWindowParameters> list;
    const SWindowParameters records[] = {
        Record(1042, 0),          Record(1042, 0),          Record(1042, 1),       // terminals by channel
        Record(1024, -101, "MAIN"), Record(1024, -101, "main"), Record(1024, -101, "AUX"), // editors by name
        Record(1045, 8),          Record(1045, 3),          Record(1031, 2),       // others by tool id alone
        Record(1031, 2),          Record(1031, 5),
    };
    for (const SWindowParameters& r : records)
        list.AddTail(&r);
    RemoveLayoutDuplicates(list);
    const std::vector<std::string> expected = {"1042:0:",  "1042:1:",  "1024:-101:MAIN", "1024:-101:AUX",
                                               "1045:8:", "1031:2:", "1031:5:"};
    EXPECT_EQ(expected, Describe(list));
}

TEST_F(LayoutTest, SavedDesktopIsTheGoldenRecordRelativeToTheFrame)
{
    // The frame's free area starts at (10, 20).
    Tool(1045, RECT{110, 220, 410, 520}, 8, "ABC");
    Tool(1045, RECT{0, 0, 5, 5}, 8, "dup"); // a second watch window is left out
    m_layout.SaveDesktop();

    std::string golden = "64000000"  "c8000000"  "90010000"  "f4010000"  // rectangle 100, 200, 400, 500
                         "01000000"  "15040000"  "02000000"              // normal, tool 1045, reply mode 2
                         "08000000"  "9bffffff"  "9bffffff"              // channels 8, -101, -101
                         "414243";                                       // the tool's own data
    golden += std::string(616 - golden.size(), '0');
    CProjectFile file(m_project.c_str());
    EXPECT_EQ(golden, std::string(file.GetString("Desktop", "TOOL00").GetString()));
    EXPECT_TRUE(file.GetString("Desktop", "TOOL01").IsEmpty());
    ASSERT_EQ(1, m_layout.GetList().GetCount());

    // Read back and restored, the record is placed at the frame's corner again.
    m_layout.GetList().RemoveAll();
    ASSERT_TRUE(m_layout.ReadSection("Desktop"));
    m_hub.onOpen = [this](const SWindowParameters& r) {
        m_opened.push_back(r);
        return IProjectHub::OPEN_SKIPPED;
    };
    m_layout.Restore();
    ASSERT_EQ(1u, m_opened.size());
    EXPECT_EQ(110, LayoutField(m_opened[0], LAYOUT_LEFT));
    EXPECT_EQ(220, LayoutField(m_opened[0], LAYOUT_TOP));
    EXPECT_EQ(520, LayoutField(m_opened[0], LAYOUT_BOTTOM));
    EXPECT_EQ("ABC", std::string(GetLayoutProgramName(m_opened[0]).GetString()));
}

TEST_F(LayoutTest, NothingIsCollectedWithoutAProjectOrWhileClosing)
{
    Tool(1045, RECT{0, 0, 1, 1}, 8, "");
    SWindowParameters old = Record(1000);
    for (int round = 0; round < 2; ++round) {
        m_layout.GetList().RemoveAll();
        m_layout.GetList().AddTail(&old);
        if (round == 0)
            m_hub.SetProjectPath("");
        else
            m_hub.closing = true;
        m_layout.Collect();
        EXPECT_EQ(std::vector<std::string>{"1000:-101:"}, Describe(m_layout.GetList())) << round;
    }
}

TEST_F(LayoutTest, ReadingSkipsTooLongValuesAndZeroFillsShortOnes)
{
    const std::string full(616, '1');
    WriteWholeFile(m_project, "[AutoDesktop]\r\nTOOL00=" + full + "1\r\nTOOL01=0e040000" "\r\nTOOL02=" + full +
                                  "\r\nTOOL04=" + full + "\r\n");
    ASSERT_TRUE(m_layout.ReadSection("AutoDesktop"));
    // Key 0 (617 digits) is skipped; key 1, cut short, is record bytes 0..3
    // with the rest zero; reading stops at the missing key 3.
    ASSERT_EQ(2, m_layout.GetList().GetCount());
    const SWindowParameters* shortRecord = m_layout.GetList().GetHead();
    EXPECT_EQ(0x40e, LayoutField(*shortRecord, LAYOUT_LEFT));
    EXPECT_EQ(0, LayoutField(*shortRecord, LAYOUT_TOOL_ID));
    EXPECT_EQ(0, shortRecord->m_channels.GetAt(0));

    // An empty first key gives an empty list, and 0x814F restores nothing.
    WriteWholeFile(m_project, "[AutoDesktop]\r\nTOOL00=\r\nTOOL01=" + full + "\r\n");
    int opened = 0;
    m_hub.onOpen = [&opened](const SWindowParameters&) {
        ++opened;
        return IProjectHub::OPEN_SKIPPED;
    };
    m_layout.RestoreLastDesktop();
    EXPECT_EQ(0, opened);
    EXPECT_TRUE(m_layout.GetList().IsEmpty());
    EXPECT_TRUE(m_hub.Progresses().empty());
    EXPECT_TRUE(m_hub.Frame().WaitFor(WM_READY).has_value());
}

TEST_F(LayoutTest, ThreeRecordsRestoreAtZeroThirtyThreeSixtySixAndAHundred)
{
    for (int tool : {1000, 1041, 1044})
        m_layout.GetList().AddTail(Record(tool));
    ReleaseFromAnotherThread();
    m_layout.Restore();

    ASSERT_EQ(3u, m_opened.size());
    EXPECT_EQ(1041, LayoutField(m_opened[1], LAYOUT_TOOL_ID));
    EXPECT_EQ(10, LayoutField(m_opened[1], LAYOUT_LEFT)); // placed at the frame's corner
    EXPECT_EQ(20, LayoutField(m_opened[1], LAYOUT_TOP));
    auto progress = m_hub.LastProgress();
    ASSERT_TRUE(progress);
    EXPECT_EQ("Restoring windows", progress->texts.front());
    EXPECT_EQ((std::vector<int>{0, 33, 66, 100}), progress->percents);
    EXPECT_TRUE(progress->closed);
    EXPECT_FALSE(m_hub.IsRestorePending());
    EXPECT_EQ(0, m_hub.busy);
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(LayoutTest, AWindowThatNeverReleasesItsRecordEndsTheRestoreAfterTwentySeconds)
{
    for (int tool : {1000, 1041, 1044})
        m_layout.GetList().AddTail(Record(tool));
    m_hub.onOpen = [this](const SWindowParameters& record) {
        m_opened.push_back(record);
        return IProjectHub::OPEN_OPENED;
    };
    const std::uint64_t start = m_clock.NowMs();
    m_layout.Restore();

    EXPECT_EQ(1u, m_opened.size());
    EXPECT_GE(m_clock.NowMs() - start, 20000u);
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("A timeout occurred whilst trying to restore windows, restoration not completed", records[0].text);
    EXPECT_EQ("Restore windows", records[0].caption);
    // The window that comes late registers as a new one, not as the record.
    EXPECT_FALSE(m_hub.IsRestorePending());
    EXPECT_EQ(0, m_hub.busy);
}

TEST_F(LayoutTest, CancelSkippedRecordsAndAFailedWindowEndTheRestoreQuietly)
{
    const struct {
        const char* name;
        IProjectHub::OpenResult first;
        bool cancelWhileWaiting;
        size_t opened;
    } cases[] = {
        {"skipped records go on", IProjectHub::OPEN_SKIPPED, false, 3},
        {"a window that cannot be made ends it", IProjectHub::OPEN_FAILED, false, 1},
        {"cancel ends the wait and opens no more", IProjectHub::OPEN_OPENED, true, 1},
    };
    for (const auto& c : cases) {
        m_opened.clear();
        m_layout.GetList().RemoveAll();
        for (int tool : {1000, 1041, 1044})
            m_layout.GetList().AddTail(Record(tool));
        m_hub.onOpen = [this, &c](const SWindowParameters& record) {
            m_opened.push_back(record);
            if (c.cancelWhileWaiting)
                m_hub.LastProgress()->cancelled = true;
            return c.first;
        };
        m_layout.Restore();
        EXPECT_EQ(c.opened, m_opened.size()) << c.name;
        EXPECT_TRUE(m_prompts.Records().empty()) << c.name;
        EXPECT_FALSE(m_hub.IsRestorePending()) << c.name;
    }
}

TEST_F(LayoutTest, AutoDesktopKeepsTheOpenWindowsAndRestoresThem)
{
    Tool(1042, RECT{10, 20, 110, 120}, 0, "");
    Tool(1042, RECT{10, 20, 110, 120}, 1, "");
    Tool(1024, RECT{10, 20, 110, 120}, 8, "MAIN");
    m_layout.SaveAutoDesktop();
    m_layout.GetList().RemoveAll();

    ReleaseFromAnotherThread();
    m_layout.RestoreLastDesktop();
    const auto events = m_hub.Events();
    EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "close all except 0"));
    ASSERT_EQ(3u, m_opened.size());
    EXPECT_EQ(1, m_opened[1].m_channels.GetAt(0));
    EXPECT_EQ("MAIN", std::string(GetLayoutProgramName(m_opened[2]).GetString()));
    EXPECT_EQ(2, LayoutField(m_opened[2], LAYOUT_REPLY_MODE));
    EXPECT_TRUE(m_hub.Frame().WaitFor(WM_READY).has_value());
}
